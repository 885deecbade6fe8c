#include "Pendrel/Image/KVXGifRunLengthEncoder.h"

#include <bit>

#include "Pendrel/Image/KVXGifPixelWalk.h"

CKVXGifRunLengthEncoder::CKVXGifRunLengthEncoder(CKVXImageFile* stream, int initBits)
    : writer(stream, 255),
      runPixel(0),
      runLength(0),
      firstRunCode((1 << (initBits - 1)) + 2),
      tablePixel(0),
      tableMaxRun(0),
      justCleared(true),
      outBits(initBits),
      outBitsInit(initBits),
      outCount(0),
      outBump(0),
      outBumpInit((1 << (initBits - 1)) - 1),
      outClear(0),
      outClearInit(initBits <= 3 ? 9 : (1 << (initBits - 1)) - 2),
      maxOutCodes(4096 - ((1 << (initBits - 1)) + 3)),
      clearCode(1 << (initBits - 1)),
      endCode((1 << (initBits - 1)) + 1) {
    rle_clear();
}

int64_t CKVXGifRunLengthEncoder::rle_isqrt(int64_t x) {
    if (x < 2) return x;
    const int bitLength = 64 - std::countl_zero(static_cast<uint64_t>(x));
    int64_t root = int64_t{1} << ((bitLength + 1) / 2);
    for (;;) {
        const int64_t next = (x / root + root) / 2;
        if (next == root || next == root + 1) return root;
        root = next;
    }
}

int64_t CKVXGifRunLengthEncoder::rle_compute_triangle_count(int64_t count, int64_t maxCodes) {
    const int64_t perRepeat = maxCodes * (maxCodes + 1) / 2;
    int64_t cost = 0;
    if (perRepeat > 0 && count >= perRepeat) {
        cost = count / perRepeat * maxCodes;
        count %= perRepeat;
    }
    if (count > 0) {
        int64_t n = rle_isqrt(count);
        while (n * (n + 1) >= 2 * count) --n;
        while (n * (n + 1) < 2 * count) ++n;
        cost += n;
    }
    return cost;
}

void CKVXGifRunLengthEncoder::rle_clear() {
    outBits = outBitsInit;
    outBump = outBumpInit;
    outClear = outClearInit;
    outCount = 0;
    tableMaxRun = 0;
    justCleared = true;
}

void CKVXGifRunLengthEncoder::rle_output(int code) {
    writer.PutCode(static_cast<unsigned>(code), outBits);
}

void CKVXGifRunLengthEncoder::rle_output_plain(int code) {
    justCleared = false;
    rle_output(code);
    ++outCount;
    if (outCount >= outBump) {
        ++outBits;
        outBump += int64_t{1} << (outBits - 1);
    }
    if (outCount >= outClear) {
        rle_output(clearCode);
        rle_clear();
    }
}

void CKVXGifRunLengthEncoder::rle_output_flush() {
    writer.FlushBits();
}

void CKVXGifRunLengthEncoder::rle_reset_out_clear() {
    outClear = outClearInit;
    if (outCount >= outClear) {
        rle_output(clearCode);
        rle_clear();
    }
}

void CKVXGifRunLengthEncoder::rle_flush_fromclear(int64_t count) {
    outClear = maxOutCodes;
    tablePixel = runPixel;
    int64_t step = 1;
    while (count > 0) {
        if (step == 1) {
            tableMaxRun = 1;
            rle_output_plain(runPixel);
            --count;
        } else if (count >= step) {
            tableMaxRun = step;
            rle_output_plain(static_cast<int>(firstRunCode + step - 2));
            count -= step;
        } else if (count == 1) {
            ++tableMaxRun;
            rle_output_plain(runPixel);
            count = 0;
        } else {
            ++tableMaxRun;
            rle_output_plain(static_cast<int>(firstRunCode + count - 2));
            count = 0;
        }
        step = outCount == 0 ? 1 : step + 1;
    }
    rle_reset_out_clear();
}

void CKVXGifRunLengthEncoder::rle_flush_clearorrep(int64_t count) {
    if (1 + rle_compute_triangle_count(count, maxOutCodes) < count) {
        rle_output(clearCode);
        rle_clear();
        rle_flush_fromclear(count);
        return;
    }
    for (; count > 0; --count) rle_output_plain(runPixel);
}

void CKVXGifRunLengthEncoder::rle_flush_withtable(int64_t count) {
    int64_t repeats = count / tableMaxRun;
    int64_t rest = count % tableMaxRun;
    int64_t restCodes = rest ? 1 : 0;
    if (outCount + repeats + restCodes > maxOutCodes) {
        repeats = maxOutCodes - outCount;
        rest = count - repeats * tableMaxRun;
        restCodes = 1 + rle_compute_triangle_count(rest, maxOutCodes);
    }
    if (1 + rle_compute_triangle_count(count, maxOutCodes) < repeats + restCodes) {
        rle_output(clearCode);
        rle_clear();
        rle_flush_fromclear(count);
        return;
    }
    outClear = maxOutCodes;
    for (; repeats > 0; --repeats) rle_output_plain(static_cast<int>(firstRunCode + tableMaxRun - 2));
    if (rest) {
        if (justCleared) rle_flush_fromclear(rest);
        else if (rest == 1) rle_output_plain(runPixel);
        else rle_output_plain(static_cast<int>(firstRunCode + rest - 2));
    }
    rle_reset_out_clear();
}

void CKVXGifRunLengthEncoder::rle_flush() {
    if (runLength == 1) {
        rle_output_plain(runPixel);
    } else if (justCleared) {
        rle_flush_fromclear(runLength);
    } else if (tableMaxRun < 2 || tablePixel != runPixel) {
        rle_flush_clearorrep(runLength);
    } else {
        rle_flush_withtable(runLength);
    }
    runLength = 0;
}

bool CKVXGifRunLengthEncoder::compressRLE(CKVXGifPixelWalk& pixels) {
    rle_output(clearCode);
    for (;;) {
        const long pixel = pixels.GifNextPixel();
        if (runLength > 0 && pixel != runPixel) rle_flush();
        if (pixel < 0) break;
        if (runLength > 0) {
            ++runLength;
        } else {
            runPixel = static_cast<int>(pixel);
            runLength = 1;
        }
    }
    rle_output(endCode);
    rle_output_flush();
    return !writer.Failed();
}
