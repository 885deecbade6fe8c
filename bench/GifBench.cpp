// GIF decoding and encoding against giflib doing the same work:
//   - frame 99 of a 100-frame animation (480 x 270, transparent pixels):
//     every frame is decoded and laid onto the canvas of the frames before;
//   - a 1920 x 1080 8-bit picture written with LZW into memory.
// Prints the time ratios at the end.

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <vector>

#include "Pendrel/Image/KVXImageGIF.h"
#include "Pendrel/Image/KVXImageMemFile.h"
#include "bench/PixelCompare.h"
#include "bench/RatioReporter.h"

namespace {

constexpr int kFrameWidth = 480;
constexpr int kFrameHeight = 270;
constexpr int kFrameCount = 100;
constexpr int kTransparent = 255;

// A palette picture like a rendered scene: gradients with noisy patches.
// Rows are given from the top; index 255 never occurs.
BYTE PatternIndex(uint32_t& noise, int x, int y, int shift) {
    noise = noise * 1664525u + 1013904223u;
    const bool patch = ((x + shift) / 40 + y / 30) % 3 == 0;
    if (patch) return static_cast<BYTE>((noise >> 24) % 200);
    return static_cast<BYTE>(((x + 2 * shift) / 6 + y / 5) % 200);
}

void FillPalette(CKVXImage& image) {
    for (int i = 0; i < 256; ++i)
        image.SetPaletteColor(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                              static_cast<BYTE>(i * 7));
}

std::vector<BYTE> TakeBytes(CKVXImageMemFile& file) {
    const BYTE* data = file.GetBuffer(false);
    return std::vector<BYTE>(data, data + file.Size());
}

// The animation, written once with our encoder; both decoders read it.
const std::vector<BYTE>& Animation() {
    static const std::vector<BYTE> bytes = [] {
        std::vector<CKVXImage> frames(kFrameCount);
        std::vector<CKVXImage*> list;
        uint32_t noise = 1;
        for (int k = 0; k < kFrameCount; ++k) {
            CKVXImage& frame = frames[k];
            frame.Create(kFrameWidth, kFrameHeight, 8, CKVXImage::ImageTypeGif);
            FillPalette(frame);
            for (int y = 0; y < kFrameHeight; ++y) {
                BYTE* row = frame.GetBits(static_cast<DWORD>(kFrameHeight - 1 - y));
                for (int x = 0; x < kFrameWidth; ++x)
                    row[x] = (x + y + k) % 7 == 0 ? kTransparent : PatternIndex(noise, x, y, k);
            }
            frame.SetTransIndex(kTransparent);
            frame.SetFrameDelay(4);
            list.push_back(&frame);
        }
        CKVXImageGIF encoder;
        CKVXImageMemFile file;
        file.Open();
        encoder.Encode(&file, list.data(), kFrameCount, false);
        return TakeBytes(file);
    }();
    return bytes;
}

// The 1920 x 1080 picture to encode.
CKVXImage& FullHdPicture() {
    static CKVXImage image = [] {
        CKVXImage picture(1920, 1080, 8, CKVXImage::ImageTypeGif);
        FillPalette(picture);
        uint32_t noise = 7;
        for (int y = 0; y < 1080; ++y) {
            BYTE* row = picture.GetBits(static_cast<DWORD>(1079 - y));
            for (int x = 0; x < 1920; ++x) row[x] = PatternIndex(noise, x, y, 0);
        }
        return picture;
    }();
    return image;
}

void DecodeFrame99Ours(benchmark::State& state) {
    const std::vector<BYTE>& bytes = Animation();
    for (auto _ : state) {
        CKVXImage image;
        image.SetFrame(kFrameCount - 1);
        if (!image.Decode(bytes.data(), static_cast<DWORD>(bytes.size()), CKVXImage::ImageTypeGif))
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(image.GetBits(0));
    }
}

struct ReadState {
    const std::vector<BYTE>* bytes;
    size_t position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    ReadState* source = static_cast<ReadState*>(gif->UserData);
    const size_t count = std::min(static_cast<size_t>(length), source->bytes->size() - source->position);
    std::memcpy(buffer, source->bytes->data() + source->position, count);
    source->position += count;
    return static_cast<int>(count);
}

// Frame 99 laid onto the canvas of frames 0 to 98, as our decoder builds it;
// empty when giflib cannot read the animation.
std::vector<GifByteType> GiflibCanvas99(const std::vector<BYTE>& bytes) {
    ReadState source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
    if (!gif) return {};
    std::vector<GifByteType> canvas;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= kFrameCount) {
        canvas.resize(static_cast<size_t>(gif->SWidth) * gif->SHeight);
        GraphicsControlBlock control;
        DGifSavedExtensionToGCB(gif, 0, &control);
        std::fill(canvas.begin(), canvas.end(), static_cast<GifByteType>(control.TransparentColor));
        int previousDisposal = DISPOSAL_UNSPECIFIED;
        for (int k = 0; k < kFrameCount; ++k) {
            const SavedImage& frame = gif->SavedImages[k];
            DGifSavedExtensionToGCB(gif, k, &control);
            if (previousDisposal == DISPOSE_BACKGROUND) std::fill(canvas.begin(), canvas.end(), 0);
            const GifImageDesc& d = frame.ImageDesc;
            for (int y = 0; y < d.Height; ++y) {
                const GifByteType* row = frame.RasterBits + static_cast<size_t>(y) * d.Width;
                GifByteType* target = canvas.data() + static_cast<size_t>(d.Top + y) * gif->SWidth + d.Left;
                for (int x = 0; x < d.Width; ++x)
                    if (row[x] != control.TransparentColor) target[x] = row[x];
            }
            previousDisposal = control.DisposalMode;
        }
    }
    DGifCloseFile(gif, &error);
    return canvas;
}

