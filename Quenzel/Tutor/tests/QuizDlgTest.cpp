// The quiz window offscreen over the database component.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "LearnTestData.h"
#include "LearnTestFixture.h"
#include "Pendrel/Controls/TransparentStaticImageCtrl.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/Shared/PronunciationDlg.h"
#include "Quenzel/Shell/tests/DataFileCheck.h"
#include "Quenzel/Tutor/QuizDlg.h"
#include "testing/FullDisk.h"

using namespace learntest;

namespace {

class QuizDlgTest : public LearnTest {
protected:
    void SetUp() override {
        LearnTest::SetUp();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            m_messages.emplace_back(text.GetString());
            m_flags = flags;
            return IDOK;
        });
        m_owner.show();
    }
    void TearDown() override {
        KVXSetMessageBoxHandler({});
        LearnTest::TearDown();
    }
    static void Press(CQuizDlg& quiz, UINT id) { quiz.GetDlgItem<QPushButton>(id)->click(); }
    static QString Label(CQuizDlg& quiz, UINT id) { return quiz.GetDlgItem<QLabel>(id)->text(); }
    // The resource id of the picture a status or answer image shows.
    static UINT Picture(CQuizDlg& quiz, UINT control) {
        auto* image = quiz.GetDlgItem<CTransparentStaticImageCtrl>(control);
        return image ? image->GetPictureId() : UINT(-1);
    }
    static std::wstring Word(CQuizDlg& quiz) { return quiz.GetWordText().GetString(); }
    static std::wstring Meaning(CQuizDlg& quiz) { return quiz.GetMeaningText().GetString(); }
    QWidget m_owner;
    std::vector<std::wstring> m_messages;
    UINT m_flags = 0;
};

TEST_F(QuizDlgTest, AnswersWalkThroughTheWordsUntilTheEndMessage) {
    const int64_t list = MakeList(Db(), L"quiz", {{L"one", L"eins"}, {L"two", L"zwei"}});
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    EXPECT_FALSE(m_owner.isVisible());
    EXPECT_EQ(Word(quiz), L"one");
    EXPECT_EQ(Meaning(quiz), L"");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_TOTAL_VALUE), QStringLiteral("1 / 2"));
    EXPECT_EQ(Label(quiz, IDC_QUIZ_LANGUAGES), QStringLiteral("English to German"));
    EXPECT_FALSE(quiz.GetDlgItem(IDC_QUIZ_BACK)->isEnabled());
    EXPECT_EQ(quiz.GetDlgItem<QComboBox>(IDC_QUIZ_SHOW_MODE)->currentText(), QStringLiteral("Previous"));

    Press(quiz, IDC_QUIZ_KNOWN);
    // "Previous": the answered word's meaning shows beside the next word.
    EXPECT_EQ(Word(quiz), L"two");
    EXPECT_EQ(Meaning(quiz), L"eins");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_KNOWN_VALUE), QStringLiteral("1"));
    EXPECT_EQ(Label(quiz, IDC_QUIZ_TOTAL_VALUE), QStringLiteral("2 / 2"));
    EXPECT_TRUE(quiz.GetDlgItem(IDC_QUIZ_BACK)->isEnabled());
    Screenshot(quiz, "quiz-view.png");

    Press(quiz, IDC_QUIZ_UNKNOWN);
    EXPECT_EQ(Label(quiz, IDC_QUIZ_UNKNOWN_VALUE), QStringLiteral("1"));
    EXPECT_TRUE(m_messages.empty());
    Press(quiz, IDC_QUIZ_KNOWN);
    EXPECT_EQ(m_messages, std::vector<std::wstring>{L"You have successfully done the Quiz."});
    EXPECT_EQ(m_flags, UINT(MB_ICONINFORMATION));
    EXPECT_EQ(Entries(Db(), list)[1].count, 0);

    Press(quiz, IDOK);
    EXPECT_FALSE(quiz.isVisible());
    EXPECT_TRUE(m_owner.isVisible());
}

TEST_F(QuizDlgTest, AnAnswerTheFullDiskRefusesIsToldAndCanBeGivenAgain) {
    const int64_t list = MakeList(Db(), L"full", {{L"one", L"eins"}, {L"two", L"zwei"}});
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        Press(quiz, IDC_QUIZ_KNOWN);
    }
    // Told, and nothing moved on: the same word waits for its answer.
    EXPECT_EQ(m_messages, std::vector<std::wstring>{StorageFailureText().GetString()});
    EXPECT_EQ(m_flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(quiz.isVisible());
    EXPECT_EQ(Word(quiz), L"one");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_KNOWN_VALUE), QStringLiteral("0"));
    EXPECT_EQ(Label(quiz, IDC_QUIZ_TOTAL_VALUE), QStringLiteral("1 / 2"));
    EXPECT_EQ(Entries(Db(), list)[0].count, 0);

    // With room again the same answer is stored.
    Press(quiz, IDC_QUIZ_KNOWN);
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(Word(quiz), L"two");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_KNOWN_VALUE), QStringLiteral("1"));
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
    EXPECT_EQ(quenzeltest::DataFileIntegrity(m_data.Sub("Quenzel.pkv")), "ok");
}

