#pragma once
// Reads the image data of one GIF frame: the minimum code size byte, then the
// LZW codes packed least significant bit first into data sub-blocks (a size
// byte and that many bytes, up to a size byte of 0). The decoded lines go to
// a CKVXGifLineWriter.
//
// The stream is read through an input buffer of 16,383 bytes, so the reader
// may read past the frame's data; UnreadBytes() tells how far, so that the
// caller can put the stream back behind what was consumed.

#include <cstdint>
#include <memory>

#include "compat/WinTypes.h"

class CKVXImageFile;
class CKVXGifLineWriter;

class CKVXGifLzwReader {
public:
    // decoder results below 0
    static constexpr int kEndOfData = -1;
    static constexpr int kNoMemory = -10;
    static constexpr int kBadCodeSize = -20;
    // A code whose string does not end within the table's size: corrupt data
    // whose prefixes run in a circle.
    static constexpr int kStringTooLong = -30;

    CKVXGifLzwReader();
    CKVXGifLzwReader(const CKVXGifLzwReader&) = delete;
    CKVXGifLzwReader& operator=(const CKVXGifLzwReader&) = delete;

    // Decodes one frame's data from the stream's position into lines of
    // lineWidth pixels. Returns 0, or a negative error (the lines written
    // before it stay written).
    int decoder(CKVXImageFile* stream, long lineWidth, CKVXGifLineWriter& output);

    // Codes of the last frame that pointed beyond the next free table slot.
    int BadCodeCount() const { return badCodeCount; }
    // Bytes taken into the input buffer but not consumed.
    long UnreadBytes() const;
    // The data's terminating sub-block (size byte 0) has been consumed.
    bool TerminatorRead() const { return terminatorRead; }

private:
    static constexpr int kTableSize = 4096;
    // The largest minimum code size: its first codes are 12 bits wide, the
    // widest a GIF code can be.
    static constexpr int kMaxCodeSize = 11;
    static constexpr int kInputSize = 16383;

    // The next input byte, or -1 at the end of the stream.
    int get_byte();
    // The next code, the end code at an empty sub-block, or a negative error.
    int get_next_code() {
        while (bitCount < codeSize) {
            if (subBlockLeft == 0) {
                const int size = terminatorRead ? 0 : ReadSubBlock();
                if (size <= 0) return size == 0 ? endCode : size;
            }
            --subBlockLeft;
            bitBuffer |= static_cast<uint32_t>(subBlock[subBlockPosition++]) << bitCount;
            bitCount += 8;
        }
        const int code = static_cast<int>(bitBuffer & ((1u << codeSize) - 1));
        bitBuffer >>= codeSize;
        bitCount -= codeSize;
        return code;
    }
    // Prepares the code tables for a minimum code size.
    void init_exp(int size);
    // Reads the next data sub-block into the sub-block buffer; a negative
    // error, or the size read (0 for the terminator).
    int ReadSubBlock();

    CKVXImageFile* stream;
    std::unique_ptr<BYTE[]> input;      // kInputSize bytes and one behind them
    int inputPosition;
    int inputFill;

    int codeSize;
    int clearCode;
    int endCode;
    int firstFreeCode;
    int tableLimit;
    int nextSlot;
    int subBlockLeft;                   // bytes left in the current sub-block
    int subBlockPosition;
    uint32_t bitBuffer;                 // bits read but not yet used, lowest first
    int bitCount;
    BYTE subBlock[257];
    int badCodeCount;
    bool terminatorRead;

    std::unique_ptr<BYTE[]> stack;      // kTableSize bytes: one string, last byte first
    std::unique_ptr<BYTE[]> suffix;     // kTableSize entries
    std::unique_ptr<WORD[]> prefix;     // kTableSize entries
};
