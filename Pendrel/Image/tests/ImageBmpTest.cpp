// The BMP codec: header kinds, depths, bit fields, compressions, run-length
// data, the dimensions-only mode and round trips. Files are assembled here.

#include <gtest/gtest.h>

#include "Pendrel/Image/KVXImageBMP.h"
#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvxcodectest::Bytes;
using kvxcodectest::DecodeBytes;
using kvxcodectest::EncodeToBytes;
using kvxcodectest::PutLE16;
using kvxcodectest::PutLE32;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

constexpr DWORD kBmp = CKVXImage::ImageTypeBmp;

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1;
    WORD bitCount = 24;
    DWORD compression = BI_RGB;
    std::vector<RGBQUAD> palette;
    DWORD colorsUsed = 0;
    std::vector<DWORD> masks;
    Bytes pixels;
    bool fileHeader = true;
    DWORD xPelsPerMeter = 3780;
};

Bytes BmpFile(const BmpSpec& spec) {
    Bytes info;
    PutLE32(info, 40);
    PutLE32(info, static_cast<uint32_t>(spec.width));
    PutLE32(info, static_cast<uint32_t>(spec.height));
    PutLE16(info, 1);
    PutLE16(info, spec.bitCount);
    PutLE32(info, spec.compression);
    PutLE32(info, static_cast<uint32_t>(spec.pixels.size()));
    PutLE32(info, spec.xPelsPerMeter);
    PutLE32(info, spec.xPelsPerMeter);
    PutLE32(info, spec.colorsUsed);
    PutLE32(info, 0);
    for (const RGBQUAD& q : spec.palette) info.insert(info.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved});
    for (DWORD mask : spec.masks) PutLE32(info, mask);
    Bytes file;
    if (spec.fileHeader) {
        file = {'B', 'M'};
        PutLE32(file, static_cast<uint32_t>(14 + info.size() + spec.pixels.size()));
        PutLE32(file, 0);
        PutLE32(file, static_cast<uint32_t>(14 + info.size()));
    }
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), spec.pixels.begin(), spec.pixels.end());
    return file;
}

std::vector<RGBQUAD> GreyPalette(int count) {
    std::vector<RGBQUAD> palette;
    for (int i = 0; i < count; ++i) palette.push_back(Quad(BYTE(i), BYTE(i), BYTE(i)));
    return palette;
}

TEST(ImageBmpDecode, HeaderlessBitmapReadsPixelsBehindThePalette) {
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.bitCount = 8;
    spec.palette = GreyPalette(256);
    spec.palette[7] = Quad(200, 100, 50, 99);
    spec.pixels = {1, 2, 7, 0, 4, 5, 6, 0};
    spec.fileHeader = false;
    spec.xPelsPerMeter = 11811;
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, BmpFile(spec), kBmp)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), kBmp);
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 7);
    EXPECT_EQ(image.GetPixelIndex(0, 1), 4);
    // Reserved bytes are cleared.
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(7), Quad(200, 100, 50, 0)));
    EXPECT_EQ(image.GetXDPI(), 300);
}

TEST(ImageBmpDecode, CoreHeaderWithThreeBytePalette) {
    Bytes file = {'B', 'M'};
    PutLE32(file, 0);
    PutLE32(file, 0);
    PutLE32(file, 14 + 12 + 3 * 256);
    PutLE32(file, 12);
    PutLE16(file, 2);
    PutLE16(file, 1);
    PutLE16(file, 1);
    PutLE16(file, 8);
    for (int i = 0; i < 256; ++i) file.insert(file.end(), {BYTE(i), BYTE(255 - i), BYTE(i / 2)});
    file.insert(file.end(), {3, 250, 0, 0});
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, file, kBmp)) << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), 2u);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(1, 252, 3))) << QuadText(image.GetPixelColor(0, 0));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0), Quad(125, 5, 250)));
    for (BYTE i : {0, 128, 255}) EXPECT_EQ(image.GetPaletteColor(i).rgbReserved, 0);
}

TEST(ImageBmpDecode, TopDownTrueColourComesOutUpright) {
    BmpSpec spec;
    spec.width = 1;
    spec.height = -2;
    spec.pixels = {10, 20, 30, 0, 40, 50, 60, 0}; // first the top row
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, BmpFile(spec), kBmp)) << image.GetLastError();
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1), Quad(30, 20, 10)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(60, 50, 40)));
}

