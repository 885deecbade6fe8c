#pragma once
// The device context the image library draws on (HDC points to one): a
// surface with a clip, which takes finished pixels only. The library samples,
// scales and computes the alpha of every pixel itself and never reads the
// surface back, so a widget painter can implement this as well as a memory
// buffer (CKVXMemoryDeviceContext).
//
// Device coordinates: x to the right, y downwards, (0, 0) the top-left
// corner; rectangles include left and top and exclude right and bottom.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageDefs.h"

// A block of pixels in the image library's layout: rows bottom first, each
// `stride` bytes; 24-bit pixels are blue, green, red; 32-bit pixels blue,
// green, red, alpha with straight (not premultiplied) alpha.
struct KVXPixelBlock {
    BYTE* bits;
    LONG width;
    LONG height;
    LONG stride;
    WORD bitCount;  // 24 or 32
};

class KVXIMAGE_API CKVXDeviceContext {
public:
    enum ClipMode {
        ClipIntersect,  // the new clip is the current one cut by the rectangle
        ClipReplace     // the new clip is the rectangle (within the surface)
    };

    virtual ~CKVXDeviceContext();

    // The smallest rectangle around the current clip; 0, 0, 0, 0 when the
    // clip is empty.
    virtual RECT GetClipBox() = 0;
    // Keeps the current clip and sets a new one; PopClip gives back exactly
    // the clip kept by the matching PushClip.
    virtual void PushClip(const RECT& rect, ClipMode mode) = 0;
    virtual void PopClip() = 0;
    // Some part of the rectangle lies inside the clip.
    virtual bool RectVisible(const RECT& rect) = 0;

    // Puts a 24-bit block on the surface with its top row at device row y
    // and its first column at x; only the part inside the clip changes.
    virtual void CopyPixels(long x, long y, const KVXPixelBlock& block) = 0;
    // Composites a 32-bit block (placed as for CopyPixels) over the surface:
    // alpha 0 leaves the surface pixel, 255 replaces it, any other a gives
    // (source * a + surface * (255 - a)) >> 8 per channel.
    virtual void CompositePixels(long x, long y, const KVXPixelBlock& block) = 0;

    // Text: the size of the text in the font, and the text drawn white on a
    // black 24-bit block (which the caller clears), starting at the block's
    // top-left corner. Lines end at a carriage return, a line feed or both;
    // format holds DT_LEFT, DT_CENTER or DT_RIGHT for the lines within the
    // block's width, and DT_NOPREFIX (without it "&x" underlines x and "&&"
    // shows "&").
    virtual SIZE MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) = 0;
    virtual void RenderText(const wchar_t* text, const LOGFONTW& font, UINT format, const KVXPixelBlock& block) = 0;
};
