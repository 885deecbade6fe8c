#pragma once
// The common base of the image library's drawing objects (bitmaps, icons,
// palettes, regions): each is a small object of our own that its owner
// frees with delete, through this base where the kind does not matter.

#include "Pendrel/Image/KVXImageDefs.h"

class KVXIMAGE_API CKVXGdiObject {
public:
    CKVXGdiObject() = default;
    CKVXGdiObject(const CKVXGdiObject&) = delete;
    CKVXGdiObject& operator=(const CKVXGdiObject&) = delete;
    virtual ~CKVXGdiObject();
};
