// The PNG codec: decoding per colour type, depth, transparency, background,
// resolution and interlacing, and encoding with palettes, transparency and
// alpha. Fixture files are written with libpng directly.

#include <gtest/gtest.h>

#include <string>

#include "Pendrel/Image/KVXImagePNG.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvxcodectest::Bytes;
using kvxcodectest::DecodeBytes;
using kvxcodectest::EncodeToBytes;
using kvxcodectest::PngSpec;
using kvxcodectest::WritePng;
using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::QuadText;
using kvximagetest::SameQuad;

namespace {

constexpr DWORD kPng = CKVXImage::ImageTypePng;

PngSpec Spec(png_uint_32 width, png_uint_32 height, int bitDepth, int colorType, std::vector<Bytes> rows) {
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitDepth = bitDepth;
    spec.colorType = colorType;
    spec.rows = std::move(rows);
    return spec;
}

TEST(ImagePngDecode, RgbaKeepsItsAlphaPlaneAtEightAndSixteenBits) {
    // Top row: opaque red, transparent green; bottom row: half blue, white.
    const Bytes top8 = {255, 0, 0, 255, 0, 255, 0, 0};
    const Bytes bottom8 = {0, 0, 255, 128, 255, 255, 255, 255};
    Bytes top16, bottom16;
    for (BYTE b : top8) top16.insert(top16.end(), {b, 0x77});
    for (BYTE b : bottom8) bottom16.insert(bottom16.end(), {b, 0x77});
    const Bytes files[] = {WritePng(Spec(2, 2, 8, PNG_COLOR_TYPE_RGB_ALPHA, {top8, bottom8})),
                           WritePng(Spec(2, 2, 16, PNG_COLOR_TYPE_RGB_ALPHA, {top16, bottom16}))};
    for (const Bytes& file : files) {
        CKVXImage image;
        ASSERT_TRUE(DecodeBytes(image, file, kPng)) << image.GetLastError();
        EXPECT_EQ(image.GetType(), kPng);
        EXPECT_EQ(image.GetBpp(), 24);
        ASSERT_TRUE(image.AlphaIsValid());
        EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1), Quad(255, 0, 0, 255)));
        EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1), Quad(0, 255, 0, 0)));
        EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(0, 0, 255, 128)));
        EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0), Quad(255, 255, 255, 255)));
    }
}

TEST(ImagePngDecode, GreyAlphaIsCompositedOnGrey192OrTheFileBackgroundWithTheFileGamma) {
    PngSpec spec = Spec(3, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{0, 0, 255, 255, 0, 128}});
    CKVXImage plain;
    ASSERT_TRUE(DecodeBytes(plain, WritePng(spec), kPng)) << plain.GetLastError();
    EXPECT_EQ(plain.GetBpp(), 8);
    EXPECT_FALSE(plain.AlphaIsValid());
    EXPECT_EQ(plain.GetPixelColor(0, 0).rgbRed, 192);
    EXPECT_EQ(plain.GetPixelColor(1, 0).rgbRed, 255);
    EXPECT_NEAR(plain.GetPixelColor(2, 0).rgbRed, 96, 1);

    spec.hasBackground = true;
    spec.background.gray = 40;
    CKVXImage onBackground;
    ASSERT_TRUE(DecodeBytes(onBackground, WritePng(spec), kPng));
    EXPECT_EQ(onBackground.GetPixelColor(0, 0).rgbRed, 40);

    // With a file gamma of 1/2.2 half-covered black blends in linear light:
    // 192 is 137 of 255 there, half of it 68, which is 140 at the file's
    // gamma (not 96). Fully covered and fully open pixels stay as they are.
    spec.hasBackground = false;
    spec.gamma = 45455;
    CKVXImage withGamma;
    ASSERT_TRUE(DecodeBytes(withGamma, WritePng(spec), kPng)) << withGamma.GetLastError();
    EXPECT_EQ(withGamma.GetPixelColor(0, 0).rgbRed, 192);
    EXPECT_EQ(withGamma.GetPixelColor(1, 0).rgbRed, 255);
    EXPECT_NEAR(withGamma.GetPixelColor(2, 0).rgbRed, 140, 1);
}

