#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include "ListTestSupport.h"

using kvxlisttest::ListFixture;
using kvxlisttest::TestList;

namespace {

std::vector<std::pair<std::wstring, int>> Letters() {
    return {{L"a", 1}, {L"b", 2}, {L"c", 3}, {L"d", 4}, {L"e", 5}, {L"f", 6}};
}

// Presses on the row's cell, moves by the given number of rows and
// releases.
void DragRows(ListFixture& f, int row, int rows) {
    TestList& list = *f.list;
    const QPoint start = list.CellCentre(row, 0);
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, start);
    const int step = list.GetRowHeight() * (rows > 0 ? 1 : -1);
    QPoint point = start;
    for (int i = 0; i != rows; i += rows > 0 ? 1 : -1) {
        point.ry() += step;
        QMouseEvent move(QEvent::MouseMove, point, list.viewport()->mapToGlobal(point), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
    }
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, point);
}

} // namespace

TEST(ListCtrlDrag, DraggingMovesTheSelectedRowsAndKeepsThemSelected) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.swap = true;
    list.ClearSelection();
    for (int row : {1, 2, 3}) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);

    DragRows(f, 2, 1);
    EXPECT_EQ(f.Names(), L"aebcdf");
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{2, 3, 4}));
    EXPECT_FALSE(list.IsDragging());
    EXPECT_EQ(list.events, (std::vector<std::string>{"swap 3 4", "swap 2 3", "swap 1 2"}));

    // The last selected row is the list's last row: nothing moves.
    list.events.clear();
    DragRows(f, 3, 1);
    EXPECT_EQ(f.Names(), L"aefbcd");
    list.events.clear();
    DragRows(f, 4, 1);
    EXPECT_EQ(f.Names(), L"aefbcd");
    EXPECT_TRUE(list.events.empty());
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{3, 4, 5}));

    // Up again, two rows at once, one step at a time.
    DragRows(f, 4, -2);
    EXPECT_EQ(f.Names(), L"abcdef");
    EXPECT_EQ(list.GetSelectedRows(), (std::vector<int>{1, 2, 3}));
}

TEST(ListCtrlDrag, ListsWithoutSwapOnlySelect) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.ClearSelection();
    list.SelectItem(1);
    DragRows(f, 1, 2);
    EXPECT_EQ(f.Names(), L"abcdef");
    EXPECT_FALSE(list.IsDragging());
}

TEST(ListCtrlDrag, DroppedFilesReachTheRowUnderTheMouse) {
    ListFixture f(Letters());
    TestList& list = *f.list;
    list.SelectItem(1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/one.txt")), QUrl::fromLocalFile(QStringLiteral("/tmp/two.csv"))});
    const QPoint over = list.CellCentre(2, 1);
    QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_TRUE(list.GetSelectedRows().empty());  // entering clears the selection
    EXPECT_EQ(list.GetDropTarget(), 2);
    EXPECT_EQ(list.GetItemState(2, LVIS_DROPHILITED), LVIS_DROPHILITED);

    // Row 3 takes no drops: the target is cleared.
    QDragMoveEvent overOdd(list.CellCentre(3, 0), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &overOdd);
    EXPECT_EQ(list.GetDropTarget(), -1);

    QDragMoveEvent overEven(list.CellCentre(4, 0), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &overEven);
    QDropEvent drop(QPointF(list.CellCentre(4, 0)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    ASSERT_EQ(list.drops.size(), 1u);
    EXPECT_EQ(list.drops[0].first, 4);
    ASSERT_EQ(list.drops[0].second.size(), 2u);
    EXPECT_STREQ(list.drops[0].second[0].GetString(), L"/tmp/one.txt");
    EXPECT_STREQ(list.drops[0].second[1].GetString(), L"/tmp/two.csv");
    EXPECT_EQ(list.GetDropTarget(), -1);
}

TEST(ListCtrlDrag, OnlyAPointOverTheListMovesRows) {
    ListFixture f(Letters());
    for (int i = 0; i < 40; ++i) f.Add(L"z", 10 + i);
    QApplication::processEvents();
    TestList& list = *f.list;
    list.swap = true;
    list.ClearSelection();
    list.SelectItem(1);
    const QPoint start = list.CellCentre(1, 0);
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, start);
    // Below the list's client area, where rows lie that are not shown.
    const QPoint outside(start.x(), list.viewport()->height() + list.GetRowHeight());
    QMouseEvent move(QEvent::MouseMove, outside, list.viewport()->mapToGlobal(outside), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, outside);
    EXPECT_EQ(f.Names().substr(0, 6), L"abcdef");
    EXPECT_TRUE(list.events.empty());
}
