// Starts the program as a user would, on a fresh home under an X server of
// the test's own, and looks at what it leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testing/XvfbServer.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

// The command's standard output, without the last line end.
std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(QuenzelX11, StartsShowsItsMainWindowAndKeepsItsSettingsAndDataFile) {
    kvxtest::XvfbServer server;
    ASSERT_TRUE(server.Running());
    // The licence was accepted at an earlier start.
    {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App1", L"EULA", 1);
    }
    const std::string program = std::string(KVX_BIN_FOLDER) + "/Quenzel";
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("LSAN_OPTIONS", "suppressions=" KVX_PROGRAM_LEAKS, 1);
        // The X keyboard library hands strndup buffers that are not
        // terminated, which is allowed; the strict string check of the
        // address sanitizer would take that for an overflow.
        const char* asan = getenv("ASAN_OPTIONS");
        std::string options = std::string(asan ? asan : "") + ":strict_string_checks=0";
        setenv("ASAN_OPTIONS", options.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);

    // xdotool waits until the window is mapped.
    const std::string window = RunCommand("timeout 120 xdotool search --sync --onlyvisible --name '^Quenzel - Let' | head -n 1");
    ASSERT_FALSE(window.empty());
    const std::string geometry = RunCommand("xdotool getwindowgeometry --shell " + window);
    int width = 0, height = 0;
    std::istringstream lines(geometry);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("WIDTH=", 0) == 0) width = std::stoi(line.substr(6));
        if (line.rfind("HEIGHT=", 0) == 0) height = std::stoi(line.substr(7));
    }
    EXPECT_GE(width, 800);
    EXPECT_GE(height, 600);

    std::filesystem::create_directories(KVX_SCREENSHOT_FOLDER);
    const std::string shot = std::string(KVX_SCREENSHOT_FOLDER) + "/quenzel-main.png";
    std::filesystem::remove(shot);
    RunCommand("import -window root " + shot);
    EXPECT_TRUE(std::filesystem::exists(shot));

    // The running program's log (beside it, removed when it ends) reports
    // no failed check: every picture and icon of the start was there.
    int logs = 0;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(KVX_BIN_FOLDER)) files.push_back(entry.path());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(getenv("XDG_DATA_HOME")))
        files.push_back(entry.path());
    for (const std::filesystem::path& file : files) {
        const std::filesystem::directory_entry entry(file);
        const std::string name = entry.path().filename().string();
        if (name.rfind("KVX", 0) != 0 || entry.path().extension() != ".txt") continue;
        const std::string text = ReadAll(entry.path().string());
        // The log may be written in UTF-8 or UTF-16.
        const auto holds = [&text](const std::string& word) {
            std::string wide;
            for (char c : word) wide += std::string{c, '\0'};
            return text.find(word) != std::string::npos || text.find(wide) != std::string::npos;
        };
        if (!holds("Quenzel")) continue;
        ++logs;
        EXPECT_FALSE(holds("Assert Failed")) << entry.path();
    }
    EXPECT_GE(logs, 1);

    // "Close" sits against the bottom-right corner.
    RunCommand("xdotool mousemove --window " + window + " " + std::to_string(width - 51) + " " +
        std::to_string(height - 24) + " click 1");
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"WindowsPos\\Import", L"Right", 12345), 0u);
    EXPECT_STREQ(registry.GetString(L"Language", L"FromLanguage", L"").GetString(), L"English");
    const std::string data = std::string(getenv("XDG_DATA_HOME")) + "/Morvane/Quenzel/Quenzel.pkv";
    ASSERT_TRUE(std::filesystem::exists(data));
    EXPECT_EQ(ReadAll(data).rfind("SQLite format 3", 0), 0u);
}
