#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Pendrel/App/KVXApp.h"
#include "Pendrel/Core/BasicLog.h"
#include "Pendrel/Dialogs/EULADlg.h"
#include "Pendrel/Pendrel.h"
#include "Pendrel/Platform/KVXImageConversion.h"
#include "Pendrel/Platform/KVXMessageBox.h"
#include "Pendrel/Theme/WinTheme.h"
#include "testing/LoopbackHttpServer.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/Modules.h"
#include "utility/TextCodec.h"

namespace fs = std::filesystem;

namespace {

enum class Answer { Accept, Cancel, CloseBox };

// Answers every agreement dialog shown while it lives, and counts them.
class AgreementAnswerer {
public:
    explicit AgreementAnswerer(Answer answer) : m_answer(answer) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(0);
    }
    int Shown() const { return m_shown; }

private:
    void Poll() {
        auto* dialog = qobject_cast<CEULADlg*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        ++m_shown;
        switch (m_answer) {
        case Answer::Accept: dialog->GetDlgItem<QAbstractButton>(IDOK)->click(); break;
        case Answer::Cancel: dialog->GetDlgItem<QAbstractButton>(IDCANCEL)->click(); break;
        case Answer::CloseBox: dialog->close(); break;
        }
    }

    Answer m_answer;
    QTimer m_timer;
    int m_shown = 0;
};

// "KVX", four upper-case hexadecimal digits, ".txt".
bool IsLogFileName(const std::string& name) {
    if (name.size() != 11 || name.compare(0, 3, "KVX") != 0 || name.compare(7, 4, ".txt") != 0) return false;
    for (size_t i = 3; i < 7; ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])) && (name[i] < 'A' || name[i] > 'F')) return false;
    return true;
}

std::wstring ReadLog(const std::wstring& path) {
    std::string bytes = kvxtest::TempFolder::ReadFile(kvxtest::Narrow(path));
    if (bytes.size() < 2) return std::wstring();
    return Utf16LEToWide(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
}

DWORD StoredAgreement(const wchar_t* subKey) {
    CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
    return registry.GetDWORD(subKey, L"EULA", 99);
}

void StoreAgreement(const wchar_t* subKey, DWORD value) {
    CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
    registry.SetDWORD(subKey, L"EULA", value);
}

// The program's folder (with LogDef.ini) and Pendrel's folder (with a
// libSendrix.so) of one start.
class KVXAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_program.Sub("bin"));
        fs::copy_file(KVX_LOGDEF_FILE, m_program.Sub("bin/LogDef.ini"));
        UseLibrary(KVX_FAKE_SENDRIX);
        KVXSetApp(&m_app);
    }
    void TearDown() override {
        m_app.Release();
        KVXSetApp(nullptr);
        KVXSetAppFolders(nullptr, nullptr);
        SetLibraryLog(nullptr);
    }

    // Pendrel's folder with this libSendrix.so (none for null).
    void UseLibrary(const char* library) {
        fs::remove_all(m_module.Sub("lib"));
        fs::create_directories(m_module.Sub("lib"));
        if (library) fs::copy_file(library, m_module.Sub("lib/libSendrix.so"));
        KVXSetAppFolders(kvxtest::Widen(ProgramFolder()).c_str(), kvxtest::Widen(m_module.Sub("lib")).c_str());
    }
    std::string ProgramFolder() const { return m_program.Sub("bin"); }

    int InitAnswering(KVXApplicationID id, Answer answer, int* shown) {
        AgreementAnswerer answerer(answer);
        int result = m_app.Init(id, nullptr);
        if (shown) *shown = answerer.Shown();
        return result;
    }

    kvxtest::TempFolder m_program;
    kvxtest::TempFolder m_module;
    CKVXApp m_app;
};

