#include "Pendrel/Image/KVXMemoryDeviceContext.h"

#include <algorithm>

#include "Pendrel/Image/KVXBlockFont.h"

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

template <class Put> void CKVXMemoryDeviceContext::ForEachClippedPixel(long x, long y, const KVXPixelBlock& block, Put put) {
    ++m_blockCount;
    if (!block.bits || block.width <= 0 || block.height <= 0) return;
    const long bytes = block.bitCount / 8;
    // The part of the block inside the clip, in device coordinates.
    const long left = std::max<long>(x, m_clip.left);
    const long top = std::max<long>(y, m_clip.top);
    const long right = std::min<long>(x + block.width, m_clip.right);
    const long bottom = std::min<long>(y + block.height, m_clip.bottom);
    for (long deviceY = top; deviceY < bottom; ++deviceY) {
        const long blockRow = block.height - 1 - (deviceY - y);
        const BYTE* source = block.bits + static_cast<size_t>(blockRow) * static_cast<size_t>(block.stride);
        uint32_t* target = &m_pixels[static_cast<size_t>(deviceY) * m_width];
        for (long deviceX = left; deviceX < right; ++deviceX) put(target[deviceX], source + bytes * (deviceX - x));
    }
}

void CKVXMemoryDeviceContext::CopyPixels(long x, long y, const KVXPixelBlock& block) {
    if (block.bitCount != 24) return;
    ForEachClippedPixel(x, y, block, [](uint32_t& pixel, const BYTE* s) {
        pixel = static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[1]) << 8 | s[0];
    });
}

void CKVXMemoryDeviceContext::CompositePixels(long x, long y, const KVXPixelBlock& block) {
    if (block.bitCount != 32) return;
    ForEachClippedPixel(x, y, block, [](uint32_t& pixel, const BYTE* s) {
        const uint32_t a = s[3];
        if (a == 0) return;
        if (a == 255) {
            pixel = static_cast<uint32_t>(s[2]) << 16 | static_cast<uint32_t>(s[1]) << 8 | s[0];
            return;
        }
        const uint32_t b = 255 - a;
        const uint32_t red = (s[2] * a + (pixel >> 16 & 0xFF) * b) >> 8;
        const uint32_t green = (s[1] * a + (pixel >> 8 & 0xFF) * b) >> 8;
        const uint32_t blue = (s[0] * a + (pixel & 0xFF) * b) >> 8;
        pixel = red << 16 | green << 8 | blue;
    });
}

SIZE CKVXMemoryDeviceContext::MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) {
    return CKVXBlockFont(font).Measure(text, format);
}

void CKVXMemoryDeviceContext::RenderText(const wchar_t* text, const LOGFONTW& font, UINT format,
                                         const KVXPixelBlock& block) {
    CKVXBlockFont(font).Render(text, format, block);
}
