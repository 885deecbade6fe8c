// Encoding GIF files: the header and extension bytes, the loop block, the
// tiles of true-colour images, run-length coding, frame lists and failures.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Pendrel/Image/tests/GifTestSupport.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using namespace kvxgiftest;

namespace {

std::vector<BYTE> Slice(const std::vector<BYTE>& bytes, size_t at, size_t count) {
    if (at + count > bytes.size()) return {};
    return std::vector<BYTE>(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + count));
}

// A stream that refuses every write once `limit` bytes are written.
class FullStream : public CKVXImageMemFile {
public:
    explicit FullStream(long bytes) : limit(bytes) { Open(); }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        if (Size() + static_cast<long>(size * count) > limit) return 0;
        return CKVXImageMemFile::Write(buffer, size, count);
    }

private:
    long limit;
};

TEST(GifEncode, HeaderAndGraphicControlBytes) {
    struct Case {
        DWORD bpp;
        long transIndex;
        int disposal;
        DWORD delay;
        BYTE screenFlags;
        std::vector<BYTE> control;  // the graphic control extension
    };
    const Case cases[] = {
        {1, -1, 0, 0, 0x80, {0x21, 0xF9, 4, 0x00, 0, 0, 0xFF, 0}},
        {4, 5, 0, 300, 0xB3, {0x21, 0xF9, 4, 0x01, 0x2C, 0x01, 5, 0}},
        {8, -1, 2, 7, 0xF7, {0x21, 0xF9, 4, 0x08, 7, 0, 0xFF, 0}},
        {8, 200, 3, 0, 0xF7, {0x21, 0xF9, 4, 0x0D, 0, 0, 200, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bpp) + " bits");
        CKVXImageGIF image;
        image.Create(300, 2, c.bpp, CKVXImage::ImageTypeGif);
        SetDistinctPalette(image);
        image.SetTransIndex(c.transIndex);
        image.SetDisposalMethod(c.disposal);
        image.SetFrameDelay(c.delay);
        CKVXImageMemFile file;
        file.Open();
        ASSERT_TRUE(image.Encode(&file));
        const std::vector<BYTE> bytes = StreamBytes(file);
        EXPECT_EQ(Slice(bytes, 0, 13),
                  (std::vector<BYTE>{'G', 'I', 'F', '8', '9', 'a', 0x2C, 0x01, 2, 0, c.screenFlags, 0, 0}));
        const size_t table = 3u << c.bpp;
        const RGBQUAD last = image.GetPaletteColor(static_cast<BYTE>((1 << c.bpp) - 1));
        EXPECT_EQ(Slice(bytes, 13 + table - 3, 3), (std::vector<BYTE>{last.rgbRed, last.rgbGreen, last.rgbBlue}));
        EXPECT_EQ(Slice(bytes, 13 + table, 8), c.control);
        EXPECT_EQ(bytes.back(), ';');
        const GifLayout layout = ParseGif(bytes);
        ASSERT_EQ(layout.frames.size(), 1u);
        EXPECT_EQ(layout.frames[0].flags, 0) << "no local table, not interlaced";
        EXPECT_LE(layout.frames[0].largestSubBlock, 254u);
    }
}

TEST(GifEncode, LoopCountIsWrittenLessOne) {
    struct Case {
        int loops;
        int written;  // -1: no loop block
    };
    const Case cases[] = {{0, 0}, {1, -1}, {5, 4}, {-3, 0}};
    CKVXImage first(4, 4, 8), second(4, 4, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE("loops " + std::to_string(c.loops));
        CKVXImageGIF encoder;
        encoder.SetLoops(c.loops);
        const std::vector<BYTE> bytes = EncodeFrames(encoder, {&first, &second});
        const size_t block = 13 + 3 * 256;
        const std::vector<BYTE> netscape = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
        const bool present = Slice(bytes, block, netscape.size()) == netscape;
        EXPECT_EQ(present, c.written >= 0);
        if (present) {
            EXPECT_EQ(Slice(bytes, block + 16, 3), (std::vector<BYTE>{static_cast<BYTE>(c.written), 0, 0}));
        }
        CKVXImageGIF decoded;
        CKVXImageMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
        ASSERT_TRUE(decoded.Decode(&stream));
        EXPECT_EQ(decoded.GetLoops(), c.written >= 0 ? c.written : 0);
        EXPECT_EQ(decoded.GetNumFrames(), 2);
    }
}

