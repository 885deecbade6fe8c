#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Quenzel/Dictionary/Model/AutoSearchModel.h"

namespace {

using Key = CAutoSearchModel::Key;

std::vector<std::wstring> Texts(const CAutoSearchModel& model) {
    std::vector<std::wstring> texts;
    for (const CAutoSearchModel::Row& row : model.GetRows()) texts.push_back(row.text);
    return texts;
}

// Fills model with count rows "w00", "w01", ... with page rows per page.
void Rows(CAutoSearchModel& model, int count, int page) {
    for (int i = 0; i < count; ++i) {
        wchar_t text[8];
        swprintf(text, 8, L"w%02d", i);
        model.AddSuggestion(text, 100 + i);
    }
    model.Filter(-1, L"");
    model.SetRowsPerPage(page);
}

} // namespace

TEST(AutoSearchModelTest, TheFilterMatchesPrefixesWhateverTheirCase) {
    struct Case {
        const wchar_t* filter;
        std::vector<std::wstring> shown;
    };
    const Case cases[] = {
        {L"", {L"Haus", L"Hund", L"hallo", L"Übung", L"über"}},
        {L"h", {L"Haus", L"Hund", L"hallo"}},
        {L"H", {L"Haus", L"Hund", L"hallo"}},
        {L"HA", {L"Haus", L"hallo"}},
        {L"ü", {L"Übung", L"über"}},
        {L"Ü", {L"Übung", L"über"}},
        {L"übu", {L"Übung"}},
        {L"x", {}},
        {L"hausboot", {}},
    };
    CAutoSearchModel model;
    for (const wchar_t* text : {L"hallo", L"Haus", L"Hund", L"über", L"Übung"}) model.AddSuggestion(text, 1);
    for (const Case& c : cases) {
        model.Filter(-1, c.filter);
        EXPECT_EQ(Texts(model), c.shown) << "filter " << std::wstring(c.filter).size();
    }
}

TEST(AutoSearchModelTest, SuggestionsPileUpAndKeepTheirFirstIdAndTheStartSkipsTheFirstOnes) {
    CAutoSearchModel model;
    model.AddSuggestion(L"b", 2);
    model.AddSuggestion(L"a", 1);
    model.AddSuggestion(L"b", 99);
    EXPECT_EQ(model.GetSuggestionCount(), 2u);
    EXPECT_EQ(model.Filter(-1, L""), 2);
    EXPECT_EQ(model.GetRowId(1), 2);
    EXPECT_EQ(model.GetRows()[1].index, 1);
    EXPECT_EQ(model.Filter(0, L""), 1);
    EXPECT_EQ(Texts(model), std::vector<std::wstring>{L"b"});
    EXPECT_EQ(model.Filter(3, L""), -1);
    EXPECT_EQ(model.GetCount(), 0);
}

TEST(AutoSearchModelTest, TheHistoryKeepsATextOnceAndAnEmptyFieldShowsItsTexts) {
    CAutoSearchModel model;
    model.AddSuggestion(L"zebra", 9);
    EXPECT_EQ(model.AddHistoryItem(L"Haus", 1), 1);
    EXPECT_EQ(model.AddHistoryItem(L"Haus", 2), 0);
    EXPECT_EQ(model.AddHistoryItem(L"", 3), 1);
    EXPECT_EQ(model.AddHistoryItem(L"Baum", 4), 1);
    model.SuggestHistory();
    model.Filter(-1, L"");
    EXPECT_EQ(Texts(model), (std::vector<std::wstring>{L"Baum", L"Haus"}));
    EXPECT_EQ(model.GetRowId(1), 1);
}

