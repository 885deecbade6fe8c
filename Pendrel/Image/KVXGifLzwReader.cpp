#include "Pendrel/Image/KVXGifLzwReader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "Pendrel/Image/KVXGifLineWriter.h"
#include "Pendrel/Image/KVXImageFile.h"

CKVXGifLzwReader::CKVXGifLzwReader()
    : stream(nullptr),
      input(new BYTE[kInputSize]),
      inputPosition(kInputSize),
      inputFill(0),
      codeSize(0),
      clearCode(0),
      endCode(0),
      firstFreeCode(0),
      tableLimit(0),
      nextSlot(0),
      subBlockLeft(0),
      subBlockPosition(0),
      bitBuffer(0),
      bitCount(0),
      subBlock{},
      badCodeCount(0),
      terminatorRead(false),
      stack(new BYTE[kTableSize]),
      suffix(new BYTE[kTableSize]),
      prefix(new WORD[kTableSize]) {}

long CKVXGifLzwReader::UnreadBytes() const {
    return inputPosition < inputFill ? inputFill - inputPosition : 0;
}

int CKVXGifLzwReader::get_byte() {
    if (inputPosition >= kInputSize) {
        inputFill = static_cast<int>(stream->Read(input.get(), 1, kInputSize));
        inputPosition = 0;
    }
    if (inputPosition >= inputFill) return -1;
    return input[inputPosition++];
}

int CKVXGifLzwReader::ReadSubBlock() {
    const int size = get_byte();
    if (size <= 0) {
        if (size == 0) terminatorRead = true;
        return size;
    }
    for (int i = 0; i < size; ++i) {
        const int value = get_byte();
        if (value < 0) return value;
        subBlock[i] = static_cast<BYTE>(value);
    }
    subBlockLeft = size;
    subBlockPosition = 0;
    return size;
}

void CKVXGifLzwReader::init_exp(int size) {
    codeSize = size + 1;
    clearCode = 1 << size;
    endCode = clearCode + 1;
    firstFreeCode = clearCode + 2;
    nextSlot = firstFreeCode;
    tableLimit = 1 << codeSize;
    bitBuffer = 0;
    bitCount = 0;
    subBlockLeft = 0;
    subBlockPosition = 0;
    std::memset(stack.get(), 0, kTableSize);
    std::memset(suffix.get(), 0, kTableSize);
    std::memset(prefix.get(), 0, kTableSize * sizeof(WORD));
}

int CKVXGifLzwReader::decoder(CKVXImageFile* file, long lineWidth, CKVXGifLineWriter& output) {
    stream = file;
    inputPosition = kInputSize;
    inputFill = 0;
    badCodeCount = 0;
    terminatorRead = false;

    const int size = get_byte();
    if (size < 0) return size;
    if (size < 2 || size > kMaxCodeSize) return kBadCodeSize;
    init_exp(size);

    std::unique_ptr<BYTE[]> line(new (std::nothrow) BYTE[static_cast<size_t>(lineWidth) + 1]);
    if (!line) return kNoMemory;
    BYTE* out = line.get();
    long lineLeft = lineWidth;
    // Moves the string on the stack into the line, first byte first; full
    // lines go to the image.
    auto emit = [&](int depth) -> int {
        while (depth > 0) {
            const long count = std::min<long>(depth, lineLeft);
            for (long i = 0; i < count; ++i) *out++ = stack[--depth];
            lineLeft -= count;
            if (lineLeft > 0) continue;
            out = line.get();
            lineLeft = lineWidth;
            const int written = output.out_line(line.get(), lineWidth);
            if (written < 0) return written;
        }
        return 0;
    };

    int result = 0;
    int oldCode = 0;
    int firstChar = 0;
    // At the start of the data, as after a clear code, the table holds only
    // the single pixels: the next code is a literal and adds no entry. Data
    // need not begin with a clear code.
    bool tableFresh = true;
    for (;;) {
        int code = get_next_code();
        if (code < 0 || code == endCode) break;
        if (code == clearCode) {
            codeSize = size + 1;
            nextSlot = firstFreeCode;
            tableLimit = 1 << codeSize;
            tableFresh = true;
            continue;
        }
        if (tableFresh) {
            if (code >= nextSlot) code = 0;
            oldCode = firstChar = code;
            stack[0] = static_cast<BYTE>(code);
            tableFresh = false;
            if ((result = emit(1)) < 0) break;
            continue;
        }

        // The string of the code, last byte first, onto the stack. A code
        // beyond the table stands for the previous string and its first byte.
        const int thisCode = code;
        int depth = 0;
        if (code >= nextSlot) {
            if (code > nextSlot) ++badCodeCount;
            code = oldCode;
            stack[depth++] = static_cast<BYTE>(firstChar);
        }
        while (code >= firstFreeCode && depth < kTableSize) {
            stack[depth++] = suffix[code];
            code = prefix[code];
        }
        if (depth >= kTableSize) {
            result = kStringTooLong;
            break;
        }
        stack[depth++] = static_cast<BYTE>(code);

        if (nextSlot < tableLimit) {
            firstChar = code;
            suffix[nextSlot] = static_cast<BYTE>(code);
            prefix[nextSlot] = static_cast<WORD>(oldCode);
            ++nextSlot;
            oldCode = thisCode;
        }
        if (nextSlot >= tableLimit && codeSize < 12) {
            tableLimit <<= 1;
            ++codeSize;
        }
        if ((result = emit(depth)) < 0) break;
    }
    if (result >= 0 && lineLeft != lineWidth) result = output.out_line(line.get(), lineWidth - lineLeft);
    return result;
}
