#pragma once
// Little-endian integers in byte buffers, as every stored and exchanged
// format of the system writes them.

#include <cstdint>

inline uint16_t GetLE16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t GetLE32(const uint8_t* p) { return (uint32_t)GetLE16(p) | (uint32_t)GetLE16(p + 2) << 16; }
inline uint64_t GetLE64(const uint8_t* p) { return (uint64_t)GetLE32(p) | (uint64_t)GetLE32(p + 4) << 32; }

inline void PutLE16(uint8_t* p, uint16_t value) {
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
}
inline void PutLE32(uint8_t* p, uint32_t value) {
    PutLE16(p, (uint16_t)value);
    PutLE16(p + 2, (uint16_t)(value >> 16));
}
inline void PutLE64(uint8_t* p, uint64_t value) {
    PutLE32(p, (uint32_t)value);
    PutLE32(p + 4, (uint32_t)(value >> 32));
}
