#pragma once
// The image in which a transformation builds its result: created at the
// result's size and depth with the transformed image's type, with settings
// taken from that image, and at the end moved into the destination the
// caller named, or into the transformed image itself.

#include "Pendrel/Image/KVXImage.h"

class CKVXWorkingImage : public CKVXImage {
public:
    // What the working image takes from the source besides its type.
    enum Settings {
        // The source's info record (with a clear nearest-colour cache).
        SourceSettings,
        // That, and the source's palette (up to 256 entries).
        SourceSettingsAndPalette,
        // The settings of a new image, with only the source's palette,
        // transparent index and transparent colour.
        NewSettingsWithPalette
    };

    // What the pixels hold at the start.
    enum Start {
        // All 0.
        ClearedPixels,
        // Whatever the memory held (at 8 and 24 bits): for a transformation
        // that writes every pixel, and on an escape clears the rows it did
        // not reach (ClearRowsFrom).
        PixelsToWrite
    };

    // A size below 1 or beyond 32 bits leaves the image empty (not valid).
    CKVXWorkingImage(CKVXImage& source, long width, long height, DWORD bpp, Settings settings,
                     Start start = ClearedPixels);

    // Sets the pixel bytes of rows y and above to 0.
    void ClearRowsFrom(long y);

    // Entry 0 black, entry 1 white, fourth bytes 0: the palette of the 1-bit
    // results of the depth conversions.
    void SetBlackWhitePalette();
    // Writes a computed colour at (x, y): the nearest palette entry into a
    // paletted image (whose alpha plane stays), else blue, green and red
    // into the row and, when there is an alpha plane, the fourth byte into it.
    void PutSample(long x, long y, RGBQUAD color);
    // Moves the result into destination, or into source when there is none.
    void MoveTo(CKVXImage& source, CKVXImage* destination);
};
