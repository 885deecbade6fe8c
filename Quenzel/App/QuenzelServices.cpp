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
    const QPixmap picture = KVXTakeIconPicture(framework->GetApplicationIcon(0));
    return picture.isNull() ? QIcon() : QIcon(picture);
}

void QuenzelServices::SetWindowIcon(QWidget* window) const {
    if (!window) return;
    const QIcon icon = ApplicationIcon();
    if (!icon.isNull()) window->setWindowIcon(icon);
}
