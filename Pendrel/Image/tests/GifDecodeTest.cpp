// Decoding GIF files: frame selection on a canvas of the frames before,
// disposal, interlacing, true-colour files, extensions, cancelling, and
// damaged files.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "Pendrel/Image/tests/GifTestSupport.h"
#include "Pendrel/Image/tests/ImageTestSupport.h"

using namespace kvxgiftest;

namespace {

using Grid = std::vector<std::vector<int>>;  // [row from the top][column]

// Assembles a file block by block.
class GifAssembly {
public:
    GifAssembly() { file.Open(); }
    CKVXImageFile* Stream() { return &file; }
    GifAssembly& Raw(std::initializer_list<int> bytes) {
        for (int b : bytes) file.PutC(static_cast<unsigned char>(b));
        return *this;
    }
    GifAssembly& Raw(const std::vector<BYTE>& bytes) {
        file.Write(bytes.data(), 1, bytes.size());
        return *this;
    }
    std::vector<BYTE> Bytes() { return StreamBytes(file); }

private:
    CKVXImageMemFile file;
};

// An 8-bit frame of distinct colours whose indices come from a grid (rows
// from the top).
void MakeFrame(CKVXImage& frame, const Grid& grid, long transIndex = -1, long left = 0, long top = 0) {
    frame.Create(static_cast<DWORD>(grid[0].size()), static_cast<DWORD>(grid.size()), 8, CKVXImage::ImageTypeGif);
    SetDistinctPalette(frame);
    const long height = static_cast<long>(grid.size());
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < static_cast<long>(grid[0].size()); ++x)
            frame.SetPixelIndex(x, height - 1 - y, static_cast<BYTE>(grid[y][x]));
    frame.SetTransIndex(transIndex);
    frame.SetOffset(left, top);
}

Grid IndicesOf(CKVXImage& image) {
    const long height = static_cast<long>(image.GetHeight());
    Grid grid(height, std::vector<int>(image.GetWidth()));
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) grid[y][x] = image.GetPixelIndex(x, height - 1 - y);
    return grid;
}

// Decodes through the type dispatch.
bool DecodeFrame(CKVXImage& image, const std::vector<BYTE>& bytes, long frame) {
    image.SetFrame(frame);
    return image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif);
}

// Decodes with the codec object itself, which keeps loops, comment and disposal.
bool DecodeWithCodec(CKVXImageGIF& image, const std::vector<BYTE>& bytes, long frame = 0) {
    CKVXImageMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    image.SetFrame(frame);
    return image.Decode(&stream);
}

// Lays a frame's indices onto a grid, leaving out its transparent index.
void LayOnto(Grid& canvas, const Grid& frame, int transIndex, int left, int top) {
    for (size_t y = 0; y < frame.size(); ++y)
        for (size_t x = 0; x < frame[y].size(); ++x)
            if (frame[y][x] != transIndex) canvas[top + y][left + x] = frame[y][x];
}

Grid Filled(int width, int height, int value) {
    return Grid(height, std::vector<int>(width, value));
}

// Frame k of the five-frame animation: indices 20k + x + 5y, with index 1
// (transparent) where (x + y + k) is a multiple of 3.
Grid AnimationFrame(int k, int width, int height) {
    Grid grid = Filled(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) grid[y][x] = (x + y + k) % 3 == 0 ? 1 : 20 * k + x + 5 * y + 2;
    return grid;
}

