#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "Quenzel/Shared/MultilineListBox.h"

namespace {

// The owner of the list box: keeps the messages it gets.
class RecordingOwner : public CKVXWnd<QWidget> {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back({message, wParam, lParam});
        return 0;
    }
    std::vector<Message> messages;
};

GridRow Row(const wchar_t* word, const wchar_t* meaning, ULONGLONG wordId = 1, ULONGLONG meaningId = 1) {
    GridRow row;
    row.word.m_text = row.word.m_secondText = word;
    row.meaning.m_text = row.meaning.m_secondText = meaning;
    row.word.m_value = wordId;
    row.meaning.m_value = meaningId;
    return row;
}

const wchar_t kLongMeaning[] =
    L"a meaning long enough to wrap over several lines of the meaning column, so that the row grows with it "
    L"and shows every word of it without cutting any off at the right edge of the list";

void SaveScreenshot(QWidget& widget, const char* name) {
#ifdef KVX_SCREENSHOT_FOLDER
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    widget.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/") + QLatin1String(name));
#else
    (void)widget;
    (void)name;
#endif
}

class MultilineListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_owner.resize(420, 320);
        m_box = new CMultilineListBox(QuenzelServices(), &m_owner, &m_owner);
        m_box->setGeometry(0, 0, 420, 320);
        m_box->LoadImages();
        m_owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_owner));
    }

    void Click(int row, int column, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect item = m_box->visualRect(m_box->model()->index(row, 0));
        const QPoint point(column == 0 ? item.left() + item.width() / 4 : item.left() + item.width() * 3 / 4,
                           item.center().y());
        QTest::mouseClick(m_box->viewport(), button, modifiers, point);
    }
    int Height(int row) { return m_box->visualRect(m_box->model()->index(row, 0)).height(); }
    std::wstring LoadedText(int row, int column) {
        CBasicString text;
        if (!m_box->GetRows().LoadedText(row, column, text)) return L"(no row)";
        return text.GetString();
    }

    RecordingOwner m_owner;
    CMultilineListBox* m_box = nullptr;
};

} // namespace

TEST_F(MultilineListBoxTest, RowsAreAsTallAsTheirLongerTextWithinTheBounds) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"go", kLongMeaning));
    m_box->AddRow(Row(L"a", L"b"));
    std::wstring huge;
    for (int i = 0; i < 60; ++i) huge += L"many words in a row ";
    m_box->AddRow(Row(L"much", huge.c_str()));
    m_box->RecalcHeights();

    const int column = CMultilineListRows::ColumnWidth(m_box->viewport()->width(), 0, false);
    const int wrapped = QFontMetrics(m_box->font())
                            .boundingRect(QRect(0, 0, column, 100000), Qt::TextWordWrap, QString::fromWCharArray(kLongMeaning))
                            .height();
    ASSERT_GT(wrapped + 6, 30);
    EXPECT_EQ(Height(1), wrapped + 6);
    EXPECT_EQ(Height(2), CMultilineListRows::kMinItemHeight);
    EXPECT_EQ(Height(3), CMultilineListRows::kMaxItemHeight);
    EXPECT_EQ(Height(0), CMultilineListRows::kMinItemHeight);

    // A narrower list wraps more.
    m_box->resize(260, 320);
    QApplication::processEvents();
    EXPECT_GT(Height(1), wrapped + 6);
    m_box->resize(420, 320);
    QApplication::processEvents();
    SaveScreenshot(m_owner, "multiline-list-editor.png");
}

