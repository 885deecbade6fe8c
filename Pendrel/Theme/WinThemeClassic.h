#pragma once
// The classic window theme: every control theme it makes is classic
// (ClassicControlTheme.h).

#include "Pendrel/Controls/AbstractWinTheme.h"
#include "Pendrel/PendrelApi.h"

class PENDREL_API CWinThemeClassic : public CAbstractWinTheme {
public:
    CAbstractControlTheme* CreateControlTheme(HWND window, int kind) override;
};
