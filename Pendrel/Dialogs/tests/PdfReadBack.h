#pragma once
// Reading back the PDF files that the printing tests print: the number of
// pages and the document's title, as Qt's PDF writer stores them.

#include <string>

namespace kvxdialogtest {

// The page objects ("/Type /Page", not the page tree "/Type /Pages").
inline int PdfPageCount(const std::string& pdf) {
    int pages = 0;
    const std::string key = "/Type /Page";
    for (size_t at = pdf.find(key); at != std::string::npos; at = pdf.find(key, at + key.size()))
        if (at + key.size() >= pdf.size() || pdf[at + key.size()] != 's') ++pages;
    return pages;
}

// The literal string after "/Title", unescaped; UTF-16BE (after FE FF)
// decoded to UTF-8 for the basic plane.
inline std::string PdfTitle(const std::string& pdf) {
    const size_t start = pdf.find("/Title (");
    if (start == std::string::npos) return "<none>";
    std::string raw;
    for (size_t i = start + 8; i < pdf.size() && pdf[i] != ')'; ++i) {
        if (pdf[i] != '\\' || i + 1 >= pdf.size()) {
            raw += pdf[i];
            continue;
        }
        const char next = pdf[++i];
        if (next >= '0' && next <= '7') {
            int value = 0;
            for (int digits = 0; digits < 3 && i < pdf.size() && pdf[i] >= '0' && pdf[i] <= '7'; ++digits, ++i)
                value = value * 8 + (pdf[i] - '0');
            --i;
            raw += static_cast<char>(value);
        } else {
            raw += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
        }
    }
    if (raw.size() < 2 || static_cast<unsigned char>(raw[0]) != 0xFE || static_cast<unsigned char>(raw[1]) != 0xFF)
        return raw;
    std::string text;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        const unsigned code = (static_cast<unsigned char>(raw[i]) << 8) | static_cast<unsigned char>(raw[i + 1]);
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

} // namespace kvxdialogtest
