#pragma once
// The session's keyboard as the X server has it: the layout in use as a
// layout id of the hook library ("%08X", as GetKeyboardLayoutNameW gives
// it), the keys held and the locks. Without an X display (the offscreen
// platform) nothing is held, no lock is on and the layout is US.

#include "Keyboard/platform/InputSink.h"
#include "compat/WinTypes.h"

// Fills name (9 characters with the terminator); FALSE without a name.
BOOL GetKeyboardLayoutNameW(wchar_t* name);

// The window that has the keyboard focus (0 for none or without a display),
// and giving it back the focus after the keyboard's own dialogs closed; a
// window that is gone meanwhile is left alone.
unsigned long GetFocusWindow();
void RestoreFocusWindow(unsigned long window);

class CX11PhysicalKeys : public CAbstractPhysicalKeys {
public:
    bool IsHeld(int virtualKey) const override;
    bool IsToggled(int virtualKey) const override;
};
