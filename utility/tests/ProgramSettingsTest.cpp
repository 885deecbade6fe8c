// The settings store both programs open: a save of values this process did
// not change leaves what the other program wrote meanwhile.

#include <gtest/gtest.h>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/ProgramSettings.h"

namespace {

class ProgramSettingsTest : public ReportCapture {
protected:
    void SetUp() override {
        ReportCapture::SetUp();
        m_folder.RedirectHome();
    }

    kvxtest::TempFolder m_folder;
};

} // namespace

TEST_F(ProgramSettingsTest, OnlyValuesChangedHereAreWrittenOverTheOtherProgram) {
    CBasicRegistry other(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    other.SetDWORD(L"Settings", L"Advertisement", 1);
    other.SetString(L"Settings", L"KeyBoardName", L"German");

    std::unique_ptr<CRegistry> settings = OpenProgramSettings();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->GetDWORD(L"Settings", L"Advertisement", 7), 1u);
    EXPECT_STREQ(settings->GetString(L"Settings", L"KeyBoardName", L"").GetString(), L"German");

    // The other program changes both values; this one saves one as it read
    // it and changes the other.
    other.SetDWORD(L"Settings", L"Advertisement", 0);
    other.SetString(L"Settings", L"KeyBoardName", L"French");
    settings->SetDWORD(L"Settings", L"Advertisement", 1);
    settings->SetString(L"Settings", L"KeyBoardName", L"Greek");

    EXPECT_EQ(other.GetDWORD(L"Settings", L"Advertisement", 7), 0u);
    EXPECT_STREQ(other.GetString(L"Settings", L"KeyBoardName", L"").GetString(), L"Greek");
}
