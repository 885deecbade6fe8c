#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Pendrel/Core/BasicLogFile.h"
#include "Pendrel/Core/tests/LogTestSupport.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Folders.h"
#include "utility/tests/ReportCapture.h"
#include "utility/tests/TextPattern.h"

using kvxtest::ByteOrderMark;
using kvxtest::Utf16;

namespace {

namespace fs = std::filesystem;

class BasicLogFileTest : public ReportCapture {
protected:
    std::string ReadPath(const CBasicString& path) const { return kvxtest::TempFolder::ReadFile(kvxtest::Narrow(path.GetString())); }
    std::string Read(const std::string& name) const { return kvxtest::TempFolder::ReadFile(m_folder.Sub(name)); }
    int FileCount() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_folder.Path())) count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    kvxtest::TempFolder m_folder;
};

TEST_F(BasicLogFileTest, WritesUtf16WithAByteOrderMark) {
    CBasicLogFile file;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Write(L"early"), -1);
    ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(Read("log.txt"), ByteOrderMark());

    EXPECT_EQ(file.Write(L"A\u00E9\U0001F600\r\n"), 0);
    EXPECT_EQ(file.Write(L""), -1);
    EXPECT_EQ(file.Write(nullptr), -1);
    // Every write is on disk at once; the character beyond U+FFFF takes a
    // surrogate pair.
    EXPECT_EQ(Read("log.txt"), ByteOrderMark() + std::string("A\0\xE9\0\x3D\xD8\x00\xDE\r\0\n\0", 12));
}

TEST_F(BasicLogFileTest, NeverTakesOverAnotherFile) {
    m_folder.WriteFile("log.txt", "someone else's file");
    std::wstring logPath;
    {
        CBasicLogFile file;
        ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
        logPath = file.GetPath().GetString();
        EXPECT_TRUE(MatchesHexPattern(kvxtest::Narrow(logPath), m_folder.Path() + "/KVX####.txt"))
            << kvxtest::Narrow(logPath);
        EXPECT_EQ(file.Write(L"x"), 0);
        EXPECT_EQ(ReadPath(file.GetPath()), ByteOrderMark() + Utf16(L"x"));
    }
    EXPECT_EQ(Read("log.txt"), "someone else's file");
    EXPECT_FALSE(fs::exists(kvxtest::Narrow(logPath)));
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicLogFileTest, TakesOverANameReservedForIt) {
    CBasicString reserved = MakeTempFileName(m_folder.WPath().c_str(), L"txt");
    ASSERT_FALSE(reserved.IsEmpty());
    {
        CBasicLogFile file;
        ASSERT_EQ(file.Open(reserved.GetString()), 0);
        EXPECT_EQ(file.GetPath().Compare(reserved.GetString()), 0);
        EXPECT_EQ(ReadPath(reserved), ByteOrderMark());
    }
    EXPECT_EQ(FileCount(), 0);
}

TEST_F(BasicLogFileTest, AFailedOpenLeavesNothingToDelete) {
    std::wstring path = m_folder.WSub("missing/log.txt");
    {
        CBasicLogFile file;
        EXPECT_EQ(file.Open(path.c_str()), -1);
        EXPECT_EQ(AssertionLines(), std::vector<int>{74});
        EXPECT_EQ(file.GetPath().Compare(path.c_str()), 0);
        EXPECT_EQ(file.Write(L"x"), -1);
        // The folder appears with a file of that name made by someone else.
        fs::create_directories(m_folder.Sub("missing"));
        m_folder.WriteFile("missing/log.txt", "keep");
    }
    EXPECT_EQ(Read("missing/log.txt"), "keep");
}

TEST_F(BasicLogFileTest, ACopyStaysWhenTheLogGoes) {
    {
        CBasicLogFile file;
        ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
        file.Write(L"one\r\n");
        EXPECT_EQ(file.Copy(m_folder.WSub("copy.txt").c_str()), 0);
        file.Write(L"two\r\n");
        EXPECT_EQ(Read("copy.txt"), ByteOrderMark() + Utf16(L"one\r\n"));
        EXPECT_EQ(Read("log.txt"), ByteOrderMark() + Utf16(L"one\r\ntwo\r\n"));

        // Copying the log onto itself, by another spelling of its path,
        // must not empty it.
        EXPECT_EQ(file.Copy(m_folder.WSub("./log.txt").c_str()), 0);
        EXPECT_EQ(Read("log.txt"), ByteOrderMark() + Utf16(L"one\r\ntwo\r\n"));
        EXPECT_EQ(file.Copy(m_folder.WSub("nofolder/copy.txt").c_str()), -1);
        EXPECT_EQ(AssertionLines(), std::vector<int>{208});
    }
    EXPECT_FALSE(fs::exists(m_folder.Sub("log.txt")));
    EXPECT_EQ(Read("copy.txt"), ByteOrderMark() + Utf16(L"one\r\n"));
}

