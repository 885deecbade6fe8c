// The tutor page offscreen over the database component.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/Options.h"
#include "Quenzel/Shared/LanguageComboBox.h"
#include "Quenzel/Shared/VocabularyListCtrl.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/LearnDlg.h"
#include "Quenzel/Tutor/QuizDlg.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "TutorPageFixture.h"
#include "TutorTestData.h"

using namespace tutortest;

namespace {

// A page whose synchronisation answers with a given code instead of
// reaching a service.
class CSyncAnsweringTutorDlg : public CTutorDlg {
public:
    using CTutorDlg::CTutorDlg;
    bool withHttpFile = true;
    int answer = 0;
    int calls = 0;
    int lastDirection = -1;
    std::wstring lastEmail, lastPassword;

protected:
    CAbstractFile* GetHttpFile() override {
        return withHttpFile ? reinterpret_cast<CAbstractFile*>(this) : CTutorDlg::GetHttpFile();
    }
    int SynchronizeDataBase(CAbstractFile*, const wchar_t* email, const wchar_t* password, int direction) override {
        ++calls;
        lastEmail = email;
        lastPassword = password;
        lastDirection = direction;
        return answer;
    }
};

using TutorDlgTest = TutorPageFixture;

} // namespace

TEST_F(TutorDlgTest, TheCriteriaStartWithAllWordsAndFollowTheStatusRule) {
    auto* status = page->GetDlgItem<QComboBox>(IDC_TUTOR_STATUS);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->count(), 4);
    EXPECT_EQ(status->currentText(), QStringLiteral("Not Memorized"));
    EXPECT_TRUE(page->GetDlgItem<QRadioButton>(IDC_TUTOR_ALL_WORDS)->isChecked());
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(page->GetDlgItem(IDC_TUTOR_BETWEEN)->isEnabled());
    EXPECT_FALSE(page->GetDlgItem(IDC_TUTOR_START)->isEnabled());

    page->GetDlgItem<QRadioButton>(IDC_TUTOR_FILTERED)->click();
    status->setCurrentIndex(QUERY_STATUS_ACCESSED);
    emit status->activated(QUERY_STATUS_ACCESSED);
    page->GetDlgItem<QRadioButton>(IDC_TUTOR_MONTHS_CHOICE)->click();
    EXPECT_TRUE(page->GetDlgItem(IDC_TUTOR_MONTHS)->isEnabled());
    EXPECT_FALSE(page->GetDlgItem(IDC_TUTOR_START)->isEnabled());
    EXPECT_FALSE(page->GetDlgItem(IDC_TUTOR_DAYS)->isEnabled());

    // The options of the chosen lists and criteria.
    StoreList(db, L"Mine", from, to, {{L"a", L"b"}});
    page->FillVocabularyLists();
    Select({0});
    page->GetDlgItem<QLineEdit>(IDC_TUTOR_MONTHS)->setText(QStringLiteral(" 4 "));
    CQueryOptions options;
    ASSERT_EQ(page->GetQueryOptions(options), 1);
    EXPECT_EQ(options.AllWords, 0);
    EXPECT_EQ(options.Status, QUERY_STATUS_ACCESSED);
    EXPECT_EQ(options.PeriodKind, QUERY_PERIOD_MONTHS);
    EXPECT_EQ(options.Months, 4);

    page->GetDlgItem<QRadioButton>(IDC_TUTOR_ALL_WORDS)->click();
    EXPECT_FALSE(status->isEnabled());
    EXPECT_FALSE(page->GetDlgItem(IDC_TUTOR_MONTHS)->isEnabled());
}

TEST_F(TutorDlgTest, ExportAndEditWithNothingSelectedAskForAList) {
    MessageSink messages;
    FileAnswer file(kvxtest::Widen(m_data.Sub("never.txt")));
    StoreList(db, L"Mine", from, to, {{L"a", L"b"}});
    page->FillVocabularyLists();
    page->OnExportList();
    EXPECT_EQ(page->GetJob(), TUTOR_JOB_NONE);
    EXPECT_FALSE(page->IsJobRunning());
    EXPECT_TRUE(file.requests.empty());
    page->OnEditList();
    page->OnDeleteLists();
    EXPECT_EQ(messages.texts, (std::vector<std::wstring>(3, Text(31079))));
    EXPECT_EQ(page->GetEditListDlg(), nullptr);
}