TEST(GifDecode, ThirdOfFiveFramesLiesOverTheFramesBefore) {
    std::vector<Grid> grids;
    std::vector<CKVXImage> frames(5);
    std::vector<CKVXImage*> list;
    for (int k = 0; k < 5; ++k) {
        grids.push_back(k == 0 ? AnimationFrame(0, 8, 6) : AnimationFrame(k, 4, 3));
        MakeFrame(frames[k], grids[k], 1, k, k % 4);
        list.push_back(&frames[k]);
    }
    CKVXImageGIF encoder;
    const std::vector<BYTE> bytes = EncodeFrames(encoder, list);
    ASSERT_FALSE(bytes.empty()) << encoder.GetLastError();

    Grid expected = Filled(8, 6, 1);
    for (int k = 0; k <= 2; ++k) LayOnto(expected, grids[k], 1, k, k % 4);
    CKVXImage image;
    ASSERT_TRUE(DecodeFrame(image, bytes, 2));
    EXPECT_EQ(image.GetNumFrames(), 5);
    EXPECT_EQ(image.GetWidth(), 8u);
    EXPECT_EQ(image.GetHeight(), 6u);
    EXPECT_EQ(IndicesOf(image), expected);
    EXPECT_EQ(image.GetTransIndex(), 1);

    for (const long outside : {5L, -1L}) {
        CKVXImage missing;
        EXPECT_FALSE(DecodeFrame(missing, bytes, outside)) << outside;
        EXPECT_EQ(missing.GetNumFrames(), 5) << "the frame count is kept on failure";
    }
}

TEST(GifDecode, DisposalTwoClearsTheCanvasBeforeTheNextFrame) {
    struct Case {
        int disposal;
        long firstTransIndex;
        int clearedTo;  // what a cleared canvas holds: the first frame's transparent index, or the background 0
    };
    const Case cases[] = {{0, 1, -1}, {2, 1, 1}, {2, -1, 0}};
    const Grid first = AnimationFrame(0, 6, 4);
    const Grid second = AnimationFrame(1, 2, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE("disposal " + std::to_string(c.disposal) + ", first transparent index " +
                     std::to_string(c.firstTransIndex));
        CKVXImage frame0, frame1;
        MakeFrame(frame0, first, c.firstTransIndex);
        MakeFrame(frame1, second, 1, 3, 1);
        CKVXImageGIF encoder;
        encoder.SetDisposalMethod(c.disposal);
        const std::vector<BYTE> bytes = EncodeFrames(encoder, {&frame0, &frame1});

        Grid expected = Filled(6, 4, c.firstTransIndex >= 0 ? 1 : 0);
        LayOnto(expected, first, static_cast<int>(c.firstTransIndex), 0, 0);
        if (c.clearedTo >= 0) expected = Filled(6, 4, c.clearedTo);
        LayOnto(expected, second, 1, 3, 1);
        CKVXImageGIF image;
        ASSERT_TRUE(DecodeWithCodec(image, bytes, 1));
        EXPECT_EQ(IndicesOf(image), expected);
        EXPECT_EQ(image.GetDisposalMethod(), c.disposal);
    }
}

TEST(GifDecode, TransparencyBelongsToTheFrameThatDeclaresIt) {
    // Only the middle frame has a transparent index (3); every frame uses index 3.
    const Grid grid = {{3, 4, 3}, {5, 3, 6}};
    CKVXImage frames[3];
    MakeFrame(frames[0], grid, -1);
    MakeFrame(frames[1], {{7, 7, 7}, {7, 7, 7}}, 3);
    MakeFrame(frames[2], grid, -1);
    CKVXImageGIF encoder;
    const std::vector<BYTE> bytes = EncodeFrames(encoder, {&frames[0], &frames[1], &frames[2]});

    CKVXImage first;
    ASSERT_TRUE(DecodeFrame(first, bytes, 0));
    EXPECT_EQ(first.GetTransIndex(), -1) << "the later frame's transparency is not the first frame's";
    EXPECT_EQ(IndicesOf(first), grid);
    CKVXImage last;
    ASSERT_TRUE(DecodeFrame(last, bytes, 2));
    EXPECT_EQ(IndicesOf(last), grid) << "index 3 of the last frame is drawn";
}

TEST(GifDecode, LocalColourTableServesOnlyItsOwnFrame) {
    CKVXImage frames[3];
    for (CKVXImage& frame : frames) MakeFrame(frame, {{1, 2}, {3, 4}});
    frames[1].SetPaletteColor(2, 9, 8, 7);
    GifAssembly file;
    GifProbe work;
    CKVXImage* order[] = {&frames[0], &frames[1], &frames[2]};
    const bool local[] = {false, true, false};
    for (int k = 0; k < 3; ++k) {
        work.Ghost(order[k]);
        if (k == 0) work.EncodeHeader(file.Stream());
        work.EncodeBody(file.Stream(), local[k]);
    }
    file.Raw({';'});
    const std::vector<BYTE> bytes = file.Bytes();

    for (const long frame : {1L, 2L}) {
        CKVXImage image;
        ASSERT_TRUE(DecodeFrame(image, bytes, frame));
        const RGBQUAD entry = image.GetPaletteColor(2);
        const RGBQUAD wanted = frame == 1 ? frames[1].GetPaletteColor(2) : frames[0].GetPaletteColor(2);
        EXPECT_TRUE(kvximagetest::SameQuad(entry, wanted)) << "frame " << frame << ": " << kvximagetest::QuadText(entry);
    }
}

