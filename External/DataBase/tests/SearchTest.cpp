// The dictionary page's searches: suggestions while typing, the word
// search, stepping through the words, the word editor's lookups, and the
// search history.

#include "DataBaseFixture.h"

using namespace dbtest;

namespace {

using Table = std::vector<std::vector<std::wstring>>;

// Column of every row.
std::vector<std::wstring> Column(const Table& rows, size_t column)
{
    std::vector<std::wstring> cells;
    for (const auto& row : rows)
        cells.push_back(row.at(column));
    return cells;
}

class SearchTest : public DataBaseTest {
protected:
    void SetUp() override
    {
        DataBaseTest::SetUp();
        MakeList(L"Words", {{L"Über", L"over"}, {L"über", L"above"}, {L"Ufer", L"shore"}, {L"Uhr", L"clock"},
                            {L"Apfel", L"apple"}, {L"Zug", L"train"}, {L"ubx", L"overx"}},
                 kGerman, kEnglish);
        // A word of the other language with the same letters.
        MakeList(L"Other", {{L"uhr", L"watch"}}, kEnglish, kGerman);
        db->SetLanguagePair({kGerman, kEnglish});
    }
};

}  // namespace

TEST_F(SearchTest, SearchInPairUsesItsPairAndLeavesTheCurrentOne)
{
    // The current pair is the other way round: a search in a pair of its
    // own must neither see it nor change it.
    db->SetLanguagePair({kEnglish, kGerman});
    struct Case {
        LanguagePair pair;
        const wchar_t* text;
        int kind;
        std::vector<std::wstring> texts;
    } cases[] = {
        {{kGerman, kEnglish}, L"uh", SEARCH_FIRST_LANGUAGE_PREFIX, {L"Uhr"}},
        {{kEnglish, kGerman}, L"uh", SEARCH_FIRST_LANGUAGE_PREFIX, {L"uhr"}},
        {{kGerman, kEnglish}, L"Uhr", SEARCH_WORD, {L"Uhr"}},
        {{kGerman, kEnglish}, L"sh", SEARCH_SECOND_LANGUAGE_PREFIX, {L"shore"}},
        {{kEnglish, kGerman}, L"sh", SEARCH_SECOND_LANGUAGE_PREFIX, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Column(Rows(*db, db->SearchInPair(c.pair, c.text, c.kind, 0, 0)), 1), c.texts)
            << kvxtest::Narrow(c.text) << " in " << c.pair.first << "/" << c.pair.second;
        // The plain search still follows the current pair.
        EXPECT_EQ(Column(Rows(*db, db->Search(L"uh", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0)), 1),
                  std::vector<std::wstring>{L"uhr"});
    }
}

TEST_F(SearchTest, SuggestionsMatchThePrefixIgnoringCase)
{
    struct Case {
        const wchar_t* text;
        int kind;
        std::vector<std::wstring> texts;
    } cases[] = {
        {L"u", SEARCH_FIRST_LANGUAGE_PREFIX, {L"ubx", L"Ufer", L"Uhr"}},
        {L"ü", SEARCH_FIRST_LANGUAGE_PREFIX, {L"Über"}},  // "über" is the same word
        {L"ÜB", SEARCH_FIRST_LANGUAGE_PREFIX, {L"Über"}},
        {L"", SEARCH_FIRST_LANGUAGE_PREFIX, {L"Apfel", L"ubx", L"Ufer", L"Uhr", L"Zug", L"Über"}},  // by code point
        {L"x", SEARCH_FIRST_LANGUAGE_PREFIX, {}},
        {L"OVER", SEARCH_SECOND_LANGUAGE_PREFIX, {L"over", L"overx"}},
        {L"w", SEARCH_SECOND_LANGUAGE_PREFIX, {}},  // "watch" is stored as a German text
    };
    for (const Case& c : cases)
        EXPECT_EQ(Column(Rows(*db, db->Search(c.text, c.kind, 0, 0)), 1), c.texts) << kvxtest::Narrow(c.text);
    // Each suggestion carries its word's id.
    Table rows = Rows(*db, db->Search(L"uhr", SEARCH_FIRST_LANGUAGE_PREFIX, 0, 0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0][0], L"0");
    EXPECT_EQ(db->Search(L"u", 8, 0, 0), nullptr);
}

TEST_F(SearchTest, WordSearchGivesWordsWithTheirMeanings)
{
    Table rows = Rows(*db, db->Search(L"ÜBER", SEARCH_WORD, 0, 0));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], L"Über");
    EXPECT_EQ(rows[0][3], L"over");
    EXPECT_EQ(rows[1][3], L"above");
    EXPECT_EQ(rows[0][0], rows[1][0]);
    EXPECT_TRUE(Rows(*db, db->Search(L"nothing", SEARCH_WORD, 0, 0)).empty());
    EXPECT_EQ(Column(Rows(*db, db->Search(L"U", SEARCH_WORD, 0, 0)), 1),
              (std::vector<std::wstring>{L"ubx", L"Ufer", L"Uhr"}));
}

