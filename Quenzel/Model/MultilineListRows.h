#pragma once
// CMultilineListRows: the rows of the multi-line word list box and the rules
// that act on them, apart from any window. Row 0 is the heading row when one
// was added (flag GRIDROW_HEADING). The rows are shared between the user
// interface and a worker of the learning view: every operation takes the
// rows' lock, and a row handed out by GetRow stays valid until it is
// deleted or the content is reset.
//
// A list may hold hundreds of thousands of rows, and nearly every cell
// shows the text it was loaded with: a cell's loaded text is kept apart
// only once it differs from the shown one. GetRow hands out the row as
// kept (its loaded texts may be empty); CopyRow and LoadedText give them,
// and ChangeRow changes a row with both texts in place.
//
// Display modes: 0 the list editor (cells edited in place), 1 the learning
// view (rows marked known or unknown and counted, meanings hidden), 2 plain
// text in the system colour, 3 the dictionary page (rows added to vocabulary
// lists).

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Quenzel/Model/ShellRecords.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractDataBase;

enum MultilineListMode : int {
    MULTILINE_MODE_EDITOR = 0,
    MULTILINE_MODE_LEARNING = 1,
    MULTILINE_MODE_PLAIN = 2,
    MULTILINE_MODE_DICTIONARY = 3
};

class CMultilineListRows {
public:
    static constexpr int kStatusImageCount = 3;
    static constexpr int kMaxStatusCount = 5;
    static constexpr int kMinItemHeight = 30;
    static constexpr int kMaxItemHeight = 255;
    static constexpr int kStatusImageWidth = 28;  // the image and its gap before the word
    static constexpr int kPictureHeight = 96;

    CMultilineListRows() = default;
    CMultilineListRows(const CMultilineListRows&) = delete;
    CMultilineListRows& operator=(const CMultilineListRows&) = delete;

    void SetMode(int mode);
    int GetMode() const;

    // Appends a copy of the row; in the learning mode its status image
    // follows its status count. The new row's index.
    int AddRow(const GridRow& row);
    // Appends the rows (taken, not copied) as AddRow does each; the index
    // of the first, or -1 when there were none.
    int AddRows(std::vector<GridRow>&& rows);
    // Adds a heading row (flag GRIDROW_HEADING) with the two names as its
    // texts; -1 when a name is null.
    int AddHeadingRow(const wchar_t* first, const wchar_t* second);
    // Replaces the texts of the heading row; false when row 0 is no heading
    // row or a text is null.
    bool SetFirstRowTexts(const wchar_t* first, const wchar_t* second);
    // Frees every row but the heading row, and the room they took.
    void ResetContent();
    bool DeleteRow(int index);

    // The row as kept: ids, shown texts, flags and counts are the row's; a
    // loaded text that equals the shown one is left empty.
    const GridRow* GetRow(int index) const;
    // A whole copy of the row, loaded texts too, taken under the lock;
    // false when there is none.
    bool CopyRow(int index, GridRow& row) const;
    // The loaded text of the row's word (column 0) or meaning (1); false
    // when there is no such row.
    bool LoadedText(int index, int column, CBasicString& text) const;
    // Calls change with the whole row (loaded texts too) under the lock and
    // keeps what it changed; false (and change not called) when there is
    // none. The row's height is kept: ForgetHeight after a change of texts.
    template <class Change> bool ChangeRow(int index, Change change) {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        GridRow* row = RowLocked(index);
        if (!row) return false;
        RowState& state = m_states[static_cast<size_t>(index)];
        Expand(*row, state.loadedAsShown);
        change(*row);
        state.loadedAsShown = Compact(*row);
        return true;
    }
    int GetRowCount() const;
    bool HasHeadingRow() const;
    // Changes whenever rows are reset, deleted or reordered (not when rows
    // are appended or changed in place).
    uint64_t GetLayoutGeneration() const;

    // The item height each row was measured at, kept with the row through
    // sorts and deletions so that a layout measures only rows not measured
    // yet. measure(row) gives the height of a row without one; 0 when
    // there is no such row. A mark forgets the marked rows' heights.
    template <class Measure> int Height(int index, Measure measure) const {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        const GridRow* row = RowLocked(index);
        if (!row) return 0;
        uint8_t& height = m_states[static_cast<size_t>(index)].height;
        if (height == 0) height = static_cast<uint8_t>(std::clamp(measure(*row), 1, kMaxItemHeight));
        return height;
    }
    // After a change of the row's texts, or of every row's (fonts, width).
    void ForgetHeight(int index);
    void ForgetHeights() const;

    // Sets or clears the hidden-meaning flag of every row.
    void SetMeaningsHidden(bool hidden);

