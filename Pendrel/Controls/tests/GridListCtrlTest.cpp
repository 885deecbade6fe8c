#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QStyle>
#include <QTest>

#include <memory>
#include <string>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Controls/BasicListCtrlHdr.h"
#include "Pendrel/Controls/GridListCtrl.h"
#include "Pendrel/Platform/KVXText.h"

namespace {

class GridFixture {
public:
    explicit GridFixture(int columns = 1, int width = 400) {
        dialog.resize(width, 300);
        grid = new CGridListCtrl(&dialog);
        grid->SetGridSize(columns, 10);
        grid->Create(WS_CHILD | WS_VISIBLE | LVS_EDITLABELS, CKVXRect(0, 0, width, 300), &dialog, 1001);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        grid->setFocus();
        QApplication::processEvents();
    }
    // The rows' texts, "|" between them.
    std::wstring Texts() const {
        std::wstring texts;
        for (int row = 0; row < grid->GetItemCount(); ++row) {
            if (row) texts += L"|";
            texts += grid->GetCtrlItem(row)->m_text.GetString();
        }
        return texts;
    }
    void Edit(int row, int column, const QString& text) {
        CBasicListCtrlEdit* editor = grid->ShowEditCtrl(row, column);
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_Delete);
        if (!text.isEmpty()) QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
    }

    QDialog dialog;
    CGridListCtrl* grid = nullptr;
};

} // namespace

TEST(GridListCtrl, SetTextReplacesOrAppendsAndKeepsOneEmptyRowLast) {
    GridFixture f;
    CGridListCtrl& grid = *f.grid;
    EXPECT_EQ(grid.GetItemCount(), 0);
    struct Step {
        const wchar_t* text;
        int row;
        const wchar_t* texts;
    };
    const Step steps[] = {
        {L"eins", 0, L"eins|"},           // an empty grid: the row and an empty one
        {L"zwei", -1, L"eins||zwei|"},    // row -1 appends
        {L"drei", 99, L"eins||zwei||drei|"},
        {L"EINS", 0, L"EINS||zwei||drei|"},
        {L"", 0, L"||zwei||drei|"},       // a middle row emptied: still one empty row last
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.row);
        EXPECT_TRUE(grid.SetText(L"second", step.text, 7, step.row));
        EXPECT_EQ(f.Texts(), step.texts);
    }
    EXPECT_STREQ(grid.GetCtrlItem(0)->m_secondText.GetString(), L"second");
    EXPECT_EQ(grid.GetCtrlItem(0)->m_value, 7u);
    EXPECT_EQ(grid.GetCtrlItem(-1), nullptr);
    EXPECT_EQ(grid.GetCtrlItem(grid.GetItemCount()), nullptr);

    grid.ClearControl();
    EXPECT_EQ(grid.GetItemCount(), 1);
    EXPECT_EQ(f.Texts(), L"");
}

TEST(GridListCtrl, EditingTheTrailingRowAddsTheNextOne) {
    GridFixture f(2);
    CGridListCtrl& grid = *f.grid;
    grid.SetText(L"loaded", L"Haus", 42, 0);
    f.Edit(1, 0, QStringLiteral("Baum"));
    EXPECT_EQ(f.Texts(), L"Haus|Baum|");
    f.Edit(2, 0, QString());  // an empty edit of the trailing row adds nothing
    EXPECT_EQ(f.Texts(), L"Haus|Baum|");
    // Any column edits the row's one text; value and second text stay.
    f.Edit(0, 1, QStringLiteral("Dach"));
    EXPECT_EQ(f.Texts(), L"Dach|Baum|");
    EXPECT_EQ(grid.GetCtrlItem(0)->m_value, 42u);
    EXPECT_STREQ(grid.GetCtrlItem(0)->m_secondText.GetString(), L"loaded");
}

TEST(GridListCtrl, SortIgnoresCaseAndKeepsTheEmptyRowLast) {
    GridFixture f;
    CGridListCtrl& grid = *f.grid;
    // Appending (row -1) after the empty row leaves an empty row after each.
    for (const wchar_t* text : {L"pear", L"Apple", L"apple", L"fig"}) grid.SetText(L"", text, 0, -1);
    EXPECT_EQ(f.Texts(), L"pear||Apple||apple||fig|");
    grid.SortArrays(0, TRUE);
    EXPECT_EQ(f.Texts(), L"Apple|apple|fig|pear||||");
    grid.SortArrays(0, FALSE);
    EXPECT_EQ(f.Texts(), L"pear|fig|Apple|apple||||");
    // Typing into the last row still adds exactly one empty row.
    grid.SetText(L"", L"kiwi", 0, grid.GetItemCount() - 1);
    EXPECT_EQ(f.Texts(), L"pear|fig|Apple|apple||||kiwi|");
}

TEST(GridListCtrl, ColumnsCountDownFromTheLeftAndNeverGetNegativeWidths) {
    GridFixture f(3);
    CBasicListCtrlHdr* header = f.grid->GetHeaderCtrl();
    ASSERT_EQ(f.grid->GetColumnCount(), 3);
    const int scrollBar = f.grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, f.grid);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(header->model()->headerData(i, Qt::Horizontal).toString(), QString::number(2 - i));
        EXPECT_EQ(f.grid->GetColumnWidth(i), f.grid->contentsRect().width() / 3 - 2 * scrollBar);
    }
    GridFixture narrow(4, 60);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(narrow.grid->GetColumnWidth(i), 0);
}
