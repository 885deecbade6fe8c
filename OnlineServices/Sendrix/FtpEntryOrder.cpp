#include "OnlineServices/Sendrix/FtpEntryOrder.h"

#include <cwchar>

#include "utility/UnicodeCase.h"

namespace {

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

wchar_t Upper(wchar_t ch) {
    if (ch < 0x80) return ch >= L'a' && ch <= L'z' ? (wchar_t)(ch - L'a' + L'A') : ch;
    return ToUpperChar(ch);
}

// Compares the digit runs at a and b by value; advances both past them.
int CompareNumbers(const wchar_t*& a, const wchar_t*& b) {
    while (*a == L'0') ++a;
    while (*b == L'0') ++b;
    const wchar_t* startA = a;
    const wchar_t* startB = b;
    while (IsDigit(*a)) ++a;
    while (IsDigit(*b)) ++b;
    size_t lengthA = (size_t)(a - startA);
    size_t lengthB = (size_t)(b - startB);
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    for (size_t i = 0; i < lengthA; ++i)
        if (startA[i] != startB[i]) return startA[i] < startB[i] ? -1 : 1;
    return 0;
}

int CompareLoosely(const wchar_t* a, const wchar_t* b) {
    while (*a && *b) {
        if (IsDigit(*a) && IsDigit(*b)) {
            int numbers = CompareNumbers(a, b);
            if (numbers != 0) return numbers;
            continue;
        }
        wchar_t ua = Upper(*a);
        wchar_t ub = Upper(*b);
        if (ua != ub) return ua < ub ? -1 : 1;
        ++a;
        ++b;
    }
    if (*a == *b) return 0;
    return *a ? 1 : -1;
}

} // namespace

int CompareNaturalNames(const wchar_t* a, const wchar_t* b) {
    int loose = CompareLoosely(a, b);
    if (loose != 0) return loose;
    int c = wcscmp(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool FtpEntryOrder::operator()(const CBasicFileFindInfo& a, const CBasicFileFindInfo& b) const {
    bool folderA = (a.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool folderB = (b.GetAttributes() & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folderA != folderB) return folderA;
    return CompareNaturalNames(a.GetFileName(), b.GetFileName()) < 0;
}
