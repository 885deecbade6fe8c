// The keyboard's settings in the main program's key.
#include <gtest/gtest.h>

#include "Keyboard/Options.h"
#include "testing/TempFolder.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

class KeyboardOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { m_home.RedirectHome(); }
    kvxtest::TempFolder m_home;
};

} // namespace

TEST_F(KeyboardOptionsTest, DefaultsAndARoundTrip) {
    {
        COptions options;
        ASSERT_EQ(options.Load(), 1);
        EXPECT_EQ(options.GetAdvertisement(), 1);
        EXPECT_EQ(options.GetDisplayAllChars(), 0);
        EXPECT_STREQ(options.GetKeyboardName().GetString(), L"");
        EXPECT_EQ(options.GetKeyboardCtrlID(), 0u);
        EXPECT_EQ(options.GetKeyboardType(), 0);
        options.SetAdvertisement(0);
        options.SetDisplayAllChars(1);
        options.SetKeyboardName(L"Russian");
        options.SetKeyboardCtrlID(0x419);
        options.SetKeyboardType(1);
        KEYBOARD_PLACEMENT placement;
        placement.showCmd = 1;
        placement.rcNormalPosition = {10, 20, -30, 40};
        options.SetPlacement(placement);
        EXPECT_EQ(options.Save(), 1);
    }
    COptions options;
    ASSERT_EQ(options.Load(), 1);
    EXPECT_EQ(options.GetAdvertisement(), 0);
    EXPECT_EQ(options.GetDisplayAllChars(), 1);
    EXPECT_STREQ(options.GetKeyboardName().GetString(), L"Russian");
    EXPECT_EQ(options.GetKeyboardCtrlID(), 0x419u);
    EXPECT_EQ(options.GetKeyboardType(), 1);
    KEYBOARD_PLACEMENT placement;
    options.GetPlacement(placement);
    EXPECT_EQ(placement.showCmd, 1u);
    EXPECT_EQ(placement.rcNormalPosition.right, -30);
    // where the main program reads them
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KeyBoardCtrlID", 0), 0x419u);
    EXPECT_EQ(registry.GetDWORD(L"WindowsPos\\Import", L"Left", 0), 10u);

    EXPECT_EQ(COptions(nullptr).Load(), 0);
    EXPECT_EQ(COptions(nullptr).Save(), 0);
}

TEST_F(KeyboardOptionsTest, TwoProgramsWritingTheKeyLoseNoValue) {
    COptions keyboard;
    ASSERT_EQ(keyboard.Load(), 1);
    // the main program, running at the same time, writes its values and
    // the advertisement switch they share
    CBasicRegistry mainProgram(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    mainProgram.SetDWORD(L"Settings", L"KnownColor", 0x1234);
    mainProgram.SetDWORD(L"Settings", L"Advertisement", 0);
    mainProgram.SetDWORD(L"WindowsPos\\Import", L"Left", 77);
    // the keyboard saves what it changed
    keyboard.SetKeyboardCtrlID(0x407);
    keyboard.SetDisplayAllChars(1);
    ASSERT_EQ(keyboard.Save(), 1);

    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"KnownColor", 0), 0x1234u);
    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"Advertisement", 1), 0u);
    EXPECT_EQ(mainProgram.GetDWORD(L"WindowsPos\\Import", L"Left", 0), 77u);
    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"KeyBoardCtrlID", 0), 0x407u);
    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"DisplayAllChars", 0), 1u);

    // a value the keyboard changes itself is written, over the other's
    mainProgram.SetDWORD(L"Settings", L"DisplayAllChars", 0);
    keyboard.SetAdvertisement(0);
    keyboard.Save();
    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"Advertisement", 1), 0u);
    EXPECT_EQ(mainProgram.GetDWORD(L"Settings", L"DisplayAllChars", 1), 0u) << "unchanged here since the last save";
}
