#include "KeyCodes.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstddef>

namespace fenmarl {

namespace {

// Virtual keys by scan code on the main block (scan codes 1 to 88).
const unsigned char kVirtualKeys[89] = {
    0,    27,   '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  0xBD, 0xBB, 8,    9,
    'Q',  'W',  'E',  'R',  'T',  'Y',  'U',  'I',  'O',  'P',  0xDB, 0xDD, 13,   162,  'A',  'S',
    'D',  'F',  'G',  'H',  'J',  'K',  'L',  0xBA, 0xDE, 0xC0, 160,  0xDC, 'Z',  'X',  'C',  'V',
    'B',  'N',  'M',  0xBC, 0xBE, 0xBF, 161,  106,  164,  32,   20,   112,  113,  114,  115,  116,
    117,  118,  119,  120,  121,  144,  145,  36,   38,   33,   109,  37,   12,   39,   107,  35,
    40,   34,   45,   46,   0,    0,    0xE2, 122,  123,
};

// Keypad scan codes 71 to 83 with NumLock on.
const unsigned char kKeypadDigits[13] = {103, 104, 105, 109, 100, 101, 102, 107, 97, 98, 99, 96, 110};

// Keys beyond the main block: X key code, scan code, virtual key.
struct Extended {
    unsigned int keycode;
    int scan;
    int vk;
};
const Extended kExtended[] = {
    {104, 28, 13},  {105, 29, 163}, {106, 53, 111}, {107, 55, 44},  {108, 56, 165}, {110, 71, 36},
    {111, 72, 38},  {112, 73, 33},  {113, 75, 37},  {114, 77, 39},  {115, 79, 35},  {116, 80, 40},
    {117, 81, 34},  {118, 82, 45},  {119, 83, 46},  {127, 69, 19},  {133, 91, 91},  {134, 92, 92},
    {135, 93, 93},  {132, 125, 0xDC}, {97, 115, 0xC1},
};

struct VkKeysym {
    unsigned int vk;
    unsigned long keysym;
};
const VkKeysym kKeysyms[] = {
    {8, XKB_KEY_BackSpace},  {9, XKB_KEY_Tab},        {12, XKB_KEY_Clear},      {13, XKB_KEY_Return},
    {16, XKB_KEY_Shift_L},   {17, XKB_KEY_Control_L}, {18, XKB_KEY_Alt_L},      {19, XKB_KEY_Pause},
    {20, XKB_KEY_Caps_Lock}, {27, XKB_KEY_Escape},    {32, XKB_KEY_space},      {33, XKB_KEY_Prior},
    {34, XKB_KEY_Next},      {35, XKB_KEY_End},       {36, XKB_KEY_Home},       {37, XKB_KEY_Left},
    {38, XKB_KEY_Up},        {39, XKB_KEY_Right},     {40, XKB_KEY_Down},       {44, XKB_KEY_Print},
    {45, XKB_KEY_Insert},    {46, XKB_KEY_Delete},    {106, XKB_KEY_KP_Multiply}, {107, XKB_KEY_KP_Add},
    {109, XKB_KEY_KP_Subtract}, {110, XKB_KEY_KP_Decimal}, {111, XKB_KEY_KP_Divide}, {144, XKB_KEY_Num_Lock},
    {145, XKB_KEY_Scroll_Lock}, {160, XKB_KEY_Shift_L}, {161, XKB_KEY_Shift_R}, {162, XKB_KEY_Control_L},
    {163, XKB_KEY_Control_R}, {164, XKB_KEY_Alt_L},   {165, XKB_KEY_Alt_R},
};

}  // namespace

PhysicalKey PhysicalKeyOf(unsigned int keycode, bool numLock)
{
    for (const Extended& key : kExtended)
        if (key.keycode == keycode) return {key.scan, key.vk};
    if (keycode < 9 || keycode - 8 >= sizeof kVirtualKeys) return {0, 0};
    const int scan = int(keycode - 8);
    if (numLock && scan >= 71 && scan <= 83 && kKeypadDigits[scan - 71] != 0)
        return {scan, kKeypadDigits[scan - 71]};
    return {scan, kVirtualKeys[scan]};
}

unsigned long KeysymOfVirtualKey(unsigned int vk)
{
    if ((vk >= '0' && vk <= '9')) return vk;                       // the keysyms of digits are their codes
    if (vk >= 'A' && vk <= 'Z') return XKB_KEY_a + (vk - 'A');     // the key, not the capital
    if (vk >= 96 && vk <= 105) return XKB_KEY_KP_0 + (vk - 96);
    if (vk >= 112 && vk <= 123) return XKB_KEY_F1 + (vk - 112);
    for (const VkKeysym& entry : kKeysyms)
        if (entry.vk == vk) return entry.keysym;
    return 0;
}

unsigned int UsKeyCodeOfVirtualKey(unsigned int vk)
{
    for (size_t scan = 0; scan < sizeof kVirtualKeys; ++scan)
        if (kVirtualKeys[scan] == vk && ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')))
            return unsigned(scan + 8);
    return 0;
}

bool IsShiftCtrlOrAlt(unsigned int vk)
{
    return (vk >= 16 && vk <= 18) || (vk >= 160 && vk <= 165);
}

}  // namespace fenmarl
