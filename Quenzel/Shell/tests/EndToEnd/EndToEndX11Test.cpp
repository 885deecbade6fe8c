// Both programs as a user runs them, under an X server of the test's own:
// the real Quenzel and Keyboard start as processes on fresh homes from a
// program folder of the test's own (its link table points at the sync
// service and a web server on loopback), and XTest input drives them. After
// each step the test reads what the programs stored (the data file, the
// registry hive, exported files, the log) and saves a screenshot under
// build/screenshots/e2e-NN-step.png.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DataBase/AbstractDataBase.h"
#include "Keyboard/tests/KeyboardKeys.h"
#include "Pendrel/Dialogs/PageUpdate.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "Quenzel/Dictionary/DictionaryDlg.h"
#include "Quenzel/Shell/MainDlg.h"
#include "Quenzel/Shell/OptionsDialog.h"
#include "Quenzel/Shell/PageSettings.h"
#include "Quenzel/Tutor/EditListDlg.h"
#include "Quenzel/Tutor/LearnDlg.h"
#include "Quenzel/Tutor/QuizDlg.h"
#include "Quenzel/Tutor/SyncOption.h"
#include "Quenzel/Tutor/TutorDlg.h"
#include "XDesktop.h"
#include "testing/CertFactory.h"
#include "testing/Online/LighttpdServer.h"
#include "testing/TempFolder.h"
#include "testing/XvfbServer.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/ProcessStart.h"

namespace fs = std::filesystem;
using kvxtest::XDesktop;
using kvxtest::XWindowInfo;

namespace {

const char kMainTitle[] = "Quenzel - Let's be a guru";
const char kBoxTitle[] = "Quenzel";
const char kAgreementTitle[] = "End User License Agreement";
const char kEmail[] = "ann@example.org";
const char kPassword[] = "Wort 42&=";

// How a control moves with its dialog's size.
enum Anchor { kFixed = 0, kRight = 1, kBottom = 2, kWide = 4, kTall = 8 };

// The files a program folder needs to run both programs.
const char* const kProgramFiles[] = {"Quenzel",       "Keyboard",      "libPendrel.so", "libDataBase.so",
                                     "libSendrix.so", "libFenmarl.so", "LogDef.ini",    "SFtp"};

// One user's home: HOME and the XDG folders below one root.
struct Home {
    std::string root;
    std::string Sub(const std::string& name) const { return root + "/" + name; }
    std::string DataFile() const { return Sub("data/Morvane/Quenzel/Quenzel.pkv"); }
    std::string RegistryFolder() const { return Sub("config/Morvane/registry"); }
};

// The rows of a query on a SQLite file, columns joined by '|'.
std::vector<std::string> Query(const std::string& path, const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot read " << path;
        return rows;
    }
    sqlite3_busy_timeout(db, 10000);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    }
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const unsigned char* text = sqlite3_column_text(statement, i);
            if (i) row += '|';
            row += text ? reinterpret_cast<const char*>(text) : "";
        }
        rows.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

std::string QueryOne(const std::string& path, const std::string& sql) {
    const std::vector<std::string> rows = fs::exists(path) ? Query(path, sql) : std::vector<std::string>();
    return rows.empty() ? std::string() : rows.front();
}

// A log file of the programs (UTF-16LE) as UTF-8.
std::string ReadLog(const std::string& path) {
    const std::string bytes = kvxtest::TempFolder::ReadFile(path);
    std::wstring wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return kvxtest::Narrow(wide);
}

