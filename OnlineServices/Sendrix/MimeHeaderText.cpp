#include "OnlineServices/Sendrix/MimeHeaderText.h"

#include <cstring>

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Bytes from 45 on of a UTF-8 text fill one encoded word of 72 characters.
constexpr size_t kWordBytes = 45;
// A plain header value up to this length stays on one line (its name and
// the line end still fit the 998 characters a line may hold); a longer one
// is folded at blanks into lines of about 76 characters.
constexpr size_t kUnfoldedLimit = 900;
constexpr size_t kFoldedLine = 76;

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

namespace {

std::string EncodedWords(const std::string& utf8) {
    std::string out;
    for (size_t start = 0; start < utf8.size();) {
        size_t length = WholeCharacters(utf8, start, kWordBytes);
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(utf8.substr(start, length)) + "?=";
        start += length;
    }
    return out;
}

// Plain text folded before blanks into lines of about kFoldedLine
// characters; empty when a word alone would pass kUnfoldedLimit.
std::string FoldedAtBlanks(const std::string& text) {
    std::string out;
    size_t lineStart = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t blank = text.find(' ', start + 1);
        if (blank == std::string::npos) blank = text.size();
        if (blank - start > kUnfoldedLimit) return std::string();
        if (out.size() - lineStart + (blank - start) > kFoldedLine && start > 0 && text[start] == ' ') {
            out += "\r\n";
            lineStart = out.size();
        }
        out.append(text, start, blank - start);
        start = blank;
    }
    return out;
}

} // namespace

std::string EncodedHeaderText(const std::string& utf8) {
    if (IsPrintableAscii(utf8)) {
        if (utf8.size() <= kUnfoldedLimit) return utf8;
        std::string folded = FoldedAtBlanks(utf8);
        if (!folded.empty()) return folded;
    }
    return EncodedWords(utf8);
}

std::string FoldedList(const std::vector<std::string>& items) {
    std::string out;
    size_t lineStart = 0;
    for (const std::string& item : items) {
        if (!out.empty()) {
            out += ',';
            if (out.size() - lineStart + item.size() > kUnfoldedLimit) {
                out += "\r\n ";
                lineStart = out.size() - 1;
            }
        }
        out += item;
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
