#include "Pendrel/Controls/WinToolTipCtrl.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <qdrawutil.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "Pendrel/Core/WinToolTipText.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "WinToolTipCtrl";
constexpr int kLineNoParent = 150;

constexpr int kPadX = 10;
constexpr int kPadY = 8;
constexpr int kStem = 25;
constexpr int kWatchInterval = 5;

std::wstring Wide(const CBasicString& text) {
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

CBasicString Basic(const std::wstring& text) {
    return CBasicString(text.c_str());
}

// The size of a text drawn with the format, as DT_CALCRECT gives it.
QSize Extent(const QFont& font, const std::wstring& text, UINT format) {
    if (text.empty()) return QSize(0, 0);
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(font);
    RECT rect{0, 0, 0, 0};
    DrawText(painter, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT | DT_NOPREFIX);
    return QSize(rect.right - rect.left, rect.bottom - rect.top);
}

} // namespace

struct CWinToolTipCtrl::Layout {
    CWinToolTipText::Parts parts;
    int width = 0;   // with the padding
    int height = 0;
};

CWinToolTipCtrl::CWinToolTipCtrl() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    m_showTimer.setSingleShot(true);
    m_watchTimer.setInterval(kWatchInterval);
    connect(&m_showTimer, &QTimer::timeout, this, &CWinToolTipCtrl::OnShowTimer);
    connect(&m_watchTimer, &QTimer::timeout, this, &CWinToolTipCtrl::OnWatchTimer);
}

CWinToolTipCtrl::~CWinToolTipCtrl() {
    m_showTimer.stop();
    m_watchTimer.stop();
    for (auto& [tool, info] : m_tools)
        if (tool) tool->removeEventFilter(this);
}

BOOL CWinToolTipCtrl::Create(QWidget* parent, DWORD shape, DWORD mode, CWinToolTipCtrlBase* provider) {
    ReportAssertion(parent != nullptr, kSourceFile, kLineNoParent);
    if (!parent) return FALSE;
    m_parent = parent;
    m_shape = shape;
    m_mode = mode;
    m_provider = provider;
    setParent(parent, Qt::ToolTip | Qt::FramelessWindowHint);
    setGeometry(0, 0, 0, 0);
    hide();
    return TRUE;
}

void CWinToolTipCtrl::SetLanguageCode(const wchar_t* code) {
    m_narrowWrap = CWinToolTipText::IsNarrowLanguage(code);
}

void CWinToolTipCtrl::AddTool(QWidget* tool, const CBasicString& text, UINT) {
    if (!tool) return;
    const bool known = m_tools.count(tool) != 0;
    m_tools[tool] = CToolTipInfo(nullptr, text.GetString());
    if (known) return;
    tool->installEventFilter(this);
    tool->setMouseTracking(true);
    tool->setAttribute(Qt::WA_Hover);
    connect(tool, &QObject::destroyed, this, [this, tool] { m_tools.erase(tool); });
}

void CWinToolTipCtrl::AddTool(QWidget* tool, UINT textId, UINT unused) {
    AddTool(tool, KVXLoadString(textId), unused);
}

void CWinToolTipCtrl::RemoveTool(QWidget* tool) {
    if (!tool || !m_tools.count(tool)) return;
    tool->removeEventFilter(this);
    disconnect(tool, &QObject::destroyed, this, nullptr);
    m_tools.erase(tool);
}

CBasicString CWinToolTipCtrl::GetToolText(QWidget* tool) const {
    const auto it = m_tools.find(tool);
    return it == m_tools.end() ? CBasicString() : it->second.text;
}

int CWinToolTipCtrl::CountStrPattern(const wchar_t* text, const wchar_t* pattern) {
    return CWinToolTipText::CountStrPattern(text, pattern);
}

void CWinToolTipCtrl::SetIcon(HICON icon) {
    if (!icon) {
        m_iconSize = {0, 0};
        return;
    }
    const QImage image = KVXIconToQImage(icon);
    m_iconSize = {static_cast<LONG>(image.width() / 2 * 1.3), static_cast<LONG>(image.height() / 2 * 1.3)};
}

bool CWinToolTipCtrl::eventFilter(QObject* watched, QEvent* event) {
    RelayEvent(event);
    return QWidget::eventFilter(watched, event);
}

void CWinToolTipCtrl::RelayEvent(QEvent* event) {
    if (!event || !m_parent) return;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        hide();
        m_armed = FALSE;
        break;
    case QEvent::MouseMove:
    case QEvent::HoverMove:
    case QEvent::Enter:
    case QEvent::Leave:
        OnMouseMove();
        break;
    default:
        break;
    }
}

