#pragma once
// The word and meaning pairs of a FreeDict dictionary as
// bench/freedict-pairs.py writes them: one pair a line, word, tab, meaning,
// UTF-8. Lines without both texts are skipped.

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "utility/TextCodec.h"

inline std::vector<std::pair<std::wstring, std::wstring>> LoadFreeDictPairs(const std::string& file)
{
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size())
            continue;
        pairs.emplace_back(Utf8ToWide(line.substr(0, tab)), Utf8ToWide(line.substr(tab + 1)));
    }
    return pairs;
}
