// The PNG codec over libpng 1.6.
//
// libpng reports errors by a long jump back to the setjmp point of the
// running Decode or Encode. No object with a destructor lives in those
// frames or in anything called from them: buffers are plain heap blocks held
// in volatile pointers and freed on the error path too.

#include "Pendrel/Image/KVXImagePNG.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Pendrel/Image/KVXImageFile.h"

namespace {

constexpr size_t kLastErrorSize = 256;

// ----- libpng callbacks (the error pointer is the image's lastError field) ----

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    if (char* lastError = static_cast<char*>(png_get_error_ptr(png)))
        std::snprintf(lastError, kLastErrorSize, "%s", message ? message : "");
    png_longjmp(png, 1);
}

// Warnings are not printed: the image library writes nothing to the console.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep data, size_t length) {
    CKVXImageFile* stream = static_cast<CKVXImageFile*>(png_get_io_ptr(png));
    if (stream->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void OnWrite(png_structp png, png_bytep data, size_t length) {
    CKVXImageFile* stream = static_cast<CKVXImageFile*>(png_get_io_ptr(png));
    if (stream->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void OnFlush(png_structp png) {
    CKVXImageFile* stream = static_cast<CKVXImageFile*>(png_get_io_ptr(png));
    if (!stream->Flush()) png_error(png, "Flush Error");
}

// Widens a row of 2-bit pixels in place to 4 bits per pixel, from the last
// pixel backwards so that no source byte is overwritten before it is read.
void WidenTwoBitRow(BYTE* row, size_t width) {
    for (size_t x = width; x-- > 0;) {
        const BYTE value = static_cast<BYTE>((row[x / 4] >> (6 - 2 * (x % 4))) & 3);
        BYTE& target = row[x / 2];
        target = (x & 1) ? static_cast<BYTE>((target & 0xF0) | value) : static_cast<BYTE>((target & 0x0F) | (value << 4));
    }
}

long DpiFromPelsPerMeter(png_uint_32 pelsPerMeter) {
    return static_cast<long>(std::floor(pelsPerMeter * 254.0 / 10000.0 + 0.5));
}

} // namespace

bool CKVXImage::DecodeAsPng(CKVXImageFile* stream) {
    return RunDecoder<CKVXImagePNG>(stream, false);
}

bool CKVXImage::EncodeAsPng(CKVXImageFile* stream) {
    return RunEncoder<CKVXImagePNG>(stream);
}

// ----- Decoding ---------------------------------------------------------------

bool CKVXImagePNG::Decode(CKVXImageFile* stream) {
    if (!stream) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, imageInfo.lastError, OnError, OnWarning);
    if (!png) {
        SetLastErrorText("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        SetLastErrorText("Failed to initialize PNG info structure");
        return false;
    }
    BYTE* volatile row = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        std::free(row);
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }

    png_set_read_fn(png, stream, OnRead);
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    const int storedBits = bitDepth * png_get_channels(png, info);

    // Alpha channels of 8 bits per sample, grey with alpha at 16 bits, and
    // RGBA at 16 bits are kept as an alpha plane; the other files' alpha and
    // transparency are composited.
    const bool alphaPlane = (colorType == PNG_COLOR_TYPE_RGB_ALPHA && (storedBits == 32 || storedBits == 64)) ||
                            (colorType == PNG_COLOR_TYPE_GRAY_ALPHA && storedBits == 32);
    png_color_16p fileBackground = nullptr;
    const bool hasBackground = png_get_bKGD(png, info, &fileBackground) != 0 && fileBackground;
    if (alphaPlane) {
        if (hasBackground)
            SetTransColor(RGBQUAD{static_cast<BYTE>(fileBackground->blue), static_cast<BYTE>(fileBackground->green),
                                  static_cast<BYTE>(fileBackground->red), 0});
    } else if (hasBackground) {
        png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        png_color_16 grey{0, 192, 192, 192, 192};
        png_set_background(png, &grey, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    if (bitDepth == 16) png_set_strip_16(png);
    // Grey 192 has no place among the levels of a grey of 1, 2 or 4 bits:
    // such a file with a transparent level is widened to 8-bit grey before
    // its transparent pixels are composited.
    const bool widenGrey = colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8 && !hasBackground &&
                           png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (widenGrey) png_set_expand(png);

    const DWORD bpp =
        widenGrey ? 8 : storedBits == 16 ? 8 : (storedBits > 16 ? 24 : static_cast<DWORD>(storedBits));
    if (!Create(width, height, bpp, ImageTypePng)) png_longjmp(png, 1);

    png_uint_32 xResolution = 0;
    png_uint_32 yResolution = 0;
    int unit = PNG_RESOLUTION_UNKNOWN;
    png_get_pHYs(png, info, &xResolution, &yResolution, &unit);
    if (unit == PNG_RESOLUTION_UNKNOWN) {
        SetXDPI(static_cast<long>(std::min<png_uint_32>(xResolution, INT32_MAX)));
        SetYDPI(static_cast<long>(std::min<png_uint_32>(yResolution, INT32_MAX)));
    } else if (unit == PNG_RESOLUTION_METER) {
        SetXDPI(DpiFromPelsPerMeter(xResolution));
        SetYDPI(DpiFromPelsPerMeter(yResolution));
    }

    // The palette and its transparency are taken before the first row:
    // libpng composites the palette in place once the rows start.
    png_colorp filePalette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(png, info, &filePalette, &paletteSize) && filePalette && paletteSize > 0) {
        RGBQUAD entries[256] = {};
        const int count = std::min(paletteSize, 256);
        for (int i = 0; i < count; ++i)
            entries[i] = RGBQUAD{filePalette[i].blue, filePalette[i].green, filePalette[i].red, 0};
        SetPalette(entries, static_cast<DWORD>(count));
    } else if (bitDepth == 2 && !widenGrey) {
        const RGBQUAD greys[4] = {{0, 0, 0, 0}, {85, 85, 85, 0}, {170, 170, 170, 0}, {255, 255, 255, 0}};
        SetPalette(greys, 4);
    } else {
        SetGrayPalette();
    }
    png_bytep transAlpha = nullptr;
    int transCount = 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE && GetPalette() &&
        png_get_tRNS(png, info, &transAlpha, &transCount, nullptr) && transAlpha && transCount > 0) {
        RGBQUAD* palette = GetPalette();
        const DWORD colors = header.biClrUsed;
        const DWORD tableLength = std::min(static_cast<DWORD>(transCount), colors);
        for (DWORD i = 0; i < tableLength; ++i) palette[i].rgbReserved = transAlpha[i];
        if (transCount == 1 && transAlpha[0] == 0) {
            imageInfo.transIndex = 0;
        } else {
            imageInfo.alphaPaletteEnabled = true;
            for (DWORD i = tableLength; i < colors; ++i) palette[i].rgbReserved = 255;
        }
        ClearNearestCache();
    }

    if (alphaPlane) {
        if (colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
            png_set_expand(png);
        }
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        AlphaCreate();
        if (!alpha) png_longjmp(png, 1);
    }
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
    if (GetEscape()) png_longjmp(png, 1);

    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowSize =
        std::max<size_t>(static_cast<size_t>((storedBits + 7) / 8) * width + 10, png_get_rowbytes(png, info));
    row = static_cast<BYTE*>(std::calloc(rowSize, 1));
    if (!row) png_longjmp(png, 1);
    SetCodecOption(passes > 1 ? 1 : 0, ImageTypePng);

    const size_t effWidth = imageInfo.effWidth;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            if (GetEscape()) png_longjmp(png, 1);
            const long imageRow = static_cast<long>(height - 1 - y);
            BYTE* pixels = imageInfo.bits + static_cast<size_t>(imageRow) * effWidth;
            BYTE* buffer = row;
            if (!alphaPlane) {
                // Later passes merge their pixels into those of the earlier ones.
                if (pass > 0) std::memcpy(buffer, pixels, effWidth);
                png_read_row(png, buffer, nullptr);
                if (bitDepth == 2 && !widenGrey && pass == passes - 1) WidenTwoBitRow(buffer, width);
                std::memcpy(pixels, buffer, effWidth);
            } else {
                BYTE* alphaRow = alpha + static_cast<size_t>(imageRow) * width;
                if (pass > 0) {
                    for (png_uint_32 x = 0; x < width; ++x) {
                        std::memcpy(buffer + 4 * x, pixels + 3 * x, 3);
                        buffer[4 * x + 3] = alphaRow[x];
                    }
                }
                png_read_row(png, buffer, nullptr);
                for (png_uint_32 x = 0; x < width; ++x) {
                    std::memcpy(pixels + 3 * x, buffer + 4 * x, 3);
                    alphaRow[x] = buffer[4 * x + 3];
                }
            }
        }
    }

    std::free(row);
    row = nullptr;
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// ----- Encoding ---------------------------------------------------------------