bool CWinToolTipCtrl::CursorInToolArea() const {
    return CKVXRect(m_toolArea).PtInRect(POINT{QCursor::pos().x(), QCursor::pos().y()});
}

void CWinToolTipCtrl::OnMouseMove() {
    if (CursorInToolArea()) return;
    const QPoint cursor = QCursor::pos();
    QWidget* tool = nullptr;
    for (QWidget* w = QApplication::widgetAt(cursor); w && !tool; w = w->parentWidget())
        if (m_tools.count(w)) tool = w;
    if (!tool) {
        Hide();
        m_armed = FALSE;
        return;
    }
    CToolTipInfo info = m_tools[tool];
    if (info.text.IsEmpty() && m_provider) {
        m_provider->GetTipInfo(info);
        m_toolArea = info.area;
    } else {
        m_toolArea = CKVXRect(QRect(tool->mapToGlobal(QPoint(0, 0)), tool->size()));
    }
    m_armed = TRUE;
    const POINT point{cursor.x(), cursor.y()};
    Show(info.text.GetString(), &point);
    if (!CursorInToolArea()) {
        Hide();
        m_armed = FALSE;
    }
}

void CWinToolTipCtrl::Show(const wchar_t* text, const POINT* point) {
    const std::wstring source = text ? text : L"";
    m_text = source.empty() ? CBasicString() : Basic(CWinToolTipText::FormatTipText(source, m_narrowWrap));
    m_iconSize = {0, 0};
    if (point) {
        m_anchor = *point;
    } else {
        const QPoint cursor = QCursor::pos();
        m_anchor = {cursor.x(), cursor.y()};
    }
    if (m_mode == KVX_TIP_AFTER_DELAY) {
        m_showTimer.start(m_showDelay);
    } else if (m_mode == KVX_TIP_AT_ONCE) {
        if (!CWinToolTipText::Split(Wide(m_text)).heading.empty()) ShowToolTip(m_anchor.x, m_anchor.y);
    }
}

void CWinToolTipCtrl::Hide() {
    hide();
    m_toolArea = {0, 0, 0, 0};
}

void CWinToolTipCtrl::OnShowTimer() {
    if (CursorInToolArea() && m_armed && !m_text.IsEmpty()) {
        update();
        const QPoint cursor = QCursor::pos();
        ShowToolTip(cursor.x(), cursor.y());
        m_watchTimer.start();
    }
}

void CWinToolTipCtrl::OnWatchTimer() {
    if (!CursorInToolArea()) {
        m_watchTimer.stop();
        Hide();
    }
}

void CWinToolTipCtrl::CreateFonts() {
    if (m_descriptionFont && m_titleFont && m_headingFont) return;
    LOGFONTW description{};
    description.lfHeight = m_fontHeight;
    description.lfWeight = 400;
    description.lfPitchAndFamily = FF_SWISS;
    std::wcsncpy(description.lfFaceName, L"Segeo UI", LF_FACESIZE - 1);
    LOGFONTW title = description;
    title.lfUnderline = 1;
    LOGFONTW heading = description;
    heading.lfWeight = 700;
    m_descriptionFont = KVXFontFromLogFont(description);
    m_titleFont = KVXFontFromLogFont(title);
    m_headingFont = KVXFontFromLogFont(heading);
}

CWinToolTipCtrl::Layout CWinToolTipCtrl::Measure() const {
    Layout layout;
    const std::wstring text = Wide(m_text);
    layout.parts = CWinToolTipText::Split(text);
    int width = 0;
    int height = 0;
    auto add = [&](const QFont& font, const std::wstring& segment, UINT format, bool gap) {
        const QSize size = Extent(font, segment, format);
        width = std::max(width, size.width());
        height += size.height() + (gap ? m_lineGap : 0);
    };
    add(*m_headingFont, layout.parts.heading, 0, !layout.parts.heading.empty());
    add(*m_titleFont, layout.parts.title, 0, !layout.parts.title.empty());
    for (const auto& [sub, description] : layout.parts.pairs) {
        add(*m_titleFont, sub, 0, false);
        add(*m_descriptionFont, description, DT_VCENTER, true);
    }
    const int subHeadings = CWinToolTipText::CountStrPattern(text.c_str(), L"[S]");
    if (subHeadings > 0) height += (subHeadings + 1) * m_fontHeight;
    width += 2 * kPadX;
    height += 2 * kPadY;
    if (m_iconSize.cx > 0 || m_iconSize.cy > 0) {
        width += m_iconSize.cx + 2;
        height = std::max<int>(height, m_iconSize.cy);
    }
    layout.width = width;
    layout.height = height;
    return layout;
}