void DecodeFrame99Giflib(benchmark::State& state) {
    const std::vector<BYTE>& bytes = Animation();
    for (auto _ : state) {
        std::vector<GifByteType> canvas = GiflibCanvas99(bytes);
        if (canvas.empty()) {
            state.SkipWithError("giflib decoding failed");
            break;
        }
        benchmark::DoNotOptimize(canvas.data());
    }
}

void Encode1080pOurs(benchmark::State& state) {
    CKVXImage& picture = FullHdPicture();
    for (auto _ : state) {
        BYTE* buffer = nullptr;
        long size = 0;
        if (!picture.Encode(buffer, size, CKVXImage::ImageTypeGif)) state.SkipWithError("encoding failed");
        benchmark::DoNotOptimize(buffer);
        CKVXImage::FreeMemory(buffer);
    }
}

int WriteToMemory(GifFileType* gif, const GifByteType* bytes, int length) {
    std::vector<BYTE>* target = static_cast<std::vector<BYTE>*>(gif->UserData);
    target->insert(target->end(), bytes, bytes + length);
    return length;
}

// The picture's colours in giflib's form.
std::vector<GifColorType> GiflibColors(CKVXImage& picture) {
    std::vector<GifColorType> colors(256);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD entry = picture.GetPaletteColor(static_cast<BYTE>(i));
        colors[i] = {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
    return colors;
}

// The picture written by giflib into output; false when giflib fails.
bool GiflibEncode(CKVXImage& picture, const std::vector<GifColorType>& colors, std::vector<BYTE>& output) {
    const int width = static_cast<int>(picture.GetWidth());
    const int height = static_cast<int>(picture.GetHeight());
    int error = 0;
    GifFileType* gif = EGifOpen(&output, WriteToMemory, &error);
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    bool written = gif && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
                   EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y)
        written = EGifPutLine(gif, picture.GetBits(static_cast<DWORD>(height - 1 - y)), width) == GIF_OK;
    if (gif) EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return written;
}

void Encode1080pGiflib(benchmark::State& state) {
    CKVXImage& picture = FullHdPicture();
    const std::vector<GifColorType> colors = GiflibColors(picture);
    for (auto _ : state) {
        std::vector<BYTE> output;
        output.reserve(4096);
        if (!GiflibEncode(picture, colors, output)) state.SkipWithError("giflib encoding failed");
        benchmark::DoNotOptimize(output.data());
    }
}

// The palette indices of a GIF's first image read by giflib, rows from the
// top; empty when giflib cannot read it.
std::vector<GifByteType> GiflibFirstImage(const std::vector<BYTE>& bytes) {
    ReadState source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
    if (!gif) return {};
    std::vector<GifByteType> indices;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0) {
        const GifImageDesc& d = gif->SavedImages[0].ImageDesc;
        indices.assign(gif->SavedImages[0].RasterBits,
                       gif->SavedImages[0].RasterBits + static_cast<size_t>(d.Width) * d.Height);
    }
    DGifCloseFile(gif, &error);
    return indices;
}

// Before timing: frame 99 decoded by both sides must hold the same palette
// indices. The two LZW encoders may choose their codes differently, so their
// files need not be equal bytes; what must agree is that each file, read by
// giflib, gives back exactly the picture's indices.
void CheckSameOutputs() {
    CKVXImage ours;
    ours.SetFrame(kFrameCount - 1);
    ours.Decode(Animation().data(), static_cast<DWORD>(Animation().size()), CKVXImage::ImageTypeGif);
    const std::vector<GifByteType> canvas = GiflibCanvas99(Animation());
    RequireSameOutput("frame 99 of 100 (palette indices)", HashPixels(PixelsOf(ours)),
                      HashPixels(PixelsOf(canvas.data(), kFrameWidth, kFrameHeight, 1, kFrameWidth)));

    CKVXImage& picture = FullHdPicture();
    const uint64_t original = HashPixels(PixelsOf(picture));
    const auto decoded = [&](const std::vector<BYTE>& file) {
        const std::vector<GifByteType> indices = GiflibFirstImage(file);
        if (indices.size() != size_t(1920) * 1080) return uint64_t(0);
        return HashPixels(PixelsOf(indices.data(), 1920, 1080, 1, 1920));
    };
    BYTE* buffer = nullptr;
    long size = 0;
    std::vector<BYTE> oursFile;
    if (picture.Encode(buffer, size, CKVXImage::ImageTypeGif)) oursFile.assign(buffer, buffer + size);
    CKVXImage::FreeMemory(buffer);
    RequireSameOutput("encoded 1920x1080 read back by giflib (ours)", decoded(oursFile), original);
    std::vector<BYTE> giflibFile;
    GiflibEncode(picture, GiflibColors(picture), giflibFile);
    RequireSameOutput("encoded 1920x1080 read back by giflib (giflib)", decoded(giflibFile), original);
}

BENCHMARK(DecodeFrame99Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeFrame99Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode1080pOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(Encode1080pGiflib)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> arguments = KVXBenchmarkArguments(argc, argv);
    int count = static_cast<int>(arguments.size()) - 1;
    benchmark::Initialize(&count, arguments.data());
    CheckSameOutputs();
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("decode frame 99 of 100", "DecodeFrame99Ours", "DecodeFrame99Giflib");
    reporter.PrintRatio("encode 1920x1080", "Encode1080pOurs", "Encode1080pGiflib");
    benchmark::Shutdown();
    return 0;
}
