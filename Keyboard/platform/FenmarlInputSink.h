#pragma once
// The program's input sink: each character or key goes to the window that
// has the focus through the hook library, bracketed by
// ProcessKeyboardEvent(0) and (1) so that the hook does not take it for
// the user's.

#include <functional>

#include "Keyboard/platform/InputSink.h"

class CFenmarlInputSink : public CAbstractInputSink {
public:
    void SendCharacter(WORD unit) override;
    void SendVirtualKey(WORD virtualKey, bool down) override;

    // Runs once, the first time a character cannot be typed: the display
    // has no key code left to type it with.
    void SetOnNoKeyCode(std::function<void()> onNoKeyCode) { m_onNoKeyCode = std::move(onNoKeyCode); }

private:
    std::function<void()> m_onNoKeyCode;
};
