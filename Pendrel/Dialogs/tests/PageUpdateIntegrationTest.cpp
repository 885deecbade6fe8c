// The update page end to end: lighttpd on loopback serves the version file
// and the installer; the page fetches them through the real online-services
// library on its worker. Message boxes and the launcher are recorded.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QTest>

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Controls/WinButton.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Dialogs/PageUpdate.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXLauncher.h"
#include "Pendrel/Platform/KVXMainWindow.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "testing/CertFactory.h"
#include "testing/Installed.h"
#include "testing/Online/LighttpdServer.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Modules.h"

namespace fs = std::filesystem;

namespace {

const char* const kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"};
constexpr int kWait = 60000;

std::string Sha256Hex(const std::string& bytes) {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_Digest(bytes.data(), bytes.size(), hash, &length, EVP_sha256(), nullptr);
    std::string hex;
    char digits[3];
    for (unsigned i = 0; i < length; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", hash[i]);
        hex += digits;
    }
    return hex;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

struct ShownBox {
    std::wstring text;
    std::wstring caption;
    UINT flags;
    QWidget* parent;
};

struct Launch {
    std::wstring path;
    KVX_LAUNCH_KIND kind;
    std::string bytes;  // the file as it was when launched
};

class PageUpdateIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kProxyVariables) unsetenv(name);
        KVX_SKIP_OR_FAIL_UNLESS(!sendrixtest::CLighttpdServer::FindProgram().empty(), "lighttpd is not installed");
        fs::create_directories(m_folder.Sub("www/slow"));
        fs::create_directories(m_folder.Sub("tmp"));
        fs::create_directories(m_folder.Sub("links"));
        m_savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        setenv("TMPDIR", m_folder.Sub("tmp").c_str(), 1);

        // Files changed between runs are served afresh; pages below /slow/
        // trickle out at 4 KB a second.
        m_server.SetExtraConfig("server.stat-cache-engine = \"disable\"\n"
                                "$HTTP[\"url\"] =~ \"^/slow/\" {\n  connection.kbytes-per-second = 4\n}\n");
        const kvxtest::TestCertificate certificate = kvxtest::CertFactory::Shared().Leaf();
        ASSERT_TRUE(m_server.Start(m_folder.Sub("www"), m_folder.WriteFile("server.pem", certificate.chainPem),
                                   m_folder.WriteFile("server.key", certificate.keyPem), m_folder.Path()))
            << m_server.Error();

        m_folder.WriteFile("links/UrlFile.xml", "<UrlFile><Url id=\"14\" url=\"" + Url("/version%d.txt") +
                                                    "\"/></UrlFile>");
        m_app.GetOnlineLibrary().Reset(LoadDynamicLibrary(kvxtest::Widen(KVX_REAL_SENDRIX).c_str()));
        ASSERT_TRUE(m_app.GetOnlineLibrary().IsLoaded());
        m_log = &SharedLog();
        m_log->Clear();
        m_app.LendLog(m_log);
        m_app.SetLinkTable(std::make_unique<CLinkTable>());
        ASSERT_TRUE(m_app.GetLinkTable()->Load(m_folder.WSub("links").c_str(), m_app.GetOnlineLibrary().GetModule()));
        m_app.SetApplicationId(1);
        KVXSetApp(&m_app);

        KVXSetMessageBoxHandler([this](QWidget* parent, const CBasicString& text, const CBasicString& caption, UINT flags) {
            m_boxes.push_back({text.GetString(), caption.GetString(), flags, parent});
            return IDOK;
        });
        KVXSetLauncherHandler([this](const CBasicString& path, KVX_LAUNCH_KIND kind) {
            const std::string file = kvxtest::Narrow(path.GetString());
            m_launches.push_back({path.GetString(), kind, kvxtest::TempFolder::ReadFile(file)});
            return TRUE;
        });

