#include "Quenzel/Model/MultilineListRows.h"

#include <algorithm>
#include <utility>

#include "DataBase/AbstractDataBase.h"
#include "DataBase/DataBaseResult.h"
#include "Quenzel/Model/StorageCall.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = "MultilineListBox";

bool IsHeading(const GridRow& row) { return (row.flags & GRIDROW_HEADING) != 0; }

} // namespace

void CMultilineListRows::SetMode(int mode) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_mode = mode;
}

int CMultilineListRows::GetMode() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_mode;
}

uint8_t CMultilineListRows::Compact(GridRow& row) {
    uint8_t loadedAsShown = 0;
    for (auto [cell, bit] : {std::pair{&row.word, kWordAsShown}, std::pair{&row.meaning, kMeaningAsShown}}) {
        if (cell->m_secondText.GetLength() != cell->m_text.GetLength() ||
            cell->m_secondText.Compare(cell->m_text.GetString()) != 0)
            continue;
        cell->m_secondText.Empty();
        loadedAsShown |= bit;
    }
    return loadedAsShown;
}

void CMultilineListRows::Expand(GridRow& row, uint8_t loadedAsShown) {
    if (loadedAsShown & kWordAsShown) row.word.m_secondText = row.word.m_text;
    if (loadedAsShown & kMeaningAsShown) row.meaning.m_secondText = row.meaning.m_text;
}

int CMultilineListRows::AppendLocked(std::unique_ptr<GridRow> row, uint8_t loadedAsShown) {
    if (m_mode == MULTILINE_MODE_LEARNING && !IsHeading(*row)) row->imageIndex = StatusImageFor(*row, m_mode);
    m_rows.push_back(std::move(row));
    m_states.push_back(RowState{0, loadedAsShown});
    return static_cast<int>(m_rows.size()) - 1;
}

int CMultilineListRows::AddRow(const GridRow& row) {
    auto copy = std::make_unique<GridRow>(row);
    const uint8_t loadedAsShown = Compact(*copy);
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return AppendLocked(std::move(copy), loadedAsShown);
}

int CMultilineListRows::AddRows(std::vector<GridRow>&& rows) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (rows.empty()) return -1;
    const int first = static_cast<int>(m_rows.size());
    m_rows.reserve(m_rows.size() + rows.size());
    m_states.reserve(m_states.size() + rows.size());
    for (GridRow& row : rows) {
        // Compacted before it is taken, so that no loaded text is copied.
        const uint8_t loadedAsShown = Compact(row);
        AppendLocked(std::make_unique<GridRow>(std::move(row)), loadedAsShown);
    }
    std::vector<GridRow>().swap(rows);
    return first;
}

int CMultilineListRows::AddHeadingRow(const wchar_t* first, const wchar_t* second) {
    ReportAssertion(first && second, kSourceFile, __LINE__);
    if (!first || !second) return -1;
    GridRow row;
    row.word.m_text = row.word.m_secondText = first;
    row.meaning.m_text = row.meaning.m_secondText = second;
    row.flags = GRIDROW_HEADING;
    row.imageIndex = -1;
    return AddRow(row);
}

bool CMultilineListRows::SetFirstRowTexts(const wchar_t* first, const wchar_t* second) {
    ReportAssertion(first && second, kSourceFile, __LINE__);
    if (!first || !second) return false;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_rows.empty() || !IsHeading(*m_rows.front())) return false;
    GridRow& heading = *m_rows.front();
    heading.word.m_text = first;
    heading.meaning.m_text = second;
    heading.word.m_secondText.Empty();
    heading.meaning.m_secondText.Empty();
    m_states.front() = RowState{0, kWordAsShown | kMeaningAsShown};
    return true;
}

