// The learning view offscreen over the database component.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPointer>
#include <QPrintPreviewWidget>
#include <QDir>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "LearnTestData.h"
#include "LearnTestFixture.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Dialogs/PrintDialog.h"
#include "Pendrel/Dialogs/VirtualFrameWnd.h"
#include "Pendrel/Dialogs/VirtualPreview.h"
#include "Pendrel/Dialogs/tests/PdfReadBack.h"
#include "Pendrel/Platform/KVXFileDialog.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Quenzel/App/DataBaseCall.h"
#include "Quenzel/Shared/MultilineListBox.h"
#include "Quenzel/Tutor/LearnDlg.h"
#include "Quenzel/Tutor/Model/QuizSession.h"
#include "testing/FullDisk.h"

using namespace learntest;

namespace {

class LearnDlgTest : public LearnTest {
protected:
    void SetUp() override {
        LearnTest::SetUp();
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT flags) {
            m_messages.emplace_back(text.GetString());
            m_flags.push_back(flags);
            return m_answer;
        });
        KVXSetFileDialogHandler([this](QWidget*, const KVXFileDialogRequest& request, KVXFileDialogAnswer& answer) {
            m_request = request;
            if (m_file.empty()) return false;
            answer.path = CBasicString(m_file.c_str());
            return true;
        });
        m_owner.resize(400, 300);
        m_owner.show();
    }
    void TearDown() override {
        KVXSetFileDialogHandler({});
        KVXSetMessageBoxHandler({});
        KVXSetPrintDialogHandler({});
        LearnTest::TearDown();
    }

    std::unique_ptr<CLearnDlg> Open(int64_t listId, RecordingProgress* progress = nullptr) {
        auto view = std::make_unique<CLearnDlg>(m_app.Services(), &m_owner);
        view->SetListRecord(ListRecord());
        view->SetQueryOptions(AllWordsOf(listId));
        if (progress) view->SetJobProgress(progress);
        EXPECT_TRUE(view->Open());
        WaitForJob(*view);
        return view;
    }
    static void WaitForJob(CLearnDlg& view) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return view.GetJob() == LEARN_JOB_NONE && !view.IsJobRunning(); }, 60000));
    }
    static QString Label(CLearnDlg& view, UINT id) {
        auto* label = view.GetDlgItem<QLabel>(id);
        return label ? label->text() : QString();
    }
    QWidget m_owner;
    std::vector<std::wstring> m_messages;
    std::vector<UINT> m_flags;
    int m_answer = IDOK;
    std::string m_file;
    KVXFileDialogRequest m_request;
    kvxtest::TempFolder m_files;
};

TEST_F(LearnDlgTest, LoadsTheWordsBehindProgressAndShowsThem) {
    const int64_t list = MakeList(Db(), L"long", Numbered(250));
    RecordingProgress progress;
    auto view = Open(list, &progress);
    EXPECT_EQ(progress.steps, (std::vector<int>{100, 200, 250}));
    EXPECT_EQ(progress.captions, std::vector<std::wstring>{L"English to German"});
    EXPECT_FALSE(m_owner.isVisible());
    ASSERT_EQ(view->GetList()->GetRowCount(), 251);
    EXPECT_EQ(std::wstring(view->GetList()->GetRow(1)->word.m_text.GetString()), L"word001");
    EXPECT_EQ(std::wstring(view->GetList()->GetRow(0)->meaning.m_text.GetString()), L"German");
    EXPECT_EQ(view->GetList()->model()->rowCount(), 251);
    EXPECT_EQ(Label(*view, IDC_LEARN_KNOWN_VALUE), QStringLiteral("0 / 250"));
    EXPECT_EQ(Label(*view, IDC_LEARN_UNKNOWN_VALUE), QStringLiteral("250 / 250"));
    EXPECT_EQ(Label(*view, IDC_LEARN_LANGUAGES), QStringLiteral("English to German"));
    EXPECT_TRUE(view->GetDlgItem(IDC_LEARN_SAVE)->isEnabled());
    EXPECT_GE(view->width(), 800);
    EXPECT_GE(view->height(), 600);
    // The advertisement panel lies over its placeholder.
    auto* panel = view->findChild<CAdvertiseDialog*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->geometry(), view->GetDlgItem(IDC_LEARN_ADVERTISEMENT)->geometry());
    EXPECT_GE(view->GetList()->y(), panel->geometry().bottom());
    Screenshot(*view, "learn-view.png");

    // Without it the list takes its place.
    m_app.GetOptions().SetAdvertisement(0);
    view->GetDlgItem<QPushButton>(IDOK)->click();
    ASSERT_TRUE(view->Open());
    WaitForJob(*view);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(view->GetList()->y(), view->GetDlgItem(IDC_LEARN_ADVERTISEMENT)->y());
}

