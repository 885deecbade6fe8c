// Animated GIF files composed frame by frame as viewers show them: each
// frame's palette and transparent index serve its own pixels only, disposal
// 2 and 3 work on the frame's rectangle, and only a real tiling of one
// picture is read as a true-colour file. The files are written here by a
// small writer of our own; each case states the colours (red, green, blue,
// alpha) a viewer shows, and the decoded picture must show the same.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Pendrel/Image/KVXImageGIF.h"
#include "Pendrel/Image/KVXImageMemFile.h"
#include "Pendrel/Image/tests/GifTestSupport.h"

namespace {

using Bytes = std::vector<BYTE>;

struct Rgb {
    BYTE r, g, b;
};

// One frame: its rectangle, palette indices (rows from the top), an optional
// local palette and a graphic control block when it has transparency, a
// disposal method or a delay.
struct FrameSpec {
    int left, top, width, height;
    std::vector<int> pixels;
    std::vector<Rgb> local = {};
    int transIndex = -1;
    int disposal = 0;
    int delay = 0;
};

struct FileSpec {
    int width, height;
    std::vector<Rgb> global;
    int background = 0;
    std::vector<FrameSpec> frames;
};

void PutWord(Bytes& out, int value) {
    out.push_back(static_cast<BYTE>(value & 0xFF));
    out.push_back(static_cast<BYTE>(value >> 8));
}

// Size field of a colour table of at least `count` entries, and its entries.
int TableBits(size_t count) {
    int bits = 1;
    while ((size_t{1} << bits) < count) ++bits;
    return bits;
}

void PutTable(Bytes& out, const std::vector<Rgb>& table) {
    const size_t entries = size_t{1} << TableBits(table.size());
    for (size_t i = 0; i < entries; ++i) {
        const Rgb c = i < table.size() ? table[i] : Rgb{0, 0, 0};
        out.insert(out.end(), {c.r, c.g, c.b});
    }
}

// The pixels as LZW codes that never let the code table grow past its first
// width: a clear code before every few literals.
void PutImageData(Bytes& out, const std::vector<int>& pixels, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int width = minCodeSize + 1;
    std::vector<int> codes{clear};
    int sinceClear = 0;
    for (int p : pixels) {
        if (sinceClear == clear - 2) {
            codes.push_back(clear);
            sinceClear = 0;
        }
        codes.push_back(p);
        ++sinceClear;
    }
    codes.push_back(clear + 1);
    Bytes packed;
    uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= static_cast<uint32_t>(code) << count;
        count += width;
        while (count >= 8) {
            packed.push_back(static_cast<BYTE>(bits));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) packed.push_back(static_cast<BYTE>(bits));
    out.push_back(static_cast<BYTE>(minCodeSize));
    for (size_t at = 0; at < packed.size(); at += 255) {
        const size_t size = std::min<size_t>(255, packed.size() - at);
        out.push_back(static_cast<BYTE>(size));
        out.insert(out.end(), packed.begin() + static_cast<long>(at), packed.begin() + static_cast<long>(at + size));
    }
    out.push_back(0);
}

Bytes WriteGif(const FileSpec& file) {
    Bytes out = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(out, file.width);
    PutWord(out, file.height);
    out.push_back(file.global.empty() ? 0 : static_cast<BYTE>(0x80 | (TableBits(file.global.size()) - 1)));
    out.push_back(static_cast<BYTE>(file.background));
    out.push_back(0);
    if (!file.global.empty()) PutTable(out, file.global);
    for (const FrameSpec& f : file.frames) {
        if (f.transIndex >= 0 || f.disposal || f.delay) {
            out.insert(out.end(), {'!', 0xF9, 4});
            out.push_back(static_cast<BYTE>((f.disposal << 2) | (f.transIndex >= 0 ? 1 : 0)));
            PutWord(out, f.delay);
            out.push_back(static_cast<BYTE>(f.transIndex >= 0 ? f.transIndex : 0));
            out.push_back(0);
        }
        out.push_back(',');
        PutWord(out, f.left);
        PutWord(out, f.top);
        PutWord(out, f.width);
        PutWord(out, f.height);
        out.push_back(f.local.empty() ? 0 : static_cast<BYTE>(0x80 | (TableBits(f.local.size()) - 1)));
        if (!f.local.empty()) PutTable(out, f.local);
        const size_t tableSize = f.local.empty() ? file.global.size() : f.local.size();
        PutImageData(out, f.pixels, std::max(2, TableBits(tableSize)));
    }
    out.push_back(';');
    return out;
}

// The colours a viewer shows, alpha, red, green and blue in one value; a
// transparent pixel is 0 whatever its colour.
constexpr uint32_t kClear = 0;
constexpr uint32_t Opaque(Rgb c) {
    return 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0}, kBlack{0, 0, 0},
    kWhite{255, 255, 255}, kCyan{0, 255, 255}, kMagenta{255, 0, 255};
constexpr uint32_t R = Opaque(kRed), G = Opaque(kGreen), B = Opaque(kBlue), Y = Opaque(kYellow),
                   K = Opaque(kBlack), W = Opaque(kWhite), C = Opaque(kCyan), M = Opaque(kMagenta), T = kClear;

using Picture = std::vector<uint32_t>;  // rows from the top

Picture Shown(CKVXImage& image) {
    Picture picture;
    const long width = static_cast<long>(image.GetWidth());
    const long height = static_cast<long>(image.GetHeight());
    for (long y = height - 1; y >= 0; --y)
        for (long x = 0; x < width; ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y, false);
            const bool transparent = image.IsTransparent(x, y) || (image.AlphaIsValid() && image.AlphaGet(x, y) == 0);
            picture.push_back(transparent ? kClear : Opaque({c.rgbRed, c.rgbGreen, c.rgbBlue}));
        }
    return picture;
}

