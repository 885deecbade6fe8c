#pragma once
// Movable global memory blocks, the form in which packed bitmaps are handed
// between parts of the system: a zero-filled block of bytes that knows its own
// size. A block is reached through its handle with KVXGlobalLock.

#include <cstddef>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageDefs.h"

// A new zero-filled block of size bytes; null when memory runs out.
KVXIMAGE_API HANDLE KVXGlobalAlloc(size_t size);
// The size the block was made with; 0 for a null handle.
KVXIMAGE_API size_t KVXGlobalSize(HANDLE block);
// The block's bytes; null for a null handle.
KVXIMAGE_API void* KVXGlobalLock(HANDLE block);
KVXIMAGE_API void KVXGlobalUnlock(HANDLE block);
// Frees the block; returns null.
KVXIMAGE_API HANDLE KVXGlobalFree(HANDLE block);
