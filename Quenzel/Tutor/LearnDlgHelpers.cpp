#include "Quenzel/Tutor/LearnDlgHelpers.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPainter>
#include <QWidget>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Tutor/ChildPlacement.h"
#include "DataBase/AbstractDataBase.h"
#include "Pendrel/Platform/KVXFonts.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/App/QuenzelApp.h"

namespace {

QFont FontOrFallback(const COptions* options, void (COptions::*get)(LOGFONTW&) const, const QFont& fallback) {
    if (!options) return fallback;
    LOGFONTW font{};
    (options->*get)(font);
    return font.lfFaceName[0] ? KVXFontFromLogFont(font) : fallback;
}

} // namespace

QColor TutorColorFromRef(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QColor TutorNormalColor(const COptions* settings) {
    return TutorColorFromRef(settings ? settings->GetNormalColor() : 0);
}
QColor TutorKnownColor(const COptions* settings) {
    return TutorColorFromRef(settings ? settings->GetKnownColor() : 0x8000);
}
QColor TutorUnknownColor(const COptions* settings) {
    return TutorColorFromRef(settings ? settings->GetUnknownColor() : 0xFF);
}

QFont TutorNormalFont(const COptions* settings, const QFont& fallback) {
    return FontOrFallback(settings, &COptions::GetNormalFont, fallback);
}
QFont TutorLeftFont(const COptions* settings, const QFont& fallback) {
    return FontOrFallback(settings, &COptions::GetLeftFont, fallback);
}
QFont TutorRightFont(const COptions* settings, const QFont& fallback) {
    return FontOrFallback(settings, &COptions::GetRightFont, fallback);
}

void TutorShowOwner(QWidget* owner) {
    if (!owner) return;
    owner->show();
    owner->raise();
    owner->activateWindow();
}

CBasicString TutorLanguageName(CAbstractDataBase* database, int id) {
    if (!database) return CBasicString();
    for (const LanguageRecord& language : database->GetLanguages(0))
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

BOOL TutorOpenWindow(CKVXDialog& window, int kind, QWidget* owner, const COptions* settings) {
    if (window.IsCreated()) window.DestroyWindow();
    if (!window.Create()) return FALSE;
    ApplyChildPlacement(&window, kind, owner, settings);
    window.show();
    window.raise();
    window.activateWindow();
    if (owner) owner->hide();
    return TRUE;
}

void TutorSetHeader(CKVXDialog& dialog, UINT titleId, UINT titleText, UINT helpId, UINT helpText) {
    if (auto* title = dialog.GetDlgItem<QLabel>(titleId)) {
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        title->setText(KVXToQString(QuenzelString(titleText)));
    }
    if (auto* help = dialog.GetDlgItem<QLabel>(helpId)) {
        help->setWordWrap(true);
        help->setText(KVXToQString(QuenzelString(helpText)));
    }
}

BOOL TutorRestoreLayout(CKVXDialog& dialog, const TutorFirstLayout& layout) {
    if (layout.places.empty()) return FALSE;
    dialog.resize(layout.size);
    for (const auto& [id, rect] : layout.places)
        if (QWidget* control = dialog.GetDlgItem(id)) control->setGeometry(rect);
    return TRUE;
}

void TutorKeepLayout(CKVXDialog& dialog, TutorFirstLayout& layout, const UINT* ids, size_t count) {
    layout.size = dialog.size();
    for (size_t i = 0; i < count; ++i)
        if (QWidget* control = dialog.GetDlgItem(ids[i])) layout.places[ids[i]] = control->geometry();
}

void TutorMakeButtons(CKVXDialog& dialog, const TutorButtonImage* images, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const TutorButtonImage& image = images[i];
        if (!dialog.GetDlgItem(image.control) || qobject_cast<CWinButton*>(dialog.GetDlgItem(image.control))) continue;
        auto* button = new CWinButton(WinButtonPush, &dialog);
        const CBasicString caption = dialog.GetDlgItemText(image.control);
        dialog.SubclassDlgItem(image.control, button);
        button->SetButtonText(caption.GetString());
        if (image.png)
            button->SetPNG(image.png);
        else
            button->SetIcon(image.icon, image.disabledIcon, image.size);
    }
}

void TutorStyleCounters(CKVXDialog& dialog, const UINT (&ids)[6], const COptions* settings) {
    const QFont normal = TutorNormalFont(settings, dialog.font());
    const QColor colors[] = {TutorKnownColor(settings), TutorUnknownColor(settings), TutorNormalColor(settings)};
    for (size_t i = 0; i < 6; ++i) {
        QWidget* label = dialog.GetDlgItem(ids[i]);
        if (!label) continue;
        label->setFont(normal);
        TutorSetTextColor(label, colors[i / 2]);
    }
}

BOOL TutorShowAdvertisement(CKVXDialog& dialog, QPointer<CAdvertiseDialog>& panel, UINT placeholderId,
                            const std::vector<CBasicString>& items, const COptions* settings) {
    QWidget* placeholder = dialog.GetDlgItem(placeholderId);
    if (!settings || !placeholder || !settings->GetAdvertisement()) {
        if (panel) panel->hide();
        return FALSE;
    }
    if (!panel) panel = new CAdvertiseDialog(&dialog);
    if (!panel->IsCreated() && !panel->Create(&dialog)) return FALSE;
    TutorPlaceAdvertisement(dialog, panel, placeholderId);
    panel->show();
    panel->NavigateURL(items, 11);
    return TRUE;
}

void TutorFitListToAdvertisement(QWidget* list, const QWidget* placeholder, BOOL panelShown, int& listTop) {
    if (!list || !placeholder) return;
    if (listTop < 0) listTop = list->y();
    const int bottom = list->y() + list->height();
    const int top = panelShown ? listTop : placeholder->y();
    list->setGeometry(list->x(), top, list->width(), bottom - top);
}

void TutorPlaceAdvertisement(CKVXDialog& dialog, CAdvertiseDialog* panel, UINT placeholderId) {
    QWidget* placeholder = dialog.GetDlgItem(placeholderId);
    if (panel && placeholder) panel->setGeometry(placeholder->geometry());
}
