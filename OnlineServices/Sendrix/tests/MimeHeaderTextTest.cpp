#include "OnlineServices/Sendrix/MimeHeaderText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MimeHeaderTextTest, ParametersAsTokensQuotedOrExtended) {
    const std::pair<std::string, std::string> cases[] = {
        {"notes.txt", "filename=notes.txt"},
        {"photo data;x.bin", "filename=\"photo data;x.bin\""},
        {"say \"hi\"\\.txt", "filename=\"say \\\"hi\\\"\\\\.txt\""},
        {"\xC3\x9C" "bung.pdf", "filename*=UTF-8''%C3%9Cbung.pdf"},
        {"a b\xC3\xA9;c", "filename*=UTF-8''a%20b%C3%A9%3Bc"},
        {"", "filename=\"\""},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(MimeParameter("filename", value), expected) << value;
}

TEST(MimeHeaderTextTest, HeaderTextBeyondAsciiBecomesEncodedWords) {
    EXPECT_EQ(EncodedHeaderText("Plain subject"), "Plain subject");
    EXPECT_EQ(EncodedHeaderText("Gr\xC3\xBC\xC3\x9F" "e"), "=?UTF-8?B?R3LDvMOfZQ==?=");
    // A long text: words of at most 75 characters on folded lines, each
    // word holding whole characters.
    std::string text;
    for (int i = 0; i < 40; ++i) text += "\xC3\xBC";  // 80 bytes of two-byte characters
    std::string encoded = EncodedHeaderText(text);
    size_t words = 0;
    for (size_t start = 0; start <= encoded.size();) {
        ++words;
        size_t end = encoded.find("\r\n ", start);
        std::string word = encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
        EXPECT_LE(word.size(), 75u);
        EXPECT_EQ(word.rfind("=?UTF-8?B?", 0), 0u);
        if (end == std::string::npos) break;
        start = end + 3;
    }
    EXPECT_EQ(words, 2u);
    EXPECT_EQ(EncodedHeaderText(std::string("tab\there")), "=?UTF-8?B?dGFiCWhlcmU=?=");
}

} // namespace
