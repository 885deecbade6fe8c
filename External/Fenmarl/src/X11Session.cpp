// One X connection serves the hook and the injection, so that an XSync
// after our own input brings every event it caused before the reply. The
// keys we press and release are noted; the events that match them are ours
// and are never reported. The user's events met meanwhile wait for the next
// DispatchHookEvents.

#include "X11Session.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <set>
#include <thread>
#include <vector>

#include "BorrowedKeys.h"
#include "KeyCodes.h"
#include "Layouts.h"

namespace fenmarl {

namespace {

// X errors of our own requests (a key another client grabbed, a mapping
// the server refuses) are counted, with the serial numbers of the requests
// that failed, never fatal.
int g_xErrors = 0;
std::vector<unsigned long> g_failedRequests;
int CountError(Display*, XErrorEvent* error)
{
    ++g_xErrors;
    g_failedRequests.push_back(error->serial);
    return 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display), previous_(XSetErrorHandler(CountError))
    {
        g_failedRequests.clear();
    }
    ~ErrorTrap()
    {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

using Clock = std::chrono::steady_clock;

// How many key codes an instance borrows.
constexpr size_t kSpareKeys = 8;
// A key code typed with is mapped anew only this long after: a window reads
// the mapping when it meets the mapping's notice, which may be after the next
// change when it is slow, and would then read the key with the later mapping.
constexpr auto kRemapSettle = std::chrono::milliseconds(50);

// A key code we remap to type a character.
struct SpareKey {
    KeyCode keycode;
    KeySym keysym = NoSymbol;  // what it types now
    uint64_t used = 0;         // for reuse of the least recently used
    Clock::time_point typed{}; // its last key event
};

class Session {
public:
    ~Session() { Close(); }

    bool Open()
    {
        if (display_) return true;
        display_ = XOpenDisplay(nullptr);
        if (!display_) return false;
        int event, error, major, minor;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
            XCloseDisplay(display_);
            display_ = nullptr;
            return false;
        }
        FindSpareKeys();
        return true;
    }

    void Close()
    {
        if (!display_) return;
        Uninstall();
        ReleaseHeld(true);
        RestoreSpareKeys();
        XSync(display_, True);
        XCloseDisplay(display_);
        display_ = nullptr;
        spares_.clear();
    }

    void Install(CAbstractKeyboard* keyboard)
    {
        Uninstall();
        if (!keyboard || !Open()) return;
        int opcode, event, error;
        int major = 2, minor = 2;
        if (!XQueryExtension(display_, "XInputExtension", &opcode, &event, &error) ||
            XIQueryVersion(display_, &major, &minor) != Success)
            return;
        xiOpcode_ = opcode;
        const Window root = DefaultRootWindow(display_);
        {
            ErrorTrap trap(display_);
            unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
            XISetMask(bits, XI_RawKeyPress);
            XISetMask(bits, XI_RawKeyRelease);
            XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
            XISelectEvents(display_, root, &mask, 1);
            // One round trip for all the grabs: the serial number of each
            // grab tells which key a refusal concerns.
            size_t count = 0;
            const uint8_t* scans = LayoutScanCodes(count);
            std::vector<std::pair<unsigned long, unsigned int>> grabs;  // request, key code
            for (size_t i = 0; i < count; ++i) {
                const unsigned int keycode = KeyCodeOfScan(scans[i]);
                grabs.emplace_back(NextRequest(display_), keycode);
                XGrabKey(display_, int(keycode), AnyModifier, root, False, GrabModeAsync, GrabModeSync);
                grabbed_.insert(keycode);
            }
            XSync(display_, False);
            for (const auto& [request, keycode] : grabs) {
                if (std::find(g_failedRequests.begin(), g_failedRequests.end(), request) == g_failedRequests.end())
                    continue;
                // Another client (a window manager's shortcut) holds the key
                // with some modifiers: we take it with each combination of
                // modifiers that is still free.
                for (unsigned int modifiers = 0; modifiers < 256; ++modifiers)
                    XGrabKey(display_, int(keycode), modifiers, root, False, GrabModeAsync, GrabModeSync);
            }
        }
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        epoll_event watch{};
        watch.events = EPOLLIN;
        epoll_ctl(epoll_, EPOLL_CTL_ADD, ConnectionNumber(display_), &watch);
        epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &watch);
        keyboard_ = keyboard;
        XFlush(display_);
    }

    void Uninstall()
    {
        if (!keyboard_) return;
        const Window root = DefaultRootWindow(display_);
        {
            ErrorTrap trap(display_);
            for (unsigned int keycode : grabbed_) XUngrabKey(display_, int(keycode), AnyModifier, root);
            unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
            XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
            XISelectEvents(display_, root, &mask, 1);
        }
        grabbed_.clear();
        down_.clear();
        pending_.clear();
        expectedRaw_.clear();
        expectedGrab_.clear();
        keyboard_ = nullptr;
        close(epoll_);
        close(wake_);
        epoll_ = wake_ = -1;
        ReleaseHeld(true);
        XSync(display_, True);
    }

