// Cross-decoding with Qt's image readers: the files our encoders and the
// fixture writers make, and a fixed set of PNG and JPEG files that packages
// of the install script bring, decode to the same pixels with our codecs as
// with QImage (ImageQtCompare.h says how composited pixels are expected).
// The sweep over every such file under a folder is the hand-run
// image_qt_sweep.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"
#include "Pendrel/Image/tests/qt/ImageQtCompare.h"

using kvxcodectest::Bytes;

namespace {

// Decodes the bytes with our codec of `type` and with Qt, and compares.
void ExpectSameAsQt(const Bytes& file, DWORD type, const std::string& name, int tolerance = 1) {
    ASSERT_FALSE(file.empty()) << name;
    CKVXImage ours;
    ASSERT_TRUE(kvxcodectest::DecodeBytes(ours, file, type)) << name << ": " << ours.GetLastError();
    const QImage reference = kvximageqt::QtDecode(file);
    ASSERT_FALSE(reference.isNull()) << name << ": Qt cannot read it";
    EXPECT_EQ(kvximageqt::Difference(ours, reference, tolerance, file), "") << name;
}

// ----- Files the tests make ------------------------------------------------------

void FillPattern(CKVXImage& image) {
    for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
            if (image.GetBpp() == 24) image.SetPixelColor(x, y, RGBQUAD{BYTE(x * 9), BYTE(y * 13), BYTE(x * y), 0});
            else image.SetPixelIndex(x, y, static_cast<BYTE>((x + 2 * y) % 7));
        }
}

TEST(ImageQtCross, OurEncodersAtEveryDepth) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CKVXImage image(13, 7, bpp);
        if (bpp < 24) image.SetStdPalette();
        if (bpp == 1) image.SetPaletteColor(1, RGBQUAD{200, 100, 50, 0});
        FillPattern(image);
        const std::string depth = std::to_string(bpp) + " bpp";
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeBmp), CKVXImage::ImageTypeBmp,
                       "BMP " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypePng), CKVXImage::ImageTypePng,
                       "PNG " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeIco), CKVXImage::ImageTypeIco,
                       "ICO " + depth);
        if (bpp < 24) image.SetTransIndex(2);
        else image.AlphaCreate(), image.AlphaSet(3, 4, 0), image.AlphaSet(5, 1, 90);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypePng), CKVXImage::ImageTypePng,
                       "transparent PNG " + depth);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(image, CKVXImage::ImageTypeIco), CKVXImage::ImageTypeIco,
                       "transparent ICO " + depth);
    }
    CKVXImage photo(40, 24, 24);
    FillPattern(photo);
    for (DWORD options : {0u, 0x10u}) {
        photo.SetCodecOption(options, CKVXImage::ImageTypeJpg);
        ExpectSameAsQt(kvxcodectest::EncodeToBytes(photo, CKVXImage::ImageTypeJpg), CKVXImage::ImageTypeJpg,
                       "JPEG options " + std::to_string(options), 2);
    }
    photo.GrayScale();
    ExpectSameAsQt(kvxcodectest::EncodeToBytes(photo, CKVXImage::ImageTypeJpg), CKVXImage::ImageTypeJpg, "grey JPEG",
                   2);
}

TEST(ImageQtCross, PngFixturesOfEveryColourType) {
    // gamma: the file's gAMA × 100000, 0 for none. Grey with alpha at 8 bits
    // is composited in linear light when the gamma is not 1.
    struct Form {
        int bitDepth, colorType, channels;
        bool trns, background, interlaced;
        png_uint_32 gamma;
    };
    const Form forms[] = {
        {1, 0, 1, false, false, false, 0},       {2, 0, 1, false, false, true, 0},
        {4, 0, 1, false, false, false, 0},       {8, 0, 1, true, false, false, 0},
        {16, 0, 1, false, false, false, 0},      {8, 2, 3, false, false, true, 0},
        {8, 2, 3, true, true, false, 0},         {16, 2, 3, false, false, false, 0},
        {2, 3, 1, true, false, false, 0},        {8, 3, 1, true, true, true, 0},
        {8, 4, 2, false, false, false, 0},       {8, 4, 2, false, true, false, 0},
        {16, 4, 2, false, false, true, 0},       {8, 6, 4, false, false, true, 0},
        {16, 6, 4, false, false, false, 0},      {8, 4, 2, false, false, false, 45455},
        {8, 4, 2, false, true, false, 45455},    {8, 4, 2, false, false, true, 220000},
        {8, 4, 2, false, false, false, 100000},  {8, 4, 2, false, true, false, 103000},
        {16, 4, 2, false, false, false, 45455},  {8, 0, 1, true, false, false, 45455},
        {8, 2, 3, true, true, false, 45455},     {8, 3, 1, true, true, true, 45455},
        {8, 6, 4, false, false, false, 45455}};
    for (const Form& form : forms) {
        kvxcodectest::PngSpec spec;
        spec.width = 9;
        spec.height = 6;
        spec.bitDepth = form.bitDepth;
        spec.colorType = form.colorType;
        spec.interlaced = form.interlaced;
        spec.gamma = form.gamma;
        const size_t rowBytes = (spec.width * form.bitDepth * form.channels + 7) / 8;
        for (png_uint_32 y = 0; y < spec.height; ++y) {
            Bytes row(rowBytes);
            for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<BYTE>(i * 41 + y * 97 + 3);
            spec.rows.push_back(row);
        }
        if (form.colorType == 3) {
            for (int i = 0; i < (1 << form.bitDepth); ++i)
                spec.palette.push_back(png_color{BYTE(i * 7), BYTE(255 - i), BYTE(i * 3)});
            if (form.trns) spec.transAlpha = {0, 128, 255, 30};
        } else if (form.trns) {
            spec.hasTransColor = true;
            spec.transColor = png_color_16{0, spec.rows[0][0], spec.rows[0][1], spec.rows[0][2], spec.rows[0][0]};
        }
        if (form.background) {
            spec.hasBackground = true;
            spec.background = png_color_16{1, 30, 60, 90, 50};
        }
        const std::string name = "PNG depth " + std::to_string(form.bitDepth) + " type " +
                                 std::to_string(form.colorType) + " gamma " + std::to_string(form.gamma) +
                                 (form.background ? " bKGD" : "") + (form.interlaced ? " interlaced" : "");
        ExpectSameAsQt(kvxcodectest::WritePng(spec), CKVXImage::ImageTypePng, name);
    }
}

