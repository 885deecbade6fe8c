#include <gtest/gtest.h>

#include <QCursor>
#include <QPushButton>
#include <QTest>

#include "ControlsTestSupport.h"
#include "Pendrel/Controls/WinToolTipCtrl.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"

using kvxcontrolstest::AssertionCounter;
using kvxcontrolstest::Render;
using kvxcontrolstest::SendMouse;

namespace {

const wchar_t kImportTip[] = L"[H]Import[D]Imports a vocabulary list from file.";

bool HasPixel(const QImage& image, QRgb color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color) return true;
    return false;
}

// A window with two registered buttons and a tooltip of 20 ms delay.
class WinToolTipCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.setGeometry(100, 100, 400, 200);
        tool.setParent(&window);
        tool.setGeometry(20, 20, 100, 30);
        other.setParent(&window);
        other.setGeometry(200, 20, 100, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(tip.Create(&window, KVX_TIP_ROUNDED, KVX_TIP_AFTER_DELAY, nullptr));
        tip.SetShowDelay(20);
        tip.AddTool(&tool, CBasicString(kImportTip));
        tip.AddTool(&other, CBasicString(L"[H]Other"));
    }
    // Puts the cursor over a point of a control and reports the move.
    void MoveTo(QWidget& control, QPoint local) {
        QCursor::setPos(control.mapToGlobal(local));
        SendMouse(control, QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton);
    }
    void ShowOverTool() {
        MoveTo(tool, QPoint(10, 10));
        EXPECT_FALSE(tip.isVisible());  // not before the delay
        ASSERT_TRUE(QTest::qWaitFor([this] { return tip.isVisible(); }, 5000));
    }

    QWidget window;
    QPushButton tool;
    QPushButton other;
    CWinToolTipCtrl tip;
};

TEST_F(WinToolTipCtrlTest, ShowsAfterTheDelayAndHidesOnLeaving) {
    ShowOverTool();
    // Next to the cursor, below it unless it does not fit.
    const QPoint cursor = tool.mapToGlobal(QPoint(10, 10));
    EXPECT_LE(std::abs(tip.geometry().left() - (cursor.x() - 10)), 1);
    const QImage image = Render(tip);
    EXPECT_TRUE(HasPixel(image, KVXToQColor(tip.GetHeadingColor()).rgb()));
    EXPECT_TRUE(HasPixel(image, KVXToQColor(tip.GetDesColor()).rgb()));
    // The cursor leaves the control.
    QCursor::setPos(window.mapToGlobal(QPoint(380, 180)));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !tip.isVisible(); }, 5000));
}

