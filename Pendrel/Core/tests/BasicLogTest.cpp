#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Pendrel/Core/BasicLog.h"
#include "Pendrel/Core/tests/LogTestSupport.h"
#include "testing/TempFolder.h"
#include "utility/Posix/Handle.h"
#include "utility/Posix/SemaphoreHandle.h"
#include "utility/tests/ReportCapture.h"

using kvxtest::ByteOrderMark;
using kvxtest::ObservedMessage;
using kvxtest::Utf16;

namespace {

namespace fs = std::filesystem;

CBasicDateTime g_now(2011, 3, 5, 13, 5, 9);
CBasicDateTime TestClock() { return g_now; }

const char kDefinitions[] =
    "; test events\n"
    "[TEST]\n"
    "1:W=Disk full#500\n"
    "2:E=Plain event\n"
    "4:D=Count %d of %s#501\n";

class BasicLogTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        g_now = CBasicDateTime(2011, 3, 5, 13, 5, 9);
        m_observer.strings = {{500, L"The disk is full."}, {501, L"%d %s counted."}};
        m_textLog.SetClock(&TestClock);
        m_folder.WriteFile("LogDef.ini", kDefinitions);
        ASSERT_EQ(m_textLog.Init(m_folder.WSub("LogDef.ini").c_str(), m_folder.WSub("log.txt").c_str(), 1, &m_observer),
                  0);
    }

    std::string LogBytes() const { return kvxtest::TempFolder::ReadFile(m_folder.Sub("log.txt")); }

    kvxtest::TempFolder m_folder;
    kvxtest::RecordingObserver m_observer;
    CBasicLog m_textLog;
};

const std::wstring kTime = L"01:05:09 PM";

struct OperationCase {
    const char* name;
    int verbose;
    std::function<int(CBasicLog&)> operation;
    int result;
    std::wstring written;
    std::vector<ObservedMessage> observed;
    std::vector<int> assertionLines;
};

