// Decoding and encoding by image type, the "RAW" format, and the entry points
// around them (memory, stdio files, paths, resources).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Pendrel/Image/KVXImage.h"
#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageMemFile.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"
#include "testing/TempFolder.h"

using kvximagetest::ExpectSamePixels;
using kvximagetest::ImageProbe;
using kvximagetest::Quad;
using kvximagetest::SameQuad;

namespace {

const char kUnknownFormat[] = "Decode: Unknown or wrong format";
const char kCreateText[] = "CKVXImage::Create : width and height must be greater than zero";

// Encodes into memory and returns the bytes (empty when encoding fails).
std::vector<BYTE> EncodeBytes(CKVXImage& image, DWORD type) {
    BYTE* buffer = nullptr;
    long size = 0;
    if (!image.Encode(buffer, size, type)) return {};
    std::vector<BYTE> bytes(buffer, buffer + size);
    CKVXImage::FreeMemory(buffer);
    return bytes;
}

std::vector<BYTE> RawHeader(DWORD sizeWord, DWORD flag) {
    std::vector<BYTE> bytes = {'R', 'A', 'W', 0, 0, 0, 0, 0, 0, 0, 0};
    KVXPutLE32(bytes.data() + 3, sizeWord);
    KVXPutLE32(bytes.data() + 7, flag);
    return bytes;
}

TEST(ImageRaw, ThreeByTwoRoundTripsWithAndWithoutAlpha) {
    for (const bool withAlpha : {false, true}) {
        CKVXImage image(3, 2, 24, CKVXImage::ImageTypePng);
        kvximagetest::FillPattern24(image);
        if (withAlpha) {
            image.AlphaCreate();
            for (long x = 0; x < 3; ++x) image.AlphaSet(x, 1, static_cast<BYTE>(x * 50));
        }
        const std::vector<BYTE> bytes = EncodeBytes(image, CKVXImage::ImageTypeRaw);
        ASSERT_EQ(bytes.size(), withAlpha ? 41u : 35u);  // 3 + 4 + 4 + 2 x 12 (+ 6)
        EXPECT_EQ(std::memcmp(bytes.data(), "RAW", 3), 0);
        EXPECT_EQ(KVXGetLE32(bytes.data() + 3), 131075u);
        EXPECT_EQ(KVXGetLE32(bytes.data() + 7), withAlpha ? 1u : 0u);
        EXPECT_EQ(std::memcmp(bytes.data() + 11, image.GetBits(0), 24), 0) << "rows as they lie in the image";

        CKVXImage back(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeRaw);
        ASSERT_TRUE(back.IsValid()) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), 24);
        EXPECT_EQ(back.GetType(), 0u) << "the reader creates a type 0 image";
        EXPECT_EQ(back.AlphaIsValid(), withAlpha);
        ExpectSamePixels(image, back);
    }
}

TEST(ImageRaw, OtherDepthsAreWrittenAsTwentyFourBitRows) {
    CKVXImage image(3, 2, 8);
    image.SetStdPalette();
    for (long x = 0; x < 3; ++x) {
        image.SetPixelIndex(x, 0, static_cast<BYTE>(40 + x));
        image.SetPixelIndex(x, 1, static_cast<BYTE>(200 + x));
    }
    const std::vector<BYTE> bytes = EncodeBytes(image, CKVXImage::ImageTypeRaw);
    ASSERT_EQ(bytes.size(), 35u);
    CKVXImage back;
    ASSERT_TRUE(back.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeRaw));
    ExpectSamePixels(image, back);
}

TEST(ImageRaw, ReaderCases) {
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        bool decodes;
        const char* error;  // lastError afterwards
        DWORD width, height;
    };
    std::vector<BYTE> truncatedPixels = RawHeader((2u << 16) | 3u, 0);
    truncatedPixels.insert(truncatedPixels.end(), {1, 2, 3, 4, 5});
    const Case cases[] = {
        {"width 0", RawHeader(2u << 16, 0), false, kCreateText, 0, 0},
        {"height 0", RawHeader(3u, 0), false, kCreateText, 0, 0},
        {"partial size word", {'R', 'A', 'W', 3, 0}, false, "", 0, 0},
        {"missing flag", {'R', 'A', 'W', 3, 0, 2, 0, 1, 0}, false, "", 0, 0},
        {"wrong signature", {'R', 'A', 'X', 3, 0, 2, 0, 0, 0, 0, 0}, false, "", 0, 0},
        {"height read unsigned", RawHeader((0x8001u << 16) | 1u, 0), true, "", 1, 0x8001},
        {"short pixel block", truncatedPixels, true, "", 3, 2},
        {"short alpha block", RawHeader((1u << 16) | 1u, 7), true, "", 1, 1},
    };
    for (const Case& c : cases) {
        CKVXImage image;
        const bool decoded = image.Decode(c.bytes.data(), static_cast<DWORD>(c.bytes.size()), CKVXImage::ImageTypeRaw);
        EXPECT_EQ(decoded, c.decodes) << c.name;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.name;
        EXPECT_EQ(image.GetWidth(), c.width) << c.name;
        EXPECT_EQ(image.GetHeight(), c.height) << c.name;
    }
    CKVXImage shortAlpha;
    const std::vector<BYTE> bytes = RawHeader((1u << 16) | 1u, 7);
    ASSERT_TRUE(shortAlpha.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeRaw));
    EXPECT_TRUE(shortAlpha.AlphaIsValid());
}

