#include "Pendrel/Controls/WinThemeQStyle.h"

#include <new>

#include "Pendrel/Controls/ClassicControlTheme.h"
#include "Pendrel/Controls/QStyleControlTheme.h"
#include "Pendrel/Controls/WinTheme.h"

CAbstractControlTheme* CWinThemeQStyle::CreateControlTheme(HWND window, int kind) {
    const int part = KVXThemePartOfKind(kind);
    if (!KVXThemePartHasClass(part)) return new (std::nothrow) CClassicControlTheme();
    return new (std::nothrow) CQStyleControlTheme(window, part);
}