TEST(ImageQtCross, JpegAndBmpFixtures) {
    kvxcodectest::JpegSpec jpeg;
    jpeg.width = 24;
    jpeg.height = 16;
    for (int components : {1, 3, 4}) {
        jpeg.components = components;
        jpeg.colorSpace = components == 1 ? JCS_GRAYSCALE : (components == 3 ? JCS_RGB : JCS_CMYK);
        jpeg.samples.clear();
        for (JDIMENSION i = 0; i < jpeg.width * jpeg.height * components; ++i)
            jpeg.samples.push_back(static_cast<BYTE>(i * 13 % 256));
        ExpectSameAsQt(kvxcodectest::WriteJpeg(jpeg), CKVXImage::ImageTypeJpg,
                       "JPEG of " + std::to_string(components) + " components", 2);
    }

    // RLE8 and 5-6-5 bitmaps.
    const Bytes rle8 = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,
                        1, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0,
                        0, 0, 4, 1, 0, 0, 0, 3, 1, 0, 1, 0, 1, 0, 0, 1};
    ExpectSameAsQt(rle8, CKVXImage::ImageTypeBmp, "RLE8 BMP");
    const Bytes bitfields = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0,
                             1, 0, 16, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0, 0x1F, 0xF8, 0xE0, 0x07};
    ExpectSameAsQt(bitfields, CKVXImage::ImageTypeBmp, "5-6-5 BMP", 4);
}


// ----- Files of the packages that tools/packages.txt names ---------------------------

// PNG and JPEG files that packages of the install script bring: palette,
// grey, RGB and RGBA files, interlaced ones, files with bKGD, gAMA, sRGB and
// iCCP chunks. Every one must be there.
struct PackageFile {
    const char* package;
    const char* path;
};
const PackageFile kPackageFiles[] = {
    {"git", "/usr/share/gitweb/static/git-favicon.png"},
    {"git", "/usr/share/gitweb/static/git-logo.png"},
    {"libpng-dev", "/usr/share/doc/libpng-dev/examples/pngtest.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-dark_gradient.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-footer-bg.jpg"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-footer_shadow.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-gradient.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-header-bg.jpg"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/Qt-logo.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/arrow.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/arrow_bc.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/arrow_down.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bg_l.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bg_l_blank.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bg_ll_blank.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bg_r.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bg_ul_blank.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bgrContent.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/blu_dot.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/box_bg.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/breadcrumb.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/btn_next.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/btn_prev.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bullet_dn.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bullet_gt.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bullet_sq.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/bullet_up.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/feedbackground.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/header_bg.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/home.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/horBar.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/ico_note.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/ico_note_attention.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/ico_out.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/logo.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/page.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/page_bg.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/images/sprites-combined.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/style/cookiebar-x.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/style/doc_search.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/style/list_arrow.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/style/list_expand.png"},
    {"qt6-base-dev", "/usr/share/qt6/doc/global/template/style/theqtcompany.png"},
    {"python3-aiosmtpd", "/usr/share/doc/python3-aiosmtpd/html/_static/file.png"},
    {"python3-aiosmtpd", "/usr/share/doc/python3-aiosmtpd/html/_static/minus.png"},
    {"python3-aiosmtpd", "/usr/share/doc/python3-aiosmtpd/html/_static/plus.png"},
};

TEST(ImageQtCross, FilesOfInstalledPackages) {
    for (const PackageFile& entry : kPackageFiles) {
        SCOPED_TRACE(std::string(entry.package) + " " + entry.path);
        ASSERT_TRUE(std::filesystem::is_regular_file(entry.path))
            << "missing: tools/install-deps.sh installs " << entry.package;
        const Bytes file = kvximageqt::ReadWholeFile(entry.path);
        const bool jpeg = file.size() > 2 && file[0] == 0xFF && file[1] == 0xD8;
        ExpectSameAsQt(file, jpeg ? CKVXImage::ImageTypeJpg : CKVXImage::ImageTypePng, entry.path, jpeg ? 2 : 1);
    }
}

} // namespace