TEST(ImageRaw, WriterRefusesWhatTheFormatCannotHold) {
    CKVXImage wide(70000, 1, 24);
    ASSERT_TRUE(wide.IsValid());
    EXPECT_TRUE(EncodeBytes(wide, CKVXImage::ImageTypeRaw).empty());
    CKVXImage empty;
    EXPECT_TRUE(EncodeBytes(empty, CKVXImage::ImageTypeRaw).empty());
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

TEST(ImageDispatch, TypeNumbersAndUnknownFormats) {
    const std::vector<BYTE> unrelated = kvximagetest::Bytes("this is no picture at all");
    CKVXImage image(2, 2, 24);
    kvximagetest::FillPattern24(image);
    EXPECT_FALSE(image.Decode(unrelated.data(), static_cast<DWORD>(unrelated.size()), 7));
    EXPECT_STREQ(image.GetLastError(), kUnknownFormat);
    EXPECT_FALSE(image.Decode(unrelated.data(), static_cast<DWORD>(unrelated.size()), CKVXImage::ImageTypeUnknown));
    EXPECT_STREQ(image.GetLastError(), kUnknownFormat);
    EXPECT_FALSE(image.Decode(static_cast<CKVXImageFile*>(nullptr), CKVXImage::ImageTypeRaw));
    EXPECT_STREQ(image.GetLastError(), "null file handler");
    // A failed decode leaves the image's own picture alone.
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetPixelColor(1, 1, false).rgbRed, 11);

    for (const DWORD type : {0u, 7u}) {
        EXPECT_TRUE(EncodeBytes(image, type).empty());
        EXPECT_STREQ(image.GetLastError(), "Encode: Unknown format");
    }
    CKVXImageMemFile file;
    file.Open();
    CKVXImage* frames[] = {&image};
    EXPECT_FALSE(image.Encode(&file, frames, 1, CKVXImage::ImageTypePng));
    EXPECT_STREQ(image.GetLastError(), "Multipage Encode, Unsupported operation for this format");
}

TEST(ImageDispatch, AutoDetectionFindsRawAndRewindsOnFailure) {
    CKVXImage source(3, 2, 24);
    kvximagetest::FillPattern24(source);
    std::vector<BYTE> bytes = kvximagetest::Bytes("xx");
    const std::vector<BYTE> raw = EncodeBytes(source, CKVXImage::ImageTypeRaw);
    bytes.insert(bytes.end(), raw.begin(), raw.end());

    // Decoding starts at the stream's position; every failed try rewinds to it.
    CKVXImageMemFile stream(bytes.data(), static_cast<DWORD>(bytes.size()));
    stream.Seek(2, 0);
    CKVXImage image;
    ASSERT_TRUE(image.Decode(&stream, CKVXImage::ImageTypeUnknown)) << image.GetLastError();
    ExpectSamePixels(source, image);

    CKVXImageMemFile garbage(bytes.data(), static_cast<DWORD>(bytes.size()));
    garbage.Seek(1, 0);
    EXPECT_FALSE(image.Decode(&garbage, CKVXImage::ImageTypeUnknown));
    EXPECT_EQ(garbage.Tell(), 1);
    EXPECT_STREQ(image.GetLastError(), kUnknownFormat);
    EXPECT_TRUE(image.IsValid());
}

TEST(ImageDispatch, EncodeIntoMemoryNeedsAnEmptyBuffer) {
    CKVXImage image(2, 1, 24);
    BYTE existing = 0;
    BYTE* buffer = &existing;
    long size = 5;
    EXPECT_FALSE(image.Encode(buffer, size, CKVXImage::ImageTypeRaw));
    EXPECT_STREQ(image.GetLastError(), "the buffer must be empty");
    EXPECT_EQ(buffer, &existing);
    EXPECT_EQ(size, 5);
    EXPECT_FALSE(image.Encode2RGBA(buffer, size));
}

