// The image object: creation invariants, ownership (copy, transfer, ghost),
// raw-pixel constructors, accessors, and the small geometry and row types.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Pendrel/Image/ImageIterator.h"
#include "Pendrel/Image/KVXGlobalMemory.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXRect2.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::SameQuad;

struct CreateCase {
    DWORD width, height, bppAsked;
    WORD bpp;
    DWORD colors;
    DWORD effWidth;
};

class ImageCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(ImageCreate, KeepsTheBlockInvariants) {
    const CreateCase c = GetParam();
    ImageProbe image;
    ASSERT_NE(image.Create(c.width, c.height, c.bppAsked, CKVXImage::ImageTypePng), nullptr);
    const BITMAPINFOHEADER& h = image.Header();
    EXPECT_EQ(image.GetBpp(), c.bpp);
    EXPECT_EQ(image.GetNumColors(), c.colors);
    EXPECT_EQ(image.GetEffWidth(), c.effWidth);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_EQ(h.biSizeImage, c.effWidth * c.height);
    EXPECT_EQ(h.biXPelsPerMeter, 3780);
    EXPECT_EQ(h.biYPelsPerMeter, 3780);
    EXPECT_EQ(image.GetType(), CKVXImage::ImageTypePng);
    EXPECT_EQ(image.GetSize(), static_cast<long>(40 + 4 * c.colors + c.effWidth * c.height));
    // The block starts with the header, then the palette, then the rows.
    EXPECT_EQ(std::memcmp(image.Dib(), &h, 40), 0);
    EXPECT_EQ(image.GetBits(0), image.Dib() + 40 + 4 * c.colors);
    EXPECT_EQ(image.Info().bits, image.GetBits(0));
    EXPECT_EQ(image.GetBits(1), c.height > 1 ? image.GetBits(0) + c.effWidth : nullptr);
    EXPECT_EQ(image.GetBits(c.height), nullptr);
    // Palette and pixels start zeroed.
    const BYTE* body = image.Dib() + 40;
    const size_t bodySize = static_cast<size_t>(image.GetSize()) - 40;
    EXPECT_EQ(std::count(body, body + bodySize, 0), static_cast<std::ptrdiff_t>(bodySize));
}

INSTANTIATE_TEST_SUITE_P(Table, ImageCreate,
                         ::testing::Values(CreateCase{1, 1, 24, 24, 0, 4},    // 3 bytes padded to 4
                                           CreateCase{33, 2, 1, 1, 2, 8},     // 33 bits need two words
                                           CreateCase{5, 3, 0, 1, 2, 4},      // 0 is raised to 1
                                           CreateCase{5, 3, 2, 4, 16, 4},     // 2 is raised to 4
                                           CreateCase{7, 2, 8, 8, 256, 8},
                                           CreateCase{7, 2, 16, 24, 0, 24},   // 16 and 32 become 24
                                           CreateCase{7, 2, 32, 24, 0, 24},
                                           CreateCase{3, 2, 24, 24, 0, 12}),
                         [](const ::testing::TestParamInfo<CreateCase>& info) {
                             const CreateCase& c = info.param;
                             return std::to_string(c.width) + "x" + std::to_string(c.height) + "_bpp" +
                                    std::to_string(c.bppAsked);
                         });

TEST(ImageObject, ConstructionDefaults) {
    CKVXImage image(CKVXImage::ImageTypeGif);
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetType(), CKVXImage::ImageTypeGif);
    EXPECT_EQ(image.GetJpegQuality(), 90);
    EXPECT_EQ(image.GetJpegScale(), 0);
    EXPECT_EQ(image.AlphaGetMax(), 255);
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_TRUE(image.IsEnabled());
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.GetYDPI(), 96);
    EXPECT_STREQ(image.GetLastError(), "");
    EXPECT_EQ(image.GetBits(0), nullptr);
    EXPECT_STREQ(image.GetVersion(), L"CKVXImage 5.99c0001");
    EXPECT_FLOAT_EQ(image.GetVersionNumber(), 5.99003f);
}

