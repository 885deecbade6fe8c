#pragma once
// The window theme over the toolkit's style: a push button or a group box
// gets a control theme that draws with the window's QStyle
// (QStyleControlTheme.h); any other kind of control gets a classic one.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractWinTheme.h"

class PENDREL_API CWinThemeQStyle : public CAbstractWinTheme {
public:
    CAbstractControlTheme* CreateControlTheme(HWND window, int kind) override;
};
