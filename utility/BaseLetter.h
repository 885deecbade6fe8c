#pragma once
// Base letters of accented characters, as the unique file names replace
// them: a character goes to the narrow code page (Windows-1252) and back in
// decomposed form, and the first character of the result counts.

// The character itself for ASCII; for any other the first character of the
// decomposition of its Windows-1252 form ("\u00E9" gives 'e', "\u00DF"
// stays), or '?' for a character that Windows-1252 does not hold.
wchar_t GetBaseLetter(wchar_t ch);
