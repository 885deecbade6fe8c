#include "Quenzel/App/Options.h"

#include <algorithm>
#include <filesystem>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/App/DataBaseCall.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/Modules.h"
#include "utility/ProgramSettings.h"
#include "utility/ProtectedBlob.h"
#include "utility/Registry.h"
#include "utility/TextCodec.h"
#include "utility/WildcardMatch.h"

namespace {

const char kSourceFile[] = ".\\Options";
const wchar_t kSettings[] = L"Settings";
const wchar_t kLanguage[] = L"Language";
const wchar_t kSettingsPath[] = L"SOFTWARE\\Morvane\\Quenzel\\Settings";
const wchar_t kPasswordValue[] = L"UserSyncPassword";
const wchar_t kEnglish[] = L"English";
const wchar_t kPluginPattern[] = L"plugin*.so";
constexpr int kProtectedBlobType = 1;
constexpr size_t kLanguageNameLength = 260;

const wchar_t* const kPlacementNames[PLACEMENT_COUNT] = {L"Import", L"Create", L"Edit", L"Learn", L"Quiz"};

CBasicString PlacementKey(int kind) {
    CBasicString key;
    key.Format(L"%s\\%s", L"WindowsPos", kPlacementNames[kind]);
    return key;
}

CBasicString Truncated(const CBasicString& text, size_t length) {
    const std::wstring value(text.GetString());
    return CBasicString(value.substr(0, length - 1).c_str());
}

} // namespace

// Another instance, or the keyboard program, may write the same key while
// this one runs: the store writes only the values this program changed.
COptions::COptions() : COptions(OpenProgramSettings()) {}

COptions::COptions(std::unique_ptr<CRegistry> registry) : m_registry(std::move(registry)) {}

COptions::~COptions() = default;

void COptions::LoadFont(const wchar_t* subKey, LOGFONTW& font) {
    CRegistry& r = *m_registry;
    font.lfHeight = static_cast<LONG>(r.GetDWORD(subKey, L"Height", static_cast<DWORD>(font.lfHeight)));
    font.lfWidth = static_cast<LONG>(r.GetDWORD(subKey, L"Width", static_cast<DWORD>(font.lfWidth)));
    font.lfEscapement = static_cast<LONG>(r.GetDWORD(subKey, L"Escapement", static_cast<DWORD>(font.lfEscapement)));
    font.lfOrientation = static_cast<LONG>(r.GetDWORD(subKey, L"Orientation", static_cast<DWORD>(font.lfOrientation)));
    font.lfWeight = static_cast<LONG>(r.GetDWORD(subKey, L"Weight", static_cast<DWORD>(font.lfWeight)));
    font.lfItalic = static_cast<BYTE>(r.GetDWORD(subKey, L"Italic", font.lfItalic));
    font.lfUnderline = static_cast<BYTE>(r.GetDWORD(subKey, L"Underline", font.lfUnderline));
    font.lfStrikeOut = static_cast<BYTE>(r.GetDWORD(subKey, L"StrikeOut", font.lfStrikeOut));
    font.lfCharSet = static_cast<BYTE>(r.GetDWORD(subKey, L"CharSet", font.lfCharSet));
    font.lfOutPrecision = static_cast<BYTE>(r.GetDWORD(subKey, L"OutPrecision", font.lfOutPrecision));
    font.lfClipPrecision = static_cast<BYTE>(r.GetDWORD(subKey, L"ClipPrecision", font.lfClipPrecision));
    font.lfQuality = static_cast<BYTE>(r.GetDWORD(subKey, L"Quality", font.lfQuality));
    font.lfPitchAndFamily = static_cast<BYTE>(r.GetDWORD(subKey, L"PitchAndFamily", font.lfPitchAndFamily));
    const CBasicString face = r.GetString(subKey, L"FaceName", font.lfFaceName);
    const std::wstring text(face.GetString());
    const size_t length = std::min<size_t>(text.size(), LF_FACESIZE - 1);
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), L'\0');
    std::copy_n(text.begin(), length, font.lfFaceName);
}

void COptions::SaveFont(const wchar_t* subKey, const LOGFONTW& font) {
    CRegistry& r = *m_registry;
    r.SetDWORD(subKey, L"Height", static_cast<DWORD>(font.lfHeight));
    r.SetDWORD(subKey, L"Width", static_cast<DWORD>(font.lfWidth));
    r.SetDWORD(subKey, L"Escapement", static_cast<DWORD>(font.lfEscapement));
    r.SetDWORD(subKey, L"Orientation", static_cast<DWORD>(font.lfOrientation));
    r.SetDWORD(subKey, L"Weight", static_cast<DWORD>(font.lfWeight));
    r.SetDWORD(subKey, L"Italic", font.lfItalic);
    r.SetDWORD(subKey, L"Underline", font.lfUnderline);
    r.SetDWORD(subKey, L"StrikeOut", font.lfStrikeOut);
    r.SetDWORD(subKey, L"CharSet", font.lfCharSet);
    r.SetDWORD(subKey, L"OutPrecision", font.lfOutPrecision);
    r.SetDWORD(subKey, L"ClipPrecision", font.lfClipPrecision);
    r.SetDWORD(subKey, L"Quality", font.lfQuality);
    r.SetDWORD(subKey, L"PitchAndFamily", font.lfPitchAndFamily);
    // The face name is a NUL-terminated field of 32 characters.
    WCHAR face[LF_FACESIZE];
    std::copy(std::begin(font.lfFaceName), std::end(font.lfFaceName), face);
    face[LF_FACESIZE - 1] = L'\0';
    r.SetString(subKey, L"FaceName", face);
}

