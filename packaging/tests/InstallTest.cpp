// Installs this build with `cmake --install` into a temporary prefix and
// looks at what lands there: every file in its place, desktop entries and
// metainfo that the desktop's validators accept, and the installed main
// program starting from the prefix (offscreen, on the test's own home) with
// the libraries beside it, then ending cleanly when asked to.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/Installed.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/ProcessStart.h"

namespace fs = std::filesystem;

namespace {

const char kMainTitle[] = "Quenzel - Let's be a guru";
// Deadline of a wait for the started program; it only ends a hang.
const int kDeadlineMs = 120000;

const char* const kProgramFolderFiles[] = {"Quenzel",       "Keyboard",       "SFtp",          "libPendrel.so",
                                           "libSendrix.so", "libDataBase.so", "libFenmarl.so", "LogDef.ini",
                                           "UrlFile.xml",   "Quenzel.html",   "Ondrivel.html"};
const char* const kPrograms[] = {"Quenzel", "Keyboard", "SFtp"};
const char* const kDesktopIds[] = {"org.morvane.Quenzel", "org.morvane.Keyboard"};
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Outcome {
    int status = -1;  // exit status; -1 when the program did not end by itself
    std::string output;
};

// Runs a program (no shell) with its standard output and error caught.
Outcome RunProgram(const std::vector<std::string>& command) {
    Outcome outcome;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return outcome;
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(out[1], 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        outcome.output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    return outcome;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The value of a key of a desktop entry ("" when it has none).
std::string DesktopValue(const std::string& entry, const std::string& key) {
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return std::string();
}

// Log files of the programs in a folder (KVX????.txt).
std::vector<fs::path> LogFiles(const fs::path& folder) {
    std::vector<fs::path> logs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("KVX", 0) == 0 && entry.path().extension() == ".txt") logs.push_back(entry.path());
    }
    return logs;
}

class InstalledSystem : public ::testing::Test {
protected:
    void SetUp() override {
        m_prefix = fs::path(m_folder.Sub("prefix"));
        m_programs = m_prefix / KVX_INSTALL_PROGRAM_DIR;
        const Outcome install = RunProgram({KVX_CMAKE, "--install", KVX_BUILD_FOLDER, "--prefix", m_prefix.string()});
        ASSERT_EQ(install.status, 0) << install.output;
    }

    kvxtest::TempFolder m_folder;
    fs::path m_prefix;
    fs::path m_programs;
};

// A started program that tells, through a pipe, the titles of the windows
// it shows; ends with SIGKILL when the test leaves it running.
class ShowingProgram {
public:
    ~ShowingProgram() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_titles >= 0) close(m_titles);
    }

    bool Start(const std::string& program, std::vector<std::string> environment) {
        int titles[2];
        if (pipe2(titles, O_CLOEXEC) != 0) return false;
        // The child's end keeps its number over exec.
        const int childEnd = fcntl(titles[1], F_DUPFD, 10);
        close(titles[1]);
        if (childEnd < 0) return false;
        environment.push_back("KVX_SHOWN_WINDOW_FD=" + std::to_string(childEnd));
        for (char** variable = environ; *variable; ++variable) {
            const std::string text = *variable;
            const std::string name = text.substr(0, text.find('='));
            bool replaced = false;
            for (const std::string& own : environment) replaced = replaced || own.rfind(name + "=", 0) == 0;
            if (!replaced) environment.push_back(text);
        }
        std::vector<char*> envp;
        for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        m_pid = fork();
        if (m_pid == 0) {
            execve(argv[0], argv, envp.data());
            _exit(127);
        }
        close(childEnd);
        m_titles = titles[0];
        return m_pid > 0;
    }

    // Waits for a window whose title starts with the text; false when the program ended or the
    // deadline passed first.
    bool WaitForWindow(const std::string& title) {
        for (;;) {
            const size_t end = m_read.find('\n');
            if (end != std::string::npos) {
                const std::string line = m_read.substr(0, end);
                m_read.erase(0, end + 1);
                m_shown.push_back(line);
                if (line.rfind(title, 0) == 0) return true;
                continue;
            }
            if (ReadMore() != Read::kData) return false;
        }
    }

    // Waits for the program to end (its end of the pipe closes); its exit
    // status, or -1 when it did not exit by itself before the deadline.
    int WaitForEnd() {
        Read read;
        while ((read = ReadMore()) == Read::kData) {
        }
        int status = 0;
        if (read != Read::kEnd || m_pid <= 0 || waitpid(m_pid, &status, 0) != m_pid) return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t Pid() const { return m_pid; }
    const std::vector<std::string>& Shown() const { return m_shown; }

private:
    enum class Read { kData, kEnd, kDeadline };

    // More of the titles; kEnd once every writer closed the pipe (the
    // program ended).
    Read ReadMore() {
        pollfd wait = {m_titles, POLLIN, 0};
        int ready;
        do ready = poll(&wait, 1, kDeadlineMs);
        while (ready < 0 && errno == EINTR);
        if (ready <= 0) return Read::kDeadline;
        char buffer[1024];
        ssize_t n;
        do n = read(m_titles, buffer, sizeof buffer);
        while (n < 0 && errno == EINTR);
        if (n < 0) return Read::kDeadline;
        if (n == 0) return Read::kEnd;
        m_read.append(buffer, static_cast<size_t>(n));
        return Read::kData;
    }

    pid_t m_pid = -1;
    int m_titles = -1;
    std::string m_read;
    std::vector<std::string> m_shown;
};

} // namespace

