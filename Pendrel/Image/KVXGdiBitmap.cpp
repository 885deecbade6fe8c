#include "Pendrel/Image/KVXGdiBitmap.h"

#include <cstring>

#include "Pendrel/Image/KVXGlobalMemory.h"

CKVXGdiBitmap::CKVXGdiBitmap(HANDLE packedBitmap) : m_memory(packedBitmap) {}

CKVXGdiBitmap::~CKVXGdiBitmap() {
    KVXGlobalFree(m_memory);
}

BITMAPINFOHEADER CKVXGdiBitmap::GetHeader() const {
    BITMAPINFOHEADER header{};
    if (KVXGlobalSize(m_memory) >= sizeof header) std::memcpy(&header, KVXGlobalLock(m_memory), sizeof header);
    KVXGlobalUnlock(m_memory);
    return header;
}