TEST(ImageBmpDecode, SixteenAndThirtyTwoBits) {
    BmpSpec spec;
    spec.width = 1;
    spec.height = 1;
    spec.bitCount = 16;
    spec.pixels = {0xFF, 0x7F, 0, 0}; // 5-5-5 white
    CKVXImage fiveFiveFive;
    ASSERT_TRUE(DecodeBytes(fiveFiveFive, BmpFile(spec), kBmp));
    EXPECT_EQ(fiveFiveFive.GetBpp(), 24);
    EXPECT_TRUE(SameQuad(fiveFiveFive.GetPixelColor(0, 0), Quad(248, 248, 248)));

    spec.compression = BI_BITFIELDS;
    spec.masks = {0xF800, 0x07E0, 0x001F};
    spec.pixels = {0xE0, 0x07, 0, 0}; // 5-6-5 pure green
    CKVXImage fiveSixFive;
    ASSERT_TRUE(DecodeBytes(fiveSixFive, BmpFile(spec), kBmp)) << fiveSixFive.GetLastError();
    EXPECT_TRUE(SameQuad(fiveSixFive.GetPixelColor(0, 0), Quad(0, 252, 0)))
        << QuadText(fiveSixFive.GetPixelColor(0, 0));

    // Masks wider than the word shift their channel out to 0.
    spec.masks = {0x00FF, 0xFFFF, 0xFFFF};
    spec.pixels = {0x34, 0x12, 0, 0};
    CKVXImage wideMasks;
    ASSERT_TRUE(DecodeBytes(wideMasks, BmpFile(spec), kBmp));
    EXPECT_EQ(wideMasks.GetPixelColor(0, 0).rgbRed, 0);

    BmpSpec wide;
    wide.width = 2;
    wide.bitCount = 32;
    wide.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    CKVXImage thirtyTwo;
    ASSERT_TRUE(DecodeBytes(thirtyTwo, BmpFile(wide), kBmp));
    EXPECT_TRUE(SameQuad(thirtyTwo.GetPixelColor(1, 0), Quad(7, 6, 5)));
}

TEST(ImageBmpDecode, CompressionAndHeaderErrors) {
    struct Case {
        WORD bitCount;
        DWORD compression;
        DWORD colorsUsed;
        const char* text;
    };
    const Case cases[] = {{24, BI_RLE8, 0, "unknown compression"},
                          {32, BI_RLE4, 0, "unknown compression"},
                          {8, BI_BITFIELDS, 0, "compression type not supported"},
                          {2, BI_RGB, 0, "Error reading BMP info"},
                          {0, BI_RGB, 0, "Error reading BMP info"},
                          {4, BI_RGB, 17, "Error reading BMP info"}};
    for (const Case& c : cases) {
        BmpSpec spec;
        spec.bitCount = c.bitCount;
        spec.compression = c.compression;
        spec.colorsUsed = c.colorsUsed;
        spec.pixels = Bytes(4, 0);
        CKVXImage image;
        EXPECT_FALSE(DecodeBytes(image, BmpFile(spec), kBmp)) << c.bitCount;
        EXPECT_STREQ(image.GetLastError(), c.text) << c.bitCount << "/" << c.compression;
    }
    CKVXImage empty;
    EXPECT_FALSE(DecodeBytes(empty, Bytes{}, kBmp));
    EXPECT_STREQ(empty.GetLastError(), "Not a BMP");

    // Uncompressed pixels that the file cannot hold are refused before any
    // memory is taken for them: one pixel wide, 16,777,217 rows in 58 bytes.
    BmpSpec tall;
    tall.height = 16777217;
    tall.pixels = Bytes(4, 0);
    CKVXImage image;
    EXPECT_FALSE(DecodeBytes(image, BmpFile(tall), kBmp));
    EXPECT_STREQ(image.GetLastError(), "Error reading BMP info");
}

TEST(ImageBmpDecode, DimensionsOnlyAndCancel) {
    BmpSpec spec;
    spec.width = 7;
    spec.height = -5;
    spec.pixels = Bytes(24 * 5, 0);
    CKVXImage image;
    image.SetEscape(-1);
    EXPECT_TRUE(DecodeBytes(image, BmpFile(spec), kBmp));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 7u);
    EXPECT_EQ(image.GetHeight(), 5u);
    EXPECT_STREQ(image.GetLastError(), "output dimensions returned");

    // Bytes that are no bitmap still fail, so that detection goes on.
    CKVXImage foreign;
    foreign.SetEscape(-1);
    const Bytes text = kvximagetest::Bytes("this is not a bitmap header at all, not even close");
    EXPECT_FALSE(DecodeBytes(foreign, text, kBmp));

    CKVXImage cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(cancelled, BmpFile(spec), kBmp));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