class EndToEndX11 : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            unsetenv(name);
        ASSERT_TRUE(m_server.Running());
        ASSERT_TRUE(m_desktop.Connected());
        m_shots = KVX_SCREENSHOT_FOLDER;
        fs::create_directories(m_shots);
        for (const auto& entry : fs::directory_iterator(m_shots))
            if (entry.path().filename().string().rfind("e2e-", 0) == 0) fs::remove(entry.path());

        // The program folder: the built programs and libraries, with a link
        // table and a trusted authority of the test's own.
        m_app = m_folder.Sub("app");
        fs::create_directories(m_app);
        for (const char* name : kProgramFiles) {
            const fs::path from = fs::path(KVX_BIN_FOLDER) / name;
            std::error_code error;
            fs::create_hard_link(from, fs::path(m_app) / name, error);
            if (error) fs::copy_file(from, fs::path(m_app) / name);
        }
        const kvxtest::CertFactory& factory = kvxtest::CertFactory::Shared();
        m_folder.WriteFile("app/ClientCert.pem", factory.CaPem());

        // The web server with the update's version file, and the sync service
        // with one account, both on loopback.
        fs::create_directories(m_folder.Sub("www"));
        m_folder.WriteFile("www/version1.txt", "Version=0.0.1.0\r\nSetup=http://127.0.0.1:1/none.bin\r\n");
        const kvxtest::TestCertificate certificate = factory.Leaf();
        const std::string chain = m_folder.WriteFile("server.pem", certificate.chainPem);
        const std::string key = m_folder.WriteFile("server.key", certificate.keyPem);
        ASSERT_TRUE(m_web.Start(m_folder.Sub("www"), chain, key, m_folder.Path())) << m_web.Error();
        // Debian's interpreter, with the service's JSON stream reader.
        const std::string python = "/usr/bin/python3";
        m_serviceDb = m_folder.Sub("service.db");
        std::string output;
        ASSERT_EQ(dbtest::RunProgram({python, KVX_SYNC_SERVICE, "create-account", "--db", m_serviceDb, "--email", kEmail},
                                     std::string(kPassword) + "\n", output),
                  0)
            << output;
        ASSERT_TRUE(m_service.Start(
            {python, KVX_SYNC_SERVICE, "serve", "--db", m_serviceDb, "--cert", chain, "--key", key}));
        std::string line;
        ASSERT_TRUE(m_service.ReadLine(line));
        ASSERT_EQ(line.rfind("PORT ", 0), 0u) << line;
        const std::string web = "http://127.0.0.1:" + std::to_string(m_web.Port());
        m_folder.WriteFile("app/UrlFile.xml",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<UrlFile>\n"
                           "\t<Url id=\"11\" url=\"" + web + "/advertise/\"/>\n"
                           "\t<Url id=\"14\" url=\"" + web + "/version%d.txt\"/>\n"
                           "\t<Url id=\"15\" url=\"" + web + "/about/quenzel.html\"/>\n"
                           "\t<Url id=\"22\" url=\"" + web + "/about/keyboard.html\"/>\n"
                           "\t<Url id=\"56\" url=\"" + web + "/account/signup.html\"/>\n"
                           "\t<Url id=\"57\" url=\"" + web + "/account/lostpassword.html\"/>\n"
                           "\t<Url id=\"58\" url=\"https://127.0.0.1:" + line.substr(5) + "/kvx/sync\"/>\n"
                           "</UrlFile>\n");

        m_home1 = MakeHome("home1");
        m_home2 = MakeHome("home2");
    }

    void TearDown() override {
        if (HasFailure()) {
            // what the screen showed when the step failed, and its windows
            m_desktop.Screenshot(m_shots + "/e2e-failure.png");
            for (const XWindowInfo& window : m_desktop.Windows())
                std::printf("window \"%s\" at %d,%d size %dx%d\n", window.title.c_str(), window.x, window.y,
                            window.width, window.height);
            for (pid_t pid : m_programs) {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) {
                    std::printf("program %d ended: %s %d\n", static_cast<int>(pid),
                                WIFEXITED(status) ? "exit" : "signal",
                                WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
                    std::erase(m_programs, pid);
                    break;
                }
            }
        }
        for (pid_t pid : m_programs) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    Home MakeHome(const std::string& name) {
        Home home{m_folder.Sub(name)};
        for (const char* sub : {"home", "config", "data", "cache", "state", "tmp"})
            fs::create_directories(home.Sub(sub));
        return home;
    }

    // Starts one of the programs of the program folder for the home.
    pid_t Start(const std::string& program, const Home& home) {
        const std::string path = m_app + "/" + program;
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", home.Sub("home").c_str(), 1);
            setenv("XDG_CONFIG_HOME", home.Sub("config").c_str(), 1);
            setenv("XDG_DATA_HOME", home.Sub("data").c_str(), 1);
            setenv("XDG_CACHE_HOME", home.Sub("cache").c_str(), 1);
            setenv("XDG_STATE_HOME", home.Sub("state").c_str(), 1);
            setenv("TMPDIR", home.Sub("tmp").c_str(), 1);
            unsetenv("KVX_REGISTRY_DIR");
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("LSAN_OPTIONS", "suppressions=" KVX_PROGRAM_LEAKS, 1);
            // The X keyboard library hands strndup buffers that are not
            // terminated, which is allowed; the strict string check of the
            // address sanitizer would take that for an overflow.
            const char* asan = getenv("ASAN_OPTIONS");
            const std::string options = std::string(asan ? asan : "") + ":strict_string_checks=0";
            setenv("ASAN_OPTIONS", options.c_str(), 1);
            execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid > 0) m_programs.push_back(pid);
        return pid;
    }

    // Waits for the program to end by itself: its exit status.
    int WaitForExit(pid_t pid) {
        int status = -1;
        const bool ended = XDesktop::WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 120);
        std::erase(m_programs, pid);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    void Shot(const std::string& name) {
        char number[16];
        std::snprintf(number, sizeof number, "%02d", ++m_shot);
        // Let the programs paint what they were asked before the picture.
        usleep(300000);
        EXPECT_TRUE(m_desktop.Screenshot(m_shots + "/e2e-" + number + "-" + name + ".png"));
    }

    // A window that must appear.
    XWindowInfo Await(const std::string& title) {
        // A window that goes again while it settles is waited for anew.
        XWindowInfo window;
        XDesktop::WaitUntil([&] {
            window = m_desktop.WaitForWindow(title, 1);
            if (window.id) window = m_desktop.WaitForSteadySize(window.id);
            return window.id != 0;
        });
        EXPECT_NE(window.id, 0u) << "no window \"" << title << "\" appeared";
        if (window.id) m_desktop.WaitForPainted(window);
        return window;
    }

    // The message box of the program: the window titled exactly so.
    XWindowInfo AwaitBox(int seconds = 120) {
        XWindowInfo box;
        XDesktop::WaitUntil(
            [&] {
                for (const XWindowInfo& window : m_desktop.Windows())
                    if (window.title == kBoxTitle) box = window;
                return box.id != 0;
            },
            seconds);
        return box;
    }

    // Ends a message box: "OK" through its close box, "Yes" through Return
    // on its default button.
    void AnswerBox(const XWindowInfo& box, bool yes = false) {
        ASSERT_NE(box.id, 0u) << "no message box appeared";
        if (yes) {
            m_desktop.Focus(box.id);
            m_desktop.Key("Return");
        } else {
            m_desktop.Close(box.id);
        }
        ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(box.id).id == 0; }, 60))
            << "the message box stayed";
    }

    // The centre of a control of a dialog template, on the screen: its place
    // moves with the size of the area the dialog fills (a window, or a page
    // inside a window at left, top) as its anchoring moves it.
    std::pair<int, int> Centre(const XWindowInfo& window, UINT dialog, UINT control, int anchor, int left = 0,
                               int top = 0, int width = -1, int height = -1) {
        const KVXDialogTemplate* found = KVXFindDialogTemplate(dialog);
        EXPECT_NE(found, nullptr) << dialog;
        if (!found) return {0, 0};
        if (width < 0) width = window.width;
        if (height < 0) height = window.height;
        const RECT area = KVXMapDialogRect({0, 0, found->cx, found->cy});
        const int dw = width - (area.right - area.left);
        const int dh = height - (area.bottom - area.top);
        for (size_t i = 0; i < found->controlCount; ++i) {
            const KVXDialogControl& c = found->controls[i];
            if (c.id != control) continue;
            const RECT r = KVXMapDialogRect({c.x, c.y, c.x + c.cx, c.y + c.cy});
            int x = (r.left + r.right) / 2 + left;
            int y = (r.top + r.bottom) / 2 + top;
            if (anchor & kRight) x += dw;
            if (anchor & kBottom) y += dh;
            if (anchor & kWide) x += dw / 2;
            if (anchor & kTall) y += dh / 2;
            return {x, y};
        }
        ADD_FAILURE() << "no control " << control << " in dialog " << dialog;
        return {0, 0};
    }

    void ClickControl(const XWindowInfo& window, UINT dialog, UINT control, int anchor) {
        const auto [x, y] = Centre(window, dialog, control, anchor);
        m_desktop.Click(window, x, y);
    }
    // A check box or radio button takes clicks on its mark and text only:
    // the click goes just right of its left edge.
    void ClickBox(const XWindowInfo& window, UINT dialog, UINT control) {
        const auto [x, y] = Centre(window, dialog, control, kFixed);
        (void)x;
        m_desktop.Click(window, LeftEdge(dialog, control) + 8, y);
    }
    int LeftEdge(UINT dialog, UINT control) {
        const KVXDialogTemplate* found = KVXFindDialogTemplate(dialog);
        for (size_t i = 0; found && i < found->controlCount; ++i)
            if (found->controls[i].id == control) return KVXDialogUnitsToPixelsX(found->controls[i].x);
        ADD_FAILURE() << "no control " << control << " in dialog " << dialog;
        return 0;
    }

    // The page of the main window's tab control: its place in the window.
    struct PageArea {
        int left, top, width, height;
    };
    PageArea MainPage(const XWindowInfo& main) {
        const KVXDialogTemplate* found = KVXFindDialogTemplate(IDD_MAIN);
        PageArea page{0, 0, 0, 0};
        if (!found) return page;
        RECT tab{};
        for (size_t i = 0; i < found->controlCount; ++i)
            if (found->controls[i].id == IDC_TAB) {
                const KVXDialogControl& c = found->controls[i];
                tab = KVXMapDialogRect({c.x, c.y, c.x + c.cx, c.y + c.cy});
            }
        const RECT area = KVXMapDialogRect({0, 0, found->cx, found->cy});
        const int width = tab.right - tab.left + main.width - (area.right - area.left);
        const int height = tab.bottom - tab.top + main.height - (area.bottom - area.top);
        page.left = tab.left + kTabFrame;
        page.top = tab.top + kTabBarHeight;
        page.width = width - 2 * kTabFrame;
        page.height = height - kTabBarHeight - kTabFrame;
        return page;
    }
    void ClickPageControl(const XWindowInfo& main, UINT dialog, UINT control, int anchor, int count = 1) {
        const PageArea page = MainPage(main);
        const auto [x, y] = Centre(main, dialog, control, anchor, page.left, page.top, page.width, page.height);
        m_desktop.Click(main, x, y, count);
    }
    // A click on a row of the tutor page's list of lists (0: the first).
    void ClickListRow(const XWindowInfo& main, int row) {
        const PageArea page = MainPage(main);
        const KVXDialogTemplate* found = KVXFindDialogTemplate(IDD_TUTOR_PAGE);
        ASSERT_NE(found, nullptr);
        for (size_t i = 0; i < found->controlCount; ++i) {
            const KVXDialogControl& c = found->controls[i];
            if (c.id != IDC_TUTOR_LISTS) continue;
            const RECT r = KVXMapDialogRect({c.x, c.y, c.x + c.cx, c.y + c.cy});
            m_desktop.Click(main, page.left + r.left + 60, page.top + r.top + kListHeaderHeight + row * kListRowHeight + kListRowHeight / 2);
        }
    }

    // The sync dialog: the account, the direction, OK; then the end message.
    void Synchronise(const XWindowInfo& main, bool toOnline) {
        ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_SYNC, kRight);
        const XWindowInfo dialog = Await("Synchronize Vocabulary Lists");
        ASSERT_NE(dialog.id, 0u);
        m_desktop.Focus(dialog.id);
        ClickControl(dialog, IDD_SYNC_OPTION, IDC_SYNC_EMAIL, kFixed);
        m_desktop.Key("a", true);
        m_desktop.Type(kEmail);
        ClickControl(dialog, IDD_SYNC_OPTION, IDC_SYNC_PASSWORD, kFixed);
        m_desktop.Key("a", true);
        m_desktop.Type(kPassword);
        ClickBox(dialog, IDD_SYNC_OPTION, toOnline ? IDC_SYNC_TO_ONLINE : IDC_SYNC_TO_LOCAL);
        Shot(toOnline ? "sync-to-online" : "sync-to-local");
        ClickControl(dialog, IDD_SYNC_OPTION, IDOK, kFixed);
        ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(dialog.id).id == 0; }, 60))
            << "the sync dialog stayed";
        ASSERT_NO_FATAL_FAILURE(AnswerBox(AwaitBox()));
        ASSERT_NO_FATAL_FAILURE(DismissRepeat("Synchronize Vocabulary Lists"));
    }

    // The second language of the main window's pair. A click opens the
    // list, Escape closes it with the focus on the box, and the first
    // letters pick the language.
    void PickSecondLanguage(const XWindowInfo& main, const std::string& letters) {
        m_desktop.Focus(main.id);
        std::set<Window> before;
        for (const XWindowInfo& window : m_desktop.Windows()) before.insert(window.id);
        ClickControl(main, IDD_MAIN, IDC_SECOND_LANGUAGE, kBottom);
        Window list = 0;
        ASSERT_TRUE(XDesktop::WaitUntil([&] {
            for (const XWindowInfo& window : m_desktop.Windows())
                if (!before.count(window.id)) list = window.id;
            return list != 0;
        })) << "the list of languages did not open";
        m_desktop.Key("Escape");
        ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(list).id == 0; })) << "the list stayed open";
        m_desktop.Type(letters);
    }

    // Search on the dictionary page until "water" is in the history: the
    // first click may only close the open list of suggestions.
    bool Search(const XWindowInfo& main, const Home& home) {
        for (int attempt = 0; attempt < 6; ++attempt) {
            ClickPageControl(main, IDD_DICTIONARY_PAGE, IDC_DICTIONARY_SEARCH, kRight);
            if (XDesktop::WaitUntil(
                    [&] { return QueryOne(home.DataFile(), "SELECT text FROM history") == "water"; }, 10))
                return true;
        }
        return false;
    }

    // The word field of the dictionary page.
    void ClickDictionaryWord(const XWindowInfo& main) {
        ClickPageControl(main, IDD_DICTIONARY_PAGE, IDC_DICTIONARY_WORD, kWide);
    }

    // A tab of the options dialog, by the middle of its tab on the bar.
    void ClickOptionsTab(const XWindowInfo& options, int middle) {
        const KVXDialogTemplate* found = KVXFindDialogTemplate(IDD_OPTIONS);
        ASSERT_NE(found, nullptr);
        const KVXDialogControl& tab = found->controls[0];
        const RECT r = KVXMapDialogRect({tab.x, tab.y, tab.x + tab.cx, tab.y + tab.cy});
        EXPECT_TRUE(m_desktop.ClickUntilChanged(options, r.left + middle, r.top + kTabBarHeight / 2))
            << "the options page did not change";
    }

    // A control of a page of the options dialog's tab control.
    void ClickOptionsPageControl(const XWindowInfo& options, UINT page, UINT control, bool box = false) {
        const KVXDialogTemplate* found = KVXFindDialogTemplate(IDD_OPTIONS);
        ASSERT_NE(found, nullptr);
        const KVXDialogControl& tab = found->controls[0];
        const RECT r = KVXMapDialogRect({tab.x, tab.y, tab.x + tab.cx, tab.y + tab.cy});
        const auto [x, y] = Centre(options, page, control, kFixed, r.left + kTabFrame, r.top + kTabBarHeight,
                                   r.right - r.left - 2 * kTabFrame, r.bottom - r.top - kTabBarHeight - kTabFrame);
        m_desktop.Click(options, box ? LeftEdge(page, control) + r.left + kTabFrame + 8 : x, y);
    }

    // Tabs of a tab control: the left edge of the bar and the middle of the
    // tab row, in the window.
    void ClickMainTab(const XWindowInfo& main, int index) {
        const PageArea page = MainPage(main);
        EXPECT_TRUE(m_desktop.ClickUntilChanged(main, page.left + kFirstTabMiddle + index * kTabStep,
                                                page.top - kTabBarHeight / 2))
            << "tab " << index << " did not open";
    }

    // A button of the tutor page may run its command twice: a dialog of
    // the same title that comes back at once is cancelled.
    void DismissRepeat(const std::string& title, int seconds = 3) {
        const XWindowInfo again = m_desktop.WaitForWindow(title, seconds);
        if (!again.id) return;
        std::printf("note: \"%s\" came a second time and was cancelled\n", title.c_str());
        m_desktop.Close(again.id);
        ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(again.id).id == 0; }, 60))
            << "the repeated \"" << title << "\" stayed";
    }

    // Types into the line edit of a file dialog and accepts it.
    void AnswerFileDialog(const std::string& title, const std::string& path) {
        const XWindowInfo dialog = Await(title);
        ASSERT_NE(dialog.id, 0u);
        m_desktop.Focus(dialog.id);
        m_desktop.Key("a", true);
        m_desktop.Type(path);
        Shot(title == "Open" ? "import-file" : "export-file");
        m_desktop.Key("Return");
        if (!XDesktop::WaitUntil([&] { return m_desktop.Refresh(dialog.id).id == 0; }, 10)) {
            // the completion list took the first Return
            m_desktop.Key("Return");
        }
        ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(dialog.id).id == 0; }, 60))
            << "the file dialog stayed";
    }

    // The log files of the program folder, by name.
    std::set<std::string> Logs() const {
        std::set<std::string> logs;
        for (const auto& entry : fs::directory_iterator(m_app))
            if (entry.path().extension() == ".txt") logs.insert(entry.path().string());
        return logs;
    }

    // Reads a value of the home's registry hive.
    std::wstring RegistryString(const Home& home, const wchar_t* key, const wchar_t* name) {
        setenv("KVX_REGISTRY_DIR", home.RegistryFolder().c_str(), 1);
        CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        return registry.GetString(key, name, L"").GetString();
    }
    DWORD RegistryDword(const Home& home, const wchar_t* product, const wchar_t* key, const wchar_t* name,
                        DWORD otherwise) {
        setenv("KVX_REGISTRY_DIR", home.RegistryFolder().c_str(), 1);
        CBasicRegistry registry(L"Morvane", product, HKEY_CURRENT_USER);
        return registry.GetDWORD(key, name, otherwise);
    }

    // Where the pages of the main window's tab control begin (the tab bar's
    // height) and the frame around them; where its tabs lie on the bar.
    static constexpr int kTabBarHeight = 24;
    static constexpr int kTabFrame = 2;
    static constexpr int kFirstTabMiddle = 40;
    static constexpr int kTabStep = 67;
    // The middles of the options dialog's "Settings" and "Update" tabs.
    static constexpr int kSettingsTabMiddle = 97;
    static constexpr int kUpdateTabMiddle = 361;
    // The heading row of the learning view's list.
    static constexpr int kLearnHeadingHeight = 30;
    // The heading and the rows of the list of lists.
    static constexpr int kListHeaderHeight = 18;
    static constexpr int kListRowHeight = 18;

    kvxtest::TempFolder m_folder;
    kvxtest::XvfbServer m_server;
    sendrixtest::CLighttpdServer m_web;
    dbtest::ChildProcess m_service;
    std::string m_serviceDb;
    XDesktop m_desktop;
    std::string m_app;
    std::string m_shots;
    Home m_home1, m_home2;
    std::vector<pid_t> m_programs;
    int m_shot = 0;
};

} // namespace

