#pragma once
// The word counts of vocabulary lists, read again after a save removed
// words from them. A job reads them from the database by the lists' ids
// alone and hands them back; the tutor page shows and stores them on its
// own thread.

#include <cstdint>
#include <functional>
#include <vector>

class CAbstractDataBase;

struct ListWordCount {
    int64_t listId = 0;
    int wordCount = 0;

    bool operator==(const ListWordCount&) const = default;
};

// Each list's word count from the database's statistics, in the order of
// the ids; a list whose statistics cannot be read is left out. Before each
// list isRunning (may be empty: always) is asked, and the counts read so far
// come back once it says no.
std::vector<ListWordCount> ReadListWordCounts(CAbstractDataBase* database, const std::vector<int64_t>& listIds,
                                              const std::function<bool()>& isRunning);
