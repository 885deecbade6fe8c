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
