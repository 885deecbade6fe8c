#include "Quenzel/Tutor/VocabularyListExport.h"

#include "Quenzel/Tutor/VocabularyListFile.h"

VocabularyListExport::VocabularyListExport(int64_t listId, const CBasicString& path)
    : m_listId(listId), m_path(path), m_kind(path.IsEmpty() ? 0 : GetListFileKind(path.GetString())) {}

VocabularyListExport::Check VocabularyListExport::GetCheck() const {
    if (m_path.IsEmpty()) return kEmptyPath;
    return m_kind ? kReady : kUnknownKind;
}

WorkerResult VocabularyListExport::Run(CAbstractDataBase* database, const ListFileProgress& progress) const {
    WorkerResult end;
    ExportVocabularyList(database, m_listId, m_path.GetString(), m_kind, progress, end);
    return end;
}