        m_host.resize(420, 220);
        m_page = new CPageUpdate(&m_host, &m_host, &m_app);
        ASSERT_TRUE(m_page->Create());
        m_host.show();
    }

    void TearDown() override {
        delete m_page;
        KVXSetMessageBoxHandler(nullptr);
        KVXSetLauncherHandler(nullptr);
        KVXSetApp(nullptr);
        m_app.Release();
        if (m_savedTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", m_savedTmp.c_str(), 1);
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_server.Port()) + path;
    }
    void ServeVersionFile(const std::string& text) { m_folder.WriteFile("www/version1.txt", text); }
    static std::string OwnVersion() { return kvxtest::Narrow(GetFileVersionText(nullptr).GetString()); }

    // Presses "Update Now" and waits until the worker has ended.
    void RunUpdate() {
        m_page->GetUpdateButton()->click();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_page->IsJobRunning(); }, kWait));
    }

    std::vector<std::string> TempFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder.Sub("tmp"))) names.push_back(entry.path().string());
        return names;
    }

    kvxtest::TempFolder m_folder;
    sendrixtest::CLighttpdServer m_server;
    std::string m_savedTmp;
    CKVXApp m_app;
    // The application's log. The online-services library keeps the first
    // log it is handed for as long as it stays loaded, so one log serves
    // every test.
    static kvxtest::RecordingLog& SharedLog() {
        static kvxtest::RecordingLog log;
        return log;
    }
    kvxtest::RecordingLog* m_log = nullptr;
    QDialog m_host;
    CPageUpdate* m_page = nullptr;
    std::vector<ShownBox> m_boxes;
    std::vector<Launch> m_launches;
};

TEST_F(PageUpdateIntegrationTest, ANewerVersionIsDownloadedAndHandedToTheLauncher) {
    const std::string installer = RandomBytes(300 * 1024 + 17, 3);
    m_folder.WriteFile("www/setup.bin", installer);
    ServeVersionFile("Version=99.0.0.0\r\nSetup=" + Url("/setup.bin") + "\r\nSHA256=" + Sha256Hex(installer) + "\r\n");
    QWidget mainWindow;
    mainWindow.show();
    KVXSetMainWnd(&mainWindow);

    RunUpdate();
    KVXSetMainWnd(nullptr);

    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, L"Latest version has been downloaded successfully. The setup process will be launched "
                               L"to install the downloaded version.");
    EXPECT_EQ(m_boxes[0].caption, L"Quenzel");
    EXPECT_EQ(m_boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(m_boxes[0].parent, &m_host);
    ASSERT_EQ(m_launches.size(), 1u);
    EXPECT_EQ(m_launches[0].kind, KVX_LAUNCH_INSTALLER);
    EXPECT_EQ(fs::path(kvxtest::Narrow(m_launches[0].path)).parent_path(), fs::path(m_folder.Sub("tmp")));
    EXPECT_EQ(m_launches[0].bytes.size(), installer.size());
    EXPECT_TRUE(m_launches[0].bytes == installer);
    EXPECT_EQ(m_page->GetInstallerPath().GetString(), m_launches[0].path);
    EXPECT_EQ(m_page->IsInstallerReady(), 1);
    // The options window and the main window close for the installer.
    EXPECT_FALSE(m_host.isVisible());
    EXPECT_FALSE(mainWindow.isVisible());

    bool logged = false;
    for (const kvxtest::RecordedEntry& entry : m_log->Entries())
        logged |= entry.text == L"Current version: " + kvxtest::Widen(OwnVersion()) + L", Online version: 99.0.0.0";
    EXPECT_TRUE(logged);
}

TEST_F(PageUpdateIntegrationTest, TheKeyboardProgramAsksForItsOwnFileAndTitlesItsMessages) {
    m_app.SetApplicationId(2);
    m_folder.WriteFile("www/version2.txt", "Version=" + OwnVersion() + "\nSetup=" + Url("/setup.bin") + "\n");
    RunUpdate();
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, L"The installed version is the latest avaibale version.");
    EXPECT_EQ(m_boxes[0].caption, L"Ondrivel");
}

