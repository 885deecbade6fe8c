#pragma once
// The keyboard program's dialog and control ids, string ids and its string
// look-up.

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// Dialogs.
constexpr UINT IDD_KEYBOARD_ABOUT = 501;
constexpr UINT IDD_KEYBOARD = 502;
constexpr UINT IDD_KEYBOARD_OPTIONS = 504;
constexpr UINT IDD_KEYBOARD_SETTINGS = 505;

// The keyboard dialog.
constexpr UINT IDC_INTRO_TEXT = 3006;
constexpr UINT IDC_PHYSICAL_LABEL = 3007;
constexpr UINT IDC_PHYSICAL_NAME = 3008;
constexpr UINT IDC_ADVERTISEMENT = 3011;
constexpr UINT IDC_INTRO_TEXT2 = 3016;
constexpr UINT IDC_SELECTED_LABEL = 3017;
constexpr UINT IDC_LAYOUT_COMBO = 3021;
constexpr UINT IDC_TYPE_LABEL = 3022;
constexpr UINT IDC_TYPE_COMBO = 3023;
constexpr UINT IDC_KEYBOARD_FRAME = 3040;
constexpr UINT IDC_KEY_TAB = 8004;
constexpr UINT IDC_KEY_ENTER = 8005;
constexpr UINT IDC_KEY_BACKSPACE = 8006;
constexpr UINT IDC_KEY_LSHIFT = 8007;
constexpr UINT IDC_KEY_RSHIFT = 8008;
constexpr UINT IDC_KEY_LCTRL = 8009;
constexpr UINT IDC_KEY_RCTRL = 8010;
constexpr UINT IDC_KEY_CTRL = 8011;
constexpr UINT IDC_KEY_ALT = 8012;
constexpr UINT IDC_KEY_ALTGR = 8013;
constexpr UINT IDC_KEY_NUM = 8014;
constexpr UINT IDC_KEY_CAPS = 8015;
constexpr UINT IDC_KEY_SPACE = 8016;
constexpr UINT IDC_KEY_SPACE_SHORT = 8017;
constexpr UINT IDC_KEY_SZ = 8018;
constexpr UINT IDC_KEY_HK = 8019;
constexpr UINT IDC_KEY_FIRST_CHARACTER = 8030;  // 8030-8080: the 51 character keys
constexpr UINT IDC_KEY_PAD_0 = 8081;            // 8081-8090: "0"-"9"
constexpr UINT IDC_KEY_PAD_MULTIPLY = 8091;
constexpr UINT IDC_KEY_PAD_ADD = 8092;
constexpr UINT IDC_KEY_PAD_ENTER = 8093;
constexpr UINT IDC_KEY_PAD_SUBTRACT = 8094;
constexpr UINT IDC_KEY_PAD_DECIMAL = 8095;
constexpr UINT IDC_KEY_PAD_DIVIDE = 8096;

// The options window, its settings page and the About box.
constexpr UINT IDC_OPTIONS_TAB = 8020;
constexpr UINT IDC_SHOW_ADVERTISEMENT = 3015;
constexpr UINT IDC_DISPLAY_ALL_CHARS = 3016;
constexpr UINT IDC_ABOUT_ICON = 11345;
constexpr UINT IDC_ABOUT_TEXT = 11346;
constexpr UINT IDC_ABOUT_LINK = 11347;

// Window-menu commands (the dialog's context menu).
constexpr UINT ID_KEYBOARD_CLOSE = 1024;
constexpr UINT ID_KEYBOARD_ABOUT = 1025;
// The framework's Help command (F1 and the window menu).
constexpr UINT ID_KEYBOARD_HELP = 0xE146;
constexpr UINT ID_KEYBOARD_TYPE_101 = 1027;
constexpr UINT ID_KEYBOARD_TYPE_102 = 1028;
constexpr UINT ID_KEYBOARD_TYPE_106 = 1029;
constexpr UINT ID_KEYBOARD_OPTIONS = 1034;

// Strings.
constexpr UINT IDS_UPDATE = 21005;
constexpr UINT IDS_SETTINGS = 21032;
constexpr UINT IDS_KEYBOARD_PHYSICAL = 8200;  // 8200-8327: layout names
constexpr UINT IDS_APP_TITLE = 57344;

// The text of the keyboard program's string id ("" when there is none).
CBasicString KeyboardString(UINT id);
