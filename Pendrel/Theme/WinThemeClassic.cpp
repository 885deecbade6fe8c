#include "Pendrel/Theme/WinThemeClassic.h"

#include <new>

#include "Pendrel/Theme/ClassicControlTheme.h"

CAbstractControlTheme* CWinThemeClassic::CreateControlTheme(HWND, int) {
    return new (std::nothrow) CClassicControlTheme();
}
