#pragma once
// LearningSession: the rows and rules of the learning view, without a
// window. Row 0 is the heading row (the two language names); every other
// row is a word of the criteria with its meaning, its status count and its
// mark. The view's worker loads, marks, saves and exports through it while
// the window's thread reads the rows to show them, so every access to the
// rows holds the session's lock.
//
// - A word counts as known while its status count is above 0, at load and
//   at every mark alike, so the known and unknown counters always add up to
//   the number of words.
// - Known raises a row's count by one up to 5 and Unknown sets it to 0; a
//   row already carrying the same mark is left alone. Marks, edits and
//   removals make the session modified until the next save.
// - Save stores the removals, the edited texts and the marks in one
//   transaction; a row that fails is reported and skipped.
// - Export writes the shown words, one "word<separator>meaning" line each,
//   as UTF-8 without a byte-order mark, to a file that it replaces.
//
// Long operations take the progress interface of the running job and stop
// at the next row once it reports that the work no longer runs.

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/App/WorkerResult.h"
#include "Quenzel/Shell/ShellRecords.h"
#include "utility/BasicString.h"

class CAbstractProgressStatus;

// Export separator kinds.
enum { EXPORT_SEPARATOR_NONE = 0, EXPORT_SEPARATOR_TAB = 1, EXPORT_SEPARATOR_COMMA = 2 };

class LearningSession {
public:
    // database: not owned; may be null (nothing loads or saves).
    explicit LearningSession(CAbstractDataBase* database);

    void SetQueryOptions(const CQueryOptions& options) { m_options = options; }
    const CQueryOptions& GetQueryOptions() const { return m_options; }
    void SetListRecord(const VocabularyListRecord& list) { m_list.Copy(list); }
    const VocabularyListRecord& GetListRecord() const { return m_list; }
    int GetFirstLanguage() const { return m_list.fromLanguage; }
    int GetSecondLanguage() const { return m_list.toLanguage; }

    // Empties the rows but the heading row, which takes the two names.
    void Reset(const CBasicString& firstName, const CBasicString& secondName);
    // Reads the words of the criteria (job 3). The caption is the progress
    // text; after every 100th row the second progress pair moves on by 100,
    // and at the end (when not cancelled) it shows the total. Rows are then
    // sorted by word. 1 when the whole query was read.
    int Load(CAbstractProgressStatus* progress, const CBasicString& caption);

    // Marks the rows (indexes into the rows; the heading row and indexes
    // out of range are skipped). Gives the last row changed, -1 for none.
    int Mark(const std::vector<int>& rows, bool known, CAbstractProgressStatus* progress = nullptr);
    // Removes the rows (a removed stored word is deleted from its list at
    // the next save).
    void Remove(std::vector<int> rows);
    // Takes an edited text of a cell (meaning false: the word column);
    // true when it differs from the loaded text.
    bool EditText(int row, bool meaning, const CBasicString& text);
    void SetMeaningsHidden(bool hidden);
    // Uncovers one row's meaning.
    void RevealMeaning(int row);
    // Sorts the rows below the heading row by word or meaning, ignoring
    // case.
    void Sort(bool byWord, bool ascending);

    // Job 4. removedLinks receives whether removals were stored (the tutor
    // page then refreshes its lists). 1 when every row was handled.
    int Save(CAbstractProgressStatus* progress, bool* removedLinks = nullptr);

    // Separator kind by the file's extension: "txt" tab, "csv" comma (any
    // case), anything else none.
    static int SeparatorKindForPath(const CBasicString& path);
    // Job 1: the message to show at the end.
    WorkerResult Export(const CBasicString& path, int separatorKind, CAbstractProgressStatus* progress);

    // Copies, under the lock, for the window's thread.
    std::vector<GridRow> GetRows() const;
    bool GetRow(int index, GridRow& row) const;
    int GetRowCount() const;
    int64_t GetTotal() const;
    int64_t GetKnownCount() const;
    int64_t GetUnknownCount() const;
    bool IsModified() const;
    void SetModified(bool modified);
    std::vector<int64_t> GetRemovedLinks() const;

private:
    void CountRow(const GridRow& row, int sign);
    int SaveRow(GridRow& row);

    CAbstractDataBase* m_database;
    CQueryOptions m_options;
    VocabularyListRecord m_list;

    mutable std::mutex m_mutex;
    std::vector<GridRow> m_rows;
    int64_t m_total = 0;
    int64_t m_known = 0;
    bool m_modified = false;
    std::vector<int64_t> m_removedLinks;
};
