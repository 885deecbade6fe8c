#pragma once
// The word counts of vocabulary lists, read again after a save of the
// learning view removed words from them. They are read from the database by
// the lists' ids alone and handed back as plain values, touching no window
// or row; the tutor page applies them to its rows and stores them on its
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
