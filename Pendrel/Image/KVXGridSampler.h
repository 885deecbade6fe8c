#pragma once
// Interpolated colours of an image on a grid of positions: one real-valued
// x per output column and one y per output row, as when the whole image is
// resized or drawn at another size. Gives the same colours as
// CKVXImage::GetPixelColorInterpolated at every grid point, within 1 per
// channel for the kernel methods (whose sums are taken in another order),
// but works out the weights once per column and once per row and applies
// kernels in two passes, each source row filtered along x once.
//
// Points whose neighbourhood reaches outside the image, paletted images and
// the nearest-pixel method go through the single-point function, so the
// overflow methods behave exactly as there.

#include <cstdint>
#include <vector>

#include "Pendrel/Image/KVXBilinearPixels.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXKernelWindow.h"

class CKVXGridSampler {
public:
    // The image must outlive the sampler and stay unchanged while it samples.
    // Throws std::bad_alloc when the tables cannot be allocated.
    CKVXGridSampler(CKVXImage& image, std::vector<float> columns, std::vector<float> rows,
                    CKVXImage::InterpolationMethod method, CKVXImage::OverflowMethod overflow,
                    const RGBQUAD* replacement = nullptr);

    // The colours of grid row r: blue, green and red of each column into
    // bgr (3 bytes a column), and the alpha into alpha unless it is null
    // (0 where the image has no alpha plane).
    void Row(long r, BYTE* bgr, BYTE* alpha);
    // The same colours as blue | green << 8 | red << 16, one word a column.
    void RowQuads(long r, uint32_t* quads);

private:
    // The placement of one grid position along an axis.
    struct Axis {
        std::vector<long> cells;         // the cell of each position
        std::vector<char> inside;        // whether its neighbourhood lies inside
        std::vector<uint32_t> fractions; // bilinear: 1/256ths beyond the cell
        std::vector<int32_t> offsets;    // bilinear: byte offset of the cell in a row
        std::vector<float> weights;      // kernels: window-size weights each
    };
    void Place(const std::vector<float>& positions, long size, Axis& axis) const;
    RGBQUAD SingleColor(long c, long r);
    void Single(long c, long r, BYTE* bgr, BYTE* alpha);
    void BilinearRow(long r, BYTE* bgr, BYTE* alpha);
    void KernelRow(long r, BYTE* bgr, BYTE* alpha);
    // Source row y filtered along x at every inside column: 4 floats per
    // column (blue, green, red, alpha), cached while the window needs it.
    const float* FilteredRow(long y);

    CKVXImage& m_image;
    CKVXImage::InterpolationMethod m_method;
    CKVXImage::OverflowMethod m_overflow;
    RGBQUAD m_replacement;
    bool m_hasReplacement;
    std::vector<float> m_columns;
    std::vector<float> m_rows;
    KVXKernelWindow m_window;
    bool m_direct;  // a 24-bit image whose bytes are read directly
    KVXBilinearPixels m_pixels;
    Axis m_x;
    Axis m_y;
    // The run of columns whose 2 x 2 block lies inside with a pixel to
    // spare on the right, which the bilinear row loop reads 4 bytes at a time.
    long m_wideBegin = 0;
    long m_wideEnd = 0;
    // Kernels: the last filtered source rows, one slot per window row.
    std::vector<long> m_slotRow;
    std::vector<float> m_slots;
    std::vector<float> m_sourceRow;  // one source row as 4 floats per pixel
    std::vector<float> m_sum;        // the weighted rows of one grid row
    std::vector<BYTE> m_bytes;       // a grid row of colours on its way to words
};