TEST(ImageDispatch, Encode2RGBAWritesRowsFromTheBottom) {
    ImageProbe rgb(2, 2, 24);
    rgb.SetPixelColor(0, 0, Quad(1, 2, 3));
    rgb.SetPixelColor(1, 1, Quad(7, 8, 9));
    rgb.AlphaCreate();
    rgb.AlphaSet(1, 0, 44);
    BYTE* buffer = nullptr;
    long size = 0;
    ASSERT_TRUE(rgb.Encode2RGBA(buffer, size));
    const std::vector<BYTE> expected = {1, 2, 3, 255, 0, 0, 0, 44, 0, 0, 0, 255, 7, 8, 9, 255};
    ASSERT_EQ(size, 16);
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), expected);
    CKVXImage::FreeMemory(buffer);

    CKVXImage indexed(1, 1, 4);
    indexed.SetPaletteColor(0, 10, 20, 30, 40);
    buffer = nullptr;
    ASSERT_TRUE(indexed.Encode2RGBA(buffer, size));
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + size), (std::vector<BYTE>{10, 20, 30, 40}));
    CKVXImage::FreeMemory(buffer);

    ImageProbe empty;
    CKVXImageMemFile file;
    file.Open();
    EXPECT_FALSE(empty.Encode2RGBA(&file));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    EXPECT_TRUE(rgb.EncodeSafeCheck(nullptr));
    EXPECT_STREQ(rgb.GetLastError(), "null file handler");
    EXPECT_FALSE(rgb.EncodeSafeCheck(&file));
}

class ImageFiles : public ::testing::Test {
protected:
    std::wstring Path(const std::string& name) const { return folder.WSub(name); }

    kvxtest::TempFolder folder;
};

TEST_F(ImageFiles, SaveAndLoadWithTheRetryByDetection) {
    CKVXImage source(3, 2, 24);
    kvximagetest::FillPattern24(source);
    ASSERT_TRUE(source.Save(Path("picture.raw").c_str(), CKVXImage::ImageTypeRaw));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(folder.Sub("picture.raw")).size(), 35u);

    CKVXImage typed;
    ASSERT_TRUE(typed.Load(Path("picture.raw").c_str(), CKVXImage::ImageTypeRaw));
    ExpectSamePixels(source, typed);
    // Named as a bitmap, it still loads: the second try detects the format.
    CKVXImage named(Path("picture.raw").c_str(), CKVXImage::ImageTypeBmp);
    ASSERT_TRUE(named.IsValid()) << named.GetLastError();
    ExpectSamePixels(source, named);
}

TEST_F(ImageFiles, FailedLoadsKeepTheUsefulText) {
    const std::string garbage = "not a picture in any format";
    folder.WriteFile("garbage.jpg", garbage);

    // The named type's own text, not the detection's.
    CKVXImage probe;
    probe.Decode(reinterpret_cast<const BYTE*>(garbage.data()), static_cast<DWORD>(garbage.size()),
                 CKVXImage::ImageTypeJpg);
    const std::string jpegText = probe.GetLastError();
    ASSERT_NE(jpegText, kUnknownFormat);
    CKVXImage image;
    EXPECT_FALSE(image.Load(Path("garbage.jpg").c_str(), CKVXImage::ImageTypeJpg));
    EXPECT_EQ(image.GetLastError(), jpegText);
    EXPECT_FALSE(image.Load(Path("garbage.jpg").c_str(), CKVXImage::ImageTypeUnknown));
    EXPECT_STREQ(image.GetLastError(), kUnknownFormat);

    // A file that cannot be opened says so, for a load and for a save.
    EXPECT_FALSE(image.Load(Path("missing.png").c_str(), CKVXImage::ImageTypePng));
    EXPECT_STREQ(image.GetLastError(), "Can't open the file");
    CKVXImage picture(1, 1, 24);
    EXPECT_FALSE(picture.Save(Path("no/such/folder.raw").c_str(), CKVXImage::ImageTypeRaw));
    EXPECT_STREQ(picture.GetLastError(), "Can't open the file");
}

