#include "OnlineServices/Sendrix/MimeBodyText.h"

#include <openssl/rand.h>

#include <random>

namespace {

constexpr size_t kEncodedLineLimit = 76;
const char kHex[] = "0123456789ABCDEF";

} // namespace

bool HasLineLongerThan(const std::string& text, size_t limit) {
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        size_t length = (end == std::string::npos ? text.size() : end) - start;
        if (length > limit) return true;
        if (end == std::string::npos) return false;
        start = end + 2;
    }
}

std::string QuotedPrintable(const std::string& text) {
    std::string out;
    size_t column = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        // Blanks at a line's end would be lost on the way: they are encoded.
        bool lineEnd = i + 1 == text.size() || (text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n');
        bool plain = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnd);
        size_t width = plain ? 1 : 3;
        // Room is kept for the soft break's "=".
        if (column + width > kEncodedLineLimit - 1) {
            out += "=\r\n";
            column = 0;
        }
        if (plain) {
            out += (char)c;
        } else {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        column += width;
    }
    return out;
}

std::string NewBoundary(const std::string& prefix, const std::string& text) {
    for (;;) {
        unsigned char bytes[16];
        if (RAND_bytes(bytes, sizeof bytes) != 1) {
            std::random_device device;
            for (unsigned char& b : bytes) b = (unsigned char)device();
        }
        std::string boundary = prefix;
        for (unsigned char b : bytes) {
            boundary += kHex[b >> 4];
            boundary += kHex[b & 15];
        }
        if (text.find(boundary) == std::string::npos) return boundary;
    }
}
