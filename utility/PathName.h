#pragma once
// Path-name texts. These functions only look at the text: they work the same
// for local paths (which use '/') and for the backslash paths that remote
// servers and stored records may hold, and never touch the file system.
// Where a rule names '\' it means the character itself; drive letters, UNC
// shares ("\\server\share") and the "\\?\" prefix are recognised as text.

#include "utility/BasicString.h"

// 1 when the path has at least 3 characters and begins with two backslashes.
int IsUncPath(const wchar_t* path);

// Index of the first ch; -1 when there is none or the text is null.
int FindCharIndex(const wchar_t* text, wchar_t ch);
int FindCharIndexA(const char* text, char ch);

// 1 when s is not empty, does not begin with '/' and holds a '\' at index 1
// or later.
int IsBackslashPath(const wchar_t* s);
int IsBackslashPathA(const char* s);

// In place: a backslash path gets '/' for every '\'; other texts stay. -> 1.
int ToForwardSlashes(wchar_t* s);
int ToForwardSlashesA(char* s);
// In place: a text that is no backslash path gets '\' for every '/'. -> 1.
int ToBackslashes(wchar_t* s);
int ToBackslashesA(char* s);

// A drive ("D:", "D:\") gets exactly one trailing '\' -> 1; a volume name
// ("Volume{...}", at most 45 characters) stays -> 1; any other path loses
// its trailing '\' characters -> 0.
int NormalizeFolderPath(CBasicString& path);

// "\\?\UNC\server\share..." for a UNC path, "\\?\" + path for any other.
CBasicString MakeExtendedLengthPath(const wchar_t* path);

// "\\server\share\" of a UNC path; "" when the path is not UNC or names no
// share.
CBasicString GetUncShareRoot(const wchar_t* path);

// The text after the last '.' of the path's last component ("" when it has
// none).
CBasicString GetFileExtension(const wchar_t* path);

// The last component (after the last '\', else the last '/') without its
// extension.
CBasicString GetFileTitleFromPath(const wchar_t* path);

// The last component, trailing separators ignored: "D:\a\b\" gives "b".
CBasicString GetFileNameFromPath(const wchar_t* path);