TEST_F(TutorDlgTest, ExportWritesTheSelectedListOnTheWorker) {
    MessageSink messages;
    const int64_t id = StoreList(db, L"Mine", from, to, {{L"house", L"Haus"}, {L"tree", L"Baum"}});
    page->FillVocabularyLists();
    Select({0});
    const std::wstring path = kvxtest::Widen(m_data.Sub("mine.csv"));
    FileAnswer file(path);
    page->OnExportList();
    WaitForJob(*page);
    ASSERT_EQ(file.requests.size(), 1u);
    EXPECT_TRUE(file.requests[0].save);
    EXPECT_STREQ(file.requests[0].defaultExtension.GetString(), L"txt");
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_data.Sub("mine.csv")), "house,Haus\r\ntree,Baum\r\n");
    EXPECT_EQ(messages.Last(), Text(31144, path.c_str()));
    EXPECT_FALSE(IsWindow(m_app.GetProgressDlg()));
    (void)id;
}

TEST_F(TutorDlgTest, SyncWithoutTheOnlineModuleSaysSoAndLeavesTheDatabase) {
    MessageSink messages;
    CSyncAnsweringTutorDlg tutor(main->Services(), main.get());
    tutor.withHttpFile = false;
    ASSERT_TRUE(tutor.Create());
    ASSERT_TRUE(tutor.StartSync(1));
    WaitForJob(tutor);
    EXPECT_EQ(tutor.calls, 0);
    EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(31152)});
    EXPECT_EQ(messages.flags, std::vector<UINT>{MB_ICONERROR});
    tutor.DestroyWindow();
}

TEST_F(TutorDlgTest, EachSyncResultShowsItsMessageAndOnlyToLocalRefills) {
    MessageSink messages;
    CSyncAnsweringTutorDlg tutor(main->Services(), main.get());
    ASSERT_TRUE(tutor.Create());
    struct Case {
        int result;
        int direction;
        UINT text;
        UINT flags;
        bool refills;
    };
    const Case cases[] = {
        {DATABASE_OK, 0, 31251, MB_ICONINFORMATION, true},
        {DATABASE_OK, 1, 31251, MB_ICONINFORMATION, false},
        {DATABASE_WRONG_ACCOUNT, 0, 31274, MB_ICONERROR, false},
        {DATABASE_CANCELLED, 0, 31250, MB_ICONERROR, true},
        {DATABASE_NO_CONNECTION, 1, 31152, MB_ICONERROR, false},
        {DATABASE_NOT_SET_UP, 1, 31253, MB_ICONERROR, false},
        {DATABASE_FAILED, 0, 31252, MB_ICONERROR, true},
    };
    int listNumber = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result * 10 + c.direction);
        messages.texts.clear();
        messages.flags.clear();
        // A list that only a refill shows.
        StoreList(db, (L"List " + std::to_wstring(++listNumber)).c_str(), from, to, {});
        const size_t shown = tutor.GetRowRecords().size();
        tutor.answer = c.result;
        ASSERT_TRUE(tutor.StartSync(c.direction));
        WaitForJob(tutor);
        EXPECT_EQ(tutor.lastDirection, c.direction);
        EXPECT_EQ(messages.texts, std::vector<std::wstring>{Text(c.text)});
        EXPECT_EQ(messages.flags, std::vector<UINT>{c.flags});
        EXPECT_EQ(tutor.GetRowRecords().size(), c.refills ? Lists(db).size() : shown);
    }
    tutor.DestroyWindow();
}

