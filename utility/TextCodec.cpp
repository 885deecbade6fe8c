#include "utility/TextCodec.h"

namespace {

constexpr uint32_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF stand for the bytes 0x80..0xFF
constexpr uint32_t kReplacement = 0xFFFD;

inline bool IsSurrogate(uint32_t cp) { return cp >= 0xD800 && cp <= 0xDFFF; }

// Length of the valid UTF-8 sequence at text[i] and its code point; 0 when
// the bytes there do not form one.
size_t DecodeUtf8Sequence(const unsigned char* s, size_t avail, uint32_t& cp) {
    unsigned char c = s[0];
    size_t need;
    uint32_t min;
    if (c < 0x80) { cp = c; return 1; }
    if (c >= 0xC2 && c <= 0xDF) { need = 2; cp = c & 0x1F; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { need = 3; cp = c & 0x0F; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { need = 4; cp = c & 0x07; min = 0x10000; }
    else return 0;
    if (avail < need) return 0;
    for (size_t k = 1; k < need; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || IsSurrogate(cp)) return 0;
    return need;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back((char)cp);
    } else if (cp < 0x800) {
        out.push_back((char)(0xC0 | (cp >> 6)));
        out.push_back((char)(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back((char)(0xE0 | (cp >> 12)));
        out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back((char)(0x80 | (cp & 0x3F)));
    } else {
        out.push_back((char)(0xF0 | (cp >> 18)));
        out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back((char)(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::wstring Utf8ToWide(const char* text, size_t length) {
    std::wstring out;
    if (!text) return out;
    out.reserve(length);
    const unsigned char* s = (const unsigned char*)text;
    for (size_t i = 0; i < length;) {
        uint32_t cp;
        size_t n = DecodeUtf8Sequence(s + i, length - i, cp);
        if (n == 0) {
            out.push_back((wchar_t)(kEscapeBase + s[i]));
            ++i;
        } else {
            out.push_back((wchar_t)cp);
            i += n;
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) { return Utf8ToWide(text.data(), text.size()); }

std::string WideToUtf8(const wchar_t* text, size_t length) {
    std::string out;
    if (!text) return out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t cp = (uint32_t)text[i];
        if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) out.push_back((char)(cp - kEscapeBase));
        else if (IsSurrogate(cp) || cp > 0x10FFFF) AppendUtf8(out, kReplacement);
        else AppendUtf8(out, cp);
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToUtf8(text.data(), text.size()); }

size_t Utf16UnitCount(const wchar_t* text, size_t length) {
    size_t units = 0;
    for (size_t i = 0; text && i < length; ++i) {
        uint32_t cp = (uint32_t)text[i];
        units += (cp >= 0x10000 && cp <= 0x10FFFF) ? 2 : 1;
    }
    return units;
}

void AppendUtf16LE(std::vector<uint8_t>& out, const wchar_t* text, size_t length) {
    if (!text) return;
    // Sized once and filled in place: the log encodes every entry here.
    size_t start = out.size();
    out.resize(start + 2 * Utf16UnitCount(text, length));
    uint8_t* p = out.data() + start;
    auto put = [&p](uint32_t unit) {
        *p++ = (uint8_t)(unit & 0xFF);
        *p++ = (uint8_t)(unit >> 8);
    };
    for (size_t i = 0; i < length; ++i) {
        uint32_t cp = (uint32_t)text[i];
        if (cp < 0x10000) {
            put(cp);
        } else if (cp <= 0x10FFFF) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(kReplacement);
        }
    }
}

std::vector<uint8_t> WideToUtf16LE(const wchar_t* text, size_t length) {
    std::vector<uint8_t> out;
    AppendUtf16LE(out, text, length);
    return out;
}

std::wstring Utf16LEToWide(const uint8_t* bytes, size_t byteCount) {
    std::wstring out;
    if (!bytes) return out;
    size_t units = byteCount / 2;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        uint32_t unit = bytes[2 * i] | (uint32_t)bytes[2 * i + 1] << 8;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            uint32_t next = bytes[2 * i + 2] | (uint32_t)bytes[2 * i + 3] << 8;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                out.push_back((wchar_t)(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00)));
                ++i;
                continue;
            }
        }
        out.push_back((wchar_t)unit);
    }
    return out;
}
