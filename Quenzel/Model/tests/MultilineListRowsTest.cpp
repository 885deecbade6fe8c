#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/DataBaseResult.h"
#include "Quenzel/Model/MultilineListRows.h"
#include "testing/DataBaseComponent.h"
#include "testing/TempFolder.h"

namespace {

GridRow Row(const wchar_t* word, const wchar_t* meaning, ULONGLONG wordId = 0, ULONGLONG meaningId = 0) {
    GridRow row;
    row.word.m_text = row.word.m_secondText = word;
    row.meaning.m_text = row.meaning.m_secondText = meaning;
    row.word.m_value = wordId;
    row.meaning.m_value = meaningId;
    return row;
}

std::vector<std::wstring> Words(const CMultilineListRows& rows) {
    std::vector<std::wstring> words;
    for (int i = 0; i < rows.GetRowCount(); ++i) words.emplace_back(rows.GetRow(i)->word.m_text.GetString());
    return words;
}

} // namespace

TEST(MultilineListRowsTest, SortingKeepsTheHeadingFirstAndIgnoresCaseBothWays) {
    CMultilineListRows rows;
    rows.AddHeadingRow(L"English", L"German");
    rows.AddRow(Row(L"cherry", L"Kirsche"));
    rows.AddRow(Row(L"Apple", L"Apfel"));
    rows.AddRow(Row(L"banana", L"Banane"));

    ASSERT_TRUE(rows.Sort(0, true));
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"English", L"Apple", L"banana", L"cherry"}));
    ASSERT_TRUE(rows.Sort(1, false));  // by meaning, descending
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"English", L"cherry", L"banana", L"Apple"}));

    // The heading click: another column starts ascending, the same column
    // turns the direction over.
    EXPECT_TRUE(rows.SortByHeadingClick(0));
    EXPECT_TRUE(rows.IsSortAscending());
    EXPECT_EQ(Words(rows).back(), L"cherry");
    EXPECT_TRUE(rows.SortByHeadingClick(0));
    EXPECT_FALSE(rows.IsSortAscending());
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"English", L"cherry", L"banana", L"Apple"}));
    EXPECT_EQ(rows.GetSortedColumn(), 0);
}

// A loaded text is kept apart only where it differs from the shown one:
// every way out of the rows still gives both texts as they were given.
TEST(MultilineListRowsTest, RowsGiveBothTextsBackWhetherOrNotTheyDiffer) {
    struct Case {
        const wchar_t *word, *loadedWord, *meaning, *loadedMeaning;
    };
    const Case cases[] = {
        {L"house", L"house", L"Haus", L"Haus"},      // as loaded
        {L"houses", L"house", L"Haus", L"Haus"},     // the word edited
        {L"tree", L"tree", L"Baume", L"Baum"},       // the meaning edited
        {L"Tree", L"tree", L"", L"Baum"},            // case only; a side emptied
        {L"new", L"", L"neu", L""},                  // never loaded
        {L"", L"", L"", L""},
    };
    for (bool together : {false, true}) {
        SCOPED_TRACE(together ? "added together" : "added one by one");
        CMultilineListRows rows;
        rows.AddHeadingRow(L"English", L"German");
        std::vector<GridRow> given;
        for (const Case& c : cases) {
            GridRow row = Row(c.word, c.meaning, 7, 8);
            row.word.m_secondText = c.loadedWord;
            row.meaning.m_secondText = c.loadedMeaning;
            given.push_back(row);
        }
        if (together) {
            std::vector<GridRow> taken = given;
            rows.AddRows(std::move(taken));
        } else {
            for (const GridRow& row : given) rows.AddRow(row);
        }
        ASSERT_EQ(rows.GetRowCount(), static_cast<int>(std::size(cases)) + 1);
        for (size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            const int index = static_cast<int>(i) + 1;
            SCOPED_TRACE(index);
            GridRow copy;
            ASSERT_TRUE(rows.CopyRow(index, copy));
            EXPECT_STREQ(copy.word.m_text.GetString(), c.word);
            EXPECT_STREQ(copy.word.m_secondText.GetString(), c.loadedWord);
            EXPECT_STREQ(copy.meaning.m_text.GetString(), c.meaning);
            EXPECT_STREQ(copy.meaning.m_secondText.GetString(), c.loadedMeaning);
            EXPECT_EQ(copy.word.m_value, 7u);
            CBasicString loaded;
            ASSERT_TRUE(rows.LoadedText(index, 0, loaded));
            EXPECT_STREQ(loaded.GetString(), c.loadedWord);
            ASSERT_TRUE(rows.LoadedText(index, 1, loaded));
            EXPECT_STREQ(loaded.GetString(), c.loadedMeaning);
            EXPECT_STREQ(rows.GetRow(index)->word.m_text.GetString(), c.word);
        }
        CBasicString none;
        EXPECT_FALSE(rows.LoadedText(static_cast<int>(std::size(cases)) + 1, 0, none));
    }
}

