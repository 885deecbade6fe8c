// The JPEG codec and the EXIF reader. Fixture files are written with libjpeg
// directly; EXIF blocks are assembled from one tag table in either byte order.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Pendrel/Image/KVXExifInfo.h"
#include "Pendrel/Image/KVXImageJPG.h"
#include "Pendrel/Image/tests/CodecTestSupport.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "testing/TempFolder.h"

using kvxcodectest::Bytes;
using kvxcodectest::DecodeBytes;
using kvxcodectest::EncodeToBytes;
using kvxcodectest::JpegSpec;
using kvxcodectest::WriteJpeg;
using kvximagetest::Quad;
using kvximagetest::QuadText;

namespace {

constexpr DWORD kJpg = CKVXImage::ImageTypeJpg;

// A flat-coloured image of the given components (top-down samples).
JpegSpec FlatJpeg(JDIMENSION width, JDIMENSION height, std::vector<BYTE> sample, J_COLOR_SPACE space) {
    JpegSpec spec;
    spec.width = width;
    spec.height = height;
    spec.components = static_cast<int>(sample.size());
    spec.colorSpace = space;
    for (JDIMENSION i = 0; i < width * height; ++i) spec.samples.insert(spec.samples.end(), sample.begin(), sample.end());
    return spec;
}

// ----- EXIF blocks -------------------------------------------------------------

struct ExifEntry {
    uint16_t tag;
    uint16_t format;              // 2 text, 3 short, 4 long, 5 rational, 7 undefined
    std::vector<uint32_t> numbers; // rationals as numerator, denominator pairs
    std::string text;              // text (its NUL is added) or undefined bytes
};

class ExifWriter {
public:
    explicit ExifWriter(bool motorola) : motorola(motorola) {}

    void Put16(Bytes& out, uint32_t value) const {
        if (motorola) out.insert(out.end(), {BYTE(value >> 8), BYTE(value)});
        else out.insert(out.end(), {BYTE(value), BYTE(value >> 8)});
    }
    void Put32(Bytes& out, uint32_t value) const {
        if (motorola) out.insert(out.end(), {BYTE(value >> 24), BYTE(value >> 16), BYTE(value >> 8), BYTE(value)});
        else out.insert(out.end(), {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)});
    }

    // "Exif\0\0", the TIFF header, the first directory (whose 0x8769 entry
    // is pointed at the second directory), the second directory, the data.
    Bytes Block(const std::vector<ExifEntry>& first, const std::vector<ExifEntry>& second,
                uint32_t nextLink = 0) const {
        const uint32_t firstOffset = 8;
        const uint32_t secondOffset = firstOffset + 6 + 12 * static_cast<uint32_t>(first.size());
        uint32_t dataOffset = secondOffset + 6 + 12 * static_cast<uint32_t>(second.size());
        Bytes tiff = motorola ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
        Put16(tiff, 42);
        Put32(tiff, firstOffset);
        Bytes data;
        auto directory = [&](const std::vector<ExifEntry>& entries, uint32_t link) {
            Put16(tiff, static_cast<uint32_t>(entries.size()));
            for (const ExifEntry& e : entries) {
                Bytes value;
                uint32_t components = 0;
                if (e.format == 2 || e.format == 7) {
                    value.assign(e.text.begin(), e.text.end());
                    if (e.format == 2) value.push_back(0);
                    components = static_cast<uint32_t>(value.size());
                } else {
                    for (uint32_t n : e.numbers) e.format == 3 ? Put16(value, n) : Put32(value, n);
                    components = static_cast<uint32_t>(e.format == 5 ? e.numbers.size() / 2 : e.numbers.size());
                }
                if (e.tag == 0x8769) {
                    value.clear();
                    Put32(value, secondOffset);
                }
                Put16(tiff, e.tag);
                Put16(tiff, e.format);
                Put32(tiff, components);
                if (value.size() <= 4) {
                    value.resize(4, 0);
                    tiff.insert(tiff.end(), value.begin(), value.end());
                } else {
                    Put32(tiff, dataOffset + static_cast<uint32_t>(data.size()));
                    data.insert(data.end(), value.begin(), value.end());
                }
            }
            Put32(tiff, link);
        };
        directory(first, nextLink);
        directory(second, 0);
        (void)dataOffset;
        Bytes block(6 + tiff.size() + data.size(), 0);
        std::memcpy(block.data(), "Exif", 4);
        std::copy(tiff.begin(), tiff.end(), block.begin() + 6);
        std::copy(data.begin(), data.end(), block.begin() + 6 + static_cast<long>(tiff.size()));
        return block;
    }

private:
    bool motorola;
};

