#include "Pendrel/Controls/BasicListCtrlModel.h"

#include <QSize>

#include <algorithm>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "Pendrel/Controls/KVXListViewDefs.h"
#include "Pendrel/Core/ListRowOrder.h"
#include "Pendrel/Platform/KVXText.h"

CBasicListCtrlModel::CBasicListCtrlModel(CBasicListCtrl* control) : QAbstractTableModel(control), m_control(control) {}

int CBasicListCtrlModel::AppendRow(void* data) {
    const int row = RowCount();
    m_rows.push_back(data);
    // One insertion for a whole fill: told per row, each view and the
    // selection would work through every row's insertion on its own.
    if (!m_announceQueued) {
        m_announceQueued = true;
        if (m_control)
            QMetaObject::invokeMethod(m_control, "AnnounceAppendedRows", Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, &CBasicListCtrlModel::AnnounceRows, Qt::QueuedConnection);
    }
    return row;
}

void CBasicListCtrlModel::AnnounceRows() {
    m_announceQueued = false;
    const int count = RowCount();
    if (m_announced >= count) return;
    beginInsertRows(QModelIndex(), m_announced, count - 1);
    m_announced = count;
    endInsertRows();
}

void CBasicListCtrlModel::SetRow(int row, void* data) {
    m_rows[static_cast<size_t>(row)] = data;
    RowsChanged(row, row);
}

void CBasicListCtrlModel::ClearRows() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_announced = 0;
    endResetModel();
}

void CBasicListCtrlModel::RowsChanged(int first, int last) {
    // Rows not announced yet are shown as they are when they are.
    last = std::min(last, m_announced - 1);
    if (first > last || m_columns.empty()) return;
    emit dataChanged(index(first, 0), index(last, ColumnCount() - 1));
}

std::vector<int> CBasicListCtrlModel::SortRows(const std::function<int(void*, void*)>& compare) {
    AnnounceRows();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newIndexOf = KVXStableSortRows(m_rows, compare);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newIndexOf[static_cast<size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return newIndexOf;
}

int CBasicListCtrlModel::InsertColumn(int position, const Column& column) {
    AnnounceRows();
    position = std::max(0, std::min(position, ColumnCount()));
    beginInsertColumns(QModelIndex(), position, position);
    m_columns.insert(m_columns.begin() + position, column);
    endInsertColumns();
    return position;
}

void CBasicListCtrlModel::SetRowHeight(int height) {
    if (height == m_rowHeight) return;
    emit layoutAboutToBeChanged();
    m_rowHeight = height;
    emit layoutChanged();
}

int CBasicListCtrlModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_announced;
}

int CBasicListCtrlModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant CBasicListCtrlModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_announced) return QVariant();
    switch (role) {
    case Qt::SizeHintRole:
        // Answered without the display hook: every row has the same height.
        return QSize(-1, m_rowHeight);
    case Qt::DisplayRole:
        return KVXToQString(m_control->GetItemText(index.row(), index.column()));
    default:
        return QVariant();
    }
}

QVariant CBasicListCtrlModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) return QVariant();
    const Column& column = ColumnAt(section);
    if (role == Qt::DisplayRole) return KVXToQString(column.title);
    if (role == Qt::TextAlignmentRole) {
        const int justify = column.format & LVCFMT_JUSTIFYMASK;
        const Qt::Alignment horizontal = justify == LVCFMT_RIGHT    ? Qt::AlignRight
                                         : justify == LVCFMT_CENTER ? Qt::AlignHCenter
                                                                    : Qt::AlignLeft;
        return QVariant::fromValue(horizontal | Qt::AlignVCenter);
    }
    return QVariant();
}

Qt::ItemFlags CBasicListCtrlModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
