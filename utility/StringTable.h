#pragma once
// String tables of the modules (the programs and shared libraries). Each
// module registers its tables at start-up (see StringTableRegistration.h)
// under its own module handle; CBasicString::LoadString looks a text up by
// module handle and id. The tables are process-wide: any module finds the
// texts of any other module, although each keeps its own copy of the
// utility library.
//
// A module handle (HINSTANCE) is the load address of the module, found with
// dladdr from an address inside it.

#include <cstddef>

#include "compat/WinTypes.h"

struct StringTableEntry {
    UINT id;
    const wchar_t* text;
};

// The handle of the module that holds the address; null when none does.
HINSTANCE GetModuleHandleFromAddress(const void* address);

// The handle of the module this is compiled into. Static on purpose: every
// module that includes this header resolves its own handle.
static inline HINSTANCE GetCurrentModuleHandle() {
    static const char anchor = 0;
    return GetModuleHandleFromAddress(&anchor);
}

// The table (kept, not copied) is found under module until it is
// unregistered; a later table wins for an id that two tables hold.
void RegisterStringTable(HINSTANCE module, const StringTableEntry* entries, size_t count);
void UnregisterStringTable(HINSTANCE module, const StringTableEntry* entries);

// The text of id in the module's tables; null when none holds it.
const wchar_t* FindModuleString(HINSTANCE module, UINT id);
