#include "Pendrel/Controls/BasicHyperlinkCtrl.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QUrl>

#include <memory>

#include "Pendrel/Core/BasicNamedColors.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\BasicHyperlinkCtrl";
constexpr int kLineBkColor = 210;
constexpr int kLineTextColor = 240;
constexpr int kLineLogFont = 290;
constexpr int kLineAddress = 760;

// Text metrics of Qt fonts made from the descriptions.
class QtMeasure : public CHyperlinkMeasure {
public:
    void SelectFont(const LOGFONTW& font) override {
        m_metrics = std::make_unique<QFontMetrics>(KVXFontFromLogFont(font));
    }
    int TextWidth(const std::wstring& text) override {
        return m_metrics->horizontalAdvance(QString::fromStdWString(text));
    }
    int Ascent() override { return m_metrics->ascent(); }
    int Descent() override { return m_metrics->descent(); }
    int Height() override { return m_metrics->height(); }

private:
    std::unique_ptr<QFontMetrics> m_metrics = std::make_unique<QFontMetrics>(QFont());
};

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
    return CompareTextNoCaseN(text, prefix, std::wcslen(prefix)) == 0 && std::wcslen(text) >= std::wcslen(prefix);
}

// The command of an "APP:" address (also behind a double quote), or null.
const wchar_t* AppCommandOf(const wchar_t* address) {
    if (StartsWithNoCase(address, L"APP:")) return address + 4;
    if (StartsWithNoCase(address, L"\"APP:")) return address + 5;
    return nullptr;
}

} // namespace

CBasicHyperlinkCtrl::CBasicHyperlinkCtrl(QWidget* parent)
    : QLabel(parent), m_backgroundColor(GetSysColor(COLOR_WINDOW)), m_textColor(GetSysColor(COLOR_WINDOWTEXT)) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
}

CBasicHyperlinkCtrl::~CBasicHyperlinkCtrl() {
    ResetAll();
}

void CBasicHyperlinkCtrl::SetWindowTextW(const wchar_t* text) {
    Reset();
    setText(KVXToQString(text));
    repaint();
}

COLORREF CBasicHyperlinkCtrl::SetBkColor(COLORREF color) {
    const COLORREF previous = m_backgroundColor;
    m_backgroundColor = color;
    return previous;
}

COLORREF CBasicHyperlinkCtrl::SetBkColor(const wchar_t* color) {
    ReportAssertion(color != nullptr, kSourceFile, kLineBkColor);
    if (!color) return m_backgroundColor;
    return SetBkColor(CBasicNamedColors(color).GetColor());
}

COLORREF CBasicHyperlinkCtrl::SetTextColor(COLORREF color) {
    const COLORREF previous = m_textColor;
    m_textColor = color;
    return previous;
}

COLORREF CBasicHyperlinkCtrl::SetTextColor(const wchar_t* color) {
    ReportAssertion(color != nullptr, kSourceFile, kLineTextColor);
    if (!color) return m_textColor;
    return SetTextColor(CBasicNamedColors(color).GetColor());
}

void CBasicHyperlinkCtrl::SetMargins(int left, int right) {
    m_leftMargin = left;
    m_rightMargin = right;
}

void CBasicHyperlinkCtrl::SetLogFont(const LOGFONTW* font) {
    ReportAssertion(font != nullptr, kSourceFile, kLineLogFont);
    if (!font) return;
    m_baseFont = *font;
    m_baseFontSet = TRUE;
}

void CBasicHyperlinkCtrl::SetAppCommands(const BASICHYPERLINK_APP_COMMAND* commands, int count) {
    m_commands.clear();
    if (!commands || count < 1) return;
    for (int i = 0; i < count; ++i)
        m_commands.push_back({commands[i].window, commands[i].message, commands[i].wParam,
                              commands[i].command ? commands[i].command : L""});
}

void CBasicHyperlinkCtrl::Reset() {
    m_layout.Reset();
    m_overLink = false;
    m_savedCursor.reset();
}

void CBasicHyperlinkCtrl::ResetAll() {
    Reset();
    m_backgroundColor = GetSysColor(COLOR_WINDOW);
    m_textColor = GetSysColor(COLOR_WINDOWTEXT);
    m_leftMargin = m_rightMargin = 0;
    m_links.clear();
    m_commands.clear();
}

BOOL CBasicHyperlinkCtrl::IsBlank(const wchar_t* text) {
    if (!text) return TRUE;
    for (; *text; ++text)
        if (*text != L' ' && *text != L'\t') return FALSE;
    return TRUE;
}

void CBasicHyperlinkCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void CBasicHyperlinkCtrl::Draw(QPainter& painter) {
    // Every paint starts from the markup's start, so the picture never
    // depends on how often the label was painted.
    m_layout.Reset();
    m_links.clear();
    const CKVXRect client(rect());
    const bool transparent = (m_exStyle & WS_EX_TRANSPARENT) != 0;
    if (!transparent) painter.fillRect(client.ToQRect(), KVXToQColor(m_backgroundColor));
    const std::wstring markup = text().toStdWString();
    if (markup.empty()) return;
    const LOGFONTW base = m_baseFontSet ? m_baseFont : KVXLogFontFromFont(font());
    QtMeasure measure;
    const HyperlinkDisplay display = m_layout.Layout(markup, client, m_leftMargin, m_rightMargin, base, m_textColor,
                                                     m_backgroundColor, measure);
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);
    for (const HyperlinkRun& run : display.runs) {
        const QFont runFont = KVXFontFromLogFont(run.font);
        const QRect cell = CKVXRect(run.cell).ToQRect();
        if (!transparent) painter.fillRect(cell, KVXToQColor(run.backColor));
        painter.setFont(runFont);
        painter.setPen(KVXToQColor(run.textColor));
        painter.drawText(cell.left(), cell.top() + QFontMetrics(runFont).ascent(), QString::fromStdWString(run.text));
    }
    for (const HyperlinkRule& rule : display.rules)
        painter.fillRect(CKVXRect(rule.rect).ToQRect(), KVXToQColor(rule.color));
    painter.restore();
    m_links = display.links;
}

int CBasicHyperlinkCtrl::LinkAt(QPoint point) const {
    for (size_t i = 0; i < m_links.size(); ++i)
        if (CKVXRect(m_links[i].rect).PtInRect(POINT{point.x(), point.y()})) return static_cast<int>(i);
    return -1;
}

void CBasicHyperlinkCtrl::SetOverLink(bool over) {
    if (over) {
        if (!m_savedCursor) m_savedCursor = testAttribute(Qt::WA_SetCursor) ? cursor() : QCursor();
        setCursor(Qt::PointingHandCursor);
        m_overLink = true;
    } else if (m_savedCursor) {
        if (m_savedCursor->shape() == Qt::ArrowCursor) unsetCursor();
        else setCursor(*m_savedCursor);
        m_savedCursor.reset();
        m_overLink = false;
    }
}

void CBasicHyperlinkCtrl::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (m_links.empty()) return;
    const QPoint point = event->position().toPoint();
    const int link = LinkAt(point);
    SetOverLink(link >= 0);
    if (link < 0 || !m_tooltipEnabled) return;
    const std::wstring& address = m_links[static_cast<size_t>(link)].address;
    if (AppCommandOf(address.c_str())) return;
    QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdWString(address), this,
                       CKVXRect(m_links[static_cast<size_t>(link)].rect).ToQRect());
}

void CBasicHyperlinkCtrl::leaveEvent(QEvent* event) {
    SetOverLink(false);
    QLabel::leaveEvent(event);
}

void CBasicHyperlinkCtrl::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void CBasicHyperlinkCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) OnClicked(event->position().toPoint());
}

void CBasicHyperlinkCtrl::OnClicked(QPoint point) {
    const int link = LinkAt(point);
    if (link < 0) return;
    const std::wstring address = m_links[static_cast<size_t>(link)].address;
    GotoURL(address.c_str(), SW_SHOW);
}

BOOL CBasicHyperlinkCtrl::GotoURL(const wchar_t* address, int) {
    ReportAssertion(address != nullptr && *address != 0, kSourceFile, kLineAddress);
    if (!address || !*address) return FALSE;
    if (const wchar_t* command = AppCommandOf(address)) return ProcessAppCommand(command);
    const QUrl url = QUrl::fromUserInput(KVXToQString(address));
    return url.isValid() && QDesktopServices::openUrl(url) ? TRUE : FALSE;
}

BOOL CBasicHyperlinkCtrl::ProcessAppCommand(const wchar_t* command) {
    if (!command) return FALSE;
    std::wstring name = command;
    if (!name.empty() && name.front() == L'"') name.erase(0, 1);
    if (!name.empty() && name.back() == L'"') name.pop_back();
    for (const AppCommand& entry : m_commands) {
        if (CompareTextNoCase(entry.command.c_str(), name.c_str()) != 0) continue;
        if (!entry.window || !IsWindow(entry.window)) continue;
        SendMessage(entry.window, entry.message, entry.wParam, 0);
        return TRUE;
    }
    return FALSE;
}
