#pragma once
// A database object for tests: every call goes on to a real one and its
// name is written down; a chosen call can be made to fail, with a result
// or by throwing as a storage failure does, and the meaning types can be
// hidden so that the database looks as if it had none.

#include <functional>
#include <string>
#include <vector>

#include "DataBase/AbstractDataBase.h"

class CRecordingDataBase : public CAbstractDataBase {
public:
    explicit CRecordingDataBase(CAbstractDataBase& inner) : m_inner(inner) {}

    // The names of the calls so far, in order.
    const std::vector<std::string>& Calls() const { return m_calls; }
    // The calls whose names are in the list, in order.
    std::vector<std::string> CallsOf(const std::vector<std::string>& names) const {
        std::vector<std::string> kept;
        for (const std::string& call : m_calls)
            for (const std::string& name : names)
                if (call == name) kept.push_back(call);
        return kept;
    }
    void ClearCalls() { m_calls.clear(); }
    // The next call of that name gives the result instead of running (0:
    // no failure).
    void FailNext(const std::string& name, int result) {
        m_failName = name;
        m_failResult = result;
        m_throw = false;
    }
    // The next call of that name throws the result as a DATABASE_RESULT.
    void ThrowNext(const std::string& name, DATABASE_RESULT result) {
        m_failName = name;
        m_failResult = result;
        m_throw = true;
    }
    void HideMeanTypes(bool hide) { m_noMeanTypes = hide; }

