#pragma once
// Starting programs. Arguments go to the program as they are, without any
// shell. The child gets this process's environment, no descriptor that is
// marked close-on-exec (every descriptor of the library is), an empty signal
// mask and the default action for SIGPIPE.

#include <string>
#include <vector>

#include "compat/WinTypes.h"

// Starts the program file (a path) with the argument vector (arguments[0]
// is the program's own name) in workingFolder (empty: the current folder).
// The descriptors in inherited are handed to the child under the same
// numbers (the system's inheritable handles); this process keeps them
// close-on-exec. The process handle (ProcessHandle.h), which the caller
// closes; null with the last error when the program cannot be started.
HANDLE StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& workingFolder, const std::vector<int>& inherited = {});

// Starts the program detached: it is not this process's child and is never
// waited for. True once the program runs; false with the last error when
// it could not be started.
bool StartDetachedProcess(const std::string& program, const std::vector<std::string>& arguments);

// The path of a program: a name with '/' as it stands, else the first
// executable file of that name in the folders of PATH; "" when none.
std::string FindProgramOnPath(const std::string& name);