// A change of a row sees and keeps both texts, and the loaded texts move
// with their rows when the rows are sorted or one is deleted.
TEST(MultilineListRowsTest, ChangedSortedAndDeletedRowsKeepTheirLoadedTexts) {
    CMultilineListRows rows;
    rows.AddHeadingRow(L"English", L"German");
    rows.AddRow(Row(L"cherry", L"Kirsche"));
    rows.AddRow(Row(L"apple", L"Apfel"));
    rows.AddRow(Row(L"banana", L"Banane"));

    // An edit of the shown word: the loaded one stays.
    ASSERT_TRUE(rows.ChangeRow(1, [](GridRow& row) {
        EXPECT_STREQ(row.word.m_secondText.GetString(), L"cherry");
        row.word.m_text = L"Cherry tree";
    }));
    // A save makes the shown meaning the loaded one.
    ASSERT_TRUE(rows.ChangeRow(2, [](GridRow& row) {
        row.meaning.m_text = L"Apfelbaum";
        row.meaning.m_secondText = row.meaning.m_text;
    }));
    EXPECT_FALSE(rows.ChangeRow(9, [](GridRow&) { ADD_FAILURE() << "no row 9"; }));

    ASSERT_TRUE(rows.Sort(0, true));
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"English", L"apple", L"banana", L"Cherry tree"}));
    GridRow row;
    ASSERT_TRUE(rows.CopyRow(3, row));
    EXPECT_STREQ(row.word.m_secondText.GetString(), L"cherry");
    EXPECT_STREQ(row.meaning.m_secondText.GetString(), L"Kirsche");
    ASSERT_TRUE(rows.CopyRow(1, row));
    EXPECT_STREQ(row.meaning.m_text.GetString(), L"Apfelbaum");
    EXPECT_STREQ(row.meaning.m_secondText.GetString(), L"Apfelbaum");
    EXPECT_STREQ(row.word.m_secondText.GetString(), L"apple");

    ASSERT_TRUE(rows.DeleteRow(2));
    ASSERT_TRUE(rows.CopyRow(2, row));
    EXPECT_STREQ(row.word.m_text.GetString(), L"Cherry tree");
    EXPECT_STREQ(row.word.m_secondText.GetString(), L"cherry");
}

TEST(MultilineListRowsTest, OneWordBesidesTheHeadingDoesNotSort) {
    CMultilineListRows rows;
    rows.AddHeadingRow(L"Zulu", L"German");
    rows.AddRow(Row(L"apple", L"Apfel"));
    EXPECT_FALSE(rows.Sort(0, true));
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"Zulu", L"apple"}));
}

TEST(MultilineListRowsTest, ResetKeepsOnlyTheHeadingRow) {
    CMultilineListRows rows;
    rows.AddHeadingRow(L"English", L"German");
    rows.AddRow(Row(L"a", L"b"));
    const uint64_t generation = rows.GetLayoutGeneration();
    rows.ResetContent();
    EXPECT_EQ(Words(rows), (std::vector<std::wstring>{L"English"}));
    EXPECT_NE(rows.GetLayoutGeneration(), generation);
    EXPECT_TRUE(rows.SetFirstRowTexts(L"French", L"Dutch"));
    CBasicString loaded;
    ASSERT_TRUE(rows.LoadedText(0, 1, loaded));
    EXPECT_STREQ(loaded.GetString(), L"Dutch");

    CMultilineListRows plain;
    plain.AddRow(Row(L"a", L"b"));
    EXPECT_FALSE(plain.SetFirstRowTexts(L"x", L"y"));  // row 0 is no heading
    plain.ResetContent();
    EXPECT_EQ(plain.GetRowCount(), 0);
}

