#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

#include "ControlsTestSupport.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Theme/ClassicControlTheme.h"
#include "Pendrel/Theme/QStyleControlTheme.h"

using kvxcontrolstest::AssertionCounter;
using kvxcontrolstest::IsGrey;

namespace {

QImage Solid(QColor color) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

TEST(WinTheme, ClassicIsChosenByTheEnvironment) {
    const char* saved = std::getenv("KVX_THEME");
    const std::string previous = saved ? saved : "";
    for (const char* value : {"classic", "CLASSIC"}) {
        setenv("KVX_THEME", value, 1);
        std::unique_ptr<CAbstractWinTheme> theme(CreateWinTheme());
        EXPECT_NE(dynamic_cast<CWinThemeClassic*>(theme.get()), nullptr) << value;
    }
    for (const char* value : {"", "xp", "classical"}) {
        setenv("KVX_THEME", value, 1);
        std::unique_ptr<CAbstractWinTheme> theme(CreateWinTheme());
        EXPECT_NE(dynamic_cast<CWinThemeQStyle*>(theme.get()), nullptr) << value;
    }
    if (saved) setenv("KVX_THEME", previous.c_str(), 1);
    else unsetenv("KVX_THEME");
}

TEST(WinTheme, KindsPartsAndStates) {
    QWidget window;
    CWinThemeQStyle styled;
    {
        std::unique_ptr<CAbstractControlTheme> button(styled.CreateControlTheme(&window, 0));
        auto* theme = dynamic_cast<CQStyleControlTheme*>(button.get());
        ASSERT_NE(theme, nullptr);
        EXPECT_EQ(theme->Part(), 1);
        EXPECT_TRUE(theme->IsVisualStyle(&window));
        std::unique_ptr<CAbstractControlTheme> group(styled.CreateControlTheme(nullptr, 1));
        EXPECT_EQ(dynamic_cast<CQStyleControlTheme*>(group.get())->Part(), 4);
    }
    {
        AssertionCounter asserts;
        std::unique_ptr<CAbstractControlTheme> unknown(styled.CreateControlTheme(&window, 7));
        EXPECT_NE(dynamic_cast<CClassicControlTheme*>(unknown.get()), nullptr);
        EXPECT_FALSE(unknown->IsVisualStyle(&window));
        EXPECT_EQ(asserts.Count(), 1);
    }
    const int expected[] = {1, 3, 2, 4, 1};
    for (int state = 0; state < 5; ++state) EXPECT_EQ(KVXThemeStateId(state), expected[state]) << state;
    AssertionCounter asserts;
    EXPECT_EQ(KVXThemeStateId(5), 0);
    EXPECT_EQ(KVXThemeStateId(-1), 0);
    EXPECT_EQ(asserts.Count(), 2);
}

TEST(WinTheme, ClassicEdgeParentAndColourDoNothing) {
    CWinThemeClassic classic;
    QWidget window;
    std::unique_ptr<CAbstractControlTheme> theme(classic.CreateControlTheme(&window, 0));
    EXPECT_FALSE(theme->IsVisualStyle(&window));
    QImage image = Solid(Qt::red).convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&image);
        RECT rect{0, 0, 16, 16};
        RECT content{2, 2, 14, 14};
        EXPECT_EQ(theme->DrawControlEdge(&painter, 0, &rect, 0, 0, &content), 0);
        EXPECT_EQ(theme->DrawParentBackground(&window, &painter, &rect), 0);
        EXPECT_EQ(theme->GetControlColor(COLOR_BTNFACE), 0u);
        // Missing arguments.
        EXPECT_EQ(theme->DrawControlBackground(nullptr, 0, &rect, nullptr), 1);
        EXPECT_EQ(theme->DrawControlBackground(&painter, 0, nullptr, nullptr), 1);
        EXPECT_EQ(theme->DrawControlText(&painter, 0, nullptr, -1, 0, 0, &rect), 1);
        EXPECT_EQ(theme->DrawControlIcon(&painter, 0, &rect, nullptr, 0), 1);
    }
    for (QPoint probe : {QPoint(0, 0), QPoint(8, 8), QPoint(15, 15)}) EXPECT_EQ(image.pixel(probe), qRgb(255, 0, 0));
}

// State 3 draws the second picture of a list that has two, and the one
// picture of a list greyed.
TEST(WinTheme, IconChoiceForTheDisabledState) {
    const struct {
        int images;
        int state;
        QRgb expected;  // 0: grey
    } cases[] = {{2, 0, qRgb(255, 0, 0)}, {2, 3, qRgb(0, 0, 255)}, {1, 0, qRgb(255, 0, 0)}, {1, 3, 0}};
    for (bool styled : {false, true}) {
        std::unique_ptr<CAbstractWinTheme> windowTheme(styled ? static_cast<CAbstractWinTheme*>(new CWinThemeQStyle)
                                                              : new CWinThemeClassic);
        std::unique_ptr<CAbstractControlTheme> theme(windowTheme->CreateControlTheme(nullptr, 0));
        for (const auto& c : cases) {
            CKVXImageList list;
            ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 1));
            list.Add(Solid(Qt::red));
            if (c.images == 2) list.Add(Solid(Qt::blue));
            QImage image(20, 20, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                RECT rect{2, 2, 18, 18};
                EXPECT_EQ(theme->DrawControlIcon(&painter, c.state, &rect, &list, 0), 0);
            }
            EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
            const QRgb centre = image.pixel(10, 10);
            if (c.expected) EXPECT_EQ(centre, c.expected) << c.images << " images, state " << c.state;
            else EXPECT_TRUE(IsGrey(centre, 40) && centre != qRgb(255, 255, 255)) << std::hex << centre;
        }
    }
}

// Disabled text is grey in both themes.
TEST(WinTheme, DisabledTextIsGrey) {
    CWinThemeClassic classic;
    CWinThemeQStyle styled;
    for (CAbstractWinTheme* windowTheme : {static_cast<CAbstractWinTheme*>(&classic),
                                           static_cast<CAbstractWinTheme*>(&styled)}) {
        std::unique_ptr<CAbstractControlTheme> theme(windowTheme->CreateControlTheme(nullptr, 0));
        for (int state : {0, 3}) {
            QImage image(40, 40, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                QFont font(QStringLiteral("DejaVu Sans"));
                font.setPixelSize(30);
                painter.setFont(font);
                painter.setPen(Qt::black);
                RECT rect{0, 0, 40, 40};
                EXPECT_EQ(theme->DrawControlText(&painter, state, L"\u2588", -1, DT_SINGLELINE, 0, &rect), 0);
            }
            const QRgb pixel = image.pixel(8, 15);
            if (state == 0) EXPECT_EQ(pixel, qRgb(0, 0, 0));
            else EXPECT_TRUE(IsGrey(pixel) && qRed(pixel) > 60 && qRed(pixel) < 200) << std::hex << pixel;
        }
    }
}

} // namespace
