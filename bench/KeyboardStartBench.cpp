// Starting the on-screen keyboard as a user does: the time from starting the
// process to its window being shown, that is mapped and painted for the
// first time. The program runs under an X server of the benchmark's own, on
// a prepared home: the agreement was accepted and a layout other than the
// session's was chosen at an earlier start (one start that is not timed).
// Each repetition is one start; the window is then closed as a window
// manager closes it and the program must end by itself, giving back its
// key codes. Goal: a median under 150 ms.

#include <string>

#include "bench/StartBenchmark.h"
#include "utility/Posix/BasicRegistry.h"

int main(int argc, char** argv) {
    kvxbench::StartBenchmark run;
    run.name = "BM_StartToKeyboardShown";
    run.program = std::string(KVX_BIN_FOLDER) + "/Keyboard";
    run.titlePrefix = "Ondrivel - On-Screen";
    run.summary = "Start to keyboard window shown";
    run.goalMs = 150;
    // The prepared home: the agreement accepted, the Russian layout chosen.
    run.prepareHome = [] {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App2", L"EULA", 1);
        CBasicRegistry settings(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        settings.SetDWORD(L"Settings", L"KeyBoardCtrlID", 0x419);
    };
    return kvxbench::RunStartBenchmark(argc, argv, run);
}