TEST(ImagePngDecode, SixteenBitGreyAlphaKeepsAlphaAndTheBackgroundColour) {
    PngSpec spec = Spec(1, 1, 16, PNG_COLOR_TYPE_GRAY_ALPHA, {{0x80, 0x00, 0x40, 0x00}});
    spec.hasBackground = true;
    spec.background = png_color_16{0, 0, 0, 0, 300};
    ImageProbe image;
    ASSERT_TRUE(DecodeBytes(image, WritePng(spec), kPng)) << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(128, 128, 128, 64)));
    // The background's low 8 bits (300 = 0x12C) become the transparent colour.
    EXPECT_TRUE(SameQuad(image.GetTransColor(), Quad(44, 44, 44))) << QuadText(image.GetTransColor());
    EXPECT_EQ(image.GetTransIndex(), -1);
}

TEST(ImagePngDecode, PaletteTransparency) {
    const std::vector<png_color> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
    PngSpec spec = Spec(4, 1, 8, PNG_COLOR_TYPE_PALETTE, {{0, 1, 2, 3}});
    spec.palette = palette;

    spec.transAlpha = {0};
    ImageProbe single;
    ASSERT_TRUE(DecodeBytes(single, WritePng(spec), kPng)) << single.GetLastError();
    EXPECT_EQ(single.GetTransIndex(), 0);
    EXPECT_FALSE(single.AlphaPaletteIsEnabled());
    // The palette is taken before libpng composites it.
    EXPECT_TRUE(SameQuad(single.GetPaletteColor(0), Quad(10, 20, 30, 0)));

    spec.transAlpha = {0, 100, 200};
    ImageProbe three;
    ASSERT_TRUE(DecodeBytes(three, WritePng(spec), kPng));
    EXPECT_EQ(three.GetTransIndex(), -1);
    EXPECT_TRUE(three.AlphaPaletteIsEnabled());
    const BYTE expected[] = {0, 100, 200, 255};
    for (BYTE i = 0; i < 4; ++i) EXPECT_EQ(three.GetPaletteColor(i).rgbReserved, expected[i]) << int(i);
    EXPECT_EQ(three.GetPaletteColor(200).rgbReserved, 255);
    EXPECT_TRUE(SameQuad(three.GetPaletteColor(0), Quad(10, 20, 30, 0)));
}

TEST(ImagePngDecode, GreyTransparencyIsCompositedWithoutAPaletteTable) {
    PngSpec spec = Spec(2, 1, 8, PNG_COLOR_TYPE_GRAY, {{7, 9}});
    spec.hasTransColor = true;
    spec.transColor.gray = 7;
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, WritePng(spec), kPng)) << image.GetLastError();
    EXPECT_EQ(image.GetPixelIndex(0, 0), 192);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 9);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.AlphaPaletteIsEnabled());
}

// libpng's own reading of a file as 8-bit grey composited on grey 192, rows
// from the top; empty when libpng cannot read it.
Bytes LibpngGreyOn192(const Bytes& file) {
    png_image reader{};
    reader.version = PNG_IMAGE_VERSION;
    Bytes pixels;
    if (!png_image_begin_read_from_memory(&reader, file.data(), file.size())) return pixels;
    reader.format = PNG_FORMAT_GRAY;
    pixels.resize(PNG_IMAGE_SIZE(reader));
    const png_color background{192, 192, 192};
    if (!png_image_finish_read(&reader, &background, pixels.data(), 0, nullptr)) pixels.clear();
    png_image_free(&reader);
    return pixels;
}

