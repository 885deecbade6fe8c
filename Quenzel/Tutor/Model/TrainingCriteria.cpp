#include "Quenzel/Tutor/Model/TrainingCriteria.h"

#include <cwchar>
#include <cwctype>
#include <limits>
#include <utility>

#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\TutorDlg";

bool OfPair(const VocabularyListRecord& list, int first, int second) {
    auto inPair = [&](int language) { return language == first || language == second; };
    return inPair(list.fromLanguage) && inPair(list.toLanguage);
}

void ChooseLists(const std::vector<const VocabularyListRecord*>& selected, CQueryOptions& options) {
    for (const VocabularyListRecord* list : selected) {
        ReportAssertion(list != nullptr, kSourceFile, 1430);
        if (!list || !OfPair(*list, options.FirstLanguage, options.SecondLanguage)) continue;
        options.ListIds.push_back(list->id);
        if (list->editable == 0) options.Editable = 0;
    }
}

// The period count of an edit: false for an empty field.
bool ReadCount(const CBasicString& field, int& count) {
    CBasicString text = field;
    text.TrimLeft();
    text.TrimRight();
    if (text.IsEmpty()) return false;
    count = LeadingInteger(text.GetString());
    return true;
}

} // namespace

TrainingCriteriaEnabling GetAllWordsEnabling() { return TrainingCriteriaEnabling{}; }

TrainingCriteriaEnabling GetStatusEnabling(int status, int period) {
    TrainingCriteriaEnabling enabling;
    enabling.status = true;
    if (status != QUERY_STATUS_ENTERED && status != QUERY_STATUS_ACCESSED) return enabling;
    enabling.periodChoices = true;
    enabling.between = period == QUERY_PERIOD_BETWEEN;
    enabling.months = period == QUERY_PERIOD_MONTHS;
    enabling.days = period == QUERY_PERIOD_DAYS;
    return enabling;
}

int LeadingInteger(const wchar_t* text) {
    if (!text) return 0;
    while (std::iswspace(static_cast<wint_t>(*text))) ++text;
    wchar_t* end = nullptr;
    const long long value = std::wcstoll(text, &end, 10);
    if (end == text) return 0;
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int BuildQueryOptions(int first, int second, const std::vector<const VocabularyListRecord*>& selected,
                      const TrainingCriteriaInput& input, CQueryOptions& options, UINT& message) {
    message = 0;
    options.FirstLanguage = first;
    options.SecondLanguage = second;
    if (selected.empty()) {
        message = 31079;
        return 0;
    }
    ChooseLists(selected, options);
    if (options.ListIds.empty()) {
        // None of the pair: the languages of the first selected list.
        const VocabularyListRecord* head = selected.front();
        if (head) {
            options.FirstLanguage = head->fromLanguage;
            options.SecondLanguage = head->toLanguage;
            ChooseLists(selected, options);
        }
    }
    if (options.ListIds.empty()) {
        message = 31136;
        return 0;
    }
    if (input.wordsChoice == CRITERIA_ALL_WORDS) {
        options.AllWords = 1;
        return 1;
    }
    options.AllWords = 0;
    options.PeriodKind = input.period;
    switch (input.period) {
    case QUERY_PERIOD_BETWEEN:
        options.StartDate = input.start;
        options.EndDate = input.end;
        if (CBasicDateTime::Compare(options.StartDate, options.EndDate) > 0)
            std::swap(options.StartDate, options.EndDate);
        break;
    case QUERY_PERIOD_MONTHS:
        if (!ReadCount(input.months, options.Months)) return 0;
        break;
    case QUERY_PERIOD_DAYS:
        if (!ReadCount(input.days, options.Days)) return 0;
        break;
    default:
        ReportAssertion(0, kSourceFile, 1502);
        return 0;
    }
    options.Status = input.status;
    return 1;
}
