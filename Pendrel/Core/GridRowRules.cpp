#include "Pendrel/Core/GridRowRules.h"

#include "utility/UnicodeCase.h"

KVXGridSetTextSteps KVXGridPlanSetText(int row, int rowCount, bool lastTextEmpty, bool textEmpty) {
    KVXGridSetTextSteps steps;
    steps.replaceRow = row >= 0 && row < rowCount;
    // After the first step the grid has rows; its last row holds the new
    // text when the step touched the last row or appended one.
    const bool lastTouched = !steps.replaceRow || row == rowCount - 1;
    const bool lastEmptyAfter = lastTouched ? textEmpty : lastTextEmpty;
    steps.appendEmptyRow = !lastEmptyAfter;
    return steps;
}

int KVXGridCompareCells(const CGridListCtrl_Data* a, const CGridListCtrl_Data* b, int column, bool ascending) {
    if (!a || !b || column != 0) return 0;
    const bool aEmpty = a->m_text.IsEmpty() != 0;
    const bool bEmpty = b->m_text.IsEmpty() != 0;
    if (aEmpty || bEmpty) return static_cast<int>(aEmpty) - static_cast<int>(bEmpty);
    const int result = CompareTextNoCase(a->m_text.GetString(), b->m_text.GetString());
    return ascending ? result : -result;
}
