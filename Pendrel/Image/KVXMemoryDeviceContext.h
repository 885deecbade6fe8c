#pragma once
// A device context over a 32-bit buffer in memory: each pixel 0x00RRGGBB,
// rows from the top. Its clip is a rectangle kept on a stack, it blends
// exactly as the interface says and its text is the block font
// (KVXBlockFont.h). Drawing tests and benchmarks run on it without a display.

#include <cstdint>
#include <vector>

#include "Pendrel/Image/KVXDeviceContext.h"

class KVXIMAGE_API CKVXMemoryDeviceContext : public CKVXDeviceContext {
public:
    // A surface of width x height pixels (a negative size counts as 0),
    // every pixel the fill colour; the clip is the whole surface.
    CKVXMemoryDeviceContext(long width, long height, COLORREF fill = RGB(0, 0, 0));

    long GetWidth() const { return m_width; }
    long GetHeight() const { return m_height; }
    // The pixel's colour; 0xFFFFFFFF outside the surface.
    COLORREF GetPixel(long x, long y) const;
    void SetPixel(long x, long y, COLORREF color);
    void Fill(COLORREF color);
    // How many blocks CopyPixels and CompositePixels have received.
    long GetBlockCount() const { return m_blockCount; }
    // How many clips PushClip has kept and PopClip not yet given back.
    size_t GetClipDepth() const { return m_clips.size(); }

    RECT GetClipBox() override;
    void PushClip(const RECT& rect, ClipMode mode) override;
    void PopClip() override;
    bool RectVisible(const RECT& rect) override;
    void CopyPixels(long x, long y, const KVXPixelBlock& block) override;
    void CompositePixels(long x, long y, const KVXPixelBlock& block) override;
    SIZE MeasureText(const wchar_t* text, const LOGFONTW& font, UINT format) override;
    void RenderText(const wchar_t* text, const LOGFONTW& font, UINT format, const KVXPixelBlock& block) override;

private:
    // Calls putRow(first surface pixel, its block pixel bytes, count) for
    // every row of the block's part that lands inside the clip.
    template <class PutRow> void ForEachClippedRow(long x, long y, const KVXPixelBlock& block, PutRow putRow);

    long m_width;
    long m_height;
    std::vector<uint32_t> m_pixels;
    RECT m_clip;
    std::vector<RECT> m_clips;
    long m_blockCount = 0;
};
