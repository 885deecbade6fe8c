#pragma once
// LearningSession: what the learning view does with its words, without a
// window: it loads them into the rows of the view's word list box
// (MultilineListRows.h, which also holds the marks, the counters and the
// modified flag), saves the marks and edits, and exports the shown words.
// Row 0 is the heading row (the two language names). The view's worker
// loads, marks, saves and exports through it while the window's thread
// shows the rows.
//
// - A word counts as known while its status count is above 0, at load as
//   at every mark, so the known and unknown counters always add up to the
//   number of words, also after words were removed.
// - Known raises a row's count by one up to 5 and Unknown sets it to 0; a
//   row already carrying the same mark is left alone. Marks, edits and
//   removals make the rows modified until the next save.
// - Save stores the removals, the edited texts and the marks in one
//   transaction; a row that fails is reported and skipped. When the data
//   file cannot take the save (full disk, another program holding it, a
//   failed commit), the rows keep what was not stored and stay modified,
//   so the save can be tried again.
// - Export writes the shown words in the format of the list files
//   (ListFileFormat.h), one line each, to a file that it replaces
//   (through a new file of a unique name beside it, ReplacingFile.h).
//
// Long operations take the progress interface of the running job and stop
// at the next row once it reports that the work no longer runs.

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "Pendrel/App/WorkerResult.h"
#include "Quenzel/Model/MultilineListRows.h"
#include "Quenzel/Model/ShellRecords.h"
#include "Quenzel/Tutor/Model/ListFileProgress.h"
#include "utility/BasicString.h"

class CAbstractProgressStatus;

class LearningSession {
public:
    // database: not owned; may be null (nothing loads or saves). rows: the
    // rows of the view's word list box, in its learning mode.
    LearningSession(CAbstractDataBase* database, CMultilineListRows& rows);

    void SetQueryOptions(const CQueryOptions& options) { m_options = options; }
    const CQueryOptions& GetQueryOptions() const { return m_options; }
    void SetListRecord(const VocabularyListRecord& list) { m_list.Copy(list); }
    const VocabularyListRecord& GetListRecord() const { return m_list; }
    int GetFirstLanguage() const { return m_list.fromLanguage; }
    int GetSecondLanguage() const { return m_list.toLanguage; }
    CMultilineListRows& Rows() { return m_rows; }

    // Empties the rows but the heading row, which takes the two names, and
    // the counters.
    void Reset(const CBasicString& firstName, const CBasicString& secondName);
    // Reads the words of the criteria (job 3). The caption is the progress
    // text; after every 100th row the second progress pair moves on by 100,
    // and at the end (when not cancelled) it shows the total. Rows are then
    // sorted by word. 1 when the whole query was read.
    int Load(CAbstractProgressStatus* progress, const CBasicString& caption);

    // Marks the rows (job 6 or 7); stops once the progress reports that the
    // work no longer runs. The last row asked for, -1 when nothing changed.
    int Mark(const std::vector<int>& rows, bool known, CAbstractProgressStatus* progress = nullptr);
    // Removes the rows (a removed stored word is deleted from its list at
    // the next save); the counters follow the words that remain.
    void Remove(std::vector<int> rows);

    // Job 4. removedLinks receives whether removals were stored (the tutor
    // page then refreshes its lists). 1 when every row was handled, 0 when
    // rows were skipped, kSaveFailed when the data file could not be
    // written.
    static constexpr int kSaveFailed = -1;
    int Save(CAbstractProgressStatus* progress, bool* removedLinks = nullptr);

    // Separator kind by the file's extension (LIST_FILE_TAB for "txt",
    // LIST_FILE_COMMA for "csv", any case; 0 for anything else).
    static int SeparatorKindForPath(const CBasicString& path);
    // Job 1: the message to show at the end.
    WorkerResult Export(const CBasicString& path, int separatorKind, CAbstractProgressStatus* progress);

    int64_t GetTotal() const { return m_rows.GetTotalCount(); }
    int64_t GetKnownCount() const { return m_rows.GetKnownCount(); }
    int64_t GetUnknownCount() const { return m_rows.GetUnknownCount(); }
    bool IsModified() const { return m_rows.IsModified(); }
    void SetModified(bool modified) { m_rows.SetModified(modified); }
    std::vector<int64_t> GetRemovedLinks() const;

private:
    int SaveRow(GridRow& row);

    CAbstractDataBase* m_database;
    CMultilineListRows& m_rows;
    CQueryOptions m_options;
    VocabularyListRecord m_list;

    mutable std::mutex m_mutex;  // the removed links
    std::vector<int64_t> m_removedLinks;
};