TEST(ImagePngDecode, LowDepthGreyWithATransparentLevelMatchesLibpngsExpansion) {
    // Every level of the depth along the rows, level 1 transparent; odd
    // widths leave part of the last byte of a row unused.
    for (const int depth : {1, 2, 4}) {
        for (const bool interlaced : {false, true}) {
            SCOPED_TRACE(std::to_string(depth) + (interlaced ? " bits, interlaced" : " bits"));
            const png_uint_32 width = 11;
            const png_uint_32 height = 5;
            PngSpec spec = Spec(width, height, depth, PNG_COLOR_TYPE_GRAY, {});
            spec.interlaced = interlaced;
            for (png_uint_32 y = 0; y < height; ++y) {
                Bytes row((width * depth + 7) / 8, 0);
                for (png_uint_32 x = 0; x < width; ++x) {
                    const unsigned level = (x + 3 * y) % (1u << depth);
                    row[x * depth / 8] |= static_cast<BYTE>(level << (8 - depth - x * depth % 8));
                }
                spec.rows.push_back(row);
            }
            spec.hasTransColor = true;
            spec.transColor.gray = 1;
            const Bytes file = WritePng(spec);
            const Bytes expected = LibpngGreyOn192(file);
            ASSERT_EQ(expected.size(), size_t{width} * height);

            CKVXImage image;
            ASSERT_TRUE(DecodeBytes(image, file, kPng)) << image.GetLastError();
            ASSERT_EQ(image.GetWidth(), width);
            ASSERT_EQ(image.GetHeight(), height);
            for (png_uint_32 y = 0; y < height; ++y)
                for (png_uint_32 x = 0; x < width; ++x) {
                    RGBQUAD got = image.GetPixelColor(static_cast<long>(x), static_cast<long>(height - 1 - y), false);
                    got.rgbReserved = 0;
                    const BYTE want = expected[y * width + x];
                    EXPECT_TRUE(SameQuad(got, Quad(want, want, want)))
                        << x << "," << y << ": " << QuadText(got) << " against " << int(want);
                }
        }
    }
}

TEST(ImagePngDecode, LowDepthsAndSixteenBitGrey) {
    // 2-bit grey 0..3 widens to 4 bits with the greys 0, 85, 170, 255.
    CKVXImage twoBit;
    ASSERT_TRUE(DecodeBytes(twoBit, WritePng(Spec(5, 1, 2, PNG_COLOR_TYPE_GRAY, {{0x1B, 0xC0}})), kPng));
    EXPECT_EQ(twoBit.GetBpp(), 4);
    const BYTE levels[] = {0, 85, 170, 255, 255};
    for (long x = 0; x < 5; ++x) EXPECT_EQ(twoBit.GetPixelColor(x, 0).rgbGreen, levels[x]) << x;

    CKVXImage oneBit;
    ASSERT_TRUE(DecodeBytes(oneBit, WritePng(Spec(9, 1, 1, PNG_COLOR_TYPE_GRAY, {{0xA0, 0x80}})), kPng));
    EXPECT_EQ(oneBit.GetBpp(), 1);
    EXPECT_EQ(oneBit.GetPixelColor(0, 0).rgbRed, 255);
    EXPECT_EQ(oneBit.GetPixelColor(1, 0).rgbRed, 0);
    EXPECT_EQ(oneBit.GetPixelColor(8, 0).rgbRed, 255);

    CKVXImage sixteen;
    ASSERT_TRUE(DecodeBytes(sixteen, WritePng(Spec(2, 1, 16, PNG_COLOR_TYPE_GRAY, {{0x12, 0x34, 0xFF, 0xFF}})), kPng));
    EXPECT_EQ(sixteen.GetBpp(), 8);
    EXPECT_EQ(sixteen.GetPixelIndex(0, 0), 0x12);
    EXPECT_EQ(sixteen.GetPixelIndex(1, 0), 0xFF);
}

TEST(ImagePngDecode, ResolutionFromPhys) {
    struct Case {
        bool phys;
        png_uint_32 x, y;
        int unit;
        long dpiX, dpiY;
    };
    const Case cases[] = {{false, 0, 0, 0, 96, 96},
                          {true, 3780, 11811, PNG_RESOLUTION_METER, 96, 300},
                          {true, 150, 0, PNG_RESOLUTION_UNKNOWN, 150, 96}};
    for (const Case& c : cases) {
        PngSpec spec = Spec(1, 1, 8, PNG_COLOR_TYPE_GRAY, {{1}});
        spec.hasPhys = c.phys;
        spec.physX = c.x;
        spec.physY = c.y;
        spec.physUnit = c.unit;
        CKVXImage image;
        ASSERT_TRUE(DecodeBytes(image, WritePng(spec), kPng));
        EXPECT_EQ(image.GetXDPI(), c.dpiX);
        EXPECT_EQ(image.GetYDPI(), c.dpiY);
    }
}

