#include <gtest/gtest.h>

#include "Pendrel/Core/ListEditRules.h"

TEST(ListEditRules, ClickSequenceOpensTheEditorOnlyOnASecondClickOfTheFocusedRow) {
    struct Step {
        int row;
        int column;
        bool focused;
        CListEditRules::ClickAction expected;
    };
    const Step steps[] = {
        {2, 0, false, CListEditRules::ClickRemembered},  // first click selects
        {2, 0, true, CListEditRules::ClickTryEdit},      // second click edits
        {2, 1, true, CListEditRules::ClickRemembered},   // another column: a first click again
        {2, 1, false, CListEditRules::ClickSelectRow},   // same cell, row lost its focus
        {2, 1, true, CListEditRules::ClickTryEdit},
        {-1, 0, false, CListEditRules::ClickRemembered}, // below the rows
        {-1, 0, false, CListEditRules::ClickNothing},
        {4, 0, true, CListEditRules::ClickRemembered},
    };
    CListEditRules rules;
    EXPECT_EQ(rules.GetLastClickedColumn(), -1);  // F2 before any click edits nothing
    int i = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(i++);
        EXPECT_EQ(rules.OnClick(step.row, step.column, step.focused), step.expected);
        EXPECT_EQ(rules.GetLastClickedRow(), step.row);
        EXPECT_EQ(rules.GetLastClickedColumn(), step.column);
    }
}

TEST(ListEditRules, ASortDropsOnlyTheEditOpenAtTheTime) {
    CListEditRules rules;
    rules.OnEditorOpened();
    EXPECT_TRUE(rules.OnEditEnded());

    rules.OnEditorOpened();
    rules.OnSortedByHeader();
    EXPECT_FALSE(rules.OnEditEnded());  // the row may have moved
    rules.OnEditorOpened();
    EXPECT_TRUE(rules.OnEditEnded());   // the next edit counts again

    // A sort with no editor open costs no later edit.
    rules.OnSortedByHeader();
    rules.OnEditorOpened();
    EXPECT_TRUE(rules.OnEditEnded());
}