std::string Text(const Picture& picture, int width) {
    std::string text;
    char cell[12];
    for (size_t i = 0; i < picture.size(); ++i) {
        std::snprintf(cell, sizeof cell, "%08X%c", picture[i], (i + 1) % width == 0 ? '\n' : ' ');
        text += cell;
    }
    return text;
}

bool DecodeGif(CKVXImage& image, const Bytes& bytes, long frame) {
    image.SetFrame(frame);
    return image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif);
}

struct ComposeCase {
    const char* name;
    FileSpec file;
    long frame;
    Picture shown;
};

// The first frame fills a 4 x 2 screen with the global red, green, blue,
// yellow (index 1, green, is transparent in some cases).
FrameSpec FirstFrame(int transIndex = -1, int disposal = 0) {
    FrameSpec f{0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}};
    f.transIndex = transIndex;
    f.disposal = disposal;
    return f;
}

const std::vector<Rgb> kGlobal = {kRed, kGreen, kBlue, kYellow};

TEST(GifCompose, FramesShowAsViewersShowThem) {
    const ComposeCase cases[] = {
        {"a local palette colours only its own frame",
         {4, 2, kGlobal, 0, {FirstFrame(), {1, 0, 2, 1, {0, 1}, {kCyan, kMagenta}}}},
         1,
         {R, C, M, Y, Y, B, G, R}},
        {"frames with local palettes only",
         {4, 2, {}, 0, {{0, 0, 4, 2, {0, 1, 0, 1, 1, 0, 1, 0}, {kBlack, kWhite}}, {2, 1, 2, 1, {1, 0}, {kRed, kBlue}}}},
         1,
         {K, W, K, W, W, K, B, R}},
        {"the first frame's transparent index is opaque in a frame without transparency",
         {4, 2, kGlobal, 0, {FirstFrame(1), {0, 0, 2, 1, {1, 1}}}},
         1,
         {G, G, B, Y, Y, B, T, R}},
        {"a later frame's transparent index shows the picture below",
         {4, 2, kGlobal, 0, {FirstFrame(), {0, 0, 4, 1, {2, 3, 3, 0}, {}, 3}}},
         1,
         {B, G, B, R, Y, B, G, R}},
        {"a later frame's transparent pixels over transparent ones stay transparent",
         {4, 2, kGlobal, 0, {FirstFrame(1), {0, 1, 4, 1, {3, 3, 0, 3}, {}, 0}}},
         1,
         {R, T, B, Y, Y, Y, T, Y}},
        {"disposal 1 leaves the frame in place",
         {4, 2, kGlobal, 0, {FirstFrame(), {1, 0, 1, 1, {3}, {}, -1, 1}, {3, 1, 1, 1, {1}}}},
         2,
         {R, Y, B, Y, Y, B, G, G}},
        // Where viewers differ, the case says whose picture it is.
        {"disposal 2 clears only the frame's rectangle, to transparent (as ImageMagick)",
         {4, 2, kGlobal, 0, {FirstFrame(), {1, 0, 2, 1, {3, 3}, {}, 0, 2}, {3, 1, 1, 1, {1}}}},
         2,
         {R, T, T, Y, Y, B, G, G}},
        {"disposal 2 of the first frame clears its rectangle",
         {4, 2, kGlobal, 0, {{0, 0, 2, 2, {0, 1, 2, 3}, {}, 1, 2}, {2, 0, 1, 1, {3}, {}, 1}}},
         1,
         {T, T, Y, T, T, T, T, T}},
        {"disposal 2 without transparency restores the background colour (as PIL)",
         {4, 2, kGlobal, 2, {FirstFrame(), {1, 0, 2, 1, {3, 3}, {}, -1, 2}, {3, 1, 1, 1, {1}}}},
         2,
         {R, B, B, Y, Y, B, G, G}},
        {"disposal 3 restores the picture before the frame",
         {4, 2, kGlobal, 0, {FirstFrame(), {1, 0, 2, 2, {3, 3, 3, 3}, {}, -1, 3}, {3, 1, 1, 1, {1}}}},
         2,
         {R, G, B, Y, Y, B, G, G}},
        {"disposal 3 after disposal 3 restores what the frame before left",
         {4,
          2,
          kGlobal,
          0,
          {FirstFrame(), {0, 0, 1, 1, {3}, {}, -1, 1}, {0, 0, 2, 1, {2, 2}, {}, -1, 3}, {1, 1, 1, 1, {0}, {}, -1, 3}}},
         3,
         {Y, G, B, Y, Y, R, G, R}},
        {"tiles with a delay are frames of an animation, not one picture",
         {4,
          2,
          {},
          0,
          {{0, 0, 2, 2, {0, 1, 1, 0}, {kRed, kGreen}, -1, 0, 10},
           {2, 0, 2, 2, {1, 1, 0, 0}, {kBlue, kYellow}, -1, 0, 10},
           {0, 0, 2, 2, {0, 0, 0, 0}, {kCyan, kMagenta}, -1, 0, 10}}},
         1,
         {R, G, Y, Y, G, R, B, B}},
        {"overlapping frames are frames of an animation, not one picture",
         {4, 2, {}, 0, {{0, 0, 2, 2, {0, 1, 1, 0}, {kRed, kGreen}}, {1, 0, 2, 2, {1, 1, 0, 0}, {kBlue, kYellow}}}},
         1,
         {R, Y, Y, R, G, B, B, R}},
    };
    for (const ComposeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = WriteGif(c.file);
        CKVXImage image;
        ASSERT_TRUE(DecodeGif(image, bytes, c.frame));
        EXPECT_EQ(image.GetNumFrames(), static_cast<long>(c.file.frames.size()));
        ASSERT_EQ(image.GetWidth(), static_cast<DWORD>(c.file.width));
        ASSERT_EQ(image.GetHeight(), static_cast<DWORD>(c.file.height));
        EXPECT_EQ(Text(Shown(image), c.file.width), Text(c.shown, c.file.width));
    }
}

