#pragma once
// CMultilineListModel: the item model of the multi-line word list box over
// its rows (MultilineListRows.h). The rows may change on a worker; the model
// shows them on its own (the user-interface) thread: Sync compares the rows
// with what the view knows and tells the view, at once on the model's
// thread, queued from any other. Each item's display text is the word
// column's loaded text.

#include <QAbstractListModel>

#include <atomic>
#include <cstdint>

class CMultilineListRows;

class CMultilineListModel : public QAbstractListModel {
    Q_OBJECT

public:
    CMultilineListModel(CMultilineListRows& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The heading row cannot be selected.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Brings the view up to the rows; safe from any thread.
    void RequestSync();
    // On the model's thread: appended rows are inserted, a reset, deletion
    // or reordering of the rows resets the view, and every item is asked
    // to repaint.
    void Sync();
    // Deletes a row as one removal, so the view keeps its selection of the
    // other rows. User-interface thread only.
    bool RemoveRow(int index);
    // Reorders the rows through op as one layout change. User-interface
    // thread only.
    template <class Op> bool Reorder(Op op) {
        emit layoutAboutToBeChanged();
        const bool result = op();
        TakeRowState();
        emit layoutChanged();
        return result;
    }

private:
    void TakeRowState();

    CMultilineListRows& m_rows;
    int m_shown = 0;
    uint64_t m_generation = 0;
    std::atomic<bool> m_syncQueued{false};
};
