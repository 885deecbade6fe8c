#pragma once
// Where the keyboard's typing goes, and what the physical keyboard holds:
// the keyboard model asks these two interfaces, so tests put recording
// fakes in their place. The program's versions type through the hook
// library into the window that has the focus and read the X server's
// keyboard state.

#include "compat/WinTypes.h"

class CAbstractInputSink {
public:
    virtual ~CAbstractInputSink() {}
    // One UTF-16 unit typed whole (down and up); the two units of a
    // surrogate pair in two calls type one character.
    virtual void SendCharacter(WORD unit) = 0;
    // A key of the virtual key down or up.
    virtual void SendVirtualKey(WORD virtualKey, bool down) = 0;
};

class CAbstractPhysicalKeys {
public:
    virtual ~CAbstractPhysicalKeys() {}
    // The key of the virtual key is held down now.
    virtual bool IsHeld(int virtualKey) const = 0;
    // The lock of the virtual key (20 Caps Lock, 144 NumLock) is on.
    virtual bool IsToggled(int virtualKey) const = 0;
};
