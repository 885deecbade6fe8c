#pragma once
// Runs curl for a download benchmark and waits for it (two minutes at
// most): true when it ended with exit code 0.

#include <string>
#include <vector>

#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

inline bool RunCurl(const std::string& curl, const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"curl"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    HANDLE process = StartProcess(curl, command, "");
    DWORD code = 1;
    if (process && WaitForSingleObject(process, 120000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    if (process) CloseHandle(process);
    return code == 0;
}
