#pragma once
// The row model behind CBasicListCtrl: one caller-owned pointer per row and
// the columns' descriptions. It stores no text: the view asks the control,
// which asks its display hook, and only for the cells it shows. Sorting
// keeps equal rows in their order and moves every persistent index (the
// selection, the focused row) with its row.

#include <QAbstractTableModel>

#include <functional>
#include <vector>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CBasicListCtrl;

class PENDREL_API CBasicListCtrlModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        CBasicString title;
        int format = 0;        // LVCFMT_*
        int subItem = 0;
        int headerFormat = 0;  // HDF_* of the header item (sort image)
        int headerImage = 0;   // image of the header's image list
    };

    explicit CBasicListCtrlModel(CBasicListCtrl* control);

    int RowCount() const { return static_cast<int>(m_rows.size()); }
    void* Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // Appended rows reach the views together, as one insertion: at the
    // next pass of the event loop, or when AnnounceRows is called before
    // the views are asked about them. Until then the views (rowCount) do
    // not know them; RowCount and Row do.
    int AppendRow(void* data);
    void AnnounceRows();
    void SetRow(int row, void* data);
    void ClearRows();
    // Tells the view that the rows first ... last show something new.
    void RowsChanged(int first, int last);
    // Stable sort by compare(a, b) < 0; returns each old row's new index.
    std::vector<int> SortRows(const std::function<int(void*, void*)>& compare);

    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    Column& ColumnAt(int column) { return m_columns[static_cast<size_t>(column)]; }
    const Column& ColumnAt(int column) const { return m_columns[static_cast<size_t>(column)]; }
    // Inserts at position (clamped to 0 ... count); the position used.
    int InsertColumn(int position, const Column& column);

    // The height every row has.
    void SetRowHeight(int height);
    int GetRowHeight() const { return m_rowHeight; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    CBasicListCtrl* m_control;
    std::vector<void*> m_rows;
    int m_announced = 0;  // the rows the views know
    bool m_announceQueued = false;
    std::vector<Column> m_columns;
    int m_rowHeight = 18;
};
