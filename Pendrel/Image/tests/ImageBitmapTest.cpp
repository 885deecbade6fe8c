// Bitmaps, icons and packed bitmaps in global memory: bit fields, run-length
// data, core headers, top-down rows, short colour tables, truncated blocks,
// and the round trip through MakeBitmap.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Image/KVXGlobalMemory.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ExpectSamePixels;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

// Assembles a packed bitmap: a 40-byte header, the bit-field masks, the
// colour table and the pixel bytes, in a global memory block.
struct PackedBitmap {
    LONG width = 1;
    LONG height = 1;
    WORD bitCount = 24;
    DWORD compression = BI_RGB;
    LONG xPelsPerMeter = 0;
    LONG yPelsPerMeter = 0;
    DWORD colorsUsed = 0;
    std::vector<DWORD> masks;
    std::vector<RGBQUAD> colors;
    std::vector<BYTE> pixels;

    std::vector<BYTE> Bytes() const {
        std::vector<BYTE> bytes(40);
        KVXPutLE32(&bytes[0], 40);
        KVXPutLE32(&bytes[4], static_cast<DWORD>(width));
        KVXPutLE32(&bytes[8], static_cast<DWORD>(height));
        KVXPutLE16(&bytes[12], 1);
        KVXPutLE16(&bytes[14], bitCount);
        KVXPutLE32(&bytes[16], compression);
        KVXPutLE32(&bytes[24], static_cast<DWORD>(xPelsPerMeter));
        KVXPutLE32(&bytes[28], static_cast<DWORD>(yPelsPerMeter));
        KVXPutLE32(&bytes[32], colorsUsed);
        for (DWORD mask : masks) {
            BYTE word[4];
            KVXPutLE32(word, mask);
            bytes.insert(bytes.end(), word, word + 4);
        }
        for (const RGBQUAD& c : colors) bytes.insert(bytes.end(), {c.rgbBlue, c.rgbGreen, c.rgbRed, 0});
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        return bytes;
    }
};

HANDLE Block(const std::vector<BYTE>& bytes) {
    HANDLE block = KVXGlobalAlloc(bytes.size());
    if (!bytes.empty()) std::memcpy(KVXGlobalLock(block), bytes.data(), bytes.size());
    return block;
}

// Reads the bytes as a packed bitmap into image; the block is freed again.
bool Read(CKVXImage& image, const std::vector<BYTE>& bytes) {
    HANDLE block = Block(bytes);
    const bool read = image.CreateFromHANDLE(block);
    KVXGlobalFree(block);
    return read;
}

std::vector<RGBQUAD> Colors(int count) {
    std::vector<RGBQUAD> colors;
    for (int i = 0; i < count; ++i)
        colors.push_back(Quad(static_cast<BYTE>(10 * i), static_cast<BYTE>(10 * i + 1), static_cast<BYTE>(10 * i + 2)));
    return colors;
}

std::vector<int> Indices(CKVXImage& image, long y) {
    std::vector<int> row;
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) row.push_back(image.GetPixelIndex(x, y));
    return row;
}

TEST(ImageBitmap, SixteenBitFieldsAndDefaultFiveFiveFive) {
    PackedBitmap bitmap;
    bitmap.width = 3;
    bitmap.height = 2;
    bitmap.bitCount = 16;
    bitmap.compression = BI_BITFIELDS;
    bitmap.masks = {0xF800, 0x07E0, 0x001F};
    // Rows of (3 + 1) / 2 * 4 = 8 bytes: three words and padding.
    bitmap.pixels = {0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07, 0, 0, 0x1F, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0, 0};
    CKVXImage image;
    ASSERT_TRUE(Read(image, bitmap.Bytes()));
    EXPECT_EQ(image.GetBpp(), 24);
    const RGBQUAD expected[2][3] = {{Quad(248, 252, 248), Quad(248, 0, 0), Quad(0, 252, 0)},
                                    {Quad(0, 0, 248), Quad(0, 0, 0), Quad(248, 252, 248)}};
    for (long y = 0; y < 2; ++y)
        for (long x = 0; x < 3; ++x)
            EXPECT_TRUE(SameQuad(image.GetPixelColor(x, y, false), expected[y][x]))
                << x << "," << y << ": " << QuadText(image.GetPixelColor(x, y, false));

    // Without bit fields the words are 5-5-5, and the pixels follow the header.
    bitmap.compression = BI_RGB;
    bitmap.masks.clear();
    bitmap.width = 2;
    bitmap.height = 1;
    bitmap.pixels = {0xFF, 0x7F, 0x00, 0x7C};
    ASSERT_TRUE(Read(image, bitmap.Bytes()));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(248, 248, 248)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0, false), Quad(248, 0, 0)));
}

