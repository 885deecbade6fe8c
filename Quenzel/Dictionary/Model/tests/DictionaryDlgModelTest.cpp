// The dictionary page's work with the database, without the page: over
// the database component loaded as the program loads it.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "Quenzel/Dictionary/Model/DictionaryDlgModel.h"
#include "Quenzel/Dictionary/tests/DictionarySeed.h"
#include "testing/DataBaseComponent.h"
#include "testing/FullDisk.h"
#include "testing/TempFolder.h"

namespace {

// English and German of the seeded languages.
constexpr int kFirst = 1, kSecond = 2;

class DictionaryDlgModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_component.Get(), nullptr) << m_component.Error();
        SeedWords(m_component.Get(), kFirst, kSecond,
                  {{L"Baum", L"tree"}, {L"Haus", L"house"}, {L"Haus", L"home"}, {L"Hund", L"dog"}, {L"Zug", L"train"}});
        m_model.SetDataBase(m_component.Get());
    }

    std::vector<std::wstring> Found(const CDictionaryDlgModel::SearchResult& result) {
        std::vector<std::wstring> found;
        for (const CDictionaryDlgModel::Row& row : result.rows)
            found.push_back(std::wstring(row.word.GetString()) + L"=" + row.meaning.GetString());
        return found;
    }
    std::wstring Step(CDictionaryDlgModel::Direction direction) {
        CDictionaryDlgModel::Row row;
        return m_model.Step(direction, kFirst, kSecond, row) ? row.word.GetString() : L"<none>";
    }
    std::vector<std::wstring> History() {
        std::vector<std::wstring> texts;
        EXPECT_EQ(m_model.LoadHistory([&](const CBasicString& text, int64_t n) {
            EXPECT_EQ(n, static_cast<int64_t>(texts.size()));
            texts.emplace_back(text.GetString());
        }),
                  1);
        return texts;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::DataBaseComponent m_component{KVX_DATABASE_LIBRARY, m_folder.WSub("Quenzel.pkv")};
    CDictionaryDlgModel m_model;
    std::atomic<int> m_running{1};
};

} // namespace

TEST_F(DictionaryDlgModelTest, ASearchGivesARowForEachMeaningOfTheWordsThatBeginWithTheText) {
    const CDictionaryDlgModel::SearchResult found = m_model.QueryWord(L"ha", kFirst, kSecond, m_running);
    EXPECT_EQ(found.ok, 1);
    ASSERT_EQ(found.rows.size(), 2u);
    EXPECT_EQ(found.firstId, found.rows[0].wordId);
    EXPECT_EQ(found.rows[0].wordId, found.rows[1].wordId);
    EXPECT_NE(found.rows[0].meaningId, found.rows[1].meaningId);
    std::vector<std::wstring> rows = Found(found);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::wstring>{L"Haus=home", L"Haus=house"}));

    struct Case {
        const char* name;
        const wchar_t* text;
        int running;
        int ok;
    };
    const Case empty[] = {
        {"no hit", L"Xylophon", 1, 1},
        {"a cancelled search reads no row", L"ha", 0, 1},
        {"no text", L"", 1, 0},
    };
    for (const Case& c : empty) {
        SCOPED_TRACE(c.name);
        m_running = c.running;
        const CDictionaryDlgModel::SearchResult result = m_model.QueryWord(c.text, kFirst, kSecond, m_running);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_TRUE(result.rows.empty());
        EXPECT_EQ(result.firstId, 0);
    }
}

TEST_F(DictionaryDlgModelTest, StepsWalkTheWordsWrapAtBothEndsAndStartFromTheWordShown) {
    using D = CDictionaryDlgModel;
    const std::pair<D::Direction, const wchar_t*> walk[] = {
        {D::DIRECTION_NEXT, L"Baum"},     {D::DIRECTION_NEXT, L"Haus"},     {D::DIRECTION_NEXT, L"Hund"},
        {D::DIRECTION_NEXT, L"Zug"},      {D::DIRECTION_NEXT, L"Baum"},     {D::DIRECTION_PREVIOUS, L"Zug"},
        {D::DIRECTION_PREVIOUS, L"Hund"}, {D::DIRECTION_NEXT, L"Zug"},
    };
    for (const auto& [direction, word] : walk) {
        EXPECT_EQ(Step(direction), word);
        EXPECT_EQ(m_model.GetDirection(), direction);
    }

    // The rows of a search move the starting point to their last word.
    m_model.OnRowsShown(m_model.QueryWord(L"Hu", kFirst, kSecond, m_running).rows);
    EXPECT_EQ(m_model.GetDirection(), D::DIRECTION_NONE);
    EXPECT_EQ(Step(D::DIRECTION_PREVIOUS), L"Haus");

    // A new language pair starts the walk again from the first word.
    m_model.ResetSteps();
    EXPECT_STREQ(m_model.GetCurrentWord().GetString(), L"");
    EXPECT_EQ(Step(D::DIRECTION_NEXT), L"Baum");
}

TEST_F(DictionaryDlgModelTest, TheHistoryGivesTheLastTenSearchesAndAFullDiskIsAResultNotAThrow) {
    EXPECT_TRUE(History().empty());
    for (int i = 0; i < 15; ++i) {
        CBasicString text;
        text.Format(L"search%02d", i);
        ASSERT_EQ(m_model.WriteHistory(text, CBasicDateTime(2024, 1, 2, 3, 4, i)), 1);
    }
    const std::vector<std::wstring> history = History();
    ASSERT_EQ(history.size(), static_cast<size_t>(CDictionaryDlgModel::kHistoryTexts));
    // Newest first.
    EXPECT_EQ(history.front(), L"search14");
    EXPECT_EQ(history.back(), L"search05");

    int written = -1;
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        written = m_model.WriteHistory(L"refused", CBasicDateTime(2024, 1, 2, 3, 5, 0));
    }
    EXPECT_EQ(written, 0);
    EXPECT_EQ(History().front(), L"search14");

    EXPECT_STREQ(CDictionaryDlgModel::HistoryKey(CBasicDateTime(2031, 5, 6, 7, 8, 9)).GetString(), L"20310506_070809");
}
