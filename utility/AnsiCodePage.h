#pragma once
// The system's narrow ("ANSI") code page: Windows-1252, in both directions.
// Text that the system reads from its own files and narrow texts handed to
// the string class go through here. The five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of
// the same value, so every byte sequence converts to wide text and back
// unchanged.

#include <cstddef>
#include <string>

// The character of one byte.
wchar_t AnsiCharToWide(unsigned char byte);

// The byte of one character, or -1 when the code page has none for it.
int WideCharToAnsi(wchar_t ch);

// Converts length bytes (embedded zero bytes included).
std::wstring AnsiToWide(const char* text, size_t length);

// Converts length characters; a character without a byte becomes
// replacement, and *lossy (when given) tells whether that happened.
std::string WideToAnsi(const wchar_t* text, size_t length, char replacement = '?', bool* lossy = nullptr);
