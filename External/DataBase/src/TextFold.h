#pragma once
// The keys that texts are matched by: full Unicode case folding, so that
// "STRASSE" and "straße", "ΛΌΓΟΣ" and "λόγος" are one key.

#include <string>

// The folded key of a text (every character, NUL included; code units that
// are no Unicode scalar value stay as they are).
std::wstring FoldText(const std::wstring& text);
// The folded key of a terminated text; null gives "".
std::wstring FoldText(const wchar_t* text);
// The smallest text above every text that begins with prefix (a folded
// text); empty when there is none (prefix empty or all U+10FFFF).
std::wstring PrefixUpperBound(const std::wstring& prefix);
