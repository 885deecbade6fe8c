// The image object's lifetime, creation, copying and accessors.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXGlobalMemory.h"

namespace {

constexpr DWORD kHeaderSize = sizeof(BITMAPINFOHEADER);

// Pixels per metre for a resolution in dots per inch, rounded.
LONG PelsPerMeter(long dpi) {
    const double ppm = std::floor(static_cast<double>(dpi) * 10000.0 / 254.0 + 0.5);
    return static_cast<LONG>(std::min(ppm, static_cast<double>(INT32_MAX)));
}

long NormalisedDpi(long dpi) {
    if (dpi < 1) return 96;
    return std::min<long>(dpi, INT32_MAX);
}

// Bytes for count items of itemSize, or 0 when that passes the memory limit.
uint64_t WithinMemoryLimit(uint64_t itemSize, uint64_t count) {
    if (itemSize != 0 && count > KVXIMAGE_MAX_MEMORY / itemSize) return 0;
    return itemSize * count;
}

BYTE* DuplicatePlane(const BYTE* plane, size_t size) {
    BYTE* copy = static_cast<BYTE*>(std::malloc(size));
    if (copy) std::memcpy(copy, plane, size);
    return copy;
}

} // namespace

// ----- Construction and lifetime --------------------------------------------

CKVXImage::CKVXImage(DWORD type) {
    Startup(type);
}

CKVXImage::CKVXImage(DWORD width, DWORD height, DWORD bpp, DWORD type) {
    Startup(type);
    Create(width, height, bpp, type);
}

CKVXImage::CKVXImage(const CKVXImage& src, bool withPixels, bool withSelection, bool withAlpha) {
    Startup(src.imageInfo.type);
    Copy(src, withPixels, withSelection, withAlpha);
}

CKVXImage::~CKVXImage() {
    Destroy();
}

CKVXImage& CKVXImage::operator=(const CKVXImage& src) {
    if (this != &src) Copy(src, true, true, true);
    return *this;
}

void CKVXImage::Startup(DWORD type) {
    dib = nullptr;
    selection = nullptr;
    alpha = nullptr;
    layers = nullptr;
    std::memset(&header, 0, sizeof header);
    std::memset(&imageInfo, 0, sizeof imageInfo);
    imageInfo.type = type;
    imageInfo.jpegQuality = 90;
    imageInfo.alphaMax = 255;
    imageInfo.transIndex = -1;
    imageInfo.enabled = true;
    SetXDPI(96);
    SetYDPI(96);
}

bool CKVXImage::Destroy() {
    if (imageInfo.ghostSource) return false;
    if (layers) {
        for (int32_t i = 0; i < imageInfo.layerCount; ++i) delete layers[i];
        std::free(layers);
        layers = nullptr;
    }
    imageInfo.layerCount = 0;
    std::free(selection);
    selection = nullptr;
    std::free(alpha);
    alpha = nullptr;
    std::free(dib);
    dib = nullptr;
    return true;
}

void* CKVXImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD type) {
    return CreateBlock(width, height, bpp, type, true);
}

void* CKVXImage::CreateForWriting(DWORD width, DWORD height, DWORD bpp, DWORD type) {
    return CreateBlock(width, height, bpp, type, false);
}

