#include "utility/StringTable.h"

#include <dlfcn.h>

#include "utility/ProcessWide/StringTableRegistry.h"

HINSTANCE GetModuleHandleFromAddress(const void* address) {
    Dl_info info;
    if (!address || !dladdr(address, &info)) return nullptr;
    return info.dli_fbase;
}

void RegisterStringTable(HINSTANCE module, const StringTableEntry* entries, size_t count) {
    if (!module || !entries) return;
    KvxStringTables_Register(module, entries, count);
}

void UnregisterStringTable(HINSTANCE module, const StringTableEntry* entries) {
    if (!module || !entries) return;
    KvxStringTables_Unregister(module, entries);
}

const wchar_t* FindModuleString(HINSTANCE module, UINT id) {
    if (!module) return nullptr;
    return KvxStringTables_Find(module, id);
}
