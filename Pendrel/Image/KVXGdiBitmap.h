#pragma once
// A bitmap: a packed device-independent bitmap (the 40-byte header, the
// colour table and the pixel rows, bottom row first) in a global memory
// block (KVXGlobalMemory.h) that the bitmap owns.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXGdiObject.h"

class KVXIMAGE_API CKVXGdiBitmap : public CKVXGdiObject {
public:
    // Takes over the block; it is freed with the bitmap.
    explicit CKVXGdiBitmap(HANDLE packedBitmap);
    ~CKVXGdiBitmap() override;

    // The block, still owned by the bitmap.
    HANDLE GetMemory() const { return m_memory; }
    // The block's header; all zero when the block is shorter than one.
    BITMAPINFOHEADER GetHeader() const;

private:
    HANDLE m_memory;
};
