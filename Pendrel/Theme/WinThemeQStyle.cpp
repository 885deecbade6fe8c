#include "Pendrel/Theme/WinThemeQStyle.h"

#include <new>

#include "Pendrel/Theme/ClassicControlTheme.h"
#include "Pendrel/Theme/QStyleControlTheme.h"
#include "Pendrel/Theme/WinTheme.h"

CAbstractControlTheme* CWinThemeQStyle::CreateControlTheme(HWND window, int kind) {
    const int part = KVXThemePartOfKind(kind);
    if (!KVXThemePartHasClass(part)) return new (std::nothrow) CClassicControlTheme();
    return new (std::nothrow) CQStyleControlTheme(window, part);
}
