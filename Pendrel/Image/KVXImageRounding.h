#pragma once
// Conversions from real values to integers for the image library. Every
// value is held to a safe range before it becomes an integer, so that not a
// number, infinities and huge values stay well defined: they land far outside
// any image.

#include <cmath>

#include "compat/WinTypes.h"

// Far beyond any image, yet exact as a float and safe as an integer.
constexpr double kKVXFarAway = 1073741824.0;

// The integer part of v (toward zero), v held to +-kKVXFarAway first; not a
// number counts as far away on the negative side.
inline long KVXTruncate(double v) {
    if (!(v > -kKVXFarAway)) return -static_cast<long>(kKVXFarAway);
    if (v > kKVXFarAway) return static_cast<long>(kKVXFarAway);
    return static_cast<long>(v);
}

// The largest integer not above v, with the same range rule.
inline long KVXFloor(double v) {
    if (!(v > -kKVXFarAway)) return -static_cast<long>(kKVXFarAway);
    return KVXTruncate(std::floor(v));
}

// The cell of a coordinate: its integer part, one less for a negative value.
inline long KVXCell(float v) {
    const long cell = KVXTruncate(v);
    return v < 0.0f ? cell - 1 : cell;
}

// v truncated into a byte: 0 below 1 (and for not a number), 255 from 255 up.
inline BYTE KVXClampToByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<BYTE>(v);
}

// An integer held to 0 ... 255.
inline BYTE KVXClampIntToByte(long v) {
    return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v));
}