TEST_F(InstalledSystem, PutsTheProgramFolderLinksAndDesktopFilesInPlace) {
    for (const char* name : kProgramFolderFiles) {
        const fs::path installed = m_programs / name;
        ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
        EXPECT_EQ(ReadAll(installed), ReadAll(fs::path(KVX_BUILD_FOLDER) / "bin" / name)) << name;
    }
    for (const char* name : kPrograms)
        EXPECT_NE(fs::status(m_programs / name).permissions() & fs::perms::owner_exec, fs::perms::none) << name;
    // The links on the path lead into the program folder, relatively.
    for (const char* name : {"Quenzel", "Keyboard"}) {
        const fs::path link = m_prefix / "bin" / name;
        ASSERT_TRUE(fs::is_symlink(link)) << link;
        EXPECT_TRUE(fs::read_symlink(link).is_relative()) << fs::read_symlink(link);
        EXPECT_EQ(fs::canonical(link), fs::canonical(m_programs / name));
    }
    // Each desktop entry starts a linked program and names an icon of every size.
    for (const char* id : kDesktopIds) {
        const std::string entry = ReadAll(m_prefix / "share/applications" / (std::string(id) + ".desktop"));
        ASSERT_FALSE(entry.empty()) << id;
        EXPECT_TRUE(fs::exists(m_prefix / "bin" / DesktopValue(entry, "Exec"))) << id;
        EXPECT_EQ(DesktopValue(entry, "Icon"), id);
        for (int size : kIconSizes) {
            const std::string folder = std::to_string(size) + "x" + std::to_string(size);
            const std::string icon = ReadAll(m_prefix / "share/icons/hicolor" / folder / "apps" / (std::string(id) + ".png"));
            EXPECT_EQ(icon.rfind("\x89PNG\r\n\x1a\n", 0), 0u) << id << " " << folder;
        }
    }
    EXPECT_TRUE(fs::is_regular_file(m_prefix / "share/metainfo/org.morvane.Quenzel.metainfo.xml"));
}

TEST_F(InstalledSystem, DesktopEntriesAndMetainfoPassTheDesktopValidators) {
    const std::string desktopValidate = FindProgramOnPath("desktop-file-validate");
    KVX_SKIP_OR_FAIL_UNLESS(!desktopValidate.empty(), "desktop-file-validate (desktop-file-utils) is not installed");
    const std::string appstream = FindProgramOnPath("appstreamcli");
    KVX_SKIP_OR_FAIL_UNLESS(!appstream.empty(), "appstreamcli (appstream) is not installed");
    for (const char* id : kDesktopIds) {
        const Outcome check = RunProgram({desktopValidate, (m_prefix / "share/applications" / (std::string(id) + ".desktop")).string()});
        EXPECT_EQ(check.status, 0) << id << ": " << check.output;
        // desktop-file-validate says nothing of an entry it accepts; hints too would show.
        EXPECT_EQ(check.output, "") << id;
    }
    const Outcome metainfo =
        RunProgram({appstream, "validate", "--no-net", (m_prefix / "share/metainfo/org.morvane.Quenzel.metainfo.xml").string()});
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;
}

TEST_F(InstalledSystem, QuenzelStartsFromThePrefixWithItsOwnLibrariesAndEndsCleanly) {
    // The licence was accepted at an earlier start.
    {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App1", L"EULA", 1);
    }
    const char* asan = std::getenv("ASAN_OPTIONS");
    ShowingProgram program;
    // Started through its link on the path, as the desktop entry starts it.
    // The probe is preloaded ahead of the sanitizer's run-time library in
    // the sanitizer build, which the link-order check would refuse.
    ASSERT_TRUE(program.Start((m_prefix / "bin/Quenzel").string(),
                              {"QT_QPA_PLATFORM=offscreen", "LD_PRELOAD=" KVX_SHOWN_WINDOW_PROBE,
                               "LSAN_OPTIONS=suppressions=" KVX_PROGRAM_LEAKS,
                               std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"}));
    ASSERT_TRUE(program.WaitForWindow(kMainTitle)) << "windows shown: " << ::testing::PrintToString(program.Shown());

    // Its libraries are the installed ones beside it, not the build's.
    const std::string maps = ReadAll("/proc/" + std::to_string(program.Pid()) + "/maps");
    const std::string folder = fs::canonical(m_programs).string() + "/";
    for (const char* library : {"libPendrel.so", "libDataBase.so"}) {
        EXPECT_NE(maps.find(folder + library), std::string::npos) << library;
        std::istringstream lines(maps);
        for (std::string line; std::getline(lines, line);) {
            if (line.size() > strlen(library) && line.compare(line.size() - strlen(library), strlen(library), library) == 0) {
                EXPECT_NE(line.find(folder), std::string::npos) << line;
            }
        }
    }
    // Its log lies in its folder, which this prefix lets it write.
    EXPECT_EQ(LogFiles(m_programs).size(), 1u);

    // A log-out ends it as a close does: the settings saved, the log removed.
    ASSERT_EQ(kill(program.Pid(), SIGTERM), 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
    EXPECT_TRUE(LogFiles(m_programs).empty());
    for (const auto& entry : fs::directory_iterator(m_programs))
        EXPECT_NE(entry.path().filename().string().rfind("Crash-", 0), 0u) << entry.path();
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_STREQ(registry.GetString(L"Language", L"FromLanguage", L"").GetString(), L"English");
    const fs::path data = fs::path(std::getenv("XDG_DATA_HOME")) / "Morvane/Quenzel/Quenzel.pkv";
    EXPECT_EQ(ReadAll(data).rfind("SQLite format 3", 0), 0u);
}
