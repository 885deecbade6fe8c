#pragma once
// CAbstractDataBase: the database component "DataBase.dll" (libDataBase.so),
// which keeps the languages, the dictionary (words, meanings, meaning types,
// synonyms, antonyms, acronyms, pronunciations, pictures), the vocabulary
// lists with their entries and status counts, and the search history. The
// program loads the library at run time and looks up CreateDataBase and
// DeleteDataBase by name.
//
// One object serves every thread at once. Texts are copied by the callee.
// Text matching ignores case by full Unicode case folding ("Über" and
// "über", "STRASSE" and "straße" are one word). Texts holding NUL are
// refused (DATABASE_INVALID_ARGUMENT), never cut. A query gives a CAbstractRecordSet (null on failure) that owns
// its values and is freed with ReleaseRecordSet. Int results are
// DATABASE_RESULT codes; every write is atomic, and a write that meets a
// storage failure undoes itself and throws the code as a DATABASE_RESULT.
//
// A transaction (Transaction) belongs to the thread that began it: the
// writes of that thread join it until it commits; other threads go on
// reading the last committed state, and their writes wait for the commit.

#include <cstdint>
#include <vector>

#include "DataBase/AbstractLinkTable.h"
#include "DataBase/AbstractRecordSet.h"
#include "DataBase/DataBaseRecords.h"
#include "DataBase/DataBaseResult.h"
#include "DataBase/LanguagePair.h"
#include "DataBase/QueryOptions.h"

class CAbstractFile;
class CAbstractProgressStatus;

// Open's options; the program passes {1, 0}.
struct DATABASE_OPEN_OPTIONS {
    int createMissing = 1;  // 1: a missing file is made as a fresh database
    int reserved = 0;
};

// Search kinds.
enum {
    SEARCH_FIRST_LANGUAGE_PREFIX = 1,   // (id, text): words of the first language that begin with the text
    SEARCH_SECOND_LANGUAGE_PREFIX = 2,  // (id, text): texts of the second language that begin with it
    SEARCH_PREVIOUS_WORDS = 3,          // (word id, word, meaning id, meaning): the words before the text, nearest first
    SEARCH_NEXT_WORDS = 4,              // the same for the words after the text
    SEARCH_WORD = 5,                    // the same for the words that begin with the text
    SEARCH_WORD_USES = 6,               // (count): how many entries, meanings and relations use the word whose id the text holds
    SEARCH_TEXT_EXISTS = 7              // (count): how many words of any language have the text
};

// GetNextId kinds.
enum { NEXT_ID_WORD = 1, NEXT_ID_MEANING = 2 };

// Relation query kind: every row of the word.
constexpr int kQueryAllOfWord = 1;

// QueryVocabularyLists kinds.
enum { LIST_QUERY_EDITABLE = 2, LIST_QUERY_ALL = 12 };

// Transaction actions.
enum { TRANSACTION_BEGIN = 0, TRANSACTION_COMMIT = 1 };

// FindLanguage kind: a list that uses the language of the record's ids.
constexpr int kFindLanguageInLists = 13;

// UpdateListEntry flag: look the entry up only.
constexpr int kListEntryLookUp = 8;

// SetWordStatus actions.
enum { WORD_STATUS_SET = 1, WORD_STATUS_REMOVE = 2 };

class CAbstractDataBase {
public:
    virtual ~CAbstractDataBase() {}

    // Opens the data file (closing one open before); a missing file is made
    // and seeded with the languages and the meaning types when
    // options.createMissing is 1. DATABASE_NOT_A_DATABASE for a damaged or
    // foreign file (also one whose tables, columns or indexes are missing),
    // DATABASE_NEWER_VERSION for a file of a newer component,
    // DATABASE_READ_ONLY when the file, its folder or its log files cannot
    // be written (nothing is made or changed then), DATABASE_STORAGE_FAILED
    // when the file or its folder cannot be reached.
    virtual int Open(const DATABASE_OPEN_OPTIONS& options, const wchar_t* path) = 0;

    // The search plug-ins, as the program last set them.
    virtual std::vector<PluginEntry> GetPlugins() = 0;
    virtual int SetPlugins(const std::vector<PluginEntry>& plugins) = 0;

    // The current pair: the one Search and QueryMeanings use. It is set
    // from the user-interface thread; a job on another thread takes the pair
    // it started with and calls SearchInPair.
    virtual int SetLanguagePair(LanguagePair pair) = 0;

