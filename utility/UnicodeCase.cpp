#include "utility/UnicodeCase.h"

#include <cstdint>
#include <cwctype>

namespace {

locale_t OpenUnicodeLocale() {
    const char* const names[] = {"C.UTF-8", "C.utf8"};
    for (const char* name : names) {
        locale_t loc = newlocale(LC_ALL_MASK, name, (locale_t)0);
        if (loc) return loc;
    }
    return newlocale(LC_ALL_MASK, "C", (locale_t)0);
}

// Folds for ordering: lower case, and values outside Unicode unchanged.
inline uint32_t FoldForCompare(wchar_t ch, locale_t loc) {
    return (uint32_t)towlower_l((wint_t)ch, loc);
}

} // namespace

locale_t GetUnicodeLocale() {
    static const locale_t loc = OpenUnicodeLocale();
    return loc;
}

wchar_t ToUpperChar(wchar_t ch) { return (wchar_t)towupper_l((wint_t)ch, GetUnicodeLocale()); }

wchar_t ToLowerChar(wchar_t ch) { return (wchar_t)towlower_l((wint_t)ch, GetUnicodeLocale()); }

bool IsSpaceChar(wchar_t ch) { return iswspace_l((wint_t)ch, GetUnicodeLocale()) != 0; }

int CompareTextNoCaseN(const wchar_t* a, const wchar_t* b, size_t count) {
    if (!a) a = L"";
    if (!b) b = L"";
    locale_t loc = GetUnicodeLocale();
    for (size_t i = 0; i < count; ++i) {
        uint32_t ca = FoldForCompare(a[i], loc);
        uint32_t cb = FoldForCompare(b[i], loc);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

int CompareTextNoCase(const wchar_t* a, const wchar_t* b) { return CompareTextNoCaseN(a, b, (size_t)-1); }