TEST(ImageBitmap, RunLengthEightWithAShortColourTable) {
    PackedBitmap bitmap;
    bitmap.width = 4;
    bitmap.height = 3;
    bitmap.bitCount = 8;
    bitmap.compression = BI_RLE8;
    bitmap.colorsUsed = 10;
    bitmap.colors = Colors(10);
    bitmap.pixels = {3, 5, 1, 7, 0, 0,                 // row 0: a run of 5, a 7, end of line
                     0, 3, 1, 2, 3, 0, 1, 4, 0, 0,     // row 1: three literal bytes and a pad, a 4
                     0, 2, 2, 0, 2, 9, 0, 1};          // row 2: move right 2, a run of 9, end
    CKVXImage image;
    ASSERT_TRUE(Read(image, bitmap.Bytes()));
    EXPECT_EQ(Indices(image, 0), (std::vector<int>{5, 5, 5, 7}));
    EXPECT_EQ(Indices(image, 1), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Indices(image, 2), (std::vector<int>{0, 0, 9, 9}));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(9), Quad(90, 91, 92)));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(10), Quad(0, 0, 0))) << "entries past the table stay black";

    // A run that would pass the row's end ends the bitmap, successfully.
    bitmap.height = 2;
    bitmap.pixels = {2, 1, 3, 2, 0, 0, 4, 6};
    ASSERT_TRUE(Read(image, bitmap.Bytes()));
    EXPECT_EQ(Indices(image, 0), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(Indices(image, 1), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ImageBitmap, RunLengthFourTakesHighNibblesFirst) {
    PackedBitmap bitmap;
    bitmap.width = 5;
    bitmap.height = 3;
    bitmap.bitCount = 4;
    bitmap.compression = BI_RLE4;
    bitmap.colors = Colors(16);
    bitmap.pixels = {5, 0x12, 0, 0,                          // row 0: 1 2 1 2 1
                     0, 3, 0x34, 0x50, 2, 0x67, 0, 0,        // row 1: literal 3 4 5 (two bytes), run 6 7
                     0, 5, 0x12, 0x34, 0x50, 0, 0, 1};       // row 2: literal of three bytes and a pad
    CKVXImage image;
    ASSERT_TRUE(Read(image, bitmap.Bytes()));
    EXPECT_EQ(Indices(image, 0), (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(Indices(image, 1), (std::vector<int>{3, 4, 5, 6, 7}));
    EXPECT_EQ(Indices(image, 2), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(ImageBitmap, CoreHeaderTopDownRowsAndThirtyTwoBits) {
    // Core header: 12 bytes, colour entries of three bytes.
    std::vector<BYTE> core(12);
    KVXPutLE32(&core[0], 12);
    KVXPutLE16(&core[4], 3);
    KVXPutLE16(&core[6], 2);
    KVXPutLE16(&core[8], 1);
    KVXPutLE16(&core[10], 1);
    core.insert(core.end(), {0, 0, 0, 30, 20, 10});
    core.insert(core.end(), {0xA0, 0, 0, 0, 0x40, 0, 0, 0});
    CKVXImage image;
    ASSERT_TRUE(Read(image, core));
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(Indices(image, 0), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(Indices(image, 1), (std::vector<int>{0, 1, 0}));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(1), Quad(10, 20, 30)));

    // A negative height lists the top row first.
    PackedBitmap topDown;
    topDown.width = 1;
    topDown.height = -2;
    topDown.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    ASSERT_TRUE(Read(image, topDown.Bytes()));
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1, false), Quad(3, 2, 1)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(6, 5, 4)));

    topDown.bitCount = 32;
    topDown.compression = BI_BITFIELDS;
    topDown.masks = {0xFF0000, 0xFF00, 0xFF};
    topDown.pixels = {1, 2, 3, 99, 4, 5, 6, 99};
    ASSERT_TRUE(Read(image, topDown.Bytes()));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1, false), Quad(3, 2, 1)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(6, 5, 4)));
}

TEST(ImageBitmap, ResolutionComesFromPixelsPerMetre) {
    PackedBitmap bitmap;
    bitmap.pixels = {0, 0, 0, 0};
    const struct {
        LONG pelsPerMeter;
        long dpi;
    } cases[] = {{3780, 96}, {11811, 300}, {0, 96}, {-500, 96}};
    for (const auto& c : cases) {
        bitmap.xPelsPerMeter = c.pelsPerMeter;
        bitmap.yPelsPerMeter = 3780;
        CKVXImage image;
        ASSERT_TRUE(Read(image, bitmap.Bytes()));
        EXPECT_EQ(image.GetXDPI(), c.dpi) << c.pelsPerMeter;
        EXPECT_EQ(image.GetYDPI(), 96);
    }
}

