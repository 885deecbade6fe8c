#pragma once
// Vocabulary lists for the tests of the tutor's models and windows: stored
// as the list editor stores them, each entry entered on 2024-01-10, and
// read back with their status counts and dates.

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "DataBase/AbstractDataBase.h"

namespace learntest {

// English and German of the seeded languages.
constexpr int kEnglish = 1;
constexpr int kGerman = 2;
constexpr wchar_t kEntered[] = L"2024-01-10";
// The day the tests fix as today (TutorSetTodayForTests).
constexpr wchar_t kToday[] = L"2031-05-06";

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

inline int64_t MakeList(CAbstractDataBase& db, const wchar_t* name, const Pairs& pairs, int from = kEnglish,
                        int to = kGerman) {
    VocabularyListRecord list;
    list.name = name;
    list.fromLanguage = from;
    list.toLanguage = to;
    const int64_t listId = db.CreateVocabularyList(list);
    for (const auto& pair : pairs) {
        WordKeyRecord word;
        word.text = pair.first.c_str();
        word.language = from;
        MeaningRecord meaning;
        meaning.text = pair.second.c_str();
        meaning.language = to;
        meaning.type = 1;
        db.AddMeaning(word, meaning, 0);
        WordLinkRecord link;
        link.listId = listId;
        link.wordId = word.id;
        link.meaningId = meaning.id;
        link.enteredDate = kEntered;
        db.AddListEntry(link, 0);
    }
    return listId;
}

// n words "word001" ... with meanings "meaning001" ...
inline Pairs Numbered(int n) {
    Pairs pairs;
    for (int i = 1; i <= n; ++i) {
        wchar_t word[32], meaning[32];
        swprintf(word, 32, L"word%03d", i);
        swprintf(meaning, 32, L"meaning%03d", i);
        pairs.emplace_back(word, meaning);
    }
    return pairs;
}

inline CQueryOptions AllWordsOf(int64_t listId, int from = kEnglish, int to = kGerman) {
    CQueryOptions options;
    options.AllWords = 1;
    options.FirstLanguage = from;
    options.SecondLanguage = to;
    options.ListIds.push_back(listId);
    return options;
}

inline VocabularyListRecord ListRecord(int from = kEnglish, int to = kGerman, int editable = 1) {
    VocabularyListRecord list;
    list.fromLanguage = from;
    list.toLanguage = to;
    list.editable = editable;
    return list;
}

// The stored entry of a word: status count and both dates.
struct Entry {
    int count = -1;
    std::wstring entered;
    std::wstring answered;
};

inline std::vector<Entry> Entries(CAbstractDataBase& db, int64_t listId) {
    std::vector<Entry> entries;
    CAbstractRecordSet* set = db.QueryWords(AllWordsOf(listId));
    for (; set && !set->IsEOF(); set->MoveNext()) {
        WordRecord word;
        db.ReadWord(set, word);
        WordLinkRecord link;
        link.listId = listId;
        link.wordId = word.wordId;
        link.meaningId = word.meaningId;
        db.UpdateListEntry(link, kListEntryLookUp);
        entries.push_back({link.statusCount, link.enteredDate.GetString(), link.statusDate.GetString()});
    }
    db.ReleaseRecordSet(set);
    return entries;
}

}  // namespace learntest