TEST_F(LearnDlgTest, ClicksMarkAndUncoverAndTheKnownButtonMarksTheSelection) {
    const int64_t list = MakeList(Db(), L"three", {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}});
    auto view = Open(list);
    CMultilineListBox& box = *view->GetList();
    view->GetDlgItem<QCheckBox>(IDC_LEARN_HIDE_MEANINGS)->click();
    EXPECT_TRUE(box.GetRow(2)->IsMeaningHidden());
    // A click on a hidden meaning uncovers it and marks nothing.
    ClickCell(box, 2, 1);
    EXPECT_FALSE(box.GetRow(2)->IsMeaningHidden());
    EXPECT_TRUE(box.GetRow(1)->IsMeaningHidden());
    EXPECT_FALSE(view->Session().IsModified());
    // A click on the word marks it Known, the next one Unknown.
    ClickCell(box, 1, 0);
    EXPECT_TRUE(box.GetRow(1)->IsStatusA());
    EXPECT_EQ(Label(*view, IDC_LEARN_KNOWN_VALUE), QStringLiteral("1 / 3"));
    EXPECT_EQ(Label(*view, IDC_LEARN_TOTAL_VALUE), QStringLiteral("1 / 3"));
    ClickCell(box, 1, 0);
    EXPECT_EQ(Label(*view, IDC_LEARN_KNOWN_VALUE), QStringLiteral("0 / 3"));
    EXPECT_EQ(Label(*view, IDC_LEARN_UNKNOWN_VALUE), QStringLiteral("3 / 3"));

    box.selectAll();
    view->GetDlgItem<QPushButton>(IDC_LEARN_KNOWN)->click();
    WaitForJob(*view);
    EXPECT_EQ(Label(*view, IDC_LEARN_KNOWN_VALUE), QStringLiteral("3 / 3"));
    EXPECT_TRUE(box.GetRow(3)->IsStatusA());
    Screenshot(*view, "learn-view-marked.png");
    m_answer = IDNO;
}

TEST_F(LearnDlgTest, ClosingWithUnsavedMarksAsksAndYesSavesFirst) {
    const int64_t list = MakeList(Db(), L"close", {{L"a", L"1"}, {L"b", L"2"}});
    auto view = Open(list);
    // Without marks it closes at once.
    view->GetDlgItem<QPushButton>(IDOK)->click();
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(m_owner.isVisible());

    view->Open();
    WaitForJob(*view);
    ClickCell(*view->GetList(), 1, 0);
    // Enter and Escape neither close the view nor ask.
    QTest::keyClick(view.get(), Qt::Key_Escape);
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(m_messages.empty());
    m_answer = IDCANCEL;
    view->GetDlgItem<QPushButton>(IDOK)->click();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], L"Do you want to save the status count of the modified words?");
    EXPECT_EQ(m_flags[0], UINT(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_TRUE(view->isVisible());

    m_answer = IDNO;
    view->GetDlgItem<QPushButton>(IDOK)->click();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(Entries(Db(), list)[0].count, 0);

    view->Open();
    WaitForJob(*view);
    EXPECT_FALSE(view->Session().IsModified());
    ClickCell(*view->GetList(), 1, 0);
    m_answer = IDYES;
    view->GetDlgItem<QPushButton>(IDOK)->click();
    // The view closes only once the save has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }, 60000));
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
    EXPECT_EQ(Entries(Db(), list)[0].answered, kToday);
    EXPECT_TRUE(m_owner.isVisible());
}

TEST_F(LearnDlgTest, ASaveTheDiskRefusesKeepsTheViewOpenWithItsMarks) {
    const int64_t list = MakeList(Db(), L"full", {{L"a", L"1"}, {L"b", L"2"}});
    auto view = Open(list);
    ClickCell(*view->GetList(), 1, 0);
    m_answer = IDYES;
    {
        kvxtest::FullDisk full;
        ASSERT_TRUE(full.IsActive());
        view->GetDlgItem<QPushButton>(IDOK)->click();
        WaitForJob(*view);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[1], StorageFailureText().GetString());
    EXPECT_EQ(m_flags[1], UINT(MB_ICONERROR));
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->Session().IsModified());
    EXPECT_TRUE(view->GetDlgItem(IDC_LEARN_SAVE)->isEnabled());
    EXPECT_EQ(Entries(Db(), list)[0].count, 0);

    // Closing again saves the kept mark and closes.
    view->GetDlgItem<QPushButton>(IDOK)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }, 60000));
    EXPECT_EQ(Entries(Db(), list)[0].count, 1);
}

