#pragma once
// Helpers of the Qt layer's tests.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

namespace kvxplatformtest {

// The font the drawing tests use (only DejaVu fonts are installed).
inline QFont TestFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    return font;
}

// A Qt image of the size filled with one colour.
inline QImage Filled(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

// The smallest rectangle around the pixels that differ from the background;
// empty when there are none.
inline QRect InkBox(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace kvxplatformtest
