#pragma once
// The layouts of the keyboard-hook library: a table of layout ids, name
// string ids and XKB layouts, and the layout records built from the XKB
// data without a display.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Fenmarl/Fenmarl.h"

namespace fenmarl {

struct LayoutEntry {
    unsigned int id;
    unsigned int nameId;
    const char* layout;   // XKB layout
    const char* variant;  // XKB variant, "" for the default
};

// Every layout of the table, offered or not.
const LayoutEntry* LayoutTable(size_t& count);

// The layouts whose symbols the XKB data here has, in table order; none is
// built for it.
const LayoutEntry* const* OfferedLayouts(size_t& count);

// Whether the XKB data has the layout's symbols: the symbols file of its
// name in the first of `folders` (XKB include folders) that has one, and in
// that file a section of its variant's name (any section for the default).
// Reading these files takes milliseconds where compiling every layout takes
// a second and more. `files` keeps the files read, by name.
bool HasSymbols(const LayoutEntry& entry, const std::vector<std::string>& folders,
                std::map<std::string, std::string>& files);

// Fills `data` with layout `id`, built on the first call for it and kept;
// false for an unknown layout or one the XKB data cannot compile.
bool FillLayout(unsigned int id, st_KBImpl& data);

// The modifier flags of a column (Shift 1, left Ctrl 2, Alt 4, right Ctrl 8,
// Caps Lock 0x10).
unsigned int ColumnFlags(int column);

// The scan codes that carry the layout's characters.
const uint8_t* LayoutScanCodes(size_t& count);

// The X key code of a scan code (evdev numbering).
unsigned int KeyCodeOfScan(unsigned int scan);

}  // namespace fenmarl