TEST(ImageObject, CreateRefusesEmptyAndOversizedPictures) {
    struct Case {
        DWORD width, height, bpp;
        const char* text;
    };
    const Case cases[] = {
        {0, 10, 8, "CKVXImage::Create : width and height must be greater than zero"},
        {10, 0, 8, "CKVXImage::Create : width and height must be greater than zero"},
        {10000, 10000, 24, "KVXIMAGE_MAX_MEMORY exceeded"},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 24, "KVXIMAGE_MAX_MEMORY exceeded"},  // no 64-bit wrap either
        {0x80000000u, 1, 1, "KVXIMAGE_MAX_MEMORY exceeded"},
        {20000, 20000, 1, "KVXIMAGE_MAX_MEMORY exceeded"},  // small block, but a 400 MB alpha plane
    };
    for (const Case& c : cases) {
        CKVXImage image(4, 4, 24);
        EXPECT_EQ(image.Create(c.width, c.height, c.bpp), nullptr) << c.width << "x" << c.height;
        EXPECT_FALSE(image.IsValid());
        EXPECT_STREQ(image.GetLastError(), c.text);
    }
    CKVXImage large;
    EXPECT_NE(large.Create(4000, 3000, 24), nullptr) << "an ordinary photo fits";
}

TEST(ImageObject, ResolutionAndSmallAccessors) {
    ImageProbe image(2, 2, 8);
    image.SetXDPI(0);
    EXPECT_EQ(image.GetXDPI(), 96);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
    image.SetYDPI(300);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 11811);

    EXPECT_EQ(image.GetCodecOption(7), 0u);
    EXPECT_FALSE(image.SetCodecOption(5, 7));
    EXPECT_TRUE(image.SetCodecOption(5, 0));  // the image's own type (0 here)
    EXPECT_EQ(image.GetCodecOption(CKVXImage::ImageTypeUnknown), 5u);
    CKVXImage png(CKVXImage::ImageTypePng);
    EXPECT_TRUE(png.SetCodecOption(1));
    EXPECT_EQ(png.GetCodecOption(CKVXImage::ImageTypePng), 1u);

    image.SetFlags(0x12345678, true);
    EXPECT_EQ(image.GetFlags(), 0x5678u);
    image.SetFlags(0x12345678);
    EXPECT_EQ(image.GetFlags(), 0x12345678u);

    image.SetTransColor(Quad(1, 2, 3, 99));
    EXPECT_TRUE(SameQuad(image.Info().transColor, Quad(1, 2, 3, 0)));
    image.SetPaletteColor(4, 40, 50, 60);
    image.SetTransIndex(4);
    EXPECT_TRUE(SameQuad(image.GetTransColor(), Quad(40, 50, 60)));  // below 24 bpp: the palette entry

    image.SetEscape(-1);
    EXPECT_EQ(image.GetEscape(), -1);
    EXPECT_EQ(image.GetColorType(), 1);
    image.AlphaCreate();
    EXPECT_EQ(image.GetColorType(), 4);
    EXPECT_EQ(CKVXImage(1, 1, 24).GetColorType(), 2);
}

TEST(ImageObject, ClearFillsByDepth) {
    struct Case {
        DWORD bpp;
        BYTE value, fill;
    };
    for (const Case c : {Case{1, 1, 0xFF}, Case{1, 0, 0x00}, Case{4, 0x13, 0x33}, Case{8, 0x13, 0x13}, Case{24, 7, 7}}) {
        CKVXImage image(9, 3, c.bpp);
        image.Clear(c.value);
        const BYTE* bits = image.GetBits(0);
        const DWORD size = image.GetEffWidth() * image.GetHeight();
        EXPECT_EQ(std::count(bits, bits + size, c.fill), static_cast<std::ptrdiff_t>(size)) << "bpp " << c.bpp;
    }
}

