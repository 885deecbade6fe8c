#include "Pendrel/Image/KVXGifCanvas.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "Pendrel/Image/KVXGifLineWriter.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageDefs.h"

namespace {

constexpr size_t kSlots = 256;

// The palette indices of one row of a palette image (rows from the bottom).
void RowIndices(CKVXImage& image, long row, BYTE* out) {
    const long width = static_cast<long>(image.GetWidth());
    const BYTE* bits = image.GetBits(static_cast<DWORD>(row));
    switch (image.GetBpp()) {
    case 8: std::memcpy(out, bits, static_cast<size_t>(width)); break;
    case 4:
        for (long x = 0; x < width; x += 2) {
            out[x] = bits[x / 2] >> 4;
            if (x + 1 < width) out[x + 1] = bits[x / 2] & 0x0F;
        }
        break;
    default: {
        long x = 0;
        for (; x + 8 <= width; x += 8) {
            const BYTE b = bits[x / 8];
            for (int bit = 0; bit < 8; ++bit) out[x + bit] = (b >> (7 - bit)) & 1;
        }
        for (; x < width; ++x) out[x] = (bits[x / 8] >> (7 - (x & 7))) & 1;
        break;
    }
    }
}

// The colours of a palette image's indices, with its transparent index
// transparent.
void IndexColors(CKVXImage& image, long transIndex, uint32_t (&colors)[256]) {
    for (int i = 0; i < 256; ++i)
        colors[i] = i == transIndex ? CKVXGifCanvas::kTransparent
                                    : CKVXGifCanvas::Opaque(image.GetPaletteColor(static_cast<BYTE>(i)));
}

WORD DepthFor(long highestIndex) {
    return highestIndex < 2 ? 1 : highestIndex < 16 ? 4 : 8;
}

} // namespace

int CKVXGifCanvas::Slot(uint32_t color) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == color) return static_cast<int>(i);
    if (table.size() >= kSlots) return -1;
    table.push_back(color);
    return static_cast<int>(table.size() - 1);
}

void CKVXGifCanvas::Widen() {
    if (wide) return;
    // Past the memory limit the screen stays as it is and cannot be shown.
    if (slots.size() > KVXIMAGE_MAX_MEMORY / sizeof(uint32_t)) {
        tooLarge = true;
        return;
    }
    colors.resize(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) colors[i] = table[slots[i]];
    std::vector<BYTE>().swap(slots);
    savedColors.resize(savedSlots.size());
    for (size_t i = 0; i < savedSlots.size(); ++i) savedColors[i] = table[savedSlots[i]];
    std::vector<BYTE>().swap(savedSlots);
    savedWide = true;
    wide = true;
    work += colors.size();
}

bool CKVXGifCanvas::Load(CKVXImage& image, long transIndex) {
    width = static_cast<long>(image.GetWidth());
    height = static_cast<long>(image.GetHeight());
    wide = false;
    tooLarge = false;
    table.clear();
    colors.clear();
    savedSlots.clear();
    savedColors.clear();
    savedWide = false;
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (!image.IsValid() || image.GetBpp() > 8 || count > KVXIMAGE_MAX_MEMORY) {
        slots.clear();
        return false;
    }
    slots.assign(static_cast<size_t>(count), 0);
    work = count;
    // A palette image has at most 256 colours, its transparent index's
    // among them: every one finds a slot.
    uint32_t indexColors[256];
    IndexColors(image, transIndex, indexColors);
    int slotOfIndex[256];
    std::fill(slotOfIndex, slotOfIndex + 256, -1);
    std::vector<BYTE> row(static_cast<size_t>(width));
    for (long y = 0; y < height; ++y) {
        RowIndices(image, height - 1 - y, row.data());
        BYTE* target = &slots[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) {
            int& slot = slotOfIndex[row[x]];
            if (slot < 0) slot = Slot(indexColors[row[x]]);
            target[x] = static_cast<BYTE>(slot);
        }
    }
    return true;
}

bool CKVXGifCanvas::Clip(const Rect& area, Rect& clipped) const {
    const long left = std::max(0L, area.left);
    const long top = std::max(0L, area.top);
    const long right = std::min(width, area.left + area.width);
    const long bottom = std::min(height, area.top + area.height);
    if (right <= left || bottom <= top) return false;
    clipped = {left, top, right - left, bottom - top};
    return true;
}