TEST_F(QuizDlgTest, TheLastAnswerRefusedLeavesTheQuizUnfinished) {
    const int64_t list = MakeList(Db(), L"last", {{L"one", L"eins"}});
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    {
        kvxtest::FullDisk full;
        Press(quiz, IDC_QUIZ_UNKNOWN);
    }
    EXPECT_EQ(m_messages, std::vector<std::wstring>{StorageFailureText().GetString()});
    // The refused answer did not finish the quiz: this one is stored, and
    // only the next one ends it.
    Press(quiz, IDC_QUIZ_KNOWN);
    EXPECT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
    Press(quiz, IDC_QUIZ_KNOWN);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1], L"You have successfully done the Quiz.");
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
}

TEST_F(QuizDlgTest, VerifyChecksTheTypedMeaning) {
    const int64_t list = MakeList(Db(), L"verify", {{L"house", L"Haus"}, {L"dog", L"Hund"}});
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_ANSWER_IMAGE), 0u);
    // The shown word's status picture is that of count 0; no meaning shows
    // yet, so its status is the blank picture.
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_WORD_STATUS), 412u);
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_MEANING_STATUS), 404u);
    quiz.SetAnswerText(L"Haus ");
    Press(quiz, IDC_QUIZ_VERIFY);
    EXPECT_EQ(Word(quiz), L"house");
    EXPECT_EQ(Entries(Db(), list)[0].count, 0);
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_ANSWER_IMAGE), 320u);
    quiz.SetAnswerText(L"home\nhaus");
    Press(quiz, IDC_QUIZ_VERIFY);
    EXPECT_EQ(Word(quiz), L"dog");
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_ANSWER_IMAGE), 319u);
    // "Previous": the answered word's meaning with its new count 1.
    EXPECT_EQ(Picture(quiz, IDC_QUIZ_MEANING_STATUS), 413u);
    // Back shows the earlier word again and lowers the counter.
    Press(quiz, IDC_QUIZ_BACK);
    EXPECT_EQ(Word(quiz), L"house");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_KNOWN_VALUE), QStringLiteral("0"));
    // Opening it again starts a new quiz.
    ASSERT_TRUE(quiz.Open());
    EXPECT_EQ(Word(quiz), L"house");
    EXPECT_EQ(Label(quiz, IDC_QUIZ_TOTAL_VALUE), QStringLiteral("1 / 2"));
}

TEST_F(QuizDlgTest, SoundButtonsOpenThePronunciationsOfTheirSide) {
    const int64_t list = MakeList(Db(), L"sounds", {{L"bird", L"Vogel"}, {L"fish", L"Fisch"}});
    CAbstractRecordSet* set = Db().QueryWords(AllWordsOf(list));
    WordRecord bird;
    Db().ReadWord(set, bird);
    Db().ReleaseRecordSet(set);
    PronunciationRecord sound;
    sound.ownerId = bird.wordId;
    sound.side = kPronunciationWord;
    sound.sound = {'I', 'D', '3', 0};
    ASSERT_EQ(Db().SavePronunciation(sound, nullptr), DATABASE_OK);

    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list));
    ASSERT_TRUE(quiz.Open());
    // Only the word side of "bird" has a sound.
    EXPECT_TRUE(quiz.GetDlgItem(IDC_QUIZ_SOUND_WORD)->isEnabled());
    EXPECT_FALSE(quiz.GetDlgItem(IDC_QUIZ_SOUND_MEANING)->isEnabled());
    Press(quiz, IDC_QUIZ_SOUND_WORD);
    ASSERT_NE(quiz.GetPronunciationDlg(), nullptr);
    EXPECT_TRUE(quiz.GetPronunciationDlg()->isVisible());
    ASSERT_NE(quiz.GetPronunciationDlg()->GetCurrentSounds(), nullptr);
    EXPECT_EQ(quiz.GetPronunciationDlg()->GetCurrentSounds()->size(), 1u);
    // After the answer the next word has none; the previous word's meaning
    // has none either.
    Press(quiz, IDC_QUIZ_KNOWN);
    EXPECT_FALSE(quiz.GetDlgItem(IDC_QUIZ_SOUND_WORD)->isEnabled());
    Press(quiz, IDOK);
}

TEST_F(QuizDlgTest, APictureQuizHasNoVerifyAndShowsThePicture) {
    const int64_t list = MakeList(Db(), L"pictures", {{L"cat", L"Katze"}});
    CQuizDlg quiz(m_app.Services(), &m_owner);
    quiz.SetQueryOptions(AllWordsOf(list, kEnglish, kPictureLanguageId));
    ASSERT_TRUE(quiz.Open());
    EXPECT_FALSE(quiz.GetDlgItem(IDC_QUIZ_VERIFY)->isEnabled());
    EXPECT_FALSE(quiz.GetDlgItem(IDC_QUIZ_MEANING)->isVisible());
    EXPECT_TRUE(quiz.GetDlgItem(IDC_QUIZ_PICTURE)->isVisible());
    EXPECT_LE(quiz.maximumHeight(), 600);
    Screenshot(quiz, "quiz-view-pictures.png");
}

} // namespace
