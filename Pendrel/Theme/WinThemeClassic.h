#pragma once
// The classic window theme: every control theme it makes is classic
// (ClassicControlTheme.h).

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractWinTheme.h"

class PENDREL_API CWinThemeClassic : public CAbstractWinTheme {
public:
    CAbstractControlTheme* CreateControlTheme(HWND window, int kind) override;
};
