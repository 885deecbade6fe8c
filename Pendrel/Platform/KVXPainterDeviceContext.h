#pragma once
// The image library's device context (HDC) over a Qt painter, so that
// images draw on widgets, pixmaps, images and printers:
//
//   QPainter painter(this);
//   CKVXPainterDeviceContext dc(painter);
//   image.Draw(&dc, 10, 10);
//
// Coordinates are the painter's logical ones. The clip is the painter's
// clip, which PushClip and PopClip change and give back; without one the
// clip is the whole device. Blocks are drawn at their size. On a 32-bit
// image without alpha (QImage::Format_RGB32) painted without scaling, blocks
// with alpha are blended exactly as the interface says, so off-screen
// pictures match the memory device's pixel for pixel; on other devices Qt's
// source-over blending does it, which may differ by one more step. Text is
// laid out with the DT_* rules of DrawText (KVXDrawText.h).

#include <QPoint>
#include <QRegion>

#include <vector>

#include "Pendrel/Image/KVXDeviceContext.h"
#include "Pendrel/PendrelApi.h"

class QImage;
class QPainter;

class PENDREL_API CKVXPainterDeviceContext : public CKVXDeviceContext {
public:
    // The painter must be active and outlive this object.
    explicit CKVXPainterDeviceContext(QPainter& painter);
    ~CKVXPainterDeviceContext() override;

    QPainter& Painter() { return m_painter; }

    RECT GetClipBox() override;
    void PushClip(const RECT& rect, ClipMode mode) override;
    void PopClip() override;
    bool RectVisible(const RECT& rect) override;
    void CopyPixels(long x, long y, const KVXPixelBlock& block) override;
    void CompositePixels(long x, long y, const KVXPixelBlock& block) override;
    SIZE MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) override;
    void RenderText(const wchar_t* text, const LOGFONTW& font, UINT format, const KVXPixelBlock& block) override;

private:
    struct SavedClip {
        bool enabled;
        QRegion region;
    };
    // The device's area in logical coordinates.
    QRect DeviceRect() const;
    // The current clip in logical coordinates (the device when none is set).
    QRegion ClipRegion() const;
    // The image painted on when blocks can be blended into it directly, with
    // the offset of logical to image coordinates; null otherwise.
    QImage* DirectSurface(QPoint& offset) const;
    void BlendInto(QImage& surface, QPoint offset, long x, long y, const KVXPixelBlock& block);

    QPainter& m_painter;
    std::vector<SavedClip> m_clips;
};
