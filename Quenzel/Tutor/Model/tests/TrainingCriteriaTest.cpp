#include <gtest/gtest.h>

#include <vector>

#include "Quenzel/Tutor/Model/TrainingCriteria.h"

namespace {

constexpr int kEnglish = 1, kGerman = 2, kFrench = 3;

VocabularyListRecord List(int64_t id, int from, int to, int editable = 1) {
    VocabularyListRecord list;
    list.id = id;
    list.fromLanguage = from;
    list.toLanguage = to;
    list.editable = editable;
    return list;
}

TrainingCriteriaInput Filtered(int status, int period) {
    TrainingCriteriaInput input;
    input.wordsChoice = CRITERIA_FILTERED;
    input.status = status;
    input.period = period;
    return input;
}

} // namespace

TEST(TrainingCriteria, TheChosenListsAndThePair) {
    const VocabularyListRecord ende = List(1, kEnglish, kGerman), deen = List(2, kGerman, kEnglish),
                               frde = List(3, kFrench, kGerman), frde2 = List(4, kFrench, kGerman),
                               readOnly = List(5, kEnglish, kGerman, 0);
    struct Case {
        const char* name;
        std::vector<const VocabularyListRecord*> selected;
        std::vector<int64_t> ids;
        int first, second, editable;
    };
    const Case cases[] = {
        {"the pair in both orders", {&ende, &deen}, {1, 2}, kEnglish, kGerman, 1},
        {"mixed pairs keep the main pair's lists", {&frde, &ende, &frde2}, {1}, kEnglish, kGerman, 1},
        {"another pair takes the first selected list's pair", {&frde, &frde2}, {3, 4}, kFrench, kGerman, 1},
        {"a read-only list makes the options read-only", {&ende, &readOnly}, {1, 5}, kEnglish, kGerman, 0},
        {"missing records are skipped", {nullptr, &ende}, {1}, kEnglish, kGerman, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CQueryOptions options;
        UINT message = 99;
        EXPECT_EQ(BuildQueryOptions(kEnglish, kGerman, c.selected, TrainingCriteriaInput{}, options, message), 1);
        EXPECT_EQ(message, 0u);
        EXPECT_EQ(options.ListIds, c.ids);
        EXPECT_EQ(options.FirstLanguage, c.first);
        EXPECT_EQ(options.SecondLanguage, c.second);
        EXPECT_EQ(options.Editable, c.editable);
        EXPECT_EQ(options.AllWords, 1);
        EXPECT_EQ(options.Status, 0);
    }
}

TEST(TrainingCriteria, NothingToQueryGivesTheMessage) {
    const VocabularyListRecord mixed = List(6, kEnglish, kFrench);
    CQueryOptions options;
    UINT message = 0;
    EXPECT_EQ(BuildQueryOptions(kEnglish, kGerman, {}, TrainingCriteriaInput{}, options, message), 0);
    EXPECT_EQ(message, 31079u);
    // The first list's pair (French, German) does not hold the second list,
    // and the first entry is missing: no list at all.
    CQueryOptions none;
    EXPECT_EQ(BuildQueryOptions(kEnglish, kGerman, {nullptr, &mixed}, TrainingCriteriaInput{}, none, message), 0);
    EXPECT_EQ(message, 31136u);
    EXPECT_TRUE(none.ListIds.empty());
}

TEST(TrainingCriteria, PeriodsAndStatuses) {
    const VocabularyListRecord ende = List(1, kEnglish, kGerman);
    struct Case {
        const char* name;
        int period;
        const wchar_t* months;
        const wchar_t* days;
        int result;
        UINT message;
        int expectMonths, expectDays;
    };
    const Case cases[] = {
        {"months", QUERY_PERIOD_MONTHS, L" 3 ", L"", 1, 0, 3, 0},
        {"empty months", QUERY_PERIOD_MONTHS, L"   ", L"7", 0, 0, 0, 0},
        {"letters give zero months", QUERY_PERIOD_MONTHS, L"abc", L"", 1, 0, 0, 0},
        {"leading digits", QUERY_PERIOD_DAYS, L"", L"12abc", 1, 0, 0, 12},
        {"empty days", QUERY_PERIOD_DAYS, L"5", L"", 0, 0, 0, 0},
        {"unknown period", 7, L"1", L"1", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrainingCriteriaInput input = Filtered(QUERY_STATUS_ACCESSED, c.period);
        input.months = c.months;
        input.days = c.days;
        CQueryOptions options;
        UINT message = 99;
        EXPECT_EQ(BuildQueryOptions(kEnglish, kGerman, {&ende}, input, options, message), c.result);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(options.Months, c.expectMonths);
        EXPECT_EQ(options.Days, c.expectDays);
        if (c.result == 1) {
            EXPECT_EQ(options.AllWords, 0);
            EXPECT_EQ(options.PeriodKind, c.period);
            EXPECT_EQ(options.Status, QUERY_STATUS_ACCESSED);
        }
    }
}

TEST(TrainingCriteria, ReversedDatesGiveTheSameOptions) {
    const VocabularyListRecord ende = List(1, kEnglish, kGerman);
    const CBasicDateTime early(2025, 1, 5, 0, 0, 0), late(2026, 3, 1, 0, 0, 0);
    CQueryOptions forward, backward;
    UINT message = 0;
    TrainingCriteriaInput input = Filtered(QUERY_STATUS_ENTERED, QUERY_PERIOD_BETWEEN);
    input.start = early;
    input.end = late;
    ASSERT_EQ(BuildQueryOptions(kEnglish, kGerman, {&ende}, input, forward, message), 1);
    std::swap(input.start, input.end);
    ASSERT_EQ(BuildQueryOptions(kEnglish, kGerman, {&ende}, input, backward, message), 1);
    for (const CQueryOptions* options : {&forward, &backward}) {
        EXPECT_EQ(CBasicDateTime::Compare(options->StartDate, early), 0);
        EXPECT_EQ(CBasicDateTime::Compare(options->EndDate, late), 0);
    }
}

TEST(TrainingCriteria, AllWordsKeepsTheDefaultsAndACopyIsIndependent) {
    const VocabularyListRecord ende = List(1, kEnglish, kGerman);
    TrainingCriteriaInput input = Filtered(QUERY_STATUS_ENTERED, QUERY_PERIOD_MONTHS);
    input.wordsChoice = CRITERIA_ALL_WORDS;
    input.months = L"";  // not read
    CQueryOptions options;
    UINT message = 0;
    ASSERT_EQ(BuildQueryOptions(kEnglish, kGerman, {&ende}, input, options, message), 1);
    EXPECT_EQ(options.Status, 0);
    EXPECT_EQ(options.Months, 0);
    EXPECT_EQ(options.PeriodKind, 0);

    CQueryOptions copy = options;
    options.ListIds.push_back(42);
    options.FirstLanguage = 9;
    EXPECT_EQ(copy.ListIds, std::vector<int64_t>{1});
    EXPECT_EQ(copy.FirstLanguage, kEnglish);
}

TEST(TrainingCriteria, Enabling) {
    EXPECT_EQ(GetAllWordsEnabling(), TrainingCriteriaEnabling{});
    struct Case {
        int status, period;
        TrainingCriteriaEnabling expected;
    };
    const Case cases[] = {
        {QUERY_STATUS_ENTERED, QUERY_PERIOD_BETWEEN, {true, true, true, false, false}},
        {QUERY_STATUS_ACCESSED, QUERY_PERIOD_MONTHS, {true, true, false, true, false}},
        {QUERY_STATUS_ENTERED, QUERY_PERIOD_DAYS, {true, true, false, false, true}},
        {QUERY_STATUS_MEMORIZED, QUERY_PERIOD_DAYS, {true, false, false, false, false}},
        {QUERY_STATUS_NOT_MEMORIZED, QUERY_PERIOD_BETWEEN, {true, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status * 10 + c.period);
        EXPECT_EQ(GetStatusEnabling(c.status, c.period), c.expected);
    }
}