TEST(ImageBitmap, RefusesTruncatedBlocksAndUnknownCompression) {
    PackedBitmap rows;
    rows.width = 2;
    rows.height = 4;
    rows.pixels.assign(8 * 3, 7);  // three of four rows
    CKVXImage image;
    EXPECT_FALSE(Read(image, rows.Bytes()));
    rows.pixels.resize(8 * 4, 7);
    EXPECT_TRUE(Read(image, rows.Bytes()));

    std::vector<BYTE> cut = rows.Bytes();
    cut.resize(30);
    EXPECT_FALSE(Read(image, cut)) << "a header cut short";
    PackedBitmap table;
    table.bitCount = 8;
    table.colorsUsed = 200;
    table.colors = Colors(20);
    EXPECT_FALSE(Read(image, table.Bytes())) << "a colour table past the block's end";
    EXPECT_FALSE(image.CreateFromHANDLE(nullptr));
    EXPECT_FALSE(Read(image, {}));

    PackedBitmap masks;
    masks.bitCount = 16;
    masks.compression = BI_BITFIELDS;
    masks.masks = {0xF800};
    EXPECT_FALSE(Read(image, masks.Bytes())) << "the masks must be there";

    PackedBitmap eight;
    eight.bitCount = 8;
    eight.compression = BI_BITFIELDS;
    eight.masks = {0, 0, 0};
    eight.colorsUsed = 1;
    eight.colors = Colors(1);
    eight.pixels.assign(4, 0);
    EXPECT_FALSE(Read(image, eight.Bytes()));
    EXPECT_STREQ(image.GetLastError(), "compression type not supported");
    PackedBitmap deep;
    deep.bitCount = 32;
    deep.compression = BI_RLE8;
    deep.pixels.assign(4, 0);
    EXPECT_FALSE(Read(image, deep.Bytes()));
    EXPECT_STREQ(image.GetLastError(), "unknown compression");
}

TEST(ImageBitmap, MakeBitmapAndReadItBack) {
    CKVXImage empty;
    EXPECT_EQ(empty.MakeBitmap(), nullptr);

    CKVXImage image(7, 3, 4);
    image.SetStdPalette();
    for (long y = 0; y < 3; ++y)
        for (long x = 0; x < 7; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>((x + 3 * y) % 16));
    image.SetXDPI(300);
    HBITMAP bitmap = image.MakeBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetHeader().biWidth, 7);
    EXPECT_EQ(bitmap->GetHeader().biBitCount, 4);

    CKVXImage back;
    back.SetXDPI(72);
    ASSERT_TRUE(back.CreateFromHBITMAP(bitmap));
    EXPECT_EQ(back.GetBpp(), 4);
    EXPECT_TRUE(back.IsSamePalette(image));
    ExpectSamePixels(back, image);
    EXPECT_EQ(back.GetXDPI(), 72) << "reading a bitmap keeps the image's resolution";
    delete bitmap;

    EXPECT_FALSE(back.CreateFromHBITMAP(nullptr));
    CKVXGdiBitmap broken(KVXGlobalAlloc(10));
    EXPECT_FALSE(back.CreateFromHBITMAP(&broken));
    EXPECT_STREQ(back.GetLastError(), "GetDIBits failed");
}

TEST(ImageBitmap, IconMaskBecomesTheAlphaPlane) {
    CKVXImage color(3, 2, 24);
    kvximagetest::FillPattern24(color);
    CKVXImage mask(3, 2, 1);
    mask.SetPaletteColor(0, 0, 0, 0);
    mask.SetPaletteColor(1, 255, 255, 255);
    mask.Clear(0);
    mask.SetPixelIndex(0, 0, 1);
    mask.SetPixelIndex(2, 1, 1);
    CKVXGdiIcon icon(color.MakeBitmap(), mask.MakeBitmap());

    CKVXImage image;
    ASSERT_TRUE(image.CreateFromHICON(&icon));
    ASSERT_TRUE(image.AlphaIsValid());
    const BYTE expected[2][3] = {{0, 255, 255}, {255, 255, 0}};
    for (long y = 0; y < 2; ++y)
        for (long x = 0; x < 3; ++x) EXPECT_EQ(image.AlphaGet(x, y), expected[y][x]) << x << "," << y;
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1, false), color.GetPixelColor(1, 1, false)));

    EXPECT_FALSE(image.CreateFromHICON(nullptr));
    CKVXImage small(2, 2, 1);
    CKVXGdiIcon noColor(nullptr, small.MakeBitmap());
    EXPECT_FALSE(image.CreateFromHICON(&noColor));
    CKVXGdiIcon otherSize(color.MakeBitmap(), small.MakeBitmap());
    ASSERT_TRUE(image.CreateFromHICON(&otherSize));
    EXPECT_FALSE(image.AlphaIsValid()) << "a mask of another size gives no alpha";
}

} // namespace
