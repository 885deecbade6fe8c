#pragma once
// What one print job or print preview knows about its pages, shared by the
// printing dialog's operations (OnPreparePrinting, OnBeginPrinting,
// OnPrepareDC, OnPrint, OnEndPrinting):
//
// - the document's minimum and maximum page (1 and 1 until the dialog sets
//   its page count in OnPreparePrinting);
// - the first and last page chosen in the print dialog (all pages unless the
//   user chose a range; a preview shows all pages);
// - while pages run: the current page, the drawing rectangle (the device's
//   printable area in logical units), and the continue flag, which the
//   dialog clears in OnPrepareDC to end the job early;
// - whether this is a preview.
//
// GetPageSequence gives the pages the job prints, in order: from the first
// to the last page, each clamped to the minimum and maximum page, in
// descending order when the first page is greater than the last.

#include <vector>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CPrintInfo {
public:
    CPrintInfo() = default;

    void SetMinPage(UINT page) { m_minPage = page; }
    void SetMaxPage(UINT page) { m_maxPage = page; }
    UINT GetMinPage() const { return m_minPage; }
    UINT GetMaxPage() const { return m_maxPage; }
    // The range chosen in the print dialog; 0 means the minimum (first) or
    // maximum (last) page.
    void SetFromPage(UINT page) { m_fromPage = page; }
    void SetToPage(UINT page) { m_toPage = page; }
    UINT GetFromPage() const { return m_fromPage ? m_fromPage : m_minPage; }
    UINT GetToPage() const { return m_toPage ? m_toPage : m_maxPage; }

    std::vector<UINT> GetPageSequence() const;

    BOOL m_preview = FALSE;
    BOOL m_continuePrinting = TRUE;
    UINT m_currentPage = 1;
    RECT m_drawRect{0, 0, 0, 0};

private:
    UINT m_minPage = 1;
    UINT m_maxPage = 1;
    UINT m_fromPage = 0;
    UINT m_toPage = 0;
};
