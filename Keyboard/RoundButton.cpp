#include "Keyboard/RoundButton.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

const QColor kFrameColor(255, 0, 0);
const QColor kLitColor(0, 0, 128);

} // namespace

CRoundButton::CRoundButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    // A key never takes the focus from the window it types into.
    setFocusPolicy(Qt::NoFocus);
    SetKeyFont(font());
}

void CRoundButton::SetKeyFont(const QFont& font) {
    m_normal = font;
    m_normal.setWeight(QFont::Normal);
    m_bold = font;
    m_bold.setWeight(QFont::Bold);
    update();
}

void CRoundButton::SetCorners(const std::u16string& plain, const std::u16string& shift, const std::u16string& altGr) {
    m_corners[0] = ToQString(plain);
    m_corners[1] = ToQString(shift);
    m_corners[2] = ToQString(altGr);
    update();
}

void CRoundButton::SetActiveCaption(int active) {
    m_active = active;
    update();
}

void CRoundButton::SetPressedLook(bool pressed) {
    if (m_pressedLook == pressed) return;
    m_pressedLook = pressed;
    update();
}

int CRoundButton::CornerCount() const {
    if (!m_allCaptions || !m_displayAllChars) return 0;
    int count = 0;
    while (count < 3 && !m_corners[count].isEmpty()) ++count;
    return count;
}

void CRoundButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    if (!m_hover) {
        m_hover = true;
        repaint();
    }
}

void CRoundButton::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    if (!m_hover) {
        m_hover = true;
        repaint();
    }
}

void CRoundButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_hover = false;
    update();
}

void CRoundButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath region;
    region.addRoundedRect(outer, 4, 4);
    QColor textColor = Qt::black;
    if (IsLit()) {
        painter.fillPath(region, kFrameColor);
        QPainterPath inner;
        inner.addRoundedRect(outer.adjusted(1, 1, -1, -1), 3, 3);
        painter.fillPath(inner, kLitColor);
        textColor = Qt::white;
    } else {
        painter.fillPath(region, Qt::white);
        painter.setPen(QColor(160, 160, 160));
        painter.drawPath(region);
    }

    const bool enabled = isEnabled();
    auto drawText = [&](const QRect& area, int flags, const QString& text, bool bold) {
        painter.setFont(bold ? m_bold : m_normal);
        if (!enabled) {
            painter.setPen(Qt::white);
            painter.drawText(area.translated(1, 1), flags, text);
            painter.setPen(QColor(128, 128, 128));
        } else {
            painter.setPen(textColor);
        }
        painter.drawText(area, flags, text);
    };

    const int corners = CornerCount();
    if (corners > 1) {
        const QRect inner = rect().adjusted(2, 0, -2, -2);
        const int flags[3] = {Qt::AlignLeft | Qt::AlignBottom, Qt::AlignLeft | Qt::AlignTop,
                              Qt::AlignRight | Qt::AlignBottom};
        for (int i = 0; i < corners; ++i) drawText(inner, flags[i], m_corners[i], i == m_active);
        return;
    }
    QRect area = rect();
    if (isDown()) area.translate(1, 1);
    const QString text = corners == 1 ? m_corners[0] : this->text();
    drawText(area, Qt::AlignCenter, text, m_boldCaption);
}