void CMultilineListRows::ResetContent() {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    std::unique_ptr<GridRow> heading;
    RowState headingState;
    if (!m_rows.empty() && IsHeading(*m_rows.front())) {
        heading = std::move(m_rows.front());
        headingState = RowState{0, m_states.front().loadedAsShown};
    }
    std::vector<std::unique_ptr<GridRow>>().swap(m_rows);
    std::vector<RowState>().swap(m_states);
    if (heading) {
        m_rows.push_back(std::move(heading));
        m_states.push_back(headingState);
    }
    ++m_generation;
}

bool CMultilineListRows::DeleteRow(int index) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    const bool valid = index >= 0 && index < static_cast<int>(m_rows.size());
    ReportAssertion(valid, kSourceFile, __LINE__);
    if (!valid) return false;
    m_rows.erase(m_rows.begin() + index);
    m_states.erase(m_states.begin() + index);
    ++m_generation;
    return true;
}

GridRow* CMultilineListRows::RowLocked(int index) const {
    if (index < 0 || index >= static_cast<int>(m_rows.size())) return nullptr;
    return m_rows[static_cast<size_t>(index)].get();
}

const GridRow* CMultilineListRows::GetRow(int index) const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return RowLocked(index);
}

bool CMultilineListRows::CopyRow(int index, GridRow& row) const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    const GridRow* found = RowLocked(index);
    if (!found) return false;
    row = *found;
    Expand(row, m_states[static_cast<size_t>(index)].loadedAsShown);
    return true;
}

bool CMultilineListRows::LoadedText(int index, int column, CBasicString& text) const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    const GridRow* found = RowLocked(index);
    if (!found) return false;
    const CGridListCtrl_Data& cell = column == 0 ? found->word : found->meaning;
    const uint8_t asShown = column == 0 ? kWordAsShown : kMeaningAsShown;
    text = (m_states[static_cast<size_t>(index)].loadedAsShown & asShown) ? cell.m_text : cell.m_secondText;
    return true;
}

int CMultilineListRows::GetRowCount() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return static_cast<int>(m_rows.size());
}

bool CMultilineListRows::HasHeadingRow() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return !m_rows.empty() && IsHeading(*m_rows.front());
}

uint64_t CMultilineListRows::GetLayoutGeneration() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_generation;
}

void CMultilineListRows::SetMeaningsHidden(bool hidden) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (auto& row : m_rows) row->SetMeaningHidden(hidden);
}

bool CMultilineListRows::Sort(int column, bool ascending) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_rows.size() < 3) return false;
    const size_t first = IsHeading(*m_rows.front()) ? 1 : 0;
    const GridRowLess less(column == 0, ascending);
    // The rows' order, then the rows and their heights put in it.
    std::vector<uint32_t> order(m_rows.size() - first);
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(first + i);
    std::stable_sort(order.begin(), order.end(),
                     [this, &less](uint32_t a, uint32_t b) { return less(*m_rows[a], *m_rows[b]); });
    std::vector<std::unique_ptr<GridRow>> rows;
    rows.reserve(m_rows.size());
    std::vector<RowState> states;
    states.reserve(m_states.size());
    for (size_t i = 0; i < first; ++i) {
        rows.push_back(std::move(m_rows[i]));
        states.push_back(m_states[i]);
    }
    for (uint32_t from : order) {
        rows.push_back(std::move(m_rows[from]));
        states.push_back(m_states[from]);
    }
    m_rows.swap(rows);
    m_states.swap(states);
    ++m_generation;
    return true;
}

void CMultilineListRows::ForgetHeight(int index) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (index >= 0 && index < static_cast<int>(m_states.size())) m_states[static_cast<size_t>(index)].height = 0;
}

void CMultilineListRows::ForgetHeights() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (RowState& state : m_states) state.height = 0;
}

bool CMultilineListRows::SortByHeadingClick(int column) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_sortAscending = column != m_sortedColumn ? true : !m_sortAscending;
    m_sortedColumn = column;
    return Sort(column, m_sortAscending);
}

int CMultilineListRows::GetSortedColumn() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_sortedColumn;
}

bool CMultilineListRows::IsSortAscending() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_sortAscending;
}

