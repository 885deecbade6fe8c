#pragma once
// CCheckColumnListCtrl: the base of the options pages' lists, whose rows
// have a column of check boxes that a click toggles (the plug-in's enabled
// flag, the language's reading order). It keeps the column of the last
// press and draws a check-box cell: a frame of the menu-check size, checked
// or not, followed 4 pixels later by the cell's text.

#include "Pendrel/Controls/BasicListCtrl.h"

class CCheckColumnListCtrl : public CBasicListCtrl {
    Q_OBJECT

public:
    explicit CCheckColumnListCtrl(QWidget* parent = nullptr);

    // The column of the last left press on a row; -1 when it hit no row.
    int GetPressedColumn() const { return m_pressedColumn; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void DrawCheckCell(QPainter* painter, int row, int column, const wchar_t* text, const LVCOLUMNW& columnInfo,
                       BOOL selected, CKVXRect cell, int margin, bool checked);

private:
    int m_pressedColumn = -1;
};