TEST(GifEncode, CommentOf255CharactersIsOneSubBlock) {
    const std::string text(300, 'c');
    CKVXImageGIF image;
    image.Create(3, 3, 4, CKVXImage::ImageTypeGif);
    image.SetComment(text.c_str());
    CKVXImageMemFile file;
    file.Open();
    ASSERT_TRUE(image.Encode(&file));
    const GifLayout layout = ParseGif(StreamBytes(file));
    ASSERT_EQ(layout.extensions.size(), 2u);
    EXPECT_EQ(layout.extensions[1].label, 0xFE);
    ASSERT_EQ(layout.extensions[1].subBlocks.size(), 1u);
    EXPECT_EQ(layout.extensions[1].subBlocks[0], std::vector<BYTE>(255, 'c'));

    const std::vector<BYTE> bytes = StreamBytes(file);
    CKVXImageGIF decoded;
    CKVXImageMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    ASSERT_TRUE(decoded.Decode(&stream));
    char out[256];
    out[255] = '#';
    decoded.GetComment(out);
    EXPECT_EQ(std::string(out, 255), std::string(255, 'c'));
    EXPECT_EQ(out[255], '#') << "exactly 255 bytes are written";

    decoded.SetComment("short");
    decoded.GetComment(out);
    EXPECT_STREQ(out, "short");
    EXPECT_EQ(out[254], '\0');
    decoded.SetComment(nullptr);
    decoded.GetComment(out);
    EXPECT_STREQ(out, "short");
}

TEST(GifEncode, SingleColourUnderRunLengthCodingStaysSmall) {
    CKVXImage image(100, 100, 8);
    SetDistinctPalette(image);
    image.Clear(7);
    const GifLayout runLength = ParseGif(EncodeGif(image, SchemeRle));
    const GifLayout plain = ParseGif(EncodeGif(image, SchemeNone));
    ASSERT_EQ(runLength.frames.size(), 1u);
    ASSERT_EQ(plain.frames.size(), 1u);
    // 10,000 pixels need at least 10,000 codes without runs (over 12 KB);
    // runs of 1, 2, 3, ... pixels need about 140 codes of 9 or 10 bits.
    EXPECT_GT(plain.frames[0].dataBytes, 12000u);
    EXPECT_LT(runLength.frames[0].dataBytes, 200u);
    EXPECT_LE(runLength.frames[0].largestSubBlock, 255u);
}

TEST(GifEncode, TrueColourImageIsCutIntoTilesWithLocalTables) {
    CKVXImage image(40, 20, 24);
    kvximagetest::FillPattern24(image);
    const std::vector<BYTE> bytes = EncodeGif(image);
    const GifLayout layout = ParseGif(bytes);
    EXPECT_EQ(layout.screenFlags, 0x11) << "no global table";
    ASSERT_EQ(layout.frames.size(), 6u);
    const int lefts[] = {0, 17, 34, 0, 17, 34};
    const int tops[] = {0, 0, 0, 15, 15, 15};
    const int widths[] = {17, 17, 6, 17, 17, 6};
    const int heights[] = {15, 15, 15, 5, 5, 5};
    for (size_t i = 0; i < 6; ++i) {
        const GifLayout::Frame& tile = layout.frames[i];
        EXPECT_EQ(tile.left, lefts[i]) << i;
        EXPECT_EQ(tile.top, tops[i]) << i;
        EXPECT_EQ(tile.width, widths[i]) << i;
        EXPECT_EQ(tile.height, heights[i]) << i;
        EXPECT_EQ(tile.flags, 0x87) << i;
        EXPECT_EQ(tile.localColors, 256) << i;
    }
    // Each tile pixel (k, j) owns palette entry 1 + k + 17 j.
    const size_t table = layout.frames[0].offset + 10;
    const RGBQUAD pixel = image.GetPixelColor(2, 19 - 1, false);  // k = 2, j = 1
    EXPECT_EQ(Slice(bytes, table + 3 * (1 + 2 + 17 * 1), 3),
              (std::vector<BYTE>{pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue}));
}

TEST(GifEncode, ImageWithinOneTileReadsBackAsPaletteImage) {
    CKVXImage image(10, 7, 24);
    kvximagetest::FillPattern24(image);
    const std::vector<BYTE> bytes = EncodeGif(image);
    ASSERT_EQ(ParseGif(bytes).frames.size(), 1u);
    CKVXImage decoded(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif);
    ASSERT_TRUE(decoded.IsValid());
    EXPECT_EQ(decoded.GetBpp(), 8);
    kvximagetest::ExpectSamePixels(image, decoded);
}

TEST(GifEncode, TrueColourPicturesOfOneTileRowOrColumnReadBack) {
    // At most 17 wide or 15 high: the first tile spans the screen's width or
    // its height. 17 x 15 is a single tile.
    const long sizes[][2] = {{16, 16}, {17, 15}, {17, 16}, {18, 15}, {5, 40}, {60, 3}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size[0]) + "x" + std::to_string(size[1]));
        CKVXImage image(static_cast<DWORD>(size[0]), static_cast<DWORD>(size[1]), 24);
        kvximagetest::FillPattern24(image);
        const std::vector<BYTE> bytes = EncodeGif(image);
        CKVXImage decoded(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif);
        ASSERT_TRUE(decoded.IsValid());
        kvximagetest::ExpectSamePixels(image, decoded);
    }
}

