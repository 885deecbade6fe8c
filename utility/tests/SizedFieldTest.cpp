#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportCapture.h"
#include "utility/SizedField.h"

namespace {

using Bytes = std::vector<BYTE>;

class SizedFieldTest : public ReportCapture {};

TEST_F(SizedFieldTest, WritesLengthThenPayload) {
    struct Case {
        const wchar_t* text;
        Bytes expected;
    };
    const Case cases[] = {
        {L"", {0, 0, 0, 0}},
        {L"AB", {4, 0, 0, 0, 0x41, 0, 0x42, 0}},
        // A character beyond U+FFFF is a surrogate pair: two units, 4 bytes.
        {L"\U0001F600", {4, 0, 0, 0, 0x3D, 0xD8, 0x00, 0xDE}},
    };
    for (const Case& c : cases) {
        Bytes buffer(c.expected.size() + 2, 0xEE);
        int pos = 1;
        WriteSizedString(buffer.data(), c.text, pos);
        EXPECT_EQ(pos, 1 + (int)c.expected.size());
        EXPECT_EQ(Bytes(buffer.begin() + 1, buffer.begin() + pos), c.expected);
        EXPECT_EQ(buffer.back(), 0xEE);
    }

    Bytes buffer(16, 0);
    int pos = 0;
    WriteSizedBytes(buffer.data(), "\x01\x02\x03", 3, pos);
    WriteSizedBytes(buffer.data(), nullptr, 0, pos);
    EXPECT_EQ(pos, 11);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 11), (Bytes{3, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0}));

    pos = 0;
    WriteSizedString(buffer.data(), nullptr, pos);
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(SizedFieldTest, Utf8WriterChecksTheRoom) {
    Bytes buffer(9, 0xEE);
    unsigned pos = 1;
    EXPECT_EQ(WriteSizedUtf8String(buffer.data(), 8, L"\u00e9a", pos), 1);
    EXPECT_EQ(pos, 8u);
    EXPECT_EQ(Bytes(buffer.begin() + 1, buffer.begin() + 8), (Bytes{3, 0, 0, 0, 0xC3, 0xA9, 'a'}));

    // One byte short: nothing written.
    pos = 2;
    EXPECT_EQ(WriteSizedUtf8String(buffer.data(), 8, L"\u00e9a", pos), 0);
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(buffer[2], 0);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(WriteSizedUtf8String(buffer.data(), 8, nullptr, pos), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);

    CBasicString text;
    pos = 1;
    ReadSizedUtf8String(buffer.data(), 8, text, pos);
    EXPECT_STREQ(text.GetString(), L"\u00e9a");
    EXPECT_EQ(pos, 8u);
}

TEST_F(SizedFieldTest, ReadersRefuseFieldsThatDoNotFit) {
    // Three bytes: not even the length fits; pos stays.
    const Bytes tiny = {1, 0, 0};
    // The length says 10, only 6 bytes follow; pos moves behind the length.
    const Bytes shortPayload = {10, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0};
    // A negative length counts as a huge one.
    const Bytes negative = {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'};
    struct Case {
        const Bytes* buffer;
        unsigned posAfter;
    };
    const Case cases[] = {{&tiny, 0}, {&shortPayload, 4}, {&negative, 4}};
    for (const Case& c : cases) {
        const BYTE* src = c.buffer->data();
        unsigned size = (unsigned)c.buffer->size();
        m_log.Clear();

        unsigned pos = 0, length = 99;
        EXPECT_EQ(ReadSizedBytes(src, size, length, pos), nullptr);
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(pos, c.posAfter);

        CBasicString kept(L"kept");
        pos = 0;
        ReadSizedString(src, size, kept, pos, 1);
        EXPECT_STREQ(kept.GetString(), L"kept");
        EXPECT_EQ(pos, c.posAfter);
        pos = 0;
        ReadSizedUtf8String(src, size, kept, pos);
        EXPECT_STREQ(kept.GetString(), L"kept");

        std::wstring cleared = L"old";
        pos = 0;
        ReadSizedStdString(src, size, cleared, pos, 0);
        EXPECT_EQ(cleared, L"");
        EXPECT_EQ(pos, c.posAfter);
        EXPECT_EQ(AssertionLines().size(), 4u);
    }
}

TEST_F(SizedFieldTest, ReadsEachPayloadKind) {
    Bytes buffer(64, 0);
    int wpos = 0;
    WriteSizedString(buffer.data(), L"Wort \U0001F600", wpos);
    WriteSizedBytes(buffer.data(), "Caf\xE9", 4, wpos);
    WriteSizedBytes(buffer.data(), nullptr, 0, wpos);
    WriteSizedBytes(buffer.data(), "a\0b", 3, wpos);
    WriteSizedBytes(buffer.data(), "x\0y\0", 3, wpos);  // odd UTF-16 length
    unsigned size = (unsigned)wpos, pos = 0;

    CBasicString text;
    ReadSizedString(buffer.data(), size, text, pos, 1);
    EXPECT_STREQ(text.GetString(), L"Wort \U0001F600");
    const unsigned bytesField = pos;
    ReadSizedString(buffer.data(), size, text, pos, 0);
    EXPECT_STREQ(text.GetString(), L"Caf\u00e9");

    unsigned length = 99;
    unsigned before = pos;
    EXPECT_EQ(ReadSizedBytes(buffer.data(), size, length, pos), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(pos, before + 4);
    pos = before;
    text = L"old";
    ReadSizedString(buffer.data(), size, text, pos, 1);
    EXPECT_STREQ(text.GetString(), L"");
    EXPECT_EQ(pos, before + 4);

    // Text payloads end at their first zero unit; the field is still skipped whole.
    std::wstring stdText;
    ReadSizedStdString(buffer.data(), size, stdText, pos, 0);
    EXPECT_EQ(stdText, L"a");
    ReadSizedStdString(buffer.data(), size, stdText, pos, 1);
    EXPECT_EQ(stdText, std::wstring(L"x") + L"y");
    EXPECT_EQ(pos, size);

    pos = bytesField;
    BYTE* bytes = ReadSizedBytes(buffer.data(), size, length, pos);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(Bytes(bytes, bytes + length), (Bytes{'C', 'a', 'f', 0xE9}));
    delete[] bytes;
    EXPECT_TRUE(AssertionLines().empty());
}

} // namespace
