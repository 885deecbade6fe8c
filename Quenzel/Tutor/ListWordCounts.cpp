#include "Quenzel/Tutor/ListWordCounts.h"

#include "DataBase/AbstractDataBase.h"

std::vector<ListWordCount> ReadListWordCounts(CAbstractDataBase* database, const std::vector<int64_t>& listIds,
                                              const std::function<bool()>& isRunning) {
    std::vector<ListWordCount> counts;
    if (!database) return counts;
    for (int64_t id : listIds) {
        if (isRunning && !isRunning()) break;
        StatisticsRecord statistics;
        statistics.mode = kStatisticsOneList;
        statistics.listId = id;
        if (database->GetStatistics(statistics) != 0) continue;
        counts.push_back({id, static_cast<int>(statistics.wordCount)});
    }
    return counts;
}
