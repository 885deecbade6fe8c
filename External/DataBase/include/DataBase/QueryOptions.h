#pragma once
// CQueryOptions: which words a word query of the database gives: the
// vocabulary lists, whether all their words or only those that meet a status
// and a period, and the language pair. Passed by value, so each window keeps
// its own criteria.

#include <cstdint>
#include <vector>

#include "utility/BasicDateTime.h"

// Status filter of CQueryOptions::Status.
enum {
    QUERY_STATUS_ENTERED = 0,       // entered into the list within the period
    QUERY_STATUS_ACCESSED = 1,      // answered within the period
    QUERY_STATUS_MEMORIZED = 2,     // known at least once since the last Unknown
    QUERY_STATUS_NOT_MEMORIZED = 3  // not known
};

// Period of CQueryOptions::PeriodKind.
enum {
    QUERY_PERIOD_BETWEEN = 0,  // StartDate to EndDate, both days included
    QUERY_PERIOD_MONTHS = 1,   // the previous Months months up to today
    QUERY_PERIOD_DAYS = 2      // the previous Days days up to today
};

class CQueryOptions {
public:
    CQueryOptions() = default;
    CQueryOptions(const CQueryOptions&) = default;
    CQueryOptions& operator=(const CQueryOptions&) = default;
    virtual ~CQueryOptions() {}

    int AllWords = 0;
    int Status = 0;
    CBasicDateTime StartDate;
    CBasicDateTime EndDate;
    int Days = 0;
    int Months = 0;
    int FirstLanguage = 0;
    int SecondLanguage = 0;
    int PeriodKind = 0;
    std::vector<int64_t> ListIds;
    int Editable = 1;
};
