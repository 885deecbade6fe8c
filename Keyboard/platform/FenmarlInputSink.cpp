#include "Keyboard/platform/FenmarlInputSink.h"

#include "Fenmarl/Fenmarl.h"

void CFenmarlInputSink::SendCharacter(WORD unit) {
    const st_KBInput records[2] = {{0, unit, KEYEVENTF_UNICODE, 0, 0},
                                   {0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
    ProcessKeyboardEvent(0);
    SendKeyboardInput(2, records);
    ProcessKeyboardEvent(1);
}

void CFenmarlInputSink::SendVirtualKey(WORD virtualKey, bool down) {
    const st_KBInput record{virtualKey, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
    ProcessKeyboardEvent(0);
    SendKeyboardInput(1, &record);
    ProcessKeyboardEvent(1);
}
