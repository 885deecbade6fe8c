#include "Pendrel/Image/KVXMemoryDeviceContext.h"

#include <algorithm>

#include "Pendrel/Image/KVXBlockFont.h"
#include "Pendrel/Image/KVXVectorClones.h"

namespace {

// An empty rectangle is always 0, 0, 0, 0.
RECT Normalised(const RECT& r) {
    if (r.right <= r.left || r.bottom <= r.top) return RECT{0, 0, 0, 0};
    return r;
}

RECT Intersection(const RECT& a, const RECT& b) {
    return Normalised(
        RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)});
}

uint32_t ToPixel(COLORREF color) {
    return static_cast<uint32_t>(GetRValue(color)) << 16 | static_cast<uint32_t>(GetGValue(color)) << 8 |
           GetBValue(color);
}

// 24-bit block pixels onto the surface.
KVX_VECTOR_CLONES void CopyRow(uint32_t* __restrict target, const BYTE* __restrict s, size_t count) {
    for (size_t i = 0; i < count; ++i, s += 3)
        target[i] = static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[1]) << 8 | s[0];
}

// 32-bit block pixels blended onto the surface by their alpha: 0 keeps the
// surface, 255 replaces it, anything between mixes (colour a + surface
// (255 - a)) >> 8.
KVX_VECTOR_CLONES void CompositeRow(uint32_t* __restrict target, const BYTE* __restrict s, size_t count) {
    for (size_t i = 0; i < count; ++i, s += 4) {
        const uint32_t pixel = target[i];
        const uint32_t a = s[3];
        const uint32_t b = 255 - a;
        // Red and blue side by side: each sum stays below 2^16, so neither
        // reaches into the other.
        const uint32_t opaque = static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[1]) << 8 | s[0];
        const uint32_t redBlue = (((opaque & 0xFF00FFu) * a + (pixel & 0xFF00FFu) * b) >> 8) & 0xFF00FFu;
        const uint32_t green = ((s[1] * a + (pixel >> 8 & 0xFF) * b) >> 8) & 0xFF;
        const uint32_t mixed = redBlue | green << 8;
        target[i] = a == 0 ? pixel : (a == 255 ? opaque : mixed);
    }
}

} // namespace

CKVXMemoryDeviceContext::CKVXMemoryDeviceContext(long width, long height, COLORREF fill)
    : m_width(std::max(width, 0L)),
      m_height(std::max(height, 0L)),
      m_pixels(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), ToPixel(fill)),
      m_clip(Normalised(RECT{0, 0, static_cast<LONG>(m_width), static_cast<LONG>(m_height)})) {}

COLORREF CKVXMemoryDeviceContext::GetPixel(long x, long y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0xFFFFFFFFu;
    const uint32_t pixel = m_pixels[static_cast<size_t>(y) * m_width + x];
    return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
}

void CKVXMemoryDeviceContext::SetPixel(long x, long y, COLORREF color) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
    m_pixels[static_cast<size_t>(y) * m_width + x] = ToPixel(color);
}

void CKVXMemoryDeviceContext::Fill(COLORREF color) {
    std::fill(m_pixels.begin(), m_pixels.end(), ToPixel(color));
}

RECT CKVXMemoryDeviceContext::GetClipBox() {
    return m_clip;
}

void CKVXMemoryDeviceContext::PushClip(const RECT& rect, ClipMode mode) {
    m_clips.push_back(m_clip);
    const RECT surface{0, 0, static_cast<LONG>(m_width), static_cast<LONG>(m_height)};
    m_clip = Intersection(mode == ClipReplace ? surface : m_clip, rect);
}

void CKVXMemoryDeviceContext::PopClip() {
    if (m_clips.empty()) return;
    m_clip = m_clips.back();
    m_clips.pop_back();
}

bool CKVXMemoryDeviceContext::RectVisible(const RECT& rect) {
    const RECT r = Intersection(m_clip, rect);
    return r.right > r.left;
}

template <class PutRow>
void CKVXMemoryDeviceContext::ForEachClippedRow(long x, long y, const KVXPixelBlock& block, PutRow putRow) {
    ++m_blockCount;
    if (!block.bits || block.width <= 0 || block.height <= 0) return;
    const long bytes = block.bitCount / 8;
    // The part of the block inside the clip, in device coordinates.
    const long left = std::max<long>(x, m_clip.left);
    const long top = std::max<long>(y, m_clip.top);
    const long right = std::min<long>(x + block.width, m_clip.right);
    const long bottom = std::min<long>(y + block.height, m_clip.bottom);
    if (right <= left) return;
    for (long deviceY = top; deviceY < bottom; ++deviceY) {
        const long blockRow = block.height - 1 - (deviceY - y);
        const BYTE* source = block.bits + static_cast<size_t>(blockRow) * static_cast<size_t>(block.stride);
        uint32_t* target = &m_pixels[static_cast<size_t>(deviceY) * m_width];
        putRow(target + left, source + bytes * (left - x), static_cast<size_t>(right - left));
    }
}

void CKVXMemoryDeviceContext::CopyPixels(long x, long y, const KVXPixelBlock& block) {
    if (block.bitCount != 24) return;
    ForEachClippedRow(x, y, block, CopyRow);
}

void CKVXMemoryDeviceContext::CompositePixels(long x, long y, const KVXPixelBlock& block) {
    if (block.bitCount != 32) return;
    ForEachClippedRow(x, y, block, CompositeRow);
}

SIZE CKVXMemoryDeviceContext::MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) {
    return CKVXBlockFont(font).Measure(text, format);
}

void CKVXMemoryDeviceContext::RenderText(const wchar_t* text, const LOGFONTW& font, UINT format,
                                         const KVXPixelBlock& block) {
    CKVXBlockFont(font).Render(text, format, block);
}