TEST(ImageObject, CopyDuplicatesWhatIsAsked) {
    ImageProbe source(3, 2, 24, CKVXImage::ImageTypeBmp);
    kvximagetest::FillPattern24(source);
    source.AlphaCreate();
    source.AlphaSet(1, 1, 7);
    source.SetXDPI(300);
    source.SetTransIndex(3);
    BYTE* mask = static_cast<BYTE*>(std::calloc(6, 1));
    mask[2] = 255;
    source.SetSelection(mask);

    ImageProbe full(source);
    ASSERT_TRUE(full.IsValid());
    EXPECT_NE(full.Dib(), source.Dib());
    EXPECT_EQ(std::memcmp(full.Dib(), source.Dib(), static_cast<size_t>(source.GetSize())), 0);
    EXPECT_EQ(full.AlphaGet(1, 1), 7);
    ASSERT_NE(full.Selection(), nullptr);
    EXPECT_EQ(full.Selection()[2], 255);
    EXPECT_EQ(full.GetXDPI(), 300);
    EXPECT_EQ(full.Header().biXPelsPerMeter, source.Header().biXPelsPerMeter);
    EXPECT_EQ(full.GetTransIndex(), 3);
    EXPECT_EQ(full.GetType(), CKVXImage::ImageTypeBmp);

    ImageProbe bare(source, false, false, false);
    ASSERT_TRUE(bare.IsValid());
    EXPECT_FALSE(bare.AlphaIsValid());
    EXPECT_EQ(bare.Selection(), nullptr);
    EXPECT_TRUE(SameQuad(bare.GetPixelColor(2, 1, false), Quad(0, 0, 0)));

    // Assigning an image to itself changes nothing.
    BYTE* before = full.Dib();
    CKVXImage& self = full;
    self = self;
    EXPECT_EQ(full.Dib(), before);
    EXPECT_EQ(full.AlphaGet(1, 1), 7);

    // A copy of an empty image is empty.
    CKVXImage empty;
    ImageProbe copyOfEmpty(4, 4, 8);
    static_cast<CKVXImage&>(copyOfEmpty) = empty;
    EXPECT_FALSE(copyOfEmpty.IsValid());
}

TEST(ImageObject, TransferMovesThePictureAndEmptiesTheGiver) {
    ImageProbe giver(4, 3, 8, CKVXImage::ImageTypeGif);
    giver.SetXDPI(200);
    giver.SetTransIndex(5);
    giver.AlphaCreate();
    BYTE* dib = giver.Dib();
    BYTE* alpha = giver.Alpha();

    ImageProbe taker(2, 2, 24);
    ASSERT_TRUE(taker.Transfer(giver));
    EXPECT_EQ(taker.Dib(), dib);
    EXPECT_EQ(taker.Alpha(), alpha);
    EXPECT_EQ(taker.GetWidth(), 4u);
    EXPECT_EQ(taker.GetXDPI(), 200);
    EXPECT_EQ(taker.GetTransIndex(), 5);
    EXPECT_EQ(taker.GetType(), CKVXImage::ImageTypeGif);

    EXPECT_FALSE(giver.IsValid());
    EXPECT_FALSE(giver.AlphaIsValid());
    EXPECT_EQ(giver.GetTransIndex(), 0);  // zeroes, not the construction defaults
    EXPECT_FALSE(giver.IsEnabled());
    EXPECT_EQ(giver.GetType(), 0u);
    EXPECT_EQ(giver.GetWidth(), 0u);
}

TEST(ImageObject, GhostBorrowsAndNeverFrees) {
    ImageProbe source(4, 3, 24);
    kvximagetest::FillPattern24(source);
    source.AlphaCreate();
    {
        ImageProbe ghost;
        ghost.Ghost(&source);
        EXPECT_EQ(ghost.Dib(), source.Dib());
        EXPECT_EQ(ghost.Alpha(), source.Alpha());
        EXPECT_EQ(ghost.Info().ghostSource, &source);
        EXPECT_FALSE(ghost.Destroy());
        EXPECT_EQ(ghost.Create(2, 2, 8), nullptr);  // a ghost cannot take a picture of its own
        CKVXImage other(2, 2, 8);
        EXPECT_FALSE(ghost.Transfer(other));
        ghost.Copy(other);                          // nor be copied into
        EXPECT_EQ(ghost.Dib(), source.Dib());

        // Copies and settings taken from a ghost are ordinary images that own
        // their buffers (each frees its own when it ends).
        ImageProbe copy(ghost);
        EXPECT_EQ(copy.Info().ghostSource, nullptr);
        EXPECT_NE(copy.Dib(), source.Dib());
        ImageProbe settings;
        settings.CopyInfo(ghost);
        EXPECT_EQ(settings.Info().ghostSource, nullptr);
        EXPECT_EQ(settings.Info().bits, nullptr);
    }
    ASSERT_TRUE(source.IsValid());
    EXPECT_EQ(source.GetPixelColor(1, 1, false).rgbRed, 11);
}

TEST(ImageObject, CopyInfoOnlyIntoAnEmptyImage) {
    ImageProbe source(2, 2, 8);
    source.SetJpegQuality(40);
    source.SetFrame(3);
    ImageProbe empty;
    empty.CopyInfo(source);
    EXPECT_EQ(empty.GetJpegQuality(), 40);
    EXPECT_EQ(empty.GetFrame(), 3);
    ImageProbe holding(2, 2, 8);
    holding.CopyInfo(source);
    EXPECT_EQ(holding.GetJpegQuality(), 90);
}

