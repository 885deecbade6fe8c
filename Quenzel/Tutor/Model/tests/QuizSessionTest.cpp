// The quiz's rules without a window, over the database component.

#include <gtest/gtest.h>

#include "Quenzel/Tutor/Model/QuizSession.h"
#include "Quenzel/Tutor/Model/tests/TutorModelTest.h"
#include "testing/FullDisk.h"

using namespace learntest;

namespace {

class QuizSessionTest : public TutorModelTest {
protected:
    // A started quiz over all words of the list.
    std::unique_ptr<QuizSession> StartQuiz(int64_t listId) {
        auto quiz = std::make_unique<QuizSession>(&Db());
        quiz->SetQueryOptions(AllWordsOf(listId));
        quiz->Start();
        return quiz;
    }
    std::wstring Shown(QuizSession& quiz) {
        const WordRecord* word = quiz.GetShownWord();
        return word ? quiz.WordSideText(*word).GetString() : L"<none>";
    }
};

TEST_F(QuizSessionTest, KnownSixTimesStopsAtFiveAndStoresOnlyTheAnswerDate) {
    const int64_t list = MakeList(Db(), L"one", {{L"house", L"Haus"}});
    for (int answer = 1; answer <= 6; ++answer) {
        SCOPED_TRACE(answer);
        auto quiz = StartQuiz(list);
        EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
        const Entry entry = Entries(Db(), list).at(0);
        EXPECT_EQ(entry.count, std::min(answer, 5));
        EXPECT_EQ(entry.answered, kToday);
        // The date the word was entered into its list stays.
        EXPECT_EQ(entry.entered, kEntered);
    }
    auto quiz = StartQuiz(list);
    EXPECT_EQ(quiz->Answer(false), ANSWER_STORED);
    EXPECT_EQ(Entries(Db(), list).at(0).count, 0);
}

TEST_F(QuizSessionTest, TheLastWordEndsTheQuizAlsoAfterBack) {
    const int64_t list = MakeList(Db(), L"three", {{L"one", L"eins"}, {L"two", L"zwei"}, {L"three", L"drei"}});
    auto quiz = StartQuiz(list);
    EXPECT_EQ(Shown(*quiz), L"one");
    EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
    EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
    EXPECT_EQ(Shown(*quiz), L"three");
    // The last word's answer is stored and the word stays shown.
    EXPECT_EQ(quiz->Answer(false), ANSWER_STORED);
    EXPECT_EQ(Shown(*quiz), L"three");
    EXPECT_EQ(quiz->GetPosition(), 3);
    // Then the quiz is done: nothing more is stored, whichever answer.
    EXPECT_EQ(quiz->Answer(true), ANSWER_FINISHED);
    EXPECT_EQ(quiz->Answer(false), ANSWER_FINISHED);
    EXPECT_EQ(Entries(Db(), list).at(2).count, 0);

    // Back, then answers move forward through the words read already.
    EXPECT_TRUE(quiz->Back());
    EXPECT_EQ(Shown(*quiz), L"two");
    EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
    EXPECT_EQ(Entries(Db(), list).at(1).count, 2);
    EXPECT_EQ(Shown(*quiz), L"three");
    EXPECT_EQ(quiz->GetHistorySize(), 3u);
    // The first answer on the last word after a Back is stored again; the
    // next one ends the quiz.
    EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
    EXPECT_EQ(Entries(Db(), list).at(2).count, 1);
    EXPECT_EQ(quiz->Answer(true), ANSWER_FINISHED);
    EXPECT_EQ(Entries(Db(), list).at(2).count, 1);
}

TEST_F(QuizSessionTest, CountersNeverExceedTheNumberOfWords) {
    const int64_t list = MakeList(Db(), L"two", {{L"one", L"eins"}, {L"two", L"zwei"}});
    auto quiz = StartQuiz(list);
    auto check = [&](int64_t known, int64_t unknown) {
        EXPECT_EQ(quiz->GetKnownCount(), known);
        EXPECT_EQ(quiz->GetUnknownCount(), unknown);
        EXPECT_LE(quiz->GetKnownCount() + quiz->GetUnknownCount(), quiz->GetTotal());
    };
    EXPECT_EQ(quiz->GetTotal(), 2);
    quiz->Answer(true);
    check(1, 0);
    quiz->Answer(false);
    check(1, 1);
    quiz->Answer(true);  // the end message
    check(1, 1);
    quiz->Back();
    check(0, 0);
    quiz->Answer(true);
    quiz->Answer(true);
    check(2, 0);
    // Answers beyond the words add nothing.
    quiz->Back();
    quiz->Back();
    check(0, 0);
    for (int i = 0; i < 4; ++i) quiz->Answer(false);
    check(0, 2);
}

TEST_F(QuizSessionTest, VerifyIgnoresCaseButNotATrailingBlank) {
    const int64_t list = MakeList(Db(), L"verify", {{L"over", L"über"}, {L"house", L"Haus"}});
    auto quiz = StartQuiz(list);
    QuizAnswerResult result = ANSWER_STORED;
    EXPECT_FALSE(quiz->Verify({CBasicString(L"über ")}, &result));
    EXPECT_EQ(result, ANSWER_IGNORED);
    EXPECT_FALSE(quiz->Verify({CBasicString(L"ueber"), CBasicString(L" über")}));
    EXPECT_EQ(Entries(Db(), list).at(0).count, 0);
    EXPECT_EQ(Shown(*quiz), L"over");
    // Any line may hold the answer; case does not matter.
    EXPECT_TRUE(quiz->Verify({CBasicString(L"maybe"), CBasicString(L"ÜBER")}, &result));
    EXPECT_EQ(result, ANSWER_STORED);
    EXPECT_EQ(Entries(Db(), list).at(0).count, 1);
    EXPECT_EQ(Shown(*quiz), L"house");
}

TEST_F(QuizSessionTest, TheShowChoiceSelectsWhichMeaningShowsAndItsColour) {
    const int64_t list = MakeList(Db(), L"show", {{L"one", L"eins"}, {L"two", L"zwei"}, {L"three", L"drei"}});
    auto quiz = StartQuiz(list);
    auto meaning = [&] {
        const WordRecord* word = quiz->GetMeaningWord();
        return word ? std::wstring(quiz->MeaningSideText(*word).GetString()) : L"<none>";
    };
    // "Previous": nothing before the first answer, then the word just
    // answered, coloured by its new count.
    EXPECT_EQ(meaning(), L"<none>");
    quiz->Answer(true);
    EXPECT_EQ(meaning(), L"eins");
    EXPECT_EQ(quiz->GetMeaningColor(), QUIZ_COLOR_KNOWN);
    quiz->Answer(false);
    EXPECT_EQ(meaning(), L"zwei");
    EXPECT_EQ(quiz->GetMeaningColor(), QUIZ_COLOR_UNKNOWN);
    quiz->Back();
    EXPECT_EQ(meaning(), L"eins");

    quiz->SetShowMode(QUIZ_SHOW_CURRENT);
    EXPECT_EQ(meaning(), L"zwei");
    quiz->Answer(true);
    EXPECT_EQ(meaning(), L"drei");
    EXPECT_EQ(quiz->GetMeaningColor(), QUIZ_COLOR_NORMAL);

    quiz->SetShowMode(QUIZ_SHOW_NONE);
    EXPECT_EQ(meaning(), L"<none>");
    quiz->ShowCurrentMeaning();
    EXPECT_EQ(meaning(), L"drei");
}

TEST_F(QuizSessionTest, WordsShowTheirSideInTheCriteriasFirstLanguage) {
    // A list the other way round: its words are German.
    const int64_t list = MakeList(Db(), L"reverse", {{L"Hund", L"dog"}}, kGerman, kEnglish);
    QuizSession quiz(&Db());
    quiz.SetQueryOptions(AllWordsOf(list, kEnglish, kGerman));
    quiz.Start();
    ASSERT_NE(quiz.GetShownWord(), nullptr);
    EXPECT_TRUE(quiz.IsSwapped(*quiz.GetShownWord()));
    EXPECT_EQ(std::wstring(quiz.WordSideText(*quiz.GetShownWord()).GetString()), L"dog");
    EXPECT_TRUE(quiz.Verify({CBasicString(L"hund")}));

    // A pair with the picture language second is turned round.
    CQueryOptions pictures = AllWordsOf(list, kEnglish, kPictureLanguageId);
    QuizSession pictureQuiz(&Db());
    pictureQuiz.SetQueryOptions(pictures);
    EXPECT_EQ(pictureQuiz.GetQueryOptions().FirstLanguage, kPictureLanguageId);
    EXPECT_EQ(pictureQuiz.GetQueryOptions().SecondLanguage, kEnglish);
    EXPECT_TRUE(pictureQuiz.IsPictureQuiz());
}

TEST_F(QuizSessionTest, AnAnswerTheFullDiskRefusesChangesNothing) {
    const int64_t list = MakeList(Db(), L"full", {{L"one", L"eins"}});
    auto quiz = StartQuiz(list);
    QuizAnswerResult refused = ANSWER_STORED;
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        refused = quiz->Answer(true);
    }
    EXPECT_EQ(refused, ANSWER_NOT_SAVED);
    EXPECT_EQ(Shown(*quiz), L"one");
    EXPECT_EQ(quiz->GetKnownCount(), 0);
    EXPECT_EQ(quiz->GetMeaningWord(), nullptr);
    EXPECT_EQ(Entries(Db(), list).at(0).count, 0);
    // The refused answer on the last word did not end the quiz: the same
    // answer is stored, and only the next one ends it.
    EXPECT_EQ(quiz->Answer(true), ANSWER_STORED);
    EXPECT_EQ(quiz->GetKnownCount(), 1);
    EXPECT_EQ(Entries(Db(), list).at(0).count, 1);
    EXPECT_EQ(quiz->Answer(true), ANSWER_FINISHED);
}

TEST_F(QuizSessionTest, AnEmptyQuizIgnoresAnswers) {
    const int64_t list = MakeList(Db(), L"empty", {});
    auto quiz = StartQuiz(list);
    EXPECT_EQ(quiz->GetTotal(), 0);
    EXPECT_EQ(quiz->GetShownWord(), nullptr);
    EXPECT_EQ(quiz->Answer(true), ANSWER_IGNORED);
    EXPECT_FALSE(quiz->Back());
    EXPECT_FALSE(quiz->Verify({CBasicString(L"")}));
}

} // namespace
