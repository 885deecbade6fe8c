#include "Pendrel/Theme/WinTheme.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "Pendrel/Theme/WinThemeClassic.h"
#include "Pendrel/Theme/WinThemeQStyle.h"
#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\WinThemeXP";
constexpr int kLineKind = 120;
constexpr int kLineState = 140;

std::atomic<CAbstractWinTheme*> g_currentTheme{nullptr};

bool ClassicRequested() {
    const char* theme = std::getenv("KVX_THEME");
    if (!theme) return false;
    const std::string value(theme);
    if (value.size() != 7) return false;
    for (size_t i = 0; i < 7; ++i)
        if (ToLowerChar(static_cast<wchar_t>(value[i])) != L"classic"[i]) return false;
    return true;
}

} // namespace

CAbstractWinTheme* CreateWinTheme() {
    if (ClassicRequested()) return new (std::nothrow) CWinThemeClassic();
    return new (std::nothrow) CWinThemeQStyle();
}

void KVXSetCurrentWinTheme(CAbstractWinTheme* theme) {
    g_currentTheme.store(theme);
}

CAbstractWinTheme* KVXGetCurrentWinTheme() {
    return g_currentTheme.load();
}

int KVXThemePartOfKind(int kind) {
    switch (kind) {
    case 0: return 1;
    case 1: return 4;
    default:
        ReportAssertion(0, kSourceFile, kLineKind);
        return 0;
    }
}

BOOL KVXThemePartHasClass(int part) {
    // Parts 3, 4, 1, 2 and 5 share the class list "OkButton, Button".
    return part >= 1 && part <= 5;
}

int KVXThemeStateId(int state) {
    switch (state) {
    case 0:
    case 4: return 1;
    case 1: return 3;
    case 2: return 2;
    case 3: return 4;
    default:
        ReportAssertion(0, kSourceFile, kLineState);
        return 0;
    }
}
