#pragma once
// Writes the pixels of a GIF image as LZW codes (compressLZW, with a hash
// table of 5,003 entries) or as one code per pixel that any LZW decoder
// reads (compressNONE). Both write the clear code first and the end code
// last, in data sub-blocks of up to 254 bytes; the terminating empty
// sub-block is the caller's.

#include <cstdint>
#include <memory>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXGifSubBlockWriter.h"

class CKVXImageFile;
class CKVXGifPixelWalk;

class CKVXGifLzwEncoder {
public:
    // initBits: the width of the first codes (the minimum code size + 1).
    CKVXGifLzwEncoder(CKVXImageFile* stream, int initBits);
    CKVXGifLzwEncoder(const CKVXGifLzwEncoder&) = delete;
    CKVXGifLzwEncoder& operator=(const CKVXGifLzwEncoder&) = delete;

    // Each returns false when a write failed.
    bool compressLZW(CKVXGifPixelWalk& pixels);
    bool compressNONE(CKVXGifPixelWalk& pixels);

private:
    static constexpr int kHashSize = 5003;
    static constexpr int kMaxCodes = 4096;

    // Writes a code at the current width, then widens the codes as the
    // decoder's table grows, or narrows them again after a clear.
    void output(int code);
    // Empties the hash table.
    void cl_hash();
    // Counts a new table entry; at a full table writes a clear code instead.
    // Returns false for the clear.
    bool TakeFreeCode();

    CKVXGifSubBlockWriter writer;
    const int initBits;
    const int clearCode;
    const int endCode;
    int width;
    int maxCode;
    int freeCode;
    bool clearPending;
    std::unique_ptr<int32_t[]> hashKeys;    // -1 for an empty slot
    std::unique_ptr<WORD[]> hashCodes;
};
