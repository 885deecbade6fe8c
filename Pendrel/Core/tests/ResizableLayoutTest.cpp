#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "Pendrel/Core/ResizableLayout.h"
#include "utility/tests/ReportCapture.h"

// Found by argument lookup: RECT lives in the global namespace.
static bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static void PrintTo(const RECT& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

constexpr SIZE kClient{400, 300};

// A dialog of 400 x 300 client pixels whose controls lie where the map
// says; the layout pass moves them there.
class ResizableLayoutTest : public ReportCapture {
protected:
    KVXControlRectLookup Lookup() {
        return [this](WORD id, RECT& rect) {
            auto it = m_controls.find(id);
            if (it == m_controls.end()) return false;
            rect = it->second;
            return true;
        };
    }

    // Measures at the client size, lays out at the new size (the initial
    // size being the client size) and applies the moves.
    std::vector<KVXResizableMove> Resize(std::vector<st_ResizableCtrl>& records, SIZE size) {
        KVXMeasureResizableCtrls(records, kClient, Lookup());
        std::vector<KVXResizableMove> moves = KVXLayoutResizableCtrls(records, size, kClient, Lookup());
        for (const KVXResizableMove& move : moves) m_controls[move.id] = move.rect;
        return moves;
    }

    std::map<WORD, RECT> m_controls;
};

struct LayoutCase {
    const char* name;
    std::map<WORD, RECT> controls;
    std::vector<st_ResizableCtrl> records;
    SIZE size;
    WORD checked;      // the control whose rectangle is checked
    RECT expected;     // where it ends up
};

TEST_F(ResizableLayoutTest, LayoutTable) {
    const DWORD stretch = RESIZE_STRETCH_WIDTH | RESIZE_STRETCH_HEIGHT;
    const std::vector<LayoutCase> cases = {
        {"stretch keeps all four margins when growing", {{1, {10, 20, 390, 280}}}, {{1, 0, stretch}},
         {600, 500}, 1, {10, 20, 590, 480}},
        {"stretch keeps all four margins when shrinking", {{1, {10, 20, 390, 280}}}, {{1, 0, stretch}},
         {200, 100}, 1, {10, 20, 190, 80}},
        {"anchored right and bottom keeps size and corner distance", {{1, {300, 250, 380, 280}}},
         {{1, 0, RESIZE_ANCHOR_RIGHT | RESIZE_ANCHOR_BOTTOM}}, {600, 500}, 1, {500, 450, 580, 480}},
        {"scaled from the right stays one pixel further in", {{1, {100, 10, 300, 40}}},
         {{1, 0, RESIZE_SCALE_WIDTH | RESIZE_SCALE_FROM_RIGHT}}, {600, 300}, 1, {199, 10, 499, 40}},
        {"scaled width grows from the left edge", {{1, {100, 10, 300, 40}}},
         {{1, 0, RESIZE_SCALE_WIDTH | RESIZE_KEEP_TOP}}, {500, 300}, 1, {100, 10, 350, 40}},
        {"scaled left and top move in proportion, size kept", {{1, {100, 60, 150, 90}}},
         {{1, 0, RESIZE_SCALE_LEFT | RESIZE_SCALE_TOP}}, {600, 450}, 1, {150, 90, 200, 120}},
        {"scaled height truncates toward zero (33 / 300 x 451 = 49.6)", {{1, {0, 10, 50, 43}}},
         {{1, 0, RESIZE_KEEP_LEFT | RESIZE_SCALE_HEIGHT}}, {400, 451}, 1, {0, 10, 50, 59}},
        {"keep left and top leave the control where it was", {{1, {30, 40, 80, 60}}},
         {{1, 0, RESIZE_KEEP_LEFT | RESIZE_KEEP_TOP}}, {700, 700}, 1, {30, 40, 80, 60}},
        {"anchored right overwrites a stretched height (later step wins)", {{1, {300, 20, 380, 280}}},
         {{1, 0, RESIZE_ANCHOR_RIGHT | RESIZE_STRETCH_HEIGHT}}, {500, 400}, 1, {400, 20, 480, 280}},
        {"relative follows its reference after the reference moved",
         {{2, {10, 10, 110, 60}}, {3, {20, 70, 70, 90}}},
         {{2, 0, stretch}, {3, 2, RESIZE_RELATIVE}}, {600, 350}, 3, {40, 130, 190, 170}},
        {"relative to a reference measured 0 wide keeps its horizontal offsets",
         {{5, {200, 200, 200, 240}}, {6, {210, 205, 230, 215}}},
         {{5, 0, RESIZE_KEEP_LEFT | RESIZE_SCALE_HEIGHT}, {6, 5, RESIZE_RELATIVE}}, {400, 600}, 6,
         {210, 210, 230, 230}},
        {"relative to a reference measured 0 high keeps its vertical offsets",
         {{5, {100, 50, 140, 50}}, {6, {110, 60, 120, 70}}},
         {{6, 5, RESIZE_RELATIVE}}, {500, 500}, 6, {110, 60, 120, 70}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_controls = c.controls;
        std::vector<st_ResizableCtrl> records = c.records;
        Resize(records, c.size);
        EXPECT_EQ(m_controls[c.checked], c.expected);
    }
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(ResizableLayoutTest, MeasuringFillsMarginsOrOffsets) {
    m_controls = {{2, {10, 10, 110, 60}}, {3, {20, 70, 70, 90}}};
    std::vector<st_ResizableCtrl> records = {{2, 0, RESIZE_STRETCH_WIDTH}, {3, 2, RESIZE_RELATIVE}};
    KVXMeasureResizableCtrls(records, kClient, Lookup());

    EXPECT_EQ(records[0].rect, (RECT{10, 10, 110, 60}));
    EXPECT_EQ((std::vector<int>{records[0].d0, records[0].d1, records[0].d2, records[0].d3}),
              (std::vector<int>{10, 290, 10, 240}));
    // A relative record holds its reference's rectangle, its offsets from it
    // and its own size.
    EXPECT_EQ(records[1].rect, (RECT{10, 10, 110, 60}));
    EXPECT_EQ((std::vector<int>{records[1].d0, records[1].d1, records[1].d2, records[1].d3}),
              (std::vector<int>{10, 50, 60, 20}));
}

TEST_F(ResizableLayoutTest, RelativeToIdZeroIsMeasuredAbsoluteAndNotLaidOut) {
    m_controls = {{4, {50, 50, 100, 80}}};
    std::vector<st_ResizableCtrl> records = {{4, 0, RESIZE_RELATIVE}};
    EXPECT_TRUE(Resize(records, {800, 600}).empty());
    EXPECT_EQ(records[0].rect, (RECT{50, 50, 100, 80}));
    EXPECT_EQ(records[0].d1, 300);
    EXPECT_EQ(records[0].d3, 220);
    EXPECT_TRUE(AssertionLines().empty());

    // With a child of id 0 it follows that child.
    m_controls[0] = {0, 0, 400, 300};
    EXPECT_EQ(KVXLayoutResizableCtrls(records, {800, 600}, kClient, Lookup()).size(), 1u);
}

TEST_F(ResizableLayoutTest, MissingControlsAreSkippedAndAMissingReferenceIsReported) {
    m_controls = {{1, {10, 10, 50, 30}}};
    std::vector<st_ResizableCtrl> records = {{9, 0, RESIZE_STRETCH_WIDTH}, {1, 8, RESIZE_RELATIVE},
                                             {1, 0, RESIZE_STRETCH_WIDTH}};
    records[1].d0 = 77;  // what an earlier measuring pass left
    KVXMeasureResizableCtrls(records, kClient, Lookup());
    EXPECT_EQ(AssertionLines(), std::vector<int>{300});
    EXPECT_EQ(records[0].d0, 0);   // no control 9: untouched
    EXPECT_EQ(records[1].d0, 77);  // no reference 8: untouched
    EXPECT_EQ(records[2].d1, 350);

    const std::vector<KVXResizableMove> moves = KVXLayoutResizableCtrls(records, {500, 300}, kClient, Lookup());
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].rect, (RECT{10, 10, 150, 30}));
    EXPECT_EQ(AssertionLines(), std::vector<int>{300});  // reported while measuring only
}

} // namespace
