#include "Pendrel/Core/BasicIniFile.h"

#include <cerrno>
#include <climits>
#include <cwchar>
#include <fstream>

#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kSourceFile[] = ".\\BasicIniFile";
constexpr int kLineLoadFailed = 110;
constexpr int kLineNullSection = 120;
constexpr int kLineDuplicate = 155;
constexpr int kLineBadLevel = 290;
constexpr int kLineNoLevel = 299;

bool IsPrintable(unsigned char c) { return c >= 0x20 && c <= 0x7E; }

// The decimal number at the start of the text as the C library reads it,
// held to the range of an int.
int DecimalValue(const std::wstring& text) {
    errno = 0;
    long long value = wcstoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

LOG_ICON_TYPE LevelOfLetter(wchar_t letter) {
    switch (towupper(letter)) {
    case L'I': return LOG_ICON_INFORMATION;
    case L'E': return LOG_ICON_ERROR;
    case L'W': return LOG_ICON_WARNING;
    case L'Q': return LOG_ICON_QUESTION;
    case L'D': return LOG_ICON_DEBUG;
    case L'F': return LOG_ICON_FAILURE;
    case L'U': return LOG_ICON_NONE;
    default:
        ReportAssertion(0, kSourceFile, kLineBadLevel);
        return LOG_ICON_NONE;
    }
}

} // namespace

CBasicIniFile::~CBasicIniFile() = default;

int CBasicIniFile::Load(const wchar_t* path) {
    m_path = path;
    int result = -1;
    std::ifstream in(ToSystemText(path), std::ios::binary);
    if (in.is_open()) result = Read(in);
    if (result < 0) ReportAssertion(0, kSourceFile, kLineLoadFailed);
    return m_table.empty() || result < 0 ? -1 : 0;
}

int CBasicIniFile::Read(std::istream& in) {
    std::wstring section;
    std::string bytes;
    while (std::getline(in, bytes)) {
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
        if (bytes.empty()) continue;
        if (!IsPrintable((unsigned char)bytes[0])) return -1;
        std::wstring line = AnsiToWide(bytes.data(), bytes.size());
        size_t first = line.find_first_of(L";[=");
        if (first == std::wstring::npos || line[first] == L';') continue;
        if (line[first] == L'[') ReadSection(line, first, section);
        else ReadEntry(line, first, section);
    }
    return 0;
}

void CBasicIniFile::ReadSection(const std::wstring& line, size_t bracket, std::wstring& section) const {
    size_t close = line.rfind(L']');
    if (close == std::wstring::npos || close < bracket) return;
    section = line.substr(bracket + 1, close - bracket - 1);
}

void CBasicIniFile::ReadEntry(const std::wstring& line, size_t equals, const std::wstring& section) {
    std::wstring key = line.substr(0, equals);
    size_t colon = key.find(L':');
    int code;
    LOG_ICON_TYPE level;
    if (colon == std::wstring::npos) {
        ReportAssertion(0, kSourceFile, kLineNoLevel);
        code = DecimalValue(key);
        level = LOG_ICON_NONE;
    } else {
        code = DecimalValue(key.substr(0, colon));
        level = LevelOfLetter(colon + 1 < key.size() ? key[colon + 1] : L'\0');
    }
    size_t hash = line.find(L'#', equals + 1);
    std::wstring message = line.substr(equals + 1, hash == std::wstring::npos ? std::wstring::npos : hash - equals - 1);
    int stringId = hash == std::wstring::npos ? 0 : DecimalValue(line.substr(hash + 1));
    bool added = m_table.emplace(std::make_pair(section, code), Entry{stringId, std::move(message), level}).second;
    if (!added) ReportAssertion(0, kSourceFile, kLineDuplicate);
}

const wchar_t* CBasicIniFile::Lookup(int code, const wchar_t* section, LOG_ICON_TYPE& level, int& stringId) const {
    if (!section) {
        ReportAssertion(0, kSourceFile, kLineNullSection);
        return L"";
    }
    auto it = m_table.find(std::make_pair(std::wstring(section), code));
    if (it == m_table.end()) return L"";
    level = it->second.level;
    stringId = it->second.stringId;
    return it->second.message.c_str();
}