const std::string kLongMake = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd"; // 40 characters

std::vector<ExifEntry> FirstDirectory(uint32_t resolutionUnit = 2) {
    return {{0x010F, 2, {}, kLongMake},
            {0x0110, 2, {}, "Model 7"},
            {0x0112, 3, {6}, ""},
            {0x011A, 5, {11811, 100}, ""},
            {0x011B, 5, {72, 1}, ""},
            {0x0128, 3, {resolutionUnit}, ""},
            {0x8769, 4, {0}, ""}};
}

std::vector<ExifEntry> ExifDirectory(uint32_t iso = 2) {
    return {{0x829A, 5, {1, 250}, ""},
            {0x829D, 5, {28, 10}, ""},
            {0x8827, 3, {iso}, ""},
            {0x9000, 7, {}, "0230"},
            {0x9003, 2, {}, "2024:01:02 03:04:05"},
            {0x9209, 3, {1}, ""},
            {0x920A, 5, {50, 1}, ""},
            {0x9286, 7, {}, std::string("ASCII\0\0\0word   ", 15)},
            {0xA002, 4, {640}, ""}};
}

Bytes JpegWithExif(const Bytes& block) {
    JpegSpec spec = FlatJpeg(16, 8, {200, 100, 50}, JCS_RGB);
    spec.markers.push_back({JPEG_APP0 + 1, block});
    return WriteJpeg(spec);
}

tag_ExifInfo ReadExif(const Bytes& file) {
    CKVXImageJPG jpg;
    CKVXImageMemFile stream(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size()));
    jpg.DecodeExif(&stream);
    EXPECT_EQ(stream.Tell(), 0);
    return jpg.GetExifInfo();
}

TEST(ImageExif, BothByteOrdersGiveTheSameRecord) {
    const tag_ExifInfo intel = ReadExif(JpegWithExif(ExifWriter(false).Block(FirstDirectory(), ExifDirectory())));
    const tag_ExifInfo motorola = ReadExif(JpegWithExif(ExifWriter(true).Block(FirstDirectory(), ExifDirectory())));
    for (const tag_ExifInfo* info : {&intel, &motorola}) {
        EXPECT_TRUE(info->isExif);
        EXPECT_EQ(std::string(info->cameraMake), kLongMake.substr(0, 31));
        EXPECT_STREQ(info->cameraModel, "Model 7");
        EXPECT_EQ(info->orientation, 6);
        EXPECT_FLOAT_EQ(info->xResolution, 118.11f);
        EXPECT_FLOAT_EQ(info->resolutionUnit, 1.0f);
        EXPECT_FLOAT_EQ(info->exposureTime, 0.004f);
        EXPECT_FLOAT_EQ(info->apertureFNumber, 2.8f);
        EXPECT_EQ(info->isoEquivalent, 400);
        EXPECT_STREQ(info->version, "0230");
        EXPECT_STREQ(info->dateTime, "2024:01:02 03:04:05");
        EXPECT_EQ(info->flashUsed, 1);
        EXPECT_STREQ(info->comments, "word");
        EXPECT_EQ(info->width, 16);
        EXPECT_EQ(info->height, 8);
        EXPECT_EQ(info->isColor, 1);
        EXPECT_EQ(info->process, 0xC0);
    }
    EXPECT_EQ(std::memcmp(&intel, &motorola, sizeof intel), 0);

    EXPECT_EQ(ReadExif(JpegWithExif(ExifWriter(false).Block(FirstDirectory(), ExifDirectory(100)))).isoEquivalent,
              100);
}