TEST_F(EndToEndX11, AUserKeepsListsLearnsThemAndTakesThemToASecondHome) {
    const std::set<std::string> logsBefore = Logs();
    const pid_t quenzel = Start("Quenzel", m_home1);
    ASSERT_GT(quenzel, 0);

    // The agreement comes first on a fresh home; Accept stores the answer.
    XWindowInfo agreement = Await(kAgreementTitle);
    ASSERT_NE(agreement.id, 0u);
    Shot("agreement");
    ClickControl(agreement, 553, IDOK, kFixed);
    XWindowInfo main = Await(kMainTitle);
    ASSERT_NE(main.id, 0u);
    EXPECT_EQ(RegistryDword(m_home1, L"KVX", L"App1", L"EULA", 0), 1u);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return fs::exists(m_home1.DataFile()); }));
    EXPECT_EQ(QueryOne(m_home1.DataFile(), "SELECT count(*) FROM language WHERE name IN ('English', 'German')"), "2");
    Shot("main");

    // The language pair: English to German.
    ASSERT_NO_FATAL_FAILURE(PickSecondLanguage(main, "Ge"));
    Shot("language-pair");

    // The tutor page: a new list "Travel".
    ClickMainTab(main, 1);
    Shot("tutor-page");
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_CREATE, kRight);
    XWindowInfo editor = Await("Edit View");
    ASSERT_NE(editor.id, 0u);
    m_desktop.Focus(editor.id);
    ClickControl(editor, IDD_EDIT_LIST, IDC_EDIT_LIST_NAME, kFixed);
    m_desktop.Type("Travel");
    Shot("create-list");
    ClickControl(editor, IDD_EDIT_LIST, IDC_EDIT_LIST_SAVE, kRight | kBottom);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(AwaitBox()));
    EXPECT_EQ(QueryOne(m_home1.DataFile(),
                       "SELECT f.name || '>' || t.name FROM vocab_list l JOIN language f ON f.id = l.from_language"
                       " JOIN language t ON t.id = l.to_language WHERE l.name = 'Travel'"),
              "English>German");
    ClickControl(editor, IDD_EDIT_LIST, IDCANCEL, kRight | kBottom);
    main = Await(kMainTitle);
    ASSERT_NE(main.id, 0u);
    Shot("list-created");

    // An import of a tab-separated file into a list "Food".
    const std::string words = m_folder.WriteFile("food.txt", "bread\tBrot\r\napple\tApfel\r\nwater\tWasser\r\n");
    m_desktop.Focus(main.id);
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_IMPORT, kRight);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Open", words));
    ASSERT_NO_FATAL_FAILURE(DismissRepeat("Open"));
    editor = Await("Edit View");
    ASSERT_NE(editor.id, 0u);
    {
        // The editor reads the file on its worker and takes no input
        // meanwhile: the name and Save are given again until Save answers.
        XWindowInfo box;
        for (int attempt = 0; attempt < 8 && !box.id; ++attempt) {
            m_desktop.Focus(editor.id);
            ClickControl(editor, IDD_EDIT_LIST, IDC_EDIT_LIST_NAME, kFixed);
            m_desktop.Key("a", true);
            m_desktop.Type("Food");
            if (attempt == 0) Shot("import-list");
            ClickControl(editor, IDD_EDIT_LIST, IDC_EDIT_LIST_SAVE, kRight | kBottom);
            box = AwaitBox(15);
        }
        ASSERT_NO_FATAL_FAILURE(AnswerBox(box));
    }
    EXPECT_EQ(Query(m_home1.DataFile(),
                    "SELECT w.text || '=' || m.text FROM list_entry e JOIN vocab_list l ON l.id = e.list_id"
                    " JOIN word w ON w.id = e.word_id JOIN meaning m ON m.id = e.meaning_id"
                    " WHERE l.name = 'Food' ORDER BY w.text"),
              (std::vector<std::string>{"apple=Apfel", "bread=Brot", "water=Wasser"}));
    // An import closes its editor once it is saved.
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(editor.id).id == 0; })) << "the editor stayed";
    main = Await(kMainTitle);
    ASSERT_NE(main.id, 0u);
    Shot("list-imported");

    // Both lists chosen, the learning view marks the first word Known and
    // saves it.
    const std::string statuses =
        "SELECT group_concat(status, ',') FROM (SELECT status FROM list_entry ORDER BY status DESC)";
    m_desktop.Focus(main.id);
    ClickListRow(main, 0);
    m_desktop.Key("a", true);
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_LEARN, kRight | kBottom);
    XWindowInfo learn = Await("Learn View");
    ASSERT_NE(learn.id, 0u);
    {
        // A click on a word marks it Known. The view loads the words and
        // saves on its worker and takes no input meanwhile: Save is pressed
        // until the mark is stored, and the word clicked again only when no
        // Save stored it.
        const auto [saveX, saveY] = Centre(learn, IDD_LEARN, IDC_LEARN_SAVE, kRight | kBottom);
        const int firstWordY = KVXDialogUnitsToPixelsY(88) + kLearnHeadingHeight + 15;
        bool stored = false;
        for (int attempt = 0; attempt < 4 && !stored; ++attempt) {
            m_desktop.Click(learn, 150, firstWordY);
            if (attempt == 0) Shot("learn");
            for (int save = 0; save < 6 && !stored; ++save) {
                m_desktop.Click(learn, saveX, saveY);
                stored = XDesktop::WaitUntil([&] { return QueryOne(m_home1.DataFile(), statuses) != "0,0,0"; }, 5);
            }
        }
        EXPECT_EQ(QueryOne(m_home1.DataFile(), statuses), "1,0,0");
    }
    if (XWindowInfo box = AwaitBox(2); box.id) {
        ASSERT_NO_FATAL_FAILURE(AnswerBox(box));
    }
    ClickControl(learn, IDD_LEARN, IDOK, kRight | kBottom);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(learn.id).id == 0; })) << "the learning view stayed";
    main = Await(kMainTitle);

    // The quiz: Known for each of the three words, then the end message.
    m_desktop.Focus(main.id);
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_QUIZ, kRight | kBottom);
    XWindowInfo quiz = Await("Quiz View");
    ASSERT_NE(quiz.id, 0u);
    m_desktop.Focus(quiz.id);
    Shot("quiz");
    for (int i = 0; i < 3; ++i) {
        ClickControl(quiz, IDD_QUIZ, IDC_QUIZ_KNOWN, kRight | kBottom);
        EXPECT_TRUE(XDesktop::WaitUntil(
            [&] {
                const std::string now = QueryOne(m_home1.DataFile(), "SELECT sum(status) FROM list_entry");
                return now == std::to_string(2 + i);
            },
            60))
            << "answer " << i + 1 << " was not stored";
    }
    ClickControl(quiz, IDD_QUIZ, IDC_QUIZ_KNOWN, kRight | kBottom);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(AwaitBox()));
    EXPECT_EQ(QueryOne(m_home1.DataFile(), statuses), "2,1,1");
    EXPECT_EQ(QueryOne(m_home1.DataFile(), "SELECT count(*) FROM list_entry WHERE date_status <> ''"), "3");
    ClickControl(quiz, IDD_QUIZ, IDOK, kRight | kBottom);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(quiz.id).id == 0; })) << "the quiz stayed";
    main = Await(kMainTitle);
    Shot("quiz-done");

    // The export of the list "Food", the second row.
    const std::string exported = m_folder.Sub("food-export.txt");
    m_desktop.Focus(main.id);
    ClickListRow(main, 1);
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_EXPORT, kRight);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog("Save As", exported));
    ASSERT_NO_FATAL_FAILURE(AnswerBox(AwaitBox()));
    ASSERT_NO_FATAL_FAILURE(DismissRepeat("Save As"));
    {
        std::string text = kvxtest::TempFolder::ReadFile(exported);
        std::vector<std::string> lines;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find("\r\n", at);
            lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
            at = end == std::string::npos ? text.size() : end + 2;
        }
        std::sort(lines.begin(), lines.end());
        EXPECT_EQ(lines, (std::vector<std::string>{"apple\tApfel", "bread\tBrot", "water\tWasser"})) << text;
    }
    Shot("exported");

    // The dictionary page searches while the word is typed; a search with
    // results goes into the search history.
    m_desktop.Focus(main.id);
    ClickMainTab(main, 0);
    ClickDictionaryWord(main);
    m_desktop.Focus(main.id);
    m_desktop.Type("wat");
    Shot("search-typing");
    m_desktop.Type("er");
    EXPECT_TRUE(Search(main, m_home1)) << QueryOne(m_home1.DataFile(), "SELECT text FROM history");
    Shot("search-result");

    // The options: the settings page without the advertisement, saved.
    m_desktop.Focus(main.id);
    ClickControl(main, IDD_MAIN, IDC_OPTIONS, kRight | kBottom);
    XWindowInfo options = Await("Options");
    ASSERT_NE(options.id, 0u);
    m_desktop.Focus(options.id);
    Shot("options");
    ClickOptionsTab(options, kSettingsTabMiddle);
    ClickOptionsPageControl(options, IDD_PAGE_SETTINGS, IDC_SETTINGS_ADVERTISEMENT, true);
    Shot("options-settings");
    ClickControl(options, IDD_OPTIONS, IDOK, kFixed);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(options.id).id == 0; })) << "the options stayed";

    // The update page asks the web server for the version file; the
    // program is newer, which the log tells.
    std::set<std::string> logs = Logs();
    std::set<std::string> newLogs;
    std::set_difference(logs.begin(), logs.end(), logsBefore.begin(), logsBefore.end(),
                        std::inserter(newLogs, newLogs.end()));
    ASSERT_EQ(newLogs.size(), 1u);
    const std::string log = *newLogs.begin();
    m_desktop.Focus(main.id);
    ClickControl(main, IDD_MAIN, IDC_OPTIONS, kRight | kBottom);
    options = Await("Options");
    ASSERT_NE(options.id, 0u);
    m_desktop.Focus(options.id);
    ClickOptionsTab(options, kUpdateTabMiddle);
    ClickOptionsPageControl(options, CPageUpdate::IDD, CPageUpdate::IDC_UPDATE_NOW);
    ASSERT_NO_FATAL_FAILURE(AnswerBox(AwaitBox()));
    EXPECT_NE(ReadLog(log).find("Online version: 0.0.1.0"), std::string::npos) << ReadLog(log);
    Shot("update-checked");
    ClickControl(options, IDD_OPTIONS, IDCANCEL, kFixed);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(options.id).id == 0; })) << "the options stayed";

    // The lists go to the sync service.
    ClickMainTab(main, 1);
    ASSERT_NO_FATAL_FAILURE(Synchronise(main, true));
    EXPECT_EQ(QueryOne(m_serviceDb, "SELECT count(*) FROM copy WHERE email = 'ann@example.org'"), "1");
    Shot("synchronised-online");

    m_desktop.Focus(main.id);
    ClickControl(main, IDD_MAIN, IDOK, kRight | kBottom);
    EXPECT_EQ(WaitForExit(quenzel), 0);
    EXPECT_EQ(RegistryString(m_home1, L"Language", L"ToLanguage"), L"German");
    EXPECT_EQ(RegistryString(m_home1, L"Settings", L"UserSyncEMail"), L"ann@example.org");
    EXPECT_EQ(RegistryDword(m_home1, L"Quenzel", L"Settings", L"Advertisement", 9), 0u);

    // A second home fetches the lists from the service.
    const pid_t second = Start("Quenzel", m_home2);
    ASSERT_GT(second, 0);
    agreement = Await(kAgreementTitle);
    ASSERT_NE(agreement.id, 0u);
    ClickControl(agreement, 553, IDOK, kFixed);
    main = Await(kMainTitle);
    ASSERT_NE(main.id, 0u);
    m_desktop.Focus(main.id);
    ClickMainTab(main, 1);
    ASSERT_NO_FATAL_FAILURE(Synchronise(main, false));
    EXPECT_EQ(Query(m_home2.DataFile(),
                    "SELECT l.name || ':' || w.text || '=' || m.text || ':' || e.status FROM list_entry e"
                    " JOIN vocab_list l ON l.id = e.list_id JOIN word w ON w.id = e.word_id"
                    " JOIN meaning m ON m.id = e.meaning_id ORDER BY w.text"),
              Query(m_home1.DataFile(),
                    "SELECT l.name || ':' || w.text || '=' || m.text || ':' || e.status FROM list_entry e"
                    " JOIN vocab_list l ON l.id = e.list_id JOIN word w ON w.id = e.word_id"
                    " JOIN meaning m ON m.id = e.meaning_id ORDER BY w.text"));
    EXPECT_EQ(QueryOne(m_home2.DataFile(), "SELECT group_concat(name, ',') FROM (SELECT name FROM vocab_list ORDER BY name)"),
              "Food,Travel");
    Shot("synchronised-local");

    // The on-screen keyboard types into the word field of the dictionary
    // page, which keeps the focus; the search goes into the history.
    ASSERT_NO_FATAL_FAILURE(PickSecondLanguage(main, "Ge"));
    m_desktop.Focus(main.id);
    ClickMainTab(main, 0);
    const pid_t keyboard = Start("Keyboard", m_home2);
    ASSERT_GT(keyboard, 0);
    agreement = Await(kAgreementTitle);
    ASSERT_NE(agreement.id, 0u);
    ClickControl(agreement, 553, IDOK, kFixed);
    const XWindowInfo keys = Await("Ondrivel - On-Screen");
    ASSERT_NE(keys.id, 0u);
    EXPECT_EQ(RegistryDword(m_home2, L"KVX", L"App2", L"EULA", 0), 1u);
    m_desktop.Focus(main.id);
    ClickDictionaryWord(main);
    for (char16_t c : std::u16string(u"water")) {
        const UINT key = kvxtest::KeyboardKeyOf(0x409, c);
        ASSERT_NE(key, 0u);
        ClickControl(keys, kvxtest::KeyboardDialogId(), key, kFixed);
    }
    Shot("keyboard-typing");
    m_desktop.Focus(main.id);
    EXPECT_TRUE(Search(main, m_home2)) << QueryOne(m_home2.DataFile(), "SELECT text FROM history");
    Shot("keyboard-search");
    m_desktop.Close(keys.id);
    EXPECT_EQ(WaitForExit(keyboard), 0);

    m_desktop.Focus(main.id);
    ClickControl(main, IDD_MAIN, IDOK, kRight | kBottom);
    EXPECT_EQ(WaitForExit(second), 0);
}

