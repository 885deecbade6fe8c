#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <string>
#include <thread>

#include "Pendrel/App/CrashReporter.h"
#include "testing/RecordingLog.h"
#include "testing/TempFolder.h"
#include "utility/LibraryLog.h"

namespace fs = std::filesystem;

namespace {

// A write through a null pointer the compiler cannot see coming (and the
// undefined-behaviour checks of the sanitizer build let pass, so that the
// processor faults).
__attribute__((no_sanitize("undefined"))) void WriteThroughNull() {
    volatile int* volatile pointer = nullptr;
    *pointer = 42;
}

class CrashReporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The child is a fork: it writes beside this fixture's log.
        GTEST_FLAG_SET(death_test_style, "fast");
        m_log.SetLogFilePath(m_folder.WSub("KVX0001.txt"));
        SetLibraryLog(&m_log);
    }
    void TearDown() override { SetLibraryLog(nullptr); }

    // The reports in the log's folder.
    std::vector<std::string> Reports() const {
        std::vector<std::string> reports;
        for (const auto& entry : fs::directory_iterator(m_folder.Path()))
            if (entry.path().filename().string().rfind("Crash-", 0) == 0)
                reports.push_back(kvxtest::TempFolder::ReadFile(entry.path().string()));
        return reports;
    }

    kvxtest::TempFolder m_folder;
    kvxtest::RecordingLog m_log;
};

TEST_F(CrashReporterTest, AFaultInAMarkedThreadLeavesAReportBesideTheLog) {
    EXPECT_EXIT(
        {
            std::thread worker([] {
                InstallStructuredExceptionTranslator();
                WriteThroughNull();
            });
            worker.join();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string& report = reports[0];
    EXPECT_EQ(report.rfind("Internal Error\n", 0), 0u) << report;
    for (const char* line : {"\nApplication Name: pendrel_app_tests\n", "\nApplication Version: 1.0.0.0\n",
                             "\nFaulty Module Name: pendrel_app_tests\n", "\nFaulty Module Version: 1.0.0.0\n",
                             "\nException Type: 0000000b (SIGSEGV, code 1, address 0x0)\n", "\nOffset in module: 0x"})
        EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
    EXPECT_NE(report.find("\nApplication Timestamp: "), std::string::npos);
}

TEST_F(CrashReporterTest, AnAbortLeavesAReportAsAFaultDoes) {
    EXPECT_EXIT(
        {
            std::thread worker([] {
                InstallStructuredExceptionTranslator();
                // What an exception that nothing catches comes to.
                std::terminate();
            });
            worker.join();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Internal Error\n", 0), 0u) << reports[0];
    EXPECT_NE(reports[0].find("\nException Type: 00000006 (SIGABRT"), std::string::npos) << reports[0];
}

TEST_F(CrashReporterTest, FaultsOfOtherThreadsGoToTheirFormerHandling) {
    // Whatever handled the fault before (the default action, or a
    // sanitizer's report) ends the process.
    EXPECT_DEATH(
        {
            InstallStructuredExceptionTranslator();
            std::thread worker([] { WriteThroughNull(); });
            worker.join();
        },
        "");
    EXPECT_TRUE(Reports().empty());
}

} // namespace
