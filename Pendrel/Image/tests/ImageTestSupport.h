#pragma once
// Helpers shared by the image library's tests.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"

namespace kvximagetest {

// Opens the image object's protected members to the tests.
class ImageProbe : public CKVXImage {
public:
    using CKVXImage::CKVXImage;
    using CKVXImage::Bitfield2RGB;
    using CKVXImage::BlindGetPixelColor;
    using CKVXImage::CopyInfo;
    using CKVXImage::EncodeSafeCheck;
    using CKVXImage::Ghost;
    using CKVXImage::RGBtoBGR;

    const ImageInfo& Info() const { return imageInfo; }
    const BITMAPINFOHEADER& Header() const { return header; }
    BYTE* Alpha() const { return alpha; }
    BYTE* Selection() const { return selection; }
    void SetSelection(BYTE* mask) { selection = mask; }
    BYTE* Dib() const { return static_cast<BYTE*>(dib); }
};

inline RGBQUAD Quad(BYTE red, BYTE green, BYTE blue, BYTE reserved = 0) {
    return RGBQUAD{blue, green, red, reserved};
}

inline bool SameQuad(const RGBQUAD& a, const RGBQUAD& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline std::string QuadText(const RGBQUAD& q) {
    return "rgba(" + std::to_string(q.rgbRed) + "," + std::to_string(q.rgbGreen) + "," + std::to_string(q.rgbBlue) +
           "," + std::to_string(q.rgbReserved) + ")";
}

// A 24-bit image whose pixel (x, y) is red 10x+1, green 20y+2, blue x+y.
inline void FillPattern24(CKVXImage& image) {
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x)
            image.SetPixelColor(x, y, Quad(static_cast<BYTE>(10 * x + 1), static_cast<BYTE>(20 * y + 2),
                                           static_cast<BYTE>(x + y)));
}

// Both images have the same size and the same colour and alpha at every pixel.
inline void ExpectSamePixels(CKVXImage& a, CKVXImage& b) {
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    ASSERT_EQ(a.GetHeight(), b.GetHeight());
    for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x)
            EXPECT_TRUE(SameQuad(a.GetPixelColor(x, y, true), b.GetPixelColor(x, y, true)))
                << x << "," << y << ": " << QuadText(a.GetPixelColor(x, y, true)) << " against "
                << QuadText(b.GetPixelColor(x, y, true));
}

inline std::vector<BYTE> Bytes(const std::string& text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

} // namespace kvximagetest
