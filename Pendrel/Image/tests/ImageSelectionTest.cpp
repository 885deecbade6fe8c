// The selection: the mask and its box, rectangles, ellipses, polygons (also
// reaching past the image), colours and pixels, inverting, copying,
// splitting and the region of fully selected runs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Pendrel/Image/KVXGdiRegion.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ImageProbe;
using kvximagetest::Quad;

namespace {

using PixelSet = std::set<std::pair<long, long>>;

PixelSet SelectedPixels(CKVXImage& image) {
    PixelSet selected;
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x)
            if (image.SelectionIsInside(x, y)) selected.insert({x, y});
    return selected;
}

PixelSet PixelsWhere(long width, long height, const std::function<bool(long, long)>& inside) {
    PixelSet pixels;
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x)
            if (inside(x, y)) pixels.insert({x, y});
    return pixels;
}

std::string BoxText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

RECT Box(CKVXImage& image) {
    RECT box;
    image.SelectionGetBox(box);
    return box;
}

TEST(ImageSelection, CreateDeleteAndClearResetTheBox) {
    CKVXImage image(6, 4, 24);
    EXPECT_FALSE(image.SelectionIsValid());
    EXPECT_TRUE(image.SelectionIsInside(5, 3)) << "no mask: everything is selected";
    EXPECT_FALSE(image.SelectionIsInside(6, 0));
    EXPECT_FALSE(image.SelectionClear()) << "nothing to clear";

    ASSERT_TRUE(image.SelectionCreate());
    EXPECT_EQ(BoxText(Box(image)), "6,0,0,4");
    EXPECT_EQ(SelectedPixels(image).size(), 0u);
    ASSERT_TRUE(image.SelectionAddRect(RECT{1, 3, 3, 1}));
    EXPECT_TRUE(image.SelectionClear());
    EXPECT_EQ(SelectedPixels(image).size(), 0u);
    EXPECT_EQ(BoxText(Box(image)), "6,0,0,4");

    ASSERT_TRUE(image.SelectionAddRect(RECT{1, 3, 3, 1}));
    EXPECT_TRUE(image.SelectionDelete());
    EXPECT_FALSE(image.SelectionIsValid());
    EXPECT_EQ(BoxText(Box(image)), "6,0,0,4");
    EXPECT_EQ(SelectedPixels(image).size(), 24u);

    CKVXImage empty;
    EXPECT_FALSE(empty.SelectionCreate());
    EXPECT_FALSE(empty.SelectionAddRect(RECT{0, 1, 1, 0}));
}

TEST(ImageSelection, RectangleExcludesItsRightAndTopEdges) {
    // (2, 5, 4, 3) in every corner order selects columns 2-3 of rows 3-4.
    const RECT orders[] = {{2, 5, 4, 3}, {4, 5, 2, 3}, {2, 3, 4, 5}, {4, 3, 2, 5}};
    const PixelSet expected{{2, 3}, {3, 3}, {2, 4}, {3, 4}};
    for (const RECT& r : orders) {
        CKVXImage image(8, 8, 8);
        ASSERT_TRUE(image.SelectionAddRect(r));
        EXPECT_EQ(SelectedPixels(image), expected) << BoxText(r);
        EXPECT_EQ(BoxText(Box(image)), "2,5,4,3");
    }

    CKVXImage image(8, 6, 24);
    ASSERT_TRUE(image.SelectionAddRect(RECT{-5, 20, 3, 4}));
    EXPECT_EQ(SelectedPixels(image), PixelsWhere(8, 6, [](long x, long y) { return x < 3 && y >= 4; }));
    EXPECT_EQ(BoxText(Box(image)), "0,6,3,4") << "the box stays within the image";
    ASSERT_TRUE(image.SelectionAddRect(RECT{6, 1, 100, -3}));
    EXPECT_EQ(BoxText(Box(image)), "0,6,8,0");
}

TEST(ImageSelection, EllipsePixelsFollowTheHalfHeightsOfEachColumn) {
    // A 10 x 6 ellipse: centre (7, 6), radii 5 and 3. Per column, the rows
    // selected (the left column has height 0 and stays unselected).
    CKVXImage image(20, 20, 24);
    ASSERT_TRUE(image.SelectionAddEllipse(RECT{2, 9, 12, 3}));
    const std::vector<std::pair<long, std::pair<long, long>>> columns = {
        {3, {5, 6}}, {4, {4, 7}}, {5, {4, 7}}, {6, {4, 7}}, {7, {4, 8}},
        {8, {4, 7}}, {9, {4, 7}}, {10, {4, 7}}, {11, {5, 6}}};
    PixelSet expected;
    for (const auto& [x, rows] : columns)
        for (long y = rows.first; y <= rows.second; ++y) expected.insert({x, y});
    EXPECT_EQ(SelectedPixels(image), expected);
    EXPECT_EQ(BoxText(Box(image)), "2,9,12,3");

    CKVXImage thin(20, 20, 24);
    EXPECT_FALSE(thin.SelectionAddEllipse(RECT{5, 9, 6, 3})) << "a radius of 0";
    EXPECT_TRUE(thin.SelectionIsValid()) << "the mask made by the call stays";

    CKVXImage cut(6, 6, 24);
    ASSERT_TRUE(cut.SelectionAddEllipse(RECT{-20, 40, 20, -40}));
    EXPECT_EQ(BoxText(Box(cut)), "0,6,6,0");
    EXPECT_EQ(SelectedPixels(cut).size(), 36u) << "only rows inside the image are visited";
}