// Each row is measured once; its height goes with it when the rows are
// sorted, and an edit, a mark or another width measures it anew.
TEST_F(MultilineListBoxTest, HeightsFollowTheirRowsThroughSortsEditsAndWidths) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"zebra", kLongMeaning));
    m_box->AddRow(Row(L"apple", L"Apfel", 0, 0));
    m_box->AddRow(Row(L"mango", L"Mango"));
    m_box->RecalcHeights();
    const int tall = Height(1);
    ASSERT_GT(tall, CMultilineListRows::kMinItemHeight);

    Click(0, 0);  // zebra goes last
    ASSERT_STREQ(m_box->GetRow(3)->word.m_text.GetString(), L"zebra");
    EXPECT_EQ(Height(3), tall);
    EXPECT_EQ(Height(1), CMultilineListRows::kMinItemHeight);

    // An edit gives apple the long meaning, and its row grows.
    ASSERT_TRUE(m_box->StartEdit(1, 1));
    m_box->GetEditor()->setPlainText(QString::fromWCharArray(kLongMeaning));
    m_box->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_box->GetEditor() == nullptr, 60000);
    EXPECT_STREQ(m_box->GetRow(1)->meaning.m_text.GetString(), kLongMeaning);
    EXPECT_EQ(Height(1), tall);

    // A narrower list measures every row again.
    m_box->resize(260, 320);
    QApplication::processEvents();
    EXPECT_GT(Height(1), tall);
    EXPECT_GT(Height(3), tall);
    EXPECT_EQ(Height(2), CMultilineListRows::kMinItemHeight);
}

TEST_F(MultilineListBoxTest, ClicksOnTheHeadingSortAscendingThenDescendingAndNeverSelectIt) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"pear", L"Birne"));
    m_box->AddRow(Row(L"Apple", L"Apfel"));
    m_box->AddRow(Row(L"cherry", L"Kirsche"));
    auto words = [this] {
        std::vector<std::wstring> result;
        for (int i = 1; i < m_box->GetRowCount(); ++i) result.emplace_back(m_box->GetRow(i)->word.m_text.GetString());
        return result;
    };
    Click(0, 0);
    EXPECT_EQ(words(), (std::vector<std::wstring>{L"Apple", L"cherry", L"pear"}));
    Click(0, 0);
    EXPECT_EQ(words(), (std::vector<std::wstring>{L"pear", L"cherry", L"Apple"}));
    Click(0, 1);  // the meaning column starts ascending
    EXPECT_EQ(words(), (std::vector<std::wstring>{L"Apple", L"pear", L"cherry"}));
    EXPECT_STREQ(m_box->GetRow(0)->word.m_text.GetString(), L"English");
    std::vector<int> selected;
    m_box->GetSelectedRows(selected);
    EXPECT_EQ(std::count(selected.begin(), selected.end(), 0), 0);
}

TEST_F(MultilineListBoxTest, TheHeadingRowStaysOnTopWhileTheRowsScroll) {
    m_box->AddHeadingRow(L"English", L"German");
    for (int i = 0; i < 300; ++i) {
        const std::wstring number = std::to_wstring(i);
        m_box->AddRow(Row((L"word " + number).c_str(), (L"Wort " + number).c_str()));
    }
    m_box->RecalcHeights();
    QApplication::processEvents();
    const QRect heading = m_box->visualRect(m_box->model()->index(0, 0));
    ASSERT_EQ(heading.top(), 0);
    const QImage before = m_box->viewport()->grab().toImage().copy(0, 0, m_box->viewport()->width(), heading.height());

    // Every kind of scroll: the bar by pixels, to the middle, to the end, the
    // keyboard to a row and back up.
    QScrollBar* bar = m_box->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const std::vector<std::function<void()>> scrolls = {
        [&] { bar->setValue(7); },
        [&] { bar->setValue(bar->maximum() / 2); },
        [&] { bar->setValue(bar->maximum()); },
        [&] { bar->setValue(bar->maximum() / 3); },
    };
    for (size_t i = 0; i < scrolls.size(); ++i) {
        SCOPED_TRACE(i);
        scrolls[i]();
        QApplication::processEvents();
        ASSERT_GT(bar->value(), 0);
        EXPECT_EQ(m_box->visualRect(m_box->model()->index(0, 0)), heading);
        EXPECT_EQ(m_box->indexAt(QPoint(10, heading.height() / 2)).row(), 0);
        EXPECT_NE(m_box->indexAt(QPoint(10, heading.height() + 1)).row(), 0);
        const QImage top =
            m_box->viewport()->grab().toImage().copy(0, 0, m_box->viewport()->width(), heading.height());
        EXPECT_EQ(top, before) << "the heading row is not drawn on top";
    }
    SaveScreenshot(m_owner, "multiline-list-scrolled-heading.png");

    // A row brought into view by the keys is not hidden under the heading.
    m_box->setFocus();
    m_box->SetCurrentCell(200, 0);
    m_box->scrollTo(m_box->model()->index(200, 0));
    QTest::keyClick(m_box, Qt::Key_Up);
    QApplication::processEvents();
    const QModelIndex current = m_box->currentIndex();
    ASSERT_EQ(current.row(), 199);
    EXPECT_GE(m_box->visualRect(current).top(), heading.height());

    // A click on the heading while scrolled sorts by that column.
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    Click(0, 0);
    EXPECT_EQ(m_box->GetRows().GetSortedColumn(), 0);
    EXPECT_STREQ(m_box->GetRow(1)->word.m_text.GetString(), L"word 0");
    Click(0, 0);
    EXPECT_STREQ(m_box->GetRow(1)->word.m_text.GetString(), L"word 99");
}