TEST(ImagePngDecode, InterlacedFilesMatchTheirTwinAndStayInterlaced) {
    const png_uint_32 width = 11;
    const png_uint_32 height = 9;
    struct Form {
        int bitDepth, colorType, channels;
    };
    for (const Form form : {Form{8, PNG_COLOR_TYPE_RGB, 3}, Form{8, PNG_COLOR_TYPE_RGB_ALPHA, 4},
                            Form{2, PNG_COLOR_TYPE_GRAY, 1}, Form{4, PNG_COLOR_TYPE_PALETTE, 1}}) {
        std::vector<Bytes> rows;
        for (png_uint_32 y = 0; y < height; ++y) {
            Bytes row((width * form.bitDepth * form.channels + 7) / 8);
            for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<BYTE>(i * 37 + y * 11 + 5);
            rows.push_back(row);
        }
        PngSpec spec = Spec(width, height, form.bitDepth, form.colorType, rows);
        for (int i = 0; i < 16; ++i) spec.palette.push_back(png_color{BYTE(i * 16), BYTE(255 - i), BYTE(i)});
        if (form.colorType != PNG_COLOR_TYPE_PALETTE) spec.palette.clear();
        CKVXImage plain;
        ASSERT_TRUE(DecodeBytes(plain, WritePng(spec), kPng)) << plain.GetLastError();
        EXPECT_EQ(plain.GetCodecOption(kPng), 0u);
        spec.interlaced = true;
        CKVXImage interlaced;
        ASSERT_TRUE(DecodeBytes(interlaced, WritePng(spec), kPng)) << interlaced.GetLastError();
        EXPECT_EQ(interlaced.GetCodecOption(kPng), 1u);
        kvximagetest::ExpectSamePixels(plain, interlaced);

        const Bytes again = EncodeToBytes(interlaced, kPng);
        ASSERT_GT(again.size(), 33u);
        EXPECT_EQ(again[28], 1) << "interlace method of the IHDR";
        CKVXImage reread;
        ASSERT_TRUE(DecodeBytes(reread, again, kPng));
        kvximagetest::ExpectSamePixels(plain, reread);
    }
}

TEST(ImagePngDecode, BrokenStreamsFail) {
    const Bytes file = WritePng(Spec(4, 4, 8, PNG_COLOR_TYPE_RGB, std::vector<Bytes>(4, Bytes(12, 9))));
    CKVXImage truncated;
    EXPECT_FALSE(truncated.Decode(file.data(), static_cast<DWORD>(file.size() - 20), kPng));
    EXPECT_STREQ(truncated.GetLastError(), "Read Error");

    Bytes damaged = file;
    damaged[1] = 'X';
    CKVXImage foreign;
    EXPECT_FALSE(DecodeBytes(foreign, damaged, kPng));
    EXPECT_STRNE(foreign.GetLastError(), "");

    CKVXImage cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(cancelled, file, kPng));
    EXPECT_FALSE(cancelled.IsValid());
}

// ----- Encoding ---------------------------------------------------------------

// Reads the palette length (PLTE chunk size / 3) of a PNG file.
size_t PaletteLength(const Bytes& file) {
    for (size_t i = 8; i + 8 <= file.size();) {
        const size_t length = (size_t(file[i]) << 24) | (size_t(file[i + 1]) << 16) | (size_t(file[i + 2]) << 8) |
                              file[i + 3];
        if (std::memcmp(&file[i + 4], "PLTE", 4) == 0) return length / 3;
        i += 12 + length;
    }
    return 0;
}