TEST(GifDecode, InterlacedRowsArriveInFourPasses) {
    // Row i of the data holds value i + 1; the data has two lines more than
    // the frame's ten rows, which must not land anywhere.
    Grid grid;
    for (int i = 0; i < 12; ++i) grid.push_back({i + 1, i + 1});
    CKVXImage image;
    MakeFrame(image, grid);
    std::vector<BYTE> bytes = EncodeGif(image);
    const GifLayout layout = ParseGif(bytes);
    ASSERT_EQ(layout.frames.size(), 1u);
    const size_t descriptor = layout.frames[0].offset;
    bytes[8] = 10;                      // screen height
    bytes[descriptor + 7] = 10;         // frame height
    bytes[descriptor + 9] |= 0x40;      // interlaced

    CKVXImage decoded;
    ASSERT_TRUE(DecodeFrame(decoded, bytes, 0));
    const int order[10] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    Grid expected(10);
    for (int i = 0; i < 10; ++i) expected[order[i]] = {i + 1, i + 1};
    EXPECT_EQ(IndicesOf(decoded), expected);
}

TEST(GifDecode, InterlacedFramesOfFewRowsSkipEmptyPasses) {
    for (int height = 1; height <= 9; ++height) {
        Grid grid;
        for (int i = 0; i < height; ++i) grid.push_back({i + 1});
        CKVXImage image;
        MakeFrame(image, grid);
        std::vector<BYTE> bytes = EncodeGif(image);
        bytes[ParseGif(bytes).frames[0].offset + 9] |= 0x40;
        CKVXImage decoded;
        ASSERT_TRUE(DecodeFrame(decoded, bytes, 0));
        std::vector<int> rows;  // the data lines in the order of the passes
        for (int start : {0, 4, 2, 1})
            for (int row = start; row < height; row += (start == 0 || start == 4) ? 8 : start * 2) rows.push_back(row);
        Grid expected(height);
        for (int i = 0; i < height; ++i) expected[rows[i]] = {i + 1};
        EXPECT_EQ(IndicesOf(decoded), expected) << height << " rows";
    }
}

TEST(GifDecode, FileWithoutGlobalTableAndSmallFirstFrameGivesTrueColour) {
    CKVXImage source(40, 20, 24);
    kvximagetest::FillPattern24(source);
    const RGBQUAD key = kvximagetest::Quad(1, 2, 3);
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "with a transparent colour" : "opaque");
        source.SetTransIndex(transparent ? 0 : -1);
        source.SetTransColor(key);
        const std::vector<BYTE> bytes = EncodeGif(source);
        CKVXImage decoded;
        ASSERT_TRUE(DecodeFrame(decoded, bytes, 0));
        EXPECT_EQ(decoded.GetBpp(), 24);
        EXPECT_EQ(decoded.GetNumFrames(), 6);
        kvximagetest::ExpectSamePixels(source, decoded);
        EXPECT_EQ(decoded.GetTransIndex(), transparent ? 0 : -1);
        if (transparent) {
            EXPECT_TRUE(kvximagetest::SameQuad(decoded.GetTransColor(), key));
        }
    }
}

