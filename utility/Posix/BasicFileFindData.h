#pragma once
// CBasicFileFindData: the state of one search, owned by its finder. A local
// search keeps the folder it lists open and serves a snapshot of the
// matching names; remote finders keep their records in entries instead.

#include <string>
#include <vector>

#include "utility/BasicFileFindInfo.h"
#include "utility/BasicString.h"

class CBasicFileFindData {
public:
    CBasicFileFindData() = default;
    CBasicFileFindData(const CBasicFileFindData&) = delete;
    CBasicFileFindData& operator=(const CBasicFileFindData&) = delete;
    // Closes the folder of a local search.
    virtual ~CBasicFileFindData();

    // Closes the folder and forgets the names and entries.
    void Reset();

    // The open folder of a local search (its search handle), -1 when there
    // is none; remote finders leave it so.
    int folder = -1;
    // The names of a local search in the order they are served (as the
    // system spells them).
    std::vector<std::string> names;
    // The next name of a local search, or the current record of a remote one.
    size_t position = 0;
    // The folder searched.
    CBasicString root;
    // Where the computed texts (path, title, URL, extension) are handed out.
    CBasicString scratch;
    // The records a remote finder serves.
    std::vector<CBasicFileFindInfo> entries;
    // The current entry; not valid when there is none.
    CBasicFileFindInfo current;
};
