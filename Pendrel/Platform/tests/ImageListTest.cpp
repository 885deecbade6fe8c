#include <gtest/gtest.h>

#include <QPainter>

#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXSystemImageList.h"
#include "PlatformTestSupport.h"

using kvxplatformtest::Filled;

namespace {

// A strip of three 16 x 16 squares: red, green, blue, each with a clear
// top-left corner pixel.
QImage Strip() {
    QImage strip = Filled(48, 16, Qt::red);
    QPainter painter(&strip);
    painter.fillRect(16, 0, 16, 16, Qt::green);
    painter.fillRect(32, 0, 16, 16, Qt::blue);
    painter.end();
    for (int i = 0; i < 3; ++i) strip.setPixel(16 * i, 0, qRgba(0, 0, 0, 0));
    return strip;
}

TEST(ImageList, AStripBecomesOnePicturePerCell) {
    CKVXImageList list;
    EXPECT_EQ(list.Add(Strip()), -1);
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 1));
    EXPECT_FALSE(list.Create(16, 16, 0, 0, 1));
    EXPECT_EQ(list.Add(Strip()), 0);
    EXPECT_EQ(list.Add(Strip().copy(0, 0, 40, 16)), 3);  // the part past two cells is dropped
    EXPECT_EQ(list.GetImageCount(), 5);
    EXPECT_EQ(list.GetImage(1).pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(list.GetImage(2).pixel(0, 0)), 0);
    EXPECT_TRUE(list.GetImage(5).isNull());
    EXPECT_TRUE(list.GetImage(-1).isNull());
    EXPECT_EQ(list.Add(Filled(8, 8, Qt::red)), -1);
}

TEST(ImageList, MaskedBitmapsAndIconsAddTheirTransparency) {
    CKVXImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 1));
    QImage keyed = Filled(16, 16, Qt::magenta);
    keyed.setPixel(3, 3, qRgb(10, 20, 30));
    HBITMAP bitmap = KVXBitmapFromQImage(keyed);
    EXPECT_EQ(list.Add(bitmap, RGB(255, 0, 255)), 0);
    EXPECT_EQ(qAlpha(list.GetImage(0).pixel(0, 0)), 0);
    EXPECT_EQ(list.GetImage(0).pixel(3, 3), qRgb(10, 20, 30));

    QImage maskPicture = Filled(16, 16, Qt::black);
    maskPicture.setPixel(1, 1, qRgb(255, 255, 255));
    HBITMAP mask = KVXBitmapFromQImage(maskPicture);
    EXPECT_EQ(list.Add(bitmap, mask), 1);
    EXPECT_EQ(qAlpha(list.GetImage(1).pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(list.GetImage(1).pixel(0, 0)), 255);
    delete bitmap;
    delete mask;

    HICON icon = KVXIconFromQImage(Filled(32, 32, QColor(0, 0, 255, 255)));
    EXPECT_EQ(list.Add(icon), 2);
    EXPECT_EQ(list.GetImage(2).size(), QSize(16, 16));
    EXPECT_EQ(list.GetImage(2).pixel(8, 8), qRgb(0, 0, 255));
    delete icon;
}

TEST(ImageList, DrawingFillsTintsOrKeepsTheBackground) {
    CKVXImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32, 0, 1));
    list.Add(Strip());
    auto draw = [&](UINT style) {
        QImage surface = Filled(20, 20, Qt::white);
        QPainter painter(&surface);
        EXPECT_TRUE(list.Draw(painter, 0, QPoint(2, 2), style));
        return surface;
    };
    EXPECT_EQ(draw(ILD_NORMAL).pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(list.SetBkColor(RGB(0, 0, 0)), CLR_NONE);
    EXPECT_EQ(draw(ILD_NORMAL).pixel(2, 2), qRgb(0, 0, 0));
    EXPECT_EQ(draw(ILD_TRANSPARENT).pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(draw(ILD_TRANSPARENT).pixel(5, 5), qRgb(255, 0, 0));
    const QColor highlight = KVXToQColor(GetSysColor(COLOR_HIGHLIGHT));
    const QRgb tinted = draw(ILD_TRANSPARENT | ILD_BLEND50).pixel(5, 5);
    EXPECT_NEAR(qRed(tinted), (255 + highlight.red()) / 2, 1);
    EXPECT_NEAR(qBlue(tinted), highlight.blue() / 2, 1);
    QImage surface = Filled(4, 4, Qt::white);
    QPainter painter(&surface);
    EXPECT_FALSE(list.Draw(painter, 9, QPoint(0, 0), ILD_NORMAL));
}

TEST(ImageList, TheSystemListsAreSharedAndNeverFreed) {
    CKVXImageList small;
    ASSERT_TRUE(KVXGetSystemIconImageList(SHGFI_SMALLICON | SHGFI_SYSICONINDEX, small));
    ASSERT_EQ(small.GetImageCount(), 7);
    EXPECT_EQ(small.GetImage(KVX_SYSTEM_ICON_FOLDER).size(), QSize(16, 16));
    HIMAGELIST shared = small.GetSafeHandle();
    KVXDetachImageList(small);
    EXPECT_EQ(small.GetSafeHandle(), nullptr);
    KVXDetachImageList(small);

    {
        CKVXImageList careless;
        KVXGetSystemIconImageList(SHGFI_SMALLICON, careless);
        EXPECT_EQ(careless.GetSafeHandle(), shared);
    }  // destroyed while holding the shared list
    CKVXImageList again;
    KVXGetSystemIconImageList(SHGFI_SMALLICON, again);
    EXPECT_EQ(again.GetSafeHandle(), shared);
    EXPECT_EQ(again.GetImageCount(), 7);
    KVXDetachImageList(again);

    CKVXImageList large;
    KVXGetSystemIconImageList(SHGFI_LARGEICON, large);
    EXPECT_EQ(large.GetImage(KVX_SYSTEM_ICON_FILE).size(), QSize(32, 32));
    EXPECT_FALSE(large.Attach(shared));
    KVXDetachImageList(large);
}

} // namespace
