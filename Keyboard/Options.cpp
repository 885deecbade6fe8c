#include "Keyboard/Options.h"

#include <cwchar>

#include "utility/ErrorReport.h"
#include "utility/ProgramSettings.h"
#include "utility/Registry.h"

namespace {

const char kSourceFile[] = ".\\Options";
const wchar_t kSettings[] = L"Settings";

// The placement's values under "WindowsPos\Import", as the main program
// keeps the placement of its import window.
CBasicString PlacementKey() {
    CBasicString key;
    key.Format(L"%s\\%s", L"WindowsPos", L"Import");
    return key;
}

struct PlacementValue {
    const wchar_t* name;
    LONG* (*field)(KEYBOARD_PLACEMENT&);
};
const PlacementValue kPlacementValues[] = {
    {L"ShowWindow", [](KEYBOARD_PLACEMENT& p) { return reinterpret_cast<LONG*>(&p.showCmd); }},
    {L"Flags", [](KEYBOARD_PLACEMENT& p) { return reinterpret_cast<LONG*>(&p.flags); }},
    {L"MinPosX", [](KEYBOARD_PLACEMENT& p) { return &p.ptMinPosition.x; }},
    {L"MinPosY", [](KEYBOARD_PLACEMENT& p) { return &p.ptMinPosition.y; }},
    {L"MaxPosX", [](KEYBOARD_PLACEMENT& p) { return &p.ptMaxPosition.x; }},
    {L"MaxPosY", [](KEYBOARD_PLACEMENT& p) { return &p.ptMaxPosition.y; }},
    {L"Left", [](KEYBOARD_PLACEMENT& p) { return &p.rcNormalPosition.left; }},
    {L"Top", [](KEYBOARD_PLACEMENT& p) { return &p.rcNormalPosition.top; }},
    {L"Right", [](KEYBOARD_PLACEMENT& p) { return &p.rcNormalPosition.right; }},
    {L"Bottom", [](KEYBOARD_PLACEMENT& p) { return &p.rcNormalPosition.bottom; }},
};
static_assert(sizeof(UINT) == sizeof(LONG));

bool SamePlacement(const KEYBOARD_PLACEMENT& a, const KEYBOARD_PLACEMENT& b) {
    KEYBOARD_PLACEMENT x = a, y = b;
    for (const PlacementValue& value : kPlacementValues)
        if (*value.field(x) != *value.field(y)) return false;
    return true;
}

} // namespace

COptions::COptions() : COptions(OpenProgramSettings()) {}

COptions::COptions(std::unique_ptr<CRegistry> registry) : m_registry(std::move(registry)) {}

COptions::~COptions() = default;

int COptions::Load() {
    if (!m_registry) {
        ReportAssertion(0, kSourceFile, 75);
        return 0;
    }
    CRegistry& r = *m_registry;
    Values& v = m_values;
    v.advertisement = static_cast<int>(r.GetDWORD(kSettings, L"Advertisement", 1));
    v.displayAllChars = static_cast<int>(r.GetDWORD(kSettings, L"DisplayAllChars", 0));
    v.keyboardName = r.GetString(kSettings, L"KeyBoardName", L"");
    v.keyboardCtrlId = r.GetDWORD(kSettings, L"KeyBoardCtrlID", 0);
    v.keyboardType = static_cast<int>(r.GetDWORD(kSettings, L"KeyBoardType", 0));
    const CBasicString key = PlacementKey();
    for (const PlacementValue& value : kPlacementValues)
        *value.field(v.placement) = static_cast<LONG>(r.GetDWORD(key.GetString(), value.name, 0));
    m_loaded = m_values;
    return 1;
}

int COptions::Save() {
    if (!m_registry) {
        ReportAssertion(0, kSourceFile, 38);
        return 0;
    }
    // Each value is its own locked write; only what changed here is written,
    // so the main program's values written meanwhile stay.
    CRegistry& r = *m_registry;
    const Values& v = m_values;
    Values& was = m_loaded;
    if (v.advertisement != was.advertisement)
        r.SetDWORD(kSettings, L"Advertisement", static_cast<DWORD>(v.advertisement));
    if (v.displayAllChars != was.displayAllChars)
        r.SetDWORD(kSettings, L"DisplayAllChars", static_cast<DWORD>(v.displayAllChars));
    if (wcscmp(v.keyboardName.GetString(), was.keyboardName.GetString()) != 0) r.SetString(kSettings, L"KeyBoardName", v.keyboardName.GetString());
    if (v.keyboardCtrlId != was.keyboardCtrlId) r.SetDWORD(kSettings, L"KeyBoardCtrlID", v.keyboardCtrlId);
    if (v.keyboardType != was.keyboardType)
        r.SetDWORD(kSettings, L"KeyBoardType", static_cast<DWORD>(v.keyboardType));
    if (!SamePlacement(v.placement, was.placement)) {
        const CBasicString key = PlacementKey();
        KEYBOARD_PLACEMENT placement = v.placement;
        for (const PlacementValue& value : kPlacementValues)
            r.SetDWORD(key.GetString(), value.name, static_cast<DWORD>(*value.field(placement)));
    }
    was = v;
    return 1;
}