TEST(GifCompose, ScreensOfMoreThan256ColoursShowInTrueColour) {
    // A 16 x 16 first frame of 256 colours, then a 2 x 2 frame of four new
    // colours (its index 3 transparent) that puts back what it covered, and
    // a one-pixel frame.
    FileSpec file{16, 16, {}, 0, {}};
    FrameSpec first{0, 0, 16, 16, {}};
    for (int i = 0; i < 256; ++i) {
        file.global.push_back({static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2)});
        first.pixels.push_back(i);
    }
    const std::vector<Rgb> fresh = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    file.frames = {first, {0, 0, 2, 2, {0, 1, 2, 3}, fresh, 3, 3}, {15, 15, 1, 1, {7}}};
    const Bytes bytes = WriteGif(file);

    Picture below;
    for (const Rgb& c : file.global) below.push_back(Opaque(c));
    Picture second = below;
    for (int i = 0; i < 3; ++i) second[i < 2 ? i : 16] = Opaque(fresh[i]);
    Picture third = below;
    third[255] = Opaque(file.global[7]);
    const std::pair<long, Picture> expected[] = {{1, second}, {2, third}};
    for (const auto& [frame, shown] : expected) {
        CKVXImage image;
        ASSERT_TRUE(DecodeGif(image, bytes, frame));
        EXPECT_EQ(Text(Shown(image), 16), Text(shown, 16)) << "frame " << frame;
    }
}

TEST(GifCompose, SmallFramesOnALargeScreenCostTheScreenOnce) {
    // Sixty one-pixel frames down the diagonal of a 1000 x 1000 screen,
    // white and black by turns. Copying the screen for every frame cost
    // sixty screens' worth of work (seconds for a file of a few hundred
    // bytes and a larger screen); laying each frame costs its own pixels.
    const int frames = 60;
    FileSpec file{1000, 1000, {kBlack, kWhite}, 0, {}};
    for (int k = 0; k < frames; ++k) file.frames.push_back({k, k, 1, 1, {k % 2 == 0 ? 1 : 0}});
    const Bytes bytes = WriteGif(file);
    kvxgiftest::GifProbe image;
    CKVXImageMemFile stream(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    image.SetFrame(frames - 1);
    ASSERT_TRUE(image.Decode(&stream));
    ASSERT_EQ(image.GetWidth(), 1000u);

    const uint64_t screen = 1000 * 1000;
    EXPECT_LE(image.CanvasWork(), 4 * screen);
    for (const long k : {0L, 1L, 2L, 30L, 59L}) {
        const RGBQUAD c = image.GetPixelColor(k, 999 - k, false);
        EXPECT_EQ(c.rgbRed, k % 2 == 0 ? 255 : 0) << "pixel " << k << " of the diagonal";
    }
    EXPECT_EQ(image.GetPixelColor(5, 999, false).rgbRed, 0);
    EXPECT_EQ(image.GetPixelColor(999, 0, false).rgbRed, 0);
}

} // namespace