TEST(ImageExif, ResolutionUnitReachesTheDecoder) {
    // 118.11 dots per centimetre is about 300 dots per inch.
    CKVXImage image;
    ASSERT_TRUE(DecodeBytes(image, JpegWithExif(ExifWriter(false).Block(FirstDirectory(3), {})), kJpg));
    EXPECT_NEAR(image.GetXDPI(), 300, 1);
    EXPECT_NEAR(image.GetYDPI(), 183, 1);
}

TEST(ImageExif, HostileBlocksStayInBounds) {
    // A directory that links to itself, and to subdirectories linking back.
    std::vector<ExifEntry> looping = FirstDirectory();
    EXPECT_TRUE(ReadExif(JpegWithExif(ExifWriter(true).Block(looping, ExifDirectory(), 8))).isExif);

    // Offsets past the block, in 64 bits.
    std::vector<ExifEntry> far = {{0x010F, 2, {}, "Far away make"}};
    Bytes block = ExifWriter(false).Block(far, {});
    // The make's value offset (entry at 6 + 10, value field at +8).
    for (BYTE& b : Bytes(block.begin() + 6 + 10 + 8, block.begin() + 6 + 10 + 12)) b = 0xFF;
    std::fill(block.begin() + 6 + 10 + 8, block.begin() + 6 + 10 + 12, 0xFF);
    EXPECT_FALSE(ReadExif(JpegWithExif(block)).isExif);

    // A block cut short inside its header, and one cut inside a directory.
    EXPECT_FALSE(ReadExif(JpegWithExif(Bytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42})).isExif);
    Bytes cut = ExifWriter(false).Block(FirstDirectory(), ExifDirectory());
    cut.resize(40);
    EXPECT_FALSE(ReadExif(JpegWithExif(cut)).isExif);
}

Bytes Section(BYTE marker, const Bytes& contents) {
    Bytes out(4 + contents.size(), 0);
    out[0] = 0xFF;
    out[1] = marker;
    out[2] = static_cast<BYTE>((contents.size() + 2) >> 8);
    out[3] = static_cast<BYTE>(contents.size() + 2);
    std::copy(contents.begin(), contents.end(), out.begin() + 4);
    return out;
}

TEST(ImageExif, SectionTableAndShortSections) {
    Bytes file = {0xFF, 0xD8};
    for (int i = 0; i < 20; ++i) {
        const Bytes section = Section(0xE2, Bytes(3, BYTE(i)));
        file.insert(file.end(), section.begin(), section.end());
    }
    const Bytes scan = Section(0xDA, Bytes(10, 0));
    file.insert(file.end(), scan.begin(), scan.end());
    CKVXExifInfo reader;
    CKVXImageMemFile stream(file.data(), static_cast<DWORD>(file.size()));
    EXPECT_FALSE(reader.DecodeExif(&stream, CKVXExifInfo::ReadExif));
    EXPECT_STREQ(reader.GetLastError(), "Too many sections in jpg file");
    EXPECT_EQ(reader.GetSectionCount(), 20);

    // 19 sections and the scan fill the table: the image data does not fit.
    Bytes nineteen(file.begin(), file.begin() + 2 + 19 * 7);
    nineteen.insert(nineteen.end(), scan.begin(), scan.end());
    nineteen.insert(nineteen.end(), {1, 2, 3, 0xFF, 0xD9});
    CKVXExifInfo full;
    CKVXImageMemFile stream2(nineteen.data(), static_cast<DWORD>(nineteen.size()));
    EXPECT_FALSE(full.DecodeExif(&stream2, CKVXExifInfo::ReadImage));
    EXPECT_EQ(full.GetSectionCount(), 20);

    // A frame header and a comment shorter than their fields.
    Bytes shortOnes = {0xFF, 0xD8};
    for (const Bytes& s : {Section(0xC0, {8, 0}), Section(0xFE, {}), Section(0xE1, {'E', 'x'})})
        shortOnes.insert(shortOnes.end(), s.begin(), s.end());
    shortOnes.insert(shortOnes.end(), scan.begin(), scan.end());
    CKVXExifInfo small;
    CKVXImageMemFile stream3(shortOnes.data(), static_cast<DWORD>(shortOnes.size()));
    EXPECT_TRUE(small.DecodeExif(&stream3, CKVXExifInfo::ReadExif));
    EXPECT_EQ(small.GetInfo()->width, 0);

    // A comment keeps printable text, line feeds and tabs.
    Bytes commented = {0xFF, 0xD8};
    const Bytes comment = Section(0xFE, kvximagetest::Bytes("a\r\nb\tc\x01"));
    commented.insert(commented.end(), comment.begin(), comment.end());
    commented.insert(commented.end(), scan.begin(), scan.end());
    CKVXExifInfo withComment;
    CKVXImageMemFile stream4(commented.data(), static_cast<DWORD>(commented.size()));
    EXPECT_TRUE(withComment.DecodeExif(&stream4, CKVXExifInfo::ReadExif));
    EXPECT_STREQ(withComment.GetInfo()->comments, "a\nb\tc?");
}

