// Palette images written with each of the three data schemes read back with
// the same indices and palette.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Image/tests/GifTestSupport.h"

using namespace kvxgiftest;

namespace {

// Pixels whose indices differ; the first few are described in `where`.
long IndexMismatches(CKVXImage& expected, CKVXImage& actual, std::string& where) {
    long count = 0;
    for (long y = 0; y < static_cast<long>(expected.GetHeight()); ++y) {
        for (long x = 0; x < static_cast<long>(expected.GetWidth()); ++x) {
            if (expected.GetPixelIndex(x, y) == actual.GetPixelIndex(x, y)) continue;
            if (count++ < 3)
                where += " (" + std::to_string(x) + "," + std::to_string(y) + "): " +
                         std::to_string(expected.GetPixelIndex(x, y)) + " read as " +
                         std::to_string(actual.GetPixelIndex(x, y));
        }
    }
    return count;
}

void ExpectSamePicture(CKVXImage& expected, CKVXImage& actual) {
    ASSERT_TRUE(actual.IsValid()) << actual.GetLastError();
    ASSERT_EQ(actual.GetWidth(), expected.GetWidth());
    ASSERT_EQ(actual.GetHeight(), expected.GetHeight());
    ASSERT_EQ(actual.GetBpp(), expected.GetBpp());
    ASSERT_EQ(actual.GetNumColors(), expected.GetNumColors());
    for (DWORD i = 0; i < expected.GetNumColors(); ++i) {
        const RGBQUAD a = expected.GetPaletteColor(static_cast<BYTE>(i));
        const RGBQUAD b = actual.GetPaletteColor(static_cast<BYTE>(i));
        EXPECT_TRUE(a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue) << "entry " << i;
    }
    std::string where;
    EXPECT_EQ(IndexMismatches(expected, actual, where), 0) << where;
}

const DWORD kSchemes[] = {SchemeLzw, SchemeNone, SchemeRle};
const DWORD kDepths[] = {1, 4, 8};

TEST(GifRoundTrip, EachSchemeAndDepthReadsBackOverManyTableResets) {
    for (const DWORD scheme : kSchemes) {
        for (const DWORD bpp : kDepths) {
            SCOPED_TRACE(std::string(SchemeName(scheme)) + ", " + std::to_string(bpp) + " bits");
            auto image = MakeTestImage(480, 320, bpp, scheme * 16 + bpp);
            const std::vector<BYTE> bytes = EncodeGif(*image, scheme);
            ASSERT_FALSE(bytes.empty()) << image->GetLastError();
            const GifLayout layout = ParseGif(bytes);
            ASSERT_EQ(layout.frames.size(), 1u);
            // Codes are at most 12 bits wide, so more than 6,144 bytes of
            // data hold more than 4,096 codes: the code table filled and
            // was cleared along the way.
            EXPECT_GT(layout.frames[0].dataBytes, 6144u);

            CKVXImage decoded;
            ASSERT_TRUE(decoded.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif));
            EXPECT_EQ(decoded.GetType(), static_cast<DWORD>(CKVXImage::ImageTypeGif));
            EXPECT_EQ(decoded.GetNumFrames(), 1);
            ExpectSamePicture(*image, decoded);
        }
    }
}

TEST(GifRoundTrip, SmallAndOddSizesReadBack) {
    const DWORD sizes[][2] = {{1, 1}, {7, 3}, {33, 2}, {2, 9}};
    for (const DWORD scheme : kSchemes) {
        for (const DWORD bpp : kDepths) {
            for (const auto& size : sizes) {
                SCOPED_TRACE(std::string(SchemeName(scheme)) + ", " + std::to_string(bpp) + " bits, " +
                             std::to_string(size[0]) + "x" + std::to_string(size[1]));
                auto image = MakeTestImage(size[0], size[1], bpp, size[0] * 7 + size[1]);
                const std::vector<BYTE> bytes = EncodeGif(*image, scheme);
                CKVXImage decoded(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif);
                ExpectSamePicture(*image, decoded);
            }
        }
    }
}

TEST(GifRoundTrip, AutoDetectionFindsAGif) {
    auto image = MakeTestImage(16, 16, 8, 3);
    const std::vector<BYTE> bytes = EncodeGif(*image);
    CKVXImage decoded(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeUnknown);
    EXPECT_EQ(decoded.GetType(), static_cast<DWORD>(CKVXImage::ImageTypeGif));
    ExpectSamePicture(*image, decoded);
}

} // namespace
