#include "SqliteDataBase.h"

CSqliteDataBase::CSqliteDataBase(CAbstractProgressStatus* progress, CAbstractLinkTable* links)
    : m_words(m_file), m_lists(m_file), m_sync(m_file, m_words, progress, links)
{
}

CSqliteDataBase::~CSqliteDataBase() = default;

void CSqliteDataBase::SetBusyTimeoutForTests(int milliseconds)
{
    CDataFileConnections::SetBusyTimeoutForTests(milliseconds);
}

void CSqliteDataBase::SetFileLayerForTests(const char* vfsName)
{
    CDataFileConnections::SetFileLayerForTests(vfsName);
}

void CSqliteDataBase::AbandonThreadTransaction(std::thread::id thread)
{
    m_file.AbandonThreadTransaction(thread);
}

int CSqliteDataBase::Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path)
{
    m_words.ForgetLanguages();
    return m_file.Open(options, path);
}

std::vector<PluginEntry> CSqliteDataBase::GetPlugins()
{
    std::lock_guard<std::mutex> lock(m_pluginLock);
    return m_plugins;
}

int CSqliteDataBase::SetPlugins(const std::vector<PluginEntry>& plugins)
{
    std::lock_guard<std::mutex> lock(m_pluginLock);
    m_plugins = plugins;
    return DATABASE_OK;
}

int CSqliteDataBase::Transaction(int action)
{
    return m_file.Transaction(action);
}

void CSqliteDataBase::ReleaseRecordSet(CAbstractRecordSet* set)
{
    delete set;
}

CBasicString CSqliteDataBase::GetDictionaryPath()
{
    return m_file.GetPath();
}

int CSqliteDataBase::IsDictionaryOpen()
{
    return m_file.IsOpen() ? 1 : 0;
}

int CSqliteDataBase::Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction)
{
    return m_sync.Synchronize(http, email, password, direction);
}

int CSqliteDataBase::SetLanguagePair(LanguagePair pair)
{
    return m_words.SetLanguagePair(pair);
}

std::vector<LanguageRecord> CSqliteDataBase::GetLanguages(int reload)
{
    return m_words.GetLanguages(reload);
}

int CSqliteDataBase::AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath, int* newId, int reserved)
{
    return m_words.AddLanguage(name, code, flags, picturePath, newId, reserved);
}

int CSqliteDataBase::UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath)
{
    return m_words.UpdateLanguage(language, picturePath);
}

int CSqliteDataBase::DeleteLanguage(int languageId)
{
    return m_words.DeleteLanguage(languageId);
}

int CSqliteDataBase::AddWord(WordKeyRecord& word)
{
    return m_words.AddWord(word);
}

int CSqliteDataBase::AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored)
{
    return m_words.AddMeaning(word, meaning, wordStored);
}

int CSqliteDataBase::UpdateWord(const WordKeyRecord& word)
{
    return m_words.UpdateWord(word);
}

int CSqliteDataBase::UpdateMeaning(const MeaningRecord& meaning)
{
    return m_words.UpdateMeaning(meaning);
}

int CSqliteDataBase::DeleteMeaning(int64_t meaningId)
{
    return m_words.DeleteMeaning(meaningId);
}

int CSqliteDataBase::GetWordPicture(int64_t wordId, PictureRecord& picture)
{
    return m_words.GetWordPicture(wordId, picture);
}

int CSqliteDataBase::SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath)
{
    return m_words.SavePronunciation(sound, soundPath);
}

int CSqliteDataBase::DeletePronunciation(int64_t soundId)
{
    return m_words.DeletePronunciation(soundId);
}

int64_t CSqliteDataBase::CreateVocabularyList(VocabularyListRecord& list)
{
    return m_lists.CreateVocabularyList(list);
}

int CSqliteDataBase::UpdateVocabularyList(const VocabularyListRecord& list)
{
    return m_lists.UpdateVocabularyList(list);
}

int CSqliteDataBase::DeleteVocabularyList(int64_t listId, int all)
{
    return m_lists.DeleteVocabularyList(listId, all);
}

CAbstractRecordSet* CSqliteDataBase::QueryVocabularyLists(int kind, const wchar_t* name)
{
    return m_lists.QueryVocabularyLists(kind, name);
}

int CSqliteDataBase::AddListEntry(WordLinkRecord& link, int flags)
{
    return m_lists.AddListEntry(link, flags);
}

int CSqliteDataBase::SaveWordLink(const WordLinkRecord& link, int flags)
{
    return m_lists.SaveWordLink(link, flags);
}

