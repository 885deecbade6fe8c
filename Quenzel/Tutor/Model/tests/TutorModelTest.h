#pragma once
// The fixture of the tests of the tutor's models: the database component
// loaded as the program loads it, over a fresh data file, without the
// program; today is fixed at kToday.

#include <gtest/gtest.h>

#include <string>

#include "Quenzel/Tutor/Model/QuizSession.h"
#include "Quenzel/Tutor/Model/tests/TutorListData.h"
#include "testing/DataBaseComponent.h"
#include "testing/TempFolder.h"

namespace learntest {

class TutorModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(m_component.Get(), nullptr) << m_component.Error();
        TutorSetTodayForTests(kToday);
    }
    void TearDown() override { TutorSetTodayForTests(L""); }
    CAbstractDataBase& Db() { return *m_component.Get(); }
    // The component's data file.
    std::string DataFile() const { return m_folder.Sub("Quenzel.pkv"); }

private:
    kvxtest::TempFolder m_folder;
    kvxtest::DataBaseComponent m_component{KVX_DATABASE_LIBRARY, m_folder.WSub("Quenzel.pkv")};
};

}  // namespace learntest
