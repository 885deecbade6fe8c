#include "Pendrel/Image/KVXImageMemFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

CKVXImageMemFile::CKVXImageMemFile(BYTE* buffer, DWORD size)
    : data(buffer),
      length(static_cast<int32_t>(std::min<DWORD>(size, INT32_MAX))),
      ownsData(buffer == nullptr),
      position(0),
      capacity(length) {}

CKVXImageMemFile::~CKVXImageMemFile() {
    Close();
}

bool CKVXImageMemFile::Open() {
    if (data) return false;
    length = 0;
    capacity = 0;
    position = 0;
    data = static_cast<BYTE*>(std::malloc(1));
    ownsData = true;
    return data != nullptr;
}

BYTE* CKVXImageMemFile::GetBuffer(bool detach) {
    if (detach) ownsData = false;
    return data;
}

bool CKVXImageMemFile::Close() {
    if (data && ownsData) {
        std::free(data);
        data = nullptr;
        length = 0;
    }
    return true;
}

bool CKVXImageMemFile::Free() {
    return Close();
}

size_t CKVXImageMemFile::Read(void* buffer, size_t size, size_t count) {
    if (!buffer || !data || position >= length || size == 0 || count == 0) return 0;
    size_t wanted;
    if (__builtin_mul_overflow(size, count, &wanted)) wanted = SIZE_MAX;
    const size_t copied = std::min(wanted, static_cast<size_t>(length - position));
    std::memcpy(buffer, data + position, copied);
    position += static_cast<int32_t>(copied);
    return copied / size;
}

size_t CKVXImageMemFile::Write(const void* buffer, size_t size, size_t count) {
    if (!data || !buffer || size == 0 || count == 0) return 0;
    size_t bytes;
    if (__builtin_mul_overflow(size, count, &bytes) || bytes > static_cast<size_t>(INT32_MAX - position)) return 0;
    const int64_t end = static_cast<int64_t>(position) + static_cast<int64_t>(bytes);
    if (end > capacity && !Grow(end)) return 0;
    // A gap left by seeking past the end reads as zeros.
    if (position > length) std::memset(data + length, 0, static_cast<size_t>(position - length));
    std::memcpy(data + position, buffer, bytes);
    position = static_cast<int32_t>(end);
    length = std::max(length, position);
    return count;
}

bool CKVXImageMemFile::Grow(int64_t required) {
    // Geometric growth: a stream written a little at a time copies each byte
    // a bounded number of times.
    const int64_t rounded = (required & ~int64_t{0xFFF}) + 4096;
    const int64_t newCapacity = std::min<int64_t>(std::max<int64_t>(rounded, int64_t{capacity} * 2), INT32_MAX);
    BYTE* grown;
    if (ownsData) {
        grown = static_cast<BYTE*>(std::realloc(data, static_cast<size_t>(newCapacity)));
    } else {
        // The caller's buffer is never reallocated: the stream continues in a
        // block of its own.
        grown = static_cast<BYTE*>(std::malloc(static_cast<size_t>(newCapacity)));
        if (grown) std::memcpy(grown, data, static_cast<size_t>(length));
    }
    if (!grown) return false;
    data = grown;
    capacity = static_cast<int32_t>(newCapacity);
    ownsData = true;
    return true;
}

bool CKVXImageMemFile::Seek(long offset, int origin) {
    if (!data) return false;
    int64_t base;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = position; break;
    case 2: base = length; break;
    default: return false;
    }
    int64_t target;
    if (__builtin_add_overflow(base, static_cast<int64_t>(offset), &target)) target = offset < 0 ? 0 : INT64_MAX;
    if (target < 0) target = 0;
    if (target > INT32_MAX) return false;
    position = static_cast<int32_t>(target);
    return true;
}

long CKVXImageMemFile::Tell() {
    return data ? position : -1;
}

long CKVXImageMemFile::Size() {
    return data ? length : -1;
}

bool CKVXImageMemFile::Flush() {
    return data != nullptr;
}

bool CKVXImageMemFile::Eof() {
    return !data || position >= length;
}

long CKVXImageMemFile::Error() {
    if (!data) return -1;
    return position > length ? 1 : 0;
}

long CKVXImageMemFile::GetC() {
    if (Eof()) return -1;
    return data[position++];
}
