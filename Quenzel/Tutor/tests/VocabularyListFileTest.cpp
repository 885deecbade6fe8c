#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "Quenzel/Tutor/VocabularyListFile.h"
#include "Quenzel/Shell/tests/QuenzelAppFixture.h"
#include "TutorTestData.h"
#include "compat/WinUser.h"

using namespace tutortest;

namespace {

using ListFileTest = QuenzelAppFixture;

// A progress that stops after the given number of rows.
ListFileProgress StopAfter(int rows, int& asked) {
    ListFileProgress progress;
    progress.isRunning = [rows, &asked] { return asked++ < rows; };
    return progress;
}

std::string Utf16LE(const std::wstring& text, bool mark) {
    std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
    for (wchar_t ch : text) {
        bytes += static_cast<char>(ch & 0xFF);
        bytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return bytes;
}

std::string Utf16BE(const std::wstring& text) {
    std::string bytes("\xFE\xFF", 2);
    for (wchar_t ch : text) {
        bytes += static_cast<char>((ch >> 8) & 0xFF);
        bytes += static_cast<char>(ch & 0xFF);
    }
    return bytes;
}

Pairs RowPairs(const std::vector<GridRow>& rows) {
    Pairs pairs;
    for (const GridRow& row : rows) pairs.emplace_back(row.word.m_text.GetString(), row.meaning.m_text.GetString());
    return pairs;
}

} // namespace

TEST(ListFileLines, SplitRules) {
    struct Case {
        const char* line;
        int kind;
        int result;
        std::wstring word, meaning, type;
    };
    const Case cases[] = {
        {"w\ta\tb", LIST_FILE_TAB, 1, L"w", L"ab", L""},
        {"w\ta\t\tb", LIST_FILE_TAB, 1, L"w", L"a\tb", L""},
        {"  house \t \"Haus\" ", LIST_FILE_TAB, 1, L"house", L"Haus", L""},
        {"no separator", LIST_FILE_TAB, 0, L"", L"", L""},
        {"w\t", LIST_FILE_TAB, 0, L"w", L"", L""},
        {"\"a, b\",c,Noun", LIST_FILE_COMMA, 1, L"a, b", L"c", L"Noun"},
        {"\"say \"\"hi\"\"\",greet", LIST_FILE_COMMA, 1, L"say \"hi\"", L"greet", L""},
        {"\"\"\"quoted\"\"\",x", LIST_FILE_COMMA, 1, L"\"quoted\"", L"x", L""},
        {" \"loose\" , x ", LIST_FILE_COMMA, 1, L"loose", L"x", L""},
        {"Stra\xC3\x9F" "e,street", LIST_FILE_COMMA, 1, L"Stra\u00DFe", L"street", L""},
        {"only", LIST_FILE_COMMA, 0, L"only", L"", L""},
        {",meaning", LIST_FILE_COMMA, 0, L"", L"meaning", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ImportedPair pair;
        EXPECT_EQ(SplitImportLine(c.line, c.kind, pair), c.result);
        EXPECT_EQ(pair.word, c.word);
        EXPECT_EQ(pair.meaning, c.meaning);
        EXPECT_EQ(pair.type, c.type);
    }
}

TEST(ListFileLines, LineEnds) {
    EXPECT_EQ(SplitImportText("a\r\nb\nc", LIST_FILE_TAB), (std::vector<std::string>{"a", "b", "c"}));
    // A quoted comma field runs over its line end.
    EXPECT_EQ(SplitImportText("\"two\r\nlines\",x\r\ny,z\r\n", LIST_FILE_COMMA),
              (std::vector<std::string>{"\"two\nlines\",x", "y,z"}));
}

TEST_F(ListFileTest, ImportReadsEveryEncodingTheDetectionKnows) {
    const std::wstring text = L"Stra\u00DFe\tstreet\r\n\u00E9t\u00E9\tsummer\r\n";
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::string utf8 = "Stra\xC3\x9F" "e\tstreet\r\n\xC3\xA9t\xC3\xA9\tsummer\r\n";
    const Case cases[] = {
        {"utf-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"utf-8", utf8},
        {"utf-16 le with mark", Utf16LE(text, true)},
        {"utf-16 le", Utf16LE(text, false)},
        {"utf-16 be with mark", Utf16BE(text)},
        {"ansi", "Stra\xDF" "e\tstreet\r\n\xE9t\xE9\tsummer\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_data.WriteFile("list.txt", c.bytes);
        std::vector<GridRow> rows;
        ASSERT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_TAB, {}, rows), 1);
        EXPECT_EQ(RowPairs(rows), (Pairs{{L"Stra\u00DFe", L"street"}, {L"\u00E9t\u00E9", L"summer"}}));
    }
    // ASCII only, a plain file.
    const std::string path = m_data.WriteFile("plain.csv", "dog,Hund,Noun\r\n\r\ncat,Katze,unknown type\r\n");
    std::vector<GridRow> rows;
    ASSERT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_COMMA, {}, rows), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(rows[0].word.m_secondText.GetString(), L"dog");
    EXPECT_TRUE(rows[0].IsStatusB());
    EXPECT_EQ(rows[0].statusChanged, 1);
    EXPECT_NE(rows[0].typeId, rows[1].typeId) << "Noun names a type of its own";
}

TEST_F(ListFileTest, ExportThenImportGivesTheSamePairs) {
    const auto [from, to] = TwoLanguages(m_app.GetDataBase());
    const Pairs pairs = {{L"tab\there", L"mean\ting"},       {L"a, comma", L"x,y"},
                         {L"say \"hi\"", L"\"quoted\""},      {L"\u00FCber", L"\u00FCber\u00DF \u4E2D\u6587"},
                         {L"two\nlines", L"line"},           {L"plain", L"text"}};
    const int64_t list = StoreList(m_app.GetDataBase(), L"Round trip", from, to, pairs);
    const std::string path = m_data.Sub("out.csv");
    WorkerResult end;
    ASSERT_EQ(ExportVocabularyList(m_app.GetDataBase(), list, kvxtest::Widen(path).c_str(), LIST_FILE_COMMA, {}, end),
              1);
    EXPECT_EQ(end.text.GetString(), Text(31144, kvxtest::Widen(path).c_str()));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONINFORMATION));
    const std::string written = kvxtest::TempFolder::ReadFile(path);
    ASSERT_GE(written.size(), 3u);
    EXPECT_NE(written.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<GridRow> rows;
    ASSERT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_COMMA, {}, rows), 1);
    EXPECT_EQ(RowPairs(rows), ListPairs(m_app.GetDataBase(), list));

    // A tab file keeps the tabs of the meanings.
    const Pairs tabPairs = {{L"w", L"a\tb"}, {L"\u00E9t\u00E9", L"summer"}};
    const int64_t tabList = StoreList(m_app.GetDataBase(), L"Tabs", from, to, tabPairs);
    const std::string tabPath = m_data.Sub("out.txt");
    ASSERT_EQ(ExportVocabularyList(m_app.GetDataBase(), tabList, kvxtest::Widen(tabPath).c_str(), LIST_FILE_TAB, {},
                                   end),
              1);
    rows.clear();
    ASSERT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(tabPath).c_str(), LIST_FILE_TAB, {}, rows), 1);
    EXPECT_EQ(RowPairs(rows), ListPairs(m_app.GetDataBase(), tabList));
}

