#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTest>

#include <iterator>
#include <vector>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Pendrel/Platform/KVXFonts.h"

namespace {

constexpr UINT kTemplateId = 9601;
constexpr UINT kListId = 1001;
constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;

// 200 x 150 dialog units: 300 x 244 pixels. The list lies at (11, 11) to
// (290, 174), the OK button at (215, 208) to (290, 231), right and bottom outside.
const KVXDialogControl kControls[] = {
    {kListId, WC_LISTBOX, L"", 7, 7, 186, 100, kShown},
    {IDOK, WC_BUTTON, L"OK", 143, 128, 50, 14, kShown | WS_TABSTOP},
};
const KVXDialogTemplate kTemplate = {kTemplateId, L"Resizable", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 200, 150, 8,
                                     L"DejaVu Sans", kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kRegistration(kTemplate);

class CTestResizableDlg : public CKVXResizableDlg {
public:
    explicit CTestResizableDlg(bool anchored = true) : CKVXResizableDlg(kTemplateId), m_anchored(anchored) {}

    int layouts = 0;
    POINT minimum{0, 0};  // set as the minimum tracking size when not 0

    void AddResizableControls() override {
        m_resizableCtrls.clear();
        if (m_anchored) {
            m_resizableCtrls.emplace_back(kListId, 0, RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT);
            m_resizableCtrls.emplace_back(IDOK, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM);
        }
        CKVXResizableDlg::AddResizableControls();
    }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CKVXResizableDlg::OnInitDialog();
        AddResizableControls();
        return result;
    }
    void SetChildWindowPosition() override { ++layouts; }
    void OnGetMinMaxInfo(MINMAXINFO* info) override {
        if (minimum.x) info->ptMinTrackSize = minimum;
        CKVXResizableDlg::OnGetMinMaxInfo(info);
    }

private:
    bool m_anchored;
};

QRect Geometry(CKVXDialog& dialog, UINT id) {
    return dialog.GetDlgItem(id)->geometry();
}

// A size change that reaches the dialog whatever its state.
void SendResize(QWidget& widget, QSize size) {
    QResizeEvent event(size, widget.size());
    QApplication::sendEvent(&widget, &event);
}

TEST(ResizableDlgTest, ControlsFollowTheSize) {
    CTestResizableDlg dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.size(), QSize(300, 244));
    EXPECT_EQ(Geometry(dialog, kListId), QRect(QPoint(11, 11), QPoint(289, 173)));

    dialog.resize(500, 400);
    EXPECT_EQ(Geometry(dialog, kListId), QRect(QPoint(11, 11), QPoint(489, 329)));
    EXPECT_EQ(Geometry(dialog, IDOK), QRect(415, 364, 75, 23));
    EXPECT_GE(dialog.layouts, 1);

    // Measured again where they are now, they keep their place.
    dialog.AddResizableControls();
    dialog.resize(500, 400);
    dialog.ResizeControls();
    EXPECT_EQ(Geometry(dialog, IDOK), QRect(415, 364, 75, 23));
}

TEST(ResizableDlgTest, MinimisedDialogIsNotLaidOutUntilRestored) {
    CTestResizableDlg dialog;
    ASSERT_TRUE(dialog.Create());
    const QRect button = Geometry(dialog, IDOK);
    dialog.showMinimized();
    ASSERT_TRUE(dialog.isMinimized());
    const int before = dialog.layouts;
    dialog.resize(500, 400);
    SendResize(dialog, QSize(500, 400));
    EXPECT_EQ(Geometry(dialog, IDOK), button);
    EXPECT_EQ(dialog.layouts, before);

    dialog.showNormal();
    EXPECT_EQ(dialog.layouts, before + 1);
    EXPECT_EQ(Geometry(dialog, IDOK), QRect(dialog.width() - 85, dialog.height() - 36, 75, 23));
}

TEST(ResizableDlgTest, EmptyListOrDestroyedDialogIsNeverLaidOut) {
    CTestResizableDlg empty(false);
    ASSERT_TRUE(empty.Create());
    const QRect button = Geometry(empty, IDOK);
    empty.resize(500, 400);
    EXPECT_EQ(Geometry(empty, IDOK), button);
    EXPECT_EQ(empty.layouts, 0);

    CTestResizableDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(dialog.DestroyWindow());
    const int before = dialog.layouts;
    SendResize(dialog, QSize(600, 500));
    dialog.ResizeControls();
    EXPECT_EQ(dialog.layouts, before);
    EXPECT_EQ(Geometry(dialog, IDOK), button);
    EXPECT_TRUE(dialog.GetResizingWindow().IsRectEmpty());
}

TEST(ResizableDlgTest, MinimumSizeIsKept) {
    CTestResizableDlg dialog;
    dialog.minimum = POINT{400, 300};
    ASSERT_TRUE(dialog.Create());
    // The dialog grew to its minimum before its controls were measured.
    EXPECT_EQ(dialog.size(), QSize(400, 300));
    dialog.resize(100, 100);
    EXPECT_EQ(dialog.size(), QSize(400, 300));
    EXPECT_EQ(Geometry(dialog, IDOK), QRect(215, 208, 75, 23));
}