TEST(ImageExif, KeptWhenAJpegCodecObjectEncodesAgain) {
    const Bytes original = JpegWithExif(ExifWriter(false).Block(FirstDirectory(), ExifDirectory()));
    CKVXImageJPG jpg;
    CKVXImage& image = jpg;
    ASSERT_TRUE(DecodeBytes(image, original, kJpg)) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), 118);

    // Into memory.
    const Bytes encoded = EncodeToBytes(image, kJpg);
    ASSERT_FALSE(encoded.empty()) << image.GetLastError();
    const tag_ExifInfo again = ReadExif(encoded);
    EXPECT_TRUE(again.isExif);
    EXPECT_STREQ(again.cameraModel, "Model 7");
    CKVXImage reread;
    ASSERT_TRUE(DecodeBytes(reread, encoded, kJpg)) << reread.GetLastError();
    EXPECT_EQ(reread.GetWidth(), 16u);

    // Through a file.
    kvxtest::TempFolder folder;
    ASSERT_TRUE(image.Save(folder.WSub("again.jpg").c_str(), kJpg)) << image.GetLastError();
    const std::string saved = kvxtest::TempFolder::ReadFile(folder.Sub("again.jpg"));
    EXPECT_TRUE(ReadExif(Bytes(saved.begin(), saved.end())).isExif);

    // A plain image object keeps no EXIF data.
    CKVXImage plain;
    ASSERT_TRUE(DecodeBytes(plain, original, kJpg));
    EXPECT_FALSE(ReadExif(EncodeToBytes(plain, kJpg)).isExif);
}

// ----- Decoding ----------------------------------------------------------------

TEST(ImageJpegDecode, EmptyAndTruncatedStreams) {
    CKVXImage empty;
    EXPECT_FALSE(empty.Decode(reinterpret_cast<const BYTE*>(""), 0, kJpg));
    EXPECT_STREQ(empty.GetLastError(), "Empty input file");

    // A busy picture, cut in the middle of its scan data.
    JpegSpec spec = FlatJpeg(64, 64, {10, 200, 30}, JCS_RGB);
    for (size_t i = 0; i < 64 * 32 * 3; ++i) spec.samples[i] = static_cast<BYTE>(i * 7919 % 251);
    const Bytes file = WriteJpeg(spec);
    CKVXImage truncated;
    ASSERT_TRUE(truncated.Decode(file.data(), static_cast<DWORD>(file.size() * 3 / 4), kJpg))
        << truncated.GetLastError();
    EXPECT_EQ(truncated.GetWidth(), 64u);
    EXPECT_EQ(truncated.GetHeight(), 64u);
    // The rows that are there decode; the rest come from the supplied end.
    EXPECT_NE(truncated.GetPixelColor(5, 60).rgbRed, truncated.GetPixelColor(6, 60).rgbRed);

    CKVXImage foreign;
    EXPECT_FALSE(DecodeBytes(foreign, kvximagetest::Bytes("not a jpeg at all"), kJpg));
    EXPECT_STRNE(foreign.GetLastError(), "");
}