    int Descriptor() const { return keyboard_ ? epoll_ : -1; }

    void BeginInjection() { ++injecting_; }

    void EndInjection()
    {
        if (injecting_ == 0 || --injecting_ != 0 || !display_) return;
        ReleaseHeld(false);
        if (!keyboard_) {
            XSync(display_, True);  // nobody reads the events: drop them
            return;
        }
        TakeEvents();
        // Every raw event of ours is in but those that wait behind a
        // keyboard frozen by the grab of a user's key: the raw events come
        // when the keys are let through. Only the borrowed key codes are
        // still waited for (no key of the user types with them); a grabbed
        // key of ours that waits comes as its grab event.
        expectedRaw_.erase(std::remove_if(expectedRaw_.begin(), expectedRaw_.end(),
                                          [&](const std::pair<unsigned int, bool>& note) { return !IsSpare(note.first); }),
                           expectedRaw_.end());
        WakeIfPending();
    }

    // Reads what the server has for us: our own events are noted as come,
    // the user's wait in pending_.
    void TakeEvents()
    {
        // Our presses of grabbed keys freeze the keyboard until we let them
        // through; letting one through brings its release.
        bool replayed;
        do {
            replayed = false;
            XSync(display_, False);
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                KeyEvent key;
                if (!Read(event, key)) continue;
                if (TakeOurs(key)) {
                    if (key.kind == KeyEvent::GrabPress) {
                        XAllowEvents(display_, ReplayKeyboard, CurrentTime);
                        replayed = true;
                    }
                } else {
                    pending_.push_back(key);
                }
            }
        } while (replayed);
    }

    UINT Inject(UINT count, const st_KBInput* inputs)
    {
        if (!inputs || !Open()) return 0;
        const bool bracketed = injecting_ > 0;
        if (!bracketed) BeginInjection();
        UINT sent = 0;
        for (UINT i = 0; i < count; ++i) {
            const st_KBInput& input = inputs[i];
            const bool up = input.dwFlags & KEYEVENTF_KEYUP;
            if (input.dwFlags & KEYEVENTF_UNICODE) {
                if (up || TypeUnit(input.wScan)) ++sent;  // the release came with the press
            } else if (SendVirtualKey(input.wVk, !up)) {
                ++sent;
            }
        }
        XFlush(display_);
        if (!bracketed) EndInjection();
        return sent;
    }

    void Dispatch()
    {
        if (!keyboard_) return;
        uint64_t drained;
        while (read(wake_, &drained, sizeof drained) > 0) {}
        for (;;) {
            KeyEvent key;
            if (!pending_.empty()) {
                key = pending_.front();
                pending_.pop_front();
            } else if (keyboard_ && XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (!Read(event, key)) continue;
            } else {
                break;
            }
            if (!keyboard_) break;
            if (!TakeOurs(key))
                Handle(key);
            else if (key.kind == KeyEvent::GrabPress)
                XAllowEvents(display_, ReplayKeyboard, CurrentTime);
        }
    }

private:
    struct KeyEvent {
        enum Kind { GrabPress, RawPress, RawRelease } kind;
        unsigned int keycode;
    };

