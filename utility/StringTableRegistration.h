#pragma once
// Registers a module's string table for as long as the object lives. A
// module defines one at namespace scope next to its table:
//
//   const StringTableEntry kStrings[] = {{8200, L"- Physical -"}, ...};
//   const CStringTableRegistration kStringsRegistration(kStrings);
//
// so the table is there from the module's start-up until it is unloaded.

#include <cstddef>

#include "utility/StringTable.h"

class CStringTableRegistration {
public:
    template <size_t N>
    explicit CStringTableRegistration(const StringTableEntry (&entries)[N])
        : m_module(GetCurrentModuleHandle()), m_entries(entries) {
        RegisterStringTable(m_module, entries, N);
    }
    ~CStringTableRegistration() { UnregisterStringTable(m_module, m_entries); }
    CStringTableRegistration(const CStringTableRegistration&) = delete;
    CStringTableRegistration& operator=(const CStringTableRegistration&) = delete;

private:
    HINSTANCE m_module;
    const StringTableEntry* m_entries;
};