TEST_F(TutorDlgTest, TheSyncJobWorksFromTheAccountAndDirectionOfItsStart) {
    MessageSink messages;
    COptions* options = main->Services().options;
    ASSERT_NE(options, nullptr);
    options->SetSyncEMail(L"first@example.org");
    options->SetSyncPassword(L"one");
    CSyncAnsweringTutorDlg tutor(main->Services(), main.get());
    ASSERT_TRUE(tutor.Create());
    ASSERT_TRUE(tutor.StartSync(1));
    // The settings change while the job runs.
    options->SetSyncEMail(L"second@example.org");
    options->SetSyncPassword(L"two");
    WaitForJob(tutor);
    EXPECT_EQ(tutor.calls, 1);
    EXPECT_EQ(tutor.lastEmail, L"first@example.org");
    EXPECT_EQ(tutor.lastPassword, L"one");
    EXPECT_EQ(tutor.lastDirection, 1);
    tutor.DestroyWindow();
}

TEST_F(TutorDlgTest, DeletingEveryListDeletesEachById) {
    MessageSink messages(IDYES);
    StoreList(db, L"One", from, to, {{L"a", L"b"}});
    StoreList(db, L"Two", from, to, {{L"c", L"d"}});
    StoreList(db, L"Three", from, to, {});
    page->FillVocabularyLists();
    ASSERT_EQ(page->GetRowRecords().size(), 3u);

    Select({1});
    const std::wstring name = page->GetSelectedRecords().front()->name.GetString();
    page->OnDeleteLists();
    EXPECT_EQ(messages.texts.front(), Text(31038, name.c_str()));
    EXPECT_EQ(messages.Last(), Text(31043, name.c_str()));
    EXPECT_EQ(Lists(db).size(), 2u);
    EXPECT_EQ(page->GetRowRecords().size(), 2u);

    messages.texts.clear();
    page->GetListCtrl()->SelectAll();
    page->OnDeleteLists();
    EXPECT_EQ(messages.texts, (std::vector<std::wstring>{Text(31133, 2), Text(31134, 2)}));
    EXPECT_TRUE(Lists(db).empty());
    EXPECT_TRUE(page->GetRowRecords().empty());

    // No keeps everything.
    StoreList(db, L"Kept", from, to, {});
    page->FillVocabularyLists();
    messages.SetAnswer(IDNO);
    page->GetListCtrl()->SelectAll();
    page->OnDeleteLists();
    EXPECT_EQ(Lists(db).size(), 1u);
}

TEST_F(TutorDlgTest, EditRefusesReadOnlyAndPictureLists) {
    MessageSink messages;
    StoreList(db, L"Read only", from, to, {}, 0);
    StoreList(db, L"Pictures", kPictureLanguageId, to, {});
    page->FillVocabularyLists();
    const auto rows = page->GetRowRecords();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        Select({row});
        page->OnEditList();
    }
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_NE(std::find(messages.texts.begin(), messages.texts.end(), Text(31352)), messages.texts.end());
    EXPECT_EQ(page->GetEditListDlg(), nullptr);
}

TEST_F(TutorDlgTest, LearnAndQuizTwiceReuseTheirWindows) {
    MessageSink messages;
    StoreList(db, L"First", from, to, {{L"a", L"b"}});
    StoreList(db, L"Second", from, to, {{L"c", L"d"}});
    page->FillVocabularyLists();
    Select({0});
    page->OnLearn();
    CLearnDlg* learn = page->GetLearnDlg();
    ASSERT_NE(learn, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return learn->GetJob() == LEARN_JOB_NONE && !learn->IsJobRunning(); }, 60000));
    EXPECT_FALSE(main->isVisible());
    learn->DestroyWindow();
    Select({0, 1});
    page->OnLearn();
    EXPECT_EQ(page->GetLearnDlg(), learn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return learn->GetJob() == LEARN_JOB_NONE && !learn->IsJobRunning(); }, 60000));
    EXPECT_EQ(learn->Session().GetQueryOptions().ListIds.size(), 2u);
    learn->DestroyWindow();

    page->OnQuiz();
    CQuizDlg* quiz = page->GetQuizDlg();
    ASSERT_NE(quiz, nullptr);
    quiz->DestroyWindow();
    page->OnQuiz();
    EXPECT_EQ(page->GetQuizDlg(), quiz);
    quiz->DestroyWindow();
    EXPECT_TRUE(messages.texts.empty());
}