void CWinToolTipCtrl::ShowToolTip(int x, int y) {
    m_anchor = {x, y};
    CreateFonts();
    const Layout layout = Measure();
    const auto placement = CWinToolTipText::Place(m_shape, m_anchor, layout.width, layout.height);
    m_stemLeft = placement.stemLeft;
    m_stemBottom = placement.stemBottom;
    QRegion region;
    if (m_shape == KVX_TIP_BALLOON) {
        const auto stem = CWinToolTipText::BalloonStem(placement);
        QPainterPath body;
        body.addRoundedRect(QRectF(0, stem.bodyTop, layout.width, layout.height), 5, 4);
        QPolygon triangle;
        for (const POINT& p : stem.points) triangle << QPoint(p.x, p.y);
        region = QRegion(body.toFillPolygon().toPolygon()).united(QRegion(triangle));
    } else if (m_shape == KVX_TIP_ROUNDED) {
        QPainterPath body;
        body.addRoundedRect(QRectF(0, 0, layout.width, layout.height), 5, 4);
        region = QRegion(body.toFillPolygon().toPolygon());
    } else if (m_shape == KVX_TIP_RECTANGLE) {
        region = QRegion(0, 0, layout.width, layout.height);
    }
    setGeometry(placement.left, placement.top, placement.width, placement.height);
    if (!region.isEmpty()) setMask(region);
    else clearMask();
    show();
    raise();
    update();
    m_armed = FALSE;
}

void CWinToolTipCtrl::paintEvent(QPaintEvent*) {
    if (m_text.IsEmpty()) return;
    CreateFonts();
    const Layout layout = Measure();
    QPainter painter(this);
    const QColor background = KVXToQColor(m_backgroundColor);
    const bool balloonUp = m_shape == KVX_TIP_BALLOON && !m_stemBottom;
    if (m_shape == KVX_TIP_RECTANGLE) {
        painter.fillRect(rect(), background);
        qDrawShadeRect(&painter, rect(), palette(), true, 1);
        painter.setPen(KVXToQColor(m_frameTopColor));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.drawLine(0, 0, 0, height() - 1);
        painter.setPen(KVXToQColor(m_frameBottomColor));
        painter.drawLine(0, height() - 1, width() - 1, height() - 1);
        painter.drawLine(width() - 1, 0, width() - 1, height() - 1);
    } else {
        painter.fillRect(rect(), background);
        const QRegion region = mask();
        // The frame: the outline of the window's shape.
        painter.setPen(QPen(KVXToQColor(m_frameBottomColor), 2));
        QPainterPath outline;
        outline.addRegion(region.isEmpty() ? QRegion(rect()) : region);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(outline.simplified());
        painter.setPen(QPen(KVXToQColor(m_frameTopColor), 1));
        painter.drawPath(outline.simplified());
    }

    CKVXRect area(rect());
    if (balloonUp) area.OffsetRect(0, kStem);
    area.left += kPadX + (m_iconSize.cx > 0 ? m_iconSize.cx + 2 : 0);
    area.top += kPadY;
    painter.setBackgroundMode(Qt::TransparentMode);
    auto draw = [&](const QFont& font, COLORREF color, const std::wstring& segment, UINT format, int gap) {
        if (segment.empty()) return;
        painter.setFont(font);
        painter.setPen(KVXToQColor(color));
        RECT box = area;
        DrawText(painter, segment.c_str(), static_cast<int>(segment.size()), &box, format | DT_NOPREFIX);
        area.top += Extent(font, segment, format).height() + gap;
    };
    draw(*m_headingFont, m_headingColor, layout.parts.heading, 0, m_lineGap);
    draw(*m_titleFont, m_titleColor, layout.parts.title, 0, m_lineGap);
    for (const auto& [sub, description] : layout.parts.pairs) {
        draw(*m_titleFont, m_titleColor, sub, 0, 0);
        draw(*m_descriptionFont, m_descriptionColor, description, DT_VCENTER, m_lineGap);
    }
}

void CWinToolTipCtrl::mouseMoveEvent(QMouseEvent*) {
    Hide();
}

void CWinToolTipCtrl::mousePressEvent(QMouseEvent*) {
    Hide();
}
