#include "Pendrel/Image/KVXNearestColor.h"

#include <algorithm>
#include <climits>

CKVXNearestColor::CKVXNearestColor(CKVXImage& image) : m_entries{}, m_count(0) {
    const RGBQUAD* palette = image.GetPalette();
    if (!palette) return;
    const DWORD colors = std::min<DWORD>(image.GetNumColors(), 256);
    const DWORD important = image.GetClrImportant();
    m_count = static_cast<int>(important ? std::min(important, colors) : colors);
    for (int i = 0; i < m_count; ++i)
        m_entries[i] = Entry{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue, i};
    std::stable_sort(m_entries, m_entries + m_count, [](const Entry& a, const Entry& b) { return a.green < b.green; });
}

BYTE CKVXNearestColor::Find(RGBQUAD color) {
    BYTE index;
    if (!m_seen.Find(color, index)) {
        index = Search(color);
        m_seen.Add(color, index);
    }
    return index;
}

BYTE CKVXNearestColor::Search(RGBQUAD color) const {
    const int green = color.rgbGreen;
    // up walks to higher green values, down to lower ones; each step takes
    // the side with the smaller green difference.
    int up = static_cast<int>(std::lower_bound(m_entries, m_entries + m_count, green,
                                               [](const Entry& e, int g) { return e.green < g; }) -
                              m_entries);
    int down = up - 1;
    int best = INT_MAX;
    int answer = 0;
    while (up < m_count || down >= 0) {
        const int upGap = up < m_count ? m_entries[up].green - green : INT_MAX;
        const int downGap = down >= 0 ? green - m_entries[down].green : INT_MAX;
        const Entry& entry = upGap <= downGap ? m_entries[up++] : m_entries[down--];
        const int gap = std::min(upGap, downGap);
        // Every entry left differs at least this much in green alone; one
        // exactly as far may still tie with a lower index.
        if (gap * gap > best) break;
        const int dr = entry.red - color.rgbRed;
        const int db = entry.blue - color.rgbBlue;
        const int distance = dr * dr + gap * gap + db * db;
        if (distance < best || (distance == best && entry.index < answer)) {
            best = distance;
            answer = entry.index;
        }
    }
    return static_cast<BYTE>(answer);
}