namespace {

// Makes the home's data file with the component of the program folder: one
// list "Locked" of English words with German meanings.
bool SeedOneList(const std::string& component, const std::string& dataFile,
                 const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
    void* library = dlopen(component.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    auto create = reinterpret_cast<CreateDataBaseFunction>(dlsym(library, "CreateDataBase"));
    auto remove = reinterpret_cast<DeleteDataBaseFunction>(dlsym(library, "DeleteDataBase"));
    CAbstractDataBase* db = create && remove ? create(nullptr, nullptr, 0) : nullptr;
    bool ok = db != nullptr;
    if (db) {
        fs::create_directories(fs::path(dataFile).parent_path());
        const std::wstring path(dataFile.begin(), dataFile.end());
        ok = db->Open(DATABASE_OPEN_OPTIONS{1, 0}, path.c_str()) == DATABASE_OK;
        int english = 0, german = 0;
        for (const LanguageRecord& language : ok ? db->GetLanguages(0) : std::vector<LanguageRecord>()) {
            if (language.name.Compare(L"English") == 0) english = language.id;
            if (language.name.Compare(L"German") == 0) german = language.id;
        }
        VocabularyListRecord list;
        list.name = L"Locked";
        list.fromLanguage = english;
        list.toLanguage = german;
        ok = ok && english && german && db->CreateVocabularyList(list) > 0;
        for (const auto& [text, meaningText] : pairs) {
            WordKeyRecord word;
            word.text = text.c_str();
            word.language = english;
            MeaningRecord meaning;
            meaning.text = meaningText.c_str();
            meaning.language = german;
            ok = ok && db->AddMeaning(word, meaning, 0) == DATABASE_OK;
            WordLinkRecord link;
            link.listId = list.id;
            link.wordId = word.id;
            link.meaningId = meaning.id;
            link.enteredDate = link.statusDate = L"2030-01-01";
            ok = ok && db->AddListEntry(link, 0) == DATABASE_OK;
        }
        remove(db);
    }
    dlclose(library);
    return ok;
}

} // namespace

TEST_F(EndToEndX11, AQuizAnswerWhileAnotherProgramHoldsTheDataFileIsKeptAndStoredLater) {
    ASSERT_TRUE(SeedOneList(m_app + "/libDataBase.so", m_home2.DataFile(), {{L"bread", L"Brot"}, {L"water", L"Wasser"}}));
    // The licence accepted and the pair English to German chosen at an
    // earlier start.
    setenv("KVX_REGISTRY_DIR", m_home2.RegistryFolder().c_str(), 1);
    {
        CBasicRegistry kvx(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        kvx.SetDWORD(L"App1", L"EULA", 1);
        CBasicRegistry quenzel(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        quenzel.SetString(L"Language", L"FromLanguage", L"English");
        quenzel.SetString(L"Language", L"ToLanguage", L"German");
    }
    unsetenv("KVX_REGISTRY_DIR");
    const pid_t quenzel = Start("Quenzel", m_home2);
    ASSERT_GT(quenzel, 0);
    XWindowInfo main = Await(kMainTitle);
    ASSERT_NE(main.id, 0u);
    ClickMainTab(main, 1);
    m_desktop.Focus(main.id);
    ClickListRow(main, 0);
    ClickPageControl(main, IDD_TUTOR_PAGE, IDC_TUTOR_QUIZ, kRight | kBottom);
    XWindowInfo quiz = Await("Quiz View");
    ASSERT_NE(quiz.id, 0u);
    m_desktop.Focus(quiz.id);
    const std::string counts = "SELECT group_concat(status, ',') FROM (SELECT status FROM list_entry ORDER BY id)";
    ASSERT_EQ(QueryOne(m_home2.DataFile(), counts), "0,0");

    // Another program takes the data file's write lock and keeps it past
    // the component's busy time.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(m_home2.DataFile().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    ClickControl(quiz, IDD_QUIZ, IDC_QUIZ_KNOWN, kRight | kBottom);
    const XWindowInfo box = AwaitBox();
    ASSERT_NE(box.id, 0u) << "the failed answer was not told";
    Shot("quiz-data-file-locked");
    int status = 0;
    EXPECT_EQ(waitpid(quenzel, &status, WNOHANG), 0) << "the program ended";
    ASSERT_NO_FATAL_FAILURE(AnswerBox(box));
    EXPECT_EQ(QueryOne(m_home2.DataFile(), counts), "0,0");

    // The other program lets go: the same answer, given again, is stored.
    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    m_desktop.Focus(quiz.id);
    ClickControl(quiz, IDD_QUIZ, IDC_QUIZ_KNOWN, kRight | kBottom);
    EXPECT_TRUE(XDesktop::WaitUntil([&] { return QueryOne(m_home2.DataFile(), counts) == "1,0"; }, 60))
        << "the kept answer was not stored: " << QueryOne(m_home2.DataFile(), counts);
    EXPECT_EQ(waitpid(quenzel, &status, WNOHANG), 0) << "the program ended";
    Shot("quiz-answer-stored");
    ClickControl(quiz, IDD_QUIZ, IDOK, kRight | kBottom);
    ASSERT_TRUE(XDesktop::WaitUntil([&] { return m_desktop.Refresh(quiz.id).id == 0; })) << "the quiz stayed";
}
