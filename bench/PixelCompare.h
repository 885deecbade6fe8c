#pragma once
// Pixels of the image benchmarks seen the same way on both sides (rows from
// the top, no padding counted), hashed for outputs that must be identical
// and compared channel by channel for outputs that may differ within a
// bound, so that a ratio never compares different work.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Pendrel/Image/KVXImage.h"
#include "bench/SameOutput.h"

struct SPixels {
    const BYTE* top = nullptr; // the first byte of the top row
    int width = 0;
    int height = 0;
    int channels = 0;          // bytes a pixel
    std::ptrdiff_t stride = 0; // from a row to the one below it (negative for bottom-up buffers)

    const BYTE* Row(int y) const { return top + y * stride; }
};

inline SPixels PixelsOf(CKVXImage& image) {
    SPixels view;
    view.width = static_cast<int>(image.GetWidth());
    view.height = static_cast<int>(image.GetHeight());
    view.channels = image.GetBpp() / 8;
    view.top = image.GetBits(static_cast<DWORD>(view.height - 1));
    view.stride = -static_cast<std::ptrdiff_t>(image.GetEffWidth());
    return view;
}

inline SPixels PixelsOf(const BYTE* top, int width, int height, int channels, std::ptrdiff_t stride) {
    return SPixels{top, width, height, channels, stride};
}

inline uint64_t HashPixels(const SPixels& pixels) {
    COutputHash hash;
    const int size[3] = {pixels.width, pixels.height, pixels.channels};
    hash.Add(size, sizeof(size));
    for (int y = 0; y < pixels.height; ++y)
        hash.Add(pixels.Row(y), static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.channels));
    return hash.Value();
}

struct SPixelDifference {
    int largest = 0;   // the largest difference of one channel
    double mean = 0.0; // the mean difference over every channel
};

// Stops the run when the two sides' pixels do not have the same shape.
inline SPixelDifference ComparePixels(const char* what, const SPixels& ours, const SPixels& reference) {
    if (ours.width != reference.width || ours.height != reference.height || ours.channels != reference.channels) {
        std::fprintf(stderr, "different output: %s (ours %dx%dx%d, reference %dx%dx%d)\n", what, ours.width,
                     ours.height, ours.channels, reference.width, reference.height, reference.channels);
        std::exit(1);
    }
    SPixelDifference difference;
    double total = 0.0;
    const size_t rowBytes = static_cast<size_t>(ours.width) * static_cast<size_t>(ours.channels);
    for (int y = 0; y < ours.height; ++y) {
        const BYTE* a = ours.Row(y);
        const BYTE* b = reference.Row(y);
        for (size_t i = 0; i < rowBytes; ++i) {
            const int d = std::abs(int(a[i]) - int(b[i]));
            total += d;
            if (d > difference.largest) difference.largest = d;
        }
    }
    const double count = double(rowBytes) * ours.height;
    difference.mean = count > 0 ? total / count : 0.0;
    return difference;
}

// Stops the run when the pixels differ by more than the bounds allow.
inline void RequireClosePixels(const char* what, const SPixels& ours, const SPixels& reference, int largestBound,
                               double meanBound) {
    const SPixelDifference d = ComparePixels(what, ours, reference);
    if (d.largest <= largestBound && d.mean <= meanBound) {
        std::printf("close output: %s (largest difference %d <= %d, mean %.3f <= %.3f)\n", what, d.largest,
                    largestBound, d.mean, meanBound);
        return;
    }
    std::fprintf(stderr, "different output: %s (largest difference %d, bound %d; mean %.3f, bound %.3f)\n", what,
                 d.largest, largestBound, d.mean, meanBound);
    std::exit(1);
}
