#include <gtest/gtest.h>

#include <cstdlib>

#include "Pendrel/Image/KVXGdiIcon.h"
#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Platform/KVXImageConversion.h"

namespace {

// A 6 x 4 picture with distinct colours and alpha values 0 to 255.
QImage TestPicture() {
    QImage picture(6, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) picture.setPixel(x, y, qRgba(40 * x, 60 * y, 200 - 30 * x, std::min(255, 51 * x + 10 * y)));
    return picture;
}

// Colours agree within 1 per channel where a pixel is visible enough to show
// them (premultiplied drawing keeps fewer colour steps at low alpha).
void ExpectSamePicture(const QImage& expected, const QImage& actual, bool withAlpha) {
    ASSERT_EQ(actual.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb e = expected.pixel(x, y);
            const QRgb a = actual.pixel(x, y);
            const int alpha = withAlpha ? qAlpha(e) : 255;
            EXPECT_NEAR(qAlpha(a), alpha, 1) << x << "," << y;
            if (alpha < 128) continue;
            EXPECT_NEAR(qRed(a), qRed(e), 1) << x << "," << y;
            EXPECT_NEAR(qGreen(a), qGreen(e), 1) << x << "," << y;
            EXPECT_NEAR(qBlue(a), qBlue(e), 1) << x << "," << y;
        }
}

TEST(ImageConversion, APictureWithAlphaGoesToTheImageAndBack) {
    const QImage picture = TestPicture();
    CKVXImage image;
    ASSERT_TRUE(KVXImageFromQImage(picture, image));
    EXPECT_EQ(image.GetWidth(), 6u);
    EXPECT_EQ(image.GetBpp(), 24);
    ASSERT_TRUE(image.AlphaIsValid());
    // The image's row 0 is the bottom row.
    EXPECT_EQ(image.AlphaGet(5, 0), qAlpha(picture.pixel(5, 3)));
    ExpectSamePicture(picture, KVXImageToQImage(image), true);
}

TEST(ImageConversion, AnOpaquePictureHasNoAlphaPlane) {
    QImage picture = TestPicture().convertToFormat(QImage::Format_RGB32);
    CKVXImage image;
    ASSERT_TRUE(KVXImageFromQImage(picture, image));
    EXPECT_FALSE(image.AlphaIsValid());
    ExpectSamePicture(picture, KVXImageToQImage(image), false);
}

TEST(ImageConversion, NothingComesOfNothing) {
    CKVXImage empty;
    EXPECT_TRUE(KVXImageToQImage(empty).isNull());
    EXPECT_FALSE(KVXImageFromQImage(QImage(), empty));
    EXPECT_EQ(KVXBitmapFromQImage(QImage()), nullptr);
    EXPECT_EQ(KVXIconFromQImage(QImage()), nullptr);
    EXPECT_TRUE(KVXBitmapToQImage(nullptr).isNull());
    EXPECT_TRUE(KVXIconToQImage(nullptr).isNull());
}

TEST(ImageConversion, BitmapsAreOpaqueAndIconsKeepTheirAlpha) {
    const QImage picture = TestPicture();
    HBITMAP bitmap = KVXBitmapFromQImage(picture);
    ASSERT_NE(bitmap, nullptr);
    ExpectSamePicture(picture.convertToFormat(QImage::Format_RGB32), KVXBitmapToQImage(bitmap), false);
    delete bitmap;

    HICON icon = KVXIconFromQImage(picture);
    ASSERT_NE(icon, nullptr);
    ExpectSamePicture(picture, KVXIconToQImage(icon), true);
    // The image library reads the icon's mask as its alpha.
    CKVXImage image;
    ASSERT_TRUE(image.CreateFromHICON(icon));
    EXPECT_EQ(image.AlphaGet(0, 3), qAlpha(picture.pixel(0, 0)));
    delete icon;
}

} // namespace
