#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <cstring>
#include <set>

#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXResourceImages.h"
#include "Pendrel/Platform/KVXResources.h"

namespace {

// A module handle of the test's own, for Pendrel's compiled-in resources.
HINSTANCE TestModule() {
    static const char anchor = 0;
    return const_cast<char*>(&anchor);
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override { KVXRegisterResourceModule(TestModule(), "pendrel"); }
    void TearDown() override { KVXUnregisterResourceModule(TestModule()); }
};

TEST_F(Resources, KindsMapOntoFoldersAndExtensions) {
    struct Case {
        const wchar_t* type;
        const char* path;
    } cases[] = {
        {KVX_RESOURCE_PNG, ":/kvx/pendrel/png/424.png"},   {KVX_RESOURCE_ICON, ":/kvx/pendrel/icon/424.ico"},
        {KVX_RESOURCE_BITMAP, ":/kvx/pendrel/bitmap/424.bmp"}, {KVX_RESOURCE_HTML, ":/kvx/pendrel/html/424.html"},
        {L"png", ":/kvx/pendrel/png/424.png"},             {L"CURSOR", ""},
        {nullptr, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(KVXResourcePath(TestModule(), 424, c.type), QString::fromUtf8(c.path));
    EXPECT_EQ(KVXResourcePath(TestModule(), L"main", KVX_RESOURCE_ICON), QStringLiteral(":/kvx/pendrel/icon/main.ico"));
    EXPECT_EQ(KVXResourcePath(TestModule(), L"../html/150", KVX_RESOURCE_PNG), QString());
    EXPECT_EQ(KVXResourcePath(nullptr, 424, KVX_RESOURCE_PNG), QString());
}

TEST_F(Resources, FoundResourcesHandOutTheirBytesForGood) {
    HRSRC png = KVXFindResource(TestModule(), 424, KVX_RESOURCE_PNG);
    ASSERT_NE(png, nullptr);
    ASSERT_GT(png->size, 8u);
    EXPECT_EQ(std::memcmp(png->data, "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(KVXFindResource(TestModule(), L"424", KVX_RESOURCE_PNG), png);

    HRSRC page = KVXFindResource(TestModule(), 151, KVX_RESOURCE_HTML);
    ASSERT_NE(page, nullptr);
    const std::string text(reinterpret_cast<const char*>(page->data), page->size);
    EXPECT_NE(text.find("End User License Agreement"), std::string::npos);

    EXPECT_EQ(KVXFindResource(TestModule(), 999, KVX_RESOURCE_PNG), nullptr);
    EXPECT_EQ(KVXFindResource(TestModule(), 424, KVX_RESOURCE_ICON), nullptr);
    KVXUnregisterResourceModule(TestModule());
    EXPECT_EQ(KVXFindResource(TestModule(), 424, KVX_RESOURCE_PNG), nullptr);
}

TEST_F(Resources, IconsComeAtTheAskedSize) {
    HRSRC resource = KVXFindResource(TestModule(), 337, KVX_RESOURCE_ICON);
    ASSERT_NE(resource, nullptr);
    struct Case {
        int size, pixels;
    } cases[] = {{16, 16}, {24, 24}, {0, KVX_SYSTEM_ICON_SIZE}, {-3, KVX_SYSTEM_ICON_SIZE}, {20, 20}, {64, 64}};
    for (const Case& c : cases) {
        HICON icon = KVXCreateIconFromResource(resource, c.size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << c.size;
        const QImage picture = KVXIconToQImage(icon);
        EXPECT_EQ(picture.size(), QSize(c.pixels, c.pixels)) << c.size;
        // The icon is a round badge: clear corners, an opaque middle.
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << c.size;
        EXPECT_EQ(qAlpha(picture.pixel(c.pixels / 2, c.pixels / 4)), 255) << c.size;
        delete icon;
    }
    EXPECT_EQ(KVXCreateIconFromResource(nullptr, 16, 0), nullptr);
    EXPECT_EQ(KVXCreateIconFromResource(KVXFindResource(TestModule(), 424, KVX_RESOURCE_PNG), 16, 0), nullptr);
}

TEST_F(Resources, ReducedColoursAreVgaOrBlackAndWhite) {
    HRSRC resource = KVXFindResource(TestModule(), 366, KVX_RESOURCE_ICON);
    ASSERT_NE(resource, nullptr);
    HICON mono = KVXCreateIconFromResource(resource, 32, LR_MONOCHROME);
    ASSERT_NE(mono, nullptr);
    std::set<QRgb> monoColors;
    const QImage monoPicture = KVXIconToQImage(mono);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = monoPicture.pixel(x, y);
            EXPECT_TRUE(qAlpha(pixel) == 0 || qAlpha(pixel) == 255);
            if (qAlpha(pixel) == 255) monoColors.insert(pixel);
        }
    const std::set<QRgb> blackAndWhite{qRgb(0, 0, 0), qRgb(255, 255, 255)};
    EXPECT_TRUE(std::includes(blackAndWhite.begin(), blackAndWhite.end(), monoColors.begin(), monoColors.end()));
    delete mono;

    HICON vga = KVXCreateIconFromResource(resource, 32, LR_VGACOLOR);
    ASSERT_NE(vga, nullptr);
    const QImage vgaPicture = KVXIconToQImage(vga);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = vgaPicture.pixel(x, y);
            if (qAlpha(pixel) < 255) continue;
            for (int channel : {qRed(pixel), qGreen(pixel), qBlue(pixel)})
                EXPECT_TRUE(channel == 0 || channel == 128 || channel == 192 || channel == 255) << channel;
        }
    delete vga;
}

TEST_F(Resources, BitmapsComeFromBitmapFiles) {
    QImage picture(5, 3, QImage::Format_RGB32);
    picture.fill(qRgb(12, 34, 56));
    picture.setPixel(4, 2, qRgb(200, 100, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "BMP"));
    const KVXRESOURCE resource{reinterpret_cast<const BYTE*>(bytes.constData()), static_cast<DWORD>(bytes.size())};
    HBITMAP bitmap = KVXCreateBitmapFromResource(&resource);
    ASSERT_NE(bitmap, nullptr);
    const QImage back = KVXBitmapToQImage(bitmap);
    EXPECT_EQ(back.size(), QSize(5, 3));
    EXPECT_EQ(back.pixel(0, 0), qRgb(12, 34, 56));
    EXPECT_EQ(back.pixel(4, 2), qRgb(200, 100, 0));
    delete bitmap;
    EXPECT_EQ(KVXCreateBitmapFromResource(nullptr), nullptr);
    const KVXRESOURCE junk{reinterpret_cast<const BYTE*>("not a bitmap"), 12};
    EXPECT_EQ(KVXCreateBitmapFromResource(&junk), nullptr);
}

} // namespace
