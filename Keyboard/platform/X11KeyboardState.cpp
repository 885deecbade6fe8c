#include "Keyboard/platform/X11KeyboardState.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

// A connection of our own for the queries, opened on first use and kept.
Display* QueryDisplay() {
    static Display* display = [] {
        return QGuiApplication::platformName() == QLatin1String("xcb") ? XOpenDisplay(nullptr) : nullptr;
    }();
    return display;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

} // namespace

unsigned long GetFocusWindow() {
    Display* display = QueryDisplay();
    if (!display) return 0;
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == PointerRoot || focus == None ? 0 : focus;
}

void RestoreFocusWindow(unsigned long window) {
    Display* display = QueryDisplay();
    if (!display || !window) return;
    XSync(display, False);
    auto* previous = XSetErrorHandler(IgnoreXError);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    XSetErrorHandler(previous);
}

namespace {

// The first layout of the session's XKB rule names ("us", "de", ...).
std::string SessionLayout() {
    Display* display = QueryDisplay();
    if (!display) return {};
    const Atom names = XInternAtom(display, "_XKB_RULES_NAMES", True);
    if (names == None) return {};
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), names, 0, 1024, False, XA_STRING, &type, &format,
                           &count, &after, &data) != Success || !data)
        return {};
    // rules, model, layout, variant, options, each ended by a NUL
    std::string layout;
    const char* text = reinterpret_cast<const char*>(data);
    size_t at = 0;
    for (int field = 0; field < 2 && at < count; ++field) at += strnlen(text + at, count - at) + 1;
    if (at < count) layout.assign(text + at, strnlen(text + at, count - at));
    XFree(data);
    return layout.substr(0, layout.find(','));
}

struct SessionLayoutId {
    const char* layout;
    unsigned id;
};
// The hook library's layout ids of the common session layouts.
const SessionLayoutId kLayoutIds[] = {
    {"us", 0x409},  {"de", 0x407},  {"fr", 0x40C},  {"ru", 0x419},  {"gb", 0x809},  {"es", 0x40A},
    {"it", 0x410},  {"nl", 0x413},  {"pt", 0x816},  {"br", 0x416},  {"pl", 0x415},  {"cz", 0x405},
    {"sk", 0x41B},  {"hu", 0x40E},  {"dk", 0x406},  {"se", 0x41D},  {"no", 0x414},  {"fi", 0x40B},
    {"gr", 0x408},  {"tr", 0x41F},  {"ua", 0x422},  {"bg", 0x402},  {"ch", 0x807},  {"be", 0x80C},
    {"ca", 0x1009}, {"jp", 0x4FFFF}, {"kr", 0x3FFFF}, {"il", 0x40D}, {"ara", 0x401}, {"th", 0x41E},
};

// The X key codes (evdev) of the virtual keys asked about.
struct HeldKey {
    int virtualKey;
    KeyCode keycodes[2];
};
const HeldKey kHeldKeys[] = {
    {16, {50, 62}}, {17, {37, 105}}, {18, {64, 108}}, {160, {50, 0}},
    {161, {62, 0}}, {162, {37, 0}},  {163, {105, 0}}, {164, {64, 0}}, {165, {108, 0}},
};

} // namespace

BOOL GetKeyboardLayoutNameW(wchar_t* name) {
    if (!name) return FALSE;
    unsigned id = 0x409;
    const std::string layout = SessionLayout();
    for (const SessionLayoutId& entry : kLayoutIds)
        if (layout == entry.layout) id = entry.id;
    swprintf(name, 9, L"%08X", id);
    return TRUE;
}

bool CX11PhysicalKeys::IsHeld(int virtualKey) const {
    Display* display = QueryDisplay();
    if (!display) return false;
    char keys[32];
    XQueryKeymap(display, keys);
    for (const HeldKey& key : kHeldKeys) {
        if (key.virtualKey != virtualKey) continue;
        for (KeyCode code : key.keycodes)
            if (code && (keys[code / 8] >> (code % 8)) & 1) return true;
    }
    return false;
}

bool CX11PhysicalKeys::IsToggled(int virtualKey) const {
    Display* display = QueryDisplay();
    unsigned int state = 0;
    if (!display || XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success) return false;
    if (virtualKey == 20) return state & 1u;
    if (virtualKey == 144) return state & 2u;
    return false;
}
