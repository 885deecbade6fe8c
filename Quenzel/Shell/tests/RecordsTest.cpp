#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Quenzel/Model/ShellRecords.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"

namespace {

VocabularyListRecord Filled() {
    VocabularyListRecord r;
    r.id = 42;
    r.name = L"Animals";
    r.secondText = L"guid";
    r.fromLanguage = 3;
    r.toLanguage = 7;
    r.wordCount = 12;
    r.extra = 5;
    r.editable = 1;
    r.reserved = 9;
    return r;
}

GridRow Row(const wchar_t* word, const wchar_t* meaning, int id) {
    GridRow row;
    row.word.m_text = word;
    row.meaning.m_text = meaning;
    row.word.m_value = static_cast<ULONGLONG>(id);
    return row;
}

} // namespace

TEST(VocabularyListRecordTest, NewResetAndCopiedRecords) {
    const VocabularyListRecord fresh;
    EXPECT_EQ(fresh.editable, 1);  // a new record is editable
    VocabularyListRecord reset = Filled();
    reset.Reset();
    EXPECT_EQ(reset.id, 0);
    EXPECT_TRUE(reset.name.IsEmpty());
    EXPECT_TRUE(reset.secondText.IsEmpty());
    EXPECT_EQ(reset.fromLanguage + reset.toLanguage + reset.wordCount + reset.extra, 0);
    EXPECT_EQ(reset.editable, 0);   // a reset one is read-only
    EXPECT_EQ(reset.reserved, 9);   // the last int stays
    VocabularyListRecord copy;
    copy.reserved = 1;
    copy.Copy(Filled());
    EXPECT_EQ(copy.id, 42);
    EXPECT_STREQ(copy.name.GetString(), L"Animals");
    EXPECT_STREQ(copy.secondText.GetString(), L"guid");
    EXPECT_EQ(copy.fromLanguage, 3);
    EXPECT_EQ(copy.toLanguage, 7);
    EXPECT_EQ(copy.wordCount, 12);
    EXPECT_EQ(copy.extra, 5);
    EXPECT_EQ(copy.reserved, 1);   // not copied
}

TEST(GridRowTest, DefaultsMarksAndCopies) {
    GridRow row;
    EXPECT_EQ(row.imageIndex, -1);
    EXPECT_EQ(row.typeId, 1);
    EXPECT_EQ(row.flags, 0);
    row.SetStatusA();
    EXPECT_TRUE(row.IsStatusA());
    row.SetStatusB();
    EXPECT_TRUE(row.IsStatusB());
    EXPECT_FALSE(row.IsStatusA());
    row.SetMeaningHidden(true);
    row.SetSwapped();
    EXPECT_EQ(row.flags, GRIDROW_UNKNOWN | GRIDROW_MEANING_HIDDEN | GRIDROW_SWAPPED);
    row.bytes = {1, 2, 3};
    row.fourth.m_text = L"de";
    const GridRow copy = row;
    EXPECT_EQ(copy.flags, row.flags);
    EXPECT_EQ(copy.bytes, row.bytes);
    EXPECT_STREQ(copy.fourth.m_text.GetString(), L"de");
}

TEST(GridRowTest, StableSortIgnoresCaseAndKeepsEqualRowsInOrder) {
    std::vector<GridRow> rows = {Row(L"b\u00E4r", L"bear", 1), Row(L"Apfel", L"apple", 2),
                                 Row(L"B\u00C4R", L"Bear", 3), Row(L"apfel", L"Apple", 4)};
    std::stable_sort(rows.begin(), rows.end(), GridRowLess(true, true));
    std::vector<ULONGLONG> order;
    for (const GridRow& r : rows) order.push_back(r.word.m_value);
    EXPECT_EQ(order, (std::vector<ULONGLONG>{2, 4, 1, 3}));
    std::stable_sort(rows.begin(), rows.end(), GridRowLess(false, false));
    order.clear();
    for (const GridRow& r : rows) order.push_back(r.word.m_value);
    EXPECT_EQ(order, (std::vector<ULONGLONG>{1, 3, 2, 4}));
}

TEST(GridRowTest, PrefixMatchesEitherWay) {
    const GridRow row = Row(L"Stra\u00DFe", L"street", 1);
    struct Case {
        bool byWord;
        const wchar_t* text;
        bool match;
    } cases[] = {{true, L"str", true},        {true, L"STRA\u00DFE und mehr", true}, {true, L"", true},
                 {true, L"Strasse", false},   {false, L"STREET", true},               {false, L"streets", true},
                 {false, L"stream", false}};
    for (const Case& c : cases) EXPECT_EQ(GridRowPrefix(c.byWord, c.text)(row), c.match) << c.text;
}

TEST(VocabularyListCtrlTest, CellsAndOrderByColumn) {
    VocabularyListRecord a = Filled(), b = Filled();
    b.fromLanguage = 2;
    b.toLanguage = 9;
    b.name = L"animals zoo";
    b.wordCount = 100;
    EXPECT_STREQ(CVocabularyListCtrl::CellText(a, 0).GetString(), L"3");
    EXPECT_STREQ(CVocabularyListCtrl::CellText(a, 2).GetString(), L"Animals");
    EXPECT_STREQ(CVocabularyListCtrl::CellText(a, 3).GetString(), L"12");
    EXPECT_GT(CVocabularyListCtrl::CompareRecords(a, b, 0, true), 0);
    EXPECT_LT(CVocabularyListCtrl::CompareRecords(a, b, 1, true), 0);
    EXPECT_LT(CVocabularyListCtrl::CompareRecords(a, b, 2, true), 0);
    EXPECT_GT(CVocabularyListCtrl::CompareRecords(a, b, 2, false), 0);
    EXPECT_LT(CVocabularyListCtrl::CompareRecords(a, b, 3, true), 0);  // 12 before 100, as numbers
    EXPECT_EQ(CVocabularyListCtrl::CompareRecords(a, b, 7, true), 0);
}
