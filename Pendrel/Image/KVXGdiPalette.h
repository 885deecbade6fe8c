#pragma once
// A logical palette: a list of colours. Bitmaps of the image library carry
// their own colour table, so reading one never needs a palette.

#include <vector>

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXGdiObject.h"

class KVXIMAGE_API CKVXGdiPalette : public CKVXGdiObject {
public:
    CKVXGdiPalette(const RGBQUAD* entries, size_t count);

    const std::vector<RGBQUAD>& GetEntries() const { return m_entries; }

private:
    std::vector<RGBQUAD> m_entries;
};