// A 2 x 2 screen with a two-colour global table; blocks follow.
void AddSmallScreen(GifAssembly& file) {
    file.Raw({'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 10, 20, 30, 40, 50, 60});
}

// A 2 x 2 frame whose pixels are 1, 0 / 0, 1, written as uncompressed codes.
void AddFrame(GifAssembly& file) {
    // codes of 3 bits: clear 4, 1, 0, 0, 1, end 5
    file.Raw({',', 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 3, 0x0C, 0x10, 0x05, 0});
}

// A frame's image data as some writers produce it: the minimum code size,
// then LZW codes with no clear code ahead of the first, each as wide as the
// reader's table needs, the end code, all in sub-blocks.
std::vector<BYTE> LzwWithoutLeadingClear(const Grid& grid, int minimumCodeSize) {
    const int endCode = (1 << minimumCodeSize) + 1;
    std::map<std::pair<int, int>, int> table;
    std::vector<BYTE> packed;
    uint32_t bits = 0;
    int bitCount = 0;
    int written = 0;
    auto put = [&](int code) {
        // The reader adds an entry for every code after the first.
        const int readerSlots = endCode + 1 + std::max(written - 1, 0);
        int width = minimumCodeSize + 1;
        while (width < 12 && readerSlots >= (1 << width)) ++width;
        bits |= static_cast<uint32_t>(code) << bitCount;
        bitCount += width;
        ++written;
        for (; bitCount >= 8; bitCount -= 8, bits >>= 8) packed.push_back(static_cast<BYTE>(bits));
    };
    int prefix = -1;
    for (const auto& row : grid)
        for (const int pixel : row) {
            if (prefix < 0) {
                prefix = pixel;
                continue;
            }
            const auto known = table.find({prefix, pixel});
            if (known != table.end()) {
                prefix = known->second;
                continue;
            }
            put(prefix);
            const int slot = endCode + 1 + static_cast<int>(table.size());
            if (slot < 4096) table[{prefix, pixel}] = slot;
            prefix = pixel;
        }
    put(prefix);
    put(endCode);
    if (bitCount > 0) packed.push_back(static_cast<BYTE>(bits));
    std::vector<BYTE> data = {static_cast<BYTE>(minimumCodeSize)};
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t size = std::min<size_t>(255, packed.size() - at);
        data.push_back(static_cast<BYTE>(size));
        data.insert(data.end(), packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + size));
    }
    data.push_back(0);
    return data;
}

TEST(GifDecode, DataWithoutALeadingClearCodeAndLargeCodeSizes) {
    // 4 colours in a pattern of repeats, so that the table fills past
    // several code widths; minimum code sizes from the smallest to the
    // largest a 12-bit code allows.
    const int width = 23;
    const int height = 9;
    Grid grid = Filled(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) grid[y][x] = (x / (1 + y % 3) + y) % 4;
    for (const int codeSize : {2, 3, 8, 11}) {
        SCOPED_TRACE("minimum code size " + std::to_string(codeSize));
        GifAssembly file;
        file.Raw({'G', 'I', 'F', '8', '9', 'a', width, 0, height, 0, 0x81, 0, 0});
        file.Raw({0, 0, 0, 90, 90, 90, 170, 170, 170, 255, 255, 255});
        file.Raw({',', 0, 0, 0, 0, width, 0, height, 0, 0});
        file.Raw(LzwWithoutLeadingClear(grid, codeSize));
        file.Raw({';'});
        CKVXImage image;
        ASSERT_TRUE(DecodeFrame(image, file.Bytes(), 0));
        EXPECT_EQ(IndicesOf(image), grid);
    }
}

TEST(GifDecode, ExtensionsSetLoopsCommentAndDelay) {
    GifAssembly file;
    AddSmallScreen(file);
    file.Raw({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 3, 0, 0});
    file.Raw({'!', 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 3, 'x', 'y', 'z', 0});
    file.Raw({'!', 0xF9, 4, 0x08, 0x2C, 0x01, 0, 0});
    file.Raw({'!', 0x01, 2, 'a', 'b', 0});  // a plain-text block is skipped
    AddFrame(file);
    file.Raw({';'});
    const std::vector<BYTE> bytes = file.Bytes();

    CKVXImageGIF image;
    ASSERT_TRUE(DecodeWithCodec(image, bytes));
    EXPECT_EQ(image.GetLoops(), 3);
    EXPECT_EQ(image.GetFrameDelay(), 300u);
    EXPECT_EQ(image.GetDisposalMethod(), 2);
    char text[256];
    text[255] = '#';
    image.GetComment(text);
    EXPECT_STREQ(text, "hello") << "only the first sub-block is the comment";
    EXPECT_EQ(IndicesOf(image), (Grid{{1, 0}, {0, 1}}));
}

