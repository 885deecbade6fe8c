// Text rendered into the image object's pixels: a plain text in one colour,
// and a text description (KVXTextInfo.h) with alignment and an optional box
// with round corners behind it. The device context measures and renders the
// text white on black; each lit pixel then takes the text colour.

#include "Pendrel/Image/KVXImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

#include "Pendrel/Image/KVXDeviceContext.h"
#include "Pendrel/Image/KVXMemoryDeviceContext.h"
#include "Pendrel/Image/KVXTextInfo.h"

namespace {

// Renders the text white on black into a new 24-bit image of width x height
// pixels; false when there is nothing to render.
bool RenderText(HDC hdc, const wchar_t* text, const LOGFONTW& font, UINT format, long width, long height,
                CKVXImage& rendered) {
    if (width <= 0 || height <= 0) return false;
    if (!rendered.Create(static_cast<DWORD>(width), static_cast<DWORD>(height), 24)) return false;
    rendered.Clear(0);
    const KVXPixelBlock block{rendered.GetBits(0), static_cast<LONG>(width), static_cast<LONG>(height),
                              static_cast<LONG>(rendered.GetEffWidth()), 24};
    hdc->RenderText(text, font, format, block);
    return true;
}

// Calls set(i, j) for every lit pixel of the rendered text (column i, row j
// from the bottom).
template <class Set> void ForEachLitPixel(CKVXImage& rendered, Set set) {
    const long width = rendered.GetWidth();
    const long height = rendered.GetHeight();
    for (long j = 0; j < height; ++j) {
        const BYTE* row = rendered.GetBits(static_cast<DWORD>(j));
        for (long i = 0; i < width; ++i)
            if (row[3 * i] != 0) set(i, j);
    }
}

// A colour given without alpha is written opaque.
RGBQUAD Opaque(COLORREF color) {
    RGBQUAD quad = CKVXImage::RGBtoRGBQUAD(color);
    quad.rgbReserved = 255;
    return quad;
}

} // namespace

long CKVXImage::DrawString(HDC hdc, long x, long y, const wchar_t* text, RGBQUAD color, const wchar_t* fontName,
                           long size, long weight, BYTE italic, BYTE underline, bool setAlpha) {
    if (!dib) return 1;
    LOGFONTW font{};
    if (fontName) std::wcsncpy(font.lfFaceName, fontName, LF_FACESIZE - 1);
    font.lfHeight = static_cast<LONG>(std::clamp<long>(size, INT32_MIN + 1, INT32_MAX));
    font.lfWeight = static_cast<LONG>(std::clamp<long>(weight, INT32_MIN, INT32_MAX));
    font.lfItalic = italic;
    font.lfUnderline = underline;
    // Without a device the library's own memory device measures and renders.
    CKVXMemoryDeviceContext memory(0, 0);
    HDC device = hdc ? hdc : &memory;
    const wchar_t* shown = text ? text : L"";

    const SIZE extent = device->MeasureText(shown, font, DT_LEFT);
    CKVXImage rendered;
    if (!RenderText(device, shown, font, DT_LEFT, extent.cx, extent.cy, rendered)) return 1;
    // The text's bottom edge lies on line y counted from the top.
    const long base = static_cast<long>(header.biHeight) - y - 1;
    ForEachLitPixel(rendered, [&](long i, long j) { SetPixelColor(x + i, base + j, color, setAlpha); });
    return 1;
}

