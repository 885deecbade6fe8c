#include "Pendrel/Theme/ClassicControlTheme.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

#include "Pendrel/Platform/KVXDrawText.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXSysColors.h"

namespace {

// The bevel colours of the system scheme.
QPalette ClassicPalette() {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, KVXToQColor(GetSysColor(COLOR_BTNFACE)));
    palette.setColor(QPalette::Light, KVXToQColor(GetSysColor(COLOR_BTNHIGHLIGHT)));
    palette.setColor(QPalette::Midlight, KVXToQColor(GetSysColor(COLOR_3DLIGHT)));
    palette.setColor(QPalette::Dark, KVXToQColor(GetSysColor(COLOR_BTNSHADOW)));
    palette.setColor(QPalette::Shadow, KVXToQColor(GetSysColor(COLOR_3DDKSHADOW)));
    return palette;
}

} // namespace

int CClassicControlTheme::DrawControlBackground(QPainter* dc, int state, const RECT* rect, const RECT*) {
    if (!dc || !rect) return 1;
    const QPalette palette = ClassicPalette();
    const QBrush face = palette.button();
    qDrawWinButton(dc, CKVXRect(*rect).ToQRect(), palette, state == 1, &face);
    return 0;
}

QImage CClassicControlTheme::DisabledLook(const QImage& image) {
    QStyleOption option;
    option.palette = QApplication::palette();
    const QPixmap disabled =
        QApplication::style()->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(image), &option);
    return disabled.toImage();
}

int CClassicControlTheme::DrawIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list) {
    if (!dc || !rect || !list || !list->GetSafeHandle()) return 1;
    const int count = list->GetImageCount();
    const int index = count >= 2 && state == 3 ? 1 : 0;
    QImage image = list->GetImage(index);
    if (image.isNull()) return 1;
    const CKVXRect area(*rect);
    if (area.Width() > 0 && area.Height() > 0 && image.size() != QSize(area.Width(), area.Height()))
        image = image.scaled(area.Width(), area.Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (count < 2 && state == 3) image = DisabledLook(image);
    dc->drawImage(QPoint(area.left, area.top), image);
    return 0;
}

int CClassicControlTheme::DrawControlIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list, int) {
    return DrawIcon(dc, state, rect, list);
}

int CClassicControlTheme::DrawParentBackground(HWND, QPainter*, const RECT*) {
    return 0;
}

int CClassicControlTheme::DrawControlText(QPainter* dc, int state, const wchar_t* text, int length, DWORD flags,
                                          DWORD, const RECT* rect) {
    if (!dc || !text || !rect) return 1;
    dc->save();
    if (state == 3) dc->setPen(KVXToQColor(GetSysColor(COLOR_GRAYTEXT)));
    dc->setBackgroundMode(Qt::TransparentMode);
    RECT area = *rect;
    DrawText(*dc, text, length, &area, flags);
    dc->restore();
    return 0;
}

int CClassicControlTheme::DrawControlEdge(QPainter*, int, const RECT*, UINT, UINT, RECT*) {
    return 0;
}

COLORREF CClassicControlTheme::GetControlColor(int) {
    return 0;
}

BOOL CClassicControlTheme::IsVisualStyle(HWND) {
    return FALSE;
}
