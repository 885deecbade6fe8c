#include <gtest/gtest.h>

#include <filesystem>
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

TEST_F(BasicLogFileTest, HistoryNeedsALogAndAWritableFolder) {
    CBasicLogFile notOpen;
    EXPECT_EQ(notOpen.AppendToHistory(m_folder.WSub("history.txt").c_str(), 3), -1);
    EXPECT_EQ(notOpen.AppendToHistory(m_folder.WSub("nofolder/history.txt").c_str(), 3), -1);
    EXPECT_EQ(AssertionLines(), std::vector<int>{124});
}

} // namespace
