#include <gtest/gtest.h>

#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QSignalSpy>

#include "ListTestSupport.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXSystemImageList.h"

using kvxlisttest::ListFixture;
using kvxlisttest::Row;
using kvxlisttest::TestList;

namespace {

std::vector<std::pair<std::wstring, int>> Letters() {
    // Keys with ties: b, d and e share 2; a and f share 1.
    return {{L"a", 1}, {L"b", 2}, {L"c", 3}, {L"d", 2}, {L"e", 2}, {L"f", 1}};
}

} // namespace

TEST(BasicListCtrl, HeaderClicksSortStablyAndTheSelectionFollowsItsRows) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.ClearSelection();
    list.SelectItem(3);  // "d"
    struct Step {
        int column;
        const wchar_t* order;
        int sortedColumn;
        BOOL ascending;
        int sortCalls;
    };
    const Step steps[] = {
        {1, L"afbdec", 1, TRUE, 1},   // a new column sorts ascending, ties keep their order
        {1, L"cbdeaf", 1, FALSE, 2},  // the same column reverses, ties still in order
        {0, L"cbdeaf", 0, TRUE, 3},   // column 0 sorts, but SortEntries ignores it: all equal
        {2, L"cbdeaf", 0, TRUE, 3},   // an unsortable column does nothing
        {1, L"afbdec", 1, TRUE, 4},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.column);
        f.ClickHeader(step.column);
        EXPECT_EQ(f.Names(), step.order);
        EXPECT_EQ(list.GetSortedColumn(), step.sortedColumn);
        EXPECT_EQ(list.IsAscSorted(), step.ascending);
        EXPECT_EQ(list.sortArraysCalls, step.sortCalls);
        // The selected and focused row is still "d".
        const std::vector<int> selected = list.GetSelectedRows();
        ASSERT_EQ(selected.size(), 1u);
        EXPECT_EQ(list.RowAt(selected[0])->name, L"d");
        EXPECT_EQ(list.GetItemState(selected[0], LVIS_FOCUSED), LVIS_FOCUSED);
    }
    list.SortArrays(-1, TRUE);
    EXPECT_EQ(f.Names(), L"afbdec");
    EXPECT_EQ(list.GetSortedColumn(), 1);
}

TEST(BasicListCtrl, UnsortableHeaderNeverLooksPressed) {
    ListFixture f(Letters());
    CBasicListCtrlHdr* header = f.list->GetHeaderCtrl();
    QSignalSpy pressed(header, &QHeaderView::sectionPressed);
    const int x = header->sectionViewportPosition(2) + 10;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
    EXPECT_EQ(pressed.count(), 0);
    f.ClickHeader(1);
    EXPECT_EQ(pressed.count(), 1);
}

TEST(BasicListCtrl, RowsOutsideTheListAreNullAndRowsAreNeverFreed) {
    ListFixture f(Letters());
    EXPECT_EQ(f.list->GetItem(-1), nullptr);
    EXPECT_EQ(f.list->GetItem(6), nullptr);
    EXPECT_EQ(f.list->GetItem(5), f.owned[5].get());
    EXPECT_FALSE(f.list->SetItem(6, f.owned[0].get()));
    f.list->DeleteListItems(FALSE);
    EXPECT_EQ(f.list->GetItemCount(), 6);
    f.list->DeleteListItems(TRUE);
    EXPECT_EQ(f.list->GetItemCount(), 0);
    f.Add(L"g", 7);
    delete f.list;
    EXPECT_EQ(f.destroyed, 0);
}

TEST(BasicListCtrl, PaintAsksTheDisplayHookOnlyForVisibleCells) {
    ListFixture f;
    for (int i = 0; i < 100000; ++i) f.Add(L"row", i);
    f.list->displayCalls = 0;
    (void)f.list->grab();
    const int visibleRows = f.list->GetCountPerPage() + 1;
    EXPECT_GT(f.list->displayCalls, 0);
    EXPECT_LE(f.list->displayCalls, visibleRows * f.list->GetColumnCount());
}

