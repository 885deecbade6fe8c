#pragma once
// Helpers shared by the GIF tests and the cross-check with Qt's GIF reader:
// test pictures, encoding into bytes, assembling files from blocks, and a
// walk over a file's blocks.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImageGIF.h"
#include "Pendrel/Image/KVXImageMemFile.h"

namespace kvxgiftest {

// Opens the GIF codec's block writers to the tests, so that they can
// assemble files block by block.
class GifProbe : public CKVXImageGIF {
public:
    using CKVXImageGIF::EncodeBody;
    using CKVXImageGIF::EncodeComment;
    using CKVXImageGIF::EncodeExtension;
    using CKVXImageGIF::EncodeHeader;
    using CKVXImageGIF::EncodeLoopExtension;
    using CKVXImageGIF::CanvasWork;
    using CKVXImage::Ghost;
};

// The codec options of the three data schemes.
enum Scheme : DWORD { SchemeLzw = 0, SchemeNone = 1, SchemeRle = 2 };

inline const char* SchemeName(DWORD scheme) {
    switch (scheme) {
    case SchemeNone: return "uncompressed";
    case SchemeRle: return "run-length";
    default: return "LZW";
    }
}

// A small deterministic pseudo-random sequence.
class Random {
public:
    explicit Random(uint32_t seed) : state(seed * 2654435761u + 1) {}
    uint32_t Next(uint32_t limit) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % limit;
    }

private:
    uint32_t state;
};

// A palette of distinct colours for every index.
inline void SetDistinctPalette(CKVXImage& image) {
    for (DWORD i = 0; i < image.GetNumColors(); ++i)
        image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i * 37 + 5), static_cast<BYTE>(255 - i),
                              static_cast<BYTE>(i * 91 + 11));
}

// A palette image of the given depth: its upper half is noise (every pixel
// on its own, so that the data needs thousands of codes), its lower half runs
// of 1 to 300 equal pixels (long and short runs of the same and of new
// values, across row ends).
inline std::unique_ptr<CKVXImage> MakeTestImage(DWORD width, DWORD height, DWORD bpp, uint32_t seed) {
    auto image = std::make_unique<CKVXImage>(width, height, bpp, CKVXImage::ImageTypeGif);
    SetDistinctPalette(*image);
    const uint32_t colors = 1u << bpp;
    Random random(seed);
    const long w = static_cast<long>(width);
    const long h = static_cast<long>(height);
    for (long y = h - 1; y >= h / 2; --y)
        for (long x = 0; x < w; ++x) image->SetPixelIndex(x, y, static_cast<BYTE>(random.Next(colors)));
    BYTE value = 0;
    long runLeft = 0;
    for (long y = h / 2 - 1; y >= 0; --y) {
        for (long x = 0; x < w; ++x) {
            if (runLeft == 0) {
                runLeft = 1 + random.Next(random.Next(4) == 0 ? 300 : 12);
                if (random.Next(3) != 0) value = static_cast<BYTE>(random.Next(colors));
            }
            image->SetPixelIndex(x, y, value);
            --runLeft;
        }
    }
    return image;
}

inline std::vector<BYTE> StreamBytes(CKVXImageMemFile& file) {
    const BYTE* data = file.GetBuffer(false);
    const long size = file.Size();
    if (!data || size <= 0) return {};
    return std::vector<BYTE>(data, data + size);
}

// Encodes an image as a GIF file with a data scheme (empty when that fails).
inline std::vector<BYTE> EncodeGif(CKVXImage& image, DWORD scheme = SchemeLzw) {
    image.SetCodecOption(scheme, CKVXImage::ImageTypeGif);
    CKVXImageMemFile file;
    file.Open();
    if (!image.Encode(&file, CKVXImage::ImageTypeGif)) return {};
    return StreamBytes(file);
}

// Encodes images as the frames of one file with a GIF object's settings.
inline std::vector<BYTE> EncodeFrames(CKVXImageGIF& encoder, std::vector<CKVXImage*> frames,
                                      bool localColorMaps = false) {
    CKVXImageMemFile file;
    file.Open();
    if (!encoder.Encode(&file, frames.data(), static_cast<int>(frames.size()), localColorMaps)) return {};
    return StreamBytes(file);
}

// The blocks of a well-formed GIF file.
struct GifLayout {
    struct Frame {
        size_t offset;          // of the ','
        int left, top, width, height, flags;
        int localColors;        // entries of the local table, 0 without
        size_t dataBytes;       // LZW bytes in the data sub-blocks
        size_t subBlocks;
        size_t largestSubBlock;
    };
    struct Extension {
        int label;
        std::vector<std::vector<BYTE>> subBlocks;
    };
    int screenWidth = 0, screenHeight = 0, screenFlags = 0;
    std::vector<Frame> frames;
    std::vector<Extension> extensions;
    bool trailer = false;
};

inline GifLayout ParseGif(const std::vector<BYTE>& bytes) {
    GifLayout layout;
    if (bytes.size() < 13) return layout;
    auto word = [&](size_t at) { return at + 1 < bytes.size() ? bytes[at] | (bytes[at + 1] << 8) : 0; };
    layout.screenWidth = word(6);
    layout.screenHeight = word(8);
    layout.screenFlags = bytes[10];
    size_t at = 13 + ((bytes[10] & 0x80) ? 3u << ((bytes[10] & 7) + 1) : 0);
    // Walks sub-blocks from `at`; returns them.
    auto subBlocks = [&]() {
        std::vector<std::vector<BYTE>> blocks;
        while (at < bytes.size() && bytes[at] != 0) {
            const size_t size = bytes[at];
            const size_t end = std::min(bytes.size(), at + 1 + size);
            blocks.emplace_back(bytes.begin() + static_cast<long>(at + 1), bytes.begin() + static_cast<long>(end));
            at = end;
        }
        ++at;
        return blocks;
    };
    while (at < bytes.size()) {
        const BYTE introducer = bytes[at++];
        if (introducer == ';') {
            layout.trailer = true;
            break;
        }
        if (introducer == '!' && at < bytes.size()) {
            GifLayout::Extension extension{bytes[at++], {}};
            extension.subBlocks = subBlocks();
            layout.extensions.push_back(extension);
            continue;
        }
        if (introducer != ',' || at + 9 > bytes.size()) break;
        GifLayout::Frame frame{at - 1, word(at), word(at + 2), word(at + 4), word(at + 6), bytes[at + 8], 0, 0, 0, 0};
        at += 9;
        if (frame.flags & 0x80) {
            frame.localColors = 1 << ((frame.flags & 7) + 1);
            at += 3 * static_cast<size_t>(frame.localColors);
        }
        ++at;  // minimum code size
        for (const auto& block : subBlocks()) {
            frame.dataBytes += block.size();
            ++frame.subBlocks;
            frame.largestSubBlock = std::max(frame.largestSubBlock, block.size());
        }
        layout.frames.push_back(frame);
    }
    return layout;
}

} // namespace kvxgiftest
