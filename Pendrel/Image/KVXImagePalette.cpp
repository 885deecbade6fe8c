// The palette of the image object: entries, standard and grey palettes, the
// nearest-colour search with its one-entry cache, colour conversions. Every
// change of the palette clears the nearest-colour cache.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr RGBQUAD Rgb(BYTE red, BYTE green, BYTE blue) {
    return RGBQUAD{blue, green, red, 0};
}

constexpr std::array<RGBQUAD, 16> kStdPalette16 = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255),
};

// The 256-entry standard palette: 10 system colours, 18 hue series of six
// tints and six shades, 20 greys and 10 further system colours.
constexpr std::array<RGBQUAD, 256> BuildStdPalette256() {
    std::array<RGBQUAD, 256> table{};
    for (int i = 0; i < 8; ++i) table[i] = kStdPalette16[i];
    table[8] = Rgb(192, 220, 192);
    table[9] = Rgb(166, 202, 240);

    struct Hue {
        BYTE red, green, blue;
    };
    constexpr Hue hues[18] = {
        {255, 170, 0}, {255, 85, 0},  {255, 0, 0},   {255, 0, 85},  {255, 0, 170},  {255, 0, 255},
        {170, 0, 255}, {85, 0, 255},  {0, 0, 255},   {0, 85, 255},  {0, 170, 255},  {0, 255, 255},
        {0, 255, 170}, {0, 255, 85},  {0, 255, 0},   {85, 255, 0},  {170, 255, 0},  {255, 255, 0},
    };
    // Rows: the base channel values 0, 85, 170, 255.
    constexpr BYTE tints[4][6] = {
        {212, 177, 142, 107, 72, 37},
        {227, 199, 171, 143, 115, 87},
        {240, 226, 212, 198, 184, 170},
        {255, 255, 255, 255, 255, 255},
    };
    constexpr BYTE shades[4][6] = {
        {0, 0, 0, 0, 0, 0},
        {85, 73, 61, 49, 37, 25},
        {170, 146, 122, 98, 74, 50},
        {255, 220, 185, 150, 115, 80},
    };
    auto level = [](BYTE value) { return value / 85; };
    for (int k = 0; k < 18; ++k) {
        const Hue& hue = hues[k];
        const bool pure = (hue.red == 0 || hue.red == 255) && (hue.green == 0 || hue.green == 255) &&
                          (hue.blue == 0 || hue.blue == 255);
        for (int j = 0; j < 6; ++j) {
            table[10 + 12 * k + j] =
                Rgb(tints[level(hue.red)][j], tints[level(hue.green)][j], tints[level(hue.blue)][j]);
            auto shade = [&](BYTE value) -> BYTE {
                const BYTE s = shades[level(value)][j];
                return (pure && j == 0 && s == 255) ? 254 : s;
            };
            table[10 + 12 * k + 6 + j] = Rgb(shade(hue.red), shade(hue.green), shade(hue.blue));
        }
    }
    for (int k = 0; k < 20; ++k) {
        const BYTE grey = static_cast<BYTE>(242 - 12 * k);
        table[226 + k] = Rgb(grey, grey, grey);
    }
    constexpr RGBQUAD last[10] = {
        Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),
        Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255), Rgb(255, 255, 255),
    };
    for (int i = 0; i < 10; ++i) table[246 + i] = last[i];
    return table;
}

constexpr std::array<RGBQUAD, 256> kStdPalette256 = BuildStdPalette256();

bool SameColor(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

} // namespace

DWORD CKVXImage::GetPaletteSize() {
    return header.biClrUsed * 4;
}

RGBQUAD* CKVXImage::GetPalette() const {
    if (!dib || header.biClrUsed == 0) return nullptr;
    return reinterpret_cast<RGBQUAD*>(static_cast<BYTE*>(dib) + sizeof(BITMAPINFOHEADER));
}

RGBQUAD CKVXImage::GetPaletteColor(BYTE index) {
    RGBQUAD* palette = GetPalette();
    if (!palette || index >= header.biClrUsed) return RGBQUAD{0, 0, 0, 0};
    return palette[index];
}

