#include <gtest/gtest.h>

#include <QLineEdit>

#include "ListTestSupport.h"
#include "Pendrel/Controls/BasicListCtrlEdit.h"

using kvxlisttest::ListFixture;
using kvxlisttest::TestList;

namespace {

std::vector<std::pair<std::wstring, int>> Words() {
    return {{L"Haus", 3}, {L"Baum", 1}, {L"Tisch", 2}};
}

} // namespace

TEST(ListCtrlEdit, ClicksAndF2OpenTheEditorInTheSystemsOrder) {
    struct Step {
        const char* action;  // "click r c" or "F2"
        int row, column;
        bool editorOpens;
        int editorRow, editorColumn;
    };
    const Step steps[] = {
        {"F2", 0, 0, false, 0, 0},       // before any click: column -1, nothing opens
        {"click", 1, 1, false, 0, 0},    // a first click selects the row
        {"click", 1, 1, true, 1, 1},     // a second click on the focused row's cell edits it
        {"click", 2, 0, false, 0, 0},    // another row: a first click again
        {"F2", 0, 0, true, 2, 0},        // F2 edits the selected row in the last clicked column
        {"click", 0, 2, false, 0, 0},
        {"F2", 0, 0, true, 0, 2},
    };
    ListFixture f(Words());
    TestList& list = *f.list;
    list.ClearSelection();
    int i = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(i++);
        if (std::string(step.action) == "F2") {
            list.setFocus();
            QTest::keyClick(&list, Qt::Key_F2);
        } else {
            f.Click(step.row, step.column);
        }
        CBasicListCtrlEdit* editor = list.GetEditCtrl();
        ASSERT_EQ(editor != nullptr, step.editorOpens);
        if (!editor) continue;
        EXPECT_EQ(editor->GetCurrentItem(), step.editorRow);
        EXPECT_EQ(editor->GetColumn(), step.editorColumn);
        EXPECT_TRUE(editor->hasFocus());
        QTest::keyClick(editor, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(list.GetEditCtrl(), nullptr);
    }
    EXPECT_TRUE(list.edits.empty());

    // A list that does not allow the cell opens nothing.
    list.editable = false;
    f.Click(1, 0);
    f.Click(1, 0);
    EXPECT_EQ(list.GetEditCtrl(), nullptr);
}

TEST(ListCtrlEdit, HowTheEditEndsDecidesWhatReachesItemEdited) {
    struct Case {
        const char* name;
        const char* typed;
        const char* end;  // Escape, Enter, click, scroll
        const wchar_t* delivered;  // null: nothing
    };
    const Case cases[] = {
        {"escape cancels", "Dach", "Escape", nullptr},
        {"enter delivers", "Dach", "Enter", L"1,0:Dach"},
        {"enter delivers the unchanged text", "", "Enter", L"1,0:Baum"},
        {"a click elsewhere delivers", "Dach", "click", L"1,0:Dach"},
        {"scrolling delivers", "Dach", "scroll", L"1,0:Dach"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListFixture f(Words());
        for (int i = 0; i < 40; ++i) f.Add(L"more", 10 + i);
        QApplication::processEvents();
        TestList& list = *f.list;
        CBasicListCtrlEdit* editor = list.ShowEditCtrl(1, 0);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->toPlainText(), QStringLiteral("Baum"));
        if (*c.typed) QTest::keyClicks(editor, QString::fromLatin1(c.typed));  // replaces the selected text
        const std::string end = c.end;
        if (end == "Escape")
            QTest::keyClick(editor, Qt::Key_Escape);
        else if (end == "Enter")
            QTest::keyClick(editor, Qt::Key_Return);
        else if (end == "click")
            f.Click(2, 1);
        else
            list.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QApplication::processEvents();
        EXPECT_EQ(list.GetEditCtrl(), nullptr);
        if (c.delivered) {
            ASSERT_EQ(list.edits.size(), 1u);
            EXPECT_EQ(list.edits[0], c.delivered);
        } else {
            EXPECT_TRUE(list.edits.empty());
        }
        EXPECT_TRUE(f.dialog.isVisible());
    }
}

