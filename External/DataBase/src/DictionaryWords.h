#pragma once
// CDictionaryWords: the dictionary's words and what hangs on them - their
// languages, meanings and meaning types, pronunciations and pictures,
// synonyms, antonyms and acronyms, the search history - and the searches
// over them, for the current language pair.

#include <atomic>
#include <mutex>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "DataFileConnections.h"

class CDictionaryWords {
public:
    explicit CDictionaryWords(CDataFileConnections& file) : m_file(file) {}

    int SetLanguagePair(LanguagePair pair);
    std::vector<LanguageRecord> GetLanguages(int reload);
    int AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath, int* newId, int reserved);
    int UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath);
    int DeleteLanguage(int languageId);
    // The languages are read again at the next GetLanguages.
    void ForgetLanguages();

    int AddWord(WordKeyRecord& word);
    int AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored);
    int UpdateWord(const WordKeyRecord& word);
    int UpdateMeaning(const MeaningRecord& meaning);
    int DeleteMeaning(int64_t meaningId);
    int GetWordPicture(int64_t wordId, PictureRecord& picture);
    int SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath);
    int DeletePronunciation(int64_t soundId);
    CAbstractRecordSet* QueryPronunciations(int64_t ownerId, int side);
    int AddAcronym(AcronymRecord& acronym, int flags);
    int UpdateAcronym(AcronymRecord& acronym);
    int DeleteAcronym(int64_t acronymId);
    int AddAntonym(RelationRecord& relation, int flags);
    int UpdateAntonym(RelationRecord& relation);
    int DeleteAntonym(int64_t relationId);
    int AddSynonym(RelationRecord& relation, int flags);
    int UpdateSynonym(RelationRecord& relation);
    int DeleteSynonym(int64_t relationId);
    int AddHistoryEntry(const HistoryRecord& entry);
    CAbstractRecordSet* QueryHistory(int64_t position, int count);
    CAbstractRecordSet* SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1, int reserved2);
    CAbstractRecordSet* Search(const wchar_t* text, int kind, int reserved1, int reserved2);
    int GetNextId(int kind, int64_t& id);
    int GetHistoryCount(int kind, int64_t& count, int reserved1, int reserved2);
    int AddMeanType(MeanTypeRecord& type);
    int UpdateMeanType(const MeanTypeRecord& type);
    CAbstractRecordSet* QueryMeanTypes();
    CAbstractRecordSet* QueryMeanings(const WordKeyRecord& word, int kind);
    CAbstractRecordSet* QuerySynonyms(const WordKeyRecord& word, int kind);
    CAbstractRecordSet* QueryAcronyms(const WordKeyRecord& word, int kind);
    CAbstractRecordSet* QueryAntonyms(const WordKeyRecord& word, int kind);

private:
    int AddRelation(int kind, RelationRecord& relation);
    int UpdateRelation(int kind, RelationRecord& relation);
    CAbstractRecordSet* QueryRelations(int kind, const WordKeyRecord& word);

    CDataFileConnections& m_file;

    // One value, so that a reader never sees half of a change.
    std::atomic<LanguagePair> m_languagePair{LanguagePair{}};
    static_assert(std::atomic<LanguagePair>::is_always_lock_free);

    std::mutex m_languageLock;
    bool m_languagesLoaded = false;
    std::vector<LanguageRecord> m_languages;
};
