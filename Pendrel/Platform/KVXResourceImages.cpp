#include "Pendrel/Platform/KVXResourceImages.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <iterator>
#include <limits>

#include "Pendrel/Platform/KVXImageConversion.h"

namespace {

const QRgb kVgaColors[] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

QByteArray BytesOf(HRSRC resource) {
    if (!resource || !resource->data) return QByteArray();
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource->data),
                                   static_cast<qsizetype>(resource->size));
}

// The picture of the icon file that fits size best (see the header).
QImage ChooseIconPicture(const QByteArray& bytes, int size) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage exact, larger, largest;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        const QImage picture = reader.read();
        if (picture.isNull()) continue;
        const int width = picture.width();
        if (width == size && exact.isNull()) exact = picture;
        if (width > size && (larger.isNull() || width < larger.width())) larger = picture;
        if (largest.isNull() || width > largest.width()) largest = picture;
    }
    const QImage chosen = !exact.isNull() ? exact : !larger.isNull() ? larger : largest;
    if (chosen.isNull() || chosen.size() == QSize(size, size)) return chosen;
    return chosen.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QRgb NearestVgaColor(QRgb color) {
    QRgb best = kVgaColors[0];
    int bestDistance = std::numeric_limits<int>::max();
    for (QRgb candidate : kVgaColors) {
        const int dr = qRed(color) - qRed(candidate);
        const int dg = qGreen(color) - qGreen(candidate);
        const int db = qBlue(color) - qBlue(candidate);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) bestDistance = distance, best = candidate;
    }
    return best;
}

void ReduceColors(QImage& picture, UINT flags) {
    for (int y = 0; y < picture.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (flags & LR_MONOCHROME) {
                const int level = qGray(row[x]) >= 128 ? 255 : 0;
                row[x] = qRgba(level, level, level, alpha >= 128 ? 255 : 0);
            } else {
                const QRgb color = NearestVgaColor(row[x]);
                row[x] = qRgba(qRed(color), qGreen(color), qBlue(color), alpha);
            }
        }
    }
}

} // namespace

HICON KVXCreateIconFromResource(HRSRC resource, int size, UINT flags) {
    const QByteArray bytes = BytesOf(resource);
    if (bytes.isEmpty()) return nullptr;
    QImage picture = ChooseIconPicture(bytes, size < 1 ? KVX_SYSTEM_ICON_SIZE : size);
    if (picture.isNull()) return nullptr;
    picture = picture.convertToFormat(QImage::Format_ARGB32);
    if (flags & (LR_MONOCHROME | LR_VGACOLOR)) ReduceColors(picture, flags);
    return KVXIconFromQImage(picture);
}

HBITMAP KVXCreateBitmapFromResource(HRSRC resource) {
    const QByteArray bytes = BytesOf(resource);
    if (bytes.isEmpty()) return nullptr;
    return KVXBitmapFromQImage(QImage::fromData(bytes, "BMP"));
}
