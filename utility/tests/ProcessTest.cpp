#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cwchar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/EventHandle.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/Shell.h"
#include "utility/Posix/SystemError.h"

namespace {

using kvxtest::Narrow;
using kvxtest::TempFolder;
using kvxtest::Widen;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Waits (a minute at most) for a file that a detached program writes.
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 6000; ++i) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Puts fake programs first on PATH for the test's duration.
class FakePrograms {
public:
    explicit FakePrograms(const TempFolder& folder) : m_folder(folder.Sub("bin")) {
        std::filesystem::create_directories(m_folder);
        const char* path = getenv("PATH");
        m_oldPath = path ? path : "";
        setenv("PATH", (m_folder + ":" + m_oldPath).c_str(), 1);
    }
    ~FakePrograms() { setenv("PATH", m_oldPath.c_str(), 1); }
    // A script that writes its arguments, one per line, into output.
    void Add(const std::string& name, const std::string& output) {
        std::string script = m_folder + "/" + name;
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << output << ".part'\nmv '" << output
                              << ".part' '" << output << "'\n";
        chmod(script.c_str(), 0755);
    }

private:
    std::string m_folder;
    std::string m_oldPath;
};

class ProcessTest : public ReportCapture {
protected:
    TempFolder m_folder;
};

TEST_F(ProcessTest, RunCommandStartsAWaitableChildBesideTheProgram) {
    std::string out = m_folder.Sub("args.txt");
    std::wstring line = L"\"kvx_test_child.exe\" " + Widen(out) + L" 3 \"two words\" a\\\"b  plain";
    HANDLE process = RunCommand(line.c_str());
    ASSERT_NE(process, nullptr);
    EXPECT_GT(GetProcessId(process), 0u);
    EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 3u);
    // Signalled for good once ended.
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(process));

    std::string folder = Narrow(GetProgramFolder().GetString());
    std::vector<std::string> expected = {folder.substr(0, folder.size() - 1), "two words", "a\"b", "plain"};
    EXPECT_EQ(ReadLines(out), expected);
}

TEST_F(ProcessTest, RunningChildCanBeTerminated) {
    HANDLE process = RunCommand(L"kvx_test_child - sleep");
    ASSERT_NE(process, nullptr);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, (DWORD)STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(process, 20), WAIT_TIMEOUT);

    // A process ending wakes a wait for several objects.
    HANDLE event = CreateEventHandle(TRUE, FALSE);
    HANDLE both[] = {event, process};
    EXPECT_TRUE(TerminateProcess(process, 7));
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 60000), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_FALSE(TerminateProcess(process, 1));
    EXPECT_FALSE(GetExitCodeProcess(event, &code));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    CloseHandle(event);
    CloseHandle(process);
}

TEST_F(ProcessTest, ClosedRunningChildIsReapedLater) {
    HANDLE process = RunCommand(L"kvx_test_child - sleep");
    ASSERT_NE(process, nullptr);
    pid_t pid = (pid_t)GetProcessId(process);
    CloseHandle(process);
    // Still running and still this process's child.
    EXPECT_EQ(kill(pid, 0), 0);
    kill(pid, SIGKILL);
    siginfo_t info;
    ASSERT_EQ(waitid(P_PID, (id_t)pid, &info, WEXITED | WNOWAIT), 0);

    HANDLE next = RunCommand(L"kvx_test_child - 0");
    ASSERT_NE(next, nullptr);
    WaitForSingleObject(next, 60000);
    CloseHandle(next);
    errno = 0;
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProcessTest, RunCommandFailuresAreLogged) {
    const struct {
        const wchar_t* line;
        DWORD code;
    } cases[] = {
        {L"\"no-such-tool.exe\" -x", ERROR_FILE_NOT_FOUND},
        {L"\"unclosed -x", ERROR_PATH_NOT_FOUND},
        {L"", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        m_log.Clear();
        EXPECT_EQ(RunCommand(c.line), nullptr);
        auto entries = m_log.Entries();
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].call, kvxtest::LogCall::LogFormat);
        EXPECT_EQ(entries[0].level, 1);
        EXPECT_EQ(entries[0].sourceFile, L".\\Windows\\BasicAPI");
        EXPECT_EQ(entries[0].text, L"Failed to execute command (" + std::wstring(c.line) + L") with system error: (" +
                                       std::to_wstring(c.code) + L") " + GetSystemErrorText(c.code).GetString());
    }
}

