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

void TutorShowOwner(QWidget* owner) {
    if (!owner) return;
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
