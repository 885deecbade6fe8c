#pragma once
// Lists for the tutor tests, stored straight through the database and read
// back, and the program's texts formatted as the tests expect them.

#include <string>
#include <utility>
#include <vector>

#include "DataBase/AbstractDataBase.h"
#include "Quenzel/Model/QuenzelString.h"

namespace tutortest {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

// Two languages of the seeded database.
inline std::pair<int, int> TwoLanguages(CAbstractDataBase* database) {
    const std::vector<LanguageRecord> languages = database->GetLanguages(0);
    return {languages.at(0).id, languages.at(1).id};
}

inline int64_t StoreList(CAbstractDataBase* database, const wchar_t* name, int from, int to, const Pairs& pairs,
                         int editable = 1) {
    VocabularyListRecord list;
    list.name = name;
    list.fromLanguage = from;
    list.toLanguage = to;
    list.editable = editable;
    const int64_t id = database->CreateVocabularyList(list);
    database->Transaction(TRANSACTION_BEGIN);
    for (const auto& [word, meaning] : pairs) {
        WordKeyRecord w;
        w.text = word.c_str();
        w.language = from;
        MeaningRecord m;
        m.text = meaning.c_str();
        m.language = to;
        m.type = 1;
        if (database->AddMeaning(w, m, 0) != 0) continue;
        WordLinkRecord link;
        link.listId = id;
        link.wordId = w.id;
        link.meaningId = m.id;
        link.enteredDate = link.statusDate = L"2026-01-01";
        database->AddListEntry(link, 0);
    }
    database->Transaction(TRANSACTION_COMMIT);
    return id;
}

inline Pairs ListPairs(CAbstractDataBase* database, int64_t listId) {
    Pairs pairs;
    CAbstractRecordSet* set = database->QueryListPairs(listId);
    while (set && !set->IsEOF()) {
        CBasicString word, meaning;
        set->GetText(0, word);
        set->GetText(1, meaning);
        pairs.emplace_back(word.GetString(), meaning.GetString());
        set->MoveNext();
    }
    database->ReleaseRecordSet(set);
    return pairs;
}

struct StoredList {
    int64_t id = 0;
    std::wstring name;
    int wordCount = 0;
};
inline std::vector<StoredList> Lists(CAbstractDataBase* database) {
    std::vector<StoredList> lists;
    CAbstractRecordSet* set = database->QueryVocabularyLists(LIST_QUERY_ALL, L"");
    while (set && !set->IsEOF()) {
        StoredList list;
        CBasicString name;
        set->GetInt64(0, list.id);
        set->GetText(1, name);
        set->GetInt(4, list.wordCount);
        list.name = name.GetString();
        lists.push_back(list);
        set->MoveNext();
    }
    database->ReleaseRecordSet(set);
    return lists;
}

// The text of a string id formatted with its arguments.
template <class... Args> std::wstring Text(UINT id, Args... args) {
    CBasicString text;
    text.Format(QuenzelString(id).GetString(), args...);
    return text.GetString();
}

} // namespace tutortest
