#pragma once
// Palette indices of the colours already looked up during one conversion,
// keyed on red, green and blue. Neighbouring pixels of a picture often share
// their colour, so remembering each answer spares most nearest-colour
// searches. The memory is fixed (a direct-mapped table of 2^16 colours,
// about 320 KB, that stays in the cache): a colour that meets another in its
// slot replaces it.

#include <cstdint>
#include <vector>

#include "compat/WinTypes.h"

class CKVXColorLookup {
public:
    CKVXColorLookup();

    // True, with the index in `index`, when the colour was added before (and
    // not replaced since).
    bool Find(RGBQUAD color, BYTE& index) const;
    void Add(RGBQUAD color, BYTE index);

private:
    static uint32_t Key(RGBQUAD color);
    static size_t SlotOf(uint32_t key);

    // Per slot the key with bit 24 set (0 when empty) and the index.
    std::vector<uint32_t> m_keys;
    std::vector<BYTE> m_indices;
};