TEST_F(ListFileTest, ExportReplacesTheFileAndTellsFailuresAndCancels) {
    const auto [from, to] = TwoLanguages(m_app.GetDataBase());
    const int64_t list = StoreList(m_app.GetDataBase(), L"Short", from, to, {{L"a", L"b"}});
    const std::string path = m_data.WriteFile("old.txt", std::string(500, 'x').append("\r\n"));
    const std::wstring wide = kvxtest::Widen(path);
    WorkerResult end;
    ASSERT_EQ(ExportVocabularyList(m_app.GetDataBase(), list, wide.c_str(), LIST_FILE_TAB, {}, end), 1);
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(path), "a\tb\r\n");

    // A list without words: failure, and the file stays as it was.
    const int64_t empty = StoreList(m_app.GetDataBase(), L"Empty", from, to, {});
    EXPECT_EQ(ExportVocabularyList(m_app.GetDataBase(), empty, wide.c_str(), LIST_FILE_TAB, {}, end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31143, wide.c_str()));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(path), "a\tb\r\n");
    // An unknown kind and a folder that does not exist.
    EXPECT_EQ(ExportVocabularyList(m_app.GetDataBase(), list, wide.c_str(), 7, {}, end), 0);
    const std::wstring missing = kvxtest::Widen(m_data.Sub("no/such/folder/x.txt"));
    EXPECT_EQ(ExportVocabularyList(m_app.GetDataBase(), list, missing.c_str(), LIST_FILE_TAB, {}, end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31143, missing.c_str()));

    // A cancel after the first rows writes those rows and says so; a cancel
    // before the first row is a failure.
    Pairs many;
    for (int i = 0; i < 10000; ++i) many.emplace_back(L"w" + std::to_wstring(i), L"m" + std::to_wstring(i));
    const int64_t big = StoreList(m_app.GetDataBase(), L"Big", from, to, many);
    int asked = 0;
    EXPECT_EQ(ExportVocabularyList(m_app.GetDataBase(), big, wide.c_str(), LIST_FILE_TAB, StopAfter(3, asked), end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31267, wide.c_str()));
    EXPECT_EQ(end.flags, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(path), "w0\tm0\r\nw1\tm1\r\nw2\tm2\r\n");
    asked = 0;
    EXPECT_EQ(ExportVocabularyList(m_app.GetDataBase(), big, wide.c_str(), LIST_FILE_TAB, StopAfter(0, asked), end), 0);
    EXPECT_EQ(end.text.GetString(), Text(31143, wide.c_str()));
}

