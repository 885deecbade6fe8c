#pragma once
// The process-wide registry of the modules' string tables.
//
// Unlike the rest of the utility library, which every module keeps as its
// own hidden copy, this object file is linked into every module directly
// and exports its entry points. The dynamic linker binds every module's
// calls to one definition (the program's, which exports them), so all
// modules share one registry. Use the functions of StringTable.h.

#include <cstddef>

#include "compat/WinTypes.h"

struct StringTableEntry;

extern "C" {
__attribute__((visibility("default"))) void KvxStringTables_Register(HINSTANCE module, const StringTableEntry* entries,
                                                                     size_t count);
__attribute__((visibility("default"))) void KvxStringTables_Unregister(HINSTANCE module,
                                                                       const StringTableEntry* entries);
__attribute__((visibility("default"))) const wchar_t* KvxStringTables_Find(HINSTANCE module, UINT id);
}