TEST_F(KVXAppTest, AgreementIsAskedOncePerApplication) {
    int shown = 0;
    ASSERT_TRUE(InitAnswering(1, Answer::Accept, &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(StoredAgreement(L"App1"), 1u);
    EXPECT_NE(ReadLog(m_app.GetLog()->GetLogFilePath()).find(L"Application: 1, EULA: 1"), std::wstring::npos);
    m_app.Release();

    ASSERT_TRUE(InitAnswering(1, Answer::Cancel, &shown));
    EXPECT_EQ(shown, 0);
    m_app.Release();

    // The keyboard program keeps its own answer.
    EXPECT_EQ(StoredAgreement(L"App2"), 99u);
    ASSERT_TRUE(InitAnswering(2, Answer::Accept, &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(StoredAgreement(L"App2"), 1u);
}

TEST_F(KVXAppTest, DeclinedAgreementFailsAndStoresNothing) {
    for (Answer answer : {Answer::Cancel, Answer::CloseBox}) {
        int shown = 0;
        EXPECT_FALSE(InitAnswering(1, answer, &shown));
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(StoredAgreement(L"App1"), 99u);
        // Nothing more was loaded.
        EXPECT_FALSE(m_app.GetOnlineLibrary().IsLoaded());
        EXPECT_EQ(m_app.GetLinkTable()->GetCount(), 0u);
        EXPECT_NE(ReadLog(m_app.GetLog()->GetLogFilePath()).find(L"Application: 1, EULA: 0"), std::wstring::npos);
        m_app.Release();
    }
}

TEST_F(KVXAppTest, AStoredValueOtherThanZeroOrOneAsksAgain) {
    StoreAgreement(L"App1", 7);
    int shown = 0;
    ASSERT_TRUE(InitAnswering(1, Answer::Accept, &shown));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(StoredAgreement(L"App1"), 1u);
}

// Records the message boxes shown while it lives.
class MessageBoxes {
public:
    MessageBoxes() {
        KVXSetMessageBoxHandler([this](QWidget*, const CBasicString& text, const CBasicString&, UINT) {
            texts.push_back(kvxtest::Narrow(text.GetString()));
            return IDOK;
        });
    }
    ~MessageBoxes() { KVXSetMessageBoxHandler({}); }
    std::vector<std::string> texts;
};

TEST_F(KVXAppTest, MissingEventDefinitionsFailWithALineOnStandardError) {
    fs::remove(ProgramFolder() + "/LogDef.ini");
    MessageBoxes boxes;
    testing::internal::CaptureStderr();
    int shown = 0;
    EXPECT_FALSE(InitAnswering(1, Answer::Accept, &shown));
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shown, 0);
    EXPECT_NE(error.find(ProgramFolder() + "/LogDef.ini"), std::string::npos) << error;
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_NE(boxes.texts[0].find(ProgramFolder() + "/LogDef.ini"), std::string::npos) << boxes.texts[0];
    // No log file is left behind, and nothing is stored.
    for (const auto& entry : fs::directory_iterator(ProgramFolder())) ADD_FAILURE() << entry.path();
    EXPECT_EQ(StoredAgreement(L"App1"), 99u);
}

TEST_F(KVXAppTest, MissingLibraryFailsWithTheLibrarysEvent) {
    UseLibrary(nullptr);
    StoreAgreement(L"App1", 1);
    EXPECT_FALSE(InitAnswering(1, Answer::Accept, nullptr));
    EXPECT_FALSE(m_app.GetOnlineLibrary().IsLoaded());
    const std::wstring log = ReadLog(m_app.GetLog()->GetLogFilePath());
    EXPECT_NE(log.find(L"Unable to load the online-services library Sendrix.dll"), std::wstring::npos) << kvxtest::Narrow(log);
    EXPECT_NE(log.find(L"Line: 139"), std::wstring::npos);
}

TEST_F(KVXAppTest, EachStartWritesANewLogFileBesideTheProgram) {
    StoreAgreement(L"App1", 1);
    ASSERT_TRUE(InitAnswering(1, Answer::Accept, nullptr));
    const std::string path = kvxtest::Narrow(m_app.GetLog()->GetLogFilePath());
    EXPECT_EQ(fs::path(path).parent_path().string(), ProgramFolder());
    EXPECT_TRUE(IsLogFileName(fs::path(path).filename().string())) << path;
    const std::wstring log = ReadLog(m_app.GetLog()->GetLogFilePath());
    for (const wchar_t* line : {L"\tApplication: ", L", Version: ", L"\tUser name: ", L"\tStarted date: ",
                                L"\tOperating system: ", L"\tApplication: 1, EULA: 1\r\n"})
        EXPECT_NE(log.find(line), std::wstring::npos) << kvxtest::Narrow(line);
    EXPECT_EQ(GetLibraryLog(), m_app.GetLog());

    m_app.Release();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(GetLibraryLog(), nullptr);
    EXPECT_EQ(m_app.GetLog(), nullptr);
    EXPECT_EQ(m_app.GetLinkTable(), nullptr);

    ASSERT_TRUE(InitAnswering(1, Answer::Accept, nullptr));
    EXPECT_NE(kvxtest::Narrow(m_app.GetLog()->GetLogFilePath()), path);
}

// Makes a folder unwritable while it lives. Root writes anywhere, so a
// test running as root takes another user's rights meanwhile, with the
// test's own folders open to that user.
class ReadOnlyFolder {
public:
    ReadOnlyFolder(const std::string& folder, const std::string& isolatedRoot) : m_folder(folder) {
        if (geteuid() == 0) {
            for (const auto& entry : fs::recursive_directory_iterator(isolatedRoot))
                chmod(entry.path().c_str(), entry.is_directory() ? 0777 : 0666);
            chmod(isolatedRoot.c_str(), 0777);
        }
        chmod(folder.c_str(), 0555);
        if (geteuid() == 0) {
            m_switched = seteuid(65534) == 0;
            m_failed = !m_switched;
        }
    }
    ~ReadOnlyFolder() {
        if (m_switched) (void)!seteuid(0);
        chmod(m_folder.c_str(), 0755);
    }
    bool Failed() const { return m_failed; }

private:
    std::string m_folder;
    bool m_switched = false;
    bool m_failed = false;
};

TEST_F(KVXAppTest, UnwritableProgramFolderPutsTheLogIntoThePerUserFolder) {
    StoreAgreement(L"App1", 1);
    const std::string root = fs::path(getenv("HOME")).parent_path().string();
    std::string path;
    {
        ReadOnlyFolder readOnly(ProgramFolder(), root);
        if (readOnly.Failed()) GTEST_SKIP() << "cannot take another user's rights";
        ASSERT_TRUE(InitAnswering(1, Answer::Accept, nullptr));
        path = kvxtest::Narrow(m_app.GetLog()->GetLogFilePath());
        m_app.Release();
    }
    const std::string perUser = std::string(getenv("XDG_DATA_HOME")) + "/Morvane/pendrel_app_tests/";
    EXPECT_EQ(path.substr(0, perUser.size()), perUser);
    EXPECT_TRUE(IsLogFileName(path.substr(perUser.size()))) << path;
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(KVXAppTest, ALogFolderThatCannotBeWrittenIsNamedAndTheDefinitionsAreNotBlamed) {
    StoreAgreement(L"App1", 1);
    const std::string root = fs::path(getenv("HOME")).parent_path().string();
    const std::string dataHome = getenv("XDG_DATA_HOME");
    fs::create_directories(dataHome);
    MessageBoxes boxes;
    std::string error;
    {
        ReadOnlyFolder readOnly(ProgramFolder(), root);
        if (readOnly.Failed()) GTEST_SKIP() << "cannot take another user's rights";
        // The per-user data folder, where the log goes instead, cannot be
        // reached either (closed by its owner).
        const bool switched = geteuid() != getuid();
        if (switched) (void)!seteuid(0);
        chmod(dataHome.c_str(), 0);
        if (switched) (void)!seteuid(65534);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(InitAnswering(1, Answer::Accept, nullptr));
        error = testing::internal::GetCapturedStderr();
    }
    chmod(dataHome.c_str(), 0755);
    EXPECT_EQ(error.find("LogDef.ini"), std::string::npos) << error;
    EXPECT_NE(error.find("no log file can be made in the folder"), std::string::npos) << error;
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_NE(boxes.texts[0].find(dataHome), std::string::npos) << boxes.texts[0];
    EXPECT_EQ(boxes.texts[0].find("LogDef.ini"), std::string::npos) << boxes.texts[0];
}

TEST_F(KVXAppTest, ApplicationIconDependsOnTheApplication) {
    auto pixels = [](HICON icon) {
        QImage image = KVXIconToQImage(icon);
        delete icon;
        return image;
    };
    const QImage main = pixels(KVXLoadIcon(KVXGetInstance(), 366, 32, LOAD_ICON_DEFAULT_COLORS));
    const QImage keyboard = pixels(KVXLoadIcon(KVXGetInstance(), 367, 32, LOAD_ICON_DEFAULT_COLORS));
    ASSERT_NE(main, keyboard);
    for (KVXApplicationID id : {0, 1, 2, 3}) {
        m_app.SetApplicationId(id);
        EXPECT_EQ(pixels(m_app.GetApplicationIcon(32)), id == 2 ? keyboard : main) << id;
    }
    EXPECT_EQ(std::wstring(m_app.GetLanguageCode()), L"ENG");
    EXPECT_EQ(m_app.GetDlgBkColor(), RGB(240, 240, 240));
    EXPECT_EQ(m_app.GetTabPageBkColor(), RGB(255, 255, 225));
}

TEST(KVXAppThemeTest, TheApplicationObjectOwnsTheControlsTheme) {
    EXPECT_EQ(KVXGetTheme(), nullptr);
    {
        CKVXApp app;
        ASSERT_NE(app.GetTheme(), nullptr);
        EXPECT_EQ(KVXGetCurrentWinTheme(), app.GetTheme());
        KVXSetApp(&app);
        EXPECT_EQ(KVXGetTheme(), app.GetTheme());
        KVXSetApp(nullptr);
    }
    EXPECT_EQ(KVXGetCurrentWinTheme(), nullptr);
    EXPECT_EQ(KVXGetTheme(), nullptr);
}

// The real online-services library, with Pendrel's folder being the build
// folder (which holds the shipped UrlFile.xml).
class KVXAppOnlineTest : public KVXAppTest {
protected:
    void SetUp() override {
        KVXAppTest::SetUp();
        const std::string bin = fs::path(KVX_REAL_SENDRIX).parent_path().string();
        KVXSetAppFolders(kvxtest::Widen(ProgramFolder()).c_str(), kvxtest::Widen(bin).c_str());
        StoreAgreement(L"App1", 1);
        ASSERT_TRUE(InitAnswering(1, Answer::Accept, nullptr));
    }
};

TEST_F(KVXAppOnlineTest, LoadsTheLibraryAndTheLinkTable) {
    ASSERT_TRUE(m_app.GetOnlineLibrary().IsLoaded());
    EXPECT_NE(GetLibraryFunction(m_app.GetOnlineLibrary().GetModule(), "CreateHttpFile"), nullptr);
    EXPECT_EQ(std::wstring(m_app.GetLinkTable()->GetLinkURL(15)), L"http://127.0.0.1:8080/kvx/about/quenzel.html");
    // The synchronisation service lies under the same base.
    EXPECT_EQ(std::wstring(m_app.GetLinkTable()->GetLinkURL(58)), L"http://127.0.0.1:8080/kvx/sync");
    EXPECT_EQ(m_app.LocalLoadLibrary(nullptr), nullptr);
    EXPECT_EQ(m_app.LocalLoadLibrary(L""), nullptr);
    EXPECT_EQ(m_app.LocalLoadLibrary(L"NoSuchLibrary.dll"), nullptr);
}

TEST_F(KVXAppOnlineTest, PingServerTellsWhetherTheServerAnswers) {
    kvxtest::LoopbackHttpServer server;
    server.Serve("/here", 200, "ok");
    server.Start();
    EXPECT_EQ(m_app.PingServer(kvxtest::Widen(server.Url("/here")).c_str()), 1);
    EXPECT_EQ(m_app.PingServer(kvxtest::Widen(server.Url("/gone")).c_str()), 0);
    EXPECT_EQ(server.RequestedPaths(), (std::vector<std::string>{"/here", "/gone"}));

    // A closed port: the port of a server that has ended.
    int closedPort = 0;
    {
        kvxtest::LoopbackHttpServer ended;
        ended.Start();
        closedPort = ended.Port();
    }
    EXPECT_EQ(m_app.PingServer(kvxtest::Widen("http://127.0.0.1:" + std::to_string(closedPort) + "/").c_str()), 0);

    EXPECT_EQ(m_app.PingServer(nullptr), 0);
    const std::wstring log = ReadLog(m_app.GetLog()->GetLogFilePath());
    EXPECT_NE(log.find(L"Assert Failed!!!\r\n\t\tSource file: KVXApp, Line: 200"), std::wstring::npos)
        << kvxtest::Narrow(log);
}

} // namespace