struct PolygonCase {
    const char* name;
    std::vector<POINT> points;
    std::function<bool(long, long)> inside;
};

TEST(ImageSelection, PolygonsSelectTheirContourAndInside) {
    const std::vector<PolygonCase> cases = {
        {"triangle", {{2, 2}, {12, 2}, {2, 12}}, [](long x, long y) { return x >= 2 && y >= 2 && x + y <= 14; }},
        {"concave U",
         {{2, 2}, {17, 2}, {17, 17}, {12, 17}, {12, 7}, {7, 7}, {7, 17}, {2, 17}},
         [](long x, long y) {
             const bool square = x >= 2 && x <= 17 && y >= 2 && y <= 17;
             const bool notch = x >= 8 && x <= 11 && y >= 8;
             return square && !notch;
         }},
        {"two sub-polygons",
         {{1, 1}, {5, 1}, {5, 5}, {1, 5}, {-1, 0}, {10, 10}, {15, 10}, {15, 15}, {10, 15}},
         [](long x, long y) {
             return (x >= 1 && x <= 5 && y >= 1 && y <= 5) || (x >= 10 && x <= 15 && y >= 10 && y <= 15);
         }},
        {"triangle past the image",
         {{-10, -10}, {30, -10}, {-10, 30}},
         [](long x, long y) { return x + y <= 20; }},
        {"covering the whole image",
         {{-10, -10}, {30, -10}, {30, 30}, {-10, 30}},
         [](long, long) { return true; }},
        {"huge coordinates",
         {{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}},
         [](long, long) { return true; }},
    };
    for (const PolygonCase& c : cases) {
        CKVXImage image(20, 20, 24);
        std::vector<POINT> points = c.points;
        ASSERT_TRUE(image.SelectionAddPolygon(points.data(), static_cast<long>(points.size()))) << c.name;
        EXPECT_EQ(SelectedPixels(image), PixelsWhere(20, 20, c.inside)) << c.name;
    }
}

TEST(ImageSelection, PolygonBoxAndRefusals) {
    CKVXImage image(20, 20, 24);
    POINT triangle[] = {{2, 2}, {12, 2}, {2, 12}};
    EXPECT_FALSE(image.SelectionAddPolygon(nullptr, 3));
    EXPECT_FALSE(image.SelectionAddPolygon(triangle, 2));
    EXPECT_FALSE(image.SelectionIsValid()) << "refused before anything happens";
    ASSERT_TRUE(image.SelectionAddPolygon(triangle, 3));
    // The fill box keeps one pixel of margin around the contour.
    EXPECT_EQ(BoxText(Box(image)), "1,14,14,1");
}

TEST(ImageSelection, LargeSpiralIsFilledThroughItsWholeCorridor) {
    // A spiral line retraced back to its start encloses nothing: the fill of
    // the outside must follow the corridor between the turns to the centre.
    const long size = 2000;
    const long gap = 4;
    std::vector<POINT> path;
    long left = 1, bottom = 1, right = size - 2, top = size - 2;
    path.push_back(POINT{static_cast<LONG>(left), static_cast<LONG>(bottom)});
    while (right - left > 2 * gap && top - bottom > 2 * gap) {
        path.push_back(POINT{static_cast<LONG>(right), static_cast<LONG>(bottom)});
        path.push_back(POINT{static_cast<LONG>(right), static_cast<LONG>(top)});
        path.push_back(POINT{static_cast<LONG>(left), static_cast<LONG>(top)});
        bottom += gap;
        path.push_back(POINT{static_cast<LONG>(left), static_cast<LONG>(bottom)});
        left += gap;
        right -= gap;
        top -= gap;
    }
    std::vector<POINT> polygon = path;
    for (long i = static_cast<long>(path.size()) - 2; i >= 0; --i) polygon.push_back(path[i]);

    std::vector<bool> line(static_cast<size_t>(size * size), false);
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        const POINT a = path[i], b = path[i + 1];
        for (long x = std::min(a.x, b.x); x <= std::max(a.x, b.x); ++x)
            for (long y = std::min(a.y, b.y); y <= std::max(a.y, b.y); ++y) line[y * size + x] = true;
    }

    ImageProbe image(size, size, 8);
    ASSERT_TRUE(image.SelectionAddPolygon(polygon.data(), static_cast<long>(polygon.size())));
    const BYTE* mask = image.Selection();
    long wrong = 0;
    for (long i = 0; i < size * size; ++i)
        if ((mask[i] == 255) != line[i]) ++wrong;
    EXPECT_EQ(wrong, 0);
}