TEST(ImagePngEncode, PaletteLengthFollowsTheHighestIndexOnSmallImages) {
    struct Case {
        DWORD side;
        size_t length;
    };
    for (const Case c : {Case{100, 10}, Case{300, 256}}) {
        CKVXImage image(c.side, c.side, 8);
        image.SetStdPalette();
        for (DWORD i = 0; i < c.side; ++i) image.SetPixelIndex(i, i, static_cast<BYTE>(i % 10));
        const Bytes file = EncodeToBytes(image, kPng);
        EXPECT_EQ(PaletteLength(file), c.length) << c.side;
        CKVXImage decoded;
        ASSERT_TRUE(DecodeBytes(decoded, file, kPng));
        kvximagetest::ExpectSamePixels(image, decoded);
    }
}

TEST(ImagePngEncode, TransparentIndexMovesToEntryZeroInTheCallersImage) {
    CKVXImage image(4, 2, 8);
    image.SetStdPalette();
    const RGBQUAD five = image.GetPaletteColor(5);
    const RGBQUAD zero = image.GetPaletteColor(0);
    image.SetPixelIndex(1, 0, 5);
    image.SetPixelIndex(2, 0, 0);
    image.SetTransIndex(5);
    const Bytes file = EncodeToBytes(image, kPng);
    ASSERT_FALSE(file.empty()) << image.GetLastError();
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(0), five));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(5), zero));
    EXPECT_EQ(image.GetPixelIndex(1, 0), 0);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 5);

    CKVXImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file, kPng));
    EXPECT_EQ(decoded.GetTransIndex(), 0);
    EXPECT_TRUE(SameQuad(decoded.GetPaletteColor(0), five));
    EXPECT_EQ(decoded.GetPixelIndex(1, 0), 0);
}

TEST(ImagePngEncode, RoundTripsAtEveryDepthWithAlphaAndKeyColour) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CKVXImage image(7, 3, bpp);
        if (bpp < 24) image.SetGrayPalette();
        for (long y = 0; y < 3; ++y)
            for (long x = 0; x < 7; ++x) {
                if (bpp == 24) image.SetPixelColor(x, y, Quad(BYTE(x * 30), BYTE(y * 70), BYTE(x + y)));
                else image.SetPixelIndex(x, y, static_cast<BYTE>(x + y));
            }
        image.SetXDPI(300);
        CKVXImage decoded;
        ASSERT_TRUE(DecodeBytes(decoded, EncodeToBytes(image, kPng), kPng)) << bpp;
        EXPECT_EQ(decoded.GetBpp(), bpp);
        EXPECT_EQ(decoded.GetXDPI(), 300);
        kvximagetest::ExpectSamePixels(image, decoded);
    }

    // A true-colour key colour is written as alpha 0 through an alpha plane
    // that lives only for the encoding.
    CKVXImage keyed(3, 1, 24);
    keyed.SetPixelColor(1, 0, Quad(9, 8, 7));
    keyed.SetTransColor(Quad(9, 8, 7));
    keyed.SetTransIndex(0);
    CKVXImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, EncodeToBytes(keyed, kPng), kPng));
    EXPECT_FALSE(keyed.AlphaIsValid());
    ASSERT_TRUE(decoded.AlphaIsValid());
    EXPECT_EQ(decoded.AlphaGet(1, 0), 0);
    EXPECT_EQ(decoded.AlphaGet(0, 0), 255);
    EXPECT_TRUE(SameQuad(decoded.GetTransColor(), Quad(9, 8, 7)));

    // Alpha is written scaled by alphaMax.
    CKVXImage faded(1, 1, 24);
    faded.AlphaCreate();
    faded.AlphaSetMax(51);
    CKVXImage fadedBack;
    ASSERT_TRUE(DecodeBytes(fadedBack, EncodeToBytes(faded, kPng), kPng));
    EXPECT_EQ(fadedBack.AlphaGet(0, 0), 51);
}

TEST(ImagePngEncode, FailuresCarryTheSavingText) {
    CKVXImage image(64, 64, 24);
    kvxcodectest::ShortWriteStream full(100);
    EXPECT_FALSE(image.Encode(&full, kPng));
    EXPECT_STREQ(image.GetLastError(), "Error saving PNG file");
    CKVXImage empty;
    CKVXImageMemFile out;
    out.Open();
    EXPECT_FALSE(empty.Encode(&out, kPng));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

} // namespace
