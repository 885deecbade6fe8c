#pragma once
// CSqliteDataBase: the database component over SQLite. Each call takes a
// connection of its own from a pool (so threads never share a connection
// at once); a thread's open transaction keeps its connection until the
// commit. The data file runs in WAL mode, so readers never wait for a
// writer.

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "SqliteConnection.h"

class CSqliteDataBase : public CAbstractDataBase {
public:
    CSqliteDataBase(CAbstractProgressStatus* progress, CAbstractLinkTable* links);
    ~CSqliteDataBase() override;

    int Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path) override;
    std::vector<PluginEntry> GetPlugins() override;
    int SetPlugins(const std::vector<PluginEntry>& plugins) override;
    int SetLanguagePair(int first, int second) override;
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
    class Lease;

    std::unique_ptr<SqliteConnection> Connect();
    void CloseAll();
    // A write of several statements runs in a savepoint (or a transaction
    // of its own); a write of one statement is atomic by itself.
    enum WriteKind { kSteps, kOneStatement };
    template <class Body>
    int Write(Body&& body, WriteKind kind = kSteps);
    // A read of several statements sees one snapshot of the file.
    template <class Body>
    CAbstractRecordSet* Query(Body&& body, bool snapshot = false);
    template <class Body>
    int Read(Body&& body, bool snapshot = false);
    int AddRelation(int kind, RelationRecord& relation);
    int UpdateRelation(int kind, RelationRecord& relation);
    int DeleteRow(const char* sql, int64_t id);
    CAbstractRecordSet* QueryRelations(int kind, const WordKeyRecord& word);
    void ForgetLanguages();

    std::shared_mutex m_openLock;  // shared by every call, exclusive for Open and the end
    bool m_open = false;
    std::string m_path;  // UTF-8
    CBasicString m_widePath;

    std::mutex m_poolLock;
    std::vector<std::unique_ptr<SqliteConnection>> m_idle;
    std::unordered_map<std::thread::id, std::unique_ptr<SqliteConnection>> m_pinned;

    std::atomic<int> m_firstLanguage{0};
    std::atomic<int> m_secondLanguage{0};

    std::mutex m_languageLock;
    bool m_languagesLoaded = false;
    std::vector<LanguageRecord> m_languages;

    std::mutex m_pluginLock;
    std::vector<PluginEntry> m_plugins;

    CAbstractProgressStatus* m_progress;  // may be null
    CAbstractLinkTable* m_links;          // may be null
};
