#pragma once
// Unicode case mapping and white-space classification, the same for every
// part of the system (strings, the settings store, the database stand-in,
// the user interface). Characters are classified and mapped through one
// shared "C.UTF-8" locale, independent of the process locale, so that É
// and é compare equal everywhere while numbers and messages stay in the
// plain C conventions.

#include <cstddef>
#include <locale.h>

// The shared locale object (never freed). Falls back to the plain "C"
// locale where the system has no C.UTF-8 locale.
locale_t GetUnicodeLocale();

wchar_t ToUpperChar(wchar_t ch);
wchar_t ToLowerChar(wchar_t ch);
bool IsSpaceChar(wchar_t ch);

// Case-insensitive ordinal comparison: each character is folded to lower
// case before the code points are compared. Result < 0, 0 or > 0. Null is
// ordered as the empty text.
int CompareTextNoCase(const wchar_t* a, const wchar_t* b);
// The same over at most count characters.
int CompareTextNoCaseN(const wchar_t* a, const wchar_t* b, size_t count);