TEST(ListCtrlEdit, ASortDuringAnEditDropsThatEditOnly) {
    ListFixture f(Words());
    TestList& list = *f.list;
    CBasicListCtrlEdit* editor = list.ShowEditCtrl(0, 0);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("Dach"));
    f.ClickHeader(1);  // the edited row moves
    EXPECT_TRUE(editor->hasFocus());
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(list.edits.empty());

    // The next edit is delivered again, and so is one after a sort with no
    // editor open.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) f.ClickHeader(1);
        editor = list.ShowEditCtrl(2, 0);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QStringLiteral("Stuhl"));
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_EQ(list.edits.size(), static_cast<size_t>(round + 1));
        EXPECT_EQ(list.edits.back(), L"2,0:Stuhl");
    }
}

TEST(ListCtrlEdit, EditorGeometryFollowsItsCellAndGrowsToTheClientEdge) {
    ListFixture f(Words());
    TestList& list = *f.list;
    list.SetColumnWidth(1, 4);
    EXPECT_EQ(list.ShowEditCtrl(0, 1), nullptr);  // narrower than 5 pixels
    EXPECT_EQ(list.ShowEditCtrl(0, 3), nullptr);  // no such column
    EXPECT_EQ(list.ShowEditCtrl(7, 0), nullptr);  // no such row
    list.SetColumnWidth(1, 60);

    CBasicListCtrlEdit* editor = list.ShowEditCtrl(1, 2);
    ASSERT_NE(editor, nullptr);
    RECT cell;
    list.GetSubItemRect(1, 2, LVIR_BOUNDS, &cell);
    EXPECT_EQ(editor->geometry(), QRect(cell.left + 4, cell.top, cell.right - cell.left - 3, cell.bottom - cell.top));
    const int startWidth = editor->width();
    QTest::keyClicks(editor, QString(30, QLatin1Char('W')));
    EXPECT_GT(editor->width(), startWidth);
    EXPECT_LE(editor->geometry().right() + 1, list.viewport()->width());
    QTest::keyClicks(editor, QString(60, QLatin1Char('W')));
    EXPECT_EQ(editor->geometry().right() + 1, list.viewport()->width());
    QTest::keyClick(editor, Qt::Key_Escape);
}

TEST(ListCtrlEdit, EditorKeysNeverReachTheDialog) {
    ListFixture f(Words());
    CBasicListCtrlEdit* editor = f.list->ShowEditCtrl(0, 0);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(f.dialog.isVisible());
    ASSERT_EQ(f.list->edits.size(), 1u);
    EXPECT_EQ(f.list->edits[0], L"0,0:Hau");
}

TEST(ListCtrlEdit, MultiLineEditorEndsLinesWithCrLf) {
    QDialog dialog;
    auto* host = new QWidget(&dialog);
    host->resize(200, 100);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto* editor = new CBasicListCtrlEdit(4, 1, CBasicString(L"one"), FALSE);
    ASSERT_TRUE(editor->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL,
                               CKVXRect(0, 0, 200, 60), host, 10));
    std::wstring ended = L"none";
    QObject::connect(editor, &CBasicListCtrlEdit::EditEnded, [&](int row, int column, const wchar_t* text) {
        ended = std::to_wstring(row) + L"," + std::to_wstring(column) + L":" + (text ? text : L"(null)");
    });
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText(QStringLiteral("\ntwo"));
    host->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ended, L"4,1:one\r\ntwo");
}

TEST(ListCtrlEdit, AListDestroyedDuringAnEditGetsNoReport) {
    ListFixture f(Words());
    CBasicListCtrlEdit* editor = f.list->ShowEditCtrl(0, 0);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("Dach"));
    // A closing editor (ended, not yet deleted) and an open one.
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_NE(f.list->ShowEditCtrl(1, 0), nullptr);
    delete f.list;
    f.list = nullptr;
    QApplication::processEvents();
    EXPECT_EQ(f.destroyed, 0);
}