int COptions::Load() {
    if (!m_registry) {
        ReportAssertion(0, kSourceFile, 274);
        return 0;
    }
    CRegistry& r = *m_registry;
    LoadFont(L"Fonts\\NormalFont", m_normalFont);
    LoadFont(L"Fonts\\LeftFont", m_leftFont);
    LoadFont(L"Fonts\\RightFont", m_rightFont);
    m_normalColor = r.GetDWORD(kSettings, L"NormalColor", m_normalColor);
    m_knownColor = r.GetDWORD(kSettings, L"KnownColor", m_knownColor);
    m_unknownColor = r.GetDWORD(kSettings, L"UnknownColor", m_unknownColor);
    m_syncEMail = r.GetString(kSettings, L"UserSyncEMail", m_syncEMail.GetString());
    m_rememberSyncPassword = static_cast<int>(r.GetDWORD(kSettings, L"RememberSyncPassword", m_rememberSyncPassword));
    if (m_rememberSyncPassword) {
        BYTE* data = nullptr;
        int size = 0;
        if (r.GetBinary(kSettings, kPasswordValue, &data, &size) && data && size > 0) {
            CBasicString password;
            if (DecryptProtectedBlob(data, static_cast<unsigned>(size), password, kProtectedBlobType))
                m_syncPassword = password;
            else
                m_syncPassword.Empty();
        }
        delete[] data;
    }
    m_advertisement = static_cast<int>(r.GetDWORD(kSettings, L"Advertisement", m_advertisement));
    m_fromLanguage = r.GetString(kLanguage, L"FromLanguage", m_fromLanguage.GetString());
    m_toLanguage = r.GetString(kLanguage, L"ToLanguage", m_toLanguage.GetString());
    for (int kind : {PLACEMENT_IMPORT, PLACEMENT_CREATE, PLACEMENT_EDIT, PLACEMENT_LEARN, PLACEMENT_QUIZ}) {
        const CBasicString key = PlacementKey(kind);
        const wchar_t* k = key.GetString();
        WINDOWPLACEMENT& p = m_placements[kind];
        p.showCmd = r.GetDWORD(k, L"ShowWindow", 0);
        p.flags = r.GetDWORD(k, L"Flags", 0);
        p.ptMinPosition.x = static_cast<LONG>(r.GetDWORD(k, L"MinPosX", 0));
        p.ptMinPosition.y = static_cast<LONG>(r.GetDWORD(k, L"MinPosY", 0));
        p.ptMaxPosition.x = static_cast<LONG>(r.GetDWORD(k, L"MaxPosX", 0));
        p.ptMaxPosition.y = static_cast<LONG>(r.GetDWORD(k, L"MaxPosY", 0));
        p.rcNormalPosition.left = static_cast<LONG>(r.GetDWORD(k, L"Left", 0));
        p.rcNormalPosition.top = static_cast<LONG>(r.GetDWORD(k, L"Top", 0));
        p.rcNormalPosition.right = static_cast<LONG>(r.GetDWORD(k, L"Right", 0));
        p.rcNormalPosition.bottom = static_cast<LONG>(r.GetDWORD(k, L"Bottom", 0));
    }
    if (m_database) LoadPlugins();
    return 1;
}

