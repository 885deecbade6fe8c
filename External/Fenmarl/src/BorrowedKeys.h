#pragma once
// The key codes the library borrows to type characters the keyboard map
// lacks. Every instance on a display notes the key codes it holds in one
// property of the root window (host, process id, key code per entry), so
// that no two instances take the same key code and a later start gives back
// the key codes of an instance that was killed. The property is read and
// written with the server grabbed.

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

namespace fenmarl {

struct BorrowEntry {
    uint32_t host;     // a hash of the host's name
    uint32_t process;  // the owner's process id
    uint32_t keycode;
};

class BorrowedKeys {
public:
    // Up to `wanted` key codes the keyboard map leaves empty and no live
    // instance holds, now noted as ours, with their autorepeat off. Key
    // codes of instances of this host that ended without giving them back
    // are emptied and reused first.
    static std::vector<KeyCode> Borrow(Display* display, size_t wanted);
    // Empties the key codes, turns their autorepeat on again and removes our
    // notes.
    static void GiveBack(Display* display, const std::vector<KeyCode>& keycodes);

    // The hash of this host's name as the entries note it.
    static uint32_t ThisHost();
    // The entries that stay when the instances for which `alive` is false
    // are removed; `freed` receives the key codes of the removed ones.
    template <class Alive>
    static std::vector<BorrowEntry> Prune(const std::vector<BorrowEntry>& entries, Alive alive,
                                          std::vector<uint32_t>& freed)
    {
        std::vector<BorrowEntry> kept;
        for (const BorrowEntry& entry : entries) {
            if (alive(entry))
                kept.push_back(entry);
            else
                freed.push_back(entry.keycode);
        }
        return kept;
    }
};

}  // namespace fenmarl
