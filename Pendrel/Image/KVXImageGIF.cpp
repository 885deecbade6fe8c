// The GIF codec: decoding one frame of a file, and encoding GIF89a files.
//
// File layout: "GIF87a" or "GIF89a"; the screen descriptor (width, height,
// flags, background index, aspect) and an optional global colour table;
// then blocks: '!' extensions (a label and data sub-blocks), ',' frames (an
// image descriptor, an optional local colour table, the LZW data as
// sub-blocks) and the trailer ';'. Sub-blocks are a size byte and that many
// bytes, ended by a size byte of 0. 16-bit fields are little-endian.

#include "Pendrel/Image/KVXImageGIF.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Pendrel/Image/KVXGifCanvas.h"
#include "Pendrel/Image/KVXGifLineWriter.h"
#include "Pendrel/Image/KVXGifLzwEncoder.h"
#include "Pendrel/Image/KVXGifLzwReader.h"
#include "Pendrel/Image/KVXGifPixelWalk.h"
#include "Pendrel/Image/KVXGifRunLengthEncoder.h"
#include "Pendrel/Image/KVXImageDefs.h"
#include "Pendrel/Image/KVXImageEndian.h"
#include "Pendrel/Image/KVXImageIOFile.h"

namespace {

constexpr BYTE kGraphicControlLabel = 0xF9;
constexpr BYTE kCommentLabel = 0xFE;
constexpr BYTE kApplicationLabel = 0xFF;
constexpr int kTileWidth = 17;
constexpr int kTileHeight = 15;
constexpr DWORD kMaxSide = 0xFFFF;

const char kWriteError[] = "Write Error in GIF file";
const char kTooLarge[] = "GIF images are at most 65535 pixels wide and high";
const char kDeepFrame[] = "multipage GIF, frames must have 8 bits per pixel or fewer";

// Colour-table entries for a size field of 3 bits.
int TableCount(BYTE flags) {
    return 1 << ((flags & 7) + 1);
}

// Skips data sub-blocks up to and including the terminating size byte 0.
void SkipSubBlocks(CKVXImageFile* stream) {
    for (long size = stream->GetC(); size > 0; size = stream->GetC()) stream->Seek(size, 1);
}

bool WriteBytes(CKVXImageFile* stream, const void* bytes, size_t count) {
    return count == 0 || stream->Write(bytes, count, 1) == 1;
}

bool TooLargeForGif(CKVXImage& image) {
    return image.GetWidth() > kMaxSide || image.GetHeight() > kMaxSide;
}

// The first frame's palette, the file's global table, holds a later frame's
// colours at the same indices.
bool GlobalTableServes(const CKVXImage& frame, const CKVXImage& first) {
    const RGBQUAD* own = frame.GetPalette();
    const RGBQUAD* global = first.GetPalette();
    if (!own || !global || frame.GetNumColors() > first.GetNumColors()) return false;
    for (DWORD i = 0; i < frame.GetNumColors(); ++i)
        if (own[i].rgbBlue != global[i].rgbBlue || own[i].rgbGreen != global[i].rgbGreen ||
            own[i].rgbRed != global[i].rgbRed)
            return false;
    return true;
}

} // namespace

// What the decoding of one file keeps between its frames.
struct CKVXImageGIF::FrameWalk {
    tag_dscgif screen{};
    tag_TabCol globalTable{};
    bool hasGlobalTable = false;
    int trueColorVotes = 0;
    // the frames tile the screen at one instant, with no disposal
    bool tilesScreen = false;
    bool trueColor = false;
    long frameNumber = 0;
    bool reached = false;
    // the first frame on the screen, as palette indices
    CKVXImageGIF canvas;
    long firstTransIndex = -1;
    WORD firstBpp = 1;
    // what the screen held before the first frame
    uint32_t firstFill = CKVXGifCanvas::kTransparent;
    // the later frames on the screen, as colours
    CKVXGifCanvas colors;
    // the previous frame's rectangle, disposal method and background
    CKVXGifCanvas::Rect previousArea{};
    int previousDisposal = 0;
    uint32_t previousBackground = CKVXGifCanvas::kTransparent;
    // the true-colour picture, and the graphic control of its last frame
    CKVXImageGIF picture;
    GraphicControl lastControl{};
    long lastTransIndex = -1;
    CKVXGifLzwReader reader;
};