// An 8-bit bitmap of width x height with the given run-length data.
Bytes RleFile(int32_t width, int32_t height, WORD bitCount, Bytes data) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = bitCount;
    spec.compression = bitCount == 8 ? BI_RLE8 : BI_RLE4;
    spec.palette = GreyPalette(bitCount == 8 ? 256 : 16);
    spec.pixels = std::move(data);
    return BmpFile(spec);
}

TEST(ImageBmpDecode, Rle8RunsDeltasAndOverruns) {
    // Row 0: run of 3 x 9, absolute 5 6 7 (padded), end of row; row 1: a
    // delta of (1, 0), a run of 2 x 4, end of bitmap.
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, RleFile(6, 2, 8, {3, 9, 0, 3, 5, 6, 7, 0, 0, 0, 0, 2, 1, 0, 2, 4, 0, 1}), kBmp));
    const BYTE row0[] = {9, 9, 9, 5, 6, 7};
    const BYTE row1[] = {0, 4, 4, 0, 0, 0};
    for (long x = 0; x < 6; ++x) {
        EXPECT_EQ(image.GetPixelIndex(x, 0), row0[x]) << x;
        EXPECT_EQ(image.GetPixelIndex(x, 1), row1[x]) << x;
    }

    // A run past the row's end stops the pixel data; the image is kept.
    CKVXImage overrun;
    ASSERT_TRUE(DecodeBytes(overrun, RleFile(2, 2, 8, {200, 3, 5, 8}), kBmp));
    EXPECT_EQ(overrun.GetPixelIndex(0, 0), 3);
    EXPECT_EQ(overrun.GetPixelIndex(0, 1), 0);

    // Deltas and end-of-row codes past the last row, absolute runs past the
    // row's end, and data that stops early never write outside the rows.
    for (const Bytes& data : {Bytes{0, 2, 0, 200, 5, 5}, Bytes{0, 0, 0, 0, 0, 0, 7, 7},
                              Bytes{0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}, Bytes{5}}) {
        CKVXImage image2;
        EXPECT_TRUE(DecodeBytes(image2, RleFile(2, 2, 8, data), kBmp));
    }
}

TEST(ImageBmpDecode, Rle4KeepsNibbleOrderAndOddDeltas) {
    // Row 0: run of 5 pixels alternating 1 and 2; delta of 1 pixel; absolute
    // run of 3 pixels 7, 8, 9 (2 bytes, padded). Row 1: end of bitmap.
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, RleFile(10, 1, 4, {5, 0x12, 0, 2, 1, 0, 0, 3, 0x78, 0x90, 0, 1}), kBmp));
    const BYTE expected[] = {1, 2, 1, 2, 1, 0, 7, 8, 9, 0};
    for (long x = 0; x < 10; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), expected[x]) << x;
}

TEST(ImageBmpRoundTrip, EightBitImageAndFileHeader) {
    CKVXImage image(5, 3, 8);
    image.SetStdPalette();
    for (long y = 0; y < 3; ++y)
        for (long x = 0; x < 5; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>(x * 40 + y));
    const Bytes file = EncodeToBytes(image, kBmp);
    ASSERT_EQ(file.size(), 14 + 40 + 4 * 256 + 8 * 3u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(KVXGetLE32(&file[2]), file.size());
    EXPECT_EQ(KVXGetLE32(&file[10]), 14 + 40 + 4 * 256u);
    CKVXImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file, kBmp)) << decoded.GetLastError();
    kvximagetest::ExpectSamePixels(image, decoded);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(SameQuad(image.GetPaletteColor(BYTE(i)), decoded.GetPaletteColor(BYTE(i))));

    for (DWORD bpp : {1u, 4u, 24u}) {
        CKVXImage other(9, 2, bpp);
        if (bpp < 24) other.SetGrayPalette();
        kvximagetest::FillPattern24(other);
        CKVXImage back;
        ASSERT_TRUE(DecodeBytes(back, EncodeToBytes(other, kBmp), kBmp));
        kvximagetest::ExpectSamePixels(other, back);
    }
}

TEST(ImageBmpRoundTrip, WriteFailureIsReported) {
    CKVXImage image(16, 16, 24);
    kvxcodectest::ShortWriteStream full(100);
    EXPECT_FALSE(image.Encode(&full, kBmp));
}

} // namespace