TEST(ImageJpegDecode, ColourSpacesAndOptions) {
    // CMYK as stored by most programs (inverted): blue = K * Y / 255, ...
    CKVXImage cmyk;
    ASSERT_TRUE(DecodeBytes(cmyk, WriteJpeg(FlatJpeg(16, 16, {255, 128, 64, 200}, JCS_CMYK)), kJpg));
    EXPECT_EQ(cmyk.GetBpp(), 24);
    const RGBQUAD c = cmyk.GetPixelColor(3, 3);
    EXPECT_NEAR(c.rgbRed, 200, 2);
    EXPECT_NEAR(c.rgbGreen, 100, 2);
    EXPECT_NEAR(c.rgbBlue, 50, 2) << QuadText(c);

    CKVXImage grey;
    ASSERT_TRUE(DecodeBytes(grey, WriteJpeg(FlatJpeg(8, 8, {77}, JCS_GRAYSCALE)), kJpg));
    EXPECT_EQ(grey.GetBpp(), 8);
    EXPECT_EQ(grey.GetNumColors(), 256u);
    EXPECT_TRUE(grey.IsGrayScale());
    EXPECT_NEAR(grey.GetPixelIndex(2, 2), 77, 1);

    const Bytes colour = WriteJpeg(FlatJpeg(16, 8, {200, 40, 90}, JCS_RGB));
    CKVXImage forcedGrey;
    forcedGrey.SetCodecOption(0x80, kJpg);
    ASSERT_TRUE(DecodeBytes(forcedGrey, colour, kJpg));
    EXPECT_EQ(forcedGrey.GetBpp(), 8);
    EXPECT_TRUE(forcedGrey.IsGrayScale());

    CKVXImage quantised;
    quantised.SetCodecOption(0x100, kJpg);
    quantised.SetJpegQuality(16);
    ASSERT_TRUE(DecodeBytes(quantised, colour, kJpg)) << quantised.GetLastError();
    EXPECT_EQ(quantised.GetBpp(), 8);
    EXPECT_FALSE(quantised.IsGrayScale());
    EXPECT_NEAR(quantised.GetPixelColor(4, 4).rgbRed, 200, 8);

    CKVXImage plain;
    ASSERT_TRUE(DecodeBytes(plain, colour, kJpg));
    const RGBQUAD p = plain.GetPixelColor(4, 4);
    EXPECT_NEAR(p.rgbRed, 200, 3);
    EXPECT_NEAR(p.rgbGreen, 40, 3);
    EXPECT_NEAR(p.rgbBlue, 90, 3) << QuadText(p);
}

TEST(ImageJpegDecode, ScaleAndDimensionsOnly) {
    const Bytes file = WriteJpeg(FlatJpeg(64, 48, {1, 2, 3}, JCS_RGB));
    struct Case {
        BYTE scale;
        DWORD width, height;
    };
    for (const Case c : {Case{0, 64, 48}, Case{1, 64, 48}, Case{2, 32, 24}, Case{8, 8, 6}}) {
        CKVXImage image;
        image.SetJpegScale(c.scale);
        ASSERT_TRUE(DecodeBytes(image, file, kJpg));
        EXPECT_EQ(image.GetWidth(), c.width) << int(c.scale);
        EXPECT_EQ(image.GetHeight(), c.height) << int(c.scale);
    }
    CKVXImage sizeOnly;
    sizeOnly.SetEscape(-1);
    EXPECT_TRUE(DecodeBytes(sizeOnly, file, kJpg));
    EXPECT_FALSE(sizeOnly.IsValid());
    EXPECT_EQ(sizeOnly.GetWidth(), 64u);
    EXPECT_EQ(sizeOnly.GetHeight(), 48u);
}

