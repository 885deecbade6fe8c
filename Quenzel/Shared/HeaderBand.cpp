#include "Quenzel/Shared/HeaderBand.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include "Pendrel/Dialogs/KVXResizableDlg.h"
#include "Quenzel/App/QuenzelApp.h"

void QuenzelPaintHeaderBand(QWidget* window, const QWidget* line, const QImage* logo) {
    if (!window || !line) return;
    const QRect header(0, 0, window->width(), line->y());
    if (header.isEmpty()) return;
    QPainter painter(window);
    if (!logo || logo->isNull()) {
        painter.fillRect(header, Qt::white);
        return;
    }
    QImage memory;
    CKVXResizableDlg::PaintBitmap(painter, memory, *logo, CKVXRect(0, 0, header.width(), header.height()), TRUE);
    painter.drawImage(header.topLeft(), memory);
}
