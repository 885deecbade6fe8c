#pragma once
// Words for the dictionary tests: each word of the first language with one
// meaning of the second.

#include <utility>
#include <vector>

#include "DataBase/AbstractDataBase.h"

inline void SeedWords(CAbstractDataBase* dataBase, int first, int second,
                      const std::vector<std::pair<const wchar_t*, const wchar_t*>>& pairs) {
    for (const auto& [text, meaningText] : pairs) {
        WordKeyRecord word;
        word.text = text;
        word.language = first;
        MeaningRecord meaning;
        meaning.text = meaningText;
        meaning.language = second;
        meaning.type = 1;
        dataBase->AddMeaning(word, meaning, 0);
    }
}