TEST_F(BasicLogTest, OperationsWriteEntriesAndTellTheObserver) {
    const OperationCase cases[] = {
        {"message", 1, [](CBasicLog& log) { return log.WriteMessage(L"Hello", LOG_ICON_WARNING); }, 0,
         kTime + L"\tHello\r\n", {{L"Hello", kTime, 2, 0}}, {}},
        {"empty message", 1, [](CBasicLog& log) { return log.WriteMessage(L"", LOG_ICON_WARNING); }, -1, L"", {}, {}},
        {"null message", 1, [](CBasicLog& log) { return log.WriteMessage(nullptr, LOG_ICON_WARNING); }, -1, L"", {},
         {152}},
        {"source message from a Windows-style path", 1,
         [](CBasicLog& log) { return log.WriteSourceMessage(L"Assert Failed!!!", L"D:\\src\\x\\Foo.cpp", 42); }, 0,
         kTime + L"\tAssert Failed!!!\r\n\t\tSource file: Foo.cpp, Line: 42\r\n\r\n", {}, {}},
        {"source message from a Linux path", 1,
         [](CBasicLog& log) { return log.WriteSourceMessage(L"x", L"/home/kvx/src/Bar.cpp", 7); }, 0,
         kTime + L"\tx\r\n\t\tSource file: Bar.cpp, Line: 7\r\n\r\n", {}, {}},
        {"source message without a source", 1,
         [](CBasicLog& log) { return log.WriteSourceMessage(L"Started", nullptr, 0); }, 0, kTime + L"\tStarted\r\n",
         {}, {}},
        {"formatted text", 1,
         [](CBasicLog& log) { return log.LogFormat(L".\\BasicFile", 12, 1, L"Value %d of %s", 5, L"x"); }, 0,
         kTime + L"\tValue 5 of x\r\n\t\tSource file: BasicFile, Line: 12\r\n\r\n", {}, {}},
        {"event with a string id", 1, [](CBasicLog& log) { return log.LogEvent(1, L"TEST", nullptr, 0); }, 0,
         kTime + L"\tDisk full\r\n", {{L"The disk is full.", kTime, 2, 500}}, {}},
        {"event without a string id", 1, [](CBasicLog& log) { return log.LogEvent(2, L"TEST", L"a.cpp", 3); }, 0,
         kTime + L"\tPlain event\r\n\t\tSource file: a.cpp, Line: 3\r\n\r\n", {}, {}},
        {"undefined event", 1, [](CBasicLog& log) { return log.LogEvent(3, L"TEST", nullptr, 0); }, -1, L"", {}, {}},
        {"event of an empty category", 1, [](CBasicLog& log) { return log.LogEvent(1, L"", nullptr, 0); }, -1, L"",
         {}, {}},
        {"event of a null category", 1, [](CBasicLog& log) { return log.LogEvent(1, nullptr, nullptr, 0); }, -1, L"",
         {}, {130}},
        {"formatted event", 1,
         [](CBasicLog& log) { return log.LogEventFormat(L"b.cpp", 9, L"TEST", 4, 7, L"files"); }, 0,
         kTime + L"\tCount 7 of files\r\n\t\tSource file: b.cpp, Line: 9\r\n\r\n", {{L"7 files counted.", kTime, 4, 501}},
         {}},
        {"formatted event of a null category", 1,
         [](CBasicLog& log) { return log.LogEventFormat(nullptr, 0, nullptr, 4, 7, L"files"); }, -1, L"", {}, {207}},
        {"debug event, verbose", 1, [](CBasicLog& log) { return log.DebugEvent(1, L"TEST", nullptr, 0); }, 0,
         kTime + L"\tDisk full\r\n", {}, {}},
        {"debug event of a null category", 1, [](CBasicLog& log) { return log.DebugEvent(1, nullptr, nullptr, 0); },
         -1, L"", {}, {254}},
        {"debug formatted event, verbose", 1,
         [](CBasicLog& log) { return log.DebugEventFormat(nullptr, 0, L"TEST", 4, 2, L"lists"); }, 0,
         kTime + L"\tCount 2 of lists\r\n", {{L"2 lists counted.", kTime, 4, 501}}, {}},
        {"debug formatted event of a null category", 1,
         [](CBasicLog& log) { return log.DebugEventFormat(nullptr, 0, nullptr, 4, 2, L"lists"); }, -1, L"", {},
         {289}},
        {"debug text, verbose", 1,
         [](CBasicLog& log) { return log.DebugFormat(nullptr, 0, 0, L"Ftp Command:   %s", L"PWD"); }, 0,
         kTime + L"\tFtp Command:   PWD\r\n", {}, {}},
        {"debug source message, verbose", 1,
         [](CBasicLog& log) { return log.DebugSourceMessage(L"trace", L"c.cpp", 1); }, 0,
         kTime + L"\ttrace\r\n\t\tSource file: c.cpp, Line: 1\r\n\r\n", {}, {}},
        {"debug event, not verbose", 0, [](CBasicLog& log) { return log.DebugEvent(1, L"TEST", nullptr, 0); }, 0,
         L"", {}, {}},
        {"debug formatted event, not verbose", 0,
         [](CBasicLog& log) { return log.DebugEventFormat(nullptr, 0, L"TEST", 4, 2, L"lists"); }, 0, L"", {}, {}},
        {"debug text, not verbose", 0, [](CBasicLog& log) { return log.DebugFormat(nullptr, 0, 0, L"x"); }, 0, L"",
         {}, {}},
        {"debug source message, not verbose", 0,
         [](CBasicLog& log) { return log.DebugSourceMessage(L"trace", nullptr, 0); }, 0, L"", {}, {}},
        {"verbose 2 is not verbose", 2, [](CBasicLog& log) { return log.DebugEvent(1, L"TEST", nullptr, 0); }, 0,
         L"", {}, {}},
        {"raw text", 1, [](CBasicLog& log) { return log.WriteRaw(L"raw"); }, 0, L"raw", {}, {}},
        {"empty raw text", 1, [](CBasicLog& log) { return log.WriteRaw(L""); }, -1, L"", {}, {}},
        {"null raw text", 1, [](CBasicLog& log) { return log.WriteRaw(nullptr); }, -1, L"", {}, {98}},
    };
    for (const OperationCase& c : cases) {
        SCOPED_TRACE(c.name);
        CBasicLog log;
        kvxtest::RecordingObserver observer;
        observer.strings = m_observer.strings;
        log.SetClock(&TestClock);
        std::string path = m_folder.Sub("case.txt");
        fs::remove(path);
        ASSERT_EQ(log.Init(m_folder.WSub("LogDef.ini").c_str(), kvxtest::Widen(path).c_str(), c.verbose, &observer),
                  0);
        ReportCapture::m_log.Clear();
        EXPECT_EQ(c.operation(log), c.result);
        EXPECT_EQ(kvxtest::TempFolder::ReadFile(path), ByteOrderMark() + Utf16(c.written));
        EXPECT_EQ(observer.Messages(), c.observed);
        EXPECT_EQ(AssertionLines(), c.assertionLines);
    }
}

