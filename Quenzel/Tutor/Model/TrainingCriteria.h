#pragma once
// The training criteria of the tutor page as plain rules: which of the
// criteria controls are enabled, and the query options that the chosen
// lists and criteria give (the learning view and the quiz each get a copy).

#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "DataBase/QueryOptions.h"
#include "compat/WinTypes.h"
#include "utility/BasicDateTime.h"
#include "utility/BasicString.h"

// The first radio group: "All words" or "Train all words" (with a status
// and, for the statuses Entered and Accessed, a period).
enum { CRITERIA_ALL_WORDS = 0, CRITERIA_FILTERED = 1 };

// Which criteria controls are enabled.
struct TrainingCriteriaEnabling {
    bool status = false;         // the status combo box
    bool periodChoices = false;  // the three period radio buttons
    bool between = false;        // both date pickers and "and"
    bool months = false;         // the months edit and "months"
    bool days = false;           // the days edit and "days"

    bool operator==(const TrainingCriteriaEnabling&) const = default;
};

// "All words" chosen: everything but the first radio group is disabled.
TrainingCriteriaEnabling GetAllWordsEnabling();
// "Train all words" chosen, or the status or the period changed: the status
// box is enabled; for Entered and Accessed the period choices too and the
// fields of the chosen period, for the other statuses no period field.
TrainingCriteriaEnabling GetStatusEnabling(int status, int period);

// What the criteria controls hold.
struct TrainingCriteriaInput {
    int wordsChoice = CRITERIA_ALL_WORDS;
    int status = QUERY_STATUS_NOT_MEMORIZED;
    int period = QUERY_PERIOD_BETWEEN;
    CBasicDateTime start;
    CBasicDateTime end;
    CBasicString months;
    CBasicString days;
};

// Fills options from the main window's pair, the selected lists (in their
// order; null entries are skipped) and the criteria. 1 when a view may open;
// 0 when not, with message the string id to show (31079 nothing selected,
// 31136 no list of the languages) or 0 when nothing is to be shown. The
// caller sets the database's pair to first and second itself.
int BuildQueryOptions(int first, int second, const std::vector<const VocabularyListRecord*>& selected,
                      const TrainingCriteriaInput& input, CQueryOptions& options, UINT& message);

// The leading decimal integer of the text, 0 when it has none.
int LeadingInteger(const wchar_t* text);
