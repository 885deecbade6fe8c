#pragma once
// Fixture for utility tests: a RecordingLog set as the library log sink for
// the test's duration, with helpers to read the assertion reports.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/RecordingLog.h"
#include "utility/LibraryLog.h"

class ReportCapture : public ::testing::Test {
protected:
    void SetUp() override { SetLibraryLog(&m_log); }
    void TearDown() override { SetLibraryLog(nullptr); }

    // Lines of the "Assert Failed!!!" reports so far, in order.
    std::vector<int> AssertionLines() const {
        std::vector<int> lines;
        for (const kvxtest::RecordedEntry& e : m_log.Entries())
            if (e.call == kvxtest::LogCall::WriteSourceMessage && e.text == L"Assert Failed!!!") lines.push_back(e.line);
        return lines;
    }

    kvxtest::RecordingLog m_log;
};
