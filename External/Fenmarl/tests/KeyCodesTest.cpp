// The scan codes and virtual keys the hook reports for X key codes, and the
// keys the injection presses for virtual keys.
#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon-keysyms.h>

#include "KeyCodes.h"

namespace {

using fenmarl::PhysicalKeyOf;

TEST(FenmarlKeyCodes, PhysicalKeysAsTheKeyboardProgramKnowsThem)
{
    struct Case {
        const char* key;
        unsigned int keycode;
        bool numLock;
        int scan;
        int vk;
    };
    const Case cases[] = {
        {"Q", 24, false, 16, 'Q'},          {"1", 10, false, 2, '1'},          {"Backspace", 22, false, 14, 8},
        {"Tab", 23, false, 15, 9},          {"Enter", 36, false, 28, 13},      {"space", 65, false, 57, 32},
        {"Caps Lock", 66, false, 58, 20},   {"left Shift", 50, false, 42, 160}, {"right Shift", 62, false, 54, 161},
        {"left Ctrl", 37, false, 29, 162},  {"right Ctrl", 105, false, 29, 163}, {"left Alt", 64, false, 56, 164},
        {"right Alt", 108, false, 56, 165}, {"Num Lock", 77, false, 69, 144},  {"less-than key", 94, false, 86, 0xE2},
        {"backslash", 51, false, 43, 0xDC}, {"slash", 61, false, 53, 0xBF},    {"Yen", 132, false, 125, 0xDC},
        // the pad: operators always, digits only with NumLock on
        {"pad /", 106, false, 53, 111},     {"pad *", 63, false, 55, 106},     {"pad -", 82, false, 74, 109},
        {"pad +", 86, false, 78, 107},      {"pad Enter", 104, false, 28, 13}, {"pad 7", 79, true, 71, 103},
        {"pad 0", 90, true, 82, 96},        {"pad .", 91, true, 83, 110},      {"pad 7 as Home", 79, false, 71, 36},
        {"pad 0 as Insert", 90, false, 82, 45},
    };
    for (const Case& c : cases) {
        const fenmarl::PhysicalKey key = PhysicalKeyOf(c.keycode, c.numLock);
        EXPECT_EQ(key.scanCode, c.scan) << c.key;
        EXPECT_EQ(key.virtualKey, c.vk) << c.key;
    }
    EXPECT_EQ(PhysicalKeyOf(0, false).scanCode, 0);
    EXPECT_EQ(PhysicalKeyOf(255, false).scanCode, 0);
}

TEST(FenmarlKeyCodes, VirtualKeysToInject)
{
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey('A'), unsigned(XKB_KEY_a));  // the key, not the capital
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey('7'), unsigned(XKB_KEY_7));
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey(13), unsigned(XKB_KEY_Return));
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey(144), unsigned(XKB_KEY_Num_Lock));
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey(111), unsigned(XKB_KEY_KP_Divide));
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey(162), unsigned(XKB_KEY_Control_L));
    EXPECT_EQ(fenmarl::KeysymOfVirtualKey(0xE2), 0u);
    // a layout without Latin letters: the key at the letter's US place
    EXPECT_EQ(fenmarl::UsKeyCodeOfVirtualKey('C'), 54u);
    EXPECT_EQ(fenmarl::UsKeyCodeOfVirtualKey('0'), 19u);
    EXPECT_EQ(fenmarl::UsKeyCodeOfVirtualKey(13), 0u);
    EXPECT_TRUE(fenmarl::IsShiftCtrlOrAlt(160));
    EXPECT_TRUE(fenmarl::IsShiftCtrlOrAlt(17));
    EXPECT_FALSE(fenmarl::IsShiftCtrlOrAlt(20));
}

}  // namespace
