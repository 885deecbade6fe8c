#include "OnlineServices/Sendrix/FtpPath.h"

CBasicString NormaliseFtpPath(const wchar_t* path) {
    CBasicString result;
    if (!path) return result;
    wchar_t previous = 0;
    for (const wchar_t* p = path; *p; ++p) {
        wchar_t ch = *p == L'\\' ? L'/' : *p;
        if (ch == L'/' && previous == L'/') continue;
        result.AppendChar(ch);
        previous = ch;
    }
    return result;
}

CBasicString TrimTrailingSlashes(const CBasicString& path) {
    int length = path.GetLength();
    while (length > 1 && path.GetAt(length - 1) == L'/') --length;
    return path.Left(length);
}

int CreateFolderLevels(const CBasicString& folder, const std::function<bool(const CBasicString&)>& make,
                       const std::function<bool(const CBasicString&)>& exists) {
    CBasicString path = TrimTrailingSlashes(folder);
    if (path.IsEmpty()) return 0;
    if (make(path)) return 2;
    if (exists(path)) return 1;
    // The levels above the last, from the top: each must be there or be
    // made before the one below it can be.
    bool madeAny = false;
    for (int slash = path.FindCharFrom(L'/', 1); slash > 0; slash = path.FindCharFrom(L'/', slash + 1)) {
        CBasicString level = path.Left(slash);
        if (make(level)) madeAny = true;
        else if (!exists(level)) return 0;
    }
    // With every level above already there, the first try stands.
    return madeAny && make(path) ? 2 : 0;
}