TEST_F(BasicLogTest, TimeIsOnATwelveHourClock) {
    const struct {
        int hour, minute, second;
        std::wstring text;
    } cases[] = {
        {13, 5, 9, L"01:05:09 PM"},
        {0, 30, 0, L"00:30:00 AM"},
        {12, 0, 0, L"00:00:00 PM"},
        {11, 59, 59, L"11:59:59 AM"},
        {23, 59, 59, L"11:59:59 PM"},
    };
    std::wstring expected;
    for (const auto& c : cases) {
        g_now = CBasicDateTime(2011, 3, 5, c.hour, c.minute, c.second);
        EXPECT_EQ(m_textLog.WriteMessage(L"m", LOG_ICON_INFORMATION), 0);
        expected += c.text + L"\tm\r\n";
        EXPECT_EQ(m_observer.Messages().back().time, c.text);
    }
    EXPECT_EQ(LogBytes(), ByteOrderMark() + Utf16(expected));
}

TEST_F(BasicLogTest, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < kLines; ++i) {
                if (i % 2) m_textLog.LogFormat(L"w.cpp", t, 1, L"thread %d line %d", t, i);
                else m_textLog.LogEventFormat(nullptr, 0, L"TEST", 4, i, (t == 0 ? L"a" : t == 1 ? L"b" : L"c"));
            }
        });
    for (std::thread& thread : threads) thread.join();

    std::string bytes = LogBytes();
    ASSERT_EQ(bytes.substr(0, 2), ByteOrderMark());
    std::wstring text = Utf16LEToWide((const uint8_t*)bytes.data() + 2, bytes.size() - 2);
    std::multiset<std::wstring> entries;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L"\r\n", start);
        ASSERT_NE(end, std::wstring::npos);
        std::wstring line = text.substr(start, end - start);
        start = end + 2;
        if (line.rfind(L"\t\tSource file: w.cpp, Line: ", 0) == 0) {
            ASSERT_EQ(text.compare(start, 2, L"\r\n"), 0);
            start += 2;
            continue;
        }
        entries.insert(line);
    }
    std::multiset<std::wstring> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kLines; ++i) {
            std::wstring count = std::to_wstring(i);
            expected.insert(kTime + L"\t" +
                            (i % 2 ? L"thread " + std::to_wstring(t) + L" line " + count
                                   : L"Count " + count + L" of " + (t == 0 ? L"a" : t == 1 ? L"b" : L"c")));
        }
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(m_observer.Messages().size(), (size_t)(kThreads * kLines / 2));
}

