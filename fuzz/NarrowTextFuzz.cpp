// Decodes the input as Windows-1252, UTF-8 and UTF-16LE. Each decoder must
// stay in bounds, and each must give back the same bytes when its text is
// encoded again.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "utility/AnsiCodePage.h"
#include "utility/BasicString.h"
#include "utility/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = (const char*)data;
    std::string bytes(text, size);

    std::wstring ansi = AnsiToWide(text, size);
    bool lossy = true;
    if (WideToAnsi(ansi.data(), ansi.size(), '?', &lossy) != bytes || lossy) abort();

    // The string class's narrow constructor stops at the first zero byte.
    CBasicString narrow(text, (int)std::min<size_t>(size, 1 << 20));
    size_t untilZero = size ? strnlen(text, size) : 0;
    if (narrow.GetLength() != (int)untilZero || wcsncmp(narrow.GetString(), ansi.c_str(), untilZero) != 0) abort();

    std::wstring utf8 = Utf8ToWide(text, size);
    if (WideToUtf8(utf8) != bytes) abort();

    std::wstring utf16 = Utf16LEToWide(data, size);
    std::vector<uint8_t> again = WideToUtf16LE(utf16.data(), utf16.size());
    if (again.size() != size / 2 * 2 || (size >= 2 && memcmp(again.data(), data, again.size()) != 0)) abort();
    if (Utf16UnitCount(utf16.data(), utf16.size()) != size / 2) abort();
    return 0;
}