TEST_F(WinToolTipCtrlTest, APressOrTouchingTheTipHidesIt) {
    ShowOverTool();
    SendMouse(tool, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(tip.isVisible());

    MoveTo(other, QPoint(10, 10));  // another tool re-arms with its text
    ASSERT_TRUE(QTest::qWaitFor([this] { return tip.isVisible(); }, 5000));
    EXPECT_EQ(KVXToQString(tip.GetTipText()), QStringLiteral("[H]Other"));
    SendMouse(tip, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(tip.isVisible());
}

TEST_F(WinToolTipCtrlTest, TextWithoutTagsIsADescription) {
    tip.AddTool(&tool, CBasicString(L"Plain [hint] text"));
    ShowOverTool();
    EXPECT_EQ(KVXToQString(tip.GetTipText()), QStringLiteral("[D]Plain [hint] text"));
    EXPECT_GT(tip.width(), 40);
    EXPECT_GT(tip.height(), 16);
    EXPECT_TRUE(HasPixel(Render(tip), KVXToQColor(tip.GetDesColor()).rgb()));
}

// Gives the tip of a control registered without text, and an area: the
// left half of the control.
class HalfProvider : public CWinToolTipCtrlBase {
public:
    explicit HalfProvider(QWidget& control) : m_control(control) {}
    void GetTipInfo(CToolTipInfo& info) override {
        info.text = CBasicString(L"[H]From the provider");
        const QPoint origin = m_control.mapToGlobal(QPoint(0, 0));
        info.area = RECT{origin.x(), origin.y(), origin.x() + m_control.width() / 2, origin.y() + m_control.height()};
    }

private:
    QWidget& m_control;
};

TEST_F(WinToolTipCtrlTest, AProviderGivesTextAndArea) {
    HalfProvider provider(tool);
    CWinToolTipCtrl provided;
    ASSERT_TRUE(provided.Create(&window, KVX_TIP_RECTANGLE, KVX_TIP_AFTER_DELAY, &provider));
    provided.SetShowDelay(20);
    provided.AddTool(&tool, CBasicString());
    tip.RemoveTool(&tool);
    MoveTo(tool, QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitFor([&provided] { return provided.isVisible(); }, 5000));
    EXPECT_EQ(KVXToQString(provided.GetTipText()), QStringLiteral("[H]From the provider"));
    // The right half of the control lies outside the provider's area.
    QCursor::setPos(tool.mapToGlobal(QPoint(80, 10)));
    EXPECT_TRUE(QTest::qWaitFor([&provided] { return !provided.isVisible(); }, 5000));
}

TEST_F(WinToolTipCtrlTest, AtOnceModeNeedsAHeading) {
    CWinToolTipCtrl atOnce;
    ASSERT_TRUE(atOnce.Create(&window, KVX_TIP_BALLOON, KVX_TIP_AT_ONCE, nullptr));
    const POINT point{300, 300};
    atOnce.Show(L"[H][D]Only a description", &point);
    QCoreApplication::processEvents();
    EXPECT_FALSE(atOnce.isVisible());
    atOnce.Show(L"[H]Heading[D]Text", &point);
    EXPECT_TRUE(atOnce.isVisible());
    // The balloon lies above the point with its stem down, the stem's tip
    // at the point.
    EXPECT_EQ(atOnce.geometry().bottom() + 1 - 8, 300);
}

TEST_F(WinToolTipCtrlTest, RegistrationAndLanguage) {
    EXPECT_EQ(tip.GetToolCount(), 2);
    tip.AddTool(&tool, CBasicString(L"[D]later"));
    EXPECT_EQ(tip.GetToolCount(), 2);
    EXPECT_EQ(KVXToQString(tip.GetToolText(&tool)), QStringLiteral("[D]later"));
    tip.AddTool(nullptr, CBasicString(L"[D]x"));
    EXPECT_EQ(tip.GetToolCount(), 2);
    tip.RemoveTool(&other);
    EXPECT_EQ(tip.GetToolCount(), 1);
    {
        QPushButton shortLived(&window);
        tip.AddTool(&shortLived, CBasicString(L"[D]x"));
        EXPECT_EQ(tip.GetToolCount(), 2);
    }
    EXPECT_EQ(tip.GetToolCount(), 1);

    const std::wstring letters(60, L'x');
    tip.SetLanguageCode(L"JPN");
    tip.Show((L"[D]" + letters).c_str(), nullptr);
    EXPECT_EQ(KVXToQString(tip.GetTipText()), QString::fromStdWString(L"[D]" + letters.substr(0, 45) + L"\n" +
                                                                       letters.substr(45)));
    tip.SetLanguageCode(L"ENG");
    tip.Show((L"[D]" + letters).c_str(), nullptr);
    EXPECT_EQ(KVXToQString(tip.GetTipText()), QString::fromStdWString(L"[D]" + letters));

    AssertionCounter asserts;
    CWinToolTipCtrl orphan;
    EXPECT_FALSE(orphan.Create(nullptr, KVX_TIP_ROUNDED, KVX_TIP_AFTER_DELAY, nullptr));
    EXPECT_EQ(asserts.Count(), 1);
}

} // namespace
