#pragma once
// Wide texts (paths, open modes) to the UTF-8 that the C library opens files
// with. The image library has its own converter because it uses no other
// library of the system.

#include <string>

// Converts a NUL-terminated wide text; characters that are not Unicode scalar
// values become U+FFFD. False for a null text.
bool KVXWideToUtf8(const wchar_t* text, std::string& utf8);