    // The key event an X event carries; false for none.
    bool Read(XEvent& event, KeyEvent& key)
    {
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            return false;
        }
        if (event.type == KeyPress) {
            key = {KeyEvent::GrabPress, event.xkey.keycode};
            return true;
        }
        if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_) return false;
        if (!XGetEventData(display_, &event.xcookie)) return false;
        const int type = event.xcookie.evtype;
        key.keycode = unsigned(static_cast<const XIRawEvent*>(event.xcookie.data)->detail);
        XFreeEventData(display_, &event.xcookie);
        if (type != XI_RawKeyPress && type != XI_RawKeyRelease) return false;
        key.kind = type == XI_RawKeyPress ? KeyEvent::RawPress : KeyEvent::RawRelease;
        return true;
    }

    // True (and the note gone) when we pressed or released that key.
    bool TakeOurs(const KeyEvent& key)
    {
        if (key.kind == KeyEvent::GrabPress) {
            auto it = std::find(expectedGrab_.begin(), expectedGrab_.end(), key.keycode);
            if (it == expectedGrab_.end()) return false;
            expectedGrab_.erase(it);
            return true;
        }
        const std::pair<unsigned int, bool> note{key.keycode, key.kind == KeyEvent::RawPress};
        auto it = std::find(expectedRaw_.begin(), expectedRaw_.end(), note);
        if (it == expectedRaw_.end()) return false;
        expectedRaw_.erase(it);
        return true;
    }

    void WakeIfPending()
    {
        if (keyboard_ && (!pending_.empty() || XQLength(display_) > 0)) {
            const uint64_t one = 1;
            [[maybe_unused]] auto written = write(wake_, &one, sizeof one);
        }
    }

    bool IsSpare(unsigned int keycode) const
    {
        return std::any_of(spares_.begin(), spares_.end(), [&](const SpareKey& s) { return s.keycode == keycode; });
    }

    // Every key we press or release goes through here.
    void FakeKey(unsigned int keycode, bool down)
    {
        XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
        if (!keyboard_) return;
        expectedRaw_.emplace_back(keycode, down);
        if (down && grabbed_.count(keycode)) expectedGrab_.push_back(keycode);
    }

    bool NumLockOn()
    {
        unsigned int state = 0;
        return XkbGetIndicatorState(display_, XkbUseCoreKbd, &state) == Success && (state & 2u);
    }

    void Handle(const KeyEvent& key)
    {
        if (key.kind == KeyEvent::GrabPress && !down_.count(key.keycode)) {
            // A press of a key that is up: the server's autorepeat, which
            // goes on for a key whose release waited behind our grab while
            // we were slow, after the release. It is no key of the user's:
            // the grab ends and the key is released at the server, which
            // ends the repeat.
            XUngrabKeyboard(display_, CurrentTime);
            BeginInjection();
            FakeKey(key.keycode, false);
            EndInjection();
            return;
        }
        if (key.kind == KeyEvent::RawPress) down_.insert(key.keycode);
        if (key.kind == KeyEvent::RawRelease) down_.erase(key.keycode);
        const PhysicalKey physical = PhysicalKeyOf(key.keycode, NumLockOn());
        if (key.kind == KeyEvent::GrabPress) {
            // a grabbed key: the program decides whether it passes
            const int character = keyboard_->TranslateKey(physical.scanCode) & 0xFFFF;
            if (character) {
                // The press ends here; ending the grab (rather than letting
                // the keyboard run on under it) sends our own typing and the
                // keys that follow to the focus again.
                XUngrabKeyboard(display_, CurrentTime);
            } else {
                XAllowEvents(display_, ReplayKeyboard, CurrentTime);
            }
            // Our key events that waited behind the press go out only now:
            // the windows read their mapping from now on.
            const Clock::time_point now = Clock::now();
            for (SpareKey& spare : spares_) spare.typed = std::max(spare.typed, now);
            XFlush(display_);
            keyboard_->OnKeyDown(physical.scanCode, physical.virtualKey, 0);
        } else if (key.kind == KeyEvent::RawPress) {
            // a grabbed key's press comes as its grab event
            if (!grabbed_.count(key.keycode)) keyboard_->OnKeyDown(physical.scanCode, physical.virtualKey, 0);
        } else {
            keyboard_->OnKeyUp(physical.scanCode, physical.virtualKey, 0);
        }
    }

    // Key codes the current mapping leaves empty and no other instance
    // holds, noted as ours on the display.
    void FindSpareKeys()
    {
        ErrorTrap trap(display_);
        for (KeyCode keycode : BorrowedKeys::Borrow(display_, kSpareKeys)) spares_.push_back({keycode});
    }

    void RestoreSpareKeys()
    {
        if (spares_.empty()) return;
        ErrorTrap trap(display_);
        std::vector<KeyCode> keycodes;
        for (const SpareKey& spare : spares_) keycodes.push_back(spare.keycode);
        BorrowedKeys::GiveBack(display_, keycodes);
        for (SpareKey& spare : spares_) spare.keysym = NoSymbol;
    }

    // The server has the new mapping and has sent its notice (XSync reads
    // it in); our own table follows it, so the key event that uses the key
    // code goes out only now.
    void TakeMappingNotices()
    {
        XSync(display_, False);
        XEvent event;
        while (XCheckTypedEvent(display_, MappingNotify, &event)) XRefreshKeyboardMapping(&event.xmapping);
    }

    // One UTF-16 unit; a surrogate pair is joined before it is typed, a
    // lone surrogate is dropped. False when nothing could be typed.
    bool TypeUnit(WORD unit)
    {
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate_ = unit;
            return true;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (!highSurrogate_) return false;
            cp = 0x10000 + ((char32_t(highSurrogate_) - 0xD800) << 10) + (unit - 0xDC00);
        }
        highSurrogate_ = 0;
        return TypeCharacter(cp);
    }

    // The key types `keysym` on both of its levels, with a key type that
    // takes Shift and Caps Lock as its own, so that neither changes the
    // character (a window applies Caps Lock to the case of a character only
    // where the key does not take it).
    bool MapSpareKey(KeyCode keycode, KeySym keysym)
    {
        ErrorTrap trap(display_);
        g_xErrors = 0;
        XkbDescPtr xkb = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
        bool mapped = false;
        if (xkb) {
            int types[XkbNumKbdGroups] = {XkbAlphabeticIndex};
            XkbMapChangesRec changes{};
            if (XkbChangeTypesOfKey(xkb, keycode, 1, XkbGroup1Mask, types, &changes) == Success) {
                if (KeySym* syms = XkbResizeKeySyms(xkb, keycode, 2)) {
                    syms[0] = syms[1] = keysym;
                    changes.changed |= XkbKeySymsMask;
                    changes.first_key_sym = keycode;
                    changes.num_key_syms = 1;
                    mapped = XkbChangeMap(display_, xkb, &changes);
                }
            }
            XkbFreeKeyboard(xkb, 0, True);
        }
        if (!mapped) {
            KeySym syms[2] = {keysym, keysym};
            XChangeKeyboardMapping(display_, keycode, 2, syms, 1);
        }
        XSync(display_, False);
        return g_xErrors == 0;
    }

    bool TypeCharacter(char32_t cp)
    {
        const KeySym keysym = xkb_utf32_to_keysym(cp);
        if (keysym == NoSymbol || spares_.empty()) return false;
        auto spare = std::find_if(spares_.begin(), spares_.end(), [&](const SpareKey& s) { return s.keysym == keysym; });
        if (spare == spares_.end()) {
            // The least recently used key takes the character; it keeps it
            // until another character needs the key, so a window that reads
            // the mapping late still finds it.
            spare = std::min_element(spares_.begin(), spares_.end(),
                                     [](const SpareKey& a, const SpareKey& b) { return a.used < b.used; });
            const Clock::time_point settled = spare->typed + kRemapSettle;
            if (Clock::now() < settled) {
                XSync(display_, False);
                std::this_thread::sleep_until(settled);
            }
            if (!MapSpareKey(spare->keycode, keysym)) return false;
            spare->keysym = keysym;
            TakeMappingNotices();
        }
        spare->used = ++clock_;
        spare->typed = Clock::now();
        FakeKey(spare->keycode, true);
        FakeKey(spare->keycode, false);
        return true;
    }

    bool SendVirtualKey(unsigned int vk, bool down)
    {
        unsigned int keycode = 0;
        if (const unsigned long keysym = KeysymOfVirtualKey(vk)) keycode = XKeysymToKeycode(display_, keysym);
        if (!keycode) keycode = UsKeyCodeOfVirtualKey(vk);
        if (!keycode) return false;
        if (down) {
            held_.push_back({keycode, vk});
        } else {
            auto it = std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.keycode == keycode; });
            if (it != held_.end()) held_.erase(it);
        }
        FakeKey(keycode, down);
        return true;
    }

    // Releases what we hold: every key, or all but Shift, Ctrl and Alt,
    // which a combination keeps down from one injection to the next.
    void ReleaseHeld(bool all)
    {
        if (!display_) return;
        for (auto it = held_.begin(); it != held_.end();) {
            if (all || !IsShiftCtrlOrAlt(it->vk)) {
                FakeKey(it->keycode, false);
                it = held_.erase(it);
            } else {
                ++it;
            }
        }
        XFlush(display_);
    }

    struct Held {
        unsigned int keycode;
        unsigned int vk;
    };

    Display* display_ = nullptr;
    int xiOpcode_ = -1;
    CAbstractKeyboard* keyboard_ = nullptr;
    std::set<unsigned int> grabbed_;
    std::set<unsigned int> down_;  // the user's keys held, from the raw events
    int epoll_ = -1;
    int wake_ = -1;
    int injecting_ = 0;
    std::vector<std::pair<unsigned int, bool>> expectedRaw_;  // our presses (true) and releases
    std::vector<unsigned int> expectedGrab_;                  // our presses of grabbed keys
    std::deque<KeyEvent> pending_;                            // the user's, met while we injected
    std::vector<SpareKey> spares_;
    uint64_t clock_ = 0;
    std::vector<Held> held_;
    WORD highSurrogate_ = 0;
};

Session& TheSession()
{
    static Session session;
    return session;
}

}  // namespace

void InstallX11Hook(CAbstractKeyboard* keyboard) { TheSession().Install(keyboard); }
void UninstallX11Hook() { TheSession().Close(); }
void BeginInjection() { TheSession().BeginInjection(); }
void EndInjection() { TheSession().EndInjection(); }
UINT Inject(UINT count, const st_KBInput* inputs) { return TheSession().Inject(count, inputs); }
int HookDescriptor() { return TheSession().Descriptor(); }
void DispatchX11Events() { TheSession().Dispatch(); }

}  // namespace fenmarl
