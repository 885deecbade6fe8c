#include "Pendrel/Platform/KVXPainterDeviceContext.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXTextLayout.h"

namespace {

// The layout flags that the device's text takes.
constexpr UINT kTextFlags = DT_CENTER | DT_RIGHT | DT_NOPREFIX;

// The block as a top-down Qt image of the given format; each row is copied
// from the block's bottom-first rows.
QImage BlockImage(const KVXPixelBlock& block, QImage::Format format) {
    QImage image(block.width, block.height, format);
    if (image.isNull()) return image;
    const size_t rowBytes = static_cast<size_t>(block.width) * (block.bitCount / 8);
    for (LONG row = 0; row < block.height; ++row)
        std::memcpy(image.scanLine(row), block.bits + static_cast<size_t>(block.height - 1 - row) * block.stride,
                    rowBytes);
    return image;
}

bool IsUsable(const KVXPixelBlock& block, WORD bitCount) {
    return block.bits && block.width > 0 && block.height > 0 && block.bitCount == bitCount;
}

} // namespace

CKVXPainterDeviceContext::CKVXPainterDeviceContext(QPainter& painter) : m_painter(painter) {}

CKVXPainterDeviceContext::~CKVXPainterDeviceContext() = default;

QRect CKVXPainterDeviceContext::DeviceRect() const {
    const QPaintDevice* device = m_painter.device();
    if (!device) return QRect();
    const QRect pixels(0, 0, device->width(), device->height());
    return m_painter.combinedTransform().inverted().mapRect(pixels);
}

QRegion CKVXPainterDeviceContext::ClipRegion() const {
    const QRegion device(DeviceRect());
    return m_painter.hasClipping() ? m_painter.clipRegion().intersected(device) : device;
}

RECT CKVXPainterDeviceContext::GetClipBox() {
    const QRect box = ClipRegion().boundingRect();
    return box.isEmpty() ? RECT{0, 0, 0, 0} : CKVXRect(box);
}

void CKVXPainterDeviceContext::PushClip(const RECT& rect, ClipMode mode) {
    m_clips.push_back({m_painter.hasClipping(), m_painter.clipRegion()});
    const QRect area = CKVXRect(rect).ToQRect().normalized();
    if (mode == ClipIntersect) m_painter.setClipRegion(ClipRegion().intersected(area));
    else m_painter.setClipRegion(QRegion(DeviceRect()).intersected(area));
}

void CKVXPainterDeviceContext::PopClip() {
    if (m_clips.empty()) return;
    const SavedClip saved = m_clips.back();
    m_clips.pop_back();
    if (saved.enabled) m_painter.setClipRegion(saved.region);
    else m_painter.setClipping(false);
}

bool CKVXPainterDeviceContext::RectVisible(const RECT& rect) {
    const QRect area = CKVXRect(rect).ToQRect();
    return !area.isEmpty() && ClipRegion().intersects(area);
}

void CKVXPainterDeviceContext::CopyPixels(long x, long y, const KVXPixelBlock& block) {
    if (!IsUsable(block, 24)) return;
    const QPainter::CompositionMode mode = m_painter.compositionMode();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(QPoint(static_cast<int>(x), static_cast<int>(y)), BlockImage(block, QImage::Format_BGR888));
    m_painter.setCompositionMode(mode);
}

QImage* CKVXPainterDeviceContext::DirectSurface(QPoint& offset) const {
    QPaintDevice* device = m_painter.device();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QTransform transform = m_painter.combinedTransform();
    if (image->format() != QImage::Format_RGB32 || transform.type() > QTransform::TxTranslate) return nullptr;
    offset = QPoint(static_cast<int>(transform.dx()), static_cast<int>(transform.dy()));
    if (offset.x() != transform.dx() || offset.y() != transform.dy()) return nullptr;
    return image;
}

void CKVXPainterDeviceContext::BlendInto(QImage& surface, QPoint offset, long x, long y, const KVXPixelBlock& block) {
    const QRect area(static_cast<int>(x), static_cast<int>(y), block.width, block.height);
    const QRegion visible = ClipRegion().intersected(area).translated(offset).intersected(surface.rect());
    for (const QRect& part : visible) {
        for (int row = part.top(); row <= part.bottom(); ++row) {
            const int blockRow = row - offset.y() - static_cast<int>(y);
            const BYTE* source =
                block.bits + static_cast<size_t>(block.height - 1 - blockRow) * block.stride;
            QRgb* target = reinterpret_cast<QRgb*>(surface.scanLine(row));
            for (int column = part.left(); column <= part.right(); ++column) {
                const BYTE* pixel = source + 4 * static_cast<size_t>(column - offset.x() - x);
                const int alpha = pixel[3];
                if (alpha == 0) continue;
                const QRgb under = target[column];
                auto mix = [alpha](int top, int bottom) { return (top * alpha + bottom * (255 - alpha)) >> 8; };
                target[column] = alpha == 255 ? qRgb(pixel[2], pixel[1], pixel[0])
                                              : qRgb(mix(pixel[2], qRed(under)), mix(pixel[1], qGreen(under)),
                                                     mix(pixel[0], qBlue(under)));
            }
        }
    }
}

void CKVXPainterDeviceContext::CompositePixels(long x, long y, const KVXPixelBlock& block) {
    if (!IsUsable(block, 32)) return;
    QPoint offset;
    if (QImage* surface = DirectSurface(offset)) {
        BlendInto(*surface, offset, x, y, block);
        return;
    }
    // Straight blue, green, red, alpha bytes are Qt's ARGB32 on this
    // little-endian machine.
    const QPainter::CompositionMode mode = m_painter.compositionMode();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.drawImage(QPoint(static_cast<int>(x), static_cast<int>(y)), BlockImage(block, QImage::Format_ARGB32));
    m_painter.setCompositionMode(mode);
}

SIZE CKVXPainterDeviceContext::MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) {
    if (!text) return SIZE{0, 0};
    const QFontMetrics metrics(KVXFontFromLogFont(font), m_painter.device());
    const CKVXTextLayout layout(metrics, KVXToQString(text), format & kTextFlags, -1);
    return SIZE{layout.Width(), layout.Height()};
}

void CKVXPainterDeviceContext::RenderText(const wchar_t* text, const LOGFONTW& font, UINT format,
                                         const KVXPixelBlock& block) {
    if (!text || !block.bits || block.width <= 0 || block.height <= 0 || block.bitCount < 24) return;
    QImage canvas(block.width, block.height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter painter(&canvas);
        painter.setFont(KVXFontFromLogFont(font));
        painter.setPen(Qt::white);
        RECT rect{0, 0, block.width, block.height};
        DrawText(painter, text, -1, &rect, format & kTextFlags);
    }
    const int bytesPerPixel = block.bitCount / 8;
    for (LONG row = 0; row < block.height; ++row) {
        const QRgb* source = reinterpret_cast<const QRgb*>(canvas.constScanLine(row));
        BYTE* target = block.bits + static_cast<size_t>(block.height - 1 - row) * block.stride;
        for (LONG column = 0; column < block.width; ++column, target += bytesPerPixel) {
            target[0] = static_cast<BYTE>(qBlue(source[column]));
            target[1] = static_cast<BYTE>(qGreen(source[column]));
            target[2] = static_cast<BYTE>(qRed(source[column]));
        }
    }
}
