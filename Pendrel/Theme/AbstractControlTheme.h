#pragma once
// A control theme: draws one control's face, icon, text and edge in the
// look of its window theme (AbstractWinTheme.h). Made for one drawing,
// used and deleted. Results are 0 for success.
//
// States: 0 normal, 1 pressed, 2 hot, 3 disabled, 4 normal.

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class CKVXImageList;
class QPainter;

class PENDREL_API CAbstractControlTheme {
public:
    virtual ~CAbstractControlTheme() = default;

    // The control's face for the state.
    virtual int DrawControlBackground(QPainter* dc, int state, const RECT* rect, const RECT* clip) = 0;
    // Image 0 of the list, or image 1 in state 3 when the list holds two;
    // a single image is drawn with the disabled look in state 3. Drawn at
    // the rectangle's top-left corner in the rectangle's size.
    virtual int DrawControlIcon(QPainter* dc, int state, const RECT* rect, CKVXImageList* list, int unused) = 0;
    // The parent's background under the control.
    virtual int DrawParentBackground(HWND window, QPainter* dc, const RECT* rect) = 0;
    // Text with the DT_* flags (length -1: the whole text); grey in state 3.
    virtual int DrawControlText(QPainter* dc, int state, const wchar_t* text, int length, DWORD flags,
                                DWORD flags2, const RECT* rect) = 0;
    virtual int DrawControlEdge(QPainter* dc, int state, const RECT* rect, UINT edge, UINT flags,
                                RECT* contentRect) = 0;
    // A COLOR_* colour of the theme.
    virtual COLORREF GetControlColor(int colorId) = 0;
    // TRUE when the control draws with the toolkit's style.
    virtual BOOL IsVisualStyle(HWND window) = 0;
};