TEST_F(LearnDlgTest, ExportUsesTheSeparatorOfTheExtension) {
    const int64_t list = MakeList(Db(), L"export", {{L"a", L"1"}, {L"b", L"2"}});
    auto view = Open(list);
    m_file = m_files.Sub("words.CSV");
    view->GetDlgItem<QPushButton>(IDC_LEARN_EXPORT)->click();
    WaitForJob(*view);
    EXPECT_TRUE(m_request.save);
    EXPECT_EQ(std::wstring(m_request.defaultExtension.GetString()), L"txt");
    EXPECT_EQ(std::wstring(m_request.filter.GetString()),
              L"Text File ( Tab separated ) (*.txt)|*.txt|CSV File ( Comma separated ) (*.csv)|*.csv|");
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_file), "a,1\r\nb,2\r\n");
    ASSERT_FALSE(m_messages.empty());
    EXPECT_NE(m_messages.back().find(L"Successfully exported the vocabulary list to ("), std::wstring::npos);

    // Another extension: nothing is written.
    m_messages.clear();
    m_file = m_files.Sub("words.doc");
    view->GetDlgItem<QPushButton>(IDC_LEARN_EXPORT)->click();
    WaitForJob(*view);
    EXPECT_FALSE(std::filesystem::exists(m_file));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(LearnDlgTest, PrintingGivesAPageForEveryThirtyWords) {
    const int64_t list = MakeList(Db(), L"print", Numbered(65));
    auto view = Open(list);
    const std::string pdf = m_files.Sub("words.pdf");
    UINT maxPage = 0;
    KVXSetPrintDialogHandler([&](QWidget*, QPrinter& printer, CPrintInfo& info) -> BOOL {
        maxPage = info.GetMaxPage();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return TRUE;
    });
    view->GetDlgItem<QPushButton>(ID_FILE_PRINT)->click();
    EXPECT_EQ(maxPage, 3u);
    EXPECT_EQ(kvxdialogtest::PdfPageCount(kvxtest::TempFolder::ReadFile(pdf)), 3);

    // The preview shows the same pages in place of the view.
    view->GetDlgItem<QPushButton>(ID_FILE_PRINT_PREVIEW)->click();
    QPointer<CVirtualFrameWnd> frame;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<CVirtualFrameWnd*>(widget); found && found->isVisible()) frame = found;
    ASSERT_TRUE(frame);
    EXPECT_FALSE(view->isVisible());
    frame->GetPreview()->PreviewWidget()->updatePreview();
    EXPECT_EQ(frame->GetPreview()->PreviewWidget()->pageCount(), 3);
    frame->showNormal();
    frame->resize(900, 1100);
    QApplication::processEvents();
    frame->GetPreview()->PreviewWidget()->fitInView();
    QApplication::processEvents();
    Screenshot(*frame, "learn-view-preview.png");
    frame->close();
    EXPECT_TRUE(view->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // An empty list still prints its heading on one page.
    const int64_t empty = MakeList(Db(), L"empty", {});
    auto none = Open(empty);
    none->GetDlgItem<QPushButton>(ID_FILE_PRINT)->setEnabled(true);
    SendMessage(none.get(), WM_COMMAND, ID_FILE_PRINT, 0);
    EXPECT_EQ(maxPage, 1u);
    EXPECT_EQ(kvxdialogtest::PdfPageCount(kvxtest::TempFolder::ReadFile(pdf)), 1);
    // Only Close is enabled over an empty list.
    EXPECT_FALSE(none->GetDlgItem(IDC_LEARN_SAVE)->isEnabled());
    EXPECT_TRUE(none->GetDlgItem(IDOK)->isEnabled());
}

} // namespace