TEST(GifDecode, EmptyExtensionsEndAtTheirFirstSubBlock) {
    GifAssembly file;
    AddSmallScreen(file);
    file.Raw({'!', 0xFE, 0});
    file.Raw({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0});
    AddFrame(file);
    file.Raw({';'});
    CKVXImage image;
    ASSERT_TRUE(DecodeFrame(image, file.Bytes(), 0));
    EXPECT_EQ(IndicesOf(image), (Grid{{1, 0}, {0, 1}}));
}

TEST(GifDecode, FrameBehindABrokenGraphicControlIsNotReached) {
    GifAssembly file;
    AddSmallScreen(file);
    AddFrame(file);
    file.Raw({'!', 0xF9, 5, 0, 0, 0, 0, 0, 0});
    AddFrame(file);
    file.Raw({';'});
    const std::vector<BYTE> bytes = file.Bytes();
    CKVXImage first;
    EXPECT_TRUE(DecodeFrame(first, bytes, 0));
    CKVXImage second;
    EXPECT_FALSE(DecodeFrame(second, bytes, 1));
    EXPECT_EQ(second.GetNumFrames(), 2);
    EXPECT_FALSE(second.IsValid());
}

TEST(GifDecode, CircularCodeChainEndsTheFrameData) {
    // Codes: clear, 0, 7 (beyond the table), 7, 7: the last entries point at
    // each other, so the string of the last code never ends.
    GifAssembly file;
    file.Raw({'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x81, 0, 0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3});
    file.Raw({',', 0, 0, 0, 0, 4, 0, 2, 0, 0, 2, 3, 0xC4, 0x7F, 0x05, 0});
    // a second frame, found again behind the broken one: pixels 1, 2, 3, 1 ...
    file.Raw({',', 0, 0, 0, 0, 4, 0, 2, 0, 0, 2, 5, 0x8C, 0x16, 0x32, 0x21, 0x05, 0, ';'});
    const std::vector<BYTE> bytes = file.Bytes();
    CKVXImage broken;
    ASSERT_TRUE(DecodeFrame(broken, bytes, 0)) << "the frame keeps what was decoded";
    EXPECT_EQ(IndicesOf(broken), (Grid{{0, 0, 0, 0}, {0, 0, 0, 0}}));
    CKVXImage next;
    ASSERT_TRUE(DecodeFrame(next, bytes, 1));
    EXPECT_EQ(IndicesOf(next), (Grid{{1, 2, 3, 1}, {2, 3, 1, 2}}));
}

TEST(GifDecode, EscapeMinusOneReadsOnlyTheScreenSize) {
    const std::vector<BYTE> bytes = EncodeGif(*MakeTestImage(7, 5, 8, 1));
    CKVXImage image;
    image.SetEscape(-1);
    EXPECT_TRUE(image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif));
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 7u);
    EXPECT_EQ(image.GetHeight(), 5u);

    CKVXImage cancelled;
    cancelled.SetEscape(1);
    EXPECT_FALSE(cancelled.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif));
}

TEST(GifDecode, AnyWrongSignatureByteIsRefused) {
    const std::vector<BYTE> good = EncodeGif(*MakeTestImage(3, 3, 4, 2));
    for (size_t i = 0; i < 4; ++i) {
        std::vector<BYTE> bytes = good;
        bytes[i] ^= 0x20;
        CKVXImageMemFile stream(bytes.data(), static_cast<DWORD>(bytes.size()));
        CKVXImageGIF image;
        EXPECT_FALSE(image.Decode(&stream)) << "byte " << i;
    }
    CKVXImageGIF image;
    EXPECT_FALSE(image.Decode(static_cast<CKVXImageFile*>(nullptr)));
    std::vector<BYTE> short87 = {'G', 'I', 'F', '8', '7', 'a', 1, 0};
    CKVXImageMemFile stream(short87.data(), static_cast<DWORD>(short87.size()));
    EXPECT_FALSE(image.Decode(&stream));
}

} // namespace
