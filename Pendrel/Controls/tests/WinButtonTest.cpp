#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPainter>

#include "ControlsTestSupport.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXSysColors.h"

using kvxcontrolstest::AssertionCounter;
using kvxcontrolstest::IsGrey;
using kvxcontrolstest::Render;
using kvxcontrolstest::SendMouse;
using kvxcontrolstest::ThemeScope;

namespace {

constexpr UINT kPng = 422;  // 32 x 32

// A button of 120 x 40 pixels under the given theme.
class WinButtonTest : public ::testing::Test {
protected:
    void Use(CAbstractWinTheme* theme) {
        m_scope.reset();
        m_scope = std::make_unique<ThemeScope>(theme);
    }
    void SetUp() override {
        Use(new CWinThemeQStyle);
        button.resize(120, 40);
    }

    std::unique_ptr<ThemeScope> m_scope;
    CWinButton button;
};

// The pixels of the picture's rectangle that are not the face colour.
std::vector<QRgb> PicturePixels(const QImage& image, const QRect& area, QRgb face) {
    std::vector<QRgb> pixels;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != face) pixels.push_back(image.pixel(x, y));
    return pixels;
}

TEST_F(WinButtonTest, ADisabledPngIsDrawnGrey) {
    Use(new CWinThemeClassic);
    ASSERT_TRUE(button.SetPNG(kPng));
    int isPng = FALSE;
    ASSERT_TRUE(button.HasImage(isPng));
    ASSERT_TRUE(isPng);
    CKVXImage picture;
    ASSERT_TRUE(KVXLoadPng(KVXGetInstance(), kPng, picture));
    const int w = static_cast<int>(picture.GetWidth());
    const int h = static_cast<int>(picture.GetHeight());
    // No caption: the picture is centred.
    const QRect area((120 - w) >> 1, (40 - h) >> 1, w, h);
    const QRgb face = qRgb(240, 240, 240);

    const auto enabled = PicturePixels(Render(button), area, face);
    ASSERT_FALSE(enabled.empty());
    EXPECT_TRUE(std::any_of(enabled.begin(), enabled.end(), [](QRgb p) { return !IsGrey(p, 8); }));
    button.setEnabled(false);
    const auto disabled = PicturePixels(Render(button), area, face);
    ASSERT_FALSE(disabled.empty());
    EXPECT_TRUE(std::all_of(disabled.begin(), disabled.end(), [](QRgb p) { return IsGrey(p, 8); }));
}

