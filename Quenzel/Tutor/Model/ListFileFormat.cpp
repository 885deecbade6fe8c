#include "Quenzel/Tutor/Model/ListFileFormat.h"

#include "utility/BasicString.h"
#include "utility/PathName.h"
#include "utility/StringTableRegistration.h"
#include "utility/TextCodec.h"

namespace {

const StringTableEntry kStrings[] = {
    {31143, L"Failed to export vocabulary list to (%s) file."},
    {31144, L"Successfully exported the vocabulary list to (%s) file."},
    {31267, L"Vocabulary list has been exported partially to file (%s)."},
};
const CStringTableRegistration kStringsRegistration(kStrings);

std::string QuoteCsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char ch : field) {
        if (ch == '"') quoted += '"';
        quoted += ch;
    }
    quoted += '"';
    return quoted;
}

// The tab rule keeps a tab that follows a dropped tab, so a meaning's own
// tabs are written twice.
std::string DoubleTabs(const std::string& field) {
    std::string doubled;
    for (char ch : field) {
        if (ch == '\t') doubled += '\t';
        doubled += ch;
    }
    return doubled;
}

} // namespace

int GetListFileKind(const wchar_t* path) {
    const CBasicString extension = GetFileExtension(path ? path : L"");
    if (extension.CompareNoCase(L"txt") == 0) return LIST_FILE_TAB;
    if (extension.CompareNoCase(L"csv") == 0) return LIST_FILE_COMMA;
    return 0;
}

std::string FormatListFileLine(const wchar_t* word, const wchar_t* meaning, int kind) {
    const std::string left = WideToUtf8(std::wstring(word ? word : L""));
    const std::string right = WideToUtf8(std::wstring(meaning ? meaning : L""));
    switch (kind) {
    case LIST_FILE_TAB: return left + '\t' + DoubleTabs(right) + "\r\n";
    case LIST_FILE_COMMA: return QuoteCsvField(left) + ',' + QuoteCsvField(right) + "\r\n";
    default: return std::string();
    }
}
