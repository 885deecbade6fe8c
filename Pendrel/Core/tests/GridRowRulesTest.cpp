#include <gtest/gtest.h>

#include "Pendrel/Core/GridListCtrl_Data.h"
#include "Pendrel/Core/GridRowRules.h"

TEST(GridRowRules, SetTextReplacesOrAppendsAndKeepsOneEmptyRowLast) {
    struct Case {
        const char* name;
        int row, rowCount;
        bool lastTextEmpty, textEmpty;
        bool replace, appendEmpty;
    };
    const Case cases[] = {
        {"empty grid, text", 0, 0, true, false, false, true},
        {"empty grid, no text", 0, 0, true, true, false, false},
        {"row -1 appends", -1, 3, true, false, false, true},
        {"row beyond the last appends", 7, 3, true, false, false, true},
        {"typing into the trailing row", 2, 3, true, false, true, true},
        {"emptying the trailing row", 2, 3, true, true, true, false},
        {"a middle row keeps the empty last row", 0, 3, true, false, true, false},
        {"a middle row emptied keeps it too", 0, 3, true, true, true, false},
        {"last row has text, middle replaced", 0, 3, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KVXGridSetTextSteps steps = KVXGridPlanSetText(c.row, c.rowCount, c.lastTextEmpty, c.textEmpty);
        EXPECT_EQ(steps.replaceRow, c.replace);
        EXPECT_EQ(steps.appendEmptyRow, c.appendEmpty);
    }
}

TEST(GridRowRules, SortComparesColumnZeroWithoutCaseAndKeepsEmptyRowsLast) {
    CGridListCtrl_Data apple, APPLE, pear, empty;
    apple.m_text = L"apple";
    APPLE.m_text = L"APPLE";
    pear.m_text = L"Pear";
    EXPECT_EQ(KVXGridCompareCells(&apple, &APPLE, 0, true), 0);
    EXPECT_LT(KVXGridCompareCells(&apple, &pear, 0, true), 0);
    EXPECT_GT(KVXGridCompareCells(&apple, &pear, 0, false), 0);
    EXPECT_EQ(KVXGridCompareCells(&apple, &pear, 1, true), 0);
    EXPECT_EQ(KVXGridCompareCells(nullptr, &pear, 0, true), 0);
    for (bool ascending : {true, false}) {
        EXPECT_GT(KVXGridCompareCells(&empty, &pear, 0, ascending), 0);
        EXPECT_LT(KVXGridCompareCells(&pear, &empty, 0, ascending), 0);
    }
}

TEST(GridListCtrlData, CopyKeepsValueAndBothTexts) {
    CGridListCtrl_Data fresh;
    EXPECT_EQ(fresh.m_value, 0u);
    EXPECT_TRUE(fresh.m_text.IsEmpty());
    EXPECT_TRUE(fresh.m_secondText.IsEmpty());

    CGridListCtrl_Data cell;
    cell.m_value = 0x123456789ABCull;
    cell.m_text = L"Haus";
    cell.m_secondText = L"haus";
    const CGridListCtrl_Data copy(cell);
    CGridListCtrl_Data assigned;
    assigned = cell;
    for (const CGridListCtrl_Data* c : {static_cast<const CGridListCtrl_Data*>(&copy), &static_cast<const CGridListCtrl_Data&>(assigned)}) {
        EXPECT_EQ(c->m_value, 0x123456789ABCull);
        EXPECT_STREQ(c->m_text.GetString(), L"Haus");
        EXPECT_STREQ(c->m_secondText.GetString(), L"haus");
    }
    CGridListCtrl_Data& self = assigned;
    assigned = self;
    EXPECT_STREQ(assigned.m_text.GetString(), L"Haus");
    EXPECT_STREQ(assigned.m_secondText.GetString(), L"haus");
    EXPECT_EQ(assigned.m_value, 0x123456789ABCull);
}
