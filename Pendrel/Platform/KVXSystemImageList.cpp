#include "Pendrel/Platform/KVXSystemImageList.h"

#include <QFileIconProvider>
#include <QIcon>

namespace {

HIMAGELIST MakeSystemList(int size) {
    auto* list = new KVXImageListData;
    list->cx = size;
    list->cy = size;
    list->shared = true;
    const QFileIconProvider provider;
    const QAbstractFileIconProvider::IconType types[] = {
        QAbstractFileIconProvider::Computer, QAbstractFileIconProvider::Desktop, QAbstractFileIconProvider::Trashcan,
        QAbstractFileIconProvider::Network,  QAbstractFileIconProvider::Drive,   QAbstractFileIconProvider::Folder,
        QAbstractFileIconProvider::File};
    for (QAbstractFileIconProvider::IconType type : types) {
        QImage picture = provider.icon(type).pixmap(size, size).toImage();
        if (picture.isNull()) {
            picture = QImage(size, size, QImage::Format_ARGB32);
            picture.fill(Qt::transparent);
        } else if (picture.size() != QSize(size, size)) {
            picture = picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        list->images.push_back(picture.convertToFormat(QImage::Format_ARGB32));
    }
    return list;
}

} // namespace

HIMAGELIST KVXGetSystemImageList(UINT flags) {
    // Made once and kept for the whole run.
    static HIMAGELIST small = MakeSystemList(16);
    static HIMAGELIST large = MakeSystemList(32);
    return (flags & SHGFI_SMALLICON) ? small : large;
}
