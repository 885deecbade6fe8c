#pragma once
// Writes variable-width codes, least significant bit first, as GIF data
// sub-blocks: a length byte and up to blockLimit bytes each. A failed write
// is remembered; nothing more is written after it.

#include <cstdint>

#include "compat/WinTypes.h"

class CKVXImageFile;

class CKVXGifSubBlockWriter {
public:
    CKVXGifSubBlockWriter(CKVXImageFile* stream, int blockLimit);

    // Adds a code of the given width above the bits already waiting.
    void PutCode(unsigned code, int width) {
        accumulator &= (1u << bitCount) - 1;
        accumulator |= code << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            char_out(static_cast<BYTE>(accumulator & 0xFF));
            accumulator >>= 8;
            bitCount -= 8;
        }
    }
    // Writes the waiting bits (the last byte filled with zero bits) and the
    // waiting block.
    void FlushBits();
    // Appends a byte to the block; a full block is written.
    void char_out(BYTE value) {
        block[blockLength++] = value;
        if (blockLength >= blockLimit) flush_char();
    }
    // Writes the block waiting, if any.
    void flush_char();

    bool Failed() const { return failed; }

private:
    CKVXImageFile* stream;
    const int blockLimit;
    uint32_t accumulator;
    int bitCount;
    int blockLength;
    BYTE block[255];
    bool failed;
};
