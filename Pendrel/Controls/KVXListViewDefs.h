#pragma once
// The list view's constants and records as the list controls and their
// subclasses use them: the request a row's display hook fills (LVITEMW),
// a column's description (LVCOLUMNW), the row drawing record
// (DRAWITEMSTRUCT, with a QPainter as its device context), hit-test flags,
// item states, styles and image-list kinds.

#include <vector>

#include "compat/WinUser.h"
#include "utility/BasicString.h"

class QPainter;

// What a row request asks for (mask).
#define LVIF_TEXT 0x0001u
#define LVIF_IMAGE 0x0002u
#define LVIF_PARAM 0x0004u
#define LVIF_STATE 0x0008u

// Row states.
#define LVIS_FOCUSED 0x0001u
#define LVIS_SELECTED 0x0002u
#define LVIS_CUT 0x0004u
#define LVIS_DROPHILITED 0x0008u
#define LVIS_OVERLAYMASK 0x0F00u
#define LVIS_STATEIMAGEMASK 0xF000u
// State image i (1 unchecked, 2 checked) in the state bits, and back.
#define INDEXTOSTATEIMAGEMASK(i) (static_cast<UINT>(i) << 12)
#define STATEIMAGEMASKTOINDEX(state) ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12)

// A row whose text and image the display hook gives.
#define LPSTR_TEXTCALLBACKW (reinterpret_cast<LPWSTR>(static_cast<intptr_t>(-1)))
#define I_IMAGECALLBACK (-1)

// Column formats.
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003

// Column description fields.
#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCF_SUBITEM 0x0008u
#define LVCF_IMAGE 0x0010u

// Styles of the list (GetStyle / ModifyStyle).
#define LVS_ICON 0x0000u
#define LVS_REPORT 0x0001u
#define LVS_SMALLICON 0x0002u
#define LVS_LIST 0x0003u
#define LVS_TYPEMASK 0x0003u
#define LVS_SINGLESEL 0x0004u
#define LVS_SHOWSELALWAYS 0x0008u
#define LVS_EDITLABELS 0x0200u
#define LVS_OWNERDRAWFIXED 0x0400u
#define LVS_NOSORTHEADER 0x8000u

// Extended styles of the list.
#define LVS_EX_GRIDLINES 0x0001u
#define LVS_EX_CHECKBOXES 0x0004u
#define LVS_EX_FULLROWSELECT 0x0020u

// Rectangles of a row (GetItemRect).
#define LVIR_BOUNDS 0
#define LVIR_ICON 1
#define LVIR_LABEL 2

// Hit-test results.
#define LVHT_NOWHERE 0x0001u
#define LVHT_ONITEMICON 0x0002u
#define LVHT_ONITEMLABEL 0x0004u
#define LVHT_ONITEMSTATEICON 0x0008u
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)

// Image lists of a list.
#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2

// Header item formats (sort images).
#define HDF_LEFT 0x0000
#define HDF_RIGHT 0x0001
#define HDF_CENTER 0x0002
#define HDF_BITMAP 0x2000
#define HDF_BITMAP_ON_RIGHT 0x1000
#define HDF_IMAGE 0x0800
#define HDF_OWNERDRAW 0x8000

// The request of a row's (or cell's) display data.
struct LVITEMW {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    LPWSTR pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
    int iIndent = 0;
};

// A column: format, width, title, sub-item.
struct LVCOLUMNW {
    UINT mask = 0;
    int fmt = LVCFMT_LEFT;
    int cx = 0;
    LPWSTR pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
    int iImage = 0;
    int iOrder = 0;
};

// Drawing one row: the row, its state bits, the painter and the row's
// rectangle in the list's client coordinates.
// (The owner-draw states and actions are in compat/WinUser.h.)
struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    QPainter* hDC = nullptr;
    RECT rcItem{0, 0, 0, 0};
    ULONG_PTR itemData = 0;
};

// Paths of dropped files.
typedef std::vector<CBasicString> CStringList;
