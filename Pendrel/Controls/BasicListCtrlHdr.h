#pragma once
// The header of CBasicListCtrl: shows the sort arrow of the sorted column
// (picture 401 of the framework's resources, a strip of three 16 x 16
// pictures: 1 ascending, 2 descending) on the right of its title, and lets a
// click through only on columns the list can sort, so an unsortable column
// never looks pressed nor sorts.

#include <QHeaderView>

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "compat/WinTypes.h"

class CBasicListCtrlModel;

class PENDREL_API CBasicListCtrlHdr : public QHeaderView {
    Q_OBJECT

public:
    enum { NOT_SORTED = -1 };

    explicit CBasicListCtrlHdr(BOOL sortable = TRUE, QWidget* parent = nullptr);
    ~CBasicListCtrlHdr() override;

    // Makes the sort image list once (PNG 401) and removes every sort image.
    void InitializeHdrCtrl();
    // Shows the arrow of the direction on column (none for a negative
    // column) and removes the previous one; returns the previous sorted
    // column.
    int SetSortImage(int column, BOOL ascending);
    void RemoveSortImage(int column);
    void RemoveAllSortImages();
    int GetSortedColumn() const { return m_sortedColumn; }
    BOOL IsAscSorted() const { return m_ascending; }
    BOOL IsSortable() const { return m_sortable; }
    // The column under x (header coordinates, a border belongs to the left
    // column); the column count beyond the last one.
    int ColumnFromPoint(int x) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CBasicListCtrlModel* ListModel() const;

    CKVXImageList m_sortImages;
    int m_sortedColumn = NOT_SORTED;
    BOOL m_ascending = TRUE;
    BOOL m_sortable;
};
