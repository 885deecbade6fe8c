#include "utility/UniqueFileName.h"

#include <algorithm>

#include "utility/AbstractUniqueFileName.h"
#include "utility/AnsiCodePage.h"
#include "utility/BaseLetter.h"
#include "utility/ErrorReport.h"
#include "utility/FileItemInfo.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\UniqueFileName";

const wchar_t kLevel0Set[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
const wchar_t kLevel1Set[] = L" !#$%&'()+,-.0123456789=@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
const wchar_t kLevel2Set[] = L"!#$%&'()-.0123456789@ABCDEFGHIJKLMNOPQRSTUVWXYZ^_`{}~";
const wchar_t kForbiddenSet[] = L"\"/:*?<>\\|;";

// The flag-2 bits of a parent whose children were named together, by mode.
constexpr DWORD kNamedTogether[] = {0, 0x1, 0x2, 0x4};
// Longest mode-3 name when an item has no naming options.
constexpr int kFallbackMaxNameLength = 64;
constexpr int kExtensionMax = 3;
// Longest folder name of modes 1 and 2 for an item without parent.
constexpr int kTopFolderMax = 32;
// The highest character that mode 3 replaces anyway.
constexpr wchar_t kLastControl = 15;

std::wstring LevelSet(int level) {
    switch (level) {
    case 1: return kLevel1Set;
    case 2: return kLevel2Set;
    case 3: {
        std::wstring printable;
        for (wchar_t ch = L'!'; ch <= L'~'; ++ch) printable += ch;
        return printable;
    }
    default: return kLevel0Set;
    }
}

std::wstring ForbiddenSet(bool semicolonAllowed) {
    std::wstring set = kForbiddenSet;
    if (semicolonAllowed) set.erase(set.find(L';'), 1);
    return set;
}

bool Holds(const std::wstring& set, wchar_t ch) { return set.find(ch) != std::wstring::npos; }

void Cut(std::wstring& text, int max) {
    if ((int)text.size() > max) text.resize(max > 0 ? (size_t)max : 0);
}

std::wstring UpperCased(std::wstring text) {
    for (wchar_t& ch : text) ch = ToUpperChar(ch);
    return text;
}

// The item's name in a naming mode; "" (with the item's report) for the
// modes whose names items do not keep.
std::wstring NameInMode(CFileItemInfo* item, int mode) {
    switch (mode) {
    case 0: return item->GetName();
    case 1: return item->GetMode1Name();
    case 2: return item->GetMode2Name();
    default: return item->GetUniqueName();
    }
}

} // namespace

