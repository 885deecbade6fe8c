#include "OnlineServices/Sendrix/MimeHeaderText.h"

#include <cstring>

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Bytes from 45 on of a UTF-8 text fill one encoded word of 72 characters.
constexpr size_t kWordBytes = 45;

bool IsPrintableAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::string Base64(const std::string& bytes) {
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 | (unsigned char)bytes[i + 2];
        out += kBase64[v >> 18];
        out += kBase64[v >> 12 & 63];
        out += kBase64[v >> 6 & 63];
        out += kBase64[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16;
        if (i + 1 < bytes.size()) v |= (unsigned char)bytes[i + 1] << 8;
        out += kBase64[v >> 18];
        out += kBase64[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kBase64[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

// The byte count of the piece from start that ends on a character boundary
// within at most limit bytes.
size_t WholeCharacters(const std::string& text, size_t start, size_t limit) {
    size_t end = start + limit < text.size() ? start + limit : text.size();
    // A continuation byte (10xxxxxx) may not begin the next piece.
    while (end > start && end < text.size() && ((unsigned char)text[end] & 0xC0) == 0x80) --end;
    return end > start ? end - start : (text.size() - start < limit ? text.size() - start : limit);
}

} // namespace

std::string EncodedHeaderText(const std::string& utf8) {
    if (IsPrintableAscii(utf8)) return utf8;
    std::string out;
    for (size_t start = 0; start < utf8.size();) {
        size_t length = WholeCharacters(utf8, start, kWordBytes);
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(utf8.substr(start, length)) + "?=";
        start += length;
    }
    return out;
}

std::string MimeParameter(const std::string& name, const std::string& utf8) {
    if (!IsPrintableAscii(utf8)) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string out = name + "*=UTF-8''";
        for (unsigned char c : utf8) {
            bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                         strchr("!#$&+-.^_`|~", c) != nullptr;
            if (plain && c != 0) {
                out += (char)c;
            } else {
                out += '%';
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
        }
        return out;
    }
    bool token = !utf8.empty();
    for (char c : utf8)
        if (c == ' ' || strchr("()<>@,;:\\\"/[]?=", c) != nullptr) token = false;
    if (token) return name + "=" + utf8;
    std::string quoted = name + "=\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