TEST(MultilineListRowsTest, MarkStepsKeepTheCountsTheStatusAndTheImage) {
    CMultilineListRows rows;
    rows.SetMode(MULTILINE_MODE_LEARNING);
    rows.AddHeadingRow(L"English", L"German");
    GridRow learned = Row(L"two", L"zwei");
    learned.statusCount = 4;
    rows.AddRow(Row(L"one", L"eins"));
    rows.AddRow(learned);
    EXPECT_EQ(rows.GetRow(0)->imageIndex, -1);  // never on the heading
    EXPECT_EQ(rows.GetRow(1)->imageIndex, 0);
    EXPECT_EQ(rows.GetRow(2)->imageIndex, 2);   // held within the three images
    rows.SetCounters(2, 1, 1);

    // Each step: the row, known or unknown, then the row's count and flags
    // and the counters.
    struct Step {
        int row;
        bool known;
        int count;
        bool isKnown;
        int64_t knownRows;
        int image;
        bool changed;
    } steps[] = {
        {1, true, 1, true, 2, 1, true},    // a new word becomes known: one more known row
        {1, true, 1, true, 2, 1, false},   // already known: skipped
        {1, false, 0, false, 1, 0, true},  // unknown again
        {1, false, 0, false, 1, 0, false}, // already unknown: skipped
        {2, true, 5, true, 1, 2, true},    // a known word counts on (its count was above 0)
        {2, false, 0, false, 0, 0, true},
        {2, true, 1, true, 1, 1, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "row " << step.row << (step.known ? " known" : " unknown"));
        const auto result = rows.Mark({step.row}, step.known);
        const GridRow* row = rows.GetRow(step.row);
        EXPECT_EQ(result.changed, step.changed);
        EXPECT_EQ(result.lastIndex, step.row);
        EXPECT_EQ(row->statusCount, step.count);
        EXPECT_EQ(row->IsStatusA(), step.isKnown);
        EXPECT_EQ(row->IsStatusB(), !step.isKnown);
        EXPECT_EQ(rows.GetKnownCount(), step.knownRows);
        EXPECT_EQ(rows.GetUnknownCount(), 2 - step.knownRows);
        EXPECT_EQ(row->imageIndex, step.image);
    }
    EXPECT_TRUE(rows.IsModified());

    // Known and unknown by turns never lifts the count above 5.
    for (int i = 0; i < 12; ++i) rows.Mark({2}, i % 2 == 0);
    EXPECT_LE(rows.GetRow(2)->statusCount, CMultilineListRows::kMaxStatusCount);

    // An index out of range is skipped; a stopped job ends the mark.
    const auto skipped = rows.Mark({7, 1}, true);
    EXPECT_EQ(skipped.lastIndex, 1);
    const auto stopped = rows.Mark({1, 2}, false, [] { return false; });
    EXPECT_FALSE(stopped.changed);
}

TEST(MultilineListRowsTest, TheClickActionShowsAHiddenMeaningElseTurnsTheMark) {
    CMultilineListRows rows;
    rows.AddRow(Row(L"one", L"eins"));
    EXPECT_EQ(rows.ClickAction(0, 0), CMultilineListRows::CLICK_NOTHING);  // not the learning mode

    rows.SetMode(MULTILINE_MODE_LEARNING);
    rows.SetMeaningsHidden(true);
    EXPECT_EQ(rows.ClickAction(0, 1), CMultilineListRows::CLICK_SHOWED_MEANING);
    EXPECT_FALSE(rows.GetRow(0)->IsMeaningHidden());
    EXPECT_EQ(rows.ClickAction(0, 1), CMultilineListRows::CLICK_MARKED);
    EXPECT_TRUE(rows.GetRow(0)->IsStatusA());
    EXPECT_EQ(rows.ClickAction(0, 0), CMultilineListRows::CLICK_MARKED);
    EXPECT_TRUE(rows.GetRow(0)->IsStatusB());
}

TEST(MultilineListRowsTest, ALetterFindsTheFirstRowBelowTheHeadingOrNone) {
    CMultilineListRows rows;
    rows.AddHeadingRow(L"Bulgarian", L"German");
    rows.AddRow(Row(L"apple", L"Apfel"));
    rows.AddRow(Row(L"Banana", L"Banane"));
    EXPECT_EQ(rows.FindRowStartingWith(L'b', 0), 2);
    EXPECT_EQ(rows.FindRowStartingWith(L'A', 1), 1);
    EXPECT_EQ(rows.FindRowStartingWith(L'z', 0), -1);
}

