#include "utility/TextCheck.h"

#include <cwchar>
#include <string>

#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
constexpr int kLineGuidText = 1287;
constexpr int kGuidTextLength = 36;
constexpr int kGuidWithNumberDashes = 5;

} // namespace

int NeedsUnicode(const wchar_t* text) {
    if (!text) return 0;
    bool lossy = false;
    WideToAnsi(text, wcslen(text), '?', &lossy);
    return lossy ? 1 : 0;
}

void CollapseWhiteSpace(CBasicString& text) {
    const wchar_t* source = text.GetString();
    std::wstring collapsed;
    collapsed.reserve((size_t)text.GetLength());
    bool afterSpace = false;
    for (const wchar_t* p = source; *p; ++p) {
        bool space = IsSpaceChar(*p);
        if (!(space && afterSpace)) collapsed += *p;
        afterSpace = space;
    }
    if ((int)collapsed.size() != text.GetLength()) text = CBasicString(collapsed.c_str(), (int)collapsed.size());
}

int IsGuidWithNumber(const wchar_t* text) {
    bool given = text && *text;
    ReportAssertion(given, kSourceFile, kLineGuidText);
    if (!given) return 0;
    CBasicString trimmed(text);
    trimmed.TrimLeft();
    trimmed.TrimRight();
    int lastDash = trimmed.ReverseFind(L'-');
    if (lastDash != kGuidTextLength) return 0;
    int dashes = 0;
    for (const wchar_t* p = trimmed.GetString(); *p; ++p) dashes += *p == L'-' ? 1 : 0;
    if (dashes != kGuidWithNumberDashes) return 0;
    // The number is read as the C library reads it: leading digits count.
    long long number = wcstoll(trimmed.GetString() + lastDash + 1, nullptr, 10);
    return number > 0 ? 1 : 0;
}
