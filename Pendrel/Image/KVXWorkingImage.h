#pragma once
// The image in which a transformation builds its result. It starts with the
// settings of the image being transformed (its info record, which leaves the
// nearest-colour cache clear), is created at the result's size and depth
// with that image's type, and at the end moves into the destination the
// caller named, or into the transformed image itself.

#include "Pendrel/Image/KVXImage.h"

class CKVXWorkingImage : public CKVXImage {
public:
    // A size below 1 or beyond 32 bits leaves the image empty (not valid).
    CKVXWorkingImage(CKVXImage& source, long width, long height, DWORD bpp);

    // Takes the source's palette (up to 256 entries).
    void TakePalette(CKVXImage& source);
    // Entry 0 black, entry 1 white, fourth bytes 0: the palette of the 1-bit
    // results of the depth conversions.
    void SetBlackWhitePalette();
    // Moves the result into destination, or into source when there is none.
    void MoveTo(CKVXImage& source, CKVXImage* destination);
};