TEST(ImageJpegDecode, ResolutionFromJfifDensity) {
    struct Case {
        int unit;
        UINT16 density;
        long dpi;
    };
    for (const Case c : {Case{2, 118, 300}, Case{1, 72, 72}, Case{0, 1, 96}}) {
        JpegSpec spec = FlatJpeg(8, 8, {5, 5, 5}, JCS_RGB);
        spec.densityUnit = c.unit;
        spec.xDensity = spec.yDensity = c.density;
        CKVXImage image;
        ASSERT_TRUE(DecodeBytes(image, WriteJpeg(spec), kJpg));
        EXPECT_EQ(image.GetXDPI(), c.dpi) << c.unit;
        EXPECT_EQ(image.GetYDPI(), c.dpi) << c.unit;
    }
}

// ----- Encoding ----------------------------------------------------------------

TEST(ImageJpegEncode, WhatCanBeWritten) {
    CKVXImage colourPalette(4, 4, 4);
    colourPalette.SetStdPalette();
    CKVXImageMemFile out;
    out.Open();
    EXPECT_FALSE(colourPalette.Encode(&out, kJpg));
    EXPECT_STREQ(colourPalette.GetLastError(), "JPEG can save only RGB or GreyScale images");

    // A 1-bit palette of 0 and 1 passes the grey-ramp test but is no 8-bit
    // grey image.
    CKVXImage oneBit(4, 4, 1);
    oneBit.SetPaletteColor(1, Quad(1, 1, 1));
    ASSERT_TRUE(oneBit.IsGrayScale());
    EXPECT_FALSE(oneBit.Encode(&out, kJpg));

    CKVXImage grey(10, 6, 8);
    grey.SetGrayPalette();
    for (long x = 0; x < 10; ++x) grey.SetPixelIndex(x, 2, 180);
    CKVXImage greyBack;
    ASSERT_TRUE(DecodeBytes(greyBack, EncodeToBytes(grey, kJpg), kJpg));
    EXPECT_EQ(greyBack.GetBpp(), 8);
    EXPECT_NEAR(greyBack.GetPixelIndex(5, 2), 180, 12);
    EXPECT_NEAR(greyBack.GetPixelIndex(5, 5), 0, 12);

    CKVXImage colour(33, 17, 24);
    for (long y = 0; y < 17; ++y)
        for (long x = 0; x < 33; ++x) colour.SetPixelColor(x, y, Quad(y < 8 ? 240 : 20, 120, x < 16 ? 30 : 220));
    colour.SetXDPI(150);
    colour.SetJpegQuality(95);
    for (DWORD options : {0u, 0x01u | 0x08u, 0x10u, 0x02u}) {
        colour.SetCodecOption(options, kJpg);
        CKVXImage back;
        ASSERT_TRUE(DecodeBytes(back, EncodeToBytes(colour, kJpg), kJpg)) << options << back.GetLastError();
        EXPECT_EQ(back.GetXDPI(), 150);
        for (const auto& [x, y] : {std::pair<long, long>{3, 3}, {29, 3}, {3, 14}, {29, 14}}) {
            const RGBQUAD a = colour.GetPixelColor(x, y);
            const RGBQUAD b = back.GetPixelColor(x, y);
            EXPECT_NEAR(a.rgbRed, b.rgbRed, 8) << options << " " << QuadText(b);
            EXPECT_NEAR(a.rgbGreen, b.rgbGreen, 8) << options;
            EXPECT_NEAR(a.rgbBlue, b.rgbBlue, 8) << options;
        }
    }

    kvxcodectest::ShortWriteStream full(200);
    colour.SetCodecOption(0, kJpg);
    EXPECT_FALSE(colour.Encode(&full, kJpg));
}

} // namespace