TEST(MultilineListRowsTest, HeightsAndColoursFollowTheRules) {
    struct {
        int word, meaning, height;
    } heights[] = {{10, 12, 30}, {16, 60, 66}, {200, 20, 206}, {400, 10, 255}, {0, 0, 30}};
    for (const auto& c : heights) EXPECT_EQ(CMultilineListRows::ItemHeight(c.word, c.meaning), c.height);
    EXPECT_EQ(CMultilineListRows::ColumnWidth(400, 0, false), 192);
    EXPECT_EQ(CMultilineListRows::ColumnWidth(400, 0, true), 178);

    CMultilineListRows::Colors colors;
    colors.normal = RGB(1, 1, 1);
    colors.known = RGB(0, 128, 0);
    colors.unknown = RGB(255, 0, 0);
    colors.windowText = RGB(2, 2, 2);
    GridRow known = Row(L"a", L"b");
    known.SetStatusA();
    known.statusCount = 2;
    GridRow linked = Row(L"a", L"b");
    linked.linkId = 5;
    GridRow unknown = Row(L"a", L"b");
    unknown.SetStatusB();
    EXPECT_EQ(CMultilineListRows::TextColor(known, MULTILINE_MODE_LEARNING, colors), colors.known);
    EXPECT_EQ(CMultilineListRows::TextColor(unknown, MULTILINE_MODE_LEARNING, colors), colors.unknown);
    EXPECT_EQ(CMultilineListRows::TextColor(Row(L"a", L"b"), MULTILINE_MODE_LEARNING, colors), colors.windowText);
    EXPECT_EQ(CMultilineListRows::TextColor(linked, MULTILINE_MODE_DICTIONARY, colors), RGB(0, 0, 255));
    EXPECT_EQ(CMultilineListRows::TextColor(known, MULTILINE_MODE_DICTIONARY, colors), colors.known);
    EXPECT_EQ(CMultilineListRows::TextColor(unknown, MULTILINE_MODE_DICTIONARY, colors), colors.normal);
    EXPECT_EQ(CMultilineListRows::TextColor(known, MULTILINE_MODE_PLAIN, colors), colors.windowText);
    EXPECT_EQ(CMultilineListRows::TextColor(known, MULTILINE_MODE_EDITOR, colors), colors.normal);
}

// Adding rows to a stored list, over the database component loaded as the
// program loads it.
class MultilineListRowsDataBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_component.Get(), nullptr) << m_component.Error();
        m_db = m_component.Get();
        const std::vector<LanguageRecord> languages = m_db->GetLanguages(0);
        ASSERT_GE(languages.size(), 2u);
        for (const wchar_t* word : {L"house", L"tree"}) {
            WordKeyRecord key;
            key.text = word;
            key.language = languages[0].id;
            MeaningRecord meaning;
            meaning.text = CBasicString(word) + L"-meaning";
            meaning.language = languages[1].id;
            ASSERT_EQ(m_db->AddMeaning(key, meaning, 0), DATABASE_OK);
            m_rows.push_back(Row(key.text.GetString(), meaning.text.GetString(), static_cast<ULONGLONG>(key.id),
                                 static_cast<ULONGLONG>(meaning.id)));
        }
        m_list.name = L"Animals";
        m_list.fromLanguage = languages[0].id;
        m_list.toLanguage = languages[1].id;
        ASSERT_GT(m_db->CreateVocabularyList(m_list), 0);
    }

    kvxtest::TempFolder m_folder;
    kvxtest::DataBaseComponent m_component{KVX_DATABASE_LIBRARY, m_folder.WSub("Quenzel.pkv")};
    CAbstractDataBase* m_db = nullptr;
    std::vector<GridRow> m_rows;
    VocabularyListRecord m_list;
};

TEST_F(MultilineListRowsDataBaseTest, AddingToAListStoresNewRowsAndAnswersExistsWhenAllWereThere) {
    int added = -1;
    EXPECT_EQ(CMultilineListRows::AddRowsToList(*m_db, m_list.id, {m_rows[0]}, L"2026-12-10", added), DATABASE_OK);
    EXPECT_EQ(added, 1);
    // The same row again: the list holds it already.
    EXPECT_EQ(CMultilineListRows::AddRowsToList(*m_db, m_list.id, {m_rows[0]}, L"2026-12-10", added),
              DATABASE_EXISTS);
    EXPECT_EQ(added, 0);
    // One old and one new row: success, one added.
    EXPECT_EQ(CMultilineListRows::AddRowsToList(*m_db, m_list.id, m_rows, L"2026-12-10", added), DATABASE_OK);
    EXPECT_EQ(added, 1);

    WordLinkRecord link;
    link.listId = m_list.id;
    link.wordId = static_cast<int64_t>(m_rows[1].word.m_value);
    link.meaningId = static_cast<int64_t>(m_rows[1].meaning.m_value);
    ASSERT_EQ(m_db->UpdateListEntry(link, kListEntryLookUp), DATABASE_OK);
    EXPECT_EQ(link.statusCount, 0);
    EXPECT_STREQ(link.enteredDate.GetString(), L"2026-12-10");
}