long CKVXImage::DrawStringEx(HDC hdc, long x, long y, tagKVXTextInfo* info, bool setAlpha) {
    if (!dib) return -1;
    if (!info) return 0;
    CKVXMemoryDeviceContext memory(0, 0);
    HDC device = hdc ? hdc : &memory;

    if (info->alignment < 0 || info->alignment > 2) info->alignment = 1;
    if (info->boxRound > 50) info->boxRound = 10;
    if (info->boxBlend > 1.0f || info->boxBlend < 0.0f) info->boxBlend = 0.0f;
    const std::wstring text(info->textBuffer, wcsnlen(info->textBuffer, std::size(info->textBuffer)));

    const long lines = 1 + static_cast<long>(std::count(text.begin(), text.end(), L'\r'));
    const SIZE extent = device->MeasureText(text.c_str(), info->font, DT_NOPREFIX);
    long textWidth = extent.cx;
    const long textHeight = extent.cy;
    if (info->font.lfItalic) textWidth += textHeight / 2 / lines;
    long radius = 0;
    long inset = 0;
    if (info->boxed) {
        const long lineHeight = textHeight / lines;
        radius = info->boxRound * lineHeight / 100;
        inset = static_cast<long>(static_cast<double>(radius) * 0.29289);
        textWidth += lineHeight / 3;
    }
    const long boxWidth = textWidth + 2 * inset;
    const long boxHeight = textHeight + 2 * inset;

    long start = x;
    if (info->alignment == 1) start = x - boxWidth / 2;
    else if (info->alignment == 2) start = x - boxWidth;
    start = std::max(start, 0L);
    const long width = header.biWidth;
    const long height = header.biHeight;
    // Box row j and text row j + inset lie on image row base + j: the box's
    // bottom edge is line y counted from the top.
    const long base = height - y - 1;

    if (info->boxed) {
        const RGBQUAD box = Opaque(info->boxColor);
        const float blend = info->boxBlend;
        const bool mixed = blend > 0.0f && blend < 1.0f;
        // Only the box pixels inside the image are visited.
        const long columnEnd = std::min(boxWidth, width - start);
        const long rowFrom = std::max(0L, -base);
        const long rowEnd = std::min(boxHeight, height - base);
        for (long c = 0; c < columnEnd; ++c) {
            long skip = 0;
            const long fromRight = c - (boxWidth - radius - 1);
            if (c <= radius || fromRight >= 0) {
                // Round corners: rows nearer the edge than the corner circle stay.
                const double d = c <= radius ? static_cast<double>(radius - c) : static_cast<double>(fromRight);
                skip = static_cast<long>(radius + 0.5 - std::sqrt(static_cast<double>(radius) * radius - d * d));
            }
            for (long j = std::max(rowFrom, skip); j < std::min(rowEnd, boxHeight - skip); ++j) {
                RGBQUAD color = box;
                if (mixed) {
                    const RGBQUAD under = GetPixelColor(start + c, base + j, false);
                    auto mix = [blend](BYTE image, BYTE boxChannel) {
                        const float v = blend * static_cast<float>(image) + (1.0f - blend) * static_cast<float>(boxChannel);
                        return static_cast<BYTE>(std::clamp(v, 0.0f, 255.0f));
                    };
                    color.rgbBlue = mix(under.rgbBlue, box.rgbBlue);
                    color.rgbGreen = mix(under.rgbGreen, box.rgbGreen);
                    color.rgbRed = mix(under.rgbRed, box.rgbRed);
                }
                SetPixelColor(start + c, base + j, color, setAlpha);
            }
        }
    }

    CKVXImage rendered;
    const UINT format = static_cast<UINT>(info->alignment) | DT_NOPREFIX;
    if (RenderText(device, text.c_str(), info->font, format, textWidth, textHeight, rendered)) {
        const RGBQUAD color = Opaque(info->textColor);
        ForEachLitPixel(rendered, [&](long i, long j) {
            SetPixelColor(start + inset + i, base + inset + j, color, setAlpha);
        });
    }
    return 1;
}

void CKVXImage::InitTextInfo(tagKVXTextInfo* info) {
    if (!info) return;
    std::memset(info, 0, sizeof *info);
    std::wcscpy(info->textBuffer, L"Sample Text 01234\u00F5\u00FB");
    info->font.lfHeight = -36;
    info->font.lfWeight = FW_NORMAL;
    info->font.lfCharSet = 238;
    info->font.lfQuality = 2;
    std::wcscpy(info->font.lfFaceName, L"Arial");
    info->textColor = RGB(255, 255, 160);
    info->alignment = 1;
    info->boxed = true;
    info->boxColor = RGB(32, 96, 0);
    info->boxBlend = 0.0f;
    info->boxRound = 20;
}