void CMultilineListRows::MarkRowLocked(GridRow& row, bool known, bool& changed) {
    if (known) {
        if (row.IsStatusA()) return;
        m_modified = true;
        if (row.statusCount == 0) ++m_known;
        m_unknown = m_total - m_known;
        row.statusCount = std::min(row.statusCount + 1, kMaxStatusCount);
        row.SetStatusA();
    } else {
        if (row.IsStatusB()) return;
        m_modified = true;
        if (row.statusCount > 0) --m_known;
        m_unknown = m_total - m_known;
        row.statusCount = 0;
        row.SetStatusB();
    }
    if (m_mode == MULTILINE_MODE_LEARNING && !IsHeading(row)) row.imageIndex = StatusImageFor(row, m_mode);
    row.statusChanged = 1;
    changed = true;
}

CMultilineListRows::MarkResult CMultilineListRows::Mark(const std::vector<int>& indexes, bool known,
                                                        const std::function<bool()>& running) {
    MarkResult result;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (int index : indexes) {
        if (running && !running()) break;
        const bool valid = index >= 0 && index < static_cast<int>(m_rows.size());
        ReportAssertion(valid, kSourceFile, __LINE__);
        if (!valid) continue;
        GridRow* row = RowLocked(index);
        ReportAssertion(row != nullptr, kSourceFile, __LINE__);
        if (!row) break;
        // The heading row is no word: a selection that takes it marks only
        // the words, so the counters never pass the number of words.
        if (IsHeading(*row)) continue;
        MarkRowLocked(*row, known, result.changed);
        // Its status image may have come or gone, and the text's room with it.
        m_states[static_cast<size_t>(index)].height = 0;
        result.lastIndex = index;
    }
    return result;
}

CMultilineListRows::ClickResult CMultilineListRows::ClickAction(int index, int column, MarkResult* mark) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_mode != MULTILINE_MODE_LEARNING) return CLICK_NOTHING;
    GridRow* row = RowLocked(index);
    if (!row || IsHeading(*row)) return CLICK_NOTHING;
    if (column == 1 && row->IsMeaningHidden()) {
        row->SetMeaningHidden(false);
        return CLICK_SHOWED_MEANING;
    }
    const MarkResult result = Mark({index}, !row->IsStatusA());
    if (mark) *mark = result;
    return CLICK_MARKED;
}

int CMultilineListRows::FindRowStartingWith(wchar_t character, int column) const {
    const wchar_t text[2] = {character, 0};
    const GridRowPrefix matches(column == 0, text);
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (IsHeading(*m_rows[i])) continue;
        if (matches(*m_rows[i])) return static_cast<int>(i);
    }
    return -1;
}

int CMultilineListRows::StatusImageFor(const GridRow& row, int mode) {
    if (mode != MULTILINE_MODE_LEARNING || IsHeading(row)) return -1;
    return std::clamp(row.statusCount, 0, kStatusImageCount - 1);
}

int CMultilineListRows::ColumnWidth(int clientWidth, int scrollBarWidth, bool rowHasImage) {
    const int width = clientWidth - scrollBarWidth - (rowHasImage ? kStatusImageWidth : 0);
    return std::max(1, width / 2 - 8);
}

int CMultilineListRows::ItemHeight(int wordHeight, int meaningHeight) {
    return std::clamp(std::max(wordHeight, meaningHeight) + 6, kMinItemHeight, kMaxItemHeight);
}

COLORREF CMultilineListRows::TextColor(const GridRow& row, int mode, const Colors& colors) {
    switch (mode) {
    case MULTILINE_MODE_LEARNING:
        if (row.IsStatusA()) return colors.known;
        if (row.IsStatusB()) return colors.unknown;
        return colors.windowText;
    case MULTILINE_MODE_DICTIONARY:
        if (row.linkId > 0) return RGB(0, 0, 255);
        if (row.statusCount > 0) return colors.known;
        return colors.normal;
    case MULTILINE_MODE_PLAIN:
        return colors.windowText;
    default:
        return colors.normal;
    }
}

