#pragma once
// The screen of an animated GIF file as its frames build it up: colours with
// their transparency, one 32-bit value a pixel (0 for a transparent pixel,
// 0xFF000000 | red << 16 | green << 8 | blue for an opaque one). Each frame
// brings its own palette and transparent index, which apply to its own
// pixels only; what a frame leaves behind it (the disposal method) works on
// the frame's rectangle. So the work of a frame is that of its rectangle,
// never that of the whole screen.

#include <cstdint>
#include <vector>

#include "compat/WinTypes.h"

class CKVXImage;

class CKVXGifCanvas {
public:
    static constexpr uint32_t kTransparent = 0;
    static uint32_t Opaque(const RGBQUAD& color) {
        return 0xFF000000u | (uint32_t{color.rgbRed} << 16) | (uint32_t{color.rgbGreen} << 8) | color.rgbBlue;
    }

    struct Rect {
        long left, top, width, height;
    };

    // Takes the colours of an image of the screen's size (rows from the
    // bottom, as images store them); the pixels of the transparent index
    // (-1 for none) are transparent. False when the screen does not fit the
    // memory limit.
    bool Load(CKVXImage& image, long transIndex);

    // Fills a rectangle with one colour (disposal to the background).
    void Fill(const Rect& area, uint32_t color);
    // Keeps a rectangle as it stands, for Restore (disposal to the previous
    // picture).
    void Save(const Rect& area);
    void Restore();
    // Lays a frame at its place: every pixel whose index is not the
    // transparent index (-1 for none) takes its palette colour.
    void Draw(CKVXImage& frame, long left, long top, long transIndex);

    // Writes the picture into an image of the screen's size. It becomes a
    // palette image where its colours fit in 256 entries: the palette
    // starts with the given entries, so that pixels keep the indices they
    // have there; colours missing from them follow in the free entries.
    // Transparent pixels take transIndex when it is 0 or above (then no
    // opaque pixel gets that index), otherwise spareTransIndex, otherwise
    // the first free entry; a palette image with transparency gets 256
    // entries (white behind the colours). The depth is at least minBpp.
    // Pictures of more colours become 24-bit images with an alpha plane
    // where a pixel is transparent. False when the image cannot be created.
    bool Render(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex, long spareTransIndex,
                WORD minBpp);

    long Width() const { return width; }
    long Height() const { return height; }
    uint32_t At(long x, long y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Pixels read or written since Load.
    uint64_t Work() const { return work; }

private:
    bool Clip(const Rect& area, Rect& clipped) const;
    bool RenderIndexed(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                       long spareTransIndex, WORD minBpp);
    bool RenderTrueColor(CKVXImage& target);

    long width = 0;
    long height = 0;
    std::vector<uint32_t> pixels;       // rows from the top
    Rect savedArea{};
    std::vector<uint32_t> saved;
    uint64_t work = 0;
};
