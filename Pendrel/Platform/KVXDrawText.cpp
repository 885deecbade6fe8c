#include "Pendrel/Platform/KVXDrawText.h"

#include <QFontMetrics>
#include <QPainter>

#include "Pendrel/Platform/KVXTextLayout.h"
#include "Pendrel/Platform/KVXText.h"

namespace {

void DrawLine(QPainter& painter, const QFontMetrics& metrics, const CKVXTextLayout::Line& line, int x, int y) {
    if (painter.backgroundMode() == Qt::OpaqueMode)
        painter.fillRect(QRect(x, y, line.width, metrics.height()), painter.background());
    const int baseline = y + metrics.ascent();
    painter.drawText(QPoint(x, baseline), line.text);
    if (line.underline.empty()) return;
    const int underlineY = baseline + metrics.underlinePos();
    const QPen previous = painter.pen();
    QPen pen(previous.color());
    pen.setWidth(std::max(1, metrics.lineWidth()));
    painter.setPen(pen);
    for (int index : line.underline) {
        const int left = x + metrics.horizontalAdvance(line.text.left(index));
        const int width = metrics.horizontalAdvance(line.text.mid(index, 1));
        if (width > 0) painter.drawLine(left, underlineY, left + width - 1, underlineY);
    }
    painter.setPen(previous);
}

} // namespace

int DrawText(QPainter& painter, const wchar_t* text, int count, RECT* rect, UINT format) {
    if (!text || !rect) return 0;
    const QFontMetrics metrics(painter.font(), painter.device());
    const int width = rect->right - rect->left;
    const CKVXTextLayout layout(metrics, KVXToQString(text, count), format, std::max(width, 0));
    const int height = layout.Height();
    if (format & DT_CALCRECT) {
        rect->right = rect->left + layout.Width();
        rect->bottom = rect->top + height;
        return height;
    }
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - height) / 2;
        else if (format & DT_BOTTOM) top = rect->bottom - height;
    }
    painter.save();
    if (!(format & DT_NOCLIP)) painter.setClipRect(QRect(rect->left, rect->top, width, rect->bottom - rect->top),
                                                   painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    int y = top;
    for (const CKVXTextLayout::Line& line : layout.Lines()) {
        int x = rect->left;
        if (format & DT_CENTER) x = rect->left + (width - line.width) / 2;
        else if (format & DT_RIGHT) x = rect->right - line.width;
        DrawLine(painter, metrics, line, x, y);
        y += layout.LineHeight();
    }
    painter.restore();
    return top - rect->top + height;
}
