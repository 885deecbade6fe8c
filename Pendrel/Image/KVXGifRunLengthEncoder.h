#pragma once
// Writes the pixels of a GIF image as run-length codes that any LZW decoder
// reads as ordinary LZW data. After a clear code, writing a pixel p and then
// the codes of the next free table slots makes the decoder's table hold runs
// of p of length 2, 3, 4, ... (the first run code stands for a run of 2, the
// next for a run of 3, ...); long runs of one pixel are then written with
// few codes. The code widths and clear codes follow the growth of the
// decoder's table. Data sub-blocks hold up to 255 bytes; the terminating
// empty sub-block is the caller's.

#include <cstdint>

#include "Pendrel/Image/KVXGifSubBlockWriter.h"

class CKVXImageFile;
class CKVXGifPixelWalk;

class CKVXGifRunLengthEncoder {
public:
    // initBits: the width of the first codes (the minimum code size + 1).
    CKVXGifRunLengthEncoder(CKVXImageFile* stream, int initBits);

    // False when a write failed.
    bool compressRLE(CKVXGifPixelWalk& pixels);

    // The smallest number of codes that write count pixels of one value
    // with run codes of 1, 2, 3, ... pixels, when at most maxCodes codes fit
    // between two clear codes.
    static int64_t rle_compute_triangle_count(int64_t count, int64_t maxCodes);
    // The integer square root (Newton's iteration).
    static int64_t rle_isqrt(int64_t x);

private:
    void rle_clear();
    // Writes a code at the current width (not counted).
    void rle_output(int code);
    // Writes a counted code, widening the codes and clearing as due.
    void rle_output_plain(int code);
    void rle_output_flush();
    void rle_reset_out_clear();
    // Writes the run that is under way.
    void rle_flush();
    void rle_flush_fromclear(int64_t count);
    void rle_flush_withtable(int64_t count);
    void rle_flush_clearorrep(int64_t count);

    CKVXGifSubBlockWriter writer;
    // the run under way
    int runPixel;
    int64_t runLength;
    const int firstRunCode;
    // what the decoder's table holds: runs of tablePixel up to tableMaxRun
    int tablePixel;
    int64_t tableMaxRun;
    bool justCleared;
    // code output
    int outBits;
    const int outBitsInit;
    int64_t outCount;               // codes written since the last clear
    int64_t outBump;                // outCount at which the width grows
    const int64_t outBumpInit;
    int64_t outClear;               // outCount at which a clear is due
    const int64_t outClearInit;
    const int64_t maxOutCodes;      // codes between two clears at the most
    const int clearCode;
    const int endCode;
};
