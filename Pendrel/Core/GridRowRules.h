#pragma once
// The rules of the grid list's rows, apart from any window.
//
// Setting a text: a row argument that names an existing row replaces that
// row's record; any other appends a new row. Afterwards the grid ends with
// a row whose text is empty: when the last row has text, an empty row is
// appended.
//
// Sorting: column 0 compares the texts without regard to case, other
// columns compare equal, and a descending sort negates. Rows with an empty
// text stay below every row with text in both directions, so the empty
// row that typing fills in stays last after a sort.

#include "Pendrel/Core/GridListCtrl_Data.h"

struct KVXGridSetTextSteps {
    bool replaceRow;       // true: the row's record is replaced; false: a row is appended
    bool appendEmptyRow;   // afterwards an empty row is appended
};

// row: the row argument; rowCount: rows before the call; lastTextEmpty: the
// last row's text is empty (ignored without rows); textEmpty: the new text
// is empty.
KVXGridSetTextSteps KVXGridPlanSetText(int row, int rowCount, bool lastTextEmpty, bool textEmpty);

// The sort order of two grid records (null records compare equal).
int KVXGridCompareCells(const CGridListCtrl_Data* a, const CGridListCtrl_Data* b, int column, bool ascending);
