#include <gtest/gtest.h>

#include "Pendrel/Core/WinButtonLayout.h"

namespace {

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(WinButtonLayout, PictureAndCaptionRectangles) {
    const RECT client{0, 0, 100, 30};
    const struct {
        const char* name;
        bool hasImage;
        bool hasCaption;
        bool imageOnRight;
        RECT image;
        RECT caption;
    } cases[] = {
        {"picture alone is centred", true, false, false, {42, 7, 58, 23}, {0, 0, 0, 0}},
        {"caption alone is centred", false, true, false, {0, 0, 0, 0}, {30, 8, 70, 22}},
        {"picture at 4, caption 8 right of it", true, true, false, {4, 7, 20, 23}, {28, 8, 68, 22}},
        {"picture on the right", true, true, true, {80, 7, 96, 23}, {32, 8, 72, 22}},
        {"nothing", false, false, false, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        RECT caption;
        RECT image;
        CWinButtonLayout::GetImageTextRect(client, c.hasImage, SIZE{16, 16}, c.hasCaption, SIZE{40, 14}, 4, 8,
                                           c.imageOnRight, caption, image);
        EXPECT_TRUE(Same(image, c.image)) << c.name << ": image " << image.left << "," << image.top;
        EXPECT_TRUE(Same(caption, c.caption)) << c.name << ": caption " << caption.left << "," << caption.top;
    }
    // Centring halves with an arithmetic shift: a picture wider than the
    // client starts left of it, rounded down.
    EXPECT_EQ(CWinButtonLayout::CheckPointForCentering(-1, 10, 15), -3);
    EXPECT_EQ(CWinButtonLayout::CheckPointForCentering(5, 10, 15), 5);
}

TEST(WinButtonLayout, StatesMultiLineTopAndFocusInset) {
    // selected, checked, style, hot, disabled -> state
    EXPECT_EQ(CWinButtonLayout::DrawState(false, false, 0, false, false), 0);
    EXPECT_EQ(CWinButtonLayout::DrawState(true, false, 0, true, false), 1);
    EXPECT_EQ(CWinButtonLayout::DrawState(false, true, 1, true, false), 1);
    EXPECT_EQ(CWinButtonLayout::DrawState(false, true, 0, false, false), 0);  // style 0 never shows the check
    EXPECT_EQ(CWinButtonLayout::DrawState(false, false, 0, true, false), 2);
    EXPECT_EQ(CWinButtonLayout::DrawState(true, true, 1, true, true), 3);    // disabled wins
    EXPECT_EQ(CWinButtonLayout::MultiLineTop(40, 14), 5);
    EXPECT_EQ(CWinButtonLayout::MultiLineTop(30, 14), -1);
    EXPECT_EQ(CWinButtonLayout::FocusInset(100, 30), 3);
    EXPECT_EQ(CWinButtonLayout::FocusInset(100, 10), 2);
}

} // namespace
