#pragma once
// Puts the decoded lines of one GIF frame into the frame's image: palette
// indices, one byte each, packed for 1- and 4-bit images, written from the
// top row down, or in the four passes of an interlaced frame (every 8th row
// from row 0, every 8th from row 4, every 4th from row 2, every 2nd from
// row 1).

#include "compat/WinTypes.h"
#include "Pendrel/Image/ImageIterator.h"

class CKVXImage;

class CKVXGifLineWriter {
public:
    CKVXGifLineWriter(CKVXImage& image, bool interlaced);

    // Writes the next line: length indices in pixels (the buffer is packed in
    // place). Returns 0, or -1 when the frame has no row left for the line.
    int out_line(BYTE* pixels, long length);

private:
    // Packs the indices in place at the image's depth; returns the bytes used.
    long Pack(BYTE* pixels, long length) const;
    // Moves to the next row of an interlaced frame; false after the last pass.
    bool AdvanceInterlaced();

    CKVXImage& image;
    CImageIterator iterator;
    const bool interlaced;
    const long height;
    const WORD bpp;
    const long rowBytes;
    long nextRow;     // counted from the top
    long rowStep;
    int pass;
    bool rowsLeft;
};
