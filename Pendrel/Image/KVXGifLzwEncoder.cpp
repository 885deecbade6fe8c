#include "Pendrel/Image/KVXGifLzwEncoder.h"

#include <algorithm>

#include "Pendrel/Image/KVXGifPixelWalk.h"
#include "Pendrel/Image/KVXImageFile.h"

namespace {

// The hash shift: 8 minus the doublings that take the table size to 65,536 or more.
constexpr int HashShift(int size) {
    int doublings = 0;
    for (long value = size; value < 65536; value *= 2) ++doublings;
    return 8 - doublings;
}

} // namespace

CKVXGifLzwEncoder::CKVXGifLzwEncoder(CKVXImageFile* stream, int bits)
    : writer(stream, 254),
      initBits(bits),
      clearCode(1 << (bits - 1)),
      endCode(clearCode + 1),
      width(bits),
      maxCode((1 << bits) - 1),
      freeCode(clearCode + 2),
      clearPending(false) {}

void CKVXGifLzwEncoder::output(int code) {
    writer.PutCode(static_cast<unsigned>(code), width);
    if (freeCode > maxCode || clearPending) {
        if (clearPending) {
            width = initBits;
            maxCode = (1 << width) - 1;
            clearPending = false;
        } else {
            ++width;
            maxCode = width == 12 ? kMaxCodes : (1 << width) - 1;
        }
    }
    if (code == endCode) writer.FlushBits();
}

void CKVXGifLzwEncoder::cl_hash() {
    std::fill_n(hashKeys.get(), kHashSize, -1);
}

bool CKVXGifLzwEncoder::TakeFreeCode() {
    if (freeCode < kMaxCodes) {
        ++freeCode;
        return true;
    }
    freeCode = clearCode + 2;
    clearPending = true;
    output(clearCode);
    return false;
}

bool CKVXGifLzwEncoder::compressLZW(CKVXGifPixelWalk& pixels) {
    constexpr int shift = HashShift(kHashSize);
    if (!hashKeys) {
        hashKeys.reset(new int32_t[kHashSize]);
        hashCodes.reset(new WORD[kHashSize]());
    }
    cl_hash();
    output(clearCode);

    long string = pixels.GifNextPixel();
    for (long c = pixels.GifNextPixel(); c >= 0; c = pixels.GifNextPixel()) {
        const int32_t key = static_cast<int32_t>((c << 12) + string);
        int slot = static_cast<int>((c << shift) ^ string);
        if (hashKeys[slot] == key) {
            string = hashCodes[slot];
            continue;
        }
        bool found = false;
        if (hashKeys[slot] >= 0) {
            const int step = slot == 0 ? 1 : kHashSize - slot;
            do {
                slot -= step;
                if (slot < 0) slot += kHashSize;
                if (hashKeys[slot] == key) {
                    string = hashCodes[slot];
                    found = true;
                    break;
                }
            } while (hashKeys[slot] > 0);
        }
        if (found) continue;

        output(static_cast<int>(string));
        string = c;
        const int entry = freeCode;
        if (TakeFreeCode()) {
            hashCodes[slot] = static_cast<WORD>(entry);
            hashKeys[slot] = key;
        } else {
            cl_hash();
        }
    }
    if (string >= 0) output(static_cast<int>(string));
    output(endCode);
    return !writer.Failed();
}

bool CKVXGifLzwEncoder::compressNONE(CKVXGifPixelWalk& pixels) {
    output(clearCode);
    for (long c = pixels.GifNextPixel(); c >= 0; c = pixels.GifNextPixel()) {
        output(static_cast<int>(c));
        TakeFreeCode();
    }
    output(endCode);
    return !writer.Failed();
}
