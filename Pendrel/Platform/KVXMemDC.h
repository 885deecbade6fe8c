#pragma once
// The off-screen device context for flicker-free painting: drawing goes
// into a picture in memory, which is copied onto the target in one step
// when the object ends (or at Flush).
//
//   QPainter painter(this);
//   CKVXMemDC dc(&painter, nullptr, FALSE, FALSE);
//   dc->fillRect(...);   // the target's coordinates
//
// - The buffer covers the given rectangle, or without one the target's
//   clip (its whole window when it has none), and draws in the target's
//   coordinates. It is a 32-bit picture, or 1 bit per pixel (black and
//   white) when monochrome is asked for.
// - copyBackground starts the buffer with the target's pixels where those
//   can be read (a target painting on a QImage or a QPixmap); otherwise,
//   and without copyBackground, the buffer starts in the target device's
//   background colour (a widget's window colour, else white).
// - On a printer (or a PDF writer) there is no buffer: the painter is the
//   target's own, everything goes straight to the printer, and the target
//   stays usable after this object ends.

#include <QImage>
#include <QPainter>
#include <QRect>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CKVXMemDC {
public:
    // target must be active and outlive this object.
    CKVXMemDC(QPainter* target, const RECT* rect = nullptr, BOOL copyBackground = FALSE, BOOL monochrome = FALSE);
    // Flush(TRUE).
    ~CKVXMemDC();
    CKVXMemDC(const CKVXMemDC&) = delete;
    CKVXMemDC& operator=(const CKVXMemDC&) = delete;

    // With a buffer: copies it onto the target at the rectangle when copy
    // is set, and ends the drawing into it. Later calls do nothing.
    void Flush(BOOL copy);

    // The painter to draw with: the buffer's, or the printer's own.
    QPainter& Painter() { return m_memory ? m_buffer : *m_target; }
    QPainter* operator->() { return &Painter(); }
    operator CKVXMemDC*() { return this; }

    // 1 while drawing goes to a buffer, 0 on a printer.
    BOOL IsMemory() const { return m_memory ? TRUE : FALSE; }
    // The rectangle covered, in the target's coordinates.
    QRect GetRect() const { return m_rect; }
    // The buffer's picture (null on a printer).
    const QImage& GetImage() const { return m_image; }

private:
    QPainter* m_target;
    QRect m_rect;
    bool m_memory = false;
    bool m_flushed = false;
    QImage m_image;
    QPainter m_buffer;
};
