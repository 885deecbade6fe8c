// The ICO codec: frame choice, the AND mask turned into alpha, a transparent
// index or a transparent colour, and the one-image encoder.

#include <gtest/gtest.h>

#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageICO.h"
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

constexpr DWORD kIco = CKVXImage::ImageTypeIco;

// One icon image: colour rows and mask rows bottom-up, as stored.
struct IconImage {
    BYTE width = 2;
    BYTE height = 2;
    WORD bitCount = 24;
    DWORD colorsUsed = 0;
    std::vector<RGBQUAD> palette;
    Bytes pixels;
    Bytes mask;
    Bytes stream;  // when set, the image's whole data instead of a bitmap
};

Bytes IconFile(const std::vector<IconImage>& images) {
    Bytes file;
    PutLE16(file, 0);
    PutLE16(file, 1);
    PutLE16(file, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    std::vector<Bytes> bodies;
    for (const IconImage& icon : images) {
        Bytes body = icon.stream;
        if (body.empty()) {
            PutLE32(body, 40);
            PutLE32(body, icon.width);
            PutLE32(body, 2u * icon.height);
            PutLE16(body, 1);
            PutLE16(body, icon.bitCount);
            PutLE32(body, 0);
            PutLE32(body, static_cast<uint32_t>(icon.pixels.size()));
            PutLE32(body, 0);
            PutLE32(body, 0);
            PutLE32(body, icon.colorsUsed);
            PutLE32(body, 0);
            for (const RGBQUAD& q : icon.palette)
                body.insert(body.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, q.rgbReserved});
            body.insert(body.end(), icon.pixels.begin(), icon.pixels.end());
            body.insert(body.end(), icon.mask.begin(), icon.mask.end());
        }
        file.insert(file.end(), {icon.width, icon.height, 0, 0});
        PutLE16(file, 1);
        PutLE16(file, icon.bitCount);
        PutLE32(file, static_cast<uint32_t>(body.size()));
        PutLE32(file, offset);
        offset += static_cast<uint32_t>(body.size());
        bodies.push_back(body);
    }
    for (const Bytes& body : bodies) file.insert(file.end(), body.begin(), body.end());
    return file;
}

// A 2 x 2 24-bit icon of one colour, with the given mask bits (bit 7 of the
// first byte of each 4-byte mask row, left pixel first).
IconImage TrueColourIcon(BYTE red, BYTE maskRow0, BYTE maskRow1) {
    IconImage icon;
    icon.pixels = Bytes{0, 0, red, 0, 0, red, 0, 0, 0, 0, red, 0, 0, red, 0, 0};
    icon.mask = {maskRow0, 0, 0, 0, maskRow1, 0, 0, 0};
    return icon;
}

TEST(ImageIcoDecode, FrameChoiceAndFrameCount) {
    const Bytes file = IconFile({TrueColourIcon(10, 0, 0), TrueColourIcon(20, 0, 0), TrueColourIcon(30, 0, 0)});
    CKVXImage third;
    third.SetFrame(2);
    ASSERT_TRUE(DecodeBytes(third, file, kIco));
    EXPECT_EQ(third.GetType(), kIco);
    EXPECT_EQ(third.GetPixelColor(1, 1).rgbRed, 30);
    EXPECT_EQ(third.GetNumFrames(), 3);
    EXPECT_FALSE(third.AlphaIsValid());
    EXPECT_FALSE(third.IsTransparent());

    CKVXImage missing;
    missing.SetFrame(3);
    EXPECT_FALSE(DecodeBytes(missing, file, kIco));
    EXPECT_EQ(missing.GetNumFrames(), 3);

    Bytes cursor = file;
    cursor[2] = 2;
    CKVXImage first;
    EXPECT_TRUE(DecodeBytes(first, cursor, kIco));
    Bytes wrongType = file;
    wrongType[2] = 3;
    EXPECT_FALSE(DecodeBytes(first, wrongType, kIco));
    // An entry without a size is not read.
    Bytes sizeless = file;
    sizeless[6] = 0;
    CKVXImage none;
    EXPECT_FALSE(DecodeBytes(none, sizeless, kIco));
}