TEST_F(SearchTest, NextAndPreviousStepThroughTheWords)
{
    // From the empty word: the first words in order, one row per word.
    EXPECT_EQ(Column(Rows(*db, db->Search(L"", SEARCH_NEXT_WORDS, 0, 0)), 1),
              (std::vector<std::wstring>{L"Apfel", L"ubx", L"Ufer", L"Uhr", L"Zug", L"Über"}));
    EXPECT_EQ(Column(Rows(*db, db->Search(L"UFER", SEARCH_NEXT_WORDS, 0, 0)), 1),
              (std::vector<std::wstring>{L"Uhr", L"Zug", L"Über"}));
    EXPECT_EQ(Column(Rows(*db, db->Search(L"Ufer", SEARCH_PREVIOUS_WORDS, 0, 0)), 1),
              (std::vector<std::wstring>{L"ubx", L"Apfel"}));
    // Past the end nothing follows: the page starts again from the empty word.
    EXPECT_TRUE(Rows(*db, db->Search(L"über", SEARCH_NEXT_WORDS, 0, 0)).empty());
    EXPECT_EQ(Column(Rows(*db, db->Search(L"", SEARCH_PREVIOUS_WORDS, 0, 0)), 1).front(), L"Über");
    // The meaning shown is the word's first.
    Table step = Rows(*db, db->Search(L"Zug", SEARCH_NEXT_WORDS, 0, 0));
    EXPECT_EQ(step[0][3], L"over");
}

TEST_F(SearchTest, WordUsesAndTextHitsDecideHowAWordIsRenamed)
{
    Table uhr = Rows(*db, db->Search(L"Uhr", SEARCH_WORD, 0, 0));
    ASSERT_EQ(uhr.size(), 1u);
    std::wstring uhrId = uhr[0][0];
    // One list entry uses "Uhr".
    EXPECT_EQ(Rows(*db, db->Search(uhrId.c_str(), SEARCH_WORD_USES, 0, 0)), (Table{{L"1"}}));
    // "Über" holds two entries.
    std::wstring uberId = Rows(*db, db->Search(L"über", SEARCH_WORD, 0, 0))[0][0];
    EXPECT_EQ(Rows(*db, db->Search(uberId.c_str(), SEARCH_WORD_USES, 0, 0)), (Table{{L"2"}}));
    // A meaning of the dictionary that no list uses counts as a use too.
    WordKeyRecord word;
    word.id = std::stoll(uhrId);
    word.text = L"Uhr";
    word.language = kGerman;
    MeaningRecord extra;
    extra.text = L"hour";
    extra.language = kEnglish;
    ASSERT_EQ(db->AddMeaning(word, extra, 1), DATABASE_OK);
    EXPECT_EQ(Rows(*db, db->Search(uhrId.c_str(), SEARCH_WORD_USES, 0, 0)), (Table{{L"2"}}));

    // "uhr" is a word of German and of English.
    EXPECT_EQ(Rows(*db, db->Search(L"UHR", SEARCH_TEXT_EXISTS, 0, 0)), (Table{{L"2"}}));
    EXPECT_EQ(Rows(*db, db->Search(L"Uhren", SEARCH_TEXT_EXISTS, 0, 0)), (Table{{L"0"}}));
    EXPECT_EQ(db->Search(L"12x", SEARCH_WORD_USES, 0, 0), nullptr);
    EXPECT_EQ(db->Search(L"", SEARCH_TEXT_EXISTS, 0, 0), nullptr);
}

TEST_F(DataBaseTest, HistoryKeepsTheLatestSearchesNewestFirst)
{
    for (int i = 1; i <= 12; ++i) {
        HistoryRecord entry;
        entry.key = (L"20240101_0000" + std::to_wstring(10 + i)).c_str();
        entry.text = (L"word" + std::to_wstring(i)).c_str();
        ASSERT_EQ(db->AddHistoryEntry(entry), DATABASE_OK);
    }
    // The same text again (any case) moves to the newest place.
    HistoryRecord again;
    again.key = L"20240101_000030";
    again.text = L"WORD3";
    ASSERT_EQ(db->AddHistoryEntry(again), DATABASE_OK);
    HistoryRecord empty;
    EXPECT_EQ(db->AddHistoryEntry(empty), DATABASE_INVALID_ARGUMENT);

    int64_t position = 0;
    ASSERT_EQ(db->GetHistoryCount(1, position, 0, 0), DATABASE_OK);
    EXPECT_EQ(position, 12);
    Table rows = Rows(*db, db->QueryHistory(position, 10));
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"20240101_000030", L"WORD3"}));
    EXPECT_EQ(rows[1][1], L"word12");
    EXPECT_EQ(rows[9][1], L"word4");
    EXPECT_EQ(Rows(*db, db->QueryHistory(2, 10)).size(), 2u);
    EXPECT_EQ(db->GetHistoryCount(2, position, 0, 0), DATABASE_INVALID_ARGUMENT);
}