int COptions::Save() {
    if (!m_registry) {
        ReportAssertion(0, kSourceFile, 188);
        return 0;
    }
    CRegistry& r = *m_registry;
    SaveFont(L"Fonts\\NormalFont", m_normalFont);
    SaveFont(L"Fonts\\LeftFont", m_leftFont);
    SaveFont(L"Fonts\\RightFont", m_rightFont);
    r.SetDWORD(kSettings, L"NormalColor", m_normalColor);
    r.SetDWORD(kSettings, L"KnownColor", m_knownColor);
    r.SetDWORD(kSettings, L"UnknownColor", m_unknownColor);
    r.SetDWORD(kSettings, L"Advertisement", static_cast<DWORD>(m_advertisement));
    r.SetString(kSettings, L"UserSyncEMail", m_syncEMail.GetString());
    r.SetDWORD(kSettings, L"RememberSyncPassword", static_cast<DWORD>(m_rememberSyncPassword));
    if (m_rememberSyncPassword && !m_syncPassword.IsEmpty()) {
        std::vector<BYTE> blob;
        if (EncryptProtectedBlob(m_syncPassword.GetString(), blob, kProtectedBlobType) && !blob.empty())
            r.SetBinary(kSettings, kPasswordValue, blob.data(), static_cast<int>(blob.size()));
    } else if (!m_rememberSyncPassword) {
        // A password the user no longer wants remembered does not stay on
        // disk: nothing reads it while the flag is off.
        r.DeleteValue(HKEY_CURRENT_USER, kSettingsPath, kPasswordValue);
    }
    r.SetString(kLanguage, L"FromLanguage", m_fromLanguage.GetString());
    r.SetString(kLanguage, L"ToLanguage", m_toLanguage.GetString());
    for (int kind : {PLACEMENT_IMPORT, PLACEMENT_CREATE, PLACEMENT_EDIT, PLACEMENT_LEARN, PLACEMENT_QUIZ}) {
        const CBasicString key = PlacementKey(kind);
        const wchar_t* k = key.GetString();
        const WINDOWPLACEMENT& p = m_placements[kind];
        r.SetDWORD(k, L"ShowWindow", p.showCmd);
        r.SetDWORD(k, L"Flags", p.flags);
        r.SetDWORD(k, L"MinPosX", static_cast<DWORD>(p.ptMinPosition.x));
        r.SetDWORD(k, L"MinPosY", static_cast<DWORD>(p.ptMinPosition.y));
        r.SetDWORD(k, L"MaxPosX", static_cast<DWORD>(p.ptMaxPosition.x));
        r.SetDWORD(k, L"MaxPosY", static_cast<DWORD>(p.ptMaxPosition.y));
        r.SetDWORD(k, L"Left", static_cast<DWORD>(p.rcNormalPosition.left));
        r.SetDWORD(k, L"Top", static_cast<DWORD>(p.rcNormalPosition.top));
        r.SetDWORD(k, L"Right", static_cast<DWORD>(p.rcNormalPosition.right));
        r.SetDWORD(k, L"Bottom", static_cast<DWORD>(p.rcNormalPosition.bottom));
    }
    if (m_database) SavePlugins();
    return 1;
}

void COptions::LoadPlugins() {
    const CBasicString folder = m_pluginFolder.IsEmpty() ? GetProgramFolder() : m_pluginFolder;
    std::vector<PluginEntry> plugins;
    std::error_code error;
    const std::wstring pattern(kPluginPattern);
    for (const auto& entry : std::filesystem::directory_iterator(WideToUtf8(std::wstring(folder.GetString())), error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::wstring name = Utf8ToWide(entry.path().filename().string());
        if (!MatchesWildcard(pattern.c_str(), static_cast<int>(pattern.size()), name.c_str(),
                             static_cast<int>(name.size())))
            continue;
        PluginEntry plugin;
        plugin.fileName = name.c_str();
        plugin.enabled = 1;
        plugins.push_back(plugin);
    }
    std::sort(plugins.begin(), plugins.end(), [](const PluginEntry& a, const PluginEntry& b) {
        return wcscmp(a.fileName.GetString(), b.fileName.GetString()) < 0;
    });
    for (PluginEntry& plugin : plugins)
        plugin.enabled = static_cast<int>(m_registry->GetDWORD(kSettings, plugin.fileName.GetString(), 0));
    if (CallDataBase([&] { return m_database->SetPlugins(plugins); }) != DATABASE_OK)
        ReportAssertion(0, kSourceFile, __LINE__);
}

void COptions::SavePlugins() {
    for (const PluginEntry& plugin : m_database->GetPlugins())
        m_registry->SetDWORD(kSettings, plugin.fileName.GetString(), static_cast<DWORD>(plugin.enabled));
}

void COptions::GetLanguageNames(CBasicString* from, CBasicString* to) {
    if (!from || !to) {
        ReportAssertion(0, kSourceFile, 56);
        return;
    }
    if (m_fromLanguage.IsEmpty()) m_fromLanguage = kEnglish;
    if (m_toLanguage.IsEmpty()) m_toLanguage = kEnglish;
    *from = Truncated(m_fromLanguage, kLanguageNameLength);
    *to = Truncated(m_toLanguage, kLanguageNameLength);
}

void COptions::SetLanguageNames(const wchar_t* from, const wchar_t* to) {
    m_fromLanguage = from ? from : L"";
    m_toLanguage = to ? to : L"";
}

int COptions::GetPlacement(int kind, WINDOWPLACEMENT& placement) const {
    if (kind < 0 || kind >= PLACEMENT_COUNT) {
        ReportAssertion(0, kSourceFile, 422);
        return 0;
    }
    placement = m_placements[kind];
    return 1;
}

int COptions::SetPlacement(int kind, const WINDOWPLACEMENT& placement) {
    if (kind < 0 || kind >= PLACEMENT_COUNT) {
        ReportAssertion(0, kSourceFile, 440);
        return 0;
    }
    m_placements[kind] = placement;
    return 1;
}