TEST_F(ProcessTest, OpenWithShellAndPlaySoundStartTheirPrograms) {
    FakePrograms programs(m_folder);
    programs.Add("xdg-open", m_folder.Sub("opened"));
    programs.Add("aplay", m_folder.Sub("played"));
    std::string document = m_folder.WriteFile("list of words.txt", "x");

    EXPECT_EQ(OpenWithShell(Widen(document).c_str()), 1);
    ASSERT_TRUE(WaitForFile(m_folder.Sub("opened")));
    EXPECT_EQ(ReadLines(m_folder.Sub("opened")), std::vector<std::string>{document});
    EXPECT_EQ(OpenWithShell(m_folder.WSub("missing.txt").c_str()), 0);

    EXPECT_EQ(PlaySoundFile(Widen(document).c_str()), 1);
    ASSERT_TRUE(WaitForFile(m_folder.Sub("played")));
    EXPECT_EQ(ReadLines(m_folder.Sub("played")), (std::vector<std::string>{"-q", document}));
    EXPECT_EQ(PlaySoundFile(nullptr), 1);

    // Without an opener on PATH nothing starts.
    setenv("PATH", m_folder.Sub("empty").c_str(), 1);
    EXPECT_EQ(OpenWithShell(Widen(document).c_str()), 0);
}

TEST_F(ProcessTest, ShellDeleteRemovesTreesButNeverFollowsLinks) {
    std::string outside = m_folder.WriteFile("outside/keep.txt", "keep");
    m_folder.WriteFile("tree/sub/file.txt", "x");
    ASSERT_EQ(symlink(m_folder.Sub("outside").c_str(), m_folder.Sub("tree/sub/link").c_str()), 0);

    EXPECT_EQ(ShellDelete(m_folder.WSub("tree").c_str(), 0), 1);
    EXPECT_FALSE(std::filesystem::exists(m_folder.Sub("tree")));
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(outside), "keep");
    EXPECT_EQ(ShellDelete(m_folder.WSub("tree").c_str(), 0), 1);  // missing
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(ShellDelete(L"", 0), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(ProcessTest, ShellDeleteToRecycleBinMovesIntoTheTrash) {
    m_folder.RedirectHome();
    std::string file = m_folder.WriteFile("work/old list.csv", "data");
    std::string second = m_folder.WriteFile("other/old list.csv", "more");
    EXPECT_EQ(ShellDelete(Widen(file).c_str(), 1), 1);
    EXPECT_EQ(ShellDelete(Widen(second).c_str(), 1), 1);
    EXPECT_FALSE(std::filesystem::exists(file));

    std::string trash = m_folder.Sub("data/Trash");
    EXPECT_EQ(TempFolder::ReadFile(trash + "/files/old list.csv"), "data");
    EXPECT_EQ(TempFolder::ReadFile(trash + "/files/old list.csv 2"), "more");
    std::vector<std::string> info = ReadLines(trash + "/info/old list.csv.trashinfo");
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[0], "[Trash Info]");
    EXPECT_EQ(info[1], "Path=" + m_folder.Sub("work/old%20list.csv"));
    EXPECT_EQ(info[2].compare(0, 13, "DeletionDate="), 0);
}

TEST(ExpandEnvironment, ReplacesKnownVariables) {
    setenv("KVX_EXPAND_ONE", "value", 1);
    setenv("KVX_EXPAND_UTF8", "\xC3\xA9t\xC3\xA9", 1);
    unsetenv("KVX_EXPAND_UNSET");
    const struct {
        const wchar_t* source;
        const wchar_t* expanded;
    } cases[] = {
        {L"%KVX_EXPAND_ONE%", L"value"},
        {L"a %kvx_expand_one% b", L"a value b"},
        {L"%KVX_EXPAND_UTF8%", L"\u00E9t\u00E9"},
        {L"%KVX_EXPAND_UNSET%\\x", L"%KVX_EXPAND_UNSET%\\x"},
        {L"100%", L"100%"},
        {L"a%%b", L"a%%b"},
        {L"%KVX_EXPAND_ONE%%KVX_EXPAND_ONE%", L"valuevalue"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        wchar_t target[64];
        int needed = ExpandEnvironmentText(c.source, target, 64);
        EXPECT_EQ(needed, (int)wcslen(c.expanded) + 1) << c.source;
        EXPECT_STREQ(target, c.expanded);
    }
    wchar_t small[4] = {L'k', 0};
    EXPECT_EQ(ExpandEnvironmentText(L"%KVX_EXPAND_ONE%!", small, 4), 7);
    EXPECT_STREQ(small, L"k");
    EXPECT_EQ(ExpandEnvironmentText(L"abc", nullptr, 0), 4);
    EXPECT_EQ(ExpandEnvironmentText(nullptr, small, 4), 0);
}

TEST(Shell, FileTypeNamesAndOldSystemCalls) {
    EXPECT_STREQ(GetFileTypeName(L"/data/list.csv").GetString(), L"CSV File");
    EXPECT_STREQ(GetFileTypeName(L"archive.tar.gz").GetString(), L"GZ File");
    EXPECT_STREQ(GetFileTypeName(L"/data.d/README").GetString(), L"File");
    EXPECT_STREQ(GetFileTypeName(nullptr).GetString(), L"File");
    EXPECT_EQ(RegisterForRestart(), 1);
    EXPECT_EQ(CreateShutdownBlockReason(nullptr, nullptr), 1);
    EXPECT_EQ(DestroyShutdownBlockReason(nullptr), 1);
}

} // namespace
