#pragma once
// The plain records that the main program and the database component
// exchange. Ids are 64-bit (0: not stored yet) except language and meaning
// type ids; dates are texts "YYYY-MM-DD".

#include <cstdint>
#include <vector>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// Language ids.
constexpr int kPictureLanguageId = 29;  // a list with it on either side holds pictures
// LanguageRecord and AddLanguage flag bit.
constexpr int kLanguageRightToLeft = 0x20;

// One language of GetLanguages.
struct LanguageRecord {
    int id = 0;
    CBasicString name;
    std::vector<BYTE> picture;  // the flag as PNG bytes
    int rightToLeft = 0;        // 0 or 1
    CBasicString code;
};

// One search plug-in of GetPlugins and SetPlugins.
struct PluginEntry {
    CBasicString fileName;
    int enabled = 0;
};

// A vocabulary list. The reset makes a read-only record; the copy leaves
// the last int alone.
struct VocabularyListRecord {
    int64_t id = 0;
    CBasicString name;
    CBasicString secondText;
    int fromLanguage = 0;
    int toLanguage = 0;
    int wordCount = 0;
    int extra = 0;
    int editable = 1;
    int reserved = 0;

    void Reset()
    {
        id = 0;
        name.Empty();
        secondText.Empty();
        fromLanguage = toLanguage = wordCount = extra = editable = 0;
    }
    void Copy(const VocabularyListRecord& other)
    {
        id = other.id;
        name = other.name;
        secondText = other.secondText;
        fromLanguage = other.fromLanguage;
        toLanguage = other.toLanguage;
        wordCount = other.wordCount;
        extra = other.extra;
        editable = other.editable;
    }
};

// The entry of a word in a vocabulary list.
struct WordLinkRecord {
    int64_t linkId = 0;
    int64_t listId = 0;
    int64_t wordId = 0;
    int64_t meaningId = 0;
    int statusCount = 0;       // 0 to 5
    CBasicString enteredDate;  // when the entry was made
    CBasicString statusDate;   // when the status count was last set
};

// One row of a QueryWords set, as ReadWord fills it.
struct WordRecord {
    int64_t linkId = 0;
    int64_t listId = 0;
    int64_t wordId = 0;
    int64_t meaningId = 0;
    int languageId = 0;  // the language of the word side
    int statusCount = 0;
    CBasicString wordText;
    CBasicString meaningText;
    CBasicString dateText;  // the date of the last answer
    int typeId = 0;         // the meaning's type
};

// GetStatistics: the four counters come back, the rest selects.
constexpr int kStatisticsAllLists = 1;
constexpr int kStatisticsOneList = 2;
struct StatisticsRecord {
    int64_t wordCount = 0;
    int64_t longTerm = 0;   // status count 5
    int64_t shortTerm = 0;  // status count 1 to 4
    int64_t unknown = 0;    // status count 0
    int selector = 0;       // a language id (all lists: the lists of that language; 0 every list)
    int mode = kStatisticsAllLists;
    int64_t listId = 0;     // one list
};

// GetWordPicture.
struct PictureRecord {
    int64_t wordId = 0;
    int width = 0;
    int height = 0;
    std::vector<BYTE> bytes;
    int reserved = 0;
};

// A word of the dictionary; also the two ends of a relation.
struct WordKeyRecord {
    int64_t id = 0;
    CBasicString text;
    int language = 0;
};

// A meaning of a word.
struct MeaningRecord {
    int64_t id = 0;
    CBasicString text;
    int64_t wordId = 0;
    int language = 0;
    int type = 0;  // a meaning type id
};

// A synonym or an antonym: a word and the word related to it.
struct RelationRecord {
    int64_t id = 0;
    WordKeyRecord word;
    WordKeyRecord related;
};

// An acronym of a word; the second text is its key.
struct AcronymRecord {
    int64_t id = 0;
    CBasicString text;
    CBasicString secondText;
    WordKeyRecord word;
};

// A meaning type (verb, noun, ...) with its short form.
struct MeanTypeRecord {
    int id = 0;
    CBasicString name;
    CBasicString value;
};

// Pronunciation sides.
constexpr int kPronunciationMeaning = 0;
constexpr int kPronunciationWord = 1;

// One recorded sound of a word or a meaning.
struct PronunciationRecord {
    int64_t id = 0;
    int64_t ownerId = 0;
    int number = 0;
    std::vector<BYTE> sound;
    int side = 0;
    CBasicString sourcePath;
    BYTE isNew = 0;
    BYTE removed = 0;
};

// One search of the dictionary page's history.
struct HistoryRecord {
    CBasicString key;  // UTC time of the search, "YYYYMMDD_hhmmss"
    CBasicString text;
};
