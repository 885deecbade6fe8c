#pragma once
// Pictures between the image library and Qt:
//
// - KVXImageToQImage draws the image (with its alpha, transparent colour
//   and overall opacity, as CKVXImage::Draw does) onto a transparent Qt
//   image of its size; a null image for an image without pixels.
// - KVXImageFromQImage makes a 24-bit image, with an alpha plane when the
//   Qt image has an alpha channel.
// - Bitmaps (HBITMAP) are 24-bit pictures without alpha; icons (HICON) are
//   a colour bitmap and a mask whose grey level is 255 minus the alpha, so
//   that CKVXImage::CreateFromHICON gives the alpha back. The caller owns
//   what these functions make and frees it with delete.

#include <QImage>
#include <QPixmap>

#include "Pendrel/Image/KVXGdiBitmap.h"
#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class CKVXImage;

PENDREL_API QImage KVXImageToQImage(CKVXImage& image);
PENDREL_API bool KVXImageFromQImage(const QImage& source, CKVXImage& image);

PENDREL_API QImage KVXBitmapToQImage(HBITMAP bitmap);
PENDREL_API QImage KVXIconToQImage(HICON icon);
// Null for a null Qt image.
PENDREL_API HBITMAP KVXBitmapFromQImage(const QImage& image);
PENDREL_API HICON KVXIconFromQImage(const QImage& image);

// The picture of an icon, which it takes and frees; a null picture for a
// null icon. One place for what every window showing the program's icon
// does with the handle it was given.
inline QPixmap KVXTakeIconPicture(HICON icon) {
    if (!icon) return QPixmap();
    QPixmap picture = QPixmap::fromImage(KVXIconToQImage(icon));
    delete icon;
    return picture;
}
