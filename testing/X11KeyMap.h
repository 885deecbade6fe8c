#pragma once
// The X server's key map as the tests read it: a key code's keysym as the
// server maps it at the moment of asking (so that a key code mapped anew for
// each character reads right however a client library caches the mapping),
// and the whole map, to compare it before and after a program ran.

#include <X11/Xlib.h>

#include <vector>

namespace kvxtest {

// Shift chooses the second level where the key has one.
inline KeySym KeysymNow(Display* display, const XKeyEvent& key) {
    int perKey = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(key.keycode), 1, &perKey);
    KeySym keysym = NoSymbol;
    if (syms && perKey > 0) {
        keysym = syms[0];
        if ((key.state & ShiftMask) && perKey > 1 && syms[1] != NoSymbol) keysym = syms[1];
    }
    if (syms) XFree(syms);
    return keysym;
}

// One row of keysyms per key code, without the trailing empty ones.
inline std::vector<std::vector<KeySym>> KeyMapNow(Display* display) {
    int minKey = 0, maxKey = 0, perKey = 0;
    XDisplayKeycodes(display, &minKey, &maxKey);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minKey), maxKey - minKey + 1, &perKey);
    std::vector<std::vector<KeySym>> rows;
    for (int keycode = minKey; map && keycode <= maxKey; ++keycode) {
        const KeySym* syms = map + static_cast<size_t>(keycode - minKey) * static_cast<size_t>(perKey);
        std::vector<KeySym> row(syms, syms + perKey);
        while (!row.empty() && row.back() == NoSymbol) row.pop_back();
        rows.push_back(row);
    }
    if (map) XFree(map);
    return rows;
}

} // namespace kvxtest
