#pragma once
// Explicit text encodings besides the narrow code page (AnsiCodePage.h):
//
// - UTF-8, for text from Linux itself (file names, the environment, system
//   and library messages). Decoding never fails: a byte that does not start
//   or continue a valid sequence becomes the character U+DC80 + (byte -
//   0x80), a lone low surrogate that no valid text holds, and encoding turns
//   those characters back into the same byte. So any file name read from the
//   system converts to wide text and back unchanged. Other surrogates and
//   values beyond U+10FFFF encode as U+FFFD.
//
// - UTF-16LE, for every stored or transmitted format that holds UTF-16.
//   Characters beyond U+FFFF become surrogate pairs; a pair read back joins
//   into one character; lone surrogates are kept as they are; values beyond
//   U+10FFFF encode as U+FFFD. Lengths of such fields count UTF-16 units.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

std::wstring Utf8ToWide(const char* text, size_t length);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const wchar_t* text, size_t length);
std::string WideToUtf8(const std::wstring& text);

// Number of UTF-16 units that length characters take.
size_t Utf16UnitCount(const wchar_t* text, size_t length);

// Appends the UTF-16LE bytes of length characters to out.
void AppendUtf16LE(std::vector<uint8_t>& out, const wchar_t* text, size_t length);
std::vector<uint8_t> WideToUtf16LE(const wchar_t* text, size_t length);

// Decodes byteCount bytes of UTF-16LE; an odd last byte is ignored.
std::wstring Utf16LEToWide(const uint8_t* bytes, size_t byteCount);