TEST_F(BasicLogFileTest, MovedLogGoesOnAtItsNewPlace) {
    {
        CBasicLogFile file;
        ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
        file.Write(L"one\r\n");
        EXPECT_EQ(file.Move(m_folder.WSub("log.txt").c_str()), 0);
        EXPECT_EQ(file.Move(m_folder.WSub("./log.txt").c_str()), 0);
        EXPECT_EQ(Read("log.txt"), ByteOrderMark() + Utf16(L"one\r\n"));

        EXPECT_EQ(file.Move(m_folder.WSub("nofolder/moved.txt").c_str()), -1);
        EXPECT_EQ(file.Write(L"two\r\n"), 0);
        EXPECT_EQ(Read("log.txt"), ByteOrderMark() + Utf16(L"one\r\ntwo\r\n"));

        EXPECT_EQ(file.Move(m_folder.WSub("moved.txt").c_str()), 0);
        EXPECT_EQ(file.GetPath().Compare(m_folder.WSub("moved.txt").c_str()), 0);
        EXPECT_FALSE(fs::exists(m_folder.Sub("log.txt")));
        EXPECT_EQ(file.Write(L"three\r\n"), 0);
        EXPECT_EQ(Read("moved.txt"), ByteOrderMark() + Utf16(L"one\r\ntwo\r\nthree\r\n"));
    }
    EXPECT_EQ(FileCount(), 0);
}

// The bytes of history files.
std::string Header() { return ByteOrderMark() + Utf16(L"\r\n"); }
std::string Separator() {
    std::wstring hashes(70, L'#');
    return Utf16(hashes + L"\r\n" + hashes + L"\r\n\r\n");
}
std::string HistoryRun(const std::wstring& text) { return Utf16(text) + Separator(); }
// 139 '#' over two lines: no separator.
std::string AlmostSeparator() { return Utf16(std::wstring(69, L'#') + L"\r\n" + std::wstring(70, L'#') + L"\r\n"); }

TEST_F(BasicLogFileTest, HistoryKeepsTheLastRuns) {
    const std::string newRun = HistoryRun(L"new\r\n");
    const struct {
        const char* name;
        std::optional<std::string> history;
        int maxRuns;
        int result;
        std::string expected;
    } cases[] = {
        {"new file", std::nullopt, 3, 0, Header() + newRun},
        {"fewer runs than kept", Header() + HistoryRun(L"r1\r\n"), 3, 0, Header() + HistoryRun(L"r1\r\n") + newRun},
        {"three runs plus one with a maximum of three",
         Header() + HistoryRun(L"r1\r\n") + HistoryRun(L"r2\r\n") + HistoryRun(L"r3\r\n"), 3, 0,
         Header() + HistoryRun(L"r2\r\n") + HistoryRun(L"r3\r\n") + newRun},
        {"a maximum of one", Header() + HistoryRun(L"r1\r\n") + HistoryRun(L"r2\r\n"), 1, 0, Header() + newRun},
        {"no byte-order mark", HistoryRun(L"r1\r\n"), 3, 0, Header() + HistoryRun(L"r1\r\n") + newRun},
        {"no byte-order mark, a maximum of one", HistoryRun(L"r1\r\n"), 1, 0, Header() + newRun},
        {"trailing partial run", Header() + HistoryRun(L"r1\r\n") + Utf16(L"cut off"), 3, 0,
         Header() + HistoryRun(L"r1\r\n") + newRun},
        {"separator across a block boundary", Header() + HistoryRun(std::wstring(1000, L'a')) + HistoryRun(L"r2\r\n"), 2, 0,
         Header() + HistoryRun(L"r2\r\n") + newRun},
        {"139 '#' inside a run", Header() + HistoryRun(L"r1\r\n") + Utf16(L"b\r\n") + AlmostSeparator() + HistoryRun(L"end\r\n"), 2,
         0, Header() + Utf16(L"b\r\n") + AlmostSeparator() + HistoryRun(L"end\r\n") + newRun},
        {"139 '#' at the end", Header() + HistoryRun(L"r1\r\n") + Utf16(L"x") + AlmostSeparator(), 3, 0,
         Header() + HistoryRun(L"r1\r\n") + newRun},
        {"runs whose last line runs into the separator", Header() + HistoryRun(L"r1 #") + HistoryRun(L"r2 ##"), 3, 0,
         Header() + HistoryRun(L"r1 #") + HistoryRun(L"r2 ##") + newRun},
        {"a run ending in '#' dropped", Header() + HistoryRun(L"r1 #") + HistoryRun(L"r2\r\n"), 2, 0,
         Header() + HistoryRun(L"r2\r\n") + newRun},
        {"a line of 160 '#' inside a run",
         Header() + HistoryRun(L"r1\r\n") + HistoryRun(L"a\r\n" + std::wstring(160, L'#') + L"\r\nb\r\n"), 2, 0,
         Header() + HistoryRun(L"a\r\n" + std::wstring(160, L'#') + L"\r\nb\r\n") + newRun},
        {"a maximum of zero", Header() + HistoryRun(L"r1\r\n"), 0, -1, Header() + HistoryRun(L"r1\r\n")},
    };
    CBasicLogFile file;
    ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
    ASSERT_EQ(file.Write(L"new\r\n"), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_folder.Sub("history.txt"));
        if (c.history) m_folder.WriteFile("history.txt", *c.history);
        EXPECT_EQ(file.AppendToHistory(m_folder.WSub("history.txt").c_str(), c.maxRuns), c.result);
        EXPECT_EQ(Read("history.txt"), c.expected);
        // No temporary file stays behind.
        EXPECT_EQ(FileCount(), c.result == 0 || c.history ? 2 : 1);
    }
    EXPECT_TRUE(AssertionLines().empty());
}

