// The learning view and the quiz one after the other, as a user takes them
// from the tutor page: learn and save, then a quiz; the database holds the
// counts and dates each stored.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "LearnTestData.h"
#include "LearnTestFixture.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Tutor/LearnDlg.h"
#include "Quenzel/Tutor/QuizDlg.h"

using namespace learntest;

namespace {

class LearnFlowsTest : public LearnTest {
protected:
    void SetUp() override {
        LearnTest::SetUp();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT) {
            m_messages.emplace_back(text.GetString());
            return IDYES;
        });
        m_owner.setGeometry(40, 40, 820, 620);
        m_owner.show();
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        LearnTest::TearDown();
    }
    static void Press(QWidget& window, UINT id) {
        static_cast<CKVXDialog&>(window).GetDlgItem<QPushButton>(id)->click();
    }

    QWidget m_owner;
    std::vector<std::wstring> m_messages;
};

TEST_F(LearnFlowsTest, LearnAndSaveThenTakeAQuiz) {
    const int64_t list = MakeList(Db(), L"animals", {{L"cat", L"Katze"}, {L"dog", L"Hund"}, {L"horse", L"Pferd"}});

    // Learn on the first day: "cat" known, "dog" known then unknown,
    // "horse" untouched; closing saves after the question.
    TutorSetTodayForTests(L"2031-05-06");
    CLearnDlg learn(m_app.Services(), &m_owner);
    learn.SetListRecord(ListRecord());
    learn.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(learn.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return learn.GetJob() == LEARN_JOB_NONE && !learn.IsJobRunning(); }, 60000));
    ASSERT_EQ(learn.GetList()->GetRowCount(), 4);
    ClickCell(*learn.GetList(), 1, 0);  // cat
    ClickCell(*learn.GetList(), 2, 0);  // dog
    ClickCell(*learn.GetList(), 2, 0);
    Press(learn, IDOK);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !learn.isVisible(); }, 60000));
    EXPECT_EQ(m_messages.front(), L"Do you want to save the status count of the modified words?");
    EXPECT_TRUE(m_owner.isVisible());
    WINDOWPLACEMENT placement;
    m_app.GetOptions().GetPlacement(PLACEMENT_LEARN, placement);
    EXPECT_GT(placement.rcNormalPosition.right, placement.rcNormalPosition.left);

    std::vector<Entry> entries = Entries(Db(), list);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].count, 1);
    EXPECT_EQ(entries[0].answered, L"2031-05-06");
    EXPECT_EQ(entries[1].count, 0);
    EXPECT_EQ(entries[1].answered, L"2031-05-06");
    // A word that was not marked keeps its date.
    EXPECT_EQ(entries[2].count, 0);
    EXPECT_EQ(entries[2].answered, kEntered);

    // A quiz the next day: Known, Known, Unknown, then the end message.
    TutorSetTodayForTests(L"2031-05-07");
    m_messages.clear();
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    EXPECT_FALSE(m_owner.isVisible());
    Press(quiz, IDC_QUIZ_KNOWN);
    Press(quiz, IDC_QUIZ_KNOWN);
    Press(quiz, IDC_QUIZ_UNKNOWN);
    Press(quiz, IDC_QUIZ_KNOWN);
    EXPECT_EQ(m_messages, std::vector<std::wstring>{L"You have successfully done the Quiz."});
    Press(quiz, IDOK);
    EXPECT_TRUE(m_owner.isVisible());

    entries = Entries(Db(), list);
    EXPECT_EQ(entries[0].count, 2);
    EXPECT_EQ(entries[1].count, 1);
    EXPECT_EQ(entries[2].count, 0);
    for (const Entry& entry : entries) {
        EXPECT_EQ(entry.answered, L"2031-05-07");
        EXPECT_EQ(entry.entered, kEntered);
    }

    // The learning view opened again shows the stored counts as known words.
    ASSERT_TRUE(learn.Open());
    ASSERT_TRUE(QTest::qWaitFor([&] { return learn.GetJob() == LEARN_JOB_NONE && !learn.IsJobRunning(); }, 60000));
    EXPECT_EQ(learn.Session().GetKnownCount(), 2);
    EXPECT_EQ(learn.Session().GetUnknownCount(), 1);
    Press(learn, IDOK);
}

} // namespace
