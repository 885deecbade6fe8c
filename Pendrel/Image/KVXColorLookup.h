#pragma once
// Palette indices of the colours already looked up during one conversion,
// keyed on red, green and blue. A photo has far fewer distinct colours than
// pixels, so remembering each answer spares most nearest-colour searches.
// The table stops growing at a bounded size; colours past that are simply
// not remembered.

#include <cstdint>
#include <vector>

#include "compat/WinTypes.h"

class CKVXColorLookup {
public:
    CKVXColorLookup();

    // True, with the index in `index`, when the colour was added before.
    bool Find(RGBQUAD color, BYTE& index) const;
    void Add(RGBQUAD color, BYTE index);

private:
    static uint32_t Key(RGBQUAD color);
    size_t SlotOf(uint32_t key) const;
    void Grow();

    // Empty slots hold 0; a used one holds its key in bits 8..31 (plus one
    // in bit 32, so no used slot is 0) and its index in bits 0..7.
    std::vector<uint64_t> m_slots;
    size_t m_used;
    int m_shift; // 64 minus the number of bits of a slot number
};
