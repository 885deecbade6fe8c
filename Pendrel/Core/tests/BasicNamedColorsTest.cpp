#include <gtest/gtest.h>

#include "Pendrel/Core/BasicNamedColors.h"

namespace {

TEST(BasicNamedColors, ReadsNamesHashesAndComponents) {
    const struct {
        const wchar_t* text;
        COLORREF color;
    } cases[] = {
        {L"Red", RGB(255, 0, 0)},
        {L"RED", RGB(255, 0, 0)},
        {L"red", RGB(255, 0, 0)},
        {L"aliceblue", RGB(0xF0, 0xF8, 0xFF)},
        {L"YellowGreen", RGB(0x8B, 0xCD, 0x32)},     // the table's own values
        {L"BlanchedAlmond", RGB(0xFF, 0xFF, 0xCD)},
        {L"Gray", RGB(0x7F, 0x7F, 0x7F)},
        {L"LightGrey", RGB(0xD3, 0xD3, 0xD3)},       // the only "Grey"
        {L"LightGray", 0},
        {L"Grey", 0},
        {L"Cyan", RGB(0, 0xFF, 0xFF)},
        {L"Lawngreen", RGB(0x7C, 0xFC, 0x00)},
        {L"", 0},
        {L"Rot", 0},
        {L"#FF8000", RGB(0xFF, 0x80, 0x00)},
        {L"#ff8000", RGB(0xFF, 0x80, 0x00)},
        {L"#12345", 0},                              // not seven characters
        {L"#1234567", 0},
        {L"#G00000", 0},                             // a pair read as far as it is hexadecimal
        {L"#0G1A2B", RGB(0, 0x1A, 0x2B)},
        {L"1#23456", 0},                             // the '#' must come first
        {L"255,128", RGB(255, 128, 0)},
        {L"300,0,0", RGB(44, 0, 0)},
        {L"-1,0,0", RGB(255, 0, 0)},
        {L" 10, +20 ,30x", RGB(10, 20, 30)},
        {L"#1,2,3", RGB(0, 2, 3)},                   // a comma wins over the '#'
        {L",,", 0},
        {L"4294967553,1,1", RGB(1, 1, 1)},             // beyond 32 bits, still modulo 256
    };
    for (const auto& c : cases) EXPECT_EQ(CBasicNamedColors(c.text).GetColor(), c.color) << c.text;
    EXPECT_EQ(CBasicNamedColors(nullptr).GetColor(), 0u);
}

} // namespace
