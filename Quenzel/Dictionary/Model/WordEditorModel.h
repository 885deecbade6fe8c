#pragma once
// CWordEditorModel: what the word editor does with the database, without a
// window: it loads a word's entries into the entry list, adds typed
// entries, keeps the sounds of the word and of each entry, and saves
// everything of every dictionary in one step.
//
// Save, for each dictionary in list order, with the word text and the two
// languages of the editor:
//   1. the word: a loaded word keeps its id (a change of case only is
//      written with UpdateWord); any other text gets a new id (GetNextId
//      kind 1) and is stored with AddWord;
//   2. the meanings in set order: new ones get an id (GetNextId kind 2)
//      and AddMeaning (word, meaning, 1); changed ones UpdateMeaning; then
//      the removed stored meanings are deleted (DeleteMeaning), except one
//      that a vocabulary list uses, which stays and is reported;
//   3. synonyms: a new one's related word gets an id and AddWord, then
//      AddSynonym; changed ones UpdateSynonym; removed ones DeleteSynonym;
//   4. acronyms (AddAcronym, UpdateAcronym, DeleteAcronym);
//   5. antonyms as synonyms (AddAntonym, UpdateAntonym, DeleteAntonym);
//   6. the sounds: the word's new sounds with side 1 and the word's id;
//      each entry's with the id of its meaning (side 0) or of its related
//      word (side 1); removed stored sounds are deleted;
//   7. the entries, their removed ids and the sounds are emptied.
// Each write that succeeds clears its entry's new or changed mark at once.
// A write that fails (a failure result, or a DATABASE_RESULT thrown) ends
// the save there: the entries not yet stored stay as they are and the
// result names the failure, so a second Save stores the rest.

#include <cstdint>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/Dictionary/Model/DictionaryEntryList.h"
#include "utility/BasicString.h"

// What Save did.
struct WordSaveResult {
    enum Outcome {
        kNothingSaved,  // no dictionary open, or no word text or languages
        kSaved,
        kFailed,        // a write failed: code holds its DATABASE_RESULT
    };
    Outcome outcome = kNothingSaved;
    int code = 0;
    // Removed meanings that stay because a vocabulary list uses them.
    int keptMeanings = 0;
};

class CWordEditorModel {
public:
    explicit CWordEditorModel(CDictionaryEntryList& entries) : m_entries(entries) {}

    void SetDataBase(CAbstractDataBase* database) { m_database = database; }
    CAbstractDataBase* GetDataBase() const { return m_database; }
    CDictionaryEntryList& Entries() { return m_entries; }

    // Replaces the entries with the stored ones of the word: meanings (in
    // the database's current second language), synonyms, acronyms and
    // antonyms. wordText is the word as the user sees it: a relation to a
    // word of that text is not shown, and without it no relation is read.
    // A save of that text in that first language keeps the word's id.
    // The type id of the last meaning read, or 0 when none was read.
    int LoadWord(int64_t wordId, const CBasicString& wordText, int firstLanguage);
    int64_t GetLoadedWordId() const { return m_loadedWordId; }

    // Adds the text as an entry of the kind to the last dictionary: a
    // meaning with the second language and the type, a synonym or antonym
    // whose related word has the text and the second language, or an
    // acronym. The entry is marked new. -1 when the text is empty, the kind
    // unknown, or the kind holds the text already (nothing is marked then).
    int AddEntry(int kind, const CBasicString& text, int secondLanguage, int typeId);

    // The sounds of the word, as the pronunciation dialog left them.
    std::vector<PronunciationRecord>& WordSounds() { return m_wordSounds; }
    // Whether the entry can have sounds: a meaning, a synonym or an
    // antonym.
    bool CanHaveSounds(int index) const;
    // The sounds of the entry; null for an entry that has none.
    std::vector<PronunciationRecord>* EntrySounds(int index);
    // The stored owner of an entry's sounds (its meaning, or its related
    // word) and the side; false when the entry has no stored owner yet.
    bool SoundOwner(const CDictionaryListboxItem& item, int64_t& ownerId, int& side) const;

    WordSaveResult Save(const CBasicString& wordText, const LanguageRecord& first, const LanguageRecord& second);

    // Forgets the loaded word and the word's sounds (the entries are the
    // list's).
    void Reset();

private:
    int SaveDictionary(CDictionaryDataItem& dictionary, const CBasicString& wordText, WordSaveResult& result);
    int SaveWord(WordKeyRecord& word);
    int SaveMeanings(CDictionaryDataItem& dictionary, WordKeyRecord& word, WordSaveResult& result);
    int SaveRelations(CEntrySet<RelationRecord>& set, int kind, WordKeyRecord& word);
    int SaveAcronyms(CDictionaryDataItem& dictionary, WordKeyRecord& word);
    int DeleteRemoved(int kind);
    int SaveSounds(std::vector<PronunciationRecord>& sounds, int64_t ownerId, int side);
    int SaveEntrySounds(CDictionaryDataItem& dictionary);

    CDictionaryEntryList& m_entries;
    CAbstractDataBase* m_database = nullptr;
    int64_t m_loadedWordId = 0;
    CBasicString m_loadedWordText;
    int m_loadedLanguage = 0;
    std::vector<PronunciationRecord> m_wordSounds;
};