// With two icons the disabled button shows the second; with one, a greyed
// first.
TEST_F(WinButtonTest, DisabledIcons) {
    const UINT first = 316;
    const UINT second = 337;
    HICON firstIcon = KVXLoadIcon(KVXGetInstance(), first, 16, LOAD_ICON_DEFAULT_COLORS);
    HICON secondIcon = KVXLoadIcon(KVXGetInstance(), second, 16, LOAD_ICON_DEFAULT_COLORS);
    ASSERT_TRUE(firstIcon && secondIcon);
    const QImage a = KVXIconToQImage(firstIcon);
    const QImage b = KVXIconToQImage(secondIcon);
    delete firstIcon;
    delete secondIcon;
    // A pixel where both pictures are opaque and the second is coloured
    // and differs from the first.
    QPoint probe(-1, -1);
    for (int y = 0; y < 16 && probe.x() < 0; ++y)
        for (int x = 0; x < 16 && probe.x() < 0; ++x)
            if (qAlpha(a.pixel(x, y)) == 255 && qAlpha(b.pixel(x, y)) == 255 && !IsGrey(b.pixel(x, y), 30) &&
                (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                probe = QPoint(x, y);
    ASSERT_GE(probe.x(), 0);
    const QPoint at = probe + QPoint((120 - 16) >> 1, (40 - 16) >> 1);

    button.SetIcon(first, second, 16);
    EXPECT_EQ(button.GetMaskedBitmap(), first);
    EXPECT_EQ(Render(button).pixel(at) & 0xFFFFFF, a.pixel(probe) & 0xFFFFFF);
    button.setEnabled(false);
    EXPECT_EQ(Render(button).pixel(at) & 0xFFFFFF, b.pixel(probe) & 0xFFFFFF);
    button.SetIcon(second, 0, 16);
    EXPECT_TRUE(IsGrey(Render(button).pixel(at), 40));
    // A PNG drops the icons and icons drop the PNG.
    int isPng = FALSE;
    button.SetPNG(kPng);
    EXPECT_TRUE(button.HasImage(isPng) && isPng);
    button.SetIcon(first, 0, 16);
    EXPECT_TRUE(button.HasImage(isPng) && !isPng);
    button.SetIcon(0, 0, 16);
    EXPECT_FALSE(button.HasImage(isPng));
}

TEST_F(WinButtonTest, TheDefaultButtonHasABlackFrame) {
    for (bool classic : {false, true}) {
        if (classic) Use(new CWinThemeClassic);
        EXPECT_NE(Render(button).pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_FALSE(button.SetDefaultButton(TRUE));
        EXPECT_TRUE(button.isDefault());
        const QImage framed = Render(button);
        for (QPoint probe : {QPoint(0, 0), QPoint(60, 0), QPoint(119, 39), QPoint(0, 20)})
            EXPECT_EQ(framed.pixel(probe), qRgb(0, 0, 0)) << probe.x() << "," << probe.y();
        EXPECT_NE(framed.pixel(1, 20), qRgb(0, 0, 0));
        // FALSE takes the default away again.
        EXPECT_TRUE(button.SetDefaultButton(FALSE));
        EXPECT_FALSE(button.isDefault());
        EXPECT_NE(Render(button).pixel(0, 0), qRgb(0, 0, 0));
    }
}

TEST_F(WinButtonTest, HotOnlyWithTheStyledTheme) {
    button.show();
    Render(button);  // drawn once: the theme decides on hot tracking
    SendMouse(button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(button.IsHot());
    SendMouse(button, QEvent::MouseMove, QPoint(300, 10), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(button.IsHot());
    SendMouse(button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.IsHot());

    Use(new CWinThemeClassic);
    Render(button);
    SendMouse(button, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
    EXPECT_FALSE(button.IsHot());
}

TEST_F(WinButtonTest, TheCheckTogglesOnPressAndSpaceAndSurvivesADragOff) {
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&clicks] { ++clicks; });
    SendMouse(button, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(button.GetCheck());
    SendMouse(button, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(button.GetCheck());
    EXPECT_EQ(clicks, 1);

    // Press, drag off, release: the check is as before the press.
    SendMouse(button, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(button.GetCheck());
    SendMouse(button, QEvent::MouseMove, QPoint(300, 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(button.GetCheck());
    SendMouse(button, QEvent::MouseButtonRelease, QPoint(300, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(button.GetCheck());
    EXPECT_EQ(clicks, 1);

    // Space toggles once, however long it is held.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(&button, &press);
    EXPECT_FALSE(button.GetCheck());
    QApplication::sendEvent(&button, &repeat);
    QApplication::sendEvent(&button, &repeat);
    EXPECT_FALSE(button.GetCheck());
}

// Style 1 draws the checked button pressed: a classic pressed face has a
// dark top-left bevel.
TEST_F(WinButtonTest, StyleOneShowsTheCheck) {
    Use(new CWinThemeClassic);
    CWinButton pushed(WinButtonPushedWhenChecked);
    pushed.resize(60, 30);
    const QRgb raised = Render(pushed).pixel(1, 1);
    pushed.SetCheck(TRUE);
    const QRgb sunken = Render(pushed).pixel(1, 1);
    EXPECT_LT(qRed(sunken), qRed(raised));
    button.SetCheck(TRUE);
    EXPECT_EQ(Render(button).pixel(1, 1), raised);
}

TEST_F(WinButtonTest, NoThemeDrawsNothingAndReports) {
    m_scope.reset();
    AssertionCounter asserts;
    Render(button);
    EXPECT_EQ(asserts.Count(), 1);
}

} // namespace