    // The languages by id; reload 1 reads them again from the file.
    virtual std::vector<LanguageRecord> GetLanguages(int reload) = 0;
    // flags: kLanguageRightToLeft. picturePath: a PNG file for the flag, or
    // null or empty. newId (may be null) receives the new language's id.
    virtual int AddLanguage(const wchar_t* name, const wchar_t* code, int flags, const wchar_t* picturePath,
                            int* newId, int reserved) = 0;
    // Name, code and reading order of the record's id; the flag from
    // picturePath when that is not empty.
    virtual int UpdateLanguage(const LanguageRecord& language, const wchar_t* picturePath) = 0;
    // DATABASE_IN_USE while a list or a word uses the language.
    virtual int DeleteLanguage(int languageId) = 0;

    // Stores a word; an equal word (language and text, case ignored) is
    // reused. The word's id comes back in word.id: the id given when it was
    // free, else a new one.
    virtual int AddWord(WordKeyRecord& word) = 0;
    // Stores the meaning of a word (the word too unless wordStored is 1 and
    // word.id names a stored word); an equal meaning of the word is reused.
    // Both ids come back, and meaning.wordId is the word's.
    virtual int AddMeaning(WordKeyRecord& word, MeaningRecord& meaning, int wordStored) = 0;
    // New text and language of a stored word; DATABASE_EXISTS when another
    // word of that language has the text.
    virtual int UpdateWord(const WordKeyRecord& word) = 0;
    // New text, word, language and type of a stored meaning.
    virtual int UpdateMeaning(const MeaningRecord& meaning) = 0;

    // The picture of a word (a word of the picture language); DATABASE_NO_ROW
    // when it has none.
    virtual int GetWordPicture(int64_t wordId, PictureRecord& picture) = 0;

    // Stores a sound of sound.ownerId and sound.side: its bytes, or the file
    // soundPath when that is given. sound.id and sound.number come back.
    virtual int SavePronunciation(PronunciationRecord& sound, const wchar_t* soundPath) = 0;
    virtual int DeletePronunciation(int64_t soundId) = 0;

    // A new list; its id (also in list.id), or 0 on failure. A list's word
    // count is always the number of its entries.
    virtual int64_t CreateVocabularyList(VocabularyListRecord& list) = 0;
    virtual int UpdateVocabularyList(const VocabularyListRecord& list) = 0;
    // Deletes the list with its entries; all 1 deletes every list.
    virtual int DeleteVocabularyList(int64_t listId, int all) = 0;
    // (id, name, first language, second language, word count, editable,
    // second text) of the lists of the kind, by name; name (may be null or
    // empty) keeps the lists of that name only.
    virtual CAbstractRecordSet* QueryVocabularyLists(int kind, const wchar_t* name) = 0;

    // A new entry (list, word, meaning, status count, dates); link.linkId
    // comes back. DATABASE_EXISTS when the list holds that word and meaning.
    virtual int AddListEntry(WordLinkRecord& link, int flags) = 0;
    // Stores word, meaning, status count and status date of the entry
    // link.linkId; the date it was entered stays.
    virtual int SaveWordLink(const WordLinkRecord& link, int flags) = 0;
    // WORD_STATUS_REMOVE removes the entry linkId from its list;
    // WORD_STATUS_SET sets its status count.
    virtual int SetWordStatus(int status, int64_t linkId, int action) = 0;
    // Looks up the entry of link.listId for link.wordId and link.meaningId
    // and fills the record from it; changes nothing stored. DATABASE_NO_ROW
    // when the list has no such entry.
    virtual int UpdateListEntry(WordLinkRecord& link, int flags) = 0;

    virtual int AddAcronym(AcronymRecord& acronym, int flags) = 0;
    virtual int UpdateAcronym(AcronymRecord& acronym) = 0;
    virtual int DeleteAcronym(int64_t acronymId) = 0;
    // A relation joins two stored words; the related word is found or
    // stored by its text and language when its id is 0 or an update changed
    // its text.
    virtual int AddAntonym(RelationRecord& relation, int flags) = 0;
    virtual int UpdateAntonym(RelationRecord& relation) = 0;
    virtual int DeleteAntonym(int64_t relationId) = 0;
    virtual int AddSynonym(RelationRecord& relation, int flags) = 0;
    virtual int UpdateSynonym(RelationRecord& relation) = 0;
    virtual int DeleteSynonym(int64_t relationId) = 0;

    // A search of the dictionary page; a search of the same text again
    // makes the older one the newest.
    virtual int AddHistoryEntry(const HistoryRecord& entry) = 0;
    // (key, text) of the count searches before position (the number of
    // searches, from GetHistoryCount), newest first.
    virtual CAbstractRecordSet* QueryHistory(int64_t position, int count) = 0;

