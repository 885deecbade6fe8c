#pragma once
// Where the keyboard program's keys lie, for tests that click them: kept
// apart from the main program's headers, whose control ids overlap.

#include "compat/WinTypes.h"

namespace kvxtest {

// The keyboard dialog's template id.
UINT KeyboardDialogId();
// The control of the key that types `character` plain in the layout; 0 when
// no key does.
UINT KeyboardKeyOf(unsigned layout, char16_t character);

} // namespace kvxtest
