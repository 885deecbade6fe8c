#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/AdvertiseDialog.h"
#include "Pendrel/Controls/KVXHtmlView.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXWindowMessages.h"
#include "testing/LoopbackHttpServer.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Modules.h"

namespace {

constexpr int kWait = 60000;

// An application object whose link table holds link 11 with the base
// address; the panel's reachability tests are answered by the test.
class AdvertiseDialogTest : public ::testing::Test {
protected:
    void SetUp() override { UseBase("http://ads.test/kvx/advertise/"); }
    void TearDown() override {
        KVXSetApp(nullptr);
        m_app.Release();
        SetLibraryLog(nullptr);
    }

    void UseBase(const std::string& base) {
        m_folder.WriteFile("UrlFile.xml", "<UrlFile><Url id=\"11\" url=\"" + base + "\"/></UrlFile>");
        m_app.SetLinkTable(std::make_unique<CLinkTable>());
        ASSERT_TRUE(m_app.GetLinkTable()->Load(m_folder.WPath().c_str(), nullptr));
        KVXSetApp(&m_app);
    }

    // Makes the panel over the host with the test's reachability answers.
    void MakePanel(CAdvertiseDialog& panel) {
        panel.SetReachabilityTest([this](const CBasicString& address) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tried.push_back(address.GetString());
            m_threads.insert(std::this_thread::get_id());
            return m_unreachable.count(address.GetString()) ? 0 : 1;
        });
        ASSERT_TRUE(panel.Create(&m_host));
        m_host.resize(panel.size());
        m_host.show();
    }

    // One turn of the rotation, as its timer gives it; the address tried.
    std::wstring Turn(CAdvertiseDialog& panel) {
        QSignalSpy tried(&panel, &CAdvertiseDialog::advertisementTried);
        EXPECT_TRUE(PostMessage(&panel, CAdvertiseDialog::WM_REFRESH_ADVERTISEMENT, 0, 0));
        EXPECT_TRUE(tried.wait(kWait));
        // The worker's thread ends just after it told its result.
        EXPECT_TRUE(QTest::qWaitFor([&panel] { return !panel.IsJobRunning(); }, kWait));
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_tried.empty() ? std::wstring() : m_tried.back();
    }

    std::wstring Current(const CAdvertiseDialog& panel) const { return panel.GetCurrentURL().GetString(); }

    kvxtest::TempFolder m_folder;
    CKVXApp m_app;
    QWidget m_host;
    std::mutex m_mutex;
    std::vector<std::wstring> m_tried;
    std::set<std::thread::id> m_threads;
    std::set<std::wstring> m_unreachable;
};

TEST_F(AdvertiseDialogTest, ShowsTheLocalBannerUntilItemsArrive) {
    CAdvertiseDialog panel;
    MakePanel(panel);
    const std::wstring local = Current(panel);
    EXPECT_EQ(local.rfind(L"res://", 0), 0u);
    EXPECT_EQ(local.substr(local.size() - 4), L"/150");
    EXPECT_EQ(panel.GetTimerInterval(), 0u);
    EXPECT_EQ(panel.size(), QSize(468, 60));

    // The banner shows its five pictures in turn, every ten seconds.
    EXPECT_EQ(panel.GetBannerInterval(), 10000u);
    EXPECT_EQ(panel.GetBannerSlide(), 1);
    QScrollBar* scroll = panel.GetView()->verticalScrollBar();
    EXPECT_EQ(scroll->value(), 0);
    std::filesystem::create_directories(KVX_SCREENSHOT_FOLDER);
    m_host.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/advertisement-panel-1.png"));
    std::vector<int> slides;
    std::vector<int> shown;
    for (int i = 0; i < 5; ++i) {
        panel.OnTimer(CAdvertiseDialog::kBannerTimer);
        slides.push_back(panel.GetBannerSlide());
        // Only the current picture is shown, at the top of the strip.
        int visible = 0;
        for (QTextBlock block = panel.GetView()->document()->begin(); block.isValid(); block = block.next())
            if (block.isVisible()) visible = visible * 10 + block.blockNumber() + 1;
        shown.push_back(visible);
        EXPECT_EQ(scroll->value(), 0);
        if (i == 2) m_host.grab().save(QStringLiteral(KVX_SCREENSHOT_FOLDER "/advertisement-panel-4.png"));
    }
    EXPECT_EQ(slides, (std::vector<int>{2, 3, 4, 5, 1}));
    EXPECT_EQ(shown, slides);

    // Each picture links to a page of the maker's, opened outside.
    EXPECT_TRUE(panel.GetView()->toHtml().contains(QStringLiteral("/kvx/about/keyboard.html")));
}

