#pragma once
// Builds layout records from the XKB data, without a display: one keymap
// compile per layout (two for Japanese, whose kana come from a keymap of
// their own), read key by key and column by column. A builder serves one
// thread; it owns its XKB context, and the compose data that the dead keys
// need is read the first time a layout has one.

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <memory>
#include <vector>

#include "Fenmarl/Fenmarl.h"
#include "Layouts.h"

namespace fenmarl {

struct XkbDeleter {
    void operator()(xkb_context* p) const { xkb_context_unref(p); }
    void operator()(xkb_keymap* p) const { xkb_keymap_unref(p); }
    void operator()(xkb_state* p) const { xkb_state_unref(p); }
    void operator()(xkb_compose_table* p) const { xkb_compose_table_unref(p); }
    void operator()(xkb_compose_state* p) const { xkb_compose_state_unref(p); }
};
template <class T>
using XkbPtr = std::unique_ptr<T, XkbDeleter>;

// A context that reads the system's XKB data and logs only critical faults.
XkbPtr<xkb_context> NewXkbContext();

// What a built layout owns; the record's pointers point into it.
struct LayoutData {
    st_KBImpl record{};
    std::vector<st_KBChars2> chars2;
    std::vector<st_KBChars3> chars3{st_KBChars3{}};
    std::vector<st_KBChars4> chars4{st_KBChars4{}};
    std::vector<st_KBLookup> lookup2;
    std::vector<st_KBLookup> lookup3{st_KBLookup{}};
    std::vector<st_KBLookup> lookup4{st_KBLookup{}};
    std::vector<std::vector<st_KBDeadEntry>> deadEntries;
    std::vector<st_KBDeadKey> deadKeys;
};

class LayoutBuilder {
public:
    LayoutBuilder();
    ~LayoutBuilder();
    LayoutBuilder(const LayoutBuilder&) = delete;
    LayoutBuilder& operator=(const LayoutBuilder&) = delete;

    // The layout's record; null when the XKB data cannot compile it.
    std::unique_ptr<LayoutData> Build(const LayoutEntry& entry);

private:
    // The keysyms of each key of the layout's scan codes, by column.
    using Sheet = std::vector<std::array<xkb_keysym_t, KB_COLUMNS>>;

    bool ReadKeymap(const char* layout, const char* variant, Sheet& sheet);
    std::unique_ptr<LayoutData> Fill(const Sheet& sheet);
    char32_t DeadChar(xkb_keysym_t sym);
    char32_t Compose(xkb_keysym_t a, xkb_keysym_t b);

    XkbPtr<xkb_context> context_;
    bool composeRead_ = false;
    XkbPtr<xkb_compose_table> table_;
    XkbPtr<xkb_compose_state> compose_;
};

}  // namespace fenmarl