    int Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path) override {
        return Note("Open", [&] { return m_inner.Open(options, path); });
    }
    std::vector<PluginEntry> GetPlugins() override {
        Record("GetPlugins");
        return m_inner.GetPlugins();
    }
    int SetPlugins(const std::vector<PluginEntry>& plugins) override {
        return Note("SetPlugins", [&] { return m_inner.SetPlugins(plugins); });
    }
    int SetLanguagePair(LanguagePair pair) override {
        return Note("SetLanguagePair", [&] { return m_inner.SetLanguagePair(pair); });
    }
    std::vector<LanguageRecord> GetLanguages(int reload) override {
        Record("GetLanguages");
        return m_inner.GetLanguages(reload);
    }
    int AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath, int* newId,
                    int reserved) override {
        return Note("AddLanguage",
                    [&] { return m_inner.AddLanguage(name, code, flags, picturePath, newId, reserved); });
    }
    int UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath) override {
        return Note("UpdateLanguage", [&] { return m_inner.UpdateLanguage(language, picturePath); });
    }
    int DeleteLanguage(int languageId) override {
        return Note("DeleteLanguage", [&] { return m_inner.DeleteLanguage(languageId); });
    }
    int AddWord(WordKeyRecord& word) override {
        return Note("AddWord", [&] { return m_inner.AddWord(word); });
    }
    int AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored) override {
        return Note("AddMeaning", [&] { return m_inner.AddMeaning(word, meaning, wordStored); });
    }
    int UpdateWord(const WordKeyRecord& word) override {
        return Note("UpdateWord", [&] { return m_inner.UpdateWord(word); });
    }
    int UpdateMeaning(const MeaningRecord& meaning) override {
        return Note("UpdateMeaning", [&] { return m_inner.UpdateMeaning(meaning); });
    }
    int GetWordPicture(int64_t wordId, PictureRecord& picture) override {
        return Note("GetWordPicture", [&] { return m_inner.GetWordPicture(wordId, picture); });
    }
    int SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath) override {
        return Note("SavePronunciation", [&] { return m_inner.SavePronunciation(sound, soundPath); });
    }
    int DeletePronunciation(int64_t soundId) override {
        return Note("DeletePronunciation", [&] { return m_inner.DeletePronunciation(soundId); });
    }
    int64_t CreateVocabularyList(VocabularyListRecord& list) override {
        Record("CreateVocabularyList");
        return m_inner.CreateVocabularyList(list);
    }
    int UpdateVocabularyList(const VocabularyListRecord& list) override {
        return Note("UpdateVocabularyList", [&] { return m_inner.UpdateVocabularyList(list); });
    }
    int DeleteVocabularyList(int64_t listId, int all) override {
        return Note("DeleteVocabularyList", [&] { return m_inner.DeleteVocabularyList(listId, all); });
    }
    CAbstractRecordSet* QueryVocabularyLists(int kind, const wchar_t* name) override {
        Record("QueryVocabularyLists");
        return m_inner.QueryVocabularyLists(kind, name);
    }
    int AddListEntry(WordLinkRecord& link, int flags) override {
        return Note("AddListEntry", [&] { return m_inner.AddListEntry(link, flags); });
    }
    int SaveWordLink(const WordLinkRecord& link, int flags) override {
        return Note("SaveWordLink", [&] { return m_inner.SaveWordLink(link, flags); });
    }
    int SetWordStatus(int status, int64_t linkId, int action) override {
        return Note("SetWordStatus", [&] { return m_inner.SetWordStatus(status, linkId, action); });
    }
    int UpdateListEntry(WordLinkRecord& link, int flags) override {
        return Note("UpdateListEntry", [&] { return m_inner.UpdateListEntry(link, flags); });
    }
    int AddAcronym(AcronymRecord& acronym, int flags) override {
        return Note("AddAcronym", [&] { return m_inner.AddAcronym(acronym, flags); });
    }
    int UpdateAcronym(AcronymRecord& acronym) override {
        return Note("UpdateAcronym", [&] { return m_inner.UpdateAcronym(acronym); });
    }
    int DeleteAcronym(int64_t acronymId) override {
        return Note("DeleteAcronym", [&] { return m_inner.DeleteAcronym(acronymId); });
    }
    int AddAntonym(RelationRecord& relation, int flags) override {
        return Note("AddAntonym", [&] { return m_inner.AddAntonym(relation, flags); });
    }
    int UpdateAntonym(RelationRecord& relation) override {
        return Note("UpdateAntonym", [&] { return m_inner.UpdateAntonym(relation); });
    }
    int DeleteAntonym(int64_t relationId) override {
        return Note("DeleteAntonym", [&] { return m_inner.DeleteAntonym(relationId); });
    }
    int AddSynonym(RelationRecord& relation, int flags) override {
        return Note("AddSynonym", [&] { return m_inner.AddSynonym(relation, flags); });
    }
    int UpdateSynonym(RelationRecord& relation) override {
        return Note("UpdateSynonym", [&] { return m_inner.UpdateSynonym(relation); });
    }
    int DeleteSynonym(int64_t relationId) override {
        return Note("DeleteSynonym", [&] { return m_inner.DeleteSynonym(relationId); });
    }
    int AddHistoryEntry(const HistoryRecord& entry) override {
        return Note("AddHistoryEntry", [&] { return m_inner.AddHistoryEntry(entry); });
    }
    CAbstractRecordSet* QueryHistory(int64_t position, int count) override {
        Record("QueryHistory");
        return m_inner.QueryHistory(position, count);
    }
    CAbstractRecordSet* QueryWords(const CQueryOptions& options) override {
        Record("QueryWords");
        return m_inner.QueryWords(options);
    }
    CAbstractRecordSet* SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1,
                                     int reserved2) override {
        Record("SearchInPair");
        return m_inner.SearchInPair(pair, text, kind, reserved1, reserved2);
    }
    CAbstractRecordSet* Search(const wchar_t* text, int kind, int reserved1, int reserved2) override {
        Record("Search");
        return m_inner.Search(text, kind, reserved1, reserved2);
    }
    int ReadWord(CAbstractRecordSet* set, WordRecord& word) override {
        return Note("ReadWord", [&] { return m_inner.ReadWord(set, word); });
    }
    int GetNextId(int kind, int64_t& id) override {
        return Note("GetNextId", [&] { return m_inner.GetNextId(kind, id); });
    }
    int GetHistoryCount(int kind, int64_t& count, int reserved1, int reserved2) override {
        return Note("GetHistoryCount", [&] { return m_inner.GetHistoryCount(kind, count, reserved1, reserved2); });
    }
    int GetStatistics(StatisticsRecord& statistics) override {
        return Note("GetStatistics", [&] { return m_inner.GetStatistics(statistics); });
    }
    CAbstractRecordSet* QueryListPairs(int64_t listId) override {
        Record("QueryListPairs");
        return m_inner.QueryListPairs(listId);
    }
    CAbstractRecordSet* QueryPronunciations(int64_t ownerId, int side) override {
        Record("QueryPronunciations");
        return m_inner.QueryPronunciations(ownerId, side);
    }
    int Transaction(int action) override {
        return Note("Transaction", [&] { return m_inner.Transaction(action); });
    }
    int FindLanguage(const VocabularyListRecord& list, int kind) override {
        return Note("FindLanguage", [&] { return m_inner.FindLanguage(list, kind); });
    }
    void ReleaseRecordSet(CAbstractRecordSet* set) override { m_inner.ReleaseRecordSet(set); }
    CBasicString GetDictionaryPath() override {
        Record("GetDictionaryPath");
        return m_inner.GetDictionaryPath();
    }
    int IsDictionaryOpen() override {
        return Note("IsDictionaryOpen", [&] { return m_inner.IsDictionaryOpen(); });
    }
    int AddMeanType(MeanTypeRecord& type) override {
        return Note("AddMeanType", [&] { return m_inner.AddMeanType(type); });
    }
    int UpdateMeanType(const MeanTypeRecord& type) override {
        return Note("UpdateMeanType", [&] { return m_inner.UpdateMeanType(type); });
    }
    CAbstractRecordSet* QueryMeanTypes() override {
        Record("QueryMeanTypes");
        return m_noMeanTypes ? nullptr : m_inner.QueryMeanTypes();
    }
    int Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction) override {
        return Note("Synchronize", [&] { return m_inner.Synchronize(http, email, password, direction); });
    }
    CAbstractRecordSet* QueryMeanings(const WordKeyRecord& word, int kind) override {
        Record("QueryMeanings");
        return m_inner.QueryMeanings(word, kind);
    }
    CAbstractRecordSet* QuerySynonyms(const WordKeyRecord& word, int kind) override {
        Record("QuerySynonyms");
        return m_inner.QuerySynonyms(word, kind);
    }
    CAbstractRecordSet* QueryAcronyms(const WordKeyRecord& word, int kind) override {
        Record("QueryAcronyms");
        return m_inner.QueryAcronyms(word, kind);
    }
    CAbstractRecordSet* QueryAntonyms(const WordKeyRecord& word, int kind) override {
        Record("QueryAntonyms");
        return m_inner.QueryAntonyms(word, kind);
    }
    int DeleteMeaning(int64_t meaningId) override {
        return Note("DeleteMeaning", [&] { return m_inner.DeleteMeaning(meaningId); });
    }

private:
    void Record(const char* name) { m_calls.emplace_back(name); }
    int Note(const char* name, const std::function<int()>& call) {
        Record(name);
        if (!m_failName.empty() && m_failName == name) {
            m_failName.clear();
            if (m_throw) throw static_cast<DATABASE_RESULT>(m_failResult);
            return m_failResult;
        }
        return call();
    }

    CAbstractDataBase& m_inner;
    std::vector<std::string> m_calls;
    std::string m_failName;
    int m_failResult = 0;
    bool m_throw = false;
    bool m_noMeanTypes = false;
};
