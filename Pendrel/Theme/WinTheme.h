#pragma once
// Making the window theme, and the window theme the controls draw with.
//
// CreateWinTheme gives the theme over the toolkit's style (WinThemeQStyle.h)
// or, with the environment variable KVX_THEME set to "classic", the classic
// theme (WinThemeClassic.h), which draws plain bevelled faces and never
// shows a hot look.
//
// KVXGetCurrentWinTheme is where the owner-drawn controls ask for the
// window theme: the application object sets the theme it owns when it is
// made (KVXSetCurrentWinTheme) and clears it before it deletes the theme.
// Tests set their own.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Theme/AbstractWinTheme.h"

// Null only when no object could be made.
PENDREL_API CAbstractWinTheme* CreateWinTheme();

// Not owned; null when none is set.
PENDREL_API void KVXSetCurrentWinTheme(CAbstractWinTheme* theme);
PENDREL_API CAbstractWinTheme* KVXGetCurrentWinTheme();

// The theme part of a control kind: 0 push button -> 1, 1 group box -> 4;
// any other kind is a failed check and gives 0.
PENDREL_API int KVXThemePartOfKind(int kind);
// TRUE when the part has a class list in the style (parts 1 to 5).
PENDREL_API BOOL KVXThemePartHasClass(int part);
// The push-button state id of a control state: 0 and 4 -> 1 (normal),
// 1 -> 3 (pressed), 2 -> 2 (hot), 3 -> 4 (disabled); any other state is a
// failed check and gives 0.
PENDREL_API int KVXThemeStateId(int state);
