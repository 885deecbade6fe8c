#include "Quenzel/Shared/MultilineListModel.h"

#include <QThread>

#include "Pendrel/Platform/KVXText.h"
#include "Quenzel/Model/MultilineListRows.h"

CMultilineListModel::CMultilineListModel(CMultilineListRows& rows, QObject* parent)
    : QAbstractListModel(parent), m_rows(rows) {
    TakeRowState();
}

int CMultilineListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_shown; }

QVariant CMultilineListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    CBasicString text;
    if (!m_rows.LoadedText(index.row(), 0, text)) return {};
    return KVXToQString(text);
}

Qt::ItemFlags CMultilineListModel::flags(const QModelIndex& index) const {
    const GridRow* row = index.isValid() ? m_rows.GetRow(index.row()) : nullptr;
    if (row && (row->flags & GRIDROW_HEADING)) return Qt::ItemIsEnabled;
    return QAbstractListModel::flags(index);
}

void CMultilineListModel::TakeRowState() {
    m_shown = m_rows.GetRowCount();
    m_generation = m_rows.GetLayoutGeneration();
}

void CMultilineListModel::RequestSync() {
    if (QThread::currentThread() == thread()) {
        Sync();
        return;
    }
    if (m_syncQueued.exchange(true)) return;
    QMetaObject::invokeMethod(this, [this] { Sync(); }, Qt::QueuedConnection);
}

void CMultilineListModel::Sync() {
    m_syncQueued.store(false);
    const int count = m_rows.GetRowCount();
    const uint64_t generation = m_rows.GetLayoutGeneration();
    if (generation != m_generation || count < m_shown) {
        beginResetModel();
        TakeRowState();
        endResetModel();
    } else if (count > m_shown) {
        beginInsertRows(QModelIndex(), m_shown, count - 1);
        TakeRowState();
        endInsertRows();
    }
    if (m_shown > 0) emit dataChanged(index(0), index(m_shown - 1));
}

bool CMultilineListModel::RemoveRow(int row) {
    if (row < 0 || row >= m_shown) return false;
    Sync();
    beginRemoveRows(QModelIndex(), row, row);
    const bool removed = m_rows.DeleteRow(row);
    TakeRowState();
    endRemoveRows();
    return removed;
}