void CKVXGifCanvas::Fill(const Rect& area, uint32_t color) {
    Rect r;
    if (!Clip(area, r)) return;
    const int slot = wide ? -1 : Slot(color);
    if (slot < 0) Widen();
    if (tooLarge) return;
    for (long y = r.top; y < r.top + r.height; ++y) {
        const size_t at = static_cast<size_t>(y) * width + r.left;
        if (wide)
            std::fill_n(colors.begin() + static_cast<long>(at), r.width, color);
        else
            std::fill_n(slots.begin() + static_cast<long>(at), r.width, static_cast<BYTE>(slot));
    }
    work += static_cast<uint64_t>(r.width) * r.height;
}

void CKVXGifCanvas::Save(const Rect& area) {
    savedSlots.clear();
    savedColors.clear();
    savedWide = wide;
    if (!Clip(area, savedArea)) {
        savedArea = {};
        return;
    }
    for (long y = savedArea.top; y < savedArea.top + savedArea.height; ++y) {
        const size_t at = static_cast<size_t>(y) * width + savedArea.left;
        if (wide)
            savedColors.insert(savedColors.end(), colors.begin() + static_cast<long>(at),
                               colors.begin() + static_cast<long>(at + savedArea.width));
        else
            savedSlots.insert(savedSlots.end(), slots.begin() + static_cast<long>(at),
                              slots.begin() + static_cast<long>(at + savedArea.width));
    }
    work += static_cast<uint64_t>(savedArea.width) * savedArea.height;
}

void CKVXGifCanvas::Restore() {
    // Saved while narrow and restored when wide: Widen converted the block.
    if (savedArea.width <= 0 || (savedWide ? savedColors.empty() : savedSlots.empty())) return;
    for (long y = savedArea.top, i = 0; y < savedArea.top + savedArea.height; ++y, i += savedArea.width) {
        const size_t at = static_cast<size_t>(y) * width + savedArea.left;
        if (wide)
            std::copy_n(savedColors.begin() + i, savedArea.width, colors.begin() + static_cast<long>(at));
        else
            std::copy_n(savedSlots.begin() + i, savedArea.width, slots.begin() + static_cast<long>(at));
    }
    work += static_cast<uint64_t>(savedArea.width) * savedArea.height;
    savedSlots.clear();
    savedColors.clear();
    savedArea = {};
}

void CKVXGifCanvas::Draw(CKVXImage& frame, long left, long top, long transIndex) {
    Rect r;
    const long frameHeight = static_cast<long>(frame.GetHeight());
    if (!frame.IsValid() || frame.GetBpp() > 8 ||
        !Clip({left, top, static_cast<long>(frame.GetWidth()), frameHeight}, r))
        return;
    uint32_t indexColors[256];
    IndexColors(frame, transIndex, indexColors);
    std::vector<BYTE> row(frame.GetWidth());
    // The slots of the colours the frame uses, found before anything is
    // drawn; a colour that finds none makes every pixel hold its colour.
    int slotOfIndex[256];
    std::fill(slotOfIndex, slotOfIndex + 256, -1);
    if (!wide) {
        bool usedIndex[256] = {};
        for (long y = r.top; y < r.top + r.height; ++y) {
            RowIndices(frame, frameHeight - 1 - (y - top), row.data());
            for (long x = r.left; x < r.left + r.width; ++x) usedIndex[row[static_cast<size_t>(x - left)]] = true;
        }
        for (int i = 0; i < 256 && !wide; ++i) {
            if (!usedIndex[i] || i == transIndex) continue;
            slotOfIndex[i] = Slot(indexColors[i]);
            if (slotOfIndex[i] < 0) Widen();
            if (tooLarge) return;
        }
        work += static_cast<uint64_t>(r.width) * r.height;
    }
    for (long y = r.top; y < r.top + r.height; ++y) {
        RowIndices(frame, frameHeight - 1 - (y - top), row.data());
        const size_t at = static_cast<size_t>(y) * width;
        for (long x = r.left; x < r.left + r.width; ++x) {
            const BYTE index = row[static_cast<size_t>(x - left)];
            if (index == transIndex) continue;
            if (wide)
                colors[at + x] = indexColors[index];
            else
                slots[at + x] = static_cast<BYTE>(slotOfIndex[index]);
        }
    }
    work += static_cast<uint64_t>(r.width) * r.height;
}

bool CKVXGifCanvas::Render(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                           long spareTransIndex, WORD minBpp) {
    if (tooLarge || (wide ? colors.empty() : slots.empty())) return false;
    if (!wide &&
        RenderIndexed(target, entries, std::min<DWORD>(count, 256), transIndex, spareTransIndex, minBpp))
        return true;
    Widen();
    return !tooLarge && RenderTrueColor(target);
}