TEST_F(AdvertiseDialogTest, RotatesThroughTheItemsOnItsTimer) {
    CAdvertiseDialog panel;
    MakePanel(panel);
    panel.NavigateURL({L"English", L"Fran\u00E7ais"}, 11);
    // The first page is a minute away, each further one half an hour.
    EXPECT_EQ(panel.GetTimerInterval(), 60000u);
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise/English");
    EXPECT_EQ(Current(panel), L"http://ads.test/kvx/advertise/English");
    EXPECT_EQ(panel.GetTimerInterval(), 1800000u);
    // A web page ends the banner.
    EXPECT_EQ(panel.GetBannerInterval(), 0u);
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise/Fran%C3%A7ais");
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise/English");
    EXPECT_EQ(panel.GetTimerInterval(), 1800000u);

    // New items start again from the first, a minute later.
    panel.NavigateURL({L"German"}, 11);
    EXPECT_EQ(panel.GetTimerInterval(), 60000u);
    // The timer's expiry asks for the turn.
    QSignalSpy tried(&panel, &CAdvertiseDialog::advertisementTried);
    panel.OnTimer(CAdvertiseDialog::kRefreshTimer);
    ASSERT_TRUE(tried.wait(kWait));
    EXPECT_EQ(tried.at(0).at(0).toString(), QStringLiteral("http://ads.test/kvx/advertise/German"));

    // The reachability tests ran on the panel's worker, never on this
    // thread.
    std::lock_guard<std::mutex> lock(m_mutex);
    EXPECT_EQ(m_threads.count(std::this_thread::get_id()), 0u);

    panel.DestroyWindow();
    EXPECT_EQ(panel.GetTimerInterval(), 0u);
}

TEST_F(AdvertiseDialogTest, AnUnreachableServerKeepsThePageShown) {
    CAdvertiseDialog panel;
    MakePanel(panel);
    const std::wstring local = Current(panel);
    m_unreachable = {L"http://ads.test/kvx/advertise/A", L"http://ads.test/kvx/advertise"};
    panel.NavigateURL({L"A", L"B"}, 11);
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise/A");
    EXPECT_EQ(Current(panel), local);
    EXPECT_EQ(panel.GetTimerInterval(), 1800000u);
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise/B");
    EXPECT_EQ(Current(panel), L"http://ads.test/kvx/advertise/B");
}

TEST_F(AdvertiseDialogTest, WithoutItemsTheBaseAddressIsShownWithoutTrailingCommas) {
    UseBase("http://ads.test/kvx/advertise,");
    CAdvertiseDialog panel;
    MakePanel(panel);
    panel.NavigateURL({}, 11);
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise");
    EXPECT_EQ(Turn(panel), L"http://ads.test/kvx/advertise");
}

TEST_F(AdvertiseDialogTest, WithoutALinkTableThePanelKeepsItsLocalPage) {
    kvxtest::RecordingLog log;
    SetLibraryLog(&log);
    m_app.SetLinkTable(nullptr);
    CAdvertiseDialog panel;
    MakePanel(panel);
    EXPECT_EQ(Current(panel).substr(Current(panel).size() - 4), L"/150");
    bool reported = false;
    for (const kvxtest::RecordedEntry& entry : log.Entries()) reported |= entry.line == 478;
    EXPECT_TRUE(reported);
    SetLibraryLog(nullptr);
}

// The reachability test of the application: the real online-services
// library against a server on loopback, and the page it then shows.
TEST_F(AdvertiseDialogTest, ThePageOfAReachableServerIsFetchedAndShown) {
    kvxtest::LoopbackHttpServer server;
    server.Serve("/ad/English", 200, "<p>Words of the day</p>");
    server.Start();
    UseBase(server.Url("/ad/"));
    m_app.GetOnlineLibrary().Reset(LoadDynamicLibrary(kvxtest::Widen(KVX_REAL_SENDRIX).c_str()));
    ASSERT_TRUE(m_app.GetOnlineLibrary().IsLoaded());

    CAdvertiseDialog panel;
    ASSERT_TRUE(panel.Create(&m_host));
    const std::wstring local = panel.GetCurrentURL().GetString();
    panel.NavigateURL({L"German", L"English"}, 11);
    QSignalSpy tried(&panel, &CAdvertiseDialog::advertisementTried);
    PostMessage(&panel, CAdvertiseDialog::WM_REFRESH_ADVERTISEMENT, 0, 0);
    ASSERT_TRUE(tried.wait(kWait));
    EXPECT_FALSE(tried.at(0).at(1).toBool());
    ASSERT_TRUE(QTest::qWaitFor([&panel] { return !panel.IsJobRunning(); }, kWait));
    EXPECT_EQ(std::wstring(panel.GetCurrentURL().GetString()), local);

    QSignalSpy loaded(panel.GetView(), &CKVXHtmlView::pageLoaded);
    PostMessage(&panel, CAdvertiseDialog::WM_REFRESH_ADVERTISEMENT, 0, 0);
    ASSERT_TRUE(tried.wait(kWait));
    EXPECT_TRUE(tried.at(1).at(1).toBool());
    ASSERT_TRUE(loaded.wait(kWait));
    EXPECT_TRUE(panel.GetView()->toPlainText().contains(QStringLiteral("Words of the day")));
    panel.DestroyWindow();
}

} // namespace
