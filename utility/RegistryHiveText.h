#pragma once
// The file form of a settings hive: UTF-8 text, one line per key and per
// value, keys in the order of a walk from the hive's top, each followed by
// its own values:
//
//   ; Morvane settings hive
//   [SOFTWARE\Morvane\Quenzel\Settings]
//   "FaceName"="Tahoma"
//   "BackColor"=dword:00ffffff
//   "UserSyncPassword"=hex:01,00,00,00,9a,3f
//   "Odd"=hex(7):61,00,00,00,00,00
//
// - A key line holds the key's path from the hive's top, '\' between the
//   names; "[]" is the top itself. Every key has its line, also one without
//   values, so that keys made by reading stay.
// - A value line holds the quoted name, '=' and the data: a quoted text for
//   REG_SZ, "dword:" and 8 hex digits for REG_DWORD, "hex:" and the bytes for
//   REG_BINARY, "hex(type):" and the bytes for any other type and for data
//   that does not fit its type's form (a text without its terminator, a
//   number of another size).
// - In names, paths and texts, '%', '"', control characters and characters
//   that UTF-8 cannot hold (lone surrogates) are written as "%{hex}".
// - Lines starting with ';' and empty lines are skipped; a CR before the
//   line end is ignored.
//
// Reading never fails: a line that does not read is skipped and counted,
// and the values under a key line that does not read are skipped with it,
// so a damaged file gives what is sound in it.

#include <cstddef>
#include <string>

class CRegistryKey;

struct RegistryHiveDamage {
    int badLines = 0;       // lines that could not be read
    int firstBadLine = 0;   // 1-based number of the first of them, 0 when none
    int skippedValues = 0;  // sound value lines under a key line that could not be read
};

// Reads a hive file into top (which should be empty; entries are merged).
RegistryHiveDamage ParseRegistryHive(const char* text, size_t length, CRegistryKey& top);

// The file form of the keys below and including top.
std::string FormatRegistryHive(const CRegistryKey& top);
