#include "Keyboard/platform/FenmarlInputSink.h"

#include "Fenmarl/Fenmarl.h"

void CFenmarlInputSink::SendCharacter(WORD unit) {
    const st_KBInput records[2] = {{0, unit, KEYEVENTF_UNICODE, 0, 0},
                                   {0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
    ProcessKeyboardEvent(0);
    const UINT sent = SendKeyboardInput(2, records);
    ProcessKeyboardEvent(1);
    // A whole character that was not typed (the halves of a surrogate pair
    // count on their own).
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    if (sent < 2 && !surrogate && m_onNoKeyCode) {
        const std::function<void()> tell = std::move(m_onNoKeyCode);
        m_onNoKeyCode = nullptr;
        tell();
    }
}

void CFenmarlInputSink::SendVirtualKey(WORD virtualKey, bool down) {
    const st_KBInput record{virtualKey, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    ProcessKeyboardEvent(0);
    SendKeyboardInput(1, &record);
    ProcessKeyboardEvent(1);
}