bool CKVXImage::GetPaletteColor(BYTE index, BYTE* red, BYTE* green, BYTE* blue) {
    if (!GetPalette()) return false;
    // An index past the palette reads as black rather than outside it.
    const RGBQUAD entry = GetPaletteColor(index);
    if (red) *red = entry.rgbRed;
    if (green) *green = entry.rgbGreen;
    if (blue) *blue = entry.rgbBlue;
    return true;
}

void CKVXImage::SetPaletteColor(BYTE index, BYTE red, BYTE green, BYTE blue, BYTE alphaValue) {
    SetPaletteColor(index, RGBQUAD{blue, green, red, alphaValue});
}

void CKVXImage::SetPaletteColor(BYTE index, RGBQUAD color) {
    RGBQUAD* palette = GetPalette();
    if (!palette || index >= header.biClrUsed) return;
    palette[index] = color;
    ClearNearestCache();
}

void CKVXImage::SetPaletteColor(BYTE index, COLORREF cr) {
    SetPaletteColor(index, RGBtoRGBQUAD(cr));
}

void CKVXImage::SetPalette(DWORD count, const BYTE* red, const BYTE* green, const BYTE* blue) {
    RGBQUAD* palette = GetPalette();
    if (!red || !palette) return;
    if (!green) green = red;
    if (!blue) blue = green;
    const DWORD n = std::min(count, header.biClrUsed);
    for (DWORD i = 0; i < n; ++i) {
        palette[i].rgbRed = red[i];
        palette[i].rgbGreen = green[i];
        palette[i].rgbBlue = blue[i];
    }
    ClearNearestCache();
}

void CKVXImage::SetPalette(const rgb_color* colors, DWORD count) {
    RGBQUAD* palette = GetPalette();
    if (!colors || !palette) return;
    const DWORD n = std::min(count, header.biClrUsed);
    for (DWORD i = 0; i < n; ++i) {
        palette[i].rgbRed = colors[i].r;
        palette[i].rgbGreen = colors[i].g;
        palette[i].rgbBlue = colors[i].b;
    }
    ClearNearestCache();
}

void CKVXImage::SetPalette(const RGBQUAD* entries, DWORD count) {
    RGBQUAD* palette = GetPalette();
    if (!entries || !palette) return;
    const DWORD n = std::min(count, header.biClrUsed);
    std::memcpy(palette, entries, static_cast<size_t>(n) * sizeof(RGBQUAD));
    ClearNearestCache();
}

void CKVXImage::SetGrayPalette() {
    RGBQUAD* palette = GetPalette();
    if (!palette) return;
    const DWORD n = header.biClrUsed;
    // A one-entry palette has no step between entries: its entry is black.
    const DWORD step = n > 1 ? 255 / (n - 1) : 0;
    for (DWORD i = 0; i < n; ++i) {
        const BYTE level = static_cast<BYTE>(i * step);
        palette[i].rgbBlue = level;
        palette[i].rgbGreen = level;
        palette[i].rgbRed = level;
    }
    ClearNearestCache();
}

void CKVXImage::SetStdPalette() {
    RGBQUAD* palette = GetPalette();
    if (!palette) return;
    if (header.biBitCount == 4) {
        std::copy_n(kStdPalette16.begin(), std::min<DWORD>(16, header.biClrUsed), palette);
    } else if (header.biBitCount == 8) {
        std::copy_n(kStdPalette256.begin(), std::min<DWORD>(256, header.biClrUsed), palette);
    } else {
        return;
    }
    ClearNearestCache();
}

void CKVXImage::BlendPalette(COLORREF cr, long percent) {
    RGBQUAD* palette = GetPalette();
    if (!palette) return;
    const unsigned weight = static_cast<unsigned>(std::clamp<long>(percent, 0, 100));
    const unsigned red = GetRValue(cr);
    const unsigned green = GetGValue(cr);
    const unsigned blue = GetBValue(cr);
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        RGBQUAD& entry = palette[i];
        entry.rgbBlue = static_cast<BYTE>((entry.rgbBlue * (100 - weight) + blue * weight) / 100);
        entry.rgbGreen = static_cast<BYTE>((entry.rgbGreen * (100 - weight) + green * weight) / 100);
        entry.rgbRed = static_cast<BYTE>((entry.rgbRed * (100 - weight) + red * weight) / 100);
    }
    ClearNearestCache();
}

