#pragma once
// VocabularyListExport: the tutor page's export of one stored list to a
// list file. The page takes the list and the chosen path on its own thread
// when the job starts; the job writes the file from them alone.

#include <cstdint>

#include "Pendrel/App/WorkerResult.h"
#include "utility/BasicString.h"

class CAbstractDataBase;
struct ListFileProgress;

class VocabularyListExport {
public:
    // Why an export cannot start.
    enum Check { kReady = 0, kEmptyPath, kUnknownKind };

    // The list listId to path; the separator kind by the path's extension.
    VocabularyListExport(int64_t listId, const CBasicString& path);

    // kEmptyPath (the page says 31106), kUnknownKind (neither "txt" nor
    // "csv": an internal check) or kReady.
    Check GetCheck() const;
    int64_t GetListId() const { return m_listId; }
    const CBasicString& GetPath() const { return m_path; }
    int GetKind() const { return m_kind; }

    // Writes the file on the worker (VocabularyListFile.h); the message the
    // page shows at the end.
    WorkerResult Run(CAbstractDataBase* database, const ListFileProgress& progress) const;

private:
    int64_t m_listId;
    CBasicString m_path;
    int m_kind;
};