TEST(ImageIcoDecode, ImageStoredAsPngFailsWithAText) {
    kvxcodectest::PngSpec png;
    png.width = 2;
    png.height = 2;
    png.rows = {Bytes(6, 0x55), Bytes(6, 0xAA)};
    IconImage packed;
    packed.stream = kvxcodectest::WritePng(png);
    ASSERT_FALSE(packed.stream.empty());
    const Bytes file = IconFile({TrueColourIcon(9, 0, 0), packed});

    CKVXImage image;
    image.SetFrame(1);
    EXPECT_FALSE(DecodeBytes(image, file, kIco));
    EXPECT_FALSE(image.IsValid());
    EXPECT_STRNE(image.GetLastError(), "");
    // The bitmap beside it still reads.
    CKVXImage bitmap;
    ASSERT_TRUE(DecodeBytes(bitmap, file, kIco));
    EXPECT_TRUE(SameQuad(bitmap.GetPixelColor(0, 0), Quad(9, 0, 0)));
}

TEST(ImageIcoDecode, MaskBecomesKeyColourOrAlpha) {
    // All masked pixels black: black becomes the transparent colour.
    IconImage black = TrueColourIcon(0, 0x80, 0);
    black.pixels[3 + 2] = 77; // the unmasked pixels are red 77
    black.pixels[8 + 2] = 77;
    black.pixels[8 + 3 + 2] = 77;
    CKVXImage keyed;
    ASSERT_TRUE(DecodeBytes(keyed, IconFile({black}), kIco));
    EXPECT_FALSE(keyed.AlphaIsValid());
    EXPECT_EQ(keyed.GetTransIndex(), 0);
    EXPECT_TRUE(SameQuad(keyed.GetTransColor(), Quad(0, 0, 0)));

    // Masked pixels of two colours keep an alpha plane.
    IconImage mixed = TrueColourIcon(5, 0xC0, 0);
    mixed.pixels[5] = 6;
    CKVXImage alpha;
    ASSERT_TRUE(DecodeBytes(alpha, IconFile({mixed}), kIco));
    ASSERT_TRUE(alpha.AlphaIsValid());
    EXPECT_EQ(alpha.AlphaGet(0, 0), 0);
    EXPECT_EQ(alpha.AlphaGet(1, 0), 0);
    EXPECT_EQ(alpha.AlphaGet(0, 1), 255);

    // A 32-bit icon keeps its own alpha; the mask does not change it.
    IconImage deep;
    deep.bitCount = 32;
    deep.pixels = {1, 2, 3, 40, 4, 5, 6, 50, 7, 8, 9, 60, 10, 11, 12, 70};
    deep.mask = {0x40, 0, 0, 0, 0, 0, 0, 0};
    CKVXImage plane;
    ASSERT_TRUE(DecodeBytes(plane, IconFile({deep}), kIco));
    EXPECT_EQ(plane.GetBpp(), 24);
    EXPECT_TRUE(SameQuad(plane.GetPixelColor(0, 0), Quad(3, 2, 1, 40)));
    EXPECT_EQ(plane.AlphaGet(1, 0), 50);
    EXPECT_TRUE(SameQuad(plane.GetPixelColor(1, 1), Quad(12, 11, 10, 70)));
}

// What a viewer shows of a pixel: red, green, blue and alpha; a transparent
// pixel is 0 whatever its colour.
uint32_t Shown(CKVXImage& image, long x, long y) {
    if (image.IsTransparent(x, y)) return 0;
    const RGBQUAD c = image.GetPixelColor(x, y, false);
    const uint32_t alpha = image.AlphaIsValid() ? image.AlphaGet(x, y) : 255;
    if (alpha == 0) return 0;
    return alpha << 24 | uint32_t{c.rgbRed} << 16 | uint32_t{c.rgbGreen} << 8 | c.rgbBlue;
}

