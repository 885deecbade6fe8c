#include "Pendrel/Image/KVXColorLookup.h"

namespace {

constexpr int kSlotBits = 16;
constexpr uint32_t kUsed = uint32_t{1} << 24;

} // namespace

CKVXColorLookup::CKVXColorLookup() : m_keys(size_t{1} << kSlotBits, 0), m_indices(size_t{1} << kSlotBits, 0) {}

uint32_t CKVXColorLookup::Key(RGBQUAD color) {
    return (static_cast<uint32_t>(color.rgbRed) << 16) | (static_cast<uint32_t>(color.rgbGreen) << 8) | color.rgbBlue;
}

// Fibonacci hashing: the top bits of the product spread neighbouring colours.
size_t CKVXColorLookup::SlotOf(uint32_t key) {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
}

bool CKVXColorLookup::Find(RGBQUAD color, BYTE& index) const {
    const uint32_t key = Key(color);
    const size_t slot = SlotOf(key);
    if (m_keys[slot] != (key | kUsed)) return false;
    index = m_indices[slot];
    return true;
}

void CKVXColorLookup::Add(RGBQUAD color, BYTE index) {
    const uint32_t key = Key(color);
    const size_t slot = SlotOf(key);
    m_keys[slot] = key | kUsed;
    m_indices[slot] = index;
}
