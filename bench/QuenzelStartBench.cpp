// Starting the main program as a user does: the time from starting the
// process to its main window being shown, that is mapped and painted for the
// first time. The program runs under an X server of the benchmark's own, on
// a fresh home where the agreement was accepted and the data file exists
// (one start that is not timed makes it). Each repetition is one start; the
// window is then closed as a window manager closes it and the program must
// end by itself. Goal: a median under 0.5 s.
//
// The first painting is seen through the X damage extension: the program's
// windows have no background of their own, so the server draws nothing into
// them when they are mapped, and the first damage on the main window is the
// program's own first picture of it.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/StartBenchmark.h"
#include "utility/Posix/BasicRegistry.h"

int main(int argc, char** argv) {
    kvxbench::StartBenchmark run;
    run.name = "BM_StartToMainWindowShown";
    run.program = std::string(KVX_BIN_FOLDER) + "/Quenzel";
    run.titlePrefix = "Quenzel - Let";
    run.summary = "Start to main window shown";
    run.goalMs = 500;
    // The agreement was accepted at an earlier start.
    run.prepareHome = [] {
        CBasicRegistry registry(L"Morvane", L"KVX", HKEY_CURRENT_USER);
        registry.SetDWORD(L"App1", L"EULA", 1);
    };
    // The first start makes the data file.
    run.checkFirstStart = []() -> std::string {
        const char* data = std::getenv("XDG_DATA_HOME");
        const std::string dataFile = std::string(data ? data : "") + "/Morvane/Quenzel/Quenzel.pkv";
        return std::filesystem::exists(dataFile) ? "" : "no data file was made";
    };
    return kvxbench::RunStartBenchmark(argc, argv, run);
}