TEST(ImageIcoDecode, MasksShowAsViewersShowThem) {
    struct Case {
        const char* name;
        IconImage icon;
        std::vector<uint32_t> shown;  // bottom row first, as stored
    };
    // 2 x 2 icons, shown as PIL and ImageMagick show them; the mask bits of
    // a row are the top bits of its first byte.
    auto icon24 = [](Bytes pixels, BYTE mask0, BYTE mask1) {
        IconImage icon;
        icon.pixels = std::move(pixels);
        icon.mask = {mask0, 0, 0, 0, mask1, 0, 0, 0};
        return icon;
    };
    auto icon32 = [](Bytes pixels, BYTE mask0, BYTE mask1) {
        IconImage icon;
        icon.bitCount = 32;
        icon.pixels = std::move(pixels);
        icon.mask = {mask0, 0, 0, 0, mask1, 0, 0, 0};
        return icon;
    };
    const Case cases[] = {
        {"24 bits: one colour under the mask and nowhere else is the key colour",
         icon24({0, 0, 0, 0, 0, 200, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0}, 0x80, 0x40),
         {0, 0xFFC80000, 0xFF00C800, 0}},
        {"24 bits: opaque pixels of the masked colour stay opaque",
         icon24({0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0}, 0x80, 0x40),
         {0, 0xFF000000, 0xFF00C800, 0}},
        {"24 bits: masked pixels of two colours",
         icon24({0, 0, 9, 0, 0, 0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0}, 0x80, 0x40),
         {0, 0xFF000000, 0xFF00C800, 0}},
        {"32 bits: the alpha channel stands, whatever the mask says",
         icon32({10, 20, 30, 0, 10, 20, 30, 64, 10, 20, 30, 127, 10, 20, 30, 255}, 0xC0, 0x80),
         {0, 0x401E140A, 0x7F1E140A, 0xFF1E140A}},
        {"32 bits: alpha 0 is transparent, masked or not",
         icon32({10, 20, 30, 0, 40, 50, 60, 255, 70, 80, 90, 0, 1, 2, 3, 200}, 0x00, 0x80),
         {0, 0xFF3C3228, 0, 0xC8030201}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKVXImage image;
        ASSERT_TRUE(DecodeBytes(image, IconFile({c.icon}), kIco));
        const std::vector<uint32_t> shown = {Shown(image, 0, 0), Shown(image, 1, 0), Shown(image, 0, 1),
                                             Shown(image, 1, 1)};
        EXPECT_EQ(shown, c.shown);
    }
}

TEST(ImageIcoDecode, FullMaskMeansInvertedColours) {
    IconImage icon = TrueColourIcon(10, 0xFF, 0xFF);
    icon.bitCount = 4;
    icon.palette = {Quad(0, 0, 0), Quad(255, 0, 0)};
    icon.palette.resize(16, Quad(0, 0, 0));
    icon.pixels = {0x10, 0, 0, 0, 0x01, 0, 0, 0};
    icon.mask = Bytes(8, 0xFF);
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, IconFile({icon}), kIco));
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0), Quad(0, 255, 255)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0), Quad(255, 255, 255)));
}

TEST(ImageIcoDecode, IndexedMaskTakesTheFirstUnusedIndex) {
    IconImage icon;
    icon.bitCount = 4;
    icon.colorsUsed = 3;
    icon.palette = {Quad(1, 1, 1), Quad(2, 2, 2), Quad(3, 3, 3)}; // a short table
    icon.pixels = {0x02, 0, 0, 0, 0x20, 0, 0, 0};
    icon.mask = {0x80, 0, 0, 0, 0, 0, 0, 0};
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, IconFile({icon}), kIco));
    // Indices 0 and 2 are in use: the masked pixel takes 1.
    EXPECT_EQ(image.GetTransIndex(), 1);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 2);
    EXPECT_FALSE(image.AlphaIsValid());
    // The pixels follow the 3-entry table, not a 16-entry one.
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1), Quad(3, 3, 3)));
    EXPECT_TRUE(SameQuad(image.GetPaletteColor(3), Quad(0, 0, 0)));
}