bool CKVXGifCanvas::RenderIndexed(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                                  long spareTransIndex, WORD minBpp) {
    if (transIndex > 255) transIndex = -1;
    bool slotUsed[kSlots] = {};
    for (const BYTE slot : slots) slotUsed[slot] = true;
    work += slots.size();

    // The palette's own colours first: a colour takes its first entry.
    std::unordered_map<uint32_t, int> indexOf;
    for (DWORD i = 0; entries && i < count; ++i)
        if (static_cast<long>(i) != transIndex) indexOf.emplace(Opaque(entries[i]), static_cast<int>(i));
    RGBQUAD palette[256];
    std::fill(palette, palette + 256, RGBQUAD{255, 255, 255, 0});
    if (entries) std::copy(entries, entries + count, palette);
    long next = static_cast<long>(count);
    auto freeEntry = [&]() -> long {
        while (next == transIndex) ++next;
        return next < 256 ? next++ : -1;
    };

    // The entry of each slot's colour; transparent slots come last.
    int entryOfSlot[kSlots];
    bool usedEntry[256] = {};
    bool anyTransparent = false;
    long highest = 0;
    for (size_t slot = 0; slot < table.size(); ++slot) {
        if (!slotUsed[slot]) continue;
        const uint32_t color = table[slot];
        if (color == kTransparent) {
            anyTransparent = true;
            continue;
        }
        auto found = indexOf.find(color);
        if (found == indexOf.end()) {
            const long entry = freeEntry();
            if (entry < 0) return false;
            palette[entry] = RGBQUAD{static_cast<BYTE>(color), static_cast<BYTE>(color >> 8),
                                     static_cast<BYTE>(color >> 16), 0};
            found = indexOf.emplace(color, static_cast<int>(entry)).first;
        }
        entryOfSlot[slot] = found->second;
        usedEntry[found->second] = true;
        highest = std::max<long>(highest, found->second);
    }
    long trans = transIndex;
    if (trans < 0 && anyTransparent) {
        trans = spareTransIndex >= 0 && spareTransIndex < 256 && !usedEntry[spareTransIndex] ? spareTransIndex
                                                                                              : freeEntry();
        if (trans < 0) return false;
    }
    for (size_t slot = 0; slot < table.size(); ++slot)
        if (slotUsed[slot] && table[slot] == kTransparent) entryOfSlot[slot] = static_cast<int>(trans);

    highest = std::max(highest, trans);
    const WORD bpp = std::max(minBpp, DepthFor(highest));
    if (!target.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, CKVXImage::ImageTypeGif))
        return false;
    target.SetPalette(palette, trans >= 0 ? 256 : static_cast<DWORD>(std::max<long>(next, highest + 1)));
    target.SetTransIndex(trans);

    CKVXGifLineWriter lines(target, false);
    std::vector<BYTE> row(static_cast<size_t>(width) + 1);
    for (long y = 0; y < height; ++y) {
        const BYTE* source = &slots[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) row[static_cast<size_t>(x)] = static_cast<BYTE>(entryOfSlot[source[x]]);
        lines.out_line(row.data(), width);
    }
    work += slots.size();
    return true;
}

bool CKVXGifCanvas::RenderTrueColor(CKVXImage& target) {
    if (!target.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, CKVXImage::ImageTypeGif))
        return false;
    target.SetTransIndex(-1);
    const bool anyTransparent = std::find(colors.begin(), colors.end(), kTransparent) != colors.end();
    if (anyTransparent) {
        target.AlphaCreate();
        if (!target.AlphaIsValid()) return false;
    }
    for (long y = 0; y < height; ++y) {
        const long row = height - 1 - y;
        BYTE* bits = target.GetBits(static_cast<DWORD>(row));
        BYTE* alpha = anyTransparent ? target.AlphaGetPointer(0, row) : nullptr;
        const uint32_t* source = &colors[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) {
            const uint32_t color = source[x];
            bits[3 * x] = static_cast<BYTE>(color);
            bits[3 * x + 1] = static_cast<BYTE>(color >> 8);
            bits[3 * x + 2] = static_cast<BYTE>(color >> 16);
            if (alpha) alpha[x] = static_cast<BYTE>(color >> 24);
        }
    }
    work += 2 * colors.size();
    return true;
}