bool CKVXImagePNG::Encode(CKVXImageFile* stream) {
    if (EncodeSafeCheck(stream)) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, imageInfo.lastError, OnError, OnWarning);
    if (!png) {
        SetLastErrorText("Failed to create PNG structure");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        SetLastErrorText("Failed to initialize PNG info structure");
        return false;
    }
    png_colorp volatile paletteCopy = nullptr;
    BYTE* volatile row = nullptr;
    volatile bool temporaryAlpha = false;
    if (setjmp(png_jmpbuf(png))) {
        std::free(paletteCopy);
        std::free(row);
        if (temporaryAlpha) AlphaDelete();
        png_destroy_write_struct(&png, &info);
        SetLastErrorText("Error saving PNG file");
        return false;
    }
    png_set_write_fn(png, stream, OnWrite, OnFlush);

    const png_uint_32 width = GetWidth();
    const png_uint_32 height = GetHeight();
    const int interlace = GetCodecOption(ImageTypePng) == 1 ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    const int bpp = header.biBitCount;

    // A true-colour image with a transparent colour carries it as alpha 0,
    // in an alpha plane made for the encoding when it has none.
    if (bpp == 24 && imageInfo.transIndex >= 0) {
        if (!alpha) {
            AlphaCreate();
            if (!alpha) png_longjmp(png, 1);
            temporaryAlpha = true;
        }
        const RGBQUAD trans = GetTransColor();
        for (png_uint_32 y = 0; y < height; ++y)
            for (png_uint_32 x = 0; x < width; ++x) {
                const BYTE* pixel = imageInfo.bits + y * imageInfo.effWidth + 3 * x;
                if (pixel[0] == trans.rgbBlue && pixel[1] == trans.rgbGreen && pixel[2] == trans.rgbRed)
                    alpha[y * width + x] = 0;
            }
    }

    if (alpha) {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
    } else if (GetPalette()) {
        png_set_IHDR(png, info, width, height, bpp, PNG_COLOR_TYPE_PALETTE, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_byte transTable[256];
        int transCount = 0;
        const long transIndex = imageInfo.transIndex;
        if (transIndex >= 0 && static_cast<DWORD>(transIndex) < header.biClrUsed) {
            // The transparent entry moves to index 0, in the caller's image too.
            if (transIndex != 0) {
                SwapIndex(0, static_cast<BYTE>(transIndex));
                imageInfo.transIndex = 0;
                if (imageInfo.ghostSource) imageInfo.ghostSource->SetTransIndex(0);
            }
            transTable[0] = 0;
            transCount = 1;
        }
        DWORD length = header.biClrUsed;
        if (length > 2 && static_cast<uint64_t>(width) * height < 65536) {
            BYTE highest = 0;
            for (png_uint_32 y = 0; y < height; ++y)
                for (png_uint_32 x = 0; x < width; ++x) highest = std::max(highest, BlindGetPixelIndex(x, y));
            length = highest + 1u;
        }
        const RGBQUAD* palette = GetPalette();
        if (AlphaPaletteIsEnabled()) {
            for (DWORD i = 0; i < length; ++i) transTable[i] = palette[i].rgbReserved;
            transCount = static_cast<int>(length);
        }
        paletteCopy = static_cast<png_colorp>(std::malloc(length * sizeof(png_color)));
        if (!paletteCopy) png_longjmp(png, 1);
        for (DWORD i = 0; i < length; ++i)
            paletteCopy[i] = png_color{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
        png_set_PLTE(png, info, paletteCopy, static_cast<int>(length));
        if (transCount > 0) png_set_tRNS(png, info, transTable, transCount, nullptr);
    } else {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
    }

    png_color_16 background{0, 255, 255, 255, 0};
    if (imageInfo.transIndex != -1) {
        background.red = imageInfo.transColor.rgbRed;
        background.green = imageInfo.transColor.rgbGreen;
        background.blue = imageInfo.transColor.rgbBlue;
    }
    png_set_bKGD(png, info, &background);
    png_set_pHYs(png, info, static_cast<png_uint_32>(header.biXPelsPerMeter),
                 static_cast<png_uint_32>(header.biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(png, info);

    const int passes = png_set_interlace_handling(png);
    const size_t effWidth = imageInfo.effWidth;
    row = static_cast<BYTE*>(std::calloc(alpha ? 4 * static_cast<size_t>(width) : effWidth + 10, 1));
    if (!row) png_longjmp(png, 1);
    const unsigned alphaMax = imageInfo.alphaMax;
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = height; y-- > 0;) {
            BYTE* buffer = row;
            if (alpha) {
                for (png_uint_32 x = 0; x < width; ++x) {
                    const RGBQUAD color = GetPixelColor(x, y, true);
                    buffer[4 * x] = color.rgbRed;
                    buffer[4 * x + 1] = color.rgbGreen;
                    buffer[4 * x + 2] = color.rgbBlue;
                    buffer[4 * x + 3] = static_cast<BYTE>(alphaMax * alpha[y * width + x] / 255);
                }
            } else {
                std::memcpy(buffer, imageInfo.bits + y * effWidth, effWidth);
                RGBtoBGR(buffer, static_cast<int>(effWidth));
            }
            png_write_row(png, buffer);
        }
    }
    png_write_end(png, info);

    std::free(row);
    row = nullptr;
    std::free(paletteCopy);
    paletteCopy = nullptr;
    if (temporaryAlpha) AlphaDelete();
    png_destroy_write_struct(&png, &info);
    return true;
}