TEST(ResizableDlgTest, PreTranslateMessageSeesControlInputFirst) {
    class CFilteringDlg : public CTestResizableDlg {
    public:
        std::vector<QObject*> seen;
        std::vector<UINT> commands;
        bool eat = false;

    protected:
        BOOL PreTranslateMessage(QObject* target, QEvent* event) override {
            if (event->type() == QEvent::MouseButtonPress) seen.push_back(target);
            return eat && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease);
        }
        void OnCommand(UINT id) override { commands.push_back(id); }
    };
    CFilteringDlg dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* button = dialog.GetDlgItem(IDOK);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialog.seen, std::vector<QObject*>{button});
    EXPECT_EQ(dialog.commands, std::vector<UINT>{IDOK});

    dialog.eat = true;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialog.seen.size(), 2u);
    EXPECT_EQ(dialog.commands.size(), 1u);  // the button never saw the click

    // Input of other windows, and of a destroyed dialog, passes by.
    QWidget other;
    other.show();
    QTest::mouseClick(&other, Qt::LeftButton);
    dialog.DestroyWindow();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dialog.seen.size(), 2u);
}

// The dialog's tooltip shows over a control registered with it, and the
// dialog hands it the moves over the other controls, which hide it at once.
TEST(ResizableDlgTest, TheTooltipShowsOverItsControlsAndSeesTheDialogsMoves) {
    class CTipDlg : public CTestResizableDlg {
    public:
        CWinToolTipCtrl& ToolTip() { return m_toolTip; }
    };
    CTipDlg dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QWidget* button = dialog.GetDlgItem(IDOK);
    QWidget* list = dialog.GetDlgItem(kListId);
    dialog.ToolTip().SetShowDelay(20);
    dialog.ToolTip().AddTool(button, CBasicString(L"[H]OK[D]Closes the window."));
    auto moveTo = [](QWidget* control) {
        const QPoint local(5, 5);
        QCursor::setPos(control->mapToGlobal(local));
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(control->mapToGlobal(local)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(control, &move);
    };
    moveTo(button);
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.ToolTip().isVisible(); }, 5000));
    moveTo(list);
    EXPECT_FALSE(dialog.ToolTip().isVisible());
    moveTo(button);
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.ToolTip().isVisible(); }, 5000));
    dialog.DestroyWindow();
    EXPECT_FALSE(dialog.ToolTip().isVisible());
}

TEST(ResizableDlgTest, PaintBitmapFillsWhiteAndPlacesTheBitmap) {
    QImage bitmap(20, 10, QImage::Format_RGB32);
    bitmap.fill(QColor(200, 0, 0));
    QImage screen(120, 40, QImage::Format_RGB32);
    QPainter target(&screen);
    QImage memory(5, 5, QImage::Format_RGB32);

    CKVXResizableDlg::PaintBitmap(target, memory, bitmap, CKVXRect(0, 0, 100, 30), TRUE);
    ASSERT_EQ(memory.size(), QSize(100, 30));
    EXPECT_EQ(memory.pixel(80, 0), QColor(200, 0, 0).rgb());
    EXPECT_EQ(memory.pixel(99, 9), QColor(200, 0, 0).rgb());
    EXPECT_EQ(memory.pixel(79, 0), QColor(Qt::white).rgb());
    EXPECT_EQ(memory.pixel(99, 10), QColor(Qt::white).rgb());

    // A second paint replaces the picture; left alignment.
    CKVXResizableDlg::PaintBitmap(target, memory, bitmap, CKVXRect(0, 0, 60, 12), FALSE);
    ASSERT_EQ(memory.size(), QSize(60, 12));
    EXPECT_EQ(memory.pixel(0, 0), QColor(200, 0, 0).rgb());
    EXPECT_EQ(memory.pixel(20, 0), QColor(Qt::white).rgb());
}

TEST(ResizableDlgTest, RenderTextDrawsInTheFontAndPutsTheOldFontBack) {
    QImage image(200, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont old(QStringLiteral("DejaVu Sans"));
    old.setPixelSize(9);
    painter.setFont(old);
    LOGFONTW font{};
    font.lfHeight = -20;
    font.lfWeight = 700;
    CKVXResizableDlg::RenderText(&painter, CBasicString(L"Words"), CKVXRect(0, 0, 200, 40), font,
                                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_EQ(painter.font(), old);
    painter.end();
    int inked = 0;
    int top = 40, bottom = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (image.pixel(x, y) != QColor(Qt::white).rgb()) {
                ++inked;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GT(inked, 0);
    EXPECT_GE(bottom - top, 12);  // drawn in the 20-pixel font, not the 9-pixel one
    EXPECT_NO_FATAL_FAILURE(CKVXResizableDlg::RenderText(nullptr, CBasicString(L"x"), CKVXRect(), font, 0));
}

} // namespace
