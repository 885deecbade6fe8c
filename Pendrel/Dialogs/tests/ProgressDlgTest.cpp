#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/KVXProgressCtrl.h"
#include "Pendrel/Controls/TransparentStaticCtrl.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Dialogs/ProgressDlg.h"
#include "Pendrel/Platform/KVXSysColors.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "Pendrel/Theme/WinTheme.h"
#include "utility/tests/ReportCapture.h"

namespace {

ProgressInfo Report(int kind, const wchar_t* text, int current, int total) {
    ProgressInfo info;
    info.kind = kind;
    info.text = text;
    if (kind == 2) {
        info.current2 = current;
        info.total2 = total;
    } else {
        info.current1 = current;
        info.total1 = total;
    }
    return info;
}

QString Text(CProgressDlg& dialog, UINT id) {
    return qobject_cast<QLabel*>(dialog.GetDlgItem(id))->text();
}

bool Shown(CProgressDlg& dialog, UINT id) {
    return !dialog.GetDlgItem(id)->isHidden();
}

TEST(ProgressDlg, AShowingStartsWithEmptyTextsHiddenLabelsAndTheChosenBar) {
    QWidget owner;
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create(&owner));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Please wait..."));
    EXPECT_EQ(dialog.parentWidget(), nullptr);  // over the owner, not its child
    for (UINT id : {CProgressDlg::IDC_CAPTION, CProgressDlg::IDC_FIRST_PAIR, CProgressDlg::IDC_SECOND_PAIR})
        EXPECT_EQ(Text(dialog, id), QString()) << id;
    EXPECT_FALSE(Shown(dialog, CProgressDlg::IDC_FIRST_LABEL));
    EXPECT_FALSE(Shown(dialog, CProgressDlg::IDC_SECOND_LABEL));
    auto* cancel = dialog.GetDlgItem<CWinButton>(IDCANCEL);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    int isPng = TRUE;
    EXPECT_TRUE(cancel->HasImage(isPng));
    EXPECT_FALSE(isPng);
    // The labels draw on the dialog's own background colour.
    const COLORREF background = GetSysColor(COLOR_BTNFACE);  // no application object here
    EXPECT_EQ(dialog.palette().color(QPalette::Window), KVXToQColor(background));
    for (UINT id : {CProgressDlg::IDC_CAPTION, CProgressDlg::IDC_FIRST_LABEL, CProgressDlg::IDC_FIRST_PAIR,
                    CProgressDlg::IDC_SECOND_LABEL, CProgressDlg::IDC_SECOND_PAIR}) {
        auto* label = dialog.GetDlgItem<CTransparentStaticCtrl>(id);
        ASSERT_NE(label, nullptr) << id;
        EXPECT_EQ(label->GetBackgroudColor(), background) << id;
    }
    EXPECT_EQ(dialog.GetDlgItem<CTransparentStaticCtrl>(CProgressDlg::IDC_FIRST_LABEL)->text(),
              QStringLiteral("Vocabulary count:"));
    // Busy bar by default, started.
    QPointer<CKVXProgressCtrl> busy = dialog.GetBusyBar();
    ASSERT_TRUE(busy);
    EXPECT_EQ(dialog.GetDlgItem(CProgressDlg::IDC_BAR), busy.data());
    EXPECT_TRUE(busy->IsStarted());
    dialog.DestroyWindow();
    EXPECT_FALSE(busy->IsStarted());

    // The next showing with the plain bar replaces the busy bar.
    dialog.SetDlgMode(PROGRESS_MODE_BAR);
    ASSERT_TRUE(dialog.Create(&owner));
    EXPECT_FALSE(busy);
    EXPECT_EQ(dialog.GetBusyBar(), nullptr);
    ASSERT_NE(dialog.GetProgressBar(), nullptr);
    EXPECT_EQ(dialog.GetDlgItem(CProgressDlg::IDC_BAR), dialog.GetProgressBar());
}

TEST(ProgressDlg, ReportsFromAWorkerShowTheCaptionAndTheCounterPairs) {
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create());
    std::thread worker([&] {
        ProgressInfo first = Report(1, L"Verbs & nouns", 3, 12);
        dialog.SetProgress(&first);
        ProgressInfo second = Report(2, L"", 125, 200);
        dialog.SetProgress(&second);
        ProgressInfo other = Report(3, L"ignored", 9, 9);
        dialog.SetProgress(&other);
        dialog.SetProgress(nullptr);
    });
    worker.join();
    // Nothing is touched on the worker's thread.
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_FIRST_PAIR), QString());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_CAPTION), QStringLiteral("Syncing vocabulary list: Verbs & nouns"));
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_FIRST_PAIR), QStringLiteral("03 / 12"));
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_SECOND_PAIR), QStringLiteral("125 / 200"));
    EXPECT_TRUE(Shown(dialog, CProgressDlg::IDC_FIRST_LABEL));
    EXPECT_TRUE(Shown(dialog, CProgressDlg::IDC_SECOND_LABEL));
    // The buttons draw through the theme, as in the programs.
    std::unique_ptr<CAbstractWinTheme> theme(CreateWinTheme());
    KVXSetCurrentWinTheme(theme.get());
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_FOLDER));
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/progress-dialog.png")));
    KVXSetCurrentWinTheme(nullptr);
}