bool CKVXImage::IsGrayScale() {
    RGBQUAD* palette = GetPalette();
    if (!palette) return false;
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
    }
    return true;
}

void CKVXImage::SwapIndex(BYTE first, BYTE second) {
    if (!dib || !GetPalette()) return;
    const RGBQUAD firstColor = GetPaletteColor(first);
    SetPaletteColor(first, GetPaletteColor(second));
    SetPaletteColor(second, firstColor);
    const long width = header.biWidth;
    const long height = header.biHeight;
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            const BYTE index = GetPixelIndex(x, y);
            if (index == first) SetPixelIndex(x, y, second);
            else if (index == second) SetPixelIndex(x, y, first);
        }
    }
}

bool CKVXImage::IsSamePalette(CKVXImage& other, bool checkAlpha) {
    if (header.biClrUsed != other.header.biClrUsed || header.biClrUsed == 0) return false;
    RGBQUAD* mine = GetPalette();
    RGBQUAD* theirs = other.GetPalette();
    if (!mine || !theirs) return false;
    for (DWORD i = 0; i < header.biClrUsed; ++i) {
        if (!SameColor(mine[i], theirs[i])) return false;
        if (checkAlpha && mine[i].rgbReserved != theirs[i].rgbReserved) return false;
    }
    return true;
}

void CKVXImage::SetClrImportant(DWORD count) {
    if (count == 0 || count > 256) {
        header.biClrImportant = 0;
        return;
    }
    switch (header.biBitCount) {
    case 1: header.biClrImportant = std::min<DWORD>(count, 2); break;
    case 4: header.biClrImportant = std::min<DWORD>(count, 16); break;
    case 8: header.biClrImportant = count; break;
    default: return;
    }
    ClearNearestCache();
}

BYTE CKVXImage::GetNearestIndex(RGBQUAD color) {
    RGBQUAD* palette = GetPalette();
    if (!palette) return 0;
    if (imageInfo.nearestCacheValid && std::memcmp(&imageInfo.nearestCacheColor, &color, sizeof color) == 0)
        return imageInfo.nearestCacheIndex;
    imageInfo.nearestCacheColor = color;
    imageInfo.nearestCacheValid = true;

    DWORD n = header.biClrImportant ? header.biClrImportant : header.biClrUsed;
    n = std::min(n, header.biClrUsed);
    long best = 200000;
    BYTE answer = 0;
    for (DWORD i = 0; i < n; ++i) {
        const long db = palette[i].rgbBlue - color.rgbBlue;
        const long dg = palette[i].rgbGreen - color.rgbGreen;
        const long dr = palette[i].rgbRed - color.rgbRed;
        const long distance = db * db + dg * dg + dr * dr;
        if (distance == 0) {
            answer = static_cast<BYTE>(i);
            break;
        }
        if (distance < best) {
            best = distance;
            answer = static_cast<BYTE>(i);
        }
    }
    imageInfo.nearestCacheIndex = answer;
    return answer;
}

RGBQUAD CKVXImage::RGBtoRGBQUAD(COLORREF cr) {
    return RGBQUAD{GetBValue(cr), GetGValue(cr), GetRValue(cr), 0};
}

COLORREF CKVXImage::RGBQUADtoRGB(RGBQUAD color) {
    return RGB(color.rgbRed, color.rgbGreen, color.rgbBlue);
}

void CKVXImage::RGBtoBGR(BYTE* buffer, int length) {
    if (!buffer || GetPalette()) return;
    const long limit = std::min<long>(length, imageInfo.effWidth);
    for (long i = 0; i + 2 < limit; i += 3) std::swap(buffer[i], buffer[i + 2]);
}