void* CKVXImage::CreateBlock(DWORD width, DWORD height, DWORD bpp, DWORD type, bool clearPixels) {
    if (!Destroy()) return nullptr;
    if (width == 0 || height == 0) {
        SetLastErrorText("CKVXImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    if (bpp <= 1) bpp = 1;
    else if (bpp <= 4) bpp = 4;
    else if (bpp <= 8) bpp = 8;
    else bpp = 24;
    const DWORD colors = bpp == 24 ? 0 : (1u << bpp);

    // Sizes in 64 bits, bounded before anything is allocated: the block and
    // each one-byte-per-pixel plane (alpha, selection) must fit the limit.
    const uint64_t effWidth = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
    const uint64_t imageSize = WithinMemoryLimit(effWidth, height);
    const uint64_t planeSize = WithinMemoryLimit(width, height);
    const uint64_t blockSize = kHeaderSize + 4ull * colors + imageSize;
    if (imageSize == 0 || planeSize == 0 || blockSize > KVXIMAGE_MAX_MEMORY) {
        SetLastErrorText("KVXIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }

    imageInfo.effWidth = static_cast<DWORD>(effWidth);
    imageInfo.type = type;
    header.biSize = kHeaderSize;
    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bpp);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(imageSize);
    header.biClrUsed = colors;
    header.biClrImportant = 0;

    // Whole bytes per pixel can be left as the heap gives them when the
    // caller writes every pixel; the header, the palette and the padding at
    // the end of each row are cleared all the same.
    const bool leavePixels = !clearPixels && bpp >= 8;
    dib = leavePixels ? std::malloc(static_cast<size_t>(blockSize)) : std::calloc(1, static_cast<size_t>(blockSize));
    if (!dib) {
        SetLastErrorText("CKVXImage::Create can't allocate memory");
        return nullptr;
    }
    if (leavePixels) {
        std::memset(dib, 0, kHeaderSize + 4ull * colors);
        const size_t used = static_cast<size_t>(width) * (bpp / 8);
        const size_t padding = static_cast<size_t>(effWidth) - used;
        if (padding != 0) {
            BYTE* row = static_cast<BYTE*>(dib) + kHeaderSize + 4ull * colors + used;
            for (DWORD y = 0; y < height; ++y, row += effWidth) std::memset(row, 0, padding);
        }
    }
    std::memcpy(dib, &header, kHeaderSize);
    imageInfo.bits = GetBits(0);
    ClearNearestCache();
    return dib;
}

void CKVXImage::Copy(const CKVXImage& src, bool withPixels, bool withSelection, bool withAlpha) {
    // A ghost never overwrites the buffers it borrows.
    if (&src == this || imageInfo.ghostSource) return;
    CopySettings(src.imageInfo);
    if (!src.dib) {
        Destroy();
        return;
    }
    if (!Create(src.GetWidth(), src.GetHeight(), src.GetBpp(), src.imageInfo.type)) return;
    // The resolution belongs to the picture: keep the source's header values.
    header.biXPelsPerMeter = src.header.biXPelsPerMeter;
    header.biYPelsPerMeter = src.header.biYPelsPerMeter;
    std::memcpy(dib, &header, kHeaderSize);
    if (withPixels) {
        std::memcpy(dib, src.dib, static_cast<size_t>(GetSize()));
    } else {
        SetPalette(src.GetPalette(), src.GetNumColors());
    }
    const size_t planeSize = static_cast<size_t>(GetWidth()) * GetHeight();
    if (withSelection && src.selection) selection = DuplicatePlane(src.selection, planeSize);
    if (withAlpha && src.alpha) alpha = DuplicatePlane(src.alpha, planeSize);
}

bool CKVXImage::Transfer(CKVXImage& from) {
    if (&from == this) return true;
    if (!Destroy()) return false;
    header = from.header;
    imageInfo = from.imageInfo;
    dib = from.dib;
    selection = from.selection;
    alpha = from.alpha;
    layers = from.layers;

    std::memset(&from.header, 0, sizeof from.header);
    std::memset(&from.imageInfo, 0, sizeof from.imageInfo);
    from.dib = nullptr;
    from.selection = nullptr;
    from.alpha = nullptr;
    from.layers = nullptr;
    return true;
}

void CKVXImage::Ghost(CKVXImage* from) {
    if (!from) return;
    Destroy();
    header = from->header;
    imageInfo = from->imageInfo;
    dib = from->dib;
    selection = from->selection;
    alpha = from->alpha;
    layers = from->layers;
    imageInfo.ghostSource = from;
}

void CKVXImage::CopyInfo(const CKVXImage& src) {
    if (dib) return;
    CopySettings(src.imageInfo);
}

void CKVXImage::CopySettings(const ImageInfo& src) {
    if (&src == &imageInfo) return;
    BYTE* const bits = imageInfo.bits;
    CKVXImage* const ghostSource = imageInfo.ghostSource;
    const int32_t layerCount = imageInfo.layerCount;
    imageInfo = src;
    imageInfo.bits = bits;
    imageInfo.ghostSource = ghostSource;
    imageInfo.layerCount = layerCount;
    // The cache answers for the source's palette, not necessarily this one.
    ClearNearestCache();
}

void CKVXImage::Clear(BYTE value) {
    if (!dib) return;
    BYTE fill = value;
    if (header.biBitCount == 1) fill = value ? 255 : 0;
    else if (header.biBitCount == 4) fill = static_cast<BYTE>((value & 15) * 17);
    std::memset(imageInfo.bits, fill, header.biSizeImage);
}

void* CKVXImage::CopyToHandle() {
    if (!dib) return nullptr;
    const size_t size = static_cast<size_t>(GetSize());
    HANDLE block = KVXGlobalAlloc(size);
    if (!block) return nullptr;
    std::memcpy(KVXGlobalLock(block), dib, size);
    KVXGlobalUnlock(block);
    return block;
}

void CKVXImage::FreeMemory(void* p) {
    std::free(p);
}

int CKVXImage::CompareColors(const void* a, const void* b) {
    const RGBQUAD* first = static_cast<const RGBQUAD*>(a);
    const RGBQUAD* second = static_cast<const RGBQUAD*>(b);
    const int firstLevel = (first->rgbGreen * 601 + first->rgbRed * 306 + first->rgbBlue * 117) >> 10;
    const int secondLevel = (second->rgbGreen * 601 + second->rgbRed * 306 + second->rgbBlue * 117) >> 10;
    return firstLevel - secondLevel;
}

void CKVXImage::Bitfield2RGB(BYTE* source, WORD maskRed, WORD maskGreen, WORD maskBlue, BYTE bpp) {
    if (!dib || !source || header.biBitCount != 24) return;
    const long width = header.biWidth;
    const long height = header.biHeight;
    const size_t effWidth = imageInfo.effWidth;
    BYTE* const bits = imageInfo.bits;
    if (bpp == 16) {
        const int redBits = std::popcount(static_cast<unsigned>(maskRed));
        const int greenBits = std::popcount(static_cast<unsigned>(maskGreen));
        const int blueBits = std::popcount(static_cast<unsigned>(maskBlue));
        const int blueShift = 8 - redBits;
        // Right shifts past the 16-bit word give 0; held below the word size.
        const int greenShift = std::min(redBits + greenBits - 8, 31);
        const int redShift = std::min(redBits + greenBits + blueBits - 8, 31);
        // Masks whose bit counts would need a negative shift are refused.
        if (blueShift < 0 || greenShift < 0 || redShift < 0) return;
        const size_t sourceStride = static_cast<size_t>((width + 1) / 2) * 4;
        // From the last pixel backwards, so that the source may be the pixel
        // buffer itself: a destination pixel never lies before its source.
        for (long y = height - 1; y >= 0; --y) {
            for (long x = width - 1; x >= 0; --x) {
                const BYTE* s = source + y * sourceStride + 2 * x;
                const unsigned word = static_cast<unsigned>(s[0] | (s[1] << 8));
                BYTE* d = bits + y * effWidth + 3 * x;
                d[0] = static_cast<BYTE>((word & maskBlue) << blueShift);
                d[1] = static_cast<BYTE>((word & maskGreen) >> greenShift);
                d[2] = static_cast<BYTE>((word & maskRed) >> redShift);
            }
        }
    } else if (bpp == 32) {
        const size_t sourceStride = static_cast<size_t>(width) * 4;
        // Forwards: a 3-byte destination pixel never lies after its 4-byte
        // source, so this too works in place.
        for (long y = 0; y < height; ++y) {
            for (long x = 0; x < width; ++x) {
                const BYTE* s = source + y * sourceStride + 4 * x;
                BYTE* d = bits + y * effWidth + 3 * x;
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
        }
    }
}

namespace {

// Copies one source row of CreateFromArray/CreateFromMatrix into image row
// `row`, reading no more than rowBytes bytes of the source.
void CopyArrayRow(CKVXImage& image, const BYTE* source, DWORD row, DWORD bpp, DWORD rowBytes) {
    BYTE* destination = image.GetBits(row);
    if (bpp == 32) {
        BYTE* alphaRow = image.AlphaGetPointer(0, row);
        const DWORD pixels = std::min(image.GetWidth(), rowBytes / 4);
        for (DWORD x = 0; x < pixels; ++x) {
            destination[3 * x] = source[4 * x];
            destination[3 * x + 1] = source[4 * x + 1];
            destination[3 * x + 2] = source[4 * x + 2];
            if (alphaRow) alphaRow[x] = source[4 * x + 3];
        }
    } else {
        std::memcpy(destination, source, std::min(image.GetEffWidth(), rowBytes));
    }
}

bool IsArrayDepth(DWORD bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32;
}

} // namespace

bool CKVXImage::CreateFromArray(BYTE* source, DWORD width, DWORD height, DWORD bpp, DWORD rowBytes, bool flip) {
    if (!source || !IsArrayDepth(bpp) || !Create(width, height, bpp, 0)) return false;
    if (bpp < 24) SetGrayPalette();
    if (bpp == 32) AlphaCreate();
    for (DWORD r = 0; r < height; ++r) {
        const DWORD row = flip ? height - 1 - r : r;
        CopyArrayRow(*this, source + static_cast<size_t>(r) * rowBytes, row, bpp, rowBytes);
    }
    return true;
}

bool CKVXImage::CreateFromMatrix(BYTE** rows, DWORD width, DWORD height, DWORD bpp, DWORD rowBytes, bool flip) {
    if (!rows || !IsArrayDepth(bpp) || !Create(width, height, bpp, 0)) return false;
    if (bpp < 24) SetGrayPalette();
    if (bpp == 32) AlphaCreate();
    for (DWORD r = 0; r < height; ++r) {
        if (!rows[r]) continue;
        const DWORD row = flip ? height - 1 - r : r;
        CopyArrayRow(*this, rows[r], row, bpp, rowBytes);
    }
    return true;
}

// ----- Pixel buffer and accessors -------------------------------------------

BYTE* CKVXImage::GetBits(DWORD row) {
    if (!dib) return nullptr;
    BYTE* const first = static_cast<BYTE*>(dib) + header.biSize + GetPaletteSize();
    if (row == 0) return first;
    if (row >= GetHeight()) return nullptr;
    return first + static_cast<size_t>(row) * imageInfo.effWidth;
}

long CKVXImage::GetSize() {
    return static_cast<long>(header.biSize) + static_cast<long>(header.biSizeImage) + static_cast<long>(GetPaletteSize());
}

bool CKVXImage::IsInside(long x, long y) {
    return y >= 0 && y < header.biHeight && x >= 0 && x < header.biWidth;
}

BYTE CKVXImage::GetColorType() {
    if (AlphaIsValid()) return 4;
    return header.biBitCount > 8 ? 2 : 1;
}

RGBQUAD CKVXImage::GetTransColor() {
    if (header.biBitCount < 24 && imageInfo.transIndex != -1)
        return GetPaletteColor(static_cast<BYTE>(imageInfo.transIndex));
    return imageInfo.transColor;
}

void CKVXImage::SetTransColor(RGBQUAD color) {
    color.rgbReserved = 0;
    imageInfo.transColor = color;
}

void CKVXImage::SetXDPI(long dpi) {
    dpi = NormalisedDpi(dpi);
    imageInfo.xDpi = static_cast<int32_t>(dpi);
    header.biXPelsPerMeter = PelsPerMeter(dpi);
}

void CKVXImage::SetYDPI(long dpi) {
    dpi = NormalisedDpi(dpi);
    imageInfo.yDpi = static_cast<int32_t>(dpi);
    header.biYPelsPerMeter = PelsPerMeter(dpi);
}

void CKVXImage::SetFlags(DWORD flags, bool lowOnly) {
    imageInfo.flags = lowOnly ? (flags & 0xFFFF) : flags;
}

void CKVXImage::GetOffset(long* x, long* y) {
    if (x) *x = imageInfo.offsetX;
    if (y) *y = imageInfo.offsetY;
}

void CKVXImage::SetOffset(long x, long y) {
    imageInfo.offsetX = static_cast<int32_t>(x);
    imageInfo.offsetY = static_cast<int32_t>(y);
}

long CKVXImage::GetEscape() const {
    return __atomic_load_n(&imageInfo.escape, __ATOMIC_RELAXED);
}

void CKVXImage::SetEscape(long escape) {
    __atomic_store_n(&imageInfo.escape, static_cast<int32_t>(escape), __ATOMIC_RELAXED);
}

const wchar_t* CKVXImage::GetVersion() const {
    return L"CKVXImage 5.99c0001";
}

float CKVXImage::GetVersionNumber() const {
    return 5.99003f;
}

DWORD CKVXImage::GetCodecOption(DWORD type) {
    if (type == ImageTypeUnknown) type = imageInfo.type;
    if (type >= ImageTypeCount) return 0;
    return imageInfo.codecOptions[type];
}

bool CKVXImage::SetCodecOption(DWORD option, DWORD type) {
    if (type == ImageTypeUnknown) type = imageInfo.type;
    if (type >= ImageTypeCount) return false;
    imageInfo.codecOptions[type] = option;
    return true;
}

void CKVXImage::SetLastErrorText(const char* text) {
    std::strncpy(imageInfo.lastError, text ? text : "", sizeof imageInfo.lastError - 1);
    imageInfo.lastError[sizeof imageInfo.lastError - 1] = '\0';
}