int CSqliteDataBase::SetWordStatus(int status, int64_t linkId, int action)
{
    return m_lists.SetWordStatus(status, linkId, action);
}

int CSqliteDataBase::UpdateListEntry(WordLinkRecord& link, int flags)
{
    return m_lists.UpdateListEntry(link, flags);
}

int CSqliteDataBase::AddAcronym(AcronymRecord& acronym, int flags)
{
    return m_words.AddAcronym(acronym, flags);
}

int CSqliteDataBase::UpdateAcronym(AcronymRecord& acronym)
{
    return m_words.UpdateAcronym(acronym);
}

int CSqliteDataBase::DeleteAcronym(int64_t acronymId)
{
    return m_words.DeleteAcronym(acronymId);
}

int CSqliteDataBase::AddAntonym(RelationRecord& relation, int flags)
{
    return m_words.AddAntonym(relation, flags);
}

int CSqliteDataBase::UpdateAntonym(RelationRecord& relation)
{
    return m_words.UpdateAntonym(relation);
}

int CSqliteDataBase::DeleteAntonym(int64_t relationId)
{
    return m_words.DeleteAntonym(relationId);
}

int CSqliteDataBase::AddSynonym(RelationRecord& relation, int flags)
{
    return m_words.AddSynonym(relation, flags);
}

int CSqliteDataBase::UpdateSynonym(RelationRecord& relation)
{
    return m_words.UpdateSynonym(relation);
}

int CSqliteDataBase::DeleteSynonym(int64_t relationId)
{
    return m_words.DeleteSynonym(relationId);
}

int CSqliteDataBase::AddHistoryEntry(const HistoryRecord& entry)
{
    return m_words.AddHistoryEntry(entry);
}

CAbstractRecordSet* CSqliteDataBase::QueryHistory(int64_t position, int count)
{
    return m_words.QueryHistory(position, count);
}

CAbstractRecordSet* CSqliteDataBase::QueryWords(const CQueryOptions& options)
{
    return m_lists.QueryWords(options);
}

CAbstractRecordSet* CSqliteDataBase::SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1,
                                                  int reserved2)
{
    return m_words.SearchInPair(pair, text, kind, reserved1, reserved2);
}

CAbstractRecordSet* CSqliteDataBase::Search(const wchar_t* text, int kind, int reserved1, int reserved2)
{
    return m_words.Search(text, kind, reserved1, reserved2);
}

int CSqliteDataBase::ReadWord(CAbstractRecordSet* set, WordRecord& word)
{
    return m_lists.ReadWord(set, word);
}

int CSqliteDataBase::GetNextId(int kind, int64_t& id)
{
    return m_words.GetNextId(kind, id);
}

int CSqliteDataBase::GetHistoryCount(int kind, int64_t& count, int reserved1, int reserved2)
{
    return m_words.GetHistoryCount(kind, count, reserved1, reserved2);
}

int CSqliteDataBase::GetStatistics(StatisticsRecord& statistics)
{
    return m_lists.GetStatistics(statistics);
}

CAbstractRecordSet* CSqliteDataBase::QueryListPairs(int64_t listId)
{
    return m_lists.QueryListPairs(listId);
}

CAbstractRecordSet* CSqliteDataBase::QueryPronunciations(int64_t ownerId, int side)
{
    return m_words.QueryPronunciations(ownerId, side);
}

int CSqliteDataBase::FindLanguage(const VocabularyListRecord& list, int kind)
{
    return m_lists.FindLanguage(list, kind);
}

int CSqliteDataBase::AddMeanType(MeanTypeRecord& type)
{
    return m_words.AddMeanType(type);
}

int CSqliteDataBase::UpdateMeanType(const MeanTypeRecord& type)
{
    return m_words.UpdateMeanType(type);
}

CAbstractRecordSet* CSqliteDataBase::QueryMeanTypes()
{
    return m_words.QueryMeanTypes();
}

CAbstractRecordSet* CSqliteDataBase::QueryMeanings(const WordKeyRecord& word, int kind)
{
    return m_words.QueryMeanings(word, kind);
}

CAbstractRecordSet* CSqliteDataBase::QuerySynonyms(const WordKeyRecord& word, int kind)
{
    return m_words.QuerySynonyms(word, kind);
}

CAbstractRecordSet* CSqliteDataBase::QueryAcronyms(const WordKeyRecord& word, int kind)
{
    return m_words.QueryAcronyms(word, kind);
}

CAbstractRecordSet* CSqliteDataBase::QueryAntonyms(const WordKeyRecord& word, int kind)
{
    return m_words.QueryAntonyms(word, kind);
}