TEST(AutoSearchModelTest, NavigationKeysStopAtTheEdgesAndOnlyPlainMovesWrap) {
    struct Case {
        int selection;
        Key key;
        int expected;
        const wchar_t* text;
    };
    // Ten rows, four per page.
    const Case cases[] = {
        {-1, CAutoSearchModel::KEY_UP, 9, L"w09"},
        {-1, CAutoSearchModel::KEY_DOWN, 0, L"w00"},
        {0, CAutoSearchModel::KEY_UP, 0, L"w00"},
        {9, CAutoSearchModel::KEY_DOWN, 9, L"w09"},
        {4, CAutoSearchModel::KEY_UP, 3, L"w03"},
        {4, CAutoSearchModel::KEY_DOWN, 5, L"w05"},
        {7, CAutoSearchModel::KEY_PAGE_DOWN, 9, L"w09"},
        {9, CAutoSearchModel::KEY_PAGE_DOWN, 9, L"w09"},
        {2, CAutoSearchModel::KEY_PAGE_DOWN, 6, L"w06"},
        {2, CAutoSearchModel::KEY_PAGE_UP, 0, L"w00"},
        {0, CAutoSearchModel::KEY_PAGE_UP, 0, L"w00"},
        {-1, CAutoSearchModel::KEY_PAGE_UP, 0, L"w00"},
        {5, CAutoSearchModel::KEY_HOME, 0, L"w00"},
        {5, CAutoSearchModel::KEY_END, 9, L"w09"},
    };
    for (const Case& c : cases) {
        CAutoSearchModel model;
        Rows(model, 10, 4);
        model.SetSelection(c.selection);
        const CAutoSearchModel::Navigation result = model.Navigate(c.key);
        EXPECT_EQ(model.GetSelection(), c.expected) << "from " << c.selection << " key " << c.key;
        EXPECT_EQ(result.text, c.text) << "from " << c.selection << " key " << c.key;
        const bool sets = c.key != CAutoSearchModel::KEY_HOME && c.key != CAutoSearchModel::KEY_END;
        EXPECT_EQ(result.setsFieldText, sets);
    }
    // The pop-up's own move wraps.
    CAutoSearchModel model;
        Rows(model, 10, 4);
    model.SetSelection(9);
    EXPECT_EQ(model.MoveSelection(CAutoSearchModel::KEY_DOWN), L"w00");
    EXPECT_EQ(model.MoveSelection(CAutoSearchModel::KEY_UP), L"w09");
    CAutoSearchModel empty;
    EXPECT_EQ(empty.MoveSelection(CAutoSearchModel::KEY_DOWN), L"");
    EXPECT_EQ(empty.GetSelection(), -1);
}

TEST(AutoSearchModelTest, ScrollingBringsTheRowIntoViewAndStopsAtTheLastPage) {
    struct Case {
        int first;
        int row;
        int target;
    };
    // Ten rows, four per page: the first visible row is at most 6.
    const Case cases[] = {
        {0, 3, 0}, {0, 4, 1}, {0, 9, 6}, {6, 0, 0}, {6, 5, 5}, {2, 5, 2}, {3, 9, 6},
    };
    for (const Case& c : cases) {
        CAutoSearchModel model;
        Rows(model, 10, 4);
        model.SetFirstVisible(c.first);
        const int target = model.ScrollTarget(c.row);
        EXPECT_EQ(target, c.target) << "first " << c.first << " row " << c.row;
        int steps = 0;
        while (model.ScrollStep(target)) ++steps;
        EXPECT_EQ(model.GetFirstVisible(), c.target);
        EXPECT_EQ(steps, std::abs(c.target - c.first));
    }
    CAutoSearchModel model;
        Rows(model, 10, 4);
    model.SetFirstVisible(50);
    EXPECT_EQ(model.GetFirstVisible(), 6);
}

TEST(AutoSearchModelTest, MoreThanEightRowsShowEightAndNeedTheScrollBar) {
    struct Case {
        int count;
        int shown;
        bool scrollBar;
    };
    const Case cases[] = {{1, 1, false}, {8, 8, false}, {9, 8, true}, {40, 8, true}};
    for (const Case& c : cases) {
        CAutoSearchModel model;
        Rows(model, c.count, 100);
        model.SetRowsPerPage(model.GetShownRowCount());
        EXPECT_EQ(model.GetShownRowCount(), c.shown) << c.count;
        EXPECT_EQ(model.NeedsScrollBar(), c.scrollBar) << c.count;
    }
}

TEST(AutoSearchModelTest, AChangedRowCountClearsTheSelectionAndHidingRemembersIt) {
    CAutoSearchModel model;
        Rows(model, 10, 4);
    model.SetSelection(3);
    model.Filter(-1, L"w");
    EXPECT_EQ(model.GetSelection(), 3);
    model.Filter(-1, L"w00");
    EXPECT_EQ(model.GetSelection(), -1);
    model.Filter(-1, L"w");
    model.SetSelection(2);
    model.SetFirstVisible(2);
    model.OnHidden();
    EXPECT_EQ(model.GetLastSelection(), 2);
    EXPECT_EQ(model.GetSelection(), -1);
    EXPECT_EQ(model.GetFirstVisible(), 0);
}
