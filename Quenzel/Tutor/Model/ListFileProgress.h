#pragma once
// The kinds of vocabulary list files (VocabularyListFile.h) and how a long
// list job learns that it was cancelled and reports its rows.

#include <functional>

enum { LIST_FILE_TAB = 1, LIST_FILE_COMMA = 2 };

// Either function may be empty (always running, no reports).
struct ListFileProgress {
    std::function<bool()> isRunning;
    std::function<void(int rows)> report;  // every 100 rows and at the end

    bool IsRunning() const { return !isRunning || isRunning(); }
    void Report(int rows) const {
        if (report) report(rows);
    }
};
