// Painting the image object on a device context: opaque and transparent
// drawing with optional scaling, smoothing and a clip rectangle, colour-keyed
// drawing, stretching and tiling. The image computes every finished pixel
// (colour and alpha) itself and hands the device blocks of them; the device
// only clips and, for transparent pixels, blends.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>

#include "Pendrel/Image/KVXDeviceContext.h"
#include "Pendrel/Image/KVXDrawSampler.h"

namespace {

// Sets a clip rectangle on the device for the life of the scope and then
// gives the device back exactly the clip it had.
class ClipScope {
public:
    ClipScope(HDC hdc, const RECT* clip, CKVXDeviceContext::ClipMode mode) : m_hdc(clip ? hdc : nullptr) {
        if (m_hdc) m_hdc->PushClip(*clip, mode);
    }
    ~ClipScope() {
        if (m_hdc) m_hdc->PopClip();
    }
    ClipScope(const ClipScope&) = delete;
    ClipScope& operator=(const ClipScope&) = delete;

private:
    HDC m_hdc;
};

// The destination rectangle cut by the device's clip box; its width or
// height may be 0.
RECT PaintRectangle(HDC hdc, long x, long y, long cx, long cy) {
    const RECT box = hdc->GetClipBox();
    return RECT{static_cast<LONG>(std::min<long>(box.right, std::max<long>(box.left, x))),
                static_cast<LONG>(std::min<long>(box.bottom, std::max<long>(box.top, y))),
                static_cast<LONG>(std::max<long>(box.left, std::min<long>(box.right, x + cx))),
                static_cast<LONG>(std::max<long>(box.top, std::min<long>(box.bottom, y + cy)))};
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The image opaque, nearest pixels or smoothed, into the destination.
void DrawOpaque(CKVXImage& image, HDC hdc, long x, long y, long cx, long cy, bool smooth) {
    const RECT paint = PaintRectangle(hdc, x, y, cx, cy);
    if (IsEmpty(paint)) return;
    CKVXDrawSampler sampler(image, x, y, cx, cy, paint, smooth);
    const CKVXDrawSampler::Block block = sampler.Opaque();
    if (block) hdc->CopyPixels(paint.left, paint.top, block.view);
}

// Draw and Draw3: the clip rectangle is cut out of the device's clip
// (Draw) or replaces it (Draw3) while the image is drawn.
long DrawImage(CKVXImage& image, HDC hdc, long x, long y, long cx, long cy, const RECT* clip,
               CKVXDeviceContext::ClipMode mode, bool smooth) {
    if (!image.IsValid() || !hdc || cx == 0 || cy == 0 || !image.IsEnabled()) return 0;
    const long width = image.GetWidth();
    const long height = image.GetHeight();
    if (cx < 0) cx = width;
    if (cy < 0) cy = height;
    const bool transparent = image.GetTransIndex() != -1 || image.AlphaIsValid() || image.AlphaPaletteIsEnabled();
    const bool scaled = cx != width || cy != height;

    const ClipScope scope(hdc, clip, mode);
    if (!transparent && !scaled && !image.IsIndexed()) {
        // The pixel rows as they are; the device clips them.
        const KVXPixelBlock rows{image.GetBits(0), static_cast<LONG>(width), static_cast<LONG>(height),
                                 static_cast<LONG>(image.GetEffWidth()), 24};
        hdc->CopyPixels(x, y, rows);
        return 1;
    }
    if (!transparent) {
        DrawOpaque(image, hdc, x, y, cx, cy, smooth);
        return 1;
    }
    const RECT paint = PaintRectangle(hdc, x, y, cx, cy);
    if (IsEmpty(paint)) return 1;
    CKVXDrawSampler sampler(image, x, y, cx, cy, paint, smooth);
    const CKVXDrawSampler::Block block = sampler.Transparent();
    if (block) hdc->CompositePixels(paint.left, paint.top, block.view);
    return 1;
}

} // namespace

long CKVXImage::Draw(HDC hdc, long x, long y, long cx, long cy, RECT* clip, bool smooth) {
    return DrawImage(*this, hdc, x, y, cx, cy, clip, CKVXDeviceContext::ClipIntersect, smooth);
}

long CKVXImage::Draw(HDC hdc, const RECT& rect, RECT* clip, bool smooth) {
    return Draw(hdc, rect.left, rect.top, static_cast<long>(rect.right) - rect.left,
                static_cast<long>(rect.bottom) - rect.top, clip, smooth);
}

long CKVXImage::Draw3(HDC hdc, long x, long y, long cx, long cy, RECT* clip, bool smooth) {
    // Only the part of the destination inside the clip can change, so the
    // paint rectangle is cut by the clip box here as well.
    return DrawImage(*this, hdc, x, y, cx, cy, clip, CKVXDeviceContext::ClipReplace, smooth);
}

long CKVXImage::Draw2(HDC hdc, long x, long y, long cx, long cy) {
    if (!dib || !hdc || cx == 0 || cy == 0 || !imageInfo.enabled) return 0;
    if (cx < 0) cx = header.biWidth;
    if (cy < 0) cy = header.biHeight;
    if (imageInfo.transIndex == -1) {
        DrawOpaque(*this, hdc, x, y, cx, cy, false);
        return 1;
    }
    const RECT destination{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + cx),
                           static_cast<LONG>(y + cy)};
    if (!hdc->RectVisible(destination)) return 1;
    // The pixels of the transparent colour keep the device's pixels.
    const RGBQUAD key = header.biBitCount < 24 ? GetPaletteColor(static_cast<BYTE>(imageInfo.transIndex))
                                               : imageInfo.transColor;
    const RECT paint = PaintRectangle(hdc, x, y, cx, cy);
    if (IsEmpty(paint)) return 1;
    CKVXDrawSampler sampler(*this, x, y, cx, cy, paint, false);
    const CKVXDrawSampler::Block block = sampler.ColorKeyed(key);
    if (block) hdc->CompositePixels(paint.left, paint.top, block.view);
    return 1;
}

