#include "Pendrel/Image/KVXGifSubBlockWriter.h"

#include <algorithm>

#include "Pendrel/Image/KVXImageFile.h"

CKVXGifSubBlockWriter::CKVXGifSubBlockWriter(CKVXImageFile* target, int limit)
    : stream(target),
      blockLimit(std::clamp(limit, 1, 255)),
      accumulator(0),
      bitCount(0),
      blockLength(0),
      block{},
      failed(false) {}

void CKVXGifSubBlockWriter::FlushBits() {
    if (bitCount > 0) char_out(static_cast<BYTE>(accumulator & 0xFF));
    accumulator = 0;
    bitCount = 0;
    flush_char();
}

void CKVXGifSubBlockWriter::flush_char() {
    if (blockLength == 0) return;
    if (!failed) {
        const BYTE length = static_cast<BYTE>(blockLength);
        failed = stream->Write(&length, 1, 1) != 1 ||
                 stream->Write(block, static_cast<size_t>(blockLength), 1) != 1;
    }
    blockLength = 0;
}
