#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "Pendrel/Core/BusyBarGlide.h"
#include "Pendrel/Core/ProgressText.h"

namespace {

TEST(BusyBarGlide, WeightsFallAlongAHalfBellCurve) {
    const std::vector<int> expected = {255, 252, 245, 233, 217, 199, 179, 157, 136, 115, 95, 77, 62, 48, 37,
                                       28,  20,  15,  10,  7,   5,   3,   2,   1,   0,   0,  0,  0,  0};
    EXPECT_EQ(CBusyBarGlide::GaussWeights(7), expected);
    EXPECT_EQ(CBusyBarGlide::GaussWeights(10).size(), 41u);
}

TEST(BusyBarGlide, PositionGlidesToEitherEndAndTurnsWithoutMoving) {
    CBusyBarGlide glide;
    glide.SetBarWidth(3);
    const std::vector<std::pair<int, int>> expected = {{1, 1}, {2, 1}, {2, -1}, {1, -1}, {0, -1}, {0, 1}, {1, 1}};
    for (size_t tick = 0; tick < expected.size(); ++tick) {
        glide.Tick();
        EXPECT_EQ(std::make_pair(glide.Position(), glide.Step()), expected[tick]) << "tick " << tick + 1;
    }
}

TEST(BusyBarGlide, AStoppedBarStartsAgainAtTheLeftEndWithNewWeights) {
    CBusyBarGlide glide;
    glide.SetBarWidth(3);
    for (int i = 0; i < 4; ++i) glide.Tick();  // 1, 2, 2 (turn), 1: moving left
    ASSERT_FALSE(glide.Weights().empty());
    glide.Reset();
    EXPECT_EQ(glide.Position(), 0);
    EXPECT_FALSE(glide.HasWeights());
    // Still moving left at 0: this tick turns, the next moves right.
    glide.Tick();
    EXPECT_EQ(glide.Position(), 0);
    EXPECT_EQ(glide.Step(), 1);
    glide.Tick();
    EXPECT_EQ(glide.Position(), 1);
    EXPECT_EQ(glide.Weights().size(), 29u);
}

TEST(BusyBarGlide, ThemeChunkSizesAreRaisedToTheMinimumAndANewCellGetsANewTable) {
    struct Case {
        int width, gap, expectedWidth, expectedGap;
    };
    for (const Case& c : {Case{3, 0, 6, 1}, Case{0, -2, 6, 1}, Case{6, 1, 6, 1}, Case{9, 3, 9, 3}}) {
        CBusyBarGlide glide;
        glide.SetChunkMetrics(c.width, c.gap);
        EXPECT_EQ(glide.ChunkWidth(), c.expectedWidth) << c.width;
        EXPECT_EQ(glide.ChunkGap(), c.expectedGap) << c.gap;
        EXPECT_EQ(glide.Weights().size(), static_cast<size_t>((c.expectedWidth + c.expectedGap) * 4 + 1));
    }
    // The cell grows after the table was made: every lookup stays inside.
    CBusyBarGlide glide;
    glide.SetBarWidth(400);
    for (int i = 0; i < 6; ++i) glide.Tick();
    ASSERT_EQ(glide.Weights().size(), 29u);
    glide.SetChunkMetrics(12, 4);
    for (int i = 0; i < 15; ++i) glide.Tick();
    EXPECT_EQ(glide.Weights().size(), 65u);
    EXPECT_EQ(glide.Chunks()[0].weight, CBusyBarGlide::GaussWeights(16)[3 * 16 + 21 % 16]);
}

TEST(BusyBarGlide, ChunksLieOnTheCellGridWithWeightsShiftingWithThePosition) {
    struct Case {
        int position;
        std::vector<int> lefts;
        std::vector<int> weights;
    };
    const std::vector<Case> cases = {
        {0, {-21, -14, -7, 0, 7, 14, 21}, {3, 37, 157, 255, 157, 37, 3}},
        {10, {-14, -7, 0, 7, 14, 21, 28}, {0, 15, 95, 233, 217, 77, 10}},
        {13, {-14, -7, 0, 7, 14, 21, 28}, {0, 5, 48, 179, 252, 136, 28}},
    };
    for (const Case& c : cases) {
        CBusyBarGlide glide;
        glide.SetBarWidth(100);
        for (int i = 0; i < c.position; ++i) glide.Tick();
        ASSERT_EQ(glide.Position(), c.position);
        std::vector<int> lefts, weights;
        for (const CBusyBarGlide::Chunk& chunk : glide.Chunks()) {
            lefts.push_back(chunk.left);
            weights.push_back(chunk.weight);
        }
        EXPECT_EQ(lefts, c.lefts) << "position " << c.position;
        EXPECT_EQ(weights, c.weights) << "position " << c.position;
    }
}

TEST(BusyBarGlide, BlendMixesEachColourChannelAndKeepsTheTargetsAlpha) {
    const uint32_t source[] = {0xFF3399FFu, 0xFF3399FFu, 0xFF3399FFu, 0xFF000000u};
    uint32_t target[] = {0xFFFFFFFFu, 0xFF204060u, 0xFF204060u, 0xFFFFFFFFu};
    CBusyBarGlide::BlendRow(source, target, 1, 255);
    // (a * 255 + b * 0) / 256 per channel.
    EXPECT_EQ(target[0], 0xFF3298FEu);
    CBusyBarGlide::BlendRow(source + 1, target + 1, 1, 0);
    EXPECT_EQ(target[1], 0xFF1F3F5Fu);
    CBusyBarGlide::BlendRow(source + 2, target + 2, 2, 128);
    // red (0x33 * 128 + 0x20 * 127) / 256 = 41, green (0x99 * 128 + 0x40 * 127) / 256 = 108,
    // blue (0xFF * 128 + 0x60 * 127) / 256 = 175; black over white: 255 * 127 / 256 = 126.
    EXPECT_EQ(target[2], 0xFF296CAFu);
    EXPECT_EQ(target[3], 0xFF7E7E7Eu);
}

TEST(ProgressText, CounterPairsHaveAtLeastTwoDigits) {
    struct Case {
        int current, total;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{3, 12, L"03 / 12"}, Case{125, 200, L"125 / 200"}, Case{0, 0, L"00 / 00"},
                          Case{-1, 5, L"-1 / 05"}}) {
        EXPECT_STREQ(FormatProgressPair(c.current, c.total).GetString(), c.expected);
    }
}

} // namespace
