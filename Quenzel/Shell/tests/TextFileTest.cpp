#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Quenzel/App/TextFile.h"
#include "testing/TempFolder.h"
#include "utility/TextCodec.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

int TypeOf(const std::string& bytes) {
    return GetTextType(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

kvxtest::TempFolder& Folder() {
    static kvxtest::TempFolder folder;
    return folder;
}

std::wstring WritePath(const std::string& name, const std::string& content) {
    return Utf8ToWide(Folder().WriteFile(name, content));
}

} // namespace

TEST(TextType, TableOfSamples) {
    struct Case {
        const char* what;
        std::string bytes;
        int type;
    } cases[] = {
        {"UTF-16 big-endian mark", Bytes({0xFE, 0xFF, 0, 'a'}), TEXT_TYPE_UTF16_BE_BOM},
        {"UTF-16 little-endian mark", Bytes({0xFF, 0xFE, 'a', 0}), TEXT_TYPE_UTF16_LE_BOM},
        {"UTF-8 mark", Bytes({0xEF, 0xBB, 0xBF, 'a'}), TEXT_TYPE_UTF8_BOM},
        {"UTF-16 without mark", std::string("A\0B\0", 4), TEXT_TYPE_UTF16_LE},
        {"ASCII", "hello world\r\n", TEXT_TYPE_ASCII},
        {"two-byte UTF-8", "caf\xC3\xA9", TEXT_TYPE_UTF8},
        {"three-byte UTF-8 below U+1000 (Devanagari)", "\xE0\xA4\x85", TEXT_TYPE_UTF8},
        {"four-byte UTF-8", "smile \xF0\x9F\x98\x80", TEXT_TYPE_UTF8},
        {"sequence cut off at the end", "abc\xC3", TEXT_TYPE_UTF8},
        {"lone continuation byte", "abc\x80", TEXT_TYPE_ANSI},
        {"Windows-1252 e acute", "caf\xE9 au lait", TEXT_TYPE_ANSI},
        {"overlong two-byte form", "\xC0\xAF", TEXT_TYPE_ANSI},
        {"overlong four-byte form", "\xF0\x8F\xBF\xBF", TEXT_TYPE_ANSI},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", TEXT_TYPE_ANSI},
        {"UTF-16 surrogate in UTF-8", "\xED\xA0\x80", TEXT_TYPE_ANSI},
        {"zero byte after text", std::string("ab\0c", 4), TEXT_TYPE_ANSI},
    };
    for (const Case& c : cases) EXPECT_EQ(TypeOf(c.bytes), c.type) << c.what;
    EXPECT_EQ(GetTextType(nullptr, 0), TEXT_TYPE_EMPTY);
}

TEST(TextType, FilesAreJudgedByTheirFirst128KiB) {
    EXPECT_EQ(GetFileTextType(WritePath("empty.txt", "").c_str()), TEXT_TYPE_EMPTY);
    EXPECT_EQ(GetFileTextType(L"/no/such/file.txt"), TEXT_TYPE_EMPTY);
    std::string ascii(kTextTypeSample, 'a');
    EXPECT_EQ(GetFileTextType(WritePath("late.txt", ascii + "\xFF").c_str()), TEXT_TYPE_ASCII);
    ascii[kTextTypeSample - 1] = '\xFF';
    EXPECT_EQ(GetFileTextType(WritePath("inside.txt", ascii).c_str()), TEXT_TYPE_ANSI);
}

TEST(TextType, DecodesEachTypeWithoutItsMark) {
    const std::string be = Bytes({0xFE, 0xFF, 0x00, 0xFC, 0xD8, 0x3D, 0xDE, 0x00});
    EXPECT_EQ(DecodeText(reinterpret_cast<const unsigned char*>(be.data()), be.size(), TEXT_TYPE_UTF16_BE_BOM),
              std::wstring(L"\u00FC\U0001F600"));
    const std::string le = Bytes({0xFF, 0xFE, 'h', 0, 'i', 0});
    EXPECT_EQ(DecodeText(reinterpret_cast<const unsigned char*>(le.data()), le.size(), TEXT_TYPE_UTF16_LE_BOM),
              L"hi");
    const std::string utf8 = "\xEF\xBB\xBF\xC3\xBC";
    EXPECT_EQ(DecodeText(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), TEXT_TYPE_UTF8_BOM),
              L"\u00FC");
    const std::string ansi = "\x80\xE9";
    EXPECT_EQ(DecodeText(reinterpret_cast<const unsigned char*>(ansi.data()), ansi.size(), TEXT_TYPE_ANSI),
              L"\u20AC\u00E9");
}

TEST(TextFileReadLine, LongLinesLineEndsAndTheLastLine) {
    const std::string longLine(100, 'x');
    const std::wstring path =
        WritePath("lines.txt", "\xEF\xBB\xBFword\tmeaning\n" + longLine + "\r\nunix line\n\nlast " + longLine);
    CTextFile file;
    ASSERT_EQ(file.Open(path.c_str(), L"r"), 0);
    std::string line;
    const std::vector<std::string> expected = {"\xEF\xBB\xBFword\tmeaning", longLine, "unix line", "",
                                               "last " + longLine};
    for (const std::string& want : expected) {
        ASSERT_EQ(file.ReadLine(line), 0);
        EXPECT_EQ(line, want);
    }
    EXPECT_EQ(file.ReadLine(line), -8);
    EXPECT_TRUE(line.empty());
}

TEST(TextFileReadLine, WithoutAFileAndAfterAFailedOpen) {
    CTextFile file;
    std::string line = "old";
    EXPECT_EQ(file.ReadLine(line), -1);
    EXPECT_TRUE(line.empty());
    EXPECT_EQ(file.Open(L"/no/such/folder/list.txt", L"r"), -1);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Open(nullptr, L"r"), -1);
}