namespace KVX {

void CUniqueFileName::SetLimits(int folderMax, int baseMax) {
    m_folderMax = folderMax;
    m_baseMax = baseMax;
    m_extMax = kExtensionMax;
}

void CUniqueFileName::NameShort(CFileItemInfo* item, int mode, int folderMax, int baseMax) {
    ReportAssertion(item != nullptr, kSourceFile, __LINE__);
    if (!item) return;
    m_mode = mode;
    SelectCharacterSet(item->GetNamingOptions(), mode);
    SetLimits(item->GetParent() ? folderMax : kTopFolderMax, baseMax);
    Name(item, kNamedTogether[mode]);
}

void CUniqueFileName::NameForMode1(CFileItemInfo* item) { NameShort(item, 1, 8, 8); }

void CUniqueFileName::NameForMode2(CFileItemInfo* item) { NameShort(item, 2, 31, 31); }

void CUniqueFileName::NameForMode3(CFileItemInfo* item) {
    ReportAssertion(item != nullptr, kSourceFile, __LINE__);
    if (!item) return;
    m_mode = 3;
    CAbstractUniqueFileName* options = item->GetNamingOptions();
    ReportAssertion(options != nullptr, kSourceFile, __LINE__);
    int max = options ? options->GetMaxNameLength(3) : kFallbackMaxNameLength;
    SelectCharacterSet(options, m_mode);
    SetLimits(max, max);
    Name(item, kNamedTogether[3]);
}

int CUniqueFileName::SelectCharacterSet(CAbstractUniqueFileName* options, int mode) {
    if (!options) {
        ReportAssertion(0, kSourceFile, __LINE__);
        m_level = 0;
        m_characters = kLevel0Set;
        return 1;
    }
    if (mode == 1 || mode == 2) {
        m_level = options->GetLevel();
        m_characters = LevelSet(m_level);
        return 1;
    }
    if (mode == 3) {
        m_characters = ForbiddenSet(options->IsSemicolonAllowed() != 0);
        return 1;
    }
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

void CUniqueFileName::NormalizeName(std::wstring& text, int mode) {
    if (mode == 1 || mode == 2) {
        for (wchar_t& ch : text) {
            if (m_level != 2) ch = GetBaseLetter(ch);
            if (!Holds(m_characters, ch)) ch = L'_';
        }
    } else if (mode == 3) {
        for (wchar_t& ch : text)
            if ((ch >= 0 && ch <= kLastControl) || Holds(m_characters, ch)) ch = L'_';
    } else {
        ReportAssertion(0, kSourceFile, __LINE__);
    }
}

void CUniqueFileName::CutAndNormalize(std::wstring& text, int max) {
    Cut(text, max);
    NormalizeName(text, m_mode);
    Cut(text, max);
}

void CUniqueFileName::ShortenName(std::wstring& text, CFileItemInfo* item) {
    bool folder = item && item->IsDirectory();
    size_t dot = text.rfind(L'.');
    std::wstring base = dot == std::wstring::npos ? text : text.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : text.substr(dot + 1);
    if (m_mode == 1) {
        CAbstractUniqueFileName* options = item ? item->GetNamingOptions() : nullptr;
        bool wholeName = (folder && m_level != 2) || (item && options && options->GetRootItem() == item);
        if (wholeName) {
            CutAndNormalize(text, m_folderMax);
        } else if (dot == std::wstring::npos) {
            CutAndNormalize(text, m_baseMax);
        } else {
            NormalizeName(extension, m_mode);
            Cut(extension, m_extMax);
            CutAndNormalize(base, m_baseMax);
            text = base + L'.' + extension;
        }
    } else if (m_mode == 2 || m_mode == 3) {
        if (folder && m_level != 2) {
            CutAndNormalize(text, m_folderMax);
        } else if (dot == std::wstring::npos) {
            CutAndNormalize(text, folder ? m_folderMax : m_baseMax);
        } else {
            NormalizeName(extension, m_mode);
            NormalizeName(base, m_mode);
            if ((int)(base.size() + 1 + extension.size()) > m_baseMax) {
                int extensionLength = std::min((int)extension.size(), m_extMax);
                Cut(extension, extensionLength);
                Cut(base, m_baseMax - extensionLength - 1);
            }
            text = base + L'.' + extension;
        }
    } else {
        ReportAssertion(0, kSourceFile, __LINE__);
    }
}

void CUniqueFileName::MakeNumberedName(const std::wstring& name, int number, int isFolder, std::wstring& out) {
    out.clear();
    if (number < 1) {
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    std::wstring digits = std::to_wstring(number);
    int digitCount = (int)digits.size();
    size_t dot = name.rfind(L'.');
    std::wstring base = dot == std::wstring::npos ? name : name.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    if (m_mode == 1) {
        Cut(base, m_baseMax - digitCount);
        out = base + digits + extension;
    } else if ((m_mode == 2 || m_mode == 3) && isFolder) {
        out = name;
        if ((int)out.size() + digitCount > m_folderMax) Cut(out, m_folderMax - digitCount);
        out += digits;
    } else if (m_mode == 2 || m_mode == 3) {
        Cut(base, m_baseMax - digitCount - (int)extension.size());
        out = base + digits + extension;
    } else {
        ReportAssertion(0, kSourceFile, __LINE__);
    }
}

std::wstring CUniqueFileName::MakeUniqueInSet(const std::wstring& name, int isFolder) {
    std::wstring candidate = name;
    for (int count = m_counter.Add(name.c_str()); count > 1; count = m_counter.Add(candidate.c_str()))
        MakeNumberedName(name, count, isFolder, candidate);
    return candidate;
}

bool CUniqueFileName::IsNameUsedBySibling(const wchar_t* name, CFileItemInfo* item, int mode) {
    bool usable = name && item && mode >= 0 && mode <= 3;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return false;
    CFileItemInfo* first = item->GetParent() ? item->GetParent()->GetFirstChild() : item->GetNextSibling();
    for (CFileItemInfo* sibling = first; sibling; sibling = sibling->GetNextSibling())
        if (sibling != item && CompareTextNoCase(NameInMode(sibling, mode).c_str(), name) == 0) return true;
    return false;
}

void CUniqueFileName::ApplyUniqueName(std::wstring name, CFileItemInfo* item) {
    ReportAssertion(item != nullptr, kSourceFile, __LINE__);
    if (!item) return;
    std::wstring candidate = name;
    for (int number = 2; IsNameUsedBySibling(candidate.c_str(), item, m_mode); ++number)
        MakeNumberedName(name, number, item->IsDirectory(), candidate);
    switch (m_mode) {
    case 0: item->SetName(candidate.c_str()); break;
    case 1: item->SetMode1Name(candidate.c_str()); break;
    case 2: item->SetMode2Name(candidate.c_str()); break;
    case 3: item->SetUniqueName(candidate.c_str()); break;
    default: ReportAssertion(0, kSourceFile, __LINE__); break;
    }
}

void CUniqueFileName::Name(CFileItemInfo* item, DWORD namedBit) {
    CFileItemInfo* parent = item->GetParent();
    if (parent && !parent->TestFlags2(namedBit)) {
        parent->SetFlags2(namedBit, 1);
        NameChildren(parent);
    } else {
        NameOne(item);
    }
}

void CUniqueFileName::NameChildren(CFileItemInfo* parent) {
    m_counter.Clear();
    for (CFileItemInfo* child = parent->GetFirstChild(); child; child = child->GetNextSibling()) {
        std::wstring name = child->GetName();
        if (name.empty()) continue;
        if (m_mode != 3) {
            // Names of modes 1 and 2 are not kept.
            name = UpperCased(name);
            ShortenName(name, child);
            ReportAssertion(0, kSourceFile, __LINE__);
            continue;
        }
        ShortenName(name, child);
        child->SetUniqueName(MakeUniqueInSet(name, child->IsDirectory()).c_str());
    }
    m_counter.Clear();
}

void CUniqueFileName::NameOne(CFileItemInfo* item) {
    std::wstring name = item->GetName();
    if (m_mode == 1) {
        if (m_level == 2 && *item->GetShortName()) name = item->GetShortName();
        if (m_level == 0 || m_level == 2) name = UpperCased(name);
    } else if (m_mode == 2) {
        // Single names of mode 2 are not kept.
        name = UpperCased(name);
        ShortenName(name, item);
        ReportAssertion(0, kSourceFile, __LINE__);
        return;
    }
    if (name.empty()) return;
    ShortenName(name, item);
    ApplyUniqueName(name, item);
}

} // namespace KVX

int IsCharInLevelSet(wchar_t ch, int level) {
    bool known = level >= 0 && level <= 3;
    ReportAssertion(known, kSourceFile, __LINE__);
    return Holds(LevelSet(known ? level : 0), ch) ? 1 : 0;
}

int IsCharAllowed(wchar_t ch, KVX::CAbstractUniqueFileName* options) {
    ReportAssertion(options != nullptr, kSourceFile, __LINE__);
    if (!options) return 0;
    int system = options->GetNamingSystem();
    if (system == 1 || system == 2) return IsCharInLevelSet(ch, options->GetLevel());
    return ch > kLastControl && !Holds(ForbiddenSet(options->IsSemicolonAllowed() != 0), ch) ? 1 : 0;
}

int IsTextAllowed(const char* text, KVX::CAbstractUniqueFileName* options) {
    ReportAssertion(text != nullptr, kSourceFile, __LINE__);
    if (!text) return 0;
    for (const char* p = text; *p; ++p)
        if (!IsCharAllowed(AnsiCharToWide((unsigned char)*p), options)) return 0;
    return 1;
}