TEST_F(BasicLogTest, InitNeedsDefinedEvents) {
    const struct {
        const char* name;
        std::optional<std::string> definitions;
    } cases[] = {
        {"missing definition file", std::nullopt},
        {"comments only", "; nothing\n[TEST]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_folder.Sub("defs.ini"));
        if (c.definitions) m_folder.WriteFile("defs.ini", *c.definitions);
        CBasicLog log;
        EXPECT_EQ(log.Init(m_folder.WSub("defs.ini").c_str(), m_folder.WSub("other.txt").c_str(), 1, nullptr), -1);
        EXPECT_FALSE(fs::exists(m_folder.Sub("other.txt")));
        EXPECT_EQ(log.WriteMessage(L"x", LOG_ICON_INFORMATION), -1);
    }
    CBasicLog log;
    EXPECT_EQ(log.IsVerbose(), 1);
    EXPECT_EQ(log.GetUILog(), nullptr);
    EXPECT_EQ(log.Init(m_folder.WSub("LogDef.ini").c_str(), m_folder.WSub("other.txt").c_str(), 0, &m_observer), 0);
    EXPECT_EQ(log.IsVerbose(), 0);
    EXPECT_EQ(log.GetUILog(), &m_observer);
    EXPECT_EQ(log.SetUILog(nullptr), &m_observer);
    EXPECT_STREQ(log.GetLogFilePath(), m_folder.WSub("other.txt").c_str());
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_folder.Sub("other.txt")), ByteOrderMark());
}

TEST_F(BasicLogTest, CopyAndMoveForwardToTheLogFile) {
    m_textLog.WriteMessage(L"one", LOG_ICON_INFORMATION);
    EXPECT_EQ(m_textLog.CopyLogFile(m_folder.WSub("copy.txt").c_str()), 0);
    EXPECT_EQ(m_textLog.MoveLogFile(m_folder.WSub("moved.txt").c_str()), 0);
    EXPECT_STREQ(m_textLog.GetLogFilePath(), m_folder.WSub("moved.txt").c_str());
    std::string expected = ByteOrderMark() + Utf16(kTime + L"\tone\r\n");
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_folder.Sub("copy.txt")), expected);
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_folder.Sub("moved.txt")), expected);
    EXPECT_FALSE(fs::exists(m_folder.Sub("log.txt")));
}

TEST_F(BasicLogTest, TrimmingWaitsForTheSemaphoreAndGivesItBack) {
    m_textLog.WriteMessage(L"run", LOG_ICON_INFORMATION);
    std::wstring history = m_folder.WSub("history.txt");
    EXPECT_EQ(m_textLog.TrimLogFile(nullptr, 3), -1);
    EXPECT_EQ(m_textLog.TrimLogFile(L"", 3), -1);
    EXPECT_EQ(m_textLog.TrimLogFile(history.c_str(), 0), -1);
    EXPECT_EQ(AssertionLines(), std::vector<int>{357});
    EXPECT_FALSE(fs::exists(m_folder.Sub("history.txt")));

    HANDLE held = CreateSemaphoreHandle(1, 1, L"LogFileSemaphore");
    ASSERT_NE(held, nullptr);
    ASSERT_EQ(WaitForSingleObject(held, 10000), WAIT_OBJECT_0);
    int result = 1;
    std::thread trimmer([&] { result = m_textLog.TrimLogFile(history.c_str(), 3); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(m_folder.Sub("history.txt")));
    ReleaseSemaphore(held, 1, nullptr);
    trimmer.join();
    EXPECT_EQ(result, 0);
    std::wstring hashes(70, L'#');
    EXPECT_EQ(kvxtest::TempFolder::ReadFile(m_folder.Sub("history.txt")),
              ByteOrderMark() + Utf16(L"\r\n" + kTime + L"\trun\r\n" + hashes + L"\r\n" + hashes + L"\r\n\r\n"));

    // The log gave the semaphore back.
    EXPECT_EQ(WaitForSingleObject(held, 10000), WAIT_OBJECT_0);
    ReleaseSemaphore(held, 1, nullptr);
    CloseHandle(held);
}

} // namespace
