#include "Quenzel/Shell/PictureCtrl.h"

#include <QPainter>

#include "utility/Posix/SystemError.h"

CPictureCtrl::CPictureCtrl(QWidget* parent) : QWidget(parent) {}

int CPictureCtrl::LoadFromMemory(const BYTE* bytes, size_t size) {
    SetLastError(0);
    FreeImage();
    QImage picture;
    if (!bytes || size == 0 || size > static_cast<size_t>(INT32_MAX) ||
        !picture.loadFromData(reinterpret_cast<const uchar*>(bytes), static_cast<int>(size))) {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    m_picture = picture;
    m_hasPicture = true;
    repaint();
    return 1;
}

void CPictureCtrl::FreeImage() {
    m_picture = QImage();
    m_hasPicture = false;
    update();
}

void CPictureCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_hasPicture) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_picture);
        return;
    }
    if (!m_showText || m_text.IsEmpty()) return;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.drawText(rect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, QString::fromWCharArray(m_text.GetString()));
}
