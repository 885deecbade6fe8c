#pragma once
// The window theme: made once by the application object and kept for the
// program's life; it hands out short-lived control themes
// (AbstractControlTheme.h) for a window and a kind of control.
//
// Kinds: 0 push button, 1 group box.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractControlTheme.h"
#include "compat/WinUser.h"

class PENDREL_API CAbstractWinTheme {
public:
    virtual ~CAbstractWinTheme() = default;
    // A new control theme, which the caller deletes.
    virtual CAbstractControlTheme* CreateControlTheme(HWND window, int kind) = 0;
};
