#pragma once
// The crash reporter. A thread that installed it leaves a report when a
// processor fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL) or an abort (SIGABRT,
// which std::terminate raises too) ends the program in it:
// the program's name, version and time stamp, the faulting module with its
// version and time stamp, the signal and the fault's offset in the module,
// written into "Crash-<process id>.txt" beside the log. Then the signal
// takes its default action (the process ends, with a core dump where the
// system keeps them). A thread reports its first fault only.
//
// The report is written inside the signal handler with async-signal-safe
// calls only: its labels, the program's details and the folder are taken
// when the thread installs the reporter. Faults of threads that did not
// install it go on to whatever handled the signal before.
//
// A fault cannot be turned into an exception here: nothing is thrown, and
// the program does not go on after a fault.

#include <string>

#include "Pendrel/PendrelApi.h"

// Marks the calling thread and, once per process, installs the handler.
// The report folder is the folder of the framework's log file, else the
// program's folder.
PENDREL_API void InstallStructuredExceptionTranslator();

// The file a fault of this process reports into (UTF-8 path); empty until
// a thread installed the reporter.
PENDREL_API std::string KVXGetCrashReportPath();