    // The entries of options.ListIds (in that order, each list in the order
    // of its entries) that meet the options; read the rows with ReadWord.
    virtual CAbstractRecordSet* QueryWords(const CQueryOptions& options) = 0;
    // Search kinds above in the given pair; the last two arguments are 0.
    virtual CAbstractRecordSet* SearchInPair(LanguagePair pair, const wchar_t* text, int kind, int reserved1,
                                             int reserved2) = 0;
    // SearchInPair in the current pair.
    virtual CAbstractRecordSet* Search(const wchar_t* text, int kind, int reserved1, int reserved2) = 0;
    // The current row of a QueryWords set; the set does not move.
    virtual int ReadWord(CAbstractRecordSet* set, WordRecord& word) = 0;

    // The id after the highest stored word (NEXT_ID_WORD) or meaning id.
    virtual int GetNextId(int kind, int64_t& id) = 0;
    // kind 1: count receives the number of searches in the history.
    virtual int GetHistoryCount(int kind, int64_t& count, int reserved1, int reserved2) = 0;

    virtual int GetStatistics(StatisticsRecord& statistics) = 0;

    // (word, meaning) texts of a list's entries, the side of the list's first
    // language first.
    virtual CAbstractRecordSet* QueryListPairs(int64_t listId) = 0;
    // (id, owner id, sound, number, side) of the sounds of a word or meaning.
    virtual CAbstractRecordSet* QueryPronunciations(int64_t ownerId, int side) = 0;

    // TRANSACTION_BEGIN or TRANSACTION_COMMIT on the calling thread. A
    // begin while the thread's transaction is open keeps it; a transaction
    // the thread leaves open when it ends is rolled back. A commit that
    // fails, or whose transaction a storage failure rolled back before,
    // keeps nothing of the transaction and throws the code as a failed write
    // does; after such a storage failure the thread's writes throw
    // DATABASE_STORAGE_FAILED until its commit.
    virtual int Transaction(int action) = 0;
    // kFindLanguageInLists: 0 when a list uses list.fromLanguage or
    // list.toLanguage, else DATABASE_NO_ROW.
    virtual int FindLanguage(const VocabularyListRecord& list, int kind) = 0;

    // Frees a set (null is allowed).
    virtual void ReleaseRecordSet(CAbstractRecordSet* set) = 0;

    // The open data file, empty when none.
    virtual CBasicString GetDictionaryPath() = 0;
    virtual int IsDictionaryOpen() = 0;

    virtual int AddMeanType(MeanTypeRecord& type) = 0;
    virtual int UpdateMeanType(const MeanTypeRecord& type) = 0;
    // (id, name, value) by id.
    virtual CAbstractRecordSet* QueryMeanTypes() = 0;

    // Synchronises the vocabulary lists with the online account of email
    // and password through http, an HTTP file of the online-services
    // library, at the address of link kSyncServiceLinkId. Direction 1 ("to
    // online") merges this database's lists into the account's copy;
    // direction 0 ("to local") merges the account's copy into this
    // database. Lists are matched by their stable id, entries by word and
    // meaning; of two changes the later one wins (by the time of change
    // kept beside the day dates), and a removal travels and wins over
    // changes made before it. The merge into the database is one
    // transaction: a cancel or a malformed reply leaves it as it was.
    // Progress goes to the progress interface, and the work stops once it
    // reports that it no longer runs. Results: 0, DATABASE_WRONG_ACCOUNT,
    // DATABASE_CANCELLED, DATABASE_NOT_SET_UP (no address of the service),
    // DATABASE_NO_CONNECTION (the service cannot be reached), or another
    // failure (DATABASE_FAILED for a refused request or a malformed reply).
    virtual int Synchronize(CAbstractFile* http, const wchar_t* email, const wchar_t* password, int direction) = 0;

    // kind kQueryAllOfWord. Meanings: (id, text, word id, language, type)
    // of the word, in the pair's second language when the pair has one.
    // Synonyms and antonyms: (relation id, word id, related id, related
    // text, related language). Acronyms: (id, text, second text).
    virtual CAbstractRecordSet* QueryMeanings(const WordKeyRecord& word, int kind) = 0;
    virtual CAbstractRecordSet* QuerySynonyms(const WordKeyRecord& word, int kind) = 0;
    virtual CAbstractRecordSet* QueryAcronyms(const WordKeyRecord& word, int kind) = 0;
    virtual CAbstractRecordSet* QueryAntonyms(const WordKeyRecord& word, int kind) = 0;

    // Deletes a stored meaning with its sounds. DATABASE_IN_USE while a
    // vocabulary list entry uses the meaning (it stays), DATABASE_NO_ROW
    // when there is no such meaning.
    virtual int DeleteMeaning(int64_t meaningId) = 0;
};

// The two exports of the library, looked up by these names.
typedef CAbstractDataBase* (*CreateDataBaseFunction)(CAbstractProgressStatus* progress, CAbstractLinkTable* links,
                                                      int reserved);
typedef void (*DeleteDataBaseFunction)(CAbstractDataBase* database);

#define DATABASE_EXPORT extern "C" __attribute__((visibility("default")))
