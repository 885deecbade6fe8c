#include "Pendrel/Controls/TransparentStaticCtrl.h"

#include <QFontMetrics>
#include <QPainter>

#include <cwchar>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXText.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\TransparentStaticCtrl";
constexpr int kLineNoDc = 160;

} // namespace

CTransparentStaticCtrl::CTransparentStaticCtrl(QWidget* parent)
    : QLabel(parent), m_fontColor(GetSysColor(COLOR_BTNTEXT)), m_backgroundColor(GetSysColor(COLOR_BTNFACE)) {
    setTextFormat(Qt::PlainText);
}

BOOL CTransparentStaticCtrl::SetControlFont(const LOGFONTW& font) {
    m_ownFontGiven = TRUE;
    m_font = KVXFontFromLogFont(font);
    m_hasFont = true;
    return TRUE;
}

BOOL CTransparentStaticCtrl::SetCustomFont(int custom) {
    m_hasFont = false;
    if (custom == 0) return TRUE;
    LOGFONTW description{};
    description.lfHeight = 14;
    description.lfWeight = m_textOptions > 0 ? 700 : 400;
    description.lfPitchAndFamily = 0x20;
    std::wcsncpy(description.lfFaceName, L"Segeo UI", LF_FACESIZE - 1);
    m_font = KVXFontFromLogFont(description);
    m_hasFont = true;
    return TRUE;
}

BOOL CTransparentStaticCtrl::CreateCtrlFont() {
    if (m_hasFont) return TRUE;
    m_font = font();
    m_font.setWeight(m_textOptions > 0 ? QFont::Bold : QFont::Normal);
    m_hasFont = true;
    return TRUE;
}

void CTransparentStaticCtrl::paintEvent(QPaintEvent*) {
    if (m_outerDrawMode) return;
    QPainter painter(this);
    painter.setBackgroundMode(Qt::TransparentMode);
    if (m_eraseBackground) painter.fillRect(rect(), KVXToQColor(m_backgroundColor));
    DrawTextExW(&painter);
}

void CTransparentStaticCtrl::DrawTextExW(QPainter* dc) {
    ReportAssertion(dc != nullptr, kSourceFile, kLineNoDc);
    if (!dc) return;
    CKVXRect area(m_outerDrawMode && parentWidget() ? geometry() : rect());
    if (!CreateCtrlFont()) return;
    const COLORREF color = isEnabled() ? m_fontColor : GetSysColor(COLOR_GRAYTEXT);
    const CBasicString content = KVXFromQString(text());
    dc->save();
    dc->setPen(KVXToQColor(color));
    QFont drawFont = m_font;
    if (m_ownFontGiven) {
        const QFontMetrics metrics(m_font);
        const QSize extent(metrics.horizontalAdvance(text()), metrics.height());
        if (extent.width() > area.Width() || extent.height() > area.Height()) drawFont = font();
    }
    dc->setFont(drawFont);
    DrawText(*dc, content.GetString(), content.GetLength(), &area, m_textFormat);
    dc->restore();
}