TEST(ImageObject, Bitfield2RGBConvertsSixteenBitMasks) {
    struct Case {
        WORD pixel, red, green, blue;
        RGBQUAD expected;
    };
    const Case cases[] = {
        {0xFFFF, 0xF800, 0x07E0, 0x001F, Quad(248, 252, 248)},  // 5-6-5 white
        {0x07E0, 0xF800, 0x07E0, 0x001F, Quad(0, 252, 0)},
        {0x7FFF, 0x7C00, 0x03E0, 0x001F, Quad(248, 248, 248)},  // 5-5-5 white
        {0x7C00, 0x7C00, 0x03E0, 0x001F, Quad(248, 0, 0)},
    };
    for (const Case& c : cases) {
        ImageProbe image(3, 2, 24);
        // Converted in place: the 16-bit rows ((3 + 1) / 2 * 4 = 8 bytes) lie
        // at the start of the pixel buffer.
        BYTE* bits = image.GetBits(0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) {
                bits[y * 8 + 2 * x] = static_cast<BYTE>(c.pixel);
                bits[y * 8 + 2 * x + 1] = static_cast<BYTE>(c.pixel >> 8);
            }
        image.Bitfield2RGB(bits, c.red, c.green, c.blue, 16);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_TRUE(SameQuad(image.GetPixelColor(x, y, false), c.expected))
                    << std::hex << c.pixel << " at " << x << "," << y << ": "
                    << kvximagetest::QuadText(image.GetPixelColor(x, y, false));
    }
}

TEST(ImageObject, Bitfield2RGBRefusesNegativeShiftsAndCopies32Bit) {
    ImageProbe image(2, 1, 24);
    BYTE source16[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    image.Bitfield2RGB(source16, 0x0003, 0x000C, 0x0030, 16);  // 2+2+2 bits: shifts below zero
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(0, 0, 0)));

    BYTE source32[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    image.Bitfield2RGB(source32, 0, 0, 0, 32);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(3, 2, 1)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 0, false), Quad(7, 6, 5)));
}

TEST(ImageObject, CreateFromArrayAt32BitsFlipsAndSplitsAlpha) {
    // Two source rows of two BGRA pixels; the first source row is the top.
    std::vector<BYTE> source = {10, 11, 12, 13, 20, 21, 22, 23,
                                30, 31, 32, 33, 40, 41, 42, 43};
    CKVXImage image;
    ASSERT_TRUE(image.CreateFromArray(source.data(), 2, 2, 32, 8, true));
    EXPECT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.AlphaIsValid());
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1, true), Quad(12, 11, 10, 13)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1, true), Quad(22, 21, 20, 23)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, true), Quad(32, 31, 30, 33)));

    CKVXImage unflipped;
    ASSERT_TRUE(unflipped.CreateFromArray(source.data(), 2, 2, 32, 8, false));
    EXPECT_TRUE(SameQuad(unflipped.GetPixelColor(0, 0, true), Quad(12, 11, 10, 13)));
}

TEST(ImageObject, CreateFromArrayNeverReadsPastShortRows) {
    // Rows of 5 bytes hold one whole 32-bit pixel of the 3 asked for; the
    // vector is exactly that long, so a read past it is caught.
    std::vector<BYTE> source = {1, 2, 3, 4, 9, 5, 6, 7, 8, 9};
    CKVXImage image;
    ASSERT_TRUE(image.CreateFromArray(source.data(), 3, 2, 32, 5, false));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1, true), Quad(7, 6, 5, 8)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 1, true), Quad(0, 0, 0, 255)));

    std::vector<BYTE> grey = {0, 64, 128};
    ASSERT_TRUE(image.CreateFromArray(grey.data(), 3, 1, 8, 3, false));
    EXPECT_TRUE(image.IsGrayScale());
    EXPECT_EQ(image.GetPixelIndex(2, 0), 128);

    EXPECT_FALSE(image.CreateFromArray(grey.data(), 3, 1, 16, 3, false));
    EXPECT_FALSE(image.CreateFromArray(nullptr, 3, 1, 8, 3, false));
}

TEST(ImageObject, CreateFromMatrixSkipsMissingRows) {
    BYTE row0[] = {5, 6, 7};
    BYTE* rows[] = {row0, nullptr};
    CKVXImage image;
    ASSERT_TRUE(image.CreateFromMatrix(rows, 1, 2, 24, 3, false));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 0, false), Quad(7, 6, 5)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 1, false), Quad(0, 0, 0)));
}

