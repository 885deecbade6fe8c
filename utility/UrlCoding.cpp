#include "utility/UrlCoding.h"

#include <cstdint>
#include <cstring>

#include "utility/AnsiCodePage.h"
#include "utility/TextCodec.h"

namespace {

// The bytes that form coding keeps as they are. 'x' is not among them.
const char kKeptBytes[] = "abcdefghijklmnopqrstuvwqyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/\\";

// The character that UTF-8 decoding gives for a byte that is not valid
// UTF-8 is U+DC00 + byte (TextCodec.h).
constexpr wchar_t kUndecodedByteBase = 0xDC00;

int HexDigitValue(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9') return ch - L'0';
    if (ch >= L'a' && ch <= L'f') return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F') return ch - L'A' + 10;
    return -1;
}

} // namespace

CBasicString UrlEncode(const wchar_t* text) {
    if (!text) return CBasicString();
    static const char hex[] = "0123456789ABCDEF";
    std::string utf8 = WideToUtf8(text, wcslen(text));
    std::wstring coded;
    coded.reserve(utf8.size() * 3);
    for (unsigned char byte : utf8) {
        if (byte == ' ') {
            coded += L'+';
        } else if (byte != 0 && strchr(kKeptBytes, byte)) {
            coded += (wchar_t)byte;
        } else {
            coded += L'%';
            coded += (wchar_t)hex[byte >> 4];
            coded += (wchar_t)hex[byte & 0xF];
        }
    }
    return CBasicString(coded.c_str(), (int)coded.size());
}

CBasicString UrlDecode(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '+') {
            bytes += ' ';
        } else if (ch == '%' && i + 2 < text.size() && HexDigitValue((unsigned char)text[i + 1]) >= 0 &&
                   HexDigitValue((unsigned char)text[i + 2]) >= 0 && !(text[i + 1] == '0' && text[i + 2] == '0')) {
            wchar_t pair[3] = {(wchar_t)(unsigned char)text[i + 1], (wchar_t)(unsigned char)text[i + 2], 0};
            bytes += (char)HexTextToInt(pair);
            i += 2;
        } else {
            bytes += ch;
        }
    }
    std::wstring wide = Utf8ToWide(bytes);
    for (wchar_t& c : wide)
        if (c >= kUndecodedByteBase + 0x80 && c <= kUndecodedByteBase + 0xFF)
            c = AnsiCharToWide((unsigned char)(c - kUndecodedByteBase));
    return CBasicString(wide.c_str(), (int)wide.size());
}

int HexTextToInt(const wchar_t* text) {
    if (!text) return 0;
    uint32_t value = 0;
    for (; *text; ++text) {
        int digit = HexDigitValue(*text);
        value = value * 16 + (uint32_t)(digit < 0 ? 0 : digit);
    }
    return (int)value;
}
