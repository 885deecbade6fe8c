#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <cstdint>

#include "Pendrel/Controls/KVXProgressCtrl.h"
#include "Pendrel/Platform/KVXDialogControls.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

uint32_t Rgb(int index) {
    return KVXToQColor(GetSysColor(index)).rgb();
}

// The highlight mixed into the button face with the weight.
uint32_t Mixed(int weight) {
    const uint32_t source = Rgb(COLOR_HIGHLIGHT);
    uint32_t target = Rgb(COLOR_BTNFACE);
    CBusyBarGlide::BlendRow(&source, &target, 1, weight);
    return target;
}

void Tick(CKVXProgressCtrl& bar, int ticks) {
    for (int i = 0; i < ticks; ++i) static_cast<CKVXWndCore&>(bar).OnTimer(1);
}

TEST(ProgressCtrl, AFrameShowsTheCentreChunkStrongestBetweenItsFadingNeighbours) {
    CKVXProgressCtrl bar;
    const QSize size(200, 20);
    bar.PaintFrame(size);  // the bar width follows the content
    EXPECT_EQ(bar.Glide().BarWidth(), 200 - 4 - 6);
    Tick(bar, 10);  // cell 7: centre chunk in cell 1, r = 3
    const QImage frame = bar.PaintFrame(size);
    ASSERT_EQ(frame.size(), size);
    const auto& weights = CBusyBarGlide::GaussWeights(7);
    struct Probe {
        int x;
        uint32_t expected;
    } probes[] = {
        {9, Mixed(weights[3])},       // centre chunk: content left 2 + 7
        {14, Mixed(weights[3])},      // its last column
        {15, Rgb(COLOR_BTNFACE)},     // the gap
        {16, Mixed(weights[4])},      // next cell to the right
        {2, Mixed(weights[10])},      // one cell to the left
        {30, Mixed(weights[18])},     // three cells to the right
        {37, Rgb(COLOR_BTNFACE)},     // beyond the seven chunks
        {1, Rgb(COLOR_BTNSHADOW)},    // the inner frame: the chunk two cells left is clipped away
        {0, Rgb(COLOR_BTNSHADOW)},    // the outer frame
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(frame.pixel(probe.x, 10), probe.expected) << "x " << probe.x;
    // The chunk spans the content's height only.
    EXPECT_EQ(frame.pixel(9, 2), Mixed(weights[3]));
    EXPECT_EQ(frame.pixel(9, 17), Mixed(weights[3]));
    EXPECT_EQ(frame.pixel(9, 18), Rgb(COLOR_BTNHIGHLIGHT));
}

TEST(ProgressCtrl, ChunksAtTheRightEndStayInsideTheBar) {
    CKVXProgressCtrl bar;
    const QSize size(40, 12);
    bar.PaintFrame(size);
    Tick(bar, 30);  // to the right end (29) and the turn
    ASSERT_EQ(bar.Glide().Position(), 29);
    ASSERT_EQ(bar.Glide().Step(), -1);
    const QImage frame = bar.PaintFrame(size);
    // The chunk right of the centre reaches the content's last column only.
    EXPECT_EQ(frame.pixel(37, 6), Mixed(CBusyBarGlide::GaussWeights(7)[6]));
    for (int y = 0; y < size.height(); ++y) {
        EXPECT_EQ(frame.pixel(38, y), Rgb(y == 0 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT)) << y;
        EXPECT_EQ(frame.pixel(39, y), Rgb(COLOR_BTNHIGHLIGHT)) << y;
    }
    // A bar too small for any content paints only its frame.
    EXPECT_FALSE(bar.PaintFrame(QSize(3, 3)).isNull());
    EXPECT_TRUE(bar.PaintFrame(QSize(0, 5)).isNull());
}

TEST(ProgressCtrl, StopHaltsTheGlideAndStartsOverAtTheLeft) {
    QWidget parent;
    CKVXProgressCtrl bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, RECT{10, 20, 210, 40}, &parent));
    EXPECT_EQ(bar.geometry(), QRect(10, 20, 200, 20));
    EXPECT_STREQ(KVXGetWindowText(&bar).GetString(), L"WaitForCtrl");
    EXPECT_EQ(KVXGetDlgCtrlID(&bar), 0xFFFFu);

    bar.Start(80);
    EXPECT_TRUE(bar.IsStarted());
    bar.PaintFrame(bar.size());
    Tick(bar, 12);
    EXPECT_TRUE(bar.Glide().HasWeights());
    bar.Stop();
    EXPECT_FALSE(bar.IsStarted());
    EXPECT_EQ(bar.Glide().Position(), 0);
    EXPECT_FALSE(bar.Glide().HasWeights());
    bar.Start(80);
    const QImage frame = bar.PaintFrame(bar.size());
    EXPECT_TRUE(bar.Glide().HasWeights());
    EXPECT_EQ(frame.pixel(2, 10), Mixed(255));  // centre chunk back at the left end
}

} // namespace
