#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "Pendrel/Core/BasicIniFile.h"
#include "Pendrel/Core/tests/LogTestSupport.h"
#include "testing/TempFolder.h"
#include "utility/tests/ReportCapture.h"

namespace {

class BasicIniFileTest : public ReportCapture {
protected:
    int LoadText(CBasicIniFile& table, const std::string& text) {
        return table.Load(kvxtest::Widen(m_folder.WriteFile("LogDef.ini", text)).c_str());
    }

    kvxtest::TempFolder m_folder;
};

struct LineCase {
    const char* name;
    std::string text;
    const wchar_t* section;
    int code;
    bool defined;
    std::wstring message;
    int level;
    int stringId;
    std::vector<int> assertionLines;
};

TEST_F(BasicIniFileTest, LinesDefineEventsByTheirFirstMarker) {
    const LineCase cases[] = {
        {"entry with level and string id", "[ONLINE]\n12:E=Cannot connect to %s#31200\n", L"ONLINE", 12, true,
         L"Cannot connect to %s", 1, 31200, {}},
        {"entry without '#' has no string id", "[S]\n5:W=Text\n", L"S", 5, true, L"Text", 2, 0, {}},
        {"unknown level letter", "[S]\n5:X=Text\n", L"S", 5, true, L"Text", 6, 0, {290}},
        {"level letter in lower case", "[S]\n5:q=Text\n", L"S", 5, true, L"Text", 3, 0, {}},
        {"no letter after ':'", "[S]\n5:=Text\n", L"S", 5, true, L"Text", 6, 0, {290}},
        {"key without ':' is the code", "[S]\nx=y;z\n", L"S", 0, true, L"y;z", 6, 0, {299}},
        {"';' before '=' makes a comment", "[S]\na;b=c\n1:I=keep\n", L"S", 0, false, L"", 6, 0, {}},
        {"message keeps spaces and '='", "[S]\n7:I=  a = b  #5\n", L"S", 7, true, L"  a = b  ", 0, 5, {}},
        {"CR LF line ends", "[S]\r\n9:D=msg\r\n", L"S", 9, true, L"msg", 4, 0, {}},
        {"header without ']' keeps the section", "[S]\n[ONLINE\n3:F=x\n", L"S", 3, true, L"x", 5, 0, {}},
        {"entries before any header", "3:U=x\n[S]\n", L"", 3, true, L"x", 6, 0, {}},
        {"first of two equal keys stays", "[S]\n4:I=first\n4:E=second\n", L"S", 4, true, L"first", 0, 0, {155}},
        {"blank and sign before the code", "[S]\n -12:E=neg\n", L"S", -12, true, L"neg", 1, 0, {}},
        {"section name up to the last ']'", "[ A]b ]\n1:I=x\n", L" A]b ", 1, true, L"x", 0, 0, {}},
        {"message ends at the first '#'", "[S]\n1:I=a#2#3\n", L"S", 1, true, L"a", 0, 2, {}},
        {"string id without digits", "[S]\n2:I=b#x\n", L"S", 2, true, L"b", 0, 0, {}},
        {"empty lines and unmarked lines skipped", "\n\n[S]\nno markers\n\n1:I=x\n", L"S", 1, true, L"x", 0, 0, {}},
        {"sections keep equal codes apart", "[A]\n1:I=a\n[B]\n1:E=b\n", L"B", 1, true, L"b", 1, 0, {}},
        {"code beyond the range of an int", "[S]\n99999999999:I=big\n", L"S", INT_MAX, true, L"big", 0, 0, {}},
        {"non-ASCII bytes of a message", "[S]\n1:I=caf\xE9 \x80\n", L"S", 1, true, L"caf\u00E9 \u20AC", 0, 0, {}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_log.Clear();
        CBasicIniFile table;
        ASSERT_EQ(LoadText(table, c.text), 0);
        LOG_ICON_TYPE level = LOG_ICON_NONE;
        int stringId = 0;
        std::wstring message = table.Lookup(c.code, c.section, level, stringId);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(level, c.defined ? c.level : 6);
        EXPECT_EQ(stringId, c.stringId);
        EXPECT_EQ(AssertionLines(), c.assertionLines);
    }
}

TEST_F(BasicIniFileTest, FilesWithoutEntriesOrWithUnprintableLinesFailToLoad) {
    const struct {
        const char* name;
        std::string text;
        int result;
    } cases[] = {
        {"one entry", "[S]\n1:I=x\n", 0},
        {"comments and sections only", "; events\n[S]\n[T]\n", -1},
        {"empty file", "", -1},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\n1:I=x\n", -1},
        {"UTF-16 text", kvxtest::ByteOrderMark() + kvxtest::Utf16(L"[S]\n1:I=x\n"), -1},
        {"tab-indented line after entries", "[S]\n1:I=x\n\t2:I=y\n", -1},
        {"control character first", "[S]\n\x01" "1:I=x\n", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CBasicIniFile table;
        EXPECT_EQ(LoadText(table, c.text), c.result);
    }
    CBasicIniFile missing;
    m_log.Clear();
    EXPECT_EQ(missing.Load(m_folder.WSub("none.ini").c_str()), -1);
    EXPECT_EQ(AssertionLines(), std::vector<int>{110});
    EXPECT_EQ(missing.GetDefinitionPath().Compare(m_folder.WSub("none.ini").c_str()), 0);
}

TEST_F(BasicIniFileTest, LoadsByItsPathWithoutChangingTheWorkingFolder) {
    std::filesystem::create_directories(m_folder.Sub("D\xC3\xA9" "fs"));
    m_folder.WriteFile("D\xC3\xA9" "fs/LogDef.ini", "[S]\n1:I=x\n");
    std::string before = std::filesystem::current_path();
    CBasicIniFile table;
    EXPECT_EQ(table.Load(m_folder.WSub("D\xC3\xA9" "fs/LogDef.ini").c_str()), 0);
    EXPECT_EQ(std::string(std::filesystem::current_path()), before);
    EXPECT_EQ(table.GetEntryCount(), 1);
}

TEST_F(BasicIniFileTest, LookupOfAMissingEventLeavesTheOutValues) {
    CBasicIniFile table;
    ASSERT_EQ(LoadText(table, "[S]\n1:E=x#7\n"), 0);
    LOG_ICON_TYPE level = LOG_ICON_QUESTION;
    int stringId = 42;
    EXPECT_STREQ(table.Lookup(2, L"S", level, stringId), L"");
    EXPECT_STREQ(table.Lookup(1, L"s", level, stringId), L"");
    EXPECT_EQ(level, LOG_ICON_QUESTION);
    EXPECT_EQ(stringId, 42);
    EXPECT_TRUE(AssertionLines().empty());

    EXPECT_STREQ(table.Lookup(1, nullptr, level, stringId), L"");
    EXPECT_EQ(AssertionLines(), std::vector<int>{120});
    EXPECT_EQ(stringId, 42);
}

} // namespace
