#pragma once
// The library's conversions between wide text and the narrow text that
// sockets, host names, proxy credentials and protocol lines use.
//
// The library's narrow code page (CP_ACP) is UTF-8: host names go to the
// Linux resolver, and servers and proxies expect UTF-8 today. Every wide
// text converts to UTF-8 and back unchanged (TextCodec.h).

#include <string>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

#ifndef CP_ACP
#define CP_ACP 0
#endif
#ifndef CP_UTF8
#define CP_UTF8 65001
#endif

// count characters of text (all and its terminator when count is -1) in the
// narrow code page. Without destination the result is a new array that the
// caller frees with delete[]; with one, the result is copied into it (it
// must be large enough) and destination is returned. Null for a null text
// or when nothing was converted (count 0).
char* ConvertWideToMultiByte(UINT codePage, const wchar_t* text, char* destination, int count);

// A copy of at most count characters (all when count is -1 or larger) of
// source, terminated; into destination, or into a new array of the source's
// length + 1 that the caller frees with delete[]. Null for a null source.
wchar_t* CopyWideString(const wchar_t* source, wchar_t* destination, int count);

// The same conversions as values: a null text gives an empty one.
std::string ToNarrowText(const wchar_t* text);
CBasicString FromNarrowText(const char* text, size_t length);
CBasicString FromNarrowText(const std::string& text);
