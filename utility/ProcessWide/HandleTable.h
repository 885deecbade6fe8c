#pragma once
// The process-wide table of handles: a HANDLE is a number that names an
// object in this table, never the object's address, so that a closed or
// unknown handle is recognised instead of being followed. Handle numbers
// are never given out twice.
//
// Like the string-table registry, this object file is linked into every
// module directly and exports its entry points, and the dynamic linker binds
// every module's calls to the program's definition: a handle made in one
// module is valid in every other. Use the functions of Posix/Handle.h.

#include "compat/WinTypes.h"

extern "C" {
// A new handle for object; null when memory runs out.
__attribute__((visibility("default"))) HANDLE KvxHandles_Insert(void* object);
// The object of the handle; null for a closed or unknown handle.
__attribute__((visibility("default"))) void* KvxHandles_Find(HANDLE handle);
// Takes the handle out of the table and gives its object, which the caller
// then frees; null for a closed or unknown handle.
__attribute__((visibility("default"))) void* KvxHandles_Remove(HANDLE handle);
}