TEST_F(ListFileTest, ImportStopsWhereItWasCancelledAndRefusesAMissingFile) {
    std::string text;
    for (int i = 0; i < 10000; ++i) {
        const std::string number = std::to_string(i);
        text.append("w").append(number).append("\tm").append(number).append("\r\n");
    }
    const std::string path = m_data.WriteFile("big.txt", text);
    std::vector<GridRow> rows;
    int asked = 0;
    EXPECT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_TAB,
                                   StopAfter(250, asked), rows),
              0);
    ASSERT_EQ(rows.size(), 250u);
    EXPECT_STREQ(rows.back().word.m_text.GetString(), L"w249");
    rows.clear();
    EXPECT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(m_data.Sub("none.txt")).c_str(), LIST_FILE_TAB,
                                   {}, rows),
              0);
    EXPECT_TRUE(rows.empty());
}

TEST_F(ListFileTest, ImportRefusesAnOverlongLineAndNamesIt) {
    const size_t bound = static_cast<size_t>(kMaxImportLineBytes);
    std::string longest = "w\t";
    longest.append(bound - 2, 'm');
    struct Case {
        const char* name;
        std::string bytes;
        int longLine;  // 0: read
    };
    const Case cases[] = {
        {"a line of the bound, CR LF", "a\tb\r\n" + longest + "\r\n", 0},
        {"a last line of the bound without an end", "a\tb\n" + longest, 0},
        {"one byte more on line 3", "a\tb\r\nc\td\r\n" + longest + "m\r\nx\ty\r\n", 3},
        {"one byte more on the last line", "a\tb\n" + longest + "m", 2},
        {"a line without any end", std::string(3 * bound, 'x'), 1},
        {"utf-16 le", Utf16LE(L"a\tb\r\nw\t" + std::wstring(bound / 2 - 1, L'm') + L"\r\n", true), 2},
        {"utf-16 le, the bound", Utf16LE(L"a\tb\r\nw\t" + std::wstring(bound / 2 - 2, L'm') + L"\r\n", true), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_data.WriteFile("long.txt", c.bytes);
        std::vector<GridRow> rows;
        int longLine = -1;
        EXPECT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_TAB, {}, rows,
                                       &longLine),
                  c.longLine == 0 ? 1 : 0);
        EXPECT_EQ(longLine, c.longLine);
        EXPECT_EQ(rows.size(), c.longLine == 0 ? 2u : 0u);
    }
    // The file stops being read at the overlong line: what follows it would
    // pass the size a list file may have.
    const std::string path = m_data.WriteFile("huge.txt", "a\tb\n");
    ASSERT_EQ(::truncate(path.c_str(), (off_t(300) << 20)), 0);
    std::vector<GridRow> rows;
    int longLine = 0;
    EXPECT_EQ(ImportVocabularyList(m_app.GetDataBase(), kvxtest::Widen(path).c_str(), LIST_FILE_TAB, {}, rows,
                                   &longLine),
              0);
    EXPECT_EQ(longLine, 2);
}
