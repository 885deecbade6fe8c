#pragma once
// Pictures for the tests of the transformations: images of every depth with
// a distinct palette, pseudo-random pixels and an optional alpha plane, and
// a way to read any pixel as one number.

#include <gtest/gtest.h>

#include <cstdint>

#include "Pendrel/Image/KVXImage.h"

namespace kvximagetest {

// A small linear congruential generator, the same sequence everywhere.
class Noise {
public:
    explicit Noise(uint32_t seed = 12345) : m_state(seed) {}
    uint32_t Next() {
        m_state = m_state * 1103515245u + 12345u;
        return m_state >> 8;
    }
    BYTE Byte() { return static_cast<BYTE>(Next()); }

private:
    uint32_t m_state;
};

// An image of the depth with pseudo-random pixels; indexed images get a
// palette of distinct colours, and withAlpha adds a pseudo-random plane.
inline void FillRandom(CKVXImage& image, uint32_t seed, bool withAlpha) {
    Noise noise(seed);
    const long width = image.GetWidth();
    const long height = image.GetHeight();
    for (DWORD i = 0; i < image.GetNumColors(); ++i)
        image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                              static_cast<BYTE>(i * 7), 0);
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x) {
            if (image.IsIndexed()) image.SetPixelIndex(x, y, noise.Byte());
            else image.SetPixelColor(x, y, RGBQUAD{noise.Byte(), noise.Byte(), noise.Byte(), 0});
        }
    if (withAlpha) {
        image.AlphaCreate();
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x) image.AlphaSet(x, y, noise.Byte());
    }
}

// A pixel as one number: its index in an indexed image, else its colour.
inline uint32_t PixelValue(CKVXImage& image, long x, long y) {
    if (image.IsIndexed()) return image.GetPixelIndex(x, y);
    const RGBQUAD c = image.GetPixelColor(x, y, false);
    return (static_cast<uint32_t>(c.rgbRed) << 16) | (static_cast<uint32_t>(c.rgbGreen) << 8) | c.rgbBlue;
}

// Same size, and the same pixel values and alpha everywhere.
inline void ExpectSamePicture(CKVXImage& a, CKVXImage& b) {
    ASSERT_EQ(a.GetWidth(), b.GetWidth());
    ASSERT_EQ(a.GetHeight(), b.GetHeight());
    ASSERT_EQ(a.GetBpp(), b.GetBpp());
    ASSERT_EQ(a.AlphaIsValid(), b.AlphaIsValid());
    int mismatches = 0;
    for (long y = 0; y < static_cast<long>(a.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(a.GetWidth()); ++x) {
            if (PixelValue(a, x, y) == PixelValue(b, x, y) && a.AlphaGet(x, y) == b.AlphaGet(x, y)) continue;
            if (++mismatches <= 5) ADD_FAILURE() << "pixel " << x << "," << y << " differs";
        }
    EXPECT_EQ(mismatches, 0);
}

} // namespace kvximagetest
