#pragma once
// The settings store of the main program and of the keyboard program: the
// current user's key Software\Morvane\Quenzel. Both programs write that
// key while both may run, so the store writes only the values this process
// changed (ChangeOnlyRegistry.h), each on its own: a value the other
// program wrote meanwhile stays.

#include <memory>

#include "utility/Registry.h"

std::unique_ptr<CRegistry> OpenProgramSettings();
