#include "Pendrel/Image/KVXGifCanvas.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "Pendrel/Image/KVXGifLineWriter.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageDefs.h"

namespace {

// The palette indices of one row of a palette image (rows from the bottom).
void RowIndices(CKVXImage& image, long row, BYTE* out) {
    const long width = static_cast<long>(image.GetWidth());
    const BYTE* bits = image.GetBits(static_cast<DWORD>(row));
    switch (image.GetBpp()) {
    case 8: std::memcpy(out, bits, static_cast<size_t>(width)); break;
    case 4:
        for (long x = 0; x < width; ++x) out[x] = (x & 1) ? bits[x / 2] & 0x0F : bits[x / 2] >> 4;
        break;
    default:
        for (long x = 0; x < width; ++x) out[x] = (bits[x / 8] >> (7 - (x & 7))) & 1;
        break;
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

bool CKVXGifCanvas::Load(CKVXImage& image, long transIndex) {
    width = static_cast<long>(image.GetWidth());
    height = static_cast<long>(image.GetHeight());
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (!image.IsValid() || count > KVXIMAGE_MAX_MEMORY / sizeof(uint32_t)) {
        pixels.clear();
        return false;
    }
    pixels.assign(static_cast<size_t>(count), kTransparent);
    saved.clear();
    work = count;
    if (image.GetBpp() > 8) {
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] = Opaque(image.GetPixelColor(x, height - 1 - y, false));
        return true;
    }
    uint32_t colors[256];
    IndexColors(image, transIndex, colors);
    std::vector<BYTE> row(static_cast<size_t>(width));
    for (long y = 0; y < height; ++y) {
        RowIndices(image, height - 1 - y, row.data());
        uint32_t* target = &pixels[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) target[x] = colors[row[x]];
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
    for (long y = r.top; y < r.top + r.height; ++y) {
        uint32_t* row = &pixels[static_cast<size_t>(y) * width + r.left];
        std::fill(row, row + r.width, color);
    }
    work += static_cast<uint64_t>(r.width) * r.height;
}

void CKVXGifCanvas::Save(const Rect& area) {
    saved.clear();
    if (!Clip(area, savedArea)) {
        savedArea = {};
        return;
    }
    saved.reserve(static_cast<size_t>(savedArea.width) * savedArea.height);
    for (long y = savedArea.top; y < savedArea.top + savedArea.height; ++y) {
        const uint32_t* row = &pixels[static_cast<size_t>(y) * width + savedArea.left];
        saved.insert(saved.end(), row, row + savedArea.width);
    }
    work += saved.size();
}

void CKVXGifCanvas::Restore() {
    if (saved.empty()) return;
    const uint32_t* source = saved.data();
    for (long y = savedArea.top; y < savedArea.top + savedArea.height; ++y, source += savedArea.width)
        std::copy(source, source + savedArea.width, &pixels[static_cast<size_t>(y) * width + savedArea.left]);
    work += saved.size();
    saved.clear();
}

void CKVXGifCanvas::Draw(CKVXImage& frame, long left, long top, long transIndex) {
    Rect r;
    const long frameHeight = static_cast<long>(frame.GetHeight());
    if (!frame.IsValid() || frame.GetBpp() > 8 ||
        !Clip({left, top, static_cast<long>(frame.GetWidth()), frameHeight}, r))
        return;
    uint32_t colors[256];
    IndexColors(frame, transIndex, colors);
    std::vector<BYTE> row(frame.GetWidth());
    for (long y = r.top; y < r.top + r.height; ++y) {
        RowIndices(frame, frameHeight - 1 - (y - top), row.data());
        uint32_t* target = &pixels[static_cast<size_t>(y) * width];
        for (long x = r.left; x < r.left + r.width; ++x) {
            const BYTE index = row[static_cast<size_t>(x - left)];
            if (index != transIndex) target[x] = colors[index];
        }
    }
    work += static_cast<uint64_t>(r.width) * r.height;
}

bool CKVXGifCanvas::Render(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                           long spareTransIndex, WORD minBpp) {
    if (pixels.empty()) return false;
    if (RenderIndexed(target, entries, std::min<DWORD>(count, 256), transIndex, spareTransIndex, minBpp))
        return true;
    return RenderTrueColor(target);
}

bool CKVXGifCanvas::RenderIndexed(CKVXImage& target, const RGBQUAD* entries, DWORD count, long transIndex,
                                  long spareTransIndex, WORD minBpp) {
    if (transIndex > 255) transIndex = -1;
    // The palette's own colours first: a colour takes its first entry.
    std::unordered_map<uint32_t, int> indexOf;
    bool used[256] = {};
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

    bool anyTransparent = false;
    long highest = 0;
    uint32_t lastColor = kTransparent;
    for (const uint32_t color : pixels) {
        if (color == kTransparent) {
            anyTransparent = true;
            continue;
        }
        if (color == lastColor) continue;
        lastColor = color;
        auto found = indexOf.find(color);
        if (found == indexOf.end()) {
            const long entry = freeEntry();
            if (entry < 0) return false;
            palette[entry] = RGBQUAD{static_cast<BYTE>(color), static_cast<BYTE>(color >> 8),
                                     static_cast<BYTE>(color >> 16), 0};
            found = indexOf.emplace(color, static_cast<int>(entry)).first;
        }
        used[found->second] = true;
        highest = std::max<long>(highest, found->second);
    }
    work += pixels.size();

    long trans = transIndex;
    if (trans < 0 && anyTransparent) {
        trans = spareTransIndex >= 0 && spareTransIndex < 256 && !used[spareTransIndex] ? spareTransIndex : freeEntry();
        if (trans < 0) return false;
    }
    highest = std::max(highest, trans);
    const WORD bpp = std::max(minBpp, DepthFor(highest));
    if (!target.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), bpp, CKVXImage::ImageTypeGif))
        return false;
    target.SetPalette(palette, trans >= 0 ? 256 : static_cast<DWORD>(std::max<long>(next, highest + 1)));
    target.SetTransIndex(trans);

    CKVXGifLineWriter lines(target, false);
    std::vector<BYTE> row(static_cast<size_t>(width) + 1);
    indexOf[kTransparent] = static_cast<int>(trans);
    lastColor = kTransparent;
    BYTE lastIndex = static_cast<BYTE>(trans);
    for (long y = 0; y < height; ++y) {
        const uint32_t* source = &pixels[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) {
            if (source[x] != lastColor) {
                lastColor = source[x];
                lastIndex = static_cast<BYTE>(indexOf.find(lastColor)->second);
            }
            row[static_cast<size_t>(x)] = lastIndex;
        }
        lines.out_line(row.data(), width);
    }
    work += pixels.size();
    return true;
}

bool CKVXGifCanvas::RenderTrueColor(CKVXImage& target) {
    if (!target.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24, CKVXImage::ImageTypeGif))
        return false;
    target.SetTransIndex(-1);
    const bool anyTransparent = std::find(pixels.begin(), pixels.end(), kTransparent) != pixels.end();
    if (anyTransparent) {
        target.AlphaCreate();
        if (!target.AlphaIsValid()) return false;
    }
    for (long y = 0; y < height; ++y) {
        const long row = height - 1 - y;
        BYTE* bits = target.GetBits(static_cast<DWORD>(row));
        BYTE* alpha = anyTransparent ? target.AlphaGetPointer(0, row) : nullptr;
        const uint32_t* source = &pixels[static_cast<size_t>(y) * width];
        for (long x = 0; x < width; ++x) {
            const uint32_t color = source[x];
            bits[3 * x] = static_cast<BYTE>(color);
            bits[3 * x + 1] = static_cast<BYTE>(color >> 8);
            bits[3 * x + 2] = static_cast<BYTE>(color >> 16);
            if (alpha) alpha[x] = static_cast<BYTE>(color >> 24);
        }
    }
    work += 2 * pixels.size();
    return true;
}
