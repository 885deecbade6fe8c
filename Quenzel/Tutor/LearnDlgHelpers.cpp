#include "Quenzel/Tutor/LearnDlgHelpers.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Quenzel/Shell/Options.h"
#include "Quenzel/Shell/QuenzelApp.h"

namespace {

COptions* Settings() {
    CQuenzelApp* app = QuenzelGetApp();
    return app ? &app->GetOptions() : nullptr;
}

QFont FontOrFallback(void (COptions::*get)(LOGFONTW&) const, const QFont& fallback) {
    COptions* options = Settings();
    if (!options) return fallback;
    LOGFONTW font{};
    (options->*get)(font);
    return font.lfFaceName[0] ? KVXFontFromLogFont(font) : fallback;
}

} // namespace

QColor TutorColorFromRef(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QColor TutorNormalColor() { return TutorColorFromRef(Settings() ? Settings()->GetNormalColor() : 0); }
QColor TutorKnownColor() { return TutorColorFromRef(Settings() ? Settings()->GetKnownColor() : 0x8000); }
QColor TutorUnknownColor() { return TutorColorFromRef(Settings() ? Settings()->GetUnknownColor() : 0xFF); }

QFont TutorNormalFont(const QFont& fallback) { return FontOrFallback(&COptions::GetNormalFont, fallback); }
QFont TutorLeftFont(const QFont& fallback) { return FontOrFallback(&COptions::GetLeftFont, fallback); }
QFont TutorRightFont(const QFont& fallback) { return FontOrFallback(&COptions::GetRightFont, fallback); }

void TutorSaveWindowPlacement(QWidget* window, int kind) {
    COptions* options = Settings();
    if (!window || !options) return;
    const QRect frame = window->isMaximized() ? window->normalGeometry() : window->geometry();
    WINDOWPLACEMENT placement;
    placement.showCmd = window->isMaximized() ? 3 : 1;
    placement.rcNormalPosition = RECT{frame.left(), frame.top(), frame.left() + frame.width(),
                                      frame.top() + frame.height()};
    options->SetPlacement(kind, placement);
}

BOOL TutorApplyWindowPlacement(QWidget* window, int kind) {
    COptions* options = Settings();
    WINDOWPLACEMENT placement;
    if (!window || !options || !options->GetPlacement(kind, placement)) return FALSE;
    const RECT& r = placement.rcNormalPosition;
    if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) return FALSE;
    if (r.right <= r.left || r.bottom <= r.top) return FALSE;
    window->setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (placement.showCmd == 3) window->showMaximized();
    return TRUE;
}

void TutorRestoreOwner(QWidget* closing, QWidget* owner) {
    if (!owner) return;
    if (closing) owner->setGeometry(closing->geometry());
    owner->show();
    owner->raise();
    owner->activateWindow();
}

void TutorPaintHeaderBand(QWidget* window, int lineTop) {
    const QRect header(0, 0, window->width(), lineTop);
    if (header.isEmpty()) return;
    QPainter painter(window);
    const CQuenzelApp* app = QuenzelGetApp();
    const QImage logo = app ? app->GetLogo() : QImage();
    if (logo.isNull()) {
        painter.fillRect(header, Qt::white);
        return;
    }
    QImage memory;
    CKVXResizableDlg::PaintBitmap(painter, memory, logo, CKVXRect(0, 0, header.width(), header.height()), TRUE);
    painter.drawImage(header.topLeft(), memory);
}

CBasicString TutorLanguageName(int id) {
    CQuenzelApp* app = QuenzelGetApp();
    if (!app || !app->GetDataBase()) return CBasicString();
    for (const LanguageRecord& language : app->GetDataBase()->GetLanguages(0))
        if (language.id == id) return language.name;
    return CBasicString();
}

void TutorSetTextColor(QWidget* widget, const QColor& color) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}
