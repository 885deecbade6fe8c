#pragma once
// CAutoSearchModel: what the auto-search pop-up shows, without a window.
//
// - Suggestions: every (text, id) seen so far, ordered by text; a text
//   keeps the id it came with first. They are not emptied between
//   keystrokes; the filter decides what is shown.
// - History: the texts the owner fed in (AddHistoryItem), ordered by text,
//   each with its id. It is guarded by a lock, because owners fill it from
//   their worker threads.
// - Shown rows: the suggestions after a start index whose text begins with
//   the filter text, upper and lower case alike (Unicode case mapping).
// - Selection (-1 none), first visible row and rows per page, with the
//   selection and scrolling rules of the pop-up's keys.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class CAutoSearchModel {
public:
    // At most this many rows are shown without scrolling.
    static constexpr int kMaxVisibleRows = 8;
    // Lists shorter than this scroll smoothly, one row per step.
    static constexpr int kSmoothScrollLimit = 51;

    enum Key { KEY_PAGE_UP, KEY_PAGE_DOWN, KEY_HOME, KEY_END, KEY_UP, KEY_DOWN, KEY_ENTER };

    struct Row {
        std::wstring text;
        int64_t index = 0;  // position among the suggestions
        int64_t id = 0;
    };

    // What a navigation key did: the text taken from the rows, and whether
    // it becomes the field's text (Page Up, Page Down, Up, Down).
    struct Navigation {
        std::wstring text;
        bool setsFieldText = false;
    };

    // Suggestions.
    void AddSuggestion(const std::wstring& text, int64_t id);
    void ClearSuggestions();
    size_t GetSuggestionCount() const { return m_suggestions.size(); }

    // History (thread-safe). AddHistoryItem gives 1 when the text was new,
    // 0 when it was there already.
    int AddHistoryItem(const std::wstring& text, int64_t id);
    void ClearHistory();
    std::vector<std::wstring> GetHistoryTexts() const;
    // The suggestions become the history's non-empty texts.
    void SuggestHistory();

    // Fills the shown rows from the suggestions after start (-1: all) that
    // begin with text. -1 when fewer than start suggestions exist (nothing
    // shown), else the number of shown rows. A changed number of rows clears
    // the selection.
    int Filter(int64_t start, const std::wstring& text);
    const std::vector<Row>& GetRows() const { return m_rows; }
    int GetCount() const { return static_cast<int>(m_rows.size()); }
    // The text and id of a row; empty and 0 outside the rows.
    std::wstring GetRowText(int row) const;
    int64_t GetRowId(int row) const;

    int GetSelection() const { return m_selection; }
    void SetSelection(int row);
    // The selection when the pop-up was last hidden.
    int GetLastSelection() const { return m_lastSelection; }
    // The pop-up was hidden: the selection is remembered and cleared, the
    // list scrolls to its top.
    void OnHidden();

    // Rows shown at once in the pop-up's height: at most kMaxVisibleRows.
    int GetShownRowCount() const;
    void SetRowsPerPage(int rows);
    int GetRowsPerPage() const { return m_rowsPerPage; }
    int GetFirstVisible() const { return m_firstVisible; }
    // Clamped to 0 .. count - page.
    void SetFirstVisible(int row);
    int GetMaxFirstVisible() const;
    // The scroll bar is needed: count - 1 >= page.
    bool NeedsScrollBar() const;
    // The row under a point at y (client pixels) with the row height; -1
    // below the last row.
    int RowAt(int y, int rowHeight) const;

    // The key of the pop-up's own rules: moves the selection (Up and Down
    // wrap, Page Up and Page Down stop at the ends) and gives the selected
    // row's text (the first row's with no selection, empty without rows).
    // The caller scrolls to the selection.
    std::wstring MoveSelection(Key key);
    // A key in the field while the pop-up is shown: at the edges (Up or
    // Page Up on the first row, Down or Page Down on the last) the current
    // row's text is taken without moving; else the selection moves.
    Navigation Navigate(Key key);

    // Where the first visible row ends when the list scrolls to row: itself
    // when row is visible already.
    int ScrollTarget(int row) const;
    // One smooth-scroll step of the first visible row towards target; false
    // when it is there.
    bool ScrollStep(int target);
    // Scrolling to the selection goes row by row.
    bool IsSmoothScroll() const { return GetCount() < kSmoothScrollLimit; }

private:
    struct Suggestion {
        int64_t id = 0;
        std::wstring upper;  // the text upper-cased, for the filter
    };
    std::map<std::wstring, Suggestion> m_suggestions;
    std::map<std::wstring, int64_t> m_history;
    mutable std::mutex m_historyLock;
    std::vector<Row> m_rows;
    int m_selection = -1;
    int m_lastSelection = -1;
    int m_firstVisible = 0;
    int m_rowsPerPage = kMaxVisibleRows;
};