TEST(ProgressDlg, ASecondKindOnlyReportShowsOnlyTheSecondPair) {
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ProgressInfo second = Report(2, L"", 1, 4);
    dialog.SetProgress(&second);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_SECOND_PAIR), QStringLiteral("01 / 04"));
    EXPECT_TRUE(Shown(dialog, CProgressDlg::IDC_SECOND_LABEL));
    EXPECT_FALSE(Shown(dialog, CProgressDlg::IDC_FIRST_LABEL));
    EXPECT_EQ(Text(dialog, CProgressDlg::IDC_CAPTION), QString());
}

TEST(ProgressDlg, CancelAndEscapeStopTheJobAndCloseEnterOnlyCloses) {
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create());
    // Enter reaches the dialog even with the focus on Cancel.
    dialog.GetDlgItem(IDCANCEL)->setFocus();
    QTest::keyClick(dialog.GetDlgItem(IDCANCEL), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsRunning());

    ASSERT_TRUE(dialog.Create());
    QTest::mouseClick(dialog.GetDlgItem<QPushButton>(IDCANCEL), Qt::LeftButton);
    EXPECT_FALSE(dialog.IsRunning());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(SendMessage(&dialog, WM_USER, 0, 0), 0);  // takes no messages

    dialog.SetRunning(TRUE);
    ASSERT_TRUE(dialog.Create());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.IsRunning());
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ProgressDlg, AFloodOfReportsStopsAtTheRowAfterCancelAndLeavesNothingBehind) {
    constexpr int kRows = 100000;
    constexpr int kCancelRow = 5000;
    auto dialog = std::make_unique<CProgressDlg>();
    ASSERT_TRUE(dialog->Create());
    std::promise<void> reached;
    std::promise<void> cancelled;
    std::atomic<int> stoppedAt{-1};
    std::atomic<bool> done{false};
    CProgressDlg* status = dialog.get();
    std::thread worker([&, status] {
        std::future<void> cancelledFuture = cancelled.get_future();
        for (int row = 0; row < kRows; ++row) {
            if (!status->IsRunning()) {
                stoppedAt = row;
                break;
            }
            if (row == kCancelRow) {
                reached.set_value();
                cancelledFuture.wait();
            }
            ProgressInfo info = Report(1, L"Verbs", row, kRows);
            status->SetProgress(&info);
        }
        done = true;
    });
    std::future<void> reachedFuture = reached.get_future();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return reachedFuture.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 60000));
    QCoreApplication::sendPostedEvents();
    const QString beforeCancel = Text(*dialog, CProgressDlg::IDC_FIRST_PAIR);
    EXPECT_TRUE(beforeCancel.endsWith(QStringLiteral(" / 100000"))) << beforeCancel.toStdString();
    QTest::mouseClick(dialog->GetDlgItem<QPushButton>(IDCANCEL), Qt::LeftButton);
    cancelled.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 60000));
    worker.join();
    EXPECT_EQ(stoppedAt, kCancelRow + 1);
    // The report made after Cancel is never shown.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Text(*dialog, CProgressDlg::IDC_FIRST_PAIR), beforeCancel);
    // A report still queued when the dialog goes is dropped with it.
    ProgressInfo late = Report(1, L"late", 1, 1);
    dialog->SetRunning(TRUE);
    ASSERT_TRUE(dialog->Create());
    dialog->SetProgress(&late);
    dialog.reset();
    QCoreApplication::sendPostedEvents();
}

TEST(ProgressDlg, AnOwnerThatGoesLeavesTheProgressDialog) {
    CProgressDlg dialog;
    auto owner = std::make_unique<QWidget>();
    ASSERT_TRUE(dialog.Create(owner.get()));
    owner.reset();
    EXPECT_TRUE(IsWindow(&dialog));
    EXPECT_TRUE(dialog.DestroyWindow());
    QWidget next;
    EXPECT_TRUE(dialog.Create(&next));

    // An owner given at construction is no Qt parent either.
    auto mainWindow = std::make_unique<QWidget>();
    CProgressDlg application(mainWindow.get());
    EXPECT_EQ(application.parentWidget(), nullptr);
    mainWindow.reset();
    EXPECT_TRUE(application.Create());
    EXPECT_TRUE(IsWindow(&application));
}

class ProgressDlgServices : public ReportCapture {};

TEST_F(ProgressDlgServices, StringsAndConversions) {
    CProgressDlg dialog;
    EXPECT_STREQ(dialog.LoadStringW(CProgressDlg::IDS_SYNCING_LIST), L"Syncing vocabulary list: %s");
    EXPECT_STREQ(dialog.LoadStringW(64999), L"");
    EXPECT_STREQ(dialog.MultiByteToWideChar(1252, "Gr\xC3\xBC\xC3\x9F" "e"), L"Gr\u00FC\u00DFe");
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_STREQ(dialog.MultiByteToWideChar(65001, nullptr), L"");
    EXPECT_EQ(AssertionLines(), std::vector<int>{174});
    EXPECT_STREQ(dialog.WideCharToMultiByte(65001, L"x"), "");
    EXPECT_STREQ(dialog.MultiByteToMultiByte(1252, "x", 65001), "");
    EXPECT_STREQ(dialog.EncodeURL(L"a b"), L"");
    EXPECT_STREQ(dialog.GetDocumentsPath(), L"");
    dialog.AddLogMsg(L"text", L"01:05:09 PM", LOG_ICON_TYPE(1), 0);

    // Each thread has its own buffer: a worker's call does not change the
    // text the dialog's thread holds.
    const wchar_t* held = dialog.LoadStringW(CProgressDlg::IDS_SYNCING_LIST);
    std::thread([&] { dialog.LoadStringW(64999); }).join();
    EXPECT_STREQ(held, L"Syncing vocabulary list: %s");
}

} // namespace
