#include "utility/WildcardMatch.h"

#include <cwchar>

namespace {

wchar_t FoldAscii(wchar_t ch) { return ch >= L'a' && ch <= L'z' ? (wchar_t)(ch - L'a' + L'A') : ch; }

// Glob matching with backtracking to the last '*' only, so the time stays
// at most pattern length x name length.
bool Glob(const wchar_t* pattern, int patternLength, const wchar_t* name, int nameLength) {
    int p = 0, n = 0, starP = -1, starN = 0;
    while (n < nameLength) {
        if (p < patternLength && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (p < patternLength && (pattern[p] == L'?' || FoldAscii(pattern[p]) == FoldAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < patternLength && pattern[p] == L'*') ++p;
    return p == patternLength;
}

} // namespace

bool MatchesWildcard(const wchar_t* pattern, int patternLength, const wchar_t* name, int nameLength) {
    if (Glob(pattern, patternLength, name, nameLength)) return true;
    // "x.*" also matches "x", and so "*.*" matches names without a dot.
    bool endsInDotStar = patternLength >= 2 && pattern[patternLength - 2] == L'.' && pattern[patternLength - 1] == L'*';
    return endsInDotStar && Glob(pattern, patternLength - 2, name, nameLength);
}

bool HasWildcard(const wchar_t* text) { return text && wcspbrk(text, L"*?") != nullptr; }
