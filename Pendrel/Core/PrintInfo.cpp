#include "Pendrel/Core/PrintInfo.h"

#include <cstdint>

namespace {

UINT Clamp(UINT page, UINT minimum, UINT maximum) {
    if (page > maximum) page = maximum;
    if (page < minimum) page = minimum;
    return page;
}

} // namespace

std::vector<UINT> CPrintInfo::GetPageSequence() const {
    const UINT first = Clamp(GetFromPage(), m_minPage, m_maxPage);
    const UINT last = Clamp(GetToPage(), m_minPage, m_maxPage);
    std::vector<UINT> pages;
    // 64-bit steps, so that neither end of the UINT range loops forever.
    if (first <= last)
        for (uint64_t page = first; page <= last; ++page) pages.push_back(static_cast<UINT>(page));
    else
        for (int64_t page = first; page >= static_cast<int64_t>(last); --page) pages.push_back(static_cast<UINT>(page));
    return pages;
}
