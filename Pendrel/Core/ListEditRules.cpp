#include "Pendrel/Core/ListEditRules.h"

CListEditRules::ClickAction CListEditRules::OnClick(int row, int column, bool rowFocused) {
    if (row != m_lastRow || column != m_lastColumn) {
        m_lastRow = row;
        m_lastColumn = column;
        return ClickRemembered;
    }
    if (row == -1) return ClickNothing;
    if (!rowFocused) return ClickSelectRow;
    return ClickTryEdit;
}

BOOL CListEditRules::OnEditEnded() {
    if (m_endEditArmed) return TRUE;
    m_endEditArmed = TRUE;
    return FALSE;
}
