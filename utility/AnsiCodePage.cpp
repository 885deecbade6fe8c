#include "utility/AnsiCodePage.h"

#include <cstdint>

namespace {

// Characters of the bytes 0x80 to 0x9F; the rest of the code page is the
// identity (0x00-0x7F ASCII, 0xA0-0xFF Latin-1).
const char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

} // namespace

wchar_t AnsiCharToWide(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return (wchar_t)kHighControls[byte - 0x80];
    return (wchar_t)byte;
}

int WideCharToAnsi(wchar_t ch) {
    uint32_t cp = (uint32_t)ch;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return (int)cp;
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == cp) return 0x80 + i;
    return -1;
}

std::wstring AnsiToWide(const char* text, size_t length) {
    std::wstring out;
    if (!text) return out;
    out.resize(length);
    for (size_t i = 0; i < length; ++i) out[i] = AnsiCharToWide((unsigned char)text[i]);
    return out;
}

std::string WideToAnsi(const wchar_t* text, size_t length, char replacement, bool* lossy) {
    std::string out;
    bool lost = false;
    if (text) {
        out.resize(length);
        for (size_t i = 0; i < length; ++i) {
            int byte = WideCharToAnsi(text[i]);
            if (byte < 0) {
                lost = true;
                out[i] = replacement;
            } else {
                out[i] = (char)byte;
            }
        }
    }
    if (lossy) *lossy = lost;
    return out;
}
