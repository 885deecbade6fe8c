#include "utility/PathName.h"

#include <cstring>
#include <cwchar>

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
constexpr int kLineFileTitleEmpty = 611;

template <typename Char>
int FindIndex(const Char* text, Char ch) {
    if (!text) return -1;
    for (int i = 0; text[i]; ++i)
        if (text[i] == ch) return i;
    return -1;
}

template <typename Char>
int IsBackslash(const Char* s) {
    return s && s[0] && s[0] != '/' && FindIndex(s + 1, (Char)'\\') >= 0 ? 1 : 0;
}

template <typename Char>
void ReplaceAll(Char* s, Char from, Char to) {
    for (; *s; ++s)
        if (*s == from) *s = to;
}

template <typename Char>
int ForwardSlashes(Char* s) {
    if (IsBackslash(s)) ReplaceAll(s, (Char)'\\', (Char)'/');
    return 1;
}

template <typename Char>
int Backslashes(Char* s) {
    if (s && !IsBackslash(s)) ReplaceAll(s, (Char)'/', (Char)'\\');
    return 1;
}

int LastIndexOf(const wchar_t* text, int length, wchar_t ch) {
    for (int i = length - 1; i >= 0; --i)
        if (text[i] == ch) return i;
    return -1;
}

int TrimmedLength(const wchar_t* text, int length, wchar_t ch) {
    while (length > 0 && text[length - 1] == ch) --length;
    return length;
}

// Index where the last component of a path begins.
int LastComponentStart(const wchar_t* path, int length) {
    int slash = LastIndexOf(path, length, L'/');
    int backslash = LastIndexOf(path, length, L'\\');
    return (slash > backslash ? slash : backslash) + 1;
}

} // namespace

int IsUncPath(const wchar_t* path) {
    return path && wcslen(path) >= 3 && path[0] == L'\\' && path[1] == L'\\' ? 1 : 0;
}

int FindCharIndex(const wchar_t* text, wchar_t ch) { return FindIndex(text, ch); }
int FindCharIndexA(const char* text, char ch) { return FindIndex(text, ch); }

int IsBackslashPath(const wchar_t* s) { return IsBackslash(s); }
int IsBackslashPathA(const char* s) { return IsBackslash(s); }

int ToForwardSlashes(wchar_t* s) { return ForwardSlashes(s); }
int ToForwardSlashesA(char* s) { return ForwardSlashes(s); }
int ToBackslashes(wchar_t* s) { return Backslashes(s); }
int ToBackslashesA(char* s) { return Backslashes(s); }

int NormalizeFolderPath(CBasicString& path) {
    int length = path.GetLength();
    if (length >= 2 && (path.GetAt(length - 1) == L':' || path.GetAt(length - 2) == L':')) {
        if (path.GetAt(length - 1) != L'\\') path.AppendChar(L'\\');
        return 1;
    }
    if (length <= 45 && CompareTextNoCaseN(path.GetString(), L"volume{", 7) == 0) return 1;
    path.TrimRightChar(L'\\');
    return 0;
}

CBasicString MakeExtendedLengthPath(const wchar_t* path) {
    if (!path) path = L"";
    if (IsUncPath(path)) return CBasicString(L"\\\\?\\UNC\\") + (path + 2);
    return CBasicString(L"\\\\?\\") + path;
}

CBasicString GetUncShareRoot(const wchar_t* path) {
    if (!IsUncPath(path)) return CBasicString();
    const wchar_t* serverEnd = wcschr(path + 2, L'\\');
    if (!serverEnd) return CBasicString();
    const wchar_t* shareEnd = wcschr(serverEnd + 1, L'\\');
    if (!shareEnd) return CBasicString(path) + L'\\';
    return CBasicString(path, (int)(shareEnd - path) + 1);
}

CBasicString GetFileExtension(const wchar_t* path) {
    if (!path) return CBasicString();
    int length = (int)wcslen(path);
    int start = LastComponentStart(path, length);
    int dot = LastIndexOf(path + start, length - start, L'.');
    if (dot < 0) return CBasicString();
    return CBasicString(path + start + dot + 1);
}

CBasicString GetFileTitleFromPath(const wchar_t* path) {
    bool given = path && *path;
    ReportAssertion(given, kSourceFile, kLineFileTitleEmpty);
    if (!given) return CBasicString();
    int length = (int)wcslen(path);
    int separator = LastIndexOf(path, length, L'\\');
    if (separator < 0) separator = LastIndexOf(path, length, L'/');
    const wchar_t* name = path + separator + 1;
    int nameLength = length - separator - 1;
    int dot = LastIndexOf(name, nameLength, L'.');
    return CBasicString(name, dot < 0 ? nameLength : dot);
}

CBasicString GetFileNameFromPath(const wchar_t* path) {
    if (!path) return CBasicString();
    int length = (int)wcslen(path);
    wchar_t separator = L'\\';
    int trimmed = TrimmedLength(path, length, separator);
    if (LastIndexOf(path, trimmed, separator) < 0) {
        separator = L'/';
        trimmed = TrimmedLength(path, trimmed, separator);
    }
    int start = LastIndexOf(path, trimmed, separator) + 1;
    return CBasicString(path + start, trimmed - start);
}
