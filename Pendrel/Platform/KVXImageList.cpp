#include "Pendrel/Platform/KVXImageList.h"

#include <QPainter>

#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXSysColors.h"

CKVXImageList::~CKVXImageList() {
    DeleteImageList();
}

BOOL CKVXImageList::Create(int cx, int cy, UINT, int, int) {
    if (m_list || cx <= 0 || cy <= 0) return FALSE;
    m_list = new KVXImageListData;
    m_list->cx = cx;
    m_list->cy = cy;
    return TRUE;
}

BOOL CKVXImageList::DeleteImageList() {
    HIMAGELIST list = Detach();
    if (!list) return FALSE;
    if (!list->shared) delete list;
    return TRUE;
}

BOOL CKVXImageList::Attach(HIMAGELIST list) {
    if (m_list || !list) return FALSE;
    m_list = list;
    return TRUE;
}

HIMAGELIST CKVXImageList::Detach() {
    HIMAGELIST list = m_list;
    m_list = nullptr;
    return list;
}

int CKVXImageList::Add(const QImage& strip) {
    if (!m_list || strip.isNull() || strip.height() < m_list->cy) return -1;
    const int count = strip.width() / m_list->cx;
    if (count == 0) return -1;
    const QImage pixels = strip.convertToFormat(QImage::Format_ARGB32);
    const int first = static_cast<int>(m_list->images.size());
    for (int i = 0; i < count; ++i) m_list->images.push_back(pixels.copy(i * m_list->cx, 0, m_list->cx, m_list->cy));
    return first;
}

int CKVXImageList::Add(HBITMAP bitmap, HBITMAP mask) {
    QImage pixels = KVXBitmapToQImage(bitmap);
    if (pixels.isNull()) return -1;
    if (mask) {
        const QImage maskPixels = KVXBitmapToQImage(mask);
        if (maskPixels.size() != pixels.size()) return -1;
        for (int y = 0; y < pixels.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            const QRgb* maskRow = reinterpret_cast<const QRgb*>(maskPixels.constScanLine(y));
            for (int x = 0; x < pixels.width(); ++x)
                if (qGray(maskRow[x]) >= 128) row[x] = 0;
        }
    }
    return Add(pixels);
}

int CKVXImageList::Add(HBITMAP bitmap, COLORREF maskColor) {
    QImage pixels = KVXBitmapToQImage(bitmap);
    if (pixels.isNull()) return -1;
    const QRgb key = KVXToQColor(maskColor).rgb();
    for (int y = 0; y < pixels.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (int x = 0; x < pixels.width(); ++x)
            if (row[x] == key) row[x] = 0;
    }
    return Add(pixels);
}

int CKVXImageList::Add(HICON icon) {
    if (!m_list) return -1;
    const QImage pixels = KVXIconToQImage(icon);
    if (pixels.isNull()) return -1;
    if (pixels.size() == QSize(m_list->cx, m_list->cy)) return Add(pixels);
    return Add(pixels.scaled(m_list->cx, m_list->cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

int CKVXImageList::GetImageCount() const {
    return m_list ? static_cast<int>(m_list->images.size()) : 0;
}

QImage CKVXImageList::GetImage(int index) const {
    if (index < 0 || index >= GetImageCount()) return QImage();
    return m_list->images[static_cast<size_t>(index)];
}

COLORREF CKVXImageList::SetBkColor(COLORREF color) {
    if (!m_list) return CLR_NONE;
    const COLORREF previous = m_list->background;
    m_list->background = color;
    return previous;
}

COLORREF CKVXImageList::GetBkColor() const {
    return m_list ? m_list->background : CLR_NONE;
}

BOOL CKVXImageList::Draw(QPainter& painter, int index, QPoint point, UINT style) const {
    QImage picture = GetImage(index);
    if (picture.isNull()) return FALSE;
    if (!(style & ILD_TRANSPARENT) && m_list->background != CLR_NONE)
        painter.fillRect(QRect(point, picture.size()), KVXToQColor(m_list->background));
    const int percent = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
    if (percent > 0) {
        QPainter tint(&picture);
        tint.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        tint.setOpacity(percent / 100.0);
        tint.fillRect(picture.rect(), KVXToQColor(GetSysColor(COLOR_HIGHLIGHT)));
    }
    painter.drawImage(point, picture);
    return TRUE;
}
