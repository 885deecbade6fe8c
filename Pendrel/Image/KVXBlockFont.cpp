#include "Pendrel/Image/KVXBlockFont.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace {

constexpr long kDefaultHeight = 16;
constexpr long kLargestHeight = 1024;

} // namespace

CKVXBlockFont::CKVXBlockFont(const LOGFONTW& font) {
    const long height = std::labs(static_cast<long>(font.lfHeight));
    m_cellHeight = height == 0 ? kDefaultHeight : std::min(height, kLargestHeight);
    m_advance = (m_cellHeight + 1) / 2;
    m_bold = font.lfWeight >= FW_BOLD;
    m_underline = font.lfUnderline != 0;
}

std::vector<CKVXBlockFont::Line> CKVXBlockFont::Layout(const wchar_t* text, UINT format) const {
    std::vector<Line> lines;
    if (!text || !*text) return lines;
    const bool prefixes = (format & DT_NOPREFIX) == 0;
    lines.emplace_back();
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L'\r' || *p == L'\n') {
            if (*p == L'\r' && p[1] == L'\n') ++p;
            lines.emplace_back();
            continue;
        }
        wchar_t character = *p;
        bool mnemonic = false;
        if (prefixes && character == L'&') {
            const wchar_t next = p[1];
            // A lone "&" at the end of the text or of a line draws nothing.
            if (next == L'\0' || next == L'\r' || next == L'\n') continue;
            ++p;
            character = next;
            mnemonic = next != L'&';
        }
        lines.back().push_back(Glyph{character, m_underline || mnemonic});
    }
    return lines;
}

SIZE CKVXBlockFont::Measure(const wchar_t* text, UINT format) const {
    const std::vector<Line> lines = Layout(text, format);
    size_t longest = 0;
    for (const Line& line : lines) longest = std::max(longest, line.size());
    // A text of more than a few million pixels saturates.
    const long long width = std::min<long long>(static_cast<long long>(longest) * m_advance, INT32_MAX);
    const long long height = std::min<long long>(static_cast<long long>(lines.size()) * m_cellHeight, INT32_MAX);
    return SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
}

void CKVXBlockFont::FillCellRows(const KVXPixelBlock& block, long cellLeft, long cellTop, long rowFrom, long rowTo,
                                 long columnFrom, long columnTo) const {
    for (long r = rowFrom; r < rowTo; ++r) {
        const long y = cellTop + r;  // from the block's top
        if (y < 0 || y >= block.height) continue;
        BYTE* row = block.bits + static_cast<size_t>(block.height - 1 - y) * static_cast<size_t>(block.stride);
        const long from = std::max(cellLeft + columnFrom, 0L);
        const long to = std::min(cellLeft + columnTo, static_cast<long>(block.width));
        if (from < to) std::memset(row + 3 * from, 255, static_cast<size_t>(3 * (to - from)));
    }
}

void CKVXBlockFont::Render(const wchar_t* text, UINT format, const KVXPixelBlock& block) const {
    if (!block.bits || block.bitCount != 24) return;
    const std::vector<Line> lines = Layout(text, format);
    const bool wide = m_bold || m_advance <= 2;
    const long blockFrom = wide ? 0 : 1;
    const long blockTo = wide ? m_advance : m_advance - 1;
    const long top = m_cellHeight / 4;
    const long bottom = m_cellHeight - m_cellHeight / 8;
    for (size_t i = 0; i < lines.size(); ++i) {
        const long cellTop = static_cast<long>(i) * m_cellHeight;
        if (cellTop >= block.height) break;
        const long lineWidth = static_cast<long>(lines[i].size()) * m_advance;
        long left = 0;
        if ((format & 3) == DT_CENTER) left = (block.width - lineWidth) / 2;
        else if ((format & 3) == DT_RIGHT) left = block.width - lineWidth;
        for (size_t k = 0; k < lines[i].size(); ++k) {
            const Glyph& glyph = lines[i][k];
            const long cellLeft = left + static_cast<long>(k) * m_advance;
            if (cellLeft >= block.width) break;
            if (!std::iswspace(static_cast<wint_t>(glyph.character)))
                FillCellRows(block, cellLeft, cellTop, top, bottom, blockFrom, blockTo);
            if (glyph.underlined) FillCellRows(block, cellLeft, cellTop, m_cellHeight - 1, m_cellHeight, 0, m_advance);
        }
    }
}