CKVXImageGIF::CKVXImageGIF()
    : CKVXImage(ImageTypeGif), gifgce{}, comment{}, loops(0), disposalMethod(0), canvasWork(0) {}

CKVXImageGIF::~CKVXImageGIF() = default;

void CKVXImageGIF::SetComment(const char* text) {
    if (!text) return;
    std::strncpy(comment, text, 255);
    comment[255] = '\0';
}

void CKVXImageGIF::GetComment(char* out) const {
    if (!out) return;
    const size_t length = strnlen(comment, 255);
    std::memcpy(out, comment, length);
    std::memset(out + length, 0, 255 - length);
}

// ----- Codec hook-up ------------------------------------------------------------

bool CKVXImage::DecodeAsGif(CKVXImageFile* stream) {
    return RunDecoder<CKVXImageGIF>(stream, true);
}

bool CKVXImage::EncodeAsGif(CKVXImageFile* stream) {
    return RunEncoder<CKVXImageGIF>(stream);
}

bool CKVXImage::EncodeAsGifFrames(CKVXImageFile* stream, CKVXImage** images, int count) {
    CKVXImageGIF codec;
    static_cast<CKVXImage&>(codec).Ghost(this);
    const bool encoded = codec.Encode(stream, images, count, false);
    return AdoptEncoded(codec, encoded);
}

bool CKVXImageGIF::Decode(FILE* stream) {
    CKVXImageIOFile file(stream);
    return Decode(&file);
}

bool CKVXImageGIF::Encode(FILE* stream) {
    CKVXImageIOFile file(stream);
    return Encode(&file);
}

bool CKVXImageGIF::Encode(FILE* stream, CKVXImage** images, int count, bool localColorMaps) {
    CKVXImageIOFile file(stream);
    return Encode(&file, images, count, localColorMaps);
}

// ----- Decoding -------------------------------------------------------------------

