#pragma once
// URL form coding and hexadecimal text.

#include <string>

#include "utility/BasicString.h"

// The text as UTF-8 in form coding: a blank becomes '+', letters (but not
// 'x'), digits, '/' and '\' stay, every other byte becomes '%' and two
// upper-case hexadecimal digits.
CBasicString UrlEncode(const wchar_t* text);

// The reverse: '+' is a blank, "%41" the byte 0x41. The bytes are read as
// UTF-8 ("%C3%A9" is one character); a byte that is not part of valid UTF-8
// is read as Windows-1252. A '%' not followed by two hexadecimal digits
// stays as it is, and so does "%00": a NUL would end the text there.
CBasicString UrlDecode(const std::string& text);

// The value of a text of hexadecimal digits (either case), in 32 bits; a
// character that is no digit counts as 0; null or "" give 0.
int HexTextToInt(const wchar_t* text);
