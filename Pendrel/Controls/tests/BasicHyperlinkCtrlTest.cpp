#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QTest>
#include <QToolTip>
#include <QUrl>

#include <vector>

#include "ControlsTestSupport.h"
#include "Pendrel/Controls/BasicHyperlinkCtrl.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXWnd.h"

using kvxcontrolstest::AssertionCounter;
using kvxcontrolstest::Render;
using kvxcontrolstest::SendMouse;

// Takes the addresses that the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

namespace {

constexpr UINT kOpenMessage = WM_USER + 300;

// A window that records the messages it gets.
class Receiver : public CKVXWnd<QWidget> {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> messages;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back({message, wParam, lParam});
        return 1;
    }
};

class BasicHyperlinkCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        label.resize(300, 100);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        label.setFont(font);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "Open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    // Clicks the middle of the first rectangle of link i (after a paint).
    void ClickLink(size_t i) {
        Render(label);
        ASSERT_GT(label.GetLinks().size(), i);
        const QPoint centre = CKVXRect(label.GetLinks()[i].rect).ToQRect().center();
        SendMouse(label, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
        SendMouse(label, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
    }

    CBasicHyperlinkCtrl label;
    UrlCatcher catcher;
};

// The heights of the runs of rule-coloured pixels down one column.
std::vector<int> RuleThicknesses(const QImage& image, int x, QRgb color) {
    std::vector<int> runs;
    int length = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(x, y) == color) {
            ++length;
        } else if (length) {
            runs.push_back(length);
            length = 0;
        }
    }
    if (length) runs.push_back(length);
    return runs;
}

TEST_F(BasicHyperlinkCtrlTest, EveryPaintStartsFromTheMarkupsStart) {
    label.SetTextColor(RGB(0, 0, 0));
    label.SetWindowTextW(L"<HR>a<HR SIZE=8>b");
    const std::vector<int> expected{2, 8};
    EXPECT_EQ(RuleThicknesses(Render(label), 290, qRgb(0, 0, 0)), expected);
    EXPECT_EQ(RuleThicknesses(Render(label), 290, qRgb(0, 0, 0)), expected);
}

TEST_F(BasicHyperlinkCtrlTest, OpaqueAndTransparentBackgrounds) {
    label.SetBkColor(RGB(255, 0, 0));
    label.SetWindowTextW(L"<FONT BGCOLOR=\"Blue\">&nbsp;&nbsp;&nbsp;&nbsp;</FONT>");
    auto paint = [this] {
        QImage image(300, 100, QImage::Format_RGB32);
        image.fill(Qt::green);
        label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    QImage opaque = paint();
    EXPECT_EQ(opaque.pixel(290, 90), qRgb(255, 0, 0));
    EXPECT_EQ(opaque.pixel(3, 5), qRgb(0, 0, 255));
    label.ModifyStyleEx(0, WS_EX_TRANSPARENT);
    QImage transparent = paint();
    EXPECT_EQ(transparent.pixel(290, 90), qRgb(0, 255, 0));
    EXPECT_EQ(transparent.pixel(3, 5), qRgb(0, 255, 0));
}

TEST_F(BasicHyperlinkCtrlTest, AnAppLinkSendsItsCommandsMessage) {
    Receiver receiver;
    const BASICHYPERLINK_APP_COMMAND commands[] = {
        {&receiver, kOpenMessage + 1, 1, L"close"},
        {&receiver, kOpenMessage, 7, L"open"},
    };
    label.SetAppCommands(commands, 2);
    label.EnableTooltip(TRUE);
    label.SetWindowTextW(L"Press <A HREF=\"APP:Open\">here</A> to open.");
    ClickLink(0);
    ASSERT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(receiver.messages[0].message, kOpenMessage);
    EXPECT_EQ(receiver.messages[0].wParam, 7u);
    EXPECT_EQ(receiver.messages[0].lParam, 0);
    EXPECT_TRUE(catcher.urls.empty());
    // No tip for a command; the hand cursor over it.
    const QPoint centre = CKVXRect(label.GetLinks()[0].rect).ToQRect().center();
    SendMouse(label, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    SendMouse(label, QEvent::MouseMove, QPoint(295, 95), Qt::NoButton, Qt::NoButton);
    EXPECT_NE(label.cursor().shape(), Qt::PointingHandCursor);
    // A click beside the link does nothing.
    SendMouse(label, QEvent::MouseButtonPress, QPoint(295, 95), Qt::LeftButton, Qt::LeftButton);
    SendMouse(label, QEvent::MouseButtonRelease, QPoint(295, 95), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(receiver.messages.size(), 1u);
}

TEST_F(BasicHyperlinkCtrlTest, ACommandWithoutALiveWindowDoesNothing) {
    auto receiver = std::make_unique<Receiver>();
    const BASICHYPERLINK_APP_COMMAND commands[] = {{receiver.get(), kOpenMessage, 0, L"open"}};
    label.SetAppCommands(commands, 1);
    receiver.reset();
    EXPECT_FALSE(label.GotoURL(L"APP:open", SW_SHOW));
    EXPECT_FALSE(label.GotoURL(L"APP:unknown", SW_SHOW));
    AssertionCounter asserts;
    EXPECT_FALSE(label.GotoURL(L"", SW_SHOW));
    EXPECT_FALSE(label.GotoURL(nullptr, SW_SHOW));
    EXPECT_EQ(asserts.Count(), 2);
    EXPECT_TRUE(catcher.urls.empty());
}

TEST_F(BasicHyperlinkCtrlTest, AWebLinkGoesToTheDesktopWithATip) {
    label.EnableTooltip(TRUE);
    label.SetWindowTextW(L"See <A HREF=\"http://example.org/a?x=1&amp;y=2\">the site</A>.");
    Render(label);
    ASSERT_EQ(label.GetLinks().size(), 1u);
    EXPECT_EQ(label.GetLinks()[0].address, L"http://example.org/a?x=1&amp;y=2");
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    const QPoint centre = CKVXRect(label.GetLinks()[0].rect).ToQRect().center();
    SendMouse(label, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("http://example.org/a?x=1&amp;y=2"));
    QToolTip::hideText();
    ClickLink(0);
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].host(), QStringLiteral("example.org"));
}

TEST_F(BasicHyperlinkCtrlTest, ColoursFromText) {
    EXPECT_EQ(label.SetTextColor(L"Navy"), RGB(0, 0, 0));
    EXPECT_EQ(label.GetTextColor(), RGB(0, 0, 0x80));
    EXPECT_EQ(label.SetBkColor(L"10,20,30"), RGB(255, 255, 255));
    EXPECT_EQ(label.GetBkColor(), RGB(10, 20, 30));
    AssertionCounter asserts;
    EXPECT_EQ(label.SetBkColor(static_cast<const wchar_t*>(nullptr)), RGB(10, 20, 30));
    EXPECT_EQ(label.GetBkColor(), RGB(10, 20, 30));
    EXPECT_EQ(asserts.Count(), 1);
    label.ResetAll();
    EXPECT_EQ(label.GetBkColor(), RGB(255, 255, 255));
}

} // namespace

#include "BasicHyperlinkCtrlTest.moc"
