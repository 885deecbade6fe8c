// Template 502, the keyboard dialog: the texts and the two combo boxes
// above a picture of a keyboard. The keys are laid out on a grid of key
// units (28 x 30 dialog units); the places of the 51 character keys are
// those of the scan-code tables (CKeyboardModel::ScanCodesOfType).
#include <vector>

#include "Keyboard/KeyboardResources.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"

namespace {

constexpr short kUnitX = 28;
constexpr short kUnitY = 30;
constexpr short kKeysLeft = 15;
constexpr short kKeysTop = 81;
constexpr short kGap = 3;
constexpr DWORD kKeyStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_NOPREFIX;

// A key at column (in quarters of a key unit) and row, so many quarters
// wide and rows high.
KVXDialogControl Key(UINT id, const wchar_t* text, int quarter, int row, int quarters = 4, int rows = 1) {
    return {id,
            WC_BUTTON,
            text,
            static_cast<short>(kKeysLeft + quarter * kUnitX / 4),
            static_cast<short>(kKeysTop + row * kUnitY),
            static_cast<short>(quarters * kUnitX / 4 - kGap),
            static_cast<short>(rows * kUnitY - kGap),
            kKeyStyle};
}

std::vector<KVXDialogControl> Controls() {
    std::vector<KVXDialogControl> c = {
        {IDC_INTRO_TEXT, WC_STATIC, L"Type the characters of another language into any program.", 7, 6, 560, 10,
         kLabelStyle},
        {IDC_INTRO_TEXT2, WC_STATIC,
         L"Choose a keyboard, then click its keys or type on your own keyboard: the window you work in "
         L"receives the characters.",
         7, 17, 560, 10, kLabelStyle},
        {IDC_PHYSICAL_LABEL, WC_STATIC, L"Physical Keyboard:", 7, 36, 90, 10, kLabelStyle},
        {IDC_PHYSICAL_NAME, WC_STATIC, L"", 100, 36, 200, 10, kLabelStyle},
        {IDC_SELECTED_LABEL, WC_STATIC, L"Selected Keyboard:", 7, 52, 90, 10, kLabelStyle},
        {IDC_LAYOUT_COMBO, WC_COMBOBOX, L"", 100, 50, 200, 14, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_VSCROLL},
        {IDC_TYPE_LABEL, WC_STATIC, L"Select type:", 434, 52, 56, 10, kLabelStyle},
        {IDC_TYPE_COMBO, WC_COMBOBOX, L"", 494, 50, 75, 14, WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST},
        {IDC_KEYBOARD_FRAME, WC_STATIC, L"", 7, 72, 562, 166, WS_CHILD | WS_VISIBLE | SS_ETCHEDFRAME},
    };
    // Row 0: the places 0-13 and Backspace over the always empty place 13.
    for (int place = 0; place <= 13; ++place) c.push_back(Key(IDC_KEY_FIRST_CHARACTER + place, L"", place * 4, 0));
    c.push_back(Key(IDC_KEY_BACKSPACE, L"Backspace", 52, 0, 8));
    // Row 1: Tab and the places 14-26.
    c.push_back(Key(IDC_KEY_TAB, L"Tab", 0, 1, 6));
    for (int place = 14; place <= 25; ++place)
        c.push_back(Key(IDC_KEY_FIRST_CHARACTER + place, L"", 6 + (place - 14) * 4, 1));
    c.push_back(Key(IDC_KEY_FIRST_CHARACTER + 26, L"", 54, 1, 6));
    // Row 2: Caps Lock, the places 27-38 and Enter.
    c.push_back(Key(IDC_KEY_CAPS, L"Caps Lock", 0, 2, 7));
    for (int place = 27; place <= 38; ++place)
        c.push_back(Key(IDC_KEY_FIRST_CHARACTER + place, L"", 7 + (place - 27) * 4, 2));
    c.push_back(Key(IDC_KEY_ENTER, L"Enter", 55, 2, 5));
    // Row 3: the Shift keys around the places 39-50.
    c.push_back(Key(IDC_KEY_LSHIFT, L"Shift", 0, 3, 5));
    for (int place = 39; place <= 50; ++place)
        c.push_back(Key(IDC_KEY_FIRST_CHARACTER + place, L"", 5 + (place - 39) * 4, 3));
    c.push_back(Key(IDC_KEY_RSHIFT, L"Shift", 53, 3, 7));
    // Row 4: the modifiers and the space bars; the Japanese keys share
    // places with the others.
    c.push_back(Key(IDC_KEY_LCTRL, L"L Ctrl", 0, 4, 6));
    c.push_back(Key(IDC_KEY_ALT, L"Alt", 6, 4, 5));
    c.push_back(Key(IDC_KEY_SPACE, L"", 11, 4, 30));
    c.push_back(Key(IDC_KEY_SPACE_SHORT, L"", 11, 4, 20));
    c.push_back(Key(IDC_KEY_HK, L"HK", 31, 4, 10));
    c.push_back(Key(IDC_KEY_ALTGR, L"Alt Gr", 41, 4, 6));
    c.push_back(Key(IDC_KEY_SZ, L"Sz", 47, 4, 6));
    c.push_back(Key(IDC_KEY_RCTRL, L"R Ctrl", 47, 4, 13));
    c.push_back(Key(IDC_KEY_CTRL, L"Ctrl", 53, 4, 7));
    // The pad.
    c.push_back(Key(IDC_KEY_NUM, L"Num", 62, 0));
    c.push_back(Key(IDC_KEY_PAD_DIVIDE, L"/", 66, 0));
    c.push_back(Key(IDC_KEY_PAD_MULTIPLY, L"*", 70, 0));
    c.push_back(Key(IDC_KEY_PAD_SUBTRACT, L"-", 74, 0));
    static const wchar_t* const kDigits[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
    for (int digit = 1; digit <= 9; ++digit)
        c.push_back(Key(IDC_KEY_PAD_0 + digit, kDigits[digit], 62 + (digit - 1) % 3 * 4, 3 - (digit - 1) / 3));
    c.push_back(Key(IDC_KEY_PAD_ADD, L"+", 74, 1, 4, 2));
    c.push_back(Key(IDC_KEY_PAD_ENTER, L"Ent", 74, 3, 4, 2));
    c.push_back(Key(IDC_KEY_PAD_0, kDigits[0], 62, 4, 8));
    c.push_back(Key(IDC_KEY_PAD_DECIMAL, L".", 70, 4));
    c.push_back({IDC_ADVERTISEMENT, WC_STATIC, L"", 7, 246, 562, 56, WS_CHILD | WS_VISIBLE});
    return c;
}

const std::vector<KVXDialogControl> kControls = Controls();
const KVXDialogTemplate kTemplate = {IDD_KEYBOARD,
                                     L"Ondrivel - On-Screen Keyboard",
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     576,
                                     308,
                                     8,
                                     L"MS Shell Dlg",
                                     kControls.data(),
                                     kControls.size()};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

} // namespace
