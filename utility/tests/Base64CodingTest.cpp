#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/Base64Coding.h"

namespace {

class Base64CodingTest : public ReportCapture {
protected:
    std::string Encode(const std::string& data, int noLineBreaks) {
        std::vector<char> out((size_t)CBase64Coding::GetEncodedSize((long long)data.size(), noLineBreaks) + 1, '#');
        EXPECT_EQ(m_coder.Encode(data.data(), (int)data.size(), out.data(), noLineBreaks), 1);
        // The size helper is exact: the terminator is the last character it counts.
        EXPECT_EQ(out[out.size() - 2], '\0');
        EXPECT_EQ(out.back(), '#');
        return std::string(out.data());
    }

    std::string Decode(const std::string& text) {
        std::vector<char> out(CBase64Coding::GetMaxDecodedSize((unsigned)text.size()) + 1, '#');
        int length = -1;
        EXPECT_EQ(m_coder.Decode(text.data(), (unsigned)text.size(), out.data(), &length), 1);
        EXPECT_EQ(out[(size_t)length], '#');
        return std::string(out.data(), (size_t)length);
    }

    CBase64Coding m_coder;
};

TEST_F(Base64CodingTest, ShortVectors) {
    struct Case {
        std::string data;
        std::string text;
    };
    const Case cases[] = {
        {"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {std::string("\xFF\xFE\x00", 3), "//4A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.data, 0), c.text);
        EXPECT_EQ(Encode(c.data, 1), c.text);
        EXPECT_EQ(Decode(c.text), c.data);
    }
}

TEST_F(Base64CodingTest, BreaksLinesAfterSeventyTwoCharacters) {
    struct Case {
        size_t length;
        std::vector<size_t> lineLengths;  // text between CR LF pairs; the last may be empty
    };
    const Case cases[] = {
        {53, {72}},
        {54, {72, 0}},
        {55, {72, 4}},
        {57, {72, 4}},
        {108, {72, 72, 0}},
        {110, {72, 72, 4}},
    };
    for (const Case& c : cases) {
        std::string data(c.length, '\x5A');
        std::string text = Encode(data, 0);
        std::vector<size_t> lines;
        size_t start = 0, crlf;
        while ((crlf = text.find("\r\n", start)) != std::string::npos) {
            lines.push_back(crlf - start);
            start = crlf + 2;
        }
        lines.push_back(text.size() - start);
        EXPECT_EQ(lines, c.lineLengths) << c.length;
        EXPECT_EQ(Decode(text), data);
    }
}

TEST_F(Base64CodingTest, DecodingSkipsEverythingOutsideTheAlphabet) {
    EXPECT_EQ(Decode("YW\r\nJj"), "abc");
    EXPECT_EQ(Decode("YQ=="), "a");
    EXPECT_EQ(Decode("Y"), "");
    EXPECT_EQ(Decode("YWI"), "ab");
    EXPECT_EQ(Decode(" Y = W * J \t j !"), "abc");
    EXPECT_EQ(Decode(std::string("YW\0Jj", 5)), "abc");
    EXPECT_EQ(Decode(""), "");
    EXPECT_TRUE(AssertionLines().empty());

    char out[4];
    int length = 7;
    EXPECT_EQ(m_coder.Decode(nullptr, 4, out, &length), 0);
    EXPECT_EQ(m_coder.Decode("YQ==", 4, nullptr, &length), 0);
    EXPECT_EQ(m_coder.Decode("YQ==", 4, out, nullptr), 0);
    EXPECT_EQ(m_coder.Encode("a", 1, nullptr, 0), 0);
    EXPECT_EQ(AssertionLines().size(), 4u);
}

TEST_F(Base64CodingTest, MatchesOpenSslOnRandomData) {
    std::mt19937 random(20110305);
    for (int round = 0; round < 200; ++round) {
        size_t length = round < 100 ? (size_t)round : random() % 5000;
        std::string data(length, '\0');
        for (char& ch : data) ch = (char)random();

        std::vector<unsigned char> reference(4 * ((length + 2) / 3) + 1);
        int written = EVP_EncodeBlock(reference.data(), (const unsigned char*)data.data(), (int)length);
        std::string expected((const char*)reference.data(), (size_t)written);
        EXPECT_EQ(Encode(data, 1), expected) << length;

        // With line breaks the same text, CR LF after each 72 characters of it.
        std::string broken = Encode(data, 0), joined;
        for (size_t i = 0; i < broken.size(); ++i) {
            if (broken[i] == '\r') {
                EXPECT_EQ(joined.size() % 72, 0u);
                EXPECT_EQ(broken[i + 1], '\n');
                ++i;
            } else {
                joined += broken[i];
            }
        }
        EXPECT_EQ(joined, expected) << length;
        EXPECT_EQ(Decode(broken), data) << length;
    }
}

} // namespace
