#include "Pendrel/Image/KVXColorLookup.h"

namespace {

constexpr size_t kFirstSize = 4096; // 2 to the 12th
// 4M slots of 8 bytes: at most 32 MB however many colours a picture has.
constexpr size_t kLargestSize = size_t{1} << 22;
constexpr uint64_t kUsed = uint64_t{1} << 32;

} // namespace

CKVXColorLookup::CKVXColorLookup() : m_slots(kFirstSize, 0), m_used(0), m_shift(64 - 12) {}

uint32_t CKVXColorLookup::Key(RGBQUAD color) {
    return (static_cast<uint32_t>(color.rgbRed) << 16) | (static_cast<uint32_t>(color.rgbGreen) << 8) | color.rgbBlue;
}

// The slot where the key is, or the empty slot where it would go.
size_t CKVXColorLookup::SlotOf(uint32_t key) const {
    const size_t mask = m_slots.size() - 1;
    // Fibonacci hashing: the top bits of the product spread neighbouring colours.
    size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> m_shift);
    while (m_slots[slot] != 0 && ((m_slots[slot] >> 8) & 0xFFFFFF) != key) slot = (slot + 1) & mask;
    return slot;
}

bool CKVXColorLookup::Find(RGBQUAD color, BYTE& index) const {
    const uint64_t entry = m_slots[SlotOf(Key(color))];
    if (entry == 0) return false;
    index = static_cast<BYTE>(entry);
    return true;
}

void CKVXColorLookup::Add(RGBQUAD color, BYTE index) {
    // Kept at most half full, so a search always meets an empty slot.
    if (2 * (m_used + 1) > m_slots.size()) {
        if (m_slots.size() >= kLargestSize) return;
        Grow();
    }
    const uint32_t key = Key(color);
    uint64_t& slot = m_slots[SlotOf(key)];
    if (slot == 0) ++m_used;
    slot = kUsed | (static_cast<uint64_t>(key) << 8) | index;
}

void CKVXColorLookup::Grow() {
    std::vector<uint64_t> old(m_slots.size() * 2, 0);
    old.swap(m_slots);
    --m_shift;
    for (uint64_t entry : old)
        if (entry != 0) m_slots[SlotOf(static_cast<uint32_t>(entry >> 8) & 0xFFFFFF)] = entry;
}