TEST(ImageSelection, ColourMatchesComparePaletteColoursAndGrowTheBox) {
    CKVXImage image(10, 10, 8);
    image.SetPaletteColor(1, 10, 20, 30);
    image.SetPaletteColor(2, 10, 20, 30, 99);
    image.SetPaletteColor(3, 10, 20, 31);
    image.SetPixelIndex(3, 4, 1);
    image.SetPixelIndex(6, 7, 2);
    image.SetPixelIndex(8, 8, 3);
    ASSERT_TRUE(image.SelectionAddColor(Quad(10, 20, 30, 7)));
    EXPECT_EQ(SelectedPixels(image), (PixelSet{{3, 4}, {6, 7}}));
    // Top and right lie one past the highest match, like every other box edge.
    EXPECT_EQ(BoxText(Box(image)), "3,8,7,4");

    ASSERT_TRUE(image.SelectionAddColor(Quad(1, 1, 1)));
    EXPECT_EQ(BoxText(Box(image)), "3,8,7,4") << "no match leaves the box";
}

TEST(ImageSelection, PixelInvertCopyAndSplit) {
    ImageProbe image(5, 4, 24);
    EXPECT_FALSE(image.SelectionAddPixel(5, 0));
    EXPECT_TRUE(image.SelectionIsValid()) << "the mask exists even though the pixel was outside";
    EXPECT_TRUE(image.SelectionAddPixel(4, 3));
    EXPECT_EQ(BoxText(Box(image)), "5,0,0,4") << "a pixel leaves the box";

    ASSERT_TRUE(image.SelectionAddRect(RECT{1, 3, 3, 1}));
    ASSERT_TRUE(image.SelectionInvert());
    EXPECT_EQ(SelectedPixels(image), PixelsWhere(5, 4, [](long x, long y) {
                  const bool rect = x >= 1 && x < 3 && y >= 1 && y < 3;
                  return !rect && !(x == 4 && y == 3);
              }));
    EXPECT_EQ(BoxText(Box(image)), "1,3,3,1");
    image.Selection()[0] = 77;
    ASSERT_TRUE(image.SelectionInvert());
    EXPECT_EQ(image.Selection()[0], 178) << "the complement of every byte";

    CKVXImage copy(5, 4, 8);
    ASSERT_TRUE(copy.SelectionCopy(image));
    EXPECT_EQ(SelectedPixels(copy), SelectedPixels(image));
    EXPECT_EQ(BoxText(Box(copy)), "1,3,3,1");
    CKVXImage other(4, 5, 8);
    EXPECT_FALSE(other.SelectionCopy(image));
    EXPECT_FALSE(image.SelectionCopy(other)) << "no mask to copy";

    CKVXImage grey;
    EXPECT_FALSE(image.SelectionSplit(nullptr));
    ASSERT_TRUE(image.SelectionSplit(&grey));
    EXPECT_EQ(grey.GetBpp(), 8);
    EXPECT_TRUE(grey.IsGrayScale());
    EXPECT_EQ(grey.GetPixelIndex(0, 0), 178);
    EXPECT_EQ(grey.GetPixelIndex(1, 1), 255);
    EXPECT_EQ(grey.GetPixelIndex(4, 0), 0);
}

TEST(ImageSelection, RegionHoldsRunsOfFullySelectedPixelsOnly) {
    ImageProbe image(8, 3, 24);
    HRGN region = nullptr;
    EXPECT_FALSE(image.SelectionToHRGN(region)) << "no mask";
    ASSERT_TRUE(image.SelectionCreate());
    EXPECT_FALSE(image.SelectionToHRGN(region)) << "no region";

    BYTE* mask = image.Selection();
    const BYTE rows[3][8] = {{255, 255, 254, 255, 0, 0, 255, 255},
                             {1, 128, 254, 0, 0, 0, 0, 0},
                             {255, 255, 255, 255, 255, 255, 255, 255}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) mask[x + 8 * y] = rows[y][x];
    EXPECT_TRUE(image.SelectionIsInside(1, 1)) << "any non-zero byte is inside";

    CKVXGdiRegion owned;
    region = &owned;
    ASSERT_TRUE(image.SelectionToHRGN(region));
    std::vector<std::string> rects;
    for (const RECT& r : owned.GetRects()) rects.push_back(BoxText(r));
    EXPECT_EQ(rects, (std::vector<std::string>{"0,0,2,1", "3,0,4,1", "6,0,8,1", "0,2,8,3"}))
        << "left, top, right, bottom: rows keep the image's bottom-up numbering";
    EXPECT_TRUE(owned.Contains(7, 2));
    EXPECT_FALSE(owned.Contains(2, 0));
    EXPECT_EQ(BoxText(owned.GetBox()), "0,0,8,3");
}

} // namespace