// A fill reaches the view as one insertion, and every operation right after
// AddItem (before the event loop ran) already sees the new rows.
TEST(BasicListCtrl, AFillReachesTheViewAsOneInsertionAndIsUsableAtOnce) {
    ListFixture f;
    std::vector<std::pair<int, int>> insertions;
    QObject::connect(f.list->model(), &QAbstractItemModel::rowsInserted, f.list,
                     [&](const QModelIndex&, int first, int last) { insertions.emplace_back(first, last); });
    for (int i = 0; i < 1000; ++i) f.Add(L"row", i);
    EXPECT_EQ(f.list->GetItemCount(), 1000);
    f.list->SelectItem(999);
    EXPECT_EQ(f.list->GetSelectedRows(), std::vector<int>{999});
    EXPECT_TRUE(f.list->EnsureVisible(999, FALSE));
    EXPECT_EQ(f.list->GetTopIndex() + f.list->GetCountPerPage(), 1000);
    EXPECT_EQ(insertions, (std::vector<std::pair<int, int>>{{0, 999}}));

    // Rows added later come in one more insertion at the next event-loop
    // pass, and are painted.
    f.Add(L"late", 1000);
    f.Add(L"later", 1001);
    EXPECT_EQ(f.list->model()->rowCount(), 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(insertions, (std::vector<std::pair<int, int>>{{0, 999}, {1000, 1001}}));
    f.list->EnsureVisible(1001, FALSE);
    f.list->displayCalls = 0;
    (void)f.list->grab();
    EXPECT_GT(f.list->displayCalls, 0);
    EXPECT_STREQ(f.list->GetItemText(1001, 0).GetString(), L"later");
}

TEST(BasicListCtrl, EnterAndEscapeDoNotCloseTheDialog) {
    ListFixture f(Letters());
    auto* ok = new QPushButton(QStringLiteral("OK"), &f.dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &f.dialog, &QDialog::accept);
    f.list->setFocus();
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(f.list, static_cast<Qt::Key>(key));
        EXPECT_TRUE(f.dialog.isVisible()) << key;
        EXPECT_EQ(f.dialog.result(), 0);
    }
}

TEST(BasicListCtrl, SelectionColoursRunToTheTextEndOrTheLastColumn) {
    ListFixture f({{L"ab", 1}, {L"cd", 2}});
    TestList& list = *f.list;
    list.SelectItem(0);
    list.setFocus();
    RECT label, bounds;
    list.GetItemRect(0, &label, LVIR_LABEL);
    list.GetItemRect(0, &bounds, LVIR_BOUNDS);
    const int y = (label.top + label.bottom) / 2;
    const QRgb highlight = KVXToQColor(GetSysColor(COLOR_HIGHLIGHT)).rgb();
    auto probe = [&](int x) { return list.viewport()->grab().toImage().pixel(x, label.bottom - 2) == highlight; };
    (void)y;
    // Without full-row selection: behind the text of column 0 only.
    EXPECT_TRUE(probe(label.left + 1));
    EXPECT_FALSE(probe(label.right - 5));
    EXPECT_FALSE(probe(bounds.right - 5));
    list.SetFullRowSel(TRUE);
    EXPECT_TRUE(probe(label.left + 1));
    EXPECT_TRUE(probe(bounds.right - 5));
    // Without the focus the button-face colours are used.
    list.clearFocus();
    QApplication::processEvents();
    const QRgb face = KVXToQColor(GetSysColor(COLOR_BTNFACE)).rgb();
    EXPECT_EQ(list.viewport()->grab().toImage().pixel(bounds.right - 5, label.bottom - 2), face);
}

TEST(BasicListCtrl, CheckBoxClickReachesItsHookBeforeTheSelectionChanges) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.SetExtendedStyle(LVS_EX_CHECKBOXES);
    list.SelectItem(0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CheckBoxPoint(2));
    ASSERT_EQ(list.selectedAtStateClick.size(), 1u);
    EXPECT_FALSE(list.selectedAtStateClick[0]);
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED), LVIS_SELECTED);
    EXPECT_EQ(list.events, (std::vector<std::string>{"state 2", "clicked 2"}));

    // A double click on the check box is one more check-box click, not a
    // double click on the row; elsewhere on the row it is.
    list.events.clear();
    f.DoubleClick(list.CheckBoxPoint(2));
    f.DoubleClick(list.CellCentre(2, 1));
    EXPECT_EQ(list.events,
              (std::vector<std::string>{"state 2", "clicked 2", "state 2", "clicked 2", "double 2"}));
}

