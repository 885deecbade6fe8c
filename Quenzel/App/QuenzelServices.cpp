#include "Quenzel/App/QuenzelServices.h"

#include <QPixmap>
#include <QWidget>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Platform/KVXImageConversion.h"

namespace {
constexpr COLORREF kDefaultBackground = 0xFFFFFF;
}

COLORREF QuenzelServices::DlgBkColor() const {
    return framework ? framework->GetDlgBkColor() : kDefaultBackground;
}

COLORREF QuenzelServices::TabPageBkColor() const {
    return framework ? framework->GetTabPageBkColor() : kDefaultBackground;
}

QIcon QuenzelServices::ApplicationIcon() const {
    if (!framework) return QIcon();
    HICON icon = framework->GetApplicationIcon(0);
    if (!icon) return QIcon();
    QIcon result(QPixmap::fromImage(KVXIconToQImage(icon)));
    delete icon;
    return result;
}

void QuenzelServices::SetWindowIcon(QWidget* window) const {
    if (!window) return;
    const QIcon icon = ApplicationIcon();
    if (!icon.isNull()) window->setWindowIcon(icon);
}