TEST(ImageObject, CopyToHandleHoldsTheWholeBlock) {
    ImageProbe image(5, 2, 4);
    image.SetStdPalette();
    image.SetPixelIndex(3, 1, 9);
    HANDLE block = image.CopyToHandle();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(KVXGlobalSize(block), static_cast<size_t>(image.GetSize()));
    EXPECT_EQ(std::memcmp(KVXGlobalLock(block), image.Dib(), static_cast<size_t>(image.GetSize())), 0);
    KVXGlobalUnlock(block);
    EXPECT_EQ(KVXGlobalFree(block), nullptr);
    EXPECT_EQ(CKVXImage().CopyToHandle(), nullptr);
}

TEST(ImageObject, CompareColorsOrdersByBrightness) {
    const RGBQUAD dark = Quad(0, 0, 255);     // blue: level 29
    const RGBQUAD light = Quad(0, 255, 0);    // green: level 149
    EXPECT_EQ(CKVXImage::CompareColors(&light, &dark), 149 - 29);
    EXPECT_EQ(CKVXImage::CompareColors(&dark, &dark), 0);
}

TEST(ImageGeometry, PointsAndRectangles) {
    EXPECT_FLOAT_EQ(CKVXPoint2(1, 1).Distance(CKVXPoint2(4, 5)), 5.0f);
    EXPECT_FLOAT_EQ(CKVXPoint2().Distance(3, 4), 5.0f);

    const CKVXRect2 r(0, 0, 4, 2);
    EXPECT_FLOAT_EQ(r.Width(), 4);
    EXPECT_FLOAT_EQ(r.Height(), 2);
    EXPECT_FLOAT_EQ(r.Surface(), 8);
    EXPECT_FLOAT_EQ(r.Center().x, 2);
    EXPECT_FLOAT_EQ(r.Center().y, 1);

    struct Case {
        CKVXRect2 other;
        float x0, y0, x1, y1;
    };
    const Case cases[] = {
        {CKVXRect2(2, 1, 6, 5), 2, 1, 4, 2},   // overlapping
        {CKVXRect2(4, 0, 6, 2), 4, 0, 4, 2},   // touching: degenerate, not empty
        {CKVXRect2(5, 0, 6, 2), 0, 0, 0, 0},   // disjoint
        {CKVXRect2(1, 3, 2, 4), 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const CKVXRect2 s = r.CrossSection(c.other);
        EXPECT_EQ(s.lowCorner.x, c.x0);
        EXPECT_EQ(s.lowCorner.y, c.y0);
        EXPECT_EQ(s.highCorner.x, c.x1);
        EXPECT_EQ(s.highCorner.y, c.y1);
    }
}

TEST(ImageIterator, WalksOnlyRowsInsideTheImage) {
    CKVXImage image(3, 4, 24);
    CImageIterator it(&image);
    EXPECT_EQ(it.GetRowPointer(), image.GetBits(0));
    EXPECT_EQ(it.MoveToRow(2), image.GetBits(2));
    EXPECT_EQ(it.MoveToRow(4), image.GetBits(2)) << "the row past the top changes nothing";
    EXPECT_EQ(it.MoveToRow(-1), image.GetBits(2));
    EXPECT_EQ(it.GetRowNumber(), 2);

    it.MoveToTopRow();
    EXPECT_EQ(it.GetRowNumber(), 3);
    const BYTE row[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    it.SetRow(row, -1);  // the whole row
    EXPECT_TRUE(SameQuad(image.GetPixelColor(2, 3, false), Quad(9, 8, 7)));
    EXPECT_TRUE(it.MoveToRowBelow());
    it.SetRow(row, 3);
    EXPECT_TRUE(SameQuad(image.GetPixelColor(0, 2, false), Quad(3, 2, 1)));
    EXPECT_TRUE(SameQuad(image.GetPixelColor(1, 2, false), Quad(0, 0, 0)));
    BYTE out[12] = {};
    it.MoveToRow(3);
    it.GetRow(out, 100);
    EXPECT_EQ(std::memcmp(out, row, 12), 0);
    it.MoveToRow(0);
    EXPECT_FALSE(it.MoveToRowBelow());

    CImageIterator none(nullptr);
    EXPECT_EQ(none.MoveToRow(0), nullptr);
}
