#pragma once
// The box shrink of Resample: a 24-bit image shrinking in both directions
// into a working image of the new size, in one pass over the source rows.
// Weights are integers in thousandths; each source pixel that straddles a
// boundary between output pixels (or rows) is split between them. The sums
// are 64-bit, so a large picture shrunk to a few pixels cannot overflow, and
// each output byte is held to 0 ... 255.

#include <cstdint>
#include <vector>

#include "Pendrel/Image/KVXImage.h"

class CKVXBoxShrink {
public:
    // Scales: width / new width and height / new height, both above 1.
    CKVXBoxShrink(CKVXImage& source, CKVXImage& work, float scaleX, float scaleY);

    // Fills the working image; stops early (leaving rows unwritten) when the
    // source's escape is set.
    void Run();

private:
    void PutPixel(const int64_t* sums);
    bool Straddles(long x, float endX, long done) const;
    void AddRow(const BYTE* row, long width);
    long AddSplitRow(const BYTE* row, long width, int64_t wy);

    CKVXImage& m_source;
    CKVXImage& m_work;
    const float m_scaleX;
    const float m_scaleY;
    const long m_newWidth;
    const long m_newHeight;
    // Three sums per output column plus one spare cell.
    std::vector<int64_t> m_current;
    std::vector<int64_t> m_carry;
    const int64_t m_scale;
    BYTE* m_out = nullptr; // next byte of the current output row
};
