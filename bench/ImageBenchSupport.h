#pragma once
// Shared by the image benchmarks: a photo-like 24-bit picture (smooth
// gradients in blue and green, red following the diagonal with some noise,
// so that it has about as many distinct colours as a photo; widths that are
// multiples of 4 leave the rows without padding), and a run of an operation
// that changes the image itself on a fresh copy made and freed outside the
// timed part.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>

#include "Pendrel/Image/KVXImage.h"
#include "bench/BenchMemory.h"

inline CKVXImage PhotoPicture(int width, int height) {
    CKVXImage image(static_cast<DWORD>(width), static_cast<DWORD>(height), 24);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        BYTE* row = image.GetBits(static_cast<DWORD>(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            row[3 * x] = static_cast<BYTE>(x * 255 / width);
            row[3 * x + 1] = static_cast<BYTE>(y * 255 / height);
            row[3 * x + 2] = static_cast<BYTE>((x + y) / 16 + (noise >> 28));
        }
    }
    return image;
}

template <class Operation> void RunOnCopy(benchmark::State& state, CKVXImage& picture, Operation operation) {
    std::optional<CKVXImage> copy;
    for (auto _ : state) {
        state.PauseTiming();
        copy.reset();
        copy.emplace(picture);
        state.ResumeTiming();
        operation(*copy);
        benchmark::DoNotOptimize(copy->GetBits(0));
    }
    copy.reset();
}
