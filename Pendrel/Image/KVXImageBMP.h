#pragma once
// The BMP codec (image type 2): reads device-independent bitmaps with or
// without their 14-byte file header, and writes the image object as a BMP
// file. It reads core (12-byte), 40-byte and 64-byte info headers with 1,
// 4, 8, 16, 24 or 32 bits per pixel, RLE8, RLE4 and bit fields, and
// top-down rows. A larger info header is read only for a plain bitmap: one
// plane, no compression, no colour count, and an image size that matches
// its rows exactly; other larger headers are refused.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImage.h"

class CKVXImageFile;

class KVXIMAGE_API CKVXImageBMP : public CKVXImage {
public:
    CKVXImageBMP() : CKVXImage(ImageTypeBmp) {}
    ~CKVXImageBMP() override = default;

    // Decodes one bitmap from the stream's current position into this image.
    bool Decode(CKVXImageFile* stream);
    // Writes this image as a BMP file; false when a write fails.
    bool Encode(CKVXImageFile* stream);

    // Reads an info header (12, 40, 64 or a larger accepted size) and
    // normalises it: a core header is widened (its biSize stays 12, and the
    // stream stands right behind its 12 bytes), an empty image size and an
    // empty colour count are filled in. False for a null argument, a short
    // read or a header size that is not accepted.
    static bool ReadInfoHeader(CKVXImageFile* stream, BITMAPINFOHEADER* out);

protected:
    // RLE8 or RLE4 decoding into the pixel rows; stops at the end of the
    // stream and never writes outside the rows.
    void DecodeRle(CKVXImageFile* stream, bool fourBit);
};
