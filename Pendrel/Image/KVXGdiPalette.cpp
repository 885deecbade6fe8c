#include "Pendrel/Image/KVXGdiPalette.h"

CKVXGdiPalette::CKVXGdiPalette(const RGBQUAD* entries, size_t count) {
    if (entries) m_entries.assign(entries, entries + count);
}
