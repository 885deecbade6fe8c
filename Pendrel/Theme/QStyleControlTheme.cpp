#include "Pendrel/Theme/QStyleControlTheme.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Theme/ClassicControlTheme.h"
#include "Pendrel/Theme/WinTheme.h"

namespace {

// Style flags of a push-button state id (1 normal, 2 hot, 3 pressed,
// 4 disabled).
QStyle::State StyleState(int stateId) {
    QStyle::State flags = QStyle::State_Enabled;
    switch (stateId) {
    case 2: flags |= QStyle::State_MouseOver | QStyle::State_Raised; break;
    case 3: flags |= QStyle::State_Sunken | QStyle::State_On; break;
    case 4: flags = QStyle::State_None; break;
    default: flags |= QStyle::State_Raised; break;
    }
    return flags;
}

} // namespace

CQStyleControlTheme::CQStyleControlTheme(HWND window, int part) : m_window(window), m_part(part) {}

QStyle* CQStyleControlTheme::Style() const {
    return m_window ? m_window->style() : QApplication::style();
}

QPalette CQStyleControlTheme::Palette() const {
    return m_window ? m_window->palette() : QApplication::palette();
}

int CQStyleControlTheme::DrawControlBackground(QPainter* dc, int state, const RECT* rect, const RECT*) {
    if (!dc || !rect) return 0;
    const int stateId = KVXThemeStateId(state);
    if (stateId == 0) return 0;
    QStyleOptionButton option;
    if (m_window) option.initFrom(m_window);
    option.rect = CKVXRect(*rect).ToQRect();
    option.palette = Palette();
    option.state = StyleState(stateId);
    if (stateId == 4) option.palette.setCurrentColorGroup(QPalette::Disabled);
    if (m_part == 4) {
        QStyleOptionFrame frame;
        frame.QStyleOption::operator=(option);
        Style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, dc, m_window);
    } else {
        Style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, dc, m_window);
    }
    return 0;
}

int CQStyleControlTheme::DrawControlIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list, int) {
    return CClassicControlTheme::DrawIcon(dc, state, rect, list);
}

int CQStyleControlTheme::DrawParentBackground(HWND window, QPainter* dc, const RECT* rect) {
    if (!dc || !rect) return 0;
    const QWidget* parent = window ? window->parentWidget() : nullptr;
    if (parent) dc->fillRect(CKVXRect(*rect).ToQRect(), parent->palette().color(parent->backgroundRole()));
    return 0;
}

int CQStyleControlTheme::DrawControlText(QPainter* dc, int state, const wchar_t* text, int length, DWORD flags,
                                         DWORD, const RECT* rect) {
    if (!dc || !text || !rect) return 0;
    const int stateId = KVXThemeStateId(state);
    if (stateId == 0) return 0;
    dc->save();
    const QPalette palette = Palette();
    dc->setPen(palette.color(stateId == 4 ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText));
    dc->setBackgroundMode(Qt::TransparentMode);
    RECT area = *rect;
    DrawText(*dc, text, length, &area, flags);
    dc->restore();
    return 0;
}

int CQStyleControlTheme::DrawControlEdge(QPainter* dc, int state, const RECT* rect, UINT, UINT, RECT*) {
    if (!dc || !rect) return 0;
    const int stateId = KVXThemeStateId(state);
    if (stateId == 0) return 0;
    QStyleOptionFrame option;
    if (m_window) option.initFrom(m_window);
    option.rect = CKVXRect(*rect).ToQRect();
    option.state = StyleState(stateId);
    option.lineWidth = 1;
    Style()->drawPrimitive(QStyle::PE_Frame, &option, dc, m_window);
    return 0;
}

COLORREF CQStyleControlTheme::GetControlColor(int colorId) {
    const QPalette palette = Palette();
    switch (colorId) {
    case COLOR_BTNFACE: return KVXFromQColor(palette.color(QPalette::Button));
    case COLOR_BTNTEXT: return KVXFromQColor(palette.color(QPalette::ButtonText));
    case COLOR_WINDOW: return KVXFromQColor(palette.color(QPalette::Base));
    case COLOR_WINDOWTEXT: return KVXFromQColor(palette.color(QPalette::Text));
    case COLOR_HIGHLIGHT: return KVXFromQColor(palette.color(QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT: return KVXFromQColor(palette.color(QPalette::HighlightedText));
    case COLOR_GRAYTEXT: return KVXFromQColor(palette.color(QPalette::Disabled, QPalette::Text));
    case COLOR_BTNHIGHLIGHT: return KVXFromQColor(palette.color(QPalette::Light));
    case COLOR_BTNSHADOW: return KVXFromQColor(palette.color(QPalette::Dark));
    default: return GetSysColor(colorId);
    }
}

BOOL CQStyleControlTheme::IsVisualStyle(HWND) {
    return TRUE;
}
