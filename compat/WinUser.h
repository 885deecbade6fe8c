#pragma once
// Windows-style constants of the user interface: window and control styles,
// text layout flags, system colour indexes, message-box flags and results,
// image-list flags. Only constants (and the window handle's name) live here:
// the framework's Qt layer (Pendrel/Platform) gives them their meaning.

#include "compat/WinTypes.h"

// A window is a Qt widget.
class QWidget;
typedef QWidget* HWND;

// ---------------------------------------------------------------------------
// Window styles
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_HSCROLL 0x00100000u
#define WS_SYSMENU 0x00080000u
#define WS_THICKFRAME 0x00040000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u

// Button styles (the low four bits are the kind)
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_CHECKBOX 0x2u
#define BS_AUTOCHECKBOX 0x3u
#define BS_RADIOBUTTON 0x4u
#define BS_3STATE 0x5u
#define BS_AUTO3STATE 0x6u
#define BS_GROUPBOX 0x7u
#define BS_AUTORADIOBUTTON 0x9u
#define BS_OWNERDRAW 0xBu
#define BS_TYPEMASK 0xFu
#define BS_MULTILINE 0x2000u

// Static styles (the low five bits are the kind)
#define SS_LEFT 0x00u
#define SS_CENTER 0x01u
#define SS_RIGHT 0x02u
#define SS_ICON 0x03u
#define SS_BITMAP 0x0Eu
#define SS_ETCHEDHORZ 0x10u
#define SS_ETCHEDVERT 0x11u
#define SS_ETCHEDFRAME 0x12u
#define SS_TYPEMASK 0x1Fu
#define SS_NOPREFIX 0x80u

// Edit styles
#define ES_LEFT 0x0000u
#define ES_CENTER 0x0001u
#define ES_RIGHT 0x0002u
#define ES_MULTILINE 0x0004u
#define ES_PASSWORD 0x0020u
#define ES_AUTOVSCROLL 0x0040u
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u
#define ES_WANTRETURN 0x1000u
#define ES_NUMBER 0x2000u

// Combo-box styles (the low two bits are the kind)
#define CBS_SIMPLE 0x1u
#define CBS_DROPDOWN 0x2u
#define CBS_DROPDOWNLIST 0x3u

// Window classes of dialog-template controls
#define WC_BUTTON L"Button"
#define WC_STATIC L"Static"
#define WC_EDIT L"Edit"
#define WC_COMBOBOX L"ComboBox"
#define WC_LISTBOX L"ListBox"
#define WC_LISTVIEW L"SysListView32"
#define WC_TREEVIEW L"SysTreeView32"
#define WC_TABCONTROL L"SysTabControl32"
#define WC_PROGRESS L"msctls_progress32"
#define WC_TRACKBAR L"msctls_trackbar32"

// ---------------------------------------------------------------------------
// Text layout flags (DT_LEFT, DT_CENTER, DT_RIGHT and DT_NOPREFIX are in
// WinTypes.h)
#define DT_TOP 0x00000000u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_END_ELLIPSIS 0x00008000u

// ---------------------------------------------------------------------------
// System colour indexes
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30

#define CLR_NONE 0xFFFFFFFFu
#define CLR_DEFAULT 0xFF000000u

// ---------------------------------------------------------------------------
// Message boxes: buttons, icons and the results
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONERROR 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#define MB_ICONMASK 0x000000F0u

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// ---------------------------------------------------------------------------
// Image lists
#define ILC_MASK 0x0001u
#define ILC_COLOR32 0x0020u

#define ILD_NORMAL 0x0000u
#define ILD_TRANSPARENT 0x0001u
#define ILD_BLEND25 0x0002u
#define ILD_BLEND50 0x0004u
#define ILD_FOCUS ILD_BLEND25
#define ILD_SELECTED ILD_BLEND50

// The system image list: large (32 x 32) or small (16 x 16) icons.
#define SHGFI_LARGEICON 0x0000u
#define SHGFI_SMALLICON 0x0001u
#define SHGFI_SYSICONINDEX 0x4000u

// Icon loading: colours as stored, the 16 VGA colours, or black and white
#define LR_DEFAULTCOLOR 0x0000u
#define LR_MONOCHROME 0x0001u
#define LR_VGACOLOR 0x0080u

// ---------------------------------------------------------------------------
// Window messages and their records
#define WM_COMMAND 0x0111u

// The sizes a window may take (outer sizes in pixels).
struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

// Device capabilities (GetDeviceCaps)
#define HORZRES 8
#define VERTRES 10
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// Keyboard input records
#define KEYEVENTF_EXTENDEDKEY 0x0001u
#define KEYEVENTF_KEYUP 0x0002u
#define KEYEVENTF_UNICODE 0x0004u
#define KEYEVENTF_SCANCODE 0x0008u

// Owner-drawn items: state and action
#define ODS_SELECTED 0x0001u
#define ODS_DISABLED 0x0004u
#define ODS_FOCUS 0x0010u
#define ODS_DEFAULT 0x0020u
#define ODA_DRAWENTIRE 0x0001u
#define ODA_SELECT 0x0002u
#define ODA_FOCUS 0x0004u
