#pragma once
// The nearest palette entry of colours during one conversion, with the same
// answers as CKVXImage::GetNearestIndex: the first entry of least squared
// distance among the image's important entries (all entries when none are
// marked). The search walks the entries in order of their green value,
// outwards from the colour's, and stops once the green difference alone
// passes the best distance found; every answer is remembered for its colour.
// The image's palette must not change while the object is in use.

#include <cstdint>

#include "Pendrel/Image/KVXColorLookup.h"
#include "Pendrel/Image/KVXImage.h"

class CKVXNearestColor {
public:
    explicit CKVXNearestColor(CKVXImage& image);

    BYTE Find(RGBQUAD color);

private:
    BYTE Search(RGBQUAD color) const;

    // The searched entries sorted by green (ties in index order).
    struct Entry {
        int red, green, blue;
        int index;
    };
    Entry m_entries[256];
    int m_count;
    CKVXColorLookup m_seen;
};
