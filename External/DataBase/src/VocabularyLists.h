#pragma once
// CVocabularyLists: the vocabulary lists and their entries (a word with one
// of its meanings, its learning status and dates), the queries over them
// and their statistics.

#include <cstdint>

#include "DataBase/AbstractDataBase.h"
#include "DataFileConnections.h"

class CVocabularyLists {
public:
    explicit CVocabularyLists(CDataFileConnections& file) : m_file(file) {}

    int64_t CreateVocabularyList(VocabularyListRecord& list);
    int UpdateVocabularyList(const VocabularyListRecord& list);
    int DeleteVocabularyList(int64_t listId, int all);
    CAbstractRecordSet* QueryVocabularyLists(int kind, const wchar_t* name);
    int AddListEntry(WordLinkRecord& link, int flags);
    int SaveWordLink(const WordLinkRecord& link, int flags);
    int SetWordStatus(int status, int64_t linkId, int action);
    int UpdateListEntry(WordLinkRecord& link, int flags);
    CAbstractRecordSet* QueryWords(const CQueryOptions& options);
    int ReadWord(CAbstractRecordSet* set, WordRecord& word);
    int GetStatistics(StatisticsRecord& statistics);
    CAbstractRecordSet* QueryListPairs(int64_t listId);
    int FindLanguage(const VocabularyListRecord& list, int kind);

private:
    CDataFileConnections& m_file;
};