long CKVXImage::Draw2(HDC hdc, const RECT& rect) {
    return Draw2(hdc, rect.left, rect.top, static_cast<long>(rect.right) - rect.left,
                 static_cast<long>(rect.bottom) - rect.top);
}

long CKVXImage::Stretch(HDC hdc, long x, long y, long cx, long cy, DWORD rop) {
    if (!dib || !hdc) return 0;
    // Only a plain copy can be made without reading the device back.
    if (rop != SRCCOPY) return 0;
    // A destination of no or negative size shows nothing.
    if (cx > 0 && cy > 0) DrawOpaque(*this, hdc, x, y, cx, cy, false);
    return 1;
}

long CKVXImage::Stretch(HDC hdc, const RECT& rect, DWORD rop) {
    return Stretch(hdc, rect.left, rect.top, static_cast<long>(rect.right) - rect.left,
                   static_cast<long>(rect.bottom) - rect.top, rop);
}

long CKVXImage::Tile(HDC hdc, RECT* rect) {
    if (!dib || !hdc || !rect) return 0;
    const long width = header.biWidth;
    const long height = header.biHeight;
    // Tiles from the top-left corner; those at the right and bottom edges
    // are cut and show the image's top-left part. Tiles wholly outside the
    // device's clip would draw nothing, so only those reaching it are drawn.
    const RECT box = hdc->GetClipBox();
    const long firstRow = box.top > rect->top ? (static_cast<long>(box.top) - rect->top) / height : 0;
    const long firstColumn = box.left > rect->left ? (static_cast<long>(box.left) - rect->left) / width : 0;
    const long bottom = std::min(rect->bottom, box.bottom);
    const long right = std::min(rect->right, box.right);
    for (long top = rect->top + firstRow * height; top < bottom; top += height) {
        for (long left = rect->left + firstColumn * width; left < right; left += width) {
            RECT tile{static_cast<LONG>(left), static_cast<LONG>(top),
                      static_cast<LONG>(std::min<long>(left + width, rect->right)),
                      static_cast<LONG>(std::min<long>(top + height, rect->bottom))};
            Draw(hdc, left, top, -1, -1, &tile, false);
        }
    }
    return 1;
}
