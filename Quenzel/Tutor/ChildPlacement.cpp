#include "Quenzel/Tutor/ChildPlacement.h"

#include <QWidget>

#include "Quenzel/App/QuenzelApp.h"

namespace {

bool IsEmpty(const RECT& rect) { return rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0; }

} // namespace

void ApplyChildPlacement(QWidget* window, int kind, QWidget* mainWindow, const COptions* settings) {
    if (!window) return;
    WINDOWPLACEMENT placement;
    if (settings && settings->GetPlacement(kind, placement) && !IsEmpty(placement.rcNormalPosition)) {
        const RECT& r = placement.rcNormalPosition;
        window->setGeometry(r.left, r.top, std::max<int>(r.right - r.left, window->minimumWidth()),
                            std::max<int>(r.bottom - r.top, window->minimumHeight()));
    } else if (mainWindow) {
        window->setGeometry(mainWindow->geometry());
    }
}

void StoreChildPlacement(QWidget* window, int kind, QWidget* mainWindow, COptions* settings) {
    if (!window) return;
    const QRect frame = window->geometry();
    WINDOWPLACEMENT placement;
    placement.showCmd = 1;
    placement.rcNormalPosition = RECT{frame.left(), frame.top(), frame.left() + frame.width(),
                                      frame.top() + frame.height()};
    if (settings) settings->SetPlacement(kind, placement);
    if (mainWindow) mainWindow->setGeometry(frame);
}
