#pragma once
// CListEditModel: what the list editor edits and stores, apart from its
// window. It holds the edited list, the rows (word and meaning cells with
// their stored ids and loaded texts), the rows removed since the last save,
// and the three jobs that the editor runs on its worker: load a stored
// list, read a list file, and save everything in one transaction.
//
// Modes: import (0) reads a file into a new or an existing list, edit (1)
// changes a stored list, create (2) makes a new list; a save in create
// mode turns the model into edit mode.
//
// Saving: a name that another list has (case ignored) merges the rows into
// that list, when that list is of the same language pair; a row whose texts
// differ from the loaded ones only in case is not stored; a row that still
// shows the placeholder texts of Add, or has an empty side, is not stored;
// the outcome is a failure when any row or the list update failed; a create
// that fails ends its transaction. When the data file cannot be written
// (full disk, another program holding it, a failed commit), the save stops,
// keeps every row that was not stored as it is and stays modified.

#include <cstdint>
#include <functional>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Pendrel/App/WorkerResult.h"
#include "Quenzel/Model/ShellRecords.h"
#include "Quenzel/Tutor/Model/ListFileProgress.h"
#include "utility/BasicString.h"

class CAbstractDataBase;

// Reads a list file into new rows of the editor (appended to rows); the
// program's is ImportVocabularyList (VocabularyListFile.h), which says what
// it gives.
using ListFileImporter = std::function<int(CAbstractDataBase* database, const wchar_t* path, int kind,
                                           const ListFileProgress& progress, std::vector<GridRow>& rows,
                                           int* longLine)>;

enum { LIST_EDIT_IMPORT = 0, LIST_EDIT_EDIT = 1, LIST_EDIT_CREATE = 2 };

// What the tutor page's list control must learn after a save.
enum { LIST_ROW_NONE = 0, LIST_ROW_ADD = 1, LIST_ROW_UPDATE = 2 };

class CListEditModel {
public:
    explicit CListEditModel(CAbstractDataBase* database = nullptr) : m_database(database) {}

    void SetDataBase(CAbstractDataBase* database) { m_database = database; }
    // Starts a new editing: the mode, the list (its id, name and languages;
    // a new list has id 0), no rows and nothing removed.
    void Reset(int mode, const VocabularyListRecord& list);
    void SetImportFile(const CBasicString& path, int kind) {
        m_importPath = path;
        m_importKind = kind;
    }

    int GetMode() const { return m_mode; }
    const VocabularyListRecord& GetList() const { return m_list; }
    const CBasicString& GetImportPath() const { return m_importPath; }
    std::vector<GridRow>& Rows() { return m_rows; }
    const std::vector<GridRow>& Rows() const { return m_rows; }

    // The language ids of the editor's two language boxes.
    void SetLanguages(int words, int meanings) {
        m_wordsLanguage = words;
        m_meaningsLanguage = meanings;
    }
    int GetWordsLanguage() const { return m_wordsLanguage; }
    int GetMeaningsLanguage() const { return m_meaningsLanguage; }

    // The lists of the name box (import and create): all editable lists.
    void LoadListNames();
    const std::vector<VocabularyListRecord>& GetListNames() const { return m_listNames; }
    // A list of the name box was chosen: it becomes the edited list.
    void ChooseList(size_t index);

    // The name box's text: true when it differs (case ignored) from the
    // list's name.
    bool SetName(const CBasicString& name);
    const CBasicString& GetName() const { return m_name; }
    bool IsNameChanged() const { return m_nameChanged; }
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }
    // Something to save: the name or the rows changed.
    bool HasChanges() const { return m_nameChanged || m_modified; }

    // Add: a row with the placeholder texts; its index.
    size_t AddRow();
    // Remove: the rows (indices into Rows()), a stored row's entry kept to
    // be removed at the next save.
    void RemoveRows(std::vector<size_t> indices);
    static bool IsPlaceholder(const GridRow& row);

    // The jobs; each runs on the editor's worker and fills the end record.
    // Load and import give 1 when they read everything; import reads the
    // import file with read.
    int Load(const ListFileProgress& progress);
    int Import(const ListFileProgress& progress, const ListFileImporter& read);
    // The rows the last import read (0: the file held no pair).
    int GetImportedCount() const { return m_importedCount; }
    // After a failed import: the number of the file's overlong line, or 0.
    int GetImportLongLine() const { return m_importLongLine; }
    // today: "YYYY-MM-DD" for the entries' dates. 1 when everything stored.
    int Save(const ListFileProgress& progress, const CBasicString& today, WorkerResult& end);

    // After a save: LIST_ROW_ADD or LIST_ROW_UPDATE with the stored list.
    int GetListRowChange() const { return m_rowChange; }
    int GetAddedCount() const { return m_added; }
    // The last save met a storage failure (the message says so): the rows
    // not stored are kept, and the editor stays open to save them again.
    bool IsSaveNotStored() const { return m_storageFailure != 0; }
    int GetRemovedCount() const { return m_removed; }

private:
    struct RowRecords {
        WordKeyRecord word;
        MeaningRecord meaning;
    };
    bool BuildRecords(const GridRow& row, RowRecords& records) const;
    bool SaveStoredRow(GridRow& row, const CBasicString& today);
    bool SaveNewRow(GridRow& row, int64_t& nextWord, int64_t& nextMeaning, const CBasicString& today);
    WordLinkRecord MakeLink(const GridRow& row, const CBasicString& today) const;
    void RemoveKeptEntries();
    // A write whose storage failure is remembered for the save.
    int Store(const std::function<int()>& write);
    struct SavedState {
        std::vector<GridRow> rows;
        VocabularyListRecord list;
        int mode;
        std::vector<int64_t> removedLinks;
        int added;
        int removed;
        bool nameChanged;
        bool modified;
    };
    SavedState TakeState() const;
    void RestoreState(SavedState&& state);
    static void SetStorageFailureText(WorkerResult& end);
    const VocabularyListRecord* FindListByName(const CBasicString& name) const;
    void SetEndText(WorkerResult& end, bool merged, bool ok, bool cancelled) const;

    CAbstractDataBase* m_database;
    int m_mode = LIST_EDIT_CREATE;
    VocabularyListRecord m_list;
    CBasicString m_name;
    CBasicString m_importPath;
    int m_importKind = LIST_FILE_TAB;
    int m_importLongLine = 0;
    int m_wordsLanguage = 0;
    int m_meaningsLanguage = 0;
    std::vector<GridRow> m_rows;
    std::vector<VocabularyListRecord> m_listNames;
    std::vector<int64_t> m_removedLinks;
    int m_added = 0;
    int m_removed = 0;
    bool m_nameChanged = false;
    bool m_modified = false;
    int m_rowChange = LIST_ROW_NONE;
    int m_storageFailure = 0;  // the first storage failure of the running save
    int m_importedCount = 0;
};