TEST(ImageIcoEncode, SizeLimitAndLayout) {
    CKVXImage big(256, 256, 24);
    CKVXImageMemFile out;
    out.Open();
    EXPECT_FALSE(big.Encode(&out, kIco));
    EXPECT_STREQ(big.GetLastError(), "Can't save this image as icon");

    CKVXImage largest(255, 255, 8);
    largest.SetGrayPalette();
    const Bytes file = EncodeToBytes(largest, kIco);
    const size_t maskSize = 32 * 255;
    ASSERT_EQ(file.size(), 22 + 40 + 1024 + 256 * 255 + maskSize);
    EXPECT_EQ(file[6], 255);
    EXPECT_EQ(KVXGetLE16(&file[10]), 0) << "planes";
    EXPECT_EQ(KVXGetLE16(&file[12]), 8);
    EXPECT_EQ(KVXGetLE32(&file[18]), 22u);
    EXPECT_EQ(KVXGetLE32(&file[22 + 8]), 510u) << "height of both masks";
}

TEST(ImageIcoEncode, RoundTrips) {
    // True colour with alpha is written at 32 bits with the zero-alpha mask.
    CKVXImage image(3, 2, 24);
    kvximagetest::FillPattern24(image);
    image.AlphaCreate();
    image.AlphaSet(1, 0, 0);
    image.AlphaSet(2, 1, 128);
    const Bytes file = EncodeToBytes(image, kIco);
    EXPECT_EQ(KVXGetLE16(&file[12]), 32);
    const size_t maskOffset = 22 + 40 + 4 * 6;
    EXPECT_EQ(file[maskOffset], 0x40);
    CKVXImage decoded;
    ASSERT_TRUE(DecodeBytes(decoded, file, kIco));
    kvximagetest::ExpectSamePixels(image, decoded);

    // An indexed image with a transparent index comes back with one.
    CKVXImage indexed(9, 3, 4);
    indexed.SetStdPalette();
    for (long x = 0; x < 9; ++x) indexed.SetPixelIndex(x, 1, static_cast<BYTE>(x % 4));
    indexed.SetTransIndex(2);
    CKVXImage back;
    ASSERT_TRUE(DecodeBytes(back, EncodeToBytes(indexed, kIco), kIco));
    ASSERT_GE(back.GetTransIndex(), 0);
    for (long x = 0; x < 9; ++x) {
        EXPECT_EQ(back.IsTransparent(x, 1), x % 4 == 2) << x;
        if (x % 4 != 2) {
            EXPECT_TRUE(SameQuad(back.GetPixelColor(x, 1), indexed.GetPixelColor(x, 1)));
        }
    }

    // Palette entries 1 and 2 are both red, 2 is the transparent index: only
    // the pixels of index 2 are masked.
    CKVXImage twins(4, 1, 4);
    twins.SetPaletteColor(1, 200, 0, 0);
    twins.SetPaletteColor(2, 200, 0, 0);
    const BYTE indices[] = {1, 2, 2, 1};
    for (long x = 0; x < 4; ++x) twins.SetPixelIndex(x, 0, indices[x]);
    twins.SetTransIndex(2);
    const Bytes twinFile = EncodeToBytes(twins, kIco);
    ASSERT_FALSE(twinFile.empty());
    EXPECT_EQ(twinFile[22 + 40 + 4 * 16 + 4], 0x60) << "mask of pixels 1 and 2";
    CKVXImage twinsBack;
    ASSERT_TRUE(DecodeBytes(twinsBack, twinFile, kIco));
    for (long x = 0; x < 4; ++x) {
        EXPECT_EQ(twinsBack.IsTransparent(x, 0), indices[x] == 2) << x;
        if (indices[x] == 1) {
            EXPECT_TRUE(SameQuad(twinsBack.GetPixelColor(x, 0), Quad(200, 0, 0)));
        }
    }

    kvxcodectest::ShortWriteStream full(30);
    EXPECT_FALSE(image.Encode(&full, kIco));
}

} // namespace
