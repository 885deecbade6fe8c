#include "FlagPictures.h"

#include <cstring>

#include <zlib.h>

namespace {

void PutBigEndian(std::vector<BYTE>& out, uint32_t value)
{
    out.push_back(static_cast<BYTE>(value >> 24));
    out.push_back(static_cast<BYTE>(value >> 16));
    out.push_back(static_cast<BYTE>(value >> 8));
    out.push_back(static_cast<BYTE>(value));
}

void PutChunk(std::vector<BYTE>& out, const char* type, const std::vector<BYTE>& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<uint32_t>(crc));
}

void SetPixel(std::vector<BYTE>& rgb, int x, int y, uint32_t colour)
{
    if (x < 0 || y < 0 || x >= kFlagWidth || y >= kFlagHeight)
        return;
    BYTE* pixel = &rgb[(static_cast<size_t>(y) * kFlagWidth + x) * 3];
    pixel[0] = static_cast<BYTE>(colour >> 16);
    pixel[1] = static_cast<BYTE>(colour >> 8);
    pixel[2] = static_cast<BYTE>(colour);
}

int WeightOf(const FlagDesign& design, size_t stripe)
{
    return stripe < design.weights.size() ? design.weights[stripe] : 1;
}

}  // namespace

std::vector<BYTE> EncodePng(int width, int height, const std::vector<BYTE>& rgb)
{
    std::vector<BYTE> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        const BYTE* row = &rgb[static_cast<size_t>(y) * width * 3];
        raw.insert(raw.end(), row, row + width * 3);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<BYTE> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);

    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<BYTE> png(kSignature, kSignature + 8);
    std::vector<BYTE> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter method, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

std::vector<BYTE> DrawFlagPng(const FlagDesign& design)
{
    std::vector<BYTE> rgb(static_cast<size_t>(kFlagWidth) * kFlagHeight * 3, 0xFF);
    size_t count = design.colours.size();
    if (count) {
        int total = 0;
        for (size_t i = 0; i < count; ++i)
            total += WeightOf(design, i);
        int extent = design.layout == FlagDesign::kHorizontal ? kFlagHeight : kFlagWidth;
        for (int y = 0; y < kFlagHeight; ++y) {
            for (int x = 0; x < kFlagWidth; ++x) {
                int along = design.layout == FlagDesign::kHorizontal ? y : x;
                // The stripe whose share of the extent holds this pixel's centre.
                int position = (2 * along + 1) * total;
                int reached = 0;
                size_t stripe = 0;
                for (; stripe < count; ++stripe) {
                    reached += WeightOf(design, stripe);
                    if (position < 2 * reached * extent)
                        break;
                }
                SetPixel(rgb, x, y, design.colours[stripe < count ? stripe : count - 1]);
            }
        }
    }
    switch (design.mark) {
    case FlagDesign::kCross:
        for (int x = 0; x < kFlagWidth; ++x)
            for (int y = kFlagHeight / 2 - 1; y <= kFlagHeight / 2; ++y)
                SetPixel(rgb, x, y, design.markColour);
        for (int y = 0; y < kFlagHeight; ++y)
            for (int x = kFlagWidth / 2 - 1; x <= kFlagWidth / 2; ++x)
                SetPixel(rgb, x, y, design.markColour);
        break;
    case FlagDesign::kNordicCross:
        for (int x = 0; x < kFlagWidth; ++x)
            for (int y = kFlagHeight / 2 - 1; y <= kFlagHeight / 2; ++y)
                SetPixel(rgb, x, y, design.markColour);
        for (int y = 0; y < kFlagHeight; ++y)
            for (int x = 5; x <= 6; ++x)
                SetPixel(rgb, x, y, design.markColour);
        break;
    case FlagDesign::kDisc:
        for (int y = 0; y < kFlagHeight; ++y)
            for (int x = 0; x < kFlagWidth; ++x) {
                int dx = 2 * x + 1 - kFlagWidth, dy = 2 * y + 1 - kFlagHeight;
                if (dx * dx + dy * dy <= 7 * 7)
                    SetPixel(rgb, x, y, design.markColour);
            }
        break;
    case FlagDesign::kPictureFrame:
        // A framed landscape: a frame, a hill and a sun.
        for (int x = 0; x < kFlagWidth; ++x) {
            SetPixel(rgb, x, 0, design.markColour);
            SetPixel(rgb, x, kFlagHeight - 1, design.markColour);
        }
        for (int y = 0; y < kFlagHeight; ++y) {
            SetPixel(rgb, 0, y, design.markColour);
            SetPixel(rgb, kFlagWidth - 1, y, design.markColour);
        }
        for (int x = 1; x < kFlagWidth - 1; ++x) {
            int top = 10 - (x < 8 ? x / 2 : (15 - x) / 2);
            for (int y = top; y < kFlagHeight - 1; ++y)
                SetPixel(rgb, x, y, 0x3A8F3A);
        }
        for (int y = 2; y <= 4; ++y)
            for (int x = 10; x <= 12; ++x)
                SetPixel(rgb, x, y, 0xF2C200);
        break;
    case FlagDesign::kNone:
        break;
    }
    return EncodePng(kFlagWidth, kFlagHeight, rgb);
}