TEST(GifEncode, FrameListFailures) {
    CKVXImage good(4, 3, 8);
    CKVXImage deep(4, 3, 24);
    CKVXImage empty;
    struct Case {
        const char* what;
        std::vector<CKVXImage*> frames;
        const char* text;
        size_t framesWritten;
    };
    const Case cases[] = {
        {"no images", {}, "multipage GIF, no images!", 0},
        {"null first", {nullptr, &good}, "multipage GIF, no images!", 0},
        {"empty first", {&empty, &good}, "multipage GIF, no images!", 0},
        {"null second", {&good, nullptr, &good}, "Bad image pointer", 1},
        {"empty second", {&good, &empty}, "Bad image pointer", 1},
        {"24-bit frame", {&good, &deep}, "multipage GIF, frames must have 8 bits per pixel or fewer", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CKVXImageGIF encoder;
        CKVXImageMemFile file;
        file.Open();
        EXPECT_FALSE(encoder.Encode(&file, const_cast<CKVXImage**>(c.frames.data()), static_cast<int>(c.frames.size())));
        EXPECT_STREQ(encoder.GetLastError(), c.text);
        EXPECT_EQ(ParseGif(StreamBytes(file)).frames.size(), c.framesWritten);
    }
    CKVXImageGIF encoder;
    CKVXImage* frames[] = {&good};
    EXPECT_FALSE(encoder.Encode(static_cast<CKVXImageFile*>(nullptr), frames, 1));
    EXPECT_STREQ(encoder.GetLastError(), "invalid file pointer");
}

TEST(GifEncode, FrameListThroughTheTypeDispatchTablesOnlyFramesOfOtherColours) {
    // The second frame has the first one's palette, or the same colours in
    // reverse order: only then does it need a table of its own.
    for (const bool samePalette : {true, false}) {
        SCOPED_TRACE(samePalette ? "one palette" : "two palettes");
        CKVXImage first(5, 4, 8), second(5, 4, 8);
        SetDistinctPalette(first);
        for (DWORD i = 0; i < 256; ++i)
            second.SetPaletteColor(static_cast<BYTE>(i), first.GetPaletteColor(static_cast<BYTE>(samePalette ? i : 255 - i)));
        first.Clear(3);
        second.Clear(9);
        second.SetPixelIndex(0, 0, 200);
        CKVXImage* frames[] = {&first, &second};
        CKVXImageMemFile file;
        file.Open();
        ASSERT_TRUE(first.Encode(&file, frames, 2, CKVXImage::ImageTypeGif));
        const std::vector<BYTE> bytes = StreamBytes(file);
        const GifLayout layout = ParseGif(bytes);
        ASSERT_EQ(layout.frames.size(), 2u);
        EXPECT_EQ(layout.frames[0].localColors, 0);
        EXPECT_EQ(layout.frames[1].localColors, samePalette ? 0 : 256);
        for (long frame : {0L, 1L}) {
            CKVXImage& source = frame == 0 ? first : second;
            CKVXImage decoded;
            decoded.SetFrame(frame);
            ASSERT_TRUE(decoded.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif));
            for (long x : {0L, 4L}) {
                const RGBQUAD want = source.GetPixelColor(x, 0, false);
                const RGBQUAD got = decoded.GetPixelColor(x, 0, false);
                EXPECT_TRUE(kvximagetest::SameQuad(got, want))
                    << "frame " << frame << " x " << x << ": " << kvximagetest::QuadText(got) << " against "
                    << kvximagetest::QuadText(want);
            }
        }
    }
}

TEST(GifEncode, WriteFailuresAreReported) {
    CKVXImage palette(64, 64, 8);
    SetDistinctPalette(palette);
    CKVXImage trueColour(40, 20, 24);
    kvximagetest::FillPattern24(trueColour);
    struct Case {
        const char* what;
        CKVXImage* image;
        bool frames;
    };
    const Case cases[] = {{"palette image", &palette, false},
                          {"true-colour image", &trueColour, false},
                          {"frame list", &palette, true}};
    for (const Case& c : cases) {
        CKVXImageMemFile whole;
        whole.Open();
        CKVXImage* list[] = {c.image, c.image};
        ASSERT_TRUE(c.frames ? c.image->Encode(&whole, list, 2, CKVXImage::ImageTypeGif)
                             : c.image->Encode(&whole, CKVXImage::ImageTypeGif));
        const long size = whole.Size();
        for (const long limit : {0L, 13L, size / 2, size - 1}) {
            SCOPED_TRACE(std::string(c.what) + ", room for " + std::to_string(limit) + " of " + std::to_string(size));
            FullStream full(limit);
            const bool encoded = c.frames ? c.image->Encode(&full, list, 2, CKVXImage::ImageTypeGif)
                                          : c.image->Encode(&full, CKVXImage::ImageTypeGif);
            EXPECT_FALSE(encoded);
            EXPECT_STREQ(c.image->GetLastError(), "Write Error in GIF file");
        }
    }
}

TEST(GifEncode, PicturesBeyondTheFormatsSizeAreRefused) {
    CKVXImage wide(70000, 1, 1);
    ASSERT_TRUE(wide.IsValid());
    EXPECT_TRUE(EncodeGif(wide).empty());
    EXPECT_STREQ(wide.GetLastError(), "GIF images are at most 65535 pixels wide and high");
    CKVXImage empty;
    EXPECT_TRUE(EncodeGif(empty).empty());
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

} // namespace