TEST(BasicListCtrl, SeparatorLinesFollowHorizontalScrolling) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.SetColumnWidth(2, 400);
    list.EnableSeparatorLines(TRUE);
    QApplication::processEvents();
    const int border = list.GetColumnWidth(0) - 1;
    auto blackAt = [&](int x) {
        return list.viewport()->grab().toImage().pixel(x, list.viewport()->height() - 3) == qRgb(0, 0, 0);
    };
    EXPECT_TRUE(blackAt(border));
    list.Scroll(30, 0);
    EXPECT_FALSE(blackAt(border));
    EXPECT_TRUE(blackAt(border - 30));
}

TEST(BasicListCtrl, MessagePositionsUnpackSignedCoordinates) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    auto pack = [](QPoint screen) {
        return static_cast<DWORD>(static_cast<WORD>(static_cast<SHORT>(screen.x()))) |
               (static_cast<DWORD>(static_cast<WORD>(static_cast<SHORT>(screen.y()))) << 16);
    };
    EXPECT_EQ(list.GetItemFromMessagePos(pack(list.viewport()->mapToGlobal(list.CellCentre(4, 1)))), 4);
    // Left of the list: a negative x stays negative.
    const QPoint left = list.viewport()->mapToGlobal(QPoint(-30, list.CellCentre(4, 1).y()));
    EXPECT_EQ(list.GetItemFromMessagePos(pack(left)), -1);
}

TEST(BasicListCtrl, DropTargetRowShowsTheSelectionColoursAndTheRowsPictures) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.ClearSelection();
    list.SelectDropTarget(3);
    EXPECT_EQ(list.GetItemState(3, LVIS_DROPHILITED | LVIS_SELECTED), LVIS_DROPHILITED);
    RECT label;
    list.GetItemRect(3, &label, LVIR_LABEL);
    const QImage picture = list.viewport()->grab().toImage();
    EXPECT_EQ(picture.pixel(label.left + 1, label.bottom - 2), KVXToQColor(GetSysColor(COLOR_HIGHLIGHT)).rgb());
    list.SelectDropTarget(-1);
    EXPECT_EQ(list.GetItemState(3, LVIS_DROPHILITED), 0u);
    EXPECT_EQ(list.GetImageBlend(LVIS_DROPHILITED), static_cast<UINT>(ILD_TRANSPARENT | ILD_BLEND50));
    EXPECT_EQ(list.GetImageBlend(LVIS_FOCUSED), static_cast<UINT>(ILD_TRANSPARENT));
}

TEST(BasicListCtrl, BaseListTakesTheSharedFileIconLists) {
    QDialog dialog;
    class PlainList : public CBasicListCtrl {
    public:
        void UnTyped_DisplayListCtrlData(void*, LVITEMW*) override {}
    };
    auto* list = new PlainList;
    ASSERT_TRUE(list->Create(WS_CHILD | WS_VISIBLE, CKVXRect(0, 0, 200, 100), &dialog, 7));
    ASSERT_NE(list->GetImageList(LVSIL_SMALL), nullptr);
    ASSERT_NE(list->GetImageList(LVSIL_NORMAL), nullptr);
    EXPECT_EQ(list->GetImageList(LVSIL_SMALL)->cx, 16);
    // The picture sits between the check-box area and the label.
    list->AddColumn(0, L"Name", 100);
    list->AddItem(nullptr);
    RECT icon, label;
    list->GetItemRect(0, &icon, LVIR_ICON);
    list->GetItemRect(0, &label, LVIR_LABEL);
    EXPECT_EQ(icon.right - icon.left, 16);
    EXPECT_EQ(label.left, icon.right);
    delete list;
    // The shared lists outlive the list.
    EXPECT_GT(KVXGetSystemImageList(SHGFI_SMALLICON)->images.size(), 0u);
}
