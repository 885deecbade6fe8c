#include "Pendrel/Image/KVXGlobalMemory.h"

#include <cstdlib>
#include <cstring>

namespace {

// The size sits in front of the bytes, in a prefix that keeps them aligned.
constexpr size_t kPrefix = alignof(std::max_align_t) > sizeof(size_t) ? alignof(std::max_align_t) : sizeof(size_t);

} // namespace

HANDLE KVXGlobalAlloc(size_t size) {
    if (size > SIZE_MAX - kPrefix) return nullptr;
    void* block = std::calloc(1, kPrefix + size);
    if (block) std::memcpy(block, &size, sizeof size);
    return block;
}

size_t KVXGlobalSize(HANDLE block) {
    if (!block) return 0;
    size_t size;
    std::memcpy(&size, block, sizeof size);
    return size;
}

void* KVXGlobalLock(HANDLE block) {
    if (!block) return nullptr;
    return static_cast<BYTE*>(block) + kPrefix;
}

void KVXGlobalUnlock(HANDLE) {}

HANDLE KVXGlobalFree(HANDLE block) {
    std::free(block);
    return nullptr;
}