TEST_F(PageUpdateIntegrationTest, EveryOtherOutcomeShowsItsMessageAndStartsNothing) {
    const std::string installer = RandomBytes(20000, 5);
    m_folder.WriteFile("www/setup.bin", installer);
    const std::string rightSum = Sha256Hex(installer);
    const std::string wrongSum = Sha256Hex(installer + "x");
    const struct {
        const char* name;
        std::string versionFile;  // empty: none is served
        std::wstring message;
        UINT icon;
    } cases[] = {
        {"the same version", "Version=" + OwnVersion() + "\nSetup=" + Url("/setup.bin") + "\n",
         L"The installed version is the latest avaibale version.", MB_ICONINFORMATION},
        {"no version file", "",
         L"Failed to connect with server. Please check your internet connection and retry.", MB_ICONERROR},
        {"a negative version part", "Version=1.-2.0.0\nSetup=" + Url("/setup.bin") + "\n",
         L"Error to get latest version information from server.", MB_ICONERROR},
        {"a wrong checksum", "Version=99.0.0.0\nSetup=" + Url("/setup.bin") + "\nSHA256=" + wrongSum + "\n",
         L"Failed to download the latest version from server.", MB_ICONERROR},
        {"a missing installer", "Version=99.0.0.0\nSetup=" + Url("/gone.bin") + "\nSHA256=" + rightSum + "\n",
         L"Program update has been aborted.", MB_ICONERROR},
        {"plain http without a checksum", "Version=99.0.0.0\nSetup=" + Url("/setup.bin") + "\n",
         L"Program update has been aborted.", MB_ICONERROR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.clear();
        std::remove(m_folder.Sub("www/version1.txt").c_str());
        if (!c.versionFile.empty()) ServeVersionFile(c.versionFile);
        RunUpdate();
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_EQ(m_boxes[0].text, c.message);
        EXPECT_EQ(m_boxes[0].flags & MB_ICONMASK, c.icon);
        EXPECT_EQ(m_page->IsInstallerReady(), 0);
        EXPECT_TRUE(m_launches.empty());
        EXPECT_TRUE(TempFiles().empty());
        EXPECT_TRUE(m_host.isVisible());
    }
}

TEST_F(PageUpdateIntegrationTest, CancellingASlowDownloadShowsNothingAndLeavesNoFile) {
    const std::string installer = RandomBytes(1 << 20, 11);
    m_folder.WriteFile("www/slow/setup.bin", installer);
    ServeVersionFile("Version=99.0.0.0\nSetup=" + Url("/slow/setup.bin") + "\nSHA256=" + Sha256Hex(installer) + "\n");

    m_page->GetUpdateButton()->click();
    // The progress dialog shows while the installer trickles in.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const std::vector<std::string> files = TempFiles();
            return files.size() == 1 && fs::file_size(files[0]) > 0;
        },
        kWait));
    CProgressDlg& progress = m_page->GetProgressDlg();
    ASSERT_TRUE(progress.isVisible());
    progress.GetDlgItem<QAbstractButton>(IDCANCEL)->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_page->IsJobRunning(); }, kWait));
    QTest::qWait(0);

    EXPECT_TRUE(m_boxes.empty());
    EXPECT_TRUE(m_launches.empty());
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_TRUE(m_host.isVisible());
}

TEST_F(PageUpdateIntegrationTest, ClosingTheOptionsWindowDuringADownloadStopsItAndLeavesNoFile) {
    const std::string installer = RandomBytes(1 << 20, 13);
    m_folder.WriteFile("www/slow/setup.bin", installer);
    ServeVersionFile("Version=99.0.0.0\nSetup=" + Url("/slow/setup.bin") + "\nSHA256=" + Sha256Hex(installer) + "\n");

    m_page->GetUpdateButton()->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const std::vector<std::string> files = TempFiles();
            return files.size() == 1 && fs::file_size(files[0]) > 0;
        },
        kWait));
    delete m_page;
    m_page = nullptr;

    EXPECT_TRUE(m_boxes.empty());
    EXPECT_TRUE(m_launches.empty());
    EXPECT_TRUE(TempFiles().empty());
}

} // namespace