// A reset lets the view's layout of the old rows go: the list behaves as a
// new one, and rows added again are laid out as the first time.
TEST_F(MultilineListBoxTest, AResetListLaysOutNewRowsAsTheFirstTime) {
    auto addRows = [this] {
        for (int i = 0; i < 300; ++i) {
            const std::wstring number = std::to_wstring(i);
            m_box->AddRow(Row((L"word " + number).c_str(), i % 7 ? L"Wort" : kLongMeaning));
        }
        m_box->RecalcHeights();
        QApplication::processEvents();
    };
    struct Layout {
        std::vector<QRect> rects;
        int maximum;
        bool operator==(const Layout&) const = default;
    };
    auto layout = [this] {
        Layout seen{{}, m_box->verticalScrollBar()->maximum()};
        for (int row = 0; row < m_box->model()->rowCount(); ++row)
            seen.rects.push_back(m_box->visualRect(m_box->model()->index(row, 0)));
        return seen;
    };
    m_box->AddHeadingRow(L"English", L"German");
    addRows();
    const Layout first = layout();
    ASSERT_GT(first.maximum, 0);
    m_box->verticalScrollBar()->setValue(first.maximum / 2);
    QApplication::processEvents();

    m_box->ResetContent();
    QApplication::processEvents();
    EXPECT_EQ(m_box->model()->rowCount(), 1);
    EXPECT_EQ(m_box->verticalScrollBar()->maximum(), 0);
    // The list's own settings stay as they were made.
    EXPECT_EQ(m_box->viewMode(), QListView::ListMode);
    EXPECT_EQ(m_box->flow(), QListView::TopToBottom);
    EXPECT_EQ(m_box->movement(), QListView::Static);
    EXPECT_EQ(m_box->resizeMode(), QListView::Adjust);
    EXPECT_FALSE(m_box->isWrapping());
    EXPECT_FALSE(m_box->dragEnabled());
    EXPECT_FALSE(m_box->uniformItemSizes());
    EXPECT_TRUE(m_box->wordWrap());
    EXPECT_EQ(m_box->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
    EXPECT_EQ(m_box->selectionMode(), QAbstractItemView::ExtendedSelection);

    m_box->verticalScrollBar()->setValue(0);
    addRows();  // below the heading row, which the reset kept
    EXPECT_TRUE(layout() == first);
    EXPECT_EQ(m_box->indexAt(QPoint(10, first.rects[1].center().y())).row(), 1);
}

// The style keeps each button face it draws under the palette's identity:
// the heading row's face is drawn with one palette, paint after paint, so
// that scrolling does not fill the style's cache with copies.
TEST_F(MultilineListBoxTest, TheHeadingFaceIsDrawnWithOnePalettePaintAfterPaint) {
    class RecordingStyle : public QProxyStyle {
    public:
        mutable std::vector<qint64> palettes;
        void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const override {
            if (element == CE_PushButtonBevel) palettes.push_back(option->palette.cacheKey());
            QProxyStyle::drawControl(element, option, painter, widget);
        }
    } style;
    m_box->setStyle(&style);
    m_box->AddHeadingRow(L"English", L"German");
    for (int i = 0; i < 100; ++i) m_box->AddRow(Row(L"word", L"Wort"));
    m_box->RecalcHeights();
    for (int value : {0, 40, 80, 0}) {
        m_box->verticalScrollBar()->setValue(value);
        (void)m_box->viewport()->grab();
    }
    m_box->setStyle(nullptr);
    ASSERT_GE(style.palettes.size(), 4u);
    EXPECT_EQ(std::count(style.palettes.begin(), style.palettes.end(), style.palettes.front()),
              static_cast<std::ptrdiff_t>(style.palettes.size()));
}

TEST_F(MultilineListBoxTest, TheFirstAddedRowIsSelectedAndALetterMovesTheSelection) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"apple", L"Apfel"));
    m_box->AddRow(Row(L"banana", L"Banane"));
    std::vector<int> selected;
    m_box->GetSelectedRows(selected);
    EXPECT_EQ(selected, std::vector<int>{1});

    m_box->setFocus();
    QTest::keyClick(m_box, Qt::Key_B);
    m_box->GetSelectedRows(selected);
    EXPECT_EQ(selected, std::vector<int>{2});
    QTest::keyClick(m_box, Qt::Key_Z);  // no row starts with it
    m_box->GetSelectedRows(selected);
    EXPECT_EQ(selected, std::vector<int>{2});
}

