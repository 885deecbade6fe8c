#pragma once
// When a list control opens its cell editor and whether the end of an edit
// reaches the list, apart from any window.
//
// - A click on a cell that is not the last clicked one is only remembered
//   (a first click selects). A second click on the same cell selects its
//   row when the row is not focused, and otherwise opens the editor when
//   the list lets the cell be edited.
// - F2 edits the first selected row in the last clicked column; before any
//   click that column is -1 and nothing opens.
// - A sort while an editor is open drops that edit: its row may have moved.
//   Opening an editor arms the delivery again, so a sort with no editor
//   open never costs a later edit.

#include "compat/WinTypes.h"

class CListEditRules {
public:
    enum ClickAction {
        ClickRemembered,  // a new cell: remembered, nothing else
        ClickNothing,     // the same cell, but no row was hit
        ClickSelectRow,   // the same cell of a row that is not focused
        ClickTryEdit,     // the same cell of the focused row: edit it when the
                          // list allows (edit style, no drag, the cell's hook)
    };

    // A left click ended on (row, column) (row -1: no cell); rowFocused
    // tells whether that row has the focus.
    ClickAction OnClick(int row, int column, bool rowFocused);

    int GetLastClickedRow() const { return m_lastRow; }
    int GetLastClickedColumn() const { return m_lastColumn; }

    // An editor opened.
    void OnEditorOpened() { m_endEditArmed = TRUE; }
    // The rows were sorted by a header click.
    void OnSortedByHeader() { m_endEditArmed = FALSE; }
    // An edit ended: TRUE when its result is to be delivered; a dropped
    // edit arms the delivery again.
    BOOL OnEditEnded();
    BOOL IsEndEditArmed() const { return m_endEditArmed; }

private:
    int m_lastRow = -1;
    int m_lastColumn = -1;
    BOOL m_endEditArmed = TRUE;
};
