#pragma once
// The thread's last error, one per thread for the whole process.
//
// Like the string-table registry, this object file is linked into every
// module directly and exports its entry point, and the dynamic linker binds
// every module's calls to the program's definition: an error that a call
// inside a shared library leaves is what GetLastError() gives in the
// program on the same thread. Use the functions of Posix/SystemError.h.

#include "compat/WinTypes.h"

extern "C" {
// The calling thread's last-error slot.
__attribute__((visibility("default"))) DWORD* KvxLastError_Slot();
}