TEST_F(MultilineListBoxTest, AClickInTheLearningModeMarksTheRowAndTellsTheOwner) {
    m_box->SetMode(MULTILINE_MODE_LEARNING);
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"apple", L"Apfel"));
    m_box->AddRow(Row(L"pear", L"Birne"));
    m_box->SetCounters(2, 0, 2);
    m_box->RecalcHeights();

    Click(2, 0);
    const GridRow* row = m_box->GetRow(2);
    EXPECT_TRUE(row->IsStatusA());
    EXPECT_EQ(row->statusCount, 1);
    EXPECT_EQ(row->imageIndex, 1);
    EXPECT_EQ(m_box->GetKnownCount(), 1);
    EXPECT_EQ(m_box->GetUnknownCount(), 1);
    ASSERT_EQ(m_owner.messages.size(), 2u);
    EXPECT_EQ(m_owner.messages[0].message, WM_MULTILINE_CHANGED);
    EXPECT_EQ(m_owner.messages[0].lParam, 1);
    EXPECT_EQ(m_owner.messages[1].message, WM_MULTILINE_MARKED);
    EXPECT_EQ(m_owner.messages[1].wParam, 2u);

    // A hidden meaning is shown by a click on it, not marked.
    m_box->SetMeaningsHidden(TRUE);
    Click(1, 1);
    EXPECT_FALSE(m_box->GetRow(1)->IsMeaningHidden());
    EXPECT_FALSE(m_box->GetRow(1)->IsStatusA());
    m_box->SetMeaningsHidden(TRUE);
    Click(2, 1);
    Click(1, 0);
    SaveScreenshot(m_owner, "multiline-list-learning.png");

    // The menu's Known goes to the owner as a command.
    m_owner.messages.clear();
    m_box->OnMenuCommand(IDC_MULTILINE_KNOWN);
    ASSERT_EQ(m_owner.messages.size(), 1u);
    EXPECT_EQ(m_owner.messages[0].message, WM_COMMAND);
    EXPECT_EQ(m_owner.messages[0].wParam, IDC_MULTILINE_KNOWN);
}

