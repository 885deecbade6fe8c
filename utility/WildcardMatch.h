#pragma once
// Matching a name against a search pattern the way Windows file searches
// do: '*' stands for any run of characters, '?' for any one character, and
// letters match without regard to ASCII case. "*.*" matches every name, and
// a pattern that ends in ".*" also matches the name without the dot ("x.*"
// matches "x").

// Whether name matches pattern; each is a text of the given length.
bool MatchesWildcard(const wchar_t* pattern, int patternLength, const wchar_t* name, int nameLength);

// Whether the text holds '*' or '?'.
bool HasWildcard(const wchar_t* text);