TEST_F(BasicLogFileTest, AKilledAppendLeavesNoCopyForLong) {
    m_folder.WriteFile("history.txt", Header() + HistoryRun(L"r1\r\n"));
    m_folder.WriteFile("history.txt.Ab12Cd", "a copy left by a killed append");
    m_folder.WriteFile("history.txt.keep", "not one of ours");
    CBasicLogFile file;
    ASSERT_EQ(file.Open(m_folder.WSub("log.txt").c_str()), 0);
    ASSERT_EQ(file.Write(L"new\r\n"), 0);
    EXPECT_EQ(file.AppendToHistory(m_folder.WSub("history.txt").c_str(), 1), 0);
    EXPECT_FALSE(fs::exists(m_folder.Sub("history.txt.Ab12Cd")));
    EXPECT_TRUE(fs::exists(m_folder.Sub("history.txt.keep")));
    EXPECT_EQ(Read("history.txt"), Header() + HistoryRun(L"new\r\n"));
}

// Processes started at one moment with one log path each get a file of
// their own: none writes into another's file or deletes it.
TEST_F(BasicLogFileTest, ProcessesStartedTogetherGetFilesOfTheirOwn) {
    constexpr int kProcesses = 8;
    int start[2], report[2], hold[2];
    ASSERT_EQ(pipe(start), 0);
    ASSERT_EQ(pipe(report), 0);
    ASSERT_EQ(pipe(hold), 0);
    std::vector<pid_t> children;
    const std::wstring path = m_folder.WSub("log.txt");
    for (int i = 0; i < kProcesses; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(start[1]);
            close(report[0]);
            close(hold[1]);
            auto run = [&]() {
                char go;
                if (read(start[0], &go, 1) != 1) return 2;
                CBasicLogFile file;
                if (file.Open(path.c_str()) != 0 || file.Write(std::to_wstring(i).c_str()) != 0) return 3;
                std::string line = kvxtest::Narrow(file.GetPath().GetString()) + "\n";
                if (write(report[1], line.data(), line.size()) != (ssize_t)line.size()) return 4;
                // Stay until every process has its file; the log deletes it on its way out.
                if (read(hold[0], &go, 1) != 0) return 5;
                return 0;
            };
            _exit(run());
        }
        children.push_back(pid);
    }
    close(start[0]);
    close(report[1]);
    close(hold[0]);
    // One write releases all of them at once.
    ASSERT_EQ(write(start[1], std::string(kProcesses, 'g').data(), kProcesses), kProcesses);

    std::string paths;
    char buffer[4096];
    for (int lines = 0; lines < kProcesses;) {
        ssize_t got = read(report[0], buffer, sizeof(buffer));
        if (got <= 0) break;
        paths.append(buffer, (size_t)got);
        lines = (int)std::count(paths.begin(), paths.end(), '\n');
    }
    std::set<std::string> distinct;
    for (size_t at = 0, end; (end = paths.find('\n', at)) != std::string::npos; at = end + 1)
        distinct.insert(paths.substr(at, end - at));
    EXPECT_EQ(distinct.size(), (size_t)kProcesses) << paths;
    // Each file holds its own process's text and nothing else.
    std::set<std::string> contents;
    for (const std::string& file : distinct) contents.insert(kvxtest::TempFolder::ReadFile(file));
    EXPECT_EQ(contents.size(), (size_t)kProcesses);
    for (const std::string& content : contents) EXPECT_EQ(content.size(), ByteOrderMark().size() + 2);

    close(start[1]);
    close(hold[1]);
    close(report[0]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(FileCount(), 0);
}

TEST_F(BasicLogFileTest, HistoryNeedsALogAndAWritableFolder) {
    CBasicLogFile notOpen;
    EXPECT_EQ(notOpen.AppendToHistory(m_folder.WSub("history.txt").c_str(), 3), -1);
    EXPECT_EQ(notOpen.AppendToHistory(m_folder.WSub("nofolder/history.txt").c_str(), 3), -1);
    EXPECT_EQ(AssertionLines(), std::vector<int>{124});
}

} // namespace