TEST_F(MultilineListBoxTest, TheMenuFollowsTheModeAndTheEditFlag) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"apple", L"Apfel"));
    m_box->SetCurrentCell(1, 0);
    auto texts = [this] {
        QMenu menu;
        m_box->BuildContextMenu(menu);
        std::vector<std::pair<QString, bool>> result;
        for (QAction* action : menu.actions())
            if (!action->isSeparator()) result.emplace_back(action->text(), action->isEnabled());
        return result;
    };
    using Items = std::vector<std::pair<QString, bool>>;
    EXPECT_EQ(texts(), (Items{{"Pronunciation", true}, {"Edit", true}, {"Remove", true}}));

    m_box->SetMode(MULTILINE_MODE_LEARNING);
    m_box->SetEditFlag(0);
    EXPECT_EQ(texts(), (Items{{"Known", true}, {"Unknown", true}, {"Edit", false}, {"Remove", false}}));
    m_box->SetMeaningsHidden(TRUE);
    EXPECT_EQ(texts().at(2).first, QStringLiteral("Show Mean"));

    m_box->SetMode(MULTILINE_MODE_DICTIONARY);
    EXPECT_TRUE(texts().empty());  // no language-pair window: no "Add to"
    m_box->SetLanguagePairWindow(&m_owner);
    EXPECT_EQ(texts(), (Items{{"Add to", true}}));
}

TEST_F(MultilineListBoxTest, InPlaceEditingChangesTheCurrentTextAndReportsTheChange) {
    m_box->AddHeadingRow(L"English", L"German");
    m_box->AddRow(Row(L"apple", L"Apfel", 7, 8));
    m_box->AddRow(Row(L"new", L"neu", 0, 0));
    m_box->RecalcHeights();

    Click(1, 1);
    Click(1, 1);  // the current cell again: the edit starts
    CBasicListCtrlEdit* editor = m_box->GetEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("Apfelbaum"));
    m_box->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_box->GetEditor() == nullptr, 60000);
    EXPECT_STREQ(m_box->GetRow(1)->meaning.m_text.GetString(), L"Apfelbaum");
    EXPECT_EQ(LoadedText(1, 1), L"Apfel");
    EXPECT_TRUE(m_box->IsModified());
    ASSERT_FALSE(m_owner.messages.empty());
    EXPECT_EQ(m_owner.messages.back().message, WM_MULTILINE_CHANGED);
    EXPECT_NE(m_owner.messages.back().lParam, 0);

    // A row without ids takes the text as loaded too; a new text is still
    // reported, an unchanged one is not.
    m_owner.messages.clear();
    m_box->SetModified(FALSE);
    ASSERT_TRUE(m_box->StartEdit(2, 0));
    m_box->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_box->GetEditor() == nullptr, 60000);
    EXPECT_TRUE(m_owner.messages.empty());
    EXPECT_FALSE(m_box->IsModified());
    ASSERT_TRUE(m_box->StartEdit(2, 0));
    QTest::keyClick(m_box->GetEditor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(m_box->GetEditor(), QStringLiteral("newer"));
    m_box->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(m_box->GetEditor() == nullptr, 60000);
    EXPECT_STREQ(m_box->GetRow(2)->word.m_text.GetString(), L"newer");
    EXPECT_EQ(LoadedText(2, 0), L"newer");
    EXPECT_TRUE(m_box->IsModified());
    ASSERT_EQ(m_owner.messages.size(), 1u);
    EXPECT_EQ(m_owner.messages.back().message, WM_MULTILINE_CHANGED);
    EXPECT_NE(m_owner.messages.back().lParam, 0);

    // Not on the heading, not in the dictionary mode.
    EXPECT_FALSE(m_box->StartEdit(0, 0));
    m_box->SetMode(MULTILINE_MODE_DICTIONARY);
    EXPECT_FALSE(m_box->StartEdit(1, 0));
}

TEST_F(MultilineListBoxTest, RowsAddedOnAWorkerAppearOnTheViewsThread) {
    m_box->AddHeadingRow(L"English", L"German");
    std::thread worker([this] {
        for (int i = 0; i < 50; ++i) m_box->AddRow(Row(L"word", L"Wort"));
    });
    worker.join();
    QTRY_COMPARE_WITH_TIMEOUT(m_box->model()->rowCount(), 51, 60000);
    m_box->ResetContent();
    EXPECT_EQ(m_box->model()->rowCount(), 1);
}
