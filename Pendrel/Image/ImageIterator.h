#pragma once
// Walks the pixel rows of an image for the codecs: a current row (0 is the
// bottom row) with a pointer to its first byte, and a current column.

#include <cstdint>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageDefs.h"

class CKVXImage;

class KVXIMAGE_API CImageIterator {
public:
    explicit CImageIterator(CKVXImage* image);

    // Makes row y (0 <= y < height) the current row; any other y changes
    // nothing. Returns the current row pointer.
    BYTE* MoveToRow(long y);
    // Makes the top row current, at column 0.
    void MoveToTopRow();
    // Makes the row below current; false (nothing changes) at the bottom row.
    bool MoveToRowBelow();
    // Copies length bytes into the current row; a negative length, or one of
    // the row's size or more, means the whole row. Nothing without a row, a
    // buffer or a length.
    void SetRow(const BYTE* buffer, long length);
    // Copies the current row out, with the same length rule.
    void GetRow(BYTE* buffer, long length);

    BYTE* GetRowPointer() const { return rowPointer; }
    long GetColumn() const { return column; }
    long GetRowNumber() const { return row; }

protected:
    // Bytes of the current row that a copy of length bytes may touch.
    long RowLength(long length) const;

    int32_t column;
    int32_t row;
    int32_t stepX;
    int32_t stepY;
    BYTE* rowPointer;
    CKVXImage* image;
};
