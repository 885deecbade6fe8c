#include "BorrowedKeys.h"

#include <X11/Xatom.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace fenmarl {

namespace {

const char kProperty[] = "_FENMARL_BORROWED_KEYCODES";

Atom PropertyAtom(Display* display) { return XInternAtom(display, kProperty, False); }

std::vector<BorrowEntry> ReadEntries(Display* display)
{
    std::vector<BorrowEntry> entries;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), PropertyAtom(display), 0, 1 << 16, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && type == XA_CARDINAL && format == 32) {
        // format 32 arrives as longs
        const auto* values = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i + 2 < count; i += 3)
            entries.push_back({uint32_t(values[i]), uint32_t(values[i + 1]), uint32_t(values[i + 2])});
    }
    if (data) XFree(data);
    return entries;
}

void WriteEntries(Display* display, const std::vector<BorrowEntry>& entries)
{
    const Window root = DefaultRootWindow(display);
    if (entries.empty()) {
        XDeleteProperty(display, root, PropertyAtom(display));
        return;
    }
    std::vector<long> values;
    for (const BorrowEntry& entry : entries) {
        values.push_back(long(entry.host));
        values.push_back(long(entry.process));
        values.push_back(long(entry.keycode));
    }
    XChangeProperty(display, root, PropertyAtom(display), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), int(values.size()));
}

// A borrowed key code never repeats: the server would repeat one whose
// release it takes late (when it stalls between our press and release).
void SetRepeat(Display* display, KeyCode keycode, int mode)
{
    XKeyboardControl control{};
    control.key = keycode;
    control.auto_repeat_mode = mode;
    XChangeKeyboardControl(display, KBKey | KBAutoRepeatMode, &control);
}

void EmptyKeyCode(Display* display, KeyCode keycode)
{
    KeySym none = NoSymbol;
    XChangeKeyboardMapping(display, keycode, 1, &none, 1);
    SetRepeat(display, keycode, AutoRepeatModeOn);  // as an empty key code of a keymap has it
}

bool ProcessAlive(uint32_t process)
{
    if (process == uint32_t(getpid())) return false;  // ours: left from an earlier session
    return kill(pid_t(process), 0) == 0 || errno != ESRCH;
}

class ServerGrab {
public:
    explicit ServerGrab(Display* display) : display_(display) { XGrabServer(display_); }
    ~ServerGrab()
    {
        XUngrabServer(display_);
        XSync(display_, False);
    }

private:
    Display* display_;
};

}  // namespace

uint32_t BorrowedKeys::ThisHost()
{
    char name[HOST_NAME_MAX + 1] = {};
    gethostname(name, sizeof name - 1);
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const char* c = name; *c; ++c) hash = (hash ^ uint8_t(*c)) * 16777619u;
    return hash;
}

std::vector<KeyCode> BorrowedKeys::Borrow(Display* display, size_t wanted)
{
    const uint32_t host = ThisHost();
    ServerGrab grab(display);
    std::vector<uint32_t> freed;
    std::vector<BorrowEntry> entries = Prune(
        ReadEntries(display), [&](const BorrowEntry& e) { return e.host != host || ProcessAlive(e.process); },
        freed);
    for (uint32_t keycode : freed) EmptyKeyCode(display, KeyCode(keycode));

    std::vector<KeyCode> borrowed;
    int minKey, maxKey, perKey;
    XDisplayKeycodes(display, &minKey, &maxKey);
    KeySym* map = XGetKeyboardMapping(display, KeyCode(minKey), maxKey - minKey + 1, &perKey);
    if (map) {
        for (int keycode = maxKey; keycode >= minKey && borrowed.size() < wanted; --keycode) {
            const KeySym* syms = map + size_t(keycode - minKey) * size_t(perKey);
            const bool empty = std::all_of(syms, syms + perKey, [](KeySym sym) { return sym == NoSymbol; });
            const bool held = std::any_of(entries.begin(), entries.end(),
                                          [&](const BorrowEntry& e) { return e.keycode == uint32_t(keycode); });
            if (empty && !held) borrowed.push_back(KeyCode(keycode));
        }
        XFree(map);
    }
    const uint32_t self = uint32_t(getpid());
    for (KeyCode keycode : borrowed) {
        entries.push_back({host, self, keycode});
        SetRepeat(display, keycode, AutoRepeatModeOff);
    }
    WriteEntries(display, entries);
    return borrowed;
}

void BorrowedKeys::GiveBack(Display* display, const std::vector<KeyCode>& keycodes)
{
    const uint32_t host = ThisHost(), self = uint32_t(getpid());
    ServerGrab grab(display);
    std::vector<uint32_t> freed;
    const std::vector<BorrowEntry> entries = Prune(
        ReadEntries(display),
        [&](const BorrowEntry& e) {
            return e.host != host || e.process != self ||
                   std::find(keycodes.begin(), keycodes.end(), KeyCode(e.keycode)) == keycodes.end();
        },
        freed);
    for (KeyCode keycode : keycodes) EmptyKeyCode(display, keycode);
    WriteEntries(display, entries);
}

}  // namespace fenmarl