TEST_F(ImageFiles, EachCallStartsWithAnEmptyErrorText) {
    // A PNG file: the auto-detection refuses it as BMP and JPEG first.
    CKVXImage source(2, 2, 24);
    kvximagetest::FillPattern24(source);
    ASSERT_TRUE(source.Save(Path("picture.png").c_str(), CKVXImage::ImageTypePng));
    const std::string garbage = "not a picture in any format";
    folder.WriteFile("garbage.bin", garbage);
    const BYTE* garbageBytes = reinterpret_cast<const BYTE*>(garbage.data());
    const DWORD garbageSize = static_cast<DWORD>(garbage.size());

    struct Case {
        const char* what;
        std::function<bool(CKVXImage&)> call;
        bool succeeds;
        const char* text;
    };
    const Case cases[] = {
        {"detected load", [&](CKVXImage& i) { return i.Load(Path("picture.png").c_str(), 0); }, true, ""},
        {"load retried by detection",
         [&](CKVXImage& i) { return i.Load(Path("picture.png").c_str(), CKVXImage::ImageTypeJpg); }, true, ""},
        {"detected decode", [&](CKVXImage& i) { return i.Decode(garbageBytes, garbageSize, 0); }, false,
         kUnknownFormat},
        {"typed decode", [&](CKVXImage& i) { return i.Decode(garbageBytes, garbageSize, CKVXImage::ImageTypeGif); },
         false, ""},
        {"missing file", [&](CKVXImage& i) { return i.Load(Path("missing.png").c_str(), 0); }, false,
         "Can't open the file"},
        {"save", [&](CKVXImage& i) { return i.Save(Path("copy.bmp").c_str(), CKVXImage::ImageTypeBmp); }, true, ""},
        {"failed save", [&](CKVXImage& i) { return i.Save(Path("no/such/copy.bmp").c_str(), CKVXImage::ImageTypeBmp); },
         false, "Can't open the file"},
        {"encode to a stream",
         [&](CKVXImage& i) {
             CKVXImageMemFile file;
             file.Open();
             return i.Encode(&file, CKVXImage::ImageTypePng);
         },
         true, ""},
        {"unknown encoder",
         [&](CKVXImage& i) {
             CKVXImageMemFile file;
             file.Open();
             return i.Encode(&file, 9);
         },
         false, "Encode: Unknown format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CKVXImage image(source);
        // A stale text from an earlier call...
        image.Decode(garbageBytes, garbageSize, CKVXImage::ImageTypeJpg);
        ASSERT_STRNE(image.GetLastError(), "");
        // ...is gone once the next call returns.
        EXPECT_EQ(c.call(image), c.succeeds);
        EXPECT_STREQ(image.GetLastError(), c.text);
    }
}

TEST_F(ImageFiles, StdioStreamsStayOpen) {
    CKVXImage source(2, 2, 24);
    kvximagetest::FillPattern24(source);
    FILE* fp = std::tmpfile();
    ASSERT_TRUE(source.Encode(fp, CKVXImage::ImageTypeRaw));
    std::rewind(fp);
    CKVXImage image(fp, CKVXImage::ImageTypeRaw);
    ASSERT_TRUE(image.IsValid());
    ExpectSamePixels(source, image);
    std::rewind(fp);
    CKVXImage again;
    EXPECT_TRUE(again.Decode(fp, CKVXImage::ImageTypeUnknown));
    EXPECT_EQ(std::fputc('z', fp), 'z') << "the caller's FILE is still open";
    std::fclose(fp);

    CKVXImageMemFile stream(nullptr, 0);
    CKVXImage fromStream(&stream, CKVXImage::ImageTypeRaw);
    EXPECT_FALSE(fromStream.IsValid());
}

TEST(ImageDispatch, LoadResourceDecodesTheResourceBytes) {
    CKVXImage source(2, 1, 24);
    kvximagetest::FillPattern24(source);
    const std::vector<BYTE> bytes = EncodeBytes(source, CKVXImage::ImageTypeRaw);
    const KVXRESOURCE resource = {bytes.data(), static_cast<DWORD>(bytes.size())};
    CKVXImage image;
    ASSERT_TRUE(image.LoadResource(&resource, CKVXImage::ImageTypeUnknown));
    ExpectSamePixels(source, image);

    CKVXImage missing;
    EXPECT_FALSE(missing.LoadResource(nullptr, CKVXImage::ImageTypePng));
    EXPECT_STREQ(missing.GetLastError(), "Unable to load resource!");
    const KVXRESOURCE empty = {nullptr, 0};
    CKVXImage unlocked;
    EXPECT_FALSE(unlocked.LoadResource(&empty, CKVXImage::ImageTypePng));
    EXPECT_STREQ(unlocked.GetLastError(), "");
}

} // namespace
