#pragma once
// The order of a list's rows, apart from any window: a list control keeps
// one caller-owned pointer per row, sorts them by its comparison hook and
// lets the user drag its selected rows up and down. Both are plain
// functions of the row vector so that the rules can be checked without a
// list on the screen.

#include <algorithm>
#include <utility>
#include <vector>

// Sorts rows by compare(a, b) (negative: a goes first) and keeps rows that
// compare equal in their present order. Returns, for every old row index,
// its new index, so that selections and other row references can follow
// their rows.
template <class Compare> std::vector<int> KVXStableSortRows(std::vector<void*>& rows, Compare compare) {
    std::vector<std::pair<void*, int>> order;
    order.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) order.emplace_back(rows[i], static_cast<int>(i));
    std::stable_sort(order.begin(), order.end(),
                     [&compare](const std::pair<void*, int>& a, const std::pair<void*, int>& b) {
                         return compare(a.first, b.first) < 0;
                     });
    std::vector<int> newIndexOf(rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        rows[i] = order[i].first;
        newIndexOf[static_cast<size_t>(order[i].second)] = static_cast<int>(i);
    }
    return newIndexOf;
}

// One drag step of the selected rows. The swaps are the pairs of rows to
// exchange, in the order to exchange them; selected holds where the
// selected rows are afterwards. No swaps: nothing moves.
struct KVXRowReorder {
    std::vector<std::pair<int, int>> swaps;
    std::vector<int> selected;
};

// Moves the selected rows (ascending indexes) delta places (negative: up)
// in a list of rowCount rows. Nothing moves when delta is 0, nothing is
// selected, or the first selected row would leave the top or the last one
// the bottom. The rows move one place at a time, each selected row
// exchanged with its neighbour (rows from first to last when moving up,
// last to first when moving down), so a selection that moves several
// places at once still keeps its rows together in their order and the
// unselected rows it passes keep theirs.
KVXRowReorder KVXPlanRowReorder(int rowCount, const std::vector<int>& selected, int delta);
