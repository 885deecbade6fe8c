#pragma once
// The flag pictures of the languages that a fresh database holds: small
// drawings of our own, made as PNG bytes when the database is seeded.

#include <cstdint>
#include <vector>

#include "compat/WinTypes.h"

// A flag: stripes of colours (0xRRGGBB) with their relative widths, across
// (horizontal stripes) or down (vertical stripes), and an optional mark.
struct FlagDesign {
    enum Layout { kHorizontal, kVertical } layout = kHorizontal;
    std::vector<uint32_t> colours;
    std::vector<int> weights;  // empty: equal stripes
    enum Mark { kNone, kCross, kNordicCross, kDisc, kPictureFrame } mark = kNone;
    uint32_t markColour = 0;
};

constexpr int kFlagWidth = 16;
constexpr int kFlagHeight = 12;

// The PNG file (8-bit RGB) of a design.
std::vector<BYTE> DrawFlagPng(const FlagDesign& design);
// The PNG file of RGB pixels (3 bytes each, rows from the top).
std::vector<BYTE> EncodePng(int width, int height, const std::vector<BYTE>& rgb);
