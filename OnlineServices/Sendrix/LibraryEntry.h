#pragma once
// Library-wide state of the online-services library besides its log sink
// (which is the utility library's, LibraryLog.h: each loaded copy of the
// library has its own).

#include "compat/WinTypes.h"

// The library's own module handle (its load address).
HINSTANCE GetModuleInstance();