    // Orders the rows below the heading row by the current text of the
    // column (0 word, 1 meaning), ignoring case. Needs the heading row and
    // two more rows (three rows in all); false when nothing was sorted.
    bool Sort(int column, bool ascending);
    // A click on the heading row's column: ascending for another column
    // than the sorted one, else the direction turns over; then sorts.
    bool SortByHeadingClick(int column);
    int GetSortedColumn() const;
    bool IsSortAscending() const;

    struct MarkResult {
        bool changed = false;  // any row changed
        int lastIndex = -1;    // the last row asked for
    };
    // Marks the rows known or unknown and keeps the counters. running (may
    // be empty) is asked before each row; the mark stops once it answers
    // false.
    MarkResult Mark(const std::vector<int>& indexes, bool known, const std::function<bool()>& running = {});

    // What a click (or Space) on a cell does in the learning mode: a hidden
    // meaning in the meaning column is shown; otherwise a row not marked
    // known becomes known and a known row unknown. The other modes do
    // nothing.
    enum ClickResult { CLICK_NOTHING, CLICK_SHOWED_MEANING, CLICK_MARKED };
    ClickResult ClickAction(int index, int column, MarkResult* mark = nullptr);

    // The first row below the heading whose current text in the column and
    // the character agree, ignoring case, over the shorter length; -1 when
    // none.
    int FindRowStartingWith(wchar_t character, int column) const;

    // The row's status-image index for its status count: -1 outside the
    // learning mode and on the heading row, else the count held within the
    // images.
    static int StatusImageFor(const GridRow& row, int mode);

    // The width of one text column of an item.
    static int ColumnWidth(int clientWidth, int scrollBarWidth, bool rowHasImage);
    // The height of an item from the heights its two texts need.
    static int ItemHeight(int wordHeight, int meaningHeight);

    struct Colors {
        COLORREF normal = 0;
        COLORREF known = 0x8000;
        COLORREF unknown = 0xFF;
        COLORREF windowText = 0;
    };
    // The text colour of a row in the mode.
    static COLORREF TextColor(const GridRow& row, int mode, const Colors& colors);

    // Counters of the learning view.
    void SetCounters(int64_t total, int64_t known, int64_t unknown);
    int64_t GetTotalCount() const;
    int64_t GetKnownCount() const;
    int64_t GetUnknownCount() const;
    bool IsModified() const;
    void SetModified(bool modified);

    // Stores the rows as entries of the list, every entry with status 0 and
    // the date in both date texts. An entry the list holds already is left
    // alone. 0 when at least one row was added, DATABASE_EXISTS when the list
    // held every row, else the failure of the last row that failed; added
    // receives the number of rows added. A storage failure (the file
    // cannot be written) stops at once and is the result.
    static int AddRowsToList(CAbstractDataBase& database, int64_t listId, const std::vector<GridRow>& rows,
                             const wchar_t* date, int& added);
    // AddRowsToList in one transaction with the list's new word count; with
    // create, the list is made first (list.id receives its id) and is kept
    // only when it took a row: a failure leaves no list behind (list.id 0).
    // A failed commit stores nothing and gives DATABASE_STORAGE_FAILED (or
    // the code the component threw); added is then 0.
    static int StoreRowsInList(CAbstractDataBase& database, VocabularyListRecord& list, bool create,
                               const std::vector<GridRow>& rows, const wchar_t* date, int& added);

private:
    // What is kept beside each row, in the rows' order.
    struct RowState {
        uint8_t height = 0;         // 0 until measured
        uint8_t loadedAsShown = 0;  // kWordAsShown, kMeaningAsShown: the cell's loaded text is its shown one
    };
    static constexpr uint8_t kWordAsShown = 1;
    static constexpr uint8_t kMeaningAsShown = 2;
    // Drops the loaded texts that equal the shown ones; the cells it dropped.
    static uint8_t Compact(GridRow& row);
    // Gives the dropped loaded texts back.
    static void Expand(GridRow& row, uint8_t loadedAsShown);
    // Appends a compacted row; its index.
    int AppendLocked(std::unique_ptr<GridRow> row, uint8_t loadedAsShown);
    void MarkRowLocked(GridRow& row, bool known, bool& changed);
    GridRow* RowLocked(int index) const;

    mutable std::recursive_mutex m_lock;
    std::vector<std::unique_ptr<GridRow>> m_rows;
    mutable std::vector<RowState> m_states;  // one a row
    int m_mode = MULTILINE_MODE_EDITOR;
    int m_sortedColumn = -1;
    bool m_sortAscending = true;
    int64_t m_total = 0;
    int64_t m_known = 0;
    int64_t m_unknown = 0;
    bool m_modified = false;
    uint64_t m_generation = 0;
};
