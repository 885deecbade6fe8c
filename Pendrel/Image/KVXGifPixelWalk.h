#pragma once
// The pixels of a palette image in the order a GIF stores them: row by row
// from the top row down, left to right within a row, as palette indices.

#include "compat/WinTypes.h"

class CKVXImage;

class CKVXGifPixelWalk {
public:
    explicit CKVXGifPixelWalk(CKVXImage& image);

    // The next pixel's index; -1 after the last pixel.
    long GifNextPixel() {
        if (pixelsLeft == 0) return -1;
        --pixelsLeft;
        const long index = bpp == 8 ? row[column] : PackedIndex();
        if (++column == width) NextRow();
        return index;
    }

private:
    long PackedIndex() const;
    void NextRow();

    CKVXImage& image;
    const long width;
    const WORD bpp;
    const BYTE* row;
    long rowNumber;     // counted from the bottom
    long column;
    unsigned long long pixelsLeft;
};
