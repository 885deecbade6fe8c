#include "Pendrel/Platform/KVXMemDC.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

#include "Pendrel/Platform/KVXRect.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\MemDC";
constexpr int kLineNoTarget = 25;

bool IsPrinting(QPainter& painter) {
    QPaintDevice* device = painter.device();
    if (device && device->devType() == QInternal::Printer) return true;
    QPaintEngine* engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}

QColor BackgroundOf(QPaintDevice* device) {
    if (device && device->devType() == QInternal::Widget)
        return static_cast<QWidget*>(device)->palette().color(QPalette::Window);
    return Qt::white;
}

} // namespace

CKVXMemDC::CKVXMemDC(QPainter* target, const RECT* rect, BOOL copyBackground, BOOL monochrome) : m_target(target) {
    ReportAssertion(target != nullptr && target->isActive(), kSourceFile, kLineNoTarget);
    if (!target || !target->isActive()) {
        // Nothing to draw on: a 1 x 1 buffer that is never copied anywhere.
        m_target = nullptr;
        m_memory = true;
        m_flushed = true;
        m_image = QImage(1, 1, QImage::Format_RGB32);
        m_buffer.begin(&m_image);
        return;
    }
    if (IsPrinting(*target)) return;

    m_memory = true;
    if (rect) m_rect = CKVXRect(*rect).ToQRect();
    else if (target->hasClipping()) m_rect = target->clipBoundingRect().toAlignedRect();
    else m_rect = target->window();
    const QSize size(std::max(m_rect.width(), 1), std::max(m_rect.height(), 1));

    if (monochrome) {
        m_image = QImage(size, QImage::Format_MonoLSB);
        m_image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    } else {
        m_image = QImage(size, QImage::Format_RGB32);
    }
    m_image.fill(BackgroundOf(target->device()));
    m_buffer.begin(&m_image);
    // The buffer draws in the target's coordinates.
    m_buffer.translate(-m_rect.topLeft());
    if (copyBackground) {
        QPaintDevice* device = target->device();
        const QRect deviceRect = target->deviceTransform().mapRect(m_rect);
        if (device && device->devType() == QInternal::Image)
            m_buffer.drawImage(m_rect, *static_cast<QImage*>(device), deviceRect);
        else if (device && device->devType() == QInternal::Pixmap)
            m_buffer.drawPixmap(m_rect, *static_cast<QPixmap*>(device), deviceRect);
    }
}

CKVXMemDC::~CKVXMemDC() {
    Flush(TRUE);
    if (m_buffer.isActive()) m_buffer.end();
}

void CKVXMemDC::Flush(BOOL copy) {
    if (!m_memory || m_flushed) return;
    m_flushed = true;
    m_buffer.end();
    if (copy && m_target) m_target->drawImage(m_rect.topLeft(), m_image);
}
