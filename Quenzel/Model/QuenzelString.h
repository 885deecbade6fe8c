#pragma once
// The main program's texts: the string tables its parts register
// (StringTableRegistration.h), looked up by id.

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

// The text of the main program's string id ("" when there is none).
CBasicString QuenzelString(UINT id);