void CMultilineListRows::SetCounters(int64_t total, int64_t known, int64_t unknown) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_total = total;
    m_known = known;
    m_unknown = unknown;
}

int64_t CMultilineListRows::GetTotalCount() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_total;
}

int64_t CMultilineListRows::GetKnownCount() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_known;
}

int64_t CMultilineListRows::GetUnknownCount() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_unknown;
}

bool CMultilineListRows::IsModified() const {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_modified;
}

void CMultilineListRows::SetModified(bool modified) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_modified = modified;
}

int CMultilineListRows::AddRowsToList(CAbstractDataBase& database, int64_t listId, const std::vector<GridRow>& rows,
                                      const wchar_t* date, int& added) {
    added = 0;
    int failure = DATABASE_OK;
    for (const GridRow& row : rows) {
        WordLinkRecord link;
        link.linkId = row.linkId;
        link.listId = listId;
        link.wordId = static_cast<int64_t>(row.word.m_value);
        link.meaningId = static_cast<int64_t>(row.meaning.m_value);
        link.statusCount = 0;
        link.enteredDate = date ? date : L"";
        link.statusDate = link.enteredDate;
        const int found = CallDataBase([&] { return database.UpdateListEntry(link, kListEntryLookUp); });
        if (found == DATABASE_OK) continue;  // the list holds the entry already
        if (IsStorageFailure(found)) return found;
        if (found != DATABASE_NO_ROW) {
            failure = found;
            continue;
        }
        const int stored = CallDataBase([&] { return database.AddListEntry(link, 0); });
        ReportAssertion(stored == DATABASE_OK, kSourceFile, __LINE__);
        // The file cannot take more: the rows after this one would fail too.
        if (IsStorageFailure(stored)) return stored;
        if (stored != DATABASE_OK) {
            failure = stored;
            continue;
        }
        ++added;
    }
    if (added > 0) return DATABASE_OK;
    return failure != DATABASE_OK ? failure : DATABASE_EXISTS;
}

int CMultilineListRows::StoreRowsInList(CAbstractDataBase& database, VocabularyListRecord& list, bool create,
                                        const std::vector<GridRow>& rows, const wchar_t* date, int& added) {
    added = 0;
    const int begun = CallDataBase([&] { return database.Transaction(TRANSACTION_BEGIN); });
    if (begun != DATABASE_OK) return IsStorageFailure(begun) ? begun : DATABASE_STORAGE_FAILED;
    int result = DATABASE_OK;
    if (create) {
        list.id = 0;
        try {
            list.id = database.CreateVocabularyList(list);
        } catch (DATABASE_RESULT code) {
            result = code == DATABASE_OK ? DATABASE_FAILED : code;
        }
        if (result == DATABASE_OK && list.id <= 0) result = DATABASE_FAILED;
    }
    if (result == DATABASE_OK) result = AddRowsToList(database, list.id, rows, date, added);
    if (result == DATABASE_OK) {
        // The count the list shows is the number of its entries.
        list.wordCount = create ? added : list.wordCount + added;
        const int updated = CallDataBase([&] { return database.UpdateVocabularyList(list); });
        ReportAssertion(updated == DATABASE_OK, kSourceFile, __LINE__);
        if (IsStorageFailure(updated)) result = updated;
    }
    // A new list that took no row is not kept.
    if (create && result != DATABASE_OK && list.id > 0) {
        const int deleted = CallDataBase([&] { return database.DeleteVocabularyList(list.id, 0); });
        if (deleted != DATABASE_OK && !IsStorageFailure(result)) result = deleted;
    }
    const int committed = CallDataBase([&] { return database.Transaction(TRANSACTION_COMMIT); });
    if (committed != DATABASE_OK) {
        ReportAssertion(0, kSourceFile, __LINE__);
        added = 0;
        if (create) list.id = 0;
        return IsStorageFailure(committed) ? committed : DATABASE_STORAGE_FAILED;
    }
    if (create && result != DATABASE_OK) list.id = 0;
    return result;
}
