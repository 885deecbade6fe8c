#pragma once
// The screen of an animated GIF file as its frames build it up: colours with
// their transparency (as 32-bit values: 0 for a transparent pixel,
// 0xFF000000 | red << 16 | green << 8 | blue for an opaque one). Each frame
// brings its own palette and transparent index, which apply to its own
// pixels only; what a frame leaves behind it (the disposal method) works on
// the frame's rectangle. So the work of a frame is that of its rectangle,
// never that of the whole screen.
//
// While the screen holds at most 256 colours, a pixel is one byte, the slot
// of its colour in a table; with more, every pixel holds its colour.

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
    // where a pixel is transparent. False when the image cannot be created
    // or the screen held more colours than the memory limit allowed.
    bool Render(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex, long spareTransIndex,
                WORD minBpp);

    long Width() const { return width; }
    long Height() const { return height; }
    uint32_t At(long x, long y) const {
        const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
        return wide ? colors[at] : table[slots[at]];
    }
    // Pixels read or written since Load.
    uint64_t Work() const { return work; }

private:
    bool Clip(const Rect& area, Rect& clipped) const;
    // The slot of a colour, taken when it is new; -1 when the table is full.
    // Called once for each colour a frame uses, so a search serves.
    int Slot(uint32_t color);
    // Gives every pixel its colour (when the table is full).
    void Widen();
    bool RenderIndexed(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                       long spareTransIndex, WORD minBpp);
    bool RenderTrueColor(CKVXImage& target);

    long width = 0;
    long height = 0;
    bool wide = false;
    bool tooLarge = false;              // more colours than a screen this size can hold
    std::vector<BYTE> slots;            // rows from the top, while not wide
    std::vector<uint32_t> table;        // the colour of each slot
    std::vector<uint32_t> colors;       // rows from the top, once wide
    Rect savedArea{};
    bool savedWide = false;
    std::vector<BYTE> savedSlots;
    std::vector<uint32_t> savedColors;
    uint64_t work = 0;
};
