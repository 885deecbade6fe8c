#include <gtest/gtest.h>

#include <QPainter>

#include "ControlsTestSupport.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Controls/TransparentStaticImageCtrl.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXSysColors.h"

using kvxcontrolstest::Render;

namespace {

// A full block, so that a probe inside the glyph sees the text colour.
const wchar_t kBlock[] = L"\u2588\u2588\u2588";

QFont BlockFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    return font;
}

// The smallest rectangle of pixels that differ from the background.
QRect InkBox(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

class TextStatic : public ::testing::Test {
protected:
    void SetUp() override {
        control.resize(120, 40);
        control.setFont(BlockFont(20));
        control.setText(QString::fromWCharArray(kBlock));
        control.SetEraseBackground(TRUE);
        control.SetBackgroudColor(RGB(255, 255, 255));
        control.SetFontColor(RGB(200, 0, 0));
    }
    CTransparentStaticCtrl control;
};

TEST_F(TextStatic, DisabledTextIsGrey) {
    EXPECT_EQ(Render(control).pixel(5, 10), qRgb(200, 0, 0));
    control.setEnabled(false);
    EXPECT_EQ(Render(control).pixel(5, 10), KVXToQColor(GetSysColor(COLOR_GRAYTEXT)).rgb());
    EXPECT_EQ(Render(control).pixel(110, 35), qRgb(255, 255, 255));
}

TEST_F(TextStatic, AnOversizedOwnFontFallsBackToTheWindowFont) {
    LOGFONTW large{};
    large.lfHeight = -60;
    large.lfWeight = 400;
    EXPECT_TRUE(control.SetControlFont(large));
    const QRect ink = InkBox(Render(control), qRgb(255, 255, 255));
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_LE(ink.height(), 30);  // the 20-pixel window font, not 60
    LOGFONTW fitting = large;
    fitting.lfHeight = -10;
    control.SetControlFont(fitting);
    EXPECT_LT(InkBox(Render(control), qRgb(255, 255, 255)).height(), ink.height());
}

// A window that paints its static's text itself, as dialogs do with
// statics in the outer draw mode.
class Owner : public QWidget {
public:
    Owner() : control(this) {
        resize(200, 100);
        control.setGeometry(50, 30, 120, 40);
        control.setFont(BlockFont(20));
        control.setText(QString::fromWCharArray(kBlock));
        control.SetFontColor(RGB(0, 0, 200));
        control.SetOuterDrawMode(TRUE);
    }
    CTransparentStaticCtrl control;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        control.DrawTextExW(&painter);
    }
};

TEST(TransparentStatic, TheOwnerDrawsInOuterMode) {
    Owner owner;
    const QImage image = Render(owner);
    const QRect ink = InkBox(image, qRgb(255, 255, 255));
    EXPECT_EQ(ink.left(), 50);
    EXPECT_EQ(ink.top(), 30);
    EXPECT_EQ(image.pixel(55, 40), qRgb(0, 0, 200));
    // The control itself paints nothing.
    owner.control.SetEraseBackground(TRUE);
    owner.control.SetBackgroudColor(RGB(0, 255, 0));
    QImage alone(120, 40, QImage::Format_RGB32);
    alone.fill(Qt::white);
    owner.control.render(&alone, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_TRUE(InkBox(alone, qRgb(255, 255, 255)).isEmpty());
}

TEST(TransparentStatic, AnEmptyImageControlPaintsOnlyItsBackground) {
    CTransparentStaticImageCtrl image;
    image.resize(40, 30);
    image.SetEraseBackground(TRUE);
    image.SetBackgroudColor(RGB(10, 20, 30));
    EXPECT_TRUE(InkBox(Render(image), qRgb(10, 20, 30)).isEmpty());
    image.SetPNG(nullptr, 422);
    EXPECT_FALSE(InkBox(Render(image), qRgb(10, 20, 30)).isEmpty());
    image.SetIcon(316, 16);  // the icon replaces the picture and fills the client area
    EXPECT_GT(InkBox(Render(image), qRgb(10, 20, 30)).width(), 20);
}

} // namespace
