#include "Pendrel/Platform/KVXImageConversion.h"

#include <QPainter>

#include <new>

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Platform/KVXPainterDeviceContext.h"

QImage KVXImageToQImage(CKVXImage& image) {
    if (!image.IsValid()) return QImage();
    QImage canvas(static_cast<int>(image.GetWidth()), static_cast<int>(image.GetHeight()),
                  QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) return canvas;
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        CKVXPainterDeviceContext dc(painter);
        image.Draw(&dc, 0, 0);
    }
    return canvas.convertToFormat(QImage::Format_ARGB32);
}

bool KVXImageFromQImage(const QImage& source, CKVXImage& image) {
    if (source.isNull()) return false;
    const bool withAlpha = source.hasAlphaChannel();
    QImage pixels = source.convertToFormat(withAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    return image.CreateFromArray(pixels.bits(), static_cast<DWORD>(pixels.width()),
                                 static_cast<DWORD>(pixels.height()), withAlpha ? 32 : 24,
                                 static_cast<DWORD>(pixels.bytesPerLine()), true);
}

QImage KVXBitmapToQImage(HBITMAP bitmap) {
    CKVXImage image;
    if (!image.CreateFromHBITMAP(bitmap)) return QImage();
    return KVXImageToQImage(image);
}

QImage KVXIconToQImage(HICON icon) {
    CKVXImage image;
    if (!image.CreateFromHICON(icon)) return QImage();
    return KVXImageToQImage(image);
}

HBITMAP KVXBitmapFromQImage(const QImage& source) {
    CKVXImage image;
    if (!KVXImageFromQImage(source.convertToFormat(QImage::Format_RGB32), image)) return nullptr;
    return image.MakeBitmap(nullptr);
}

HICON KVXIconFromQImage(const QImage& source) {
    if (source.isNull()) return nullptr;
    const QImage pixels = source.convertToFormat(QImage::Format_ARGB32);
    QImage mask(pixels.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        uchar* maskRow = mask.scanLine(y);
        for (int x = 0; x < pixels.width(); ++x) maskRow[x] = static_cast<uchar>(255 - qAlpha(row[x]));
    }
    HBITMAP color = KVXBitmapFromQImage(pixels);
    HBITMAP maskBitmap = KVXBitmapFromQImage(mask);
    HICON icon = color && maskBitmap ? new (std::nothrow) CKVXGdiIcon(color, maskBitmap) : nullptr;
    if (!icon) {
        delete color;
        delete maskBitmap;
    }
    return icon;
}
