#include <gtest/gtest.h>

#include "ReportCapture.h"
#include "testing/RecordingLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"

namespace {

using kvxtest::LogCall;
using kvxtest::RecordedEntry;
using kvxtest::RecordingLog;

class ErrorReportTest : public ReportCapture {};

TEST_F(ErrorReportTest, AssertionWritesThroughTheLibrarySink) {
    ReportAssertion(1, ".\\BasicString", 10);
    EXPECT_TRUE(m_log.Entries().empty());

    ReportAssertion(0, ".\\Windows\\BasicFile\xE9", 967);
    auto entries = m_log.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].call, LogCall::WriteSourceMessage);
    EXPECT_EQ(entries[0].text, L"Assert Failed!!!");
    EXPECT_EQ(entries[0].sourceFile, L".\\Windows\\BasicFile\x00E9");
    EXPECT_EQ(entries[0].line, 967);
}

TEST(ErrorReportNoSink, AssertionWithoutSinkReturnsQuietly) {
    SetLibraryLog(nullptr);
    ReportAssertion(0, ".\\BasicString", 1);
    ReportAssertion(0, nullptr, 2);
    SUCCEED();
}

TEST(ErrorReport, ValidityChecksAreNullChecks) {
    int value = 0;
    EXPECT_EQ(IsValidAddress(&value, sizeof(value), 1), 1);
    EXPECT_EQ(IsValidAddress(nullptr, 4, 0), 0);
    EXPECT_EQ(IsValidString(L"x", -1), 1);
    EXPECT_EQ(IsValidString(nullptr, 5), 0);
    EXPECT_EQ(IsValidStringA("x"), 1);
    EXPECT_EQ(IsValidStringA(nullptr), 0);
}

TEST(ErrorReport, SystemErrorReportsNameAndDetail) {
    RecordingLog log;
    log.Define(L"FILE", -2, L"%s|%s");
    log.Define(L"FILE", -7, L"%s|%s");
    log.Define(L"FILE", -15, L"%s");

    ReportSystemError(&log, L".\\Windows\\BasicFile", 120, L"FILE", -2, false, L"/data/list.txt", ERROR_ACCESS_DENIED);
    ReportSystemError(&log, L".\\Windows\\BasicFile", 300, L"FILE", -7, true, L"/data/old.txt", ERROR_FILE_NOT_FOUND);
    ReportObjectEvent(&log, L".\\Windows\\BasicFile", 400, L"FILE", -15, false, L"/data/closed.txt");
    ReportSystemError(nullptr, L".\\Windows\\BasicFile", 1, L"FILE", -1, false, L"x", 2);

    auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].call, LogCall::LogEventFormat);
    EXPECT_EQ(entries[0].category, L"FILE");
    EXPECT_EQ(entries[0].code, -2);
    EXPECT_EQ(entries[0].text, L"/data/list.txt|(5) Access is denied.");
    EXPECT_EQ(entries[0].sourceFile, L".\\Windows\\BasicFile");
    EXPECT_EQ(entries[0].line, 120);
    EXPECT_TRUE(entries[0].written);

    // Verbose codes go through DebugEventFormat: silent unless the log is verbose.
    EXPECT_EQ(entries[1].call, LogCall::DebugEventFormat);
    EXPECT_EQ(entries[1].text, L"/data/old.txt|(2) The file was not found.");
    EXPECT_FALSE(entries[1].written);

    EXPECT_EQ(entries[2].call, LogCall::LogEventFormat);
    EXPECT_EQ(entries[2].text, L"/data/closed.txt");

    log.Clear();
    log.SetVerbose(true);
    ReportSystemError(&log, L".\\Windows\\BasicFile", 300, L"FILE", -7, true, nullptr, 0x20000000u | 5);
    ASSERT_EQ(log.Written().size(), 1u);
    EXPECT_EQ(log.Written()[0].text, L"|(536870917) Input/output error");
}

} // namespace
