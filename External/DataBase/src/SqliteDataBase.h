#pragma once
// CSqliteDataBase: the database component over SQLite. It answers the
// component's interface through the parts that hold its concerns: the data
// file and its connections (DataFileConnections.h), the dictionary's words
// (DictionaryWords.h), the vocabulary lists (VocabularyLists.h) and
// synchronisation (DataBaseSync.h).

#include <mutex>
#include <thread>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "DataBaseSync.h"
#include "DataFileConnections.h"
#include "DictionaryWords.h"
#include "VocabularyLists.h"

class CSqliteDataBase : public CAbstractDataBase {
public:
    CSqliteDataBase(CAbstractProgressStatus* progress, CAbstractLinkTable* links);
    ~CSqliteDataBase() override;

    int Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path) override;
    std::vector<PluginEntry> GetPlugins() override;
    int SetPlugins(const std::vector<PluginEntry>& plugins) override;
    int SetLanguagePair(LanguagePair pair) override;
    std::vector<LanguageRecord> GetLanguages(int reload) override;
    int AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath, int* newId,
                    int reserved) override;
    int UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath) override;
    int DeleteLanguage(int languageId) override;
    int AddWord(WordKeyRecord& word) override;
    int AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored) override;
    int UpdateWord(const WordKeyRecord& word) override;
    int UpdateMeaning(const MeaningRecord& meaning) override;
    int DeleteMeaning(int64_t meaningId) override;
    int GetWordPicture(int64_t wordId, PictureRecord& picture) override;
    int SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath) override;
    int DeletePronunciation(int64_t soundId) override;
    int64_t CreateVocabularyList(VocabularyListRecord& list) override;
    int UpdateVocabularyList(const VocabularyListRecord& list) override;
    int DeleteVocabularyList(int64_t listId, int all) override;
    CAbstractRecordSet* QueryVocabularyLists(int kind, const wchar_t* name) override;
    int AddListEntry(WordLinkRecord& link, int flags) override;
    int SaveWordLink(const WordLinkRecord& link, int flags) override;
    int SetWordStatus(int status, int64_t linkId, int action) override;
    int UpdateListEntry(WordLinkRecord& link, int flags) override;
    int AddAcronym(AcronymRecord& acronym, int flags) override;
    int UpdateAcronym(AcronymRecord& acronym) override;
    int DeleteAcronym(int64_t acronymId) override;
    int AddAntonym(RelationRecord& relation, int flags) override;
    int UpdateAntonym(RelationRecord& relation) override;
    int DeleteAntonym(int64_t relationId) override;
    int AddSynonym(RelationRecord& relation, int flags) override;
    int UpdateSynonym(RelationRecord& relation) override;
    int DeleteSynonym(int64_t relationId) override;
    int AddHistoryEntry(const HistoryRecord& entry) override;
    CAbstractRecordSet* QueryHistory(int64_t position, int count) override;
    CAbstractRecordSet* QueryWords(const CQueryOptions& options) override;
    CAbstractRecordSet* SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1,
                                     int reserved2) override;
    CAbstractRecordSet* Search(const wchar_t* text, int kind, int reserved1, int reserved2) override;
    int ReadWord(CAbstractRecordSet* set, WordRecord& word) override;
    int GetNextId(int kind, int64_t& id) override;
    int GetHistoryCount(int kind, int64_t& count, int reserved1, int reserved2) override;
    int GetStatistics(StatisticsRecord& statistics) override;
    CAbstractRecordSet* QueryListPairs(int64_t listId) override;
    CAbstractRecordSet* QueryPronunciations(int64_t ownerId, int side) override;
    int Transaction(int action) override;
    int FindLanguage(const VocabularyListRecord& list, int kind) override;
    void ReleaseRecordSet(CAbstractRecordSet* set) override;
    CBasicString GetDictionaryPath() override;
    int IsDictionaryOpen() override;
    int AddMeanType(MeanTypeRecord& type) override;
    int UpdateMeanType(const MeanTypeRecord& type) override;
    CAbstractRecordSet* QueryMeanTypes() override;
    int Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction) override;
    CAbstractRecordSet* QueryMeanings(const WordKeyRecord& word, int kind) override;
    CAbstractRecordSet* QuerySynonyms(const WordKeyRecord& word, int kind) override;
    CAbstractRecordSet* QueryAcronyms(const WordKeyRecord& word, int kind) override;
    CAbstractRecordSet* QueryAntonyms(const WordKeyRecord& word, int kind) override;

    // Rolls back and drops the transaction that thread left open (the
    // thread ended).
    void AbandonThreadTransaction(std::thread::id thread);
    // How long a write waits for another writer before it fails.
    static void SetBusyTimeoutForTests(int milliseconds);
    // The SQLite file layer (a registered VFS name) of the data files opened
    // from now on; null for the default.
    static void SetFileLayerForTests(const char* vfsName);

private:
    // Declared first: the stores work on it and end before it.
    CDataFileConnections m_file;
    CDictionaryWords m_words;
    CVocabularyLists m_lists;
    CDataBaseSync m_sync;

    std::mutex m_pluginLock;
    std::vector<PluginEntry> m_plugins;
};