namespace {

void ReadColorTable(CKVXImageFile* stream, int count, CKVXImage::rgb_color* entries) {
    BYTE bytes[3 * 256] = {};
    stream->Read(bytes, 3, static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) entries[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
}

} // namespace

long CKVXImageGIF::NextBlock(CKVXImageFile* stream, bool& afterZero) {
    for (;;) {
        const long byte = stream->GetC();
        if (byte < 0 || GetEscape() > 0) return -1;
        if (!afterZero && byte != 0) continue;
        if (byte == '!' || byte == ',' || byte == ';') return byte;
        afterZero = byte == 0;
    }
}

bool CKVXImageGIF::DecodeExtension(CKVXImageFile* stream) {
    const long label = stream->GetC();
    if (label < 0) return false;
    switch (label) {
    case kGraphicControlLabel: {
        if (stream->GetC() != 4) return false;
        BYTE bytes[4];
        if (stream->Read(bytes, 1, 4) != 4) return false;
        gifgce = {bytes[0], KVXGetLE16(bytes + 1), bytes[3]};
        // A frame without the transparency flag has no transparent index.
        imageInfo.transIndex = (gifgce.flags & 1) ? gifgce.transIndex : -1;
        imageInfo.frameDelay = gifgce.delay;
        disposalMethod = (gifgce.flags >> 2) & 7;
        break;
    }
    case kCommentLabel: {
        const long size = stream->GetC();
        if (size < 0) return false;
        const size_t read = stream->Read(comment, 1, static_cast<size_t>(size));
        comment[read] = '\0';
        if (read != static_cast<size_t>(size)) return false;
        // An empty first sub-block is the extension's terminator.
        if (size == 0) return true;
        break;
    }
    case kApplicationLabel: {
        if (stream->GetC() != 11) return false;
        BYTE identifier[11];
        if (stream->Read(identifier, 1, 11) != 11) return false;
        const long size = stream->GetC();
        if (size <= 0) return size == 0;
        BYTE data[255];
        if (stream->Read(data, 1, static_cast<size_t>(size)) != static_cast<size_t>(size)) return false;
        if (size > 2) loops = data[1] + 256 * data[2];
        break;
    }
    default:
        break;
    }
    SkipSubBlocks(stream);
    return true;
}

namespace {

bool ReadImageDescriptor(CKVXImageFile* stream, WORD& left, WORD& top, WORD& width, WORD& height, BYTE& flags) {
    BYTE bytes[9];
    if (stream->Read(bytes, 1, 9) != 9) return false;
    left = KVXGetLE16(bytes);
    top = KVXGetLE16(bytes + 2);
    width = KVXGetLE16(bytes + 4);
    height = KVXGetLE16(bytes + 6);
    flags = bytes[8];
    return true;
}

} // namespace

namespace {

// The frames lie side by side without overlapping and cover the whole screen.
bool TileScreen(const std::vector<CKVXGifCanvas::Rect>& frames, long width, long height) {
    const uint64_t screen = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    uint64_t covered = 0;
    for (const auto& r : frames) covered += static_cast<uint64_t>(r.width) * static_cast<uint64_t>(r.height);
    // A screen too large for a true-colour picture is never read as one.
    if (covered != screen || screen == 0 || screen > KVXIMAGE_MAX_MEMORY / 3) return false;
    std::vector<bool> taken(static_cast<size_t>(screen));
    for (const auto& r : frames)
        for (long y = r.top; y < r.top + r.height; ++y)
            for (long x = r.left; x < r.left + r.width; ++x) {
                const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
                if (taken[at]) return false;
                taken[at] = true;
            }
    return true;
}

} // namespace

int CKVXImageGIF::get_num_frames(CKVXImageFile* stream, const tag_dscgif& screen, bool* tilesScreen) {
    const long start = stream->Tell();
    int count = 0;
    bool afterZero = true;
    // A true-colour picture's tiles show at one instant and stay.
    std::vector<CKVXGifCanvas::Rect> frames;
    bool allAtOnce = true;
    gifgce = {};
    for (;;) {
        const long block = NextBlock(stream, afterZero);
        if (block < 0 || block == ';') break;
        if (block == '!') {
            DecodeExtension(stream);
            continue;
        }
        tag_image frame;
        if (!ReadImageDescriptor(stream, frame.left, frame.top, frame.width, frame.height, frame.flags)) break;
        if (frame.left + frame.width > screen.width || frame.top + frame.height > screen.height) continue;
        ++count;
        frames.push_back({frame.left, frame.top, frame.width, frame.height});
        allAtOnce = allAtOnce && gifgce.delay == 0 && ((gifgce.flags >> 2) & 7) <= 1;
        gifgce = {};
        // Only the frames are counted here: the colour table and the image
        // data are skipped without decoding.
        if (frame.flags & 0x80) stream->Seek(3L * TableCount(frame.flags), 1);
        if (stream->GetC() < 0) break;
        SkipSubBlocks(stream);
    }
    stream->Seek(start, 0);
    if (tilesScreen) *tilesScreen = allAtOnce && TileScreen(frames, screen.width, screen.height);
    return count;
}

bool CKVXImageGIF::Decode(CKVXImageFile* stream) {
    if (!stream) return false;
    BYTE bytes[13];
    if (stream->Read(bytes, 1, 13) != 13 || std::memcmp(bytes, "GIF8", 4) != 0) return false;
    const tag_dscgif screen = {KVXGetLE16(bytes + 6), KVXGetLE16(bytes + 8), bytes[10], bytes[11]};
    if (GetEscape() == -1) {
        header.biWidth = screen.width;
        header.biHeight = screen.height;
        return true;
    }

    FrameWalk walk;
    walk.screen = screen;
    walk.globalTable.count = TableCount(screen.flags);
    walk.hasGlobalTable = (screen.flags & 0x80) != 0;
    if (walk.hasGlobalTable) ReadColorTable(stream, walk.globalTable.count, walk.globalTable.paleta);
    else ++walk.trueColorVotes;

    imageInfo.numFrames = get_num_frames(stream, screen, &walk.tilesScreen);
    if (imageInfo.frame < 0 || imageInfo.frame >= imageInfo.numFrames) return false;

    // The counting pass read every extension of the file; the first frame
    // starts without a graphic control of its own.
    gifgce = {};
    imageInfo.transIndex = -1;
    bool afterZero = true;
    for (;;) {
        const long block = NextBlock(stream, afterZero);
        if (GetEscape() > 0) return false;
        if (block < 0 || block == ';') break;
        if (block == '!') {
            if (!DecodeExtension(stream)) break;
            continue;
        }
        tag_image frame;
        if (!ReadImageDescriptor(stream, frame.left, frame.top, frame.width, frame.height, frame.flags)) break;
        if (frame.left + frame.width > screen.width || frame.top + frame.height > screen.height) continue;
        if (!DecodeFrame(stream, frame, walk)) return false;
        if (walk.frameNumber == imageInfo.frame) {
            walk.reached = true;
            break;
        }
        ++walk.frameNumber;
        // A graphic control belongs to the one frame after it.
        gifgce = {};
        imageInfo.transIndex = -1;
    }
    canvasWork = walk.colors.Work();

    if (!walk.trueColor) return walk.reached;
    if (!walk.picture.IsValid()) return false;
    if (walk.lastControl.flags & 1) {
        walk.picture.SetTransColor(GetPaletteColor(static_cast<BYTE>(walk.lastTransIndex)));
        walk.picture.SetTransIndex(0);
    } else {
        walk.picture.SetTransIndex(-1);
    }
    return Transfer(walk.picture);
}

bool CKVXImageGIF::DecodeFrame(CKVXImageFile* stream, const tag_image& frame, FrameWalk& walk) {
    const tag_dscgif& screen = walk.screen;
    if (walk.frameNumber == 0) {
        // A first frame that leaves part of the screen uncovered counts once
        // more: a true-colour picture's tiles are as wide as the screen in
        // a narrow picture, and as high as it in a low one.
        if (frame.width != screen.width || frame.height != screen.height) ++walk.trueColorVotes;
        walk.trueColor = walk.trueColorVotes >= 2 && imageInfo.numFrames > 1 && walk.tilesScreen;
        // Every frame adds to the true-colour picture.
        if (walk.trueColor) imageInfo.frame = imageInfo.numFrames - 1;
    }

    // A local colour table serves its own frame; the others use the global one.
    tag_TabCol localTable;
    const tag_TabCol* table = walk.hasGlobalTable ? &walk.globalTable : nullptr;
    int colorCount = walk.globalTable.count;
    if (frame.flags & 0x80) {
        localTable.count = colorCount = TableCount(frame.flags);
        ReadColorTable(stream, localTable.count, localTable.paleta);
        table = &localTable;
    }
    const DWORD bpp = colorCount <= 2 ? 1 : colorCount <= 16 ? 4 : 8;

    // The first frame is laid on a screen of palette indices; from the
    // second on, the screen holds colours, so that each frame's palette and
    // transparent index serve its own pixels only.
    CKVXGifCanvas& colors = walk.colors;
    CKVXImageGIF& canvas = walk.canvas;
    if (!walk.trueColor) {
        if (walk.frameNumber == 0) {
            canvas.CopyInfo(*this);
            if (!canvas.Create(screen.width, screen.height, bpp, ImageTypeGif)) {
                SetLastErrorText(canvas.GetLastError());
                return false;
            }
            walk.firstTransIndex = imageInfo.transIndex;
            canvas.Clear(gifgce.transIndex);
        } else {
            if (walk.frameNumber == 1) {
                // This object holds the first frame on its screen.
                if (!colors.Load(*this, walk.firstTransIndex)) {
                    SetLastErrorText("KVXIMAGE_MAX_MEMORY exceeded");
                    return false;
                }
                if (walk.previousDisposal == 3) colors.Fill(walk.previousArea, walk.firstFill);
            } else if (walk.previousDisposal == 3) {
                colors.Restore();
            }
            if (walk.previousDisposal == 2) colors.Fill(walk.previousArea, walk.previousBackground);
        }
    }

    if (!Create(frame.width, frame.height, bpp, ImageTypeGif)) return false;
    if (table) {
        RGBQUAD entries[256];
        for (int i = 0; i < 256; ++i) {
            const rgb_color& c = table->paleta[i];
            entries[i] = i < table->count ? RGBQUAD{c.b, c.g, c.r, 0} : RGBQUAD{255, 255, 255, 0};
        }
        SetPalette(entries, IsTransparent() ? 256 : static_cast<DWORD>(table->count));
    }

    CKVXGifLineWriter lines(*this, (frame.flags & 0x40) != 0);
    const long dataStart = stream->Tell();
    CKVXGifLzwReader& reader = walk.reader;
    // An error in the data ends the frame's data; what came before it stays.
    reader.decoder(stream, frame.width, lines);
    if (GetEscape() != 0) return false;

    const int disposal = (gifgce.flags >> 2) & 7;
    const CKVXGifCanvas::Rect area = {frame.left, frame.top, frame.width, frame.height};
    if (!walk.trueColor && walk.frameNumber == 0) {
        const BYTE fill = gifgce.transIndex;
        walk.firstFill = fill == imageInfo.transIndex ? CKVXGifCanvas::kTransparent
                                                      : CKVXGifCanvas::Opaque(GetPaletteColor(fill));
        GifMix(canvas, frame);
        canvas.SetTransIndex(walk.firstTransIndex);
        // The frame's palette, as far as it goes (a frame may have fewer
        // colours than the canvas).
        canvas.SetPalette(GetPalette(), GetNumColors());
        walk.firstBpp = canvas.GetBpp();
        Transfer(canvas);
    } else if (!walk.trueColor) {
        if (disposal == 3) colors.Save(area);
        colors.Draw(*this, frame.left, frame.top, imageInfo.transIndex);
        if (walk.frameNumber == imageInfo.frame) {
            // The picture keeps this frame's palette where its colours allow.
            CKVXImageGIF picture;
            picture.CopyInfo(*this);
            RGBQUAD entries[256];
            const DWORD count = std::min<DWORD>(GetNumColors(), table ? static_cast<DWORD>(table->count) : 256);
            for (DWORD i = 0; i < count; ++i) entries[i] = GetPaletteColor(static_cast<BYTE>(i));
            if (!colors.Render(picture, entries, count, walk.firstTransIndex, imageInfo.transIndex, walk.firstBpp)) {
                SetLastErrorText(picture.GetLastError());
                return false;
            }
            Transfer(picture);
        }
    } else {
        if (!walk.picture.IsValid()) {
            walk.picture.CopyInfo(*this);
            if (!walk.picture.Create(screen.width, screen.height, 24, ImageTypeGif)) {
                SetLastErrorText(walk.picture.GetLastError());
                return false;
            }
        }
        CopyToTrueColor(walk.picture, frame);
        walk.lastControl = gifgce;
        walk.lastTransIndex = imageInfo.transIndex;
    }
    walk.previousDisposal = disposal;
    walk.previousArea = area;
    // Disposal to the background leaves the rectangle transparent where the
    // file has transparency, else in the screen's background colour.
    const bool clearToTransparent = imageInfo.transIndex >= 0 || walk.firstTransIndex >= 0 || !walk.hasGlobalTable;
    walk.previousBackground = clearToTransparent
                                  ? CKVXGifCanvas::kTransparent
                                  : CKVXGifCanvas::Opaque(RGBQUAD{walk.globalTable.paleta[screen.background].b,
                                                                  walk.globalTable.paleta[screen.background].g,
                                                                  walk.globalTable.paleta[screen.background].r, 0});

    // Behind the frame's data: the stream goes back over what the reader
    // took in but did not use, then past the rest of the sub-blocks.
    if (reader.BadCodeCount() > 0) {
        seek_next_image(stream, dataStart);
    } else {
        stream->Seek(-reader.UnreadBytes(), 1);
        if (!reader.TerminatorRead()) SkipSubBlocks(stream);
    }
    return true;
}

void CKVXImageGIF::GifMix(CKVXImageGIF& canvas, const tag_image& frame) {
    const long canvasHeight = static_cast<long>(canvas.GetHeight());
    const long frameBottom = canvasHeight - frame.top - frame.height;
    const long rowStart = std::max(0L, frameBottom);
    const long rowEnd = canvasHeight - frame.top;
    const long columnEnd = std::min<long>(frame.left + frame.width, static_cast<long>(canvas.GetWidth()));
    const long trans = imageInfo.transIndex;
    const bool bytes = GetBpp() == 8 && canvas.GetBpp() == 8;
    for (long y = rowStart; y < rowEnd; ++y) {
        const long frameRow = y - frameBottom;
        if (bytes) {
            const BYTE* source = GetBits(static_cast<DWORD>(frameRow));
            BYTE* target = canvas.GetBits(static_cast<DWORD>(y));
            for (long x = frame.left; x < columnEnd; ++x) {
                const BYTE index = source[x - frame.left];
                if (index != trans) target[x] = index;
            }
            continue;
        }
        for (long x = frame.left; x < columnEnd; ++x) {
            const BYTE index = BlindGetPixelIndex(x - frame.left, frameRow);
            if (index != trans) canvas.SetPixelIndex(x, y, index);
        }
    }
}

void CKVXImageGIF::CopyToTrueColor(CKVXImage& picture, const tag_image& frame) {
    const long screenHeight = static_cast<long>(picture.GetHeight());
    for (long y = 0; y < frame.height; ++y) {
        const long frameRow = frame.height - 1 - y;
        const long pictureRow = screenHeight - 1 - (frame.top + y);
        for (long x = 0; x < frame.width; ++x)
            picture.SetPixelColor(frame.left + x, pictureRow, GetPaletteColor(BlindGetPixelIndex(x, frameRow)));
    }
}

long CKVXImageGIF::seek_next_image(CKVXImageFile* stream, long position) {
    stream->Seek(position, 0);
    long previous = -1;
    for (long byte = stream->GetC(); byte >= 0; byte = stream->GetC()) {
        if (byte == ',' && previous == 0) {
            stream->Seek(-1, 1);
            return stream->Tell();
        }
        previous = byte;
    }
    return -1;
}

// ----- Encoding ---------------------------------------------------------------------

bool CKVXImageGIF::FinishWriting(CKVXImageFile* stream, bool written) {
    if (written && stream->Flush() && stream->Error() == 0) return true;
    SetLastErrorText(kWriteError);
    return false;
}

bool CKVXImageGIF::Encode(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    if (TooLargeForGif(*this)) {
        SetLastErrorText(kTooLarge);
        return false;
    }
    if (GetBpp() > 8) return EncodeRGB(stream);
    const bool written = EncodeHeader(stream) && EncodeExtension(stream) && EncodeComment(stream) &&
                         EncodeBody(stream, false) && stream->PutC(';');
    return FinishWriting(stream, written);
}

bool CKVXImageGIF::EncodePalette(CKVXImageFile* stream) {
    const DWORD count = GetNumColors();
    BYTE bytes[3 * 256];
    for (DWORD i = 0; i < count && i < 256; ++i) {
        const RGBQUAD entry = GetPaletteColor(static_cast<BYTE>(i));
        bytes[3 * i] = entry.rgbRed;
        bytes[3 * i + 1] = entry.rgbGreen;
        bytes[3 * i + 2] = entry.rgbBlue;
    }
    return WriteBytes(stream, bytes, 3 * std::min<DWORD>(count, 256));
}

bool CKVXImageGIF::EncodeHeader(CKVXImageFile* stream) {
    BYTE bytes[13] = {'G', 'I', 'F', '8', '9', 'a'};
    KVXPutLE16(bytes + 6, static_cast<WORD>(GetWidth()));
    KVXPutLE16(bytes + 8, static_cast<WORD>(GetHeight()));
    const BYTE depth = static_cast<BYTE>(GetBpp() - 1);
    bytes[10] = IsIndexed() ? static_cast<BYTE>(0x80 | (depth << 4) | depth) : 0x11;
    if (!WriteBytes(stream, bytes, sizeof bytes)) return false;
    return !IsIndexed() || EncodePalette(stream);
}

bool CKVXImageGIF::EncodeLoopExtension(CKVXImageFile* stream) {
    BYTE bytes[19] = {0x21, kApplicationLabel, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
    KVXPutLE16(bytes + 16, static_cast<WORD>(loops));
    return WriteBytes(stream, bytes, sizeof bytes);
}

bool CKVXImageGIF::EncodeExtension(CKVXImageFile* stream) {
    BYTE bytes[8] = {0x21, kGraphicControlLabel, 4};
    bytes[3] = static_cast<BYTE>(((disposalMethod & 7) << 2) | (IsTransparent() ? 1 : 0));
    KVXPutLE16(bytes + 4, static_cast<WORD>(GetFrameDelay()));
    bytes[6] = static_cast<BYTE>(GetTransIndex());
    return WriteBytes(stream, bytes, sizeof bytes);
}

bool CKVXImageGIF::EncodeComment(CKVXImageFile* stream) {
    const size_t length = strnlen(comment, 255);
    if (length == 0) return true;
    const BYTE head[3] = {0x21, kCommentLabel, static_cast<BYTE>(length)};
    return WriteBytes(stream, head, 3) && WriteBytes(stream, comment, length) && stream->PutC(0);
}

bool CKVXImageGIF::EncodeBody(CKVXImageFile* stream, bool localColorMap) {
    BYTE bytes[10] = {','};
    long offsetX = 0;
    long offsetY = 0;
    GetOffset(&offsetX, &offsetY);
    KVXPutLE16(bytes + 1, static_cast<WORD>(offsetX));
    KVXPutLE16(bytes + 3, static_cast<WORD>(offsetY));
    KVXPutLE16(bytes + 5, static_cast<WORD>(GetWidth()));
    KVXPutLE16(bytes + 7, static_cast<WORD>(GetHeight()));
    bytes[9] = localColorMap ? static_cast<BYTE>((GetBpp() - 1) | 0x80) : 0;
    if (!WriteBytes(stream, bytes, sizeof bytes)) return false;
    if (localColorMap && !EncodePalette(stream)) return false;
    const int codeSize = std::max<int>(GetBpp(), 2);
    return stream->PutC(static_cast<unsigned char>(codeSize)) && EncodePixels(stream, codeSize + 1) &&
           stream->PutC(0);
}

bool CKVXImageGIF::EncodePixels(CKVXImageFile* stream, int initBits) {
    CKVXGifPixelWalk pixels(*this);
    switch (GetCodecOption(ImageTypeGif)) {
    case 1: return CKVXGifLzwEncoder(stream, initBits).compressNONE(pixels);
    case 2: return CKVXGifRunLengthEncoder(stream, initBits).compressRLE(pixels);
    default: return CKVXGifLzwEncoder(stream, initBits).compressLZW(pixels);
    }
}

bool CKVXImageGIF::EncodeRGB(CKVXImageFile* stream) {
    bool written = EncodeHeader(stream) && EncodeComment(stream);
    CKVXImageGIF tile;
    tile.SetCodecOption(GetCodecOption(ImageTypeGif), ImageTypeGif);
    const bool transparent = IsTransparent();
    const RGBQUAD transColor = GetTransColor();
    const long width = static_cast<long>(GetWidth());
    const long height = static_cast<long>(GetHeight());
    for (long top = 0; written && top < height; top += kTileHeight) {
        for (long left = 0; written && left < width; left += kTileWidth) {
            const long tileWidth = std::min<long>(kTileWidth, width - left);
            const long tileHeight = std::min<long>(kTileHeight, height - top);
            if (!tile.IsValid() || static_cast<long>(tile.GetWidth()) != tileWidth ||
                static_cast<long>(tile.GetHeight()) != tileHeight) {
                if (!tile.Create(tileWidth, tileHeight, 8, ImageTypeGif)) {
                    SetLastErrorText(tile.GetLastError());
                    return false;
                }
            }
            if (transparent) {
                tile.SetTransIndex(0);
                tile.SetPaletteColor(0, transColor);
            }
            // Each pixel of the tile has a palette entry of its own.
            for (long j = 0; j < tileHeight; ++j)
                for (long k = 0; k < tileWidth; ++k)
                    tile.SetPaletteColor(static_cast<BYTE>(1 + k + kTileWidth * j),
                                         GetPixelColor(left + k, height - 1 - (top + j), false));
            for (long j = 0; j < tileHeight; ++j)
                for (long k = 0; k < tileWidth; ++k)
                    tile.SetPixelIndex(k, tileHeight - 1 - j,
                                       tile.GetNearestIndex(GetPixelColor(left + k, height - 1 - (top + j), false)));
            tile.SetOffset(left, top);
            written = tile.EncodeExtension(stream) && tile.EncodeBody(stream, true);
        }
    }
    written = written && stream->PutC(';');
    return FinishWriting(stream, written);
}

bool CKVXImageGIF::Encode(CKVXImageFile* stream, CKVXImage** images, int count, bool localColorMaps) {
    const char* failure = EncodeFrames(stream, images, count, localColorMaps);
    if (!failure) return true;
    SetLastErrorText(failure);
    return false;
}

const char* CKVXImageGIF::EncodeFrames(CKVXImageFile* stream, CKVXImage** images, int count, bool localColorMaps) {
    if (!stream) return "invalid file pointer";
    if (!images || count <= 0 || !images[0] || !images[0]->IsValid()) return "multipage GIF, no images!";
    // Frames carry palette indices only: deeper images are refused before
    // anything is written.
    for (int i = 0; i < count; ++i) {
        if (!images[i] || !images[i]->IsValid()) continue;
        if (images[i]->GetBpp() > 8) return kDeepFrame;
        if (TooLargeForGif(*images[i])) return kTooLarge;
    }

    CKVXImageGIF work;
    work.Ghost(images[0]);
    bool written = work.EncodeHeader(stream);
    if (loops != 1) {
        work.loops = std::max(loops - 1, 0);
        written = written && work.EncodeLoopExtension(stream);
    }
    work.disposalMethod = disposalMethod;
    written = written && work.EncodeExtension(stream) && EncodeComment(stream) && work.EncodeBody(stream, false);
    for (int i = 1; i < count; ++i) {
        if (!images[i] || !images[i]->IsValid()) return "Bad image pointer";
        work.Ghost(images[i]);
        work.disposalMethod = disposalMethod;
        // A frame whose colours the global table does not hold brings its own.
        const bool localTable = localColorMaps || !GlobalTableServes(*images[i], *images[0]);
        written = written && work.EncodeExtension(stream) && work.EncodeBody(stream, localTable);
    }
    written = written && stream->PutC(';');
    return FinishWriting(stream, written) ? nullptr : kWriteError;
}
