#include "Pendrel/Controls/WinThemeClassic.h"

#include <new>

#include "Pendrel/Controls/ClassicControlTheme.h"

CAbstractControlTheme* CWinThemeClassic::CreateControlTheme(HWND, int) {
    return new (std::nothrow) CClassicControlTheme();
}
