// The list files' lines as written and their kinds, without the program.

#include <gtest/gtest.h>

#include <string>

#include "Quenzel/Tutor/Model/ListFileFormat.h"

namespace {

TEST(ListFileFormat, TheKindFollowsTheExtensionInAnyCase) {
    struct Case {
        const wchar_t* path;
        int kind;
    };
    const Case cases[] = {{L"/a/list.TXT", LIST_FILE_TAB}, {L"/a/list.Csv", LIST_FILE_COMMA}, {L"/a/list.doc", 0},
                          {L"/a/list", 0}, {nullptr, 0}};
    for (const Case& c : cases) EXPECT_EQ(GetListFileKind(c.path), c.kind) << (c.path ? c.path : L"(null)");
}

TEST(ListFileFormat, LinesQuoteOrDoubleWhatTheReaderWouldSplit) {
    struct Case {
        const wchar_t* word;
        const wchar_t* meaning;
        int kind;
        std::string line;
    };
    const Case cases[] = {
        {L"a,b", L"say \"hi\"", LIST_FILE_COMMA, "\"a,b\",\"say \"\"hi\"\"\"\r\n"},
        {L"plain", L"text", LIST_FILE_COMMA, "plain,text\r\n"},
        {L"two", L"lines\nhere", LIST_FILE_COMMA, "two,\"lines\nhere\"\r\n"},
        {L"w", L"a\tb", LIST_FILE_TAB, "w\ta\t\tb\r\n"},
        {L"\u00FCber", L"over", LIST_FILE_TAB, "\xC3\xBC" "ber\tover\r\n"},
        {L"w", L"m", 3, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatListFileLine(c.word, c.meaning, c.kind), c.line) << c.line;
}

} // namespace
