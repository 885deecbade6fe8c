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

void DecodeFrame99Giflib(benchmark::State& state) {
    const std::vector<BYTE>& bytes = Animation();
    for (auto _ : state) {
        ReadState source{&bytes, 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&source, ReadFromMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < kFrameCount) {
            state.SkipWithError("giflib decoding failed");
            break;
        }
        // The canvas of frames 0 to 99, as our decoder builds it.
        std::vector<GifByteType> canvas(static_cast<size_t>(gif->SWidth) * gif->SHeight);
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
                const GifByteType* source = frame.RasterBits + static_cast<size_t>(y) * d.Width;
                GifByteType* target = canvas.data() + static_cast<size_t>(d.Top + y) * gif->SWidth + d.Left;
                for (int x = 0; x < d.Width; ++x)
                    if (source[x] != control.TransparentColor) target[x] = source[x];
            }
            previousDisposal = control.DisposalMode;
        }
        benchmark::DoNotOptimize(canvas.data());
        DGifCloseFile(gif, &error);
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

void Encode1080pGiflib(benchmark::State& state) {
    CKVXImage& picture = FullHdPicture();
    const int width = static_cast<int>(picture.GetWidth());
    const int height = static_cast<int>(picture.GetHeight());
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD entry = picture.GetPaletteColor(static_cast<BYTE>(i));
        colors[i] = {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
    for (auto _ : state) {
        std::vector<BYTE> output;
        output.reserve(4096);
        int error = 0;
        GifFileType* gif = EGifOpen(&output, WriteToMemory, &error);
        ColorMapObject* map = GifMakeMapObject(256, colors);
        bool written = gif && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK &&
                       EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        for (int y = 0; written && y < height; ++y)
            written = EGifPutLine(gif, picture.GetBits(static_cast<DWORD>(height - 1 - y)), width) == GIF_OK;
        if (gif) EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        if (!written) state.SkipWithError("giflib encoding failed");
        benchmark::DoNotOptimize(output.data());
    }
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
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("decode frame 99 of 100", "DecodeFrame99Ours", "DecodeFrame99Giflib");
    reporter.PrintRatio("encode 1920x1080", "Encode1080pOurs", "Encode1080pGiflib");
    benchmark::Shutdown();
    return 0;
}
