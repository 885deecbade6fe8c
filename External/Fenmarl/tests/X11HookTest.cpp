// The hook and the injection against an Xvfb of the test's own: a window of
// the test takes the focus and reads what arrives, as any program would.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <string>
#include <utility>
#include <vector>

#include "BorrowedKeys.h"
#include "Fenmarl/Fenmarl.h"
#include "testing/X11KeyMap.h"
#include "testing/XvfbServer.h"

namespace {

struct Typed {
    bool arrived;
    char32_t character;
    unsigned int state;
};

class FenmarlX11 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server_.Running()) << "Xvfb did not start";
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do XWindowEvent(display_, window_, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }

    void TearDown() override
    {
        UninstallHook();
        if (display_) XCloseDisplay(display_);
    }

    // Waits for the next key press at the window, running the hook's
    // events meanwhile; not arrived when none comes. The bound is generous: a
    // real X server is involved, and only a lost key meets it.
    Typed NextPress()
    {
        for (;;) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
                if (event.type != KeyPress) continue;
                return {true, xkb_keysym_to_utf32(kvxtest::KeysymNow(display_, event.xkey)), event.xkey.state};
            }
            if (!WaitAndDispatch()) return {false, 0, 0};
        }
    }

    // The characters typed at the window up to and including `last`.
    std::u32string TextUpTo(char32_t last)
    {
        std::u32string text;
        for (;;) {
            const Typed typed = NextPress();
            if (!typed.arrived) return text + U"<nothing more>";
            if (typed.character) text += typed.character;
            if (typed.character == last) return text;
        }
    }

    // Waits for the window's connection or the hook's descriptor.
    bool WaitAndDispatch()
    {
        pollfd watch[2] = {{ConnectionNumber(display_), POLLIN, 0}, {GetHookDescriptor(), POLLIN, 0}};
        const int count = watch[1].fd >= 0 ? 2 : 1;
        if (poll(watch, nfds_t(count), 20000) <= 0) return false;
        if (count == 2 && (watch[1].revents & POLLIN)) DispatchHookEvents();
        return true;
    }

    static void Type(const std::u16string& units)
    {
        for (char16_t unit : units) {
            const st_KBInput records[2] = {{0, WORD(unit), KEYEVENTF_UNICODE, 0, 0},
                                           {0, WORD(unit), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
            ProcessKeyboardEvent(0);
            EXPECT_EQ(SendKeyboardInput(2, records), 2u);
            ProcessKeyboardEvent(1);
        }
    }

    static void SendKey(WORD vk, bool down)
    {
        const st_KBInput record{vk, 0, down ? 0u : KEYEVENTF_KEYUP, 0, 0};
        ProcessKeyboardEvent(0);
        EXPECT_EQ(SendKeyboardInput(1, &record), 1u);
        ProcessKeyboardEvent(1);
    }

    int KeysHeld()
    {
        XSync(display_, False);
        char keys[32];
        XQueryKeymap(display_, keys);
        int held = 0;
        for (char byte : keys)
            for (int bit = 0; bit < 8; ++bit) held += (byte >> bit) & 1;
        return held;
    }

    kvxtest::XvfbServer server_;
    Display* display_ = nullptr;
    Window window_ = 0;
};

TEST_F(FenmarlX11, InjectedCharactersArriveWhateverTheLayout)
{
    // one unit at a time, as the keyboard program sends them; a surrogate
    // pair becomes one character, a lone surrogate nothing
    Type(u"éйΩé😀\xD800.");
    EXPECT_EQ(TextUpTo(U'.'), U"éйΩé😀.");
    EXPECT_EQ(KeysHeld(), 0);

    // a lone low surrogate is not sent; its release record is
    const st_KBInput lone[2] = {{0, 0xDC00, KEYEVENTF_UNICODE, 0, 0},
                                {0, 0xDC00, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
    EXPECT_EQ(SendKeyboardInput(2, lone), 1u);
    Type(u"!");
    EXPECT_EQ(TextUpTo(U'!'), U"!");
}

TEST_F(FenmarlX11, CapsLockDoesNotChangeInjectedCharacters)
{
    XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display_, False);
    Type(u"éйa.");
    EXPECT_EQ(TextUpTo(U'.'), U"éйa.");
}

TEST_F(FenmarlX11, CtrlCombinationLeavesNoKeyHeld)
{
    SendKey(162, true);   // left Ctrl
    SendKey('A', true);   // the letter, with no release of its own
    SendKey(162, false);
    Typed typed;
    do typed = NextPress();
    while (typed.arrived && typed.character == 0);  // Ctrl itself
    EXPECT_EQ(typed.character, U'a');
    EXPECT_TRUE(typed.state & ControlMask);
    EXPECT_EQ(KeysHeld(), 0);

    // a fixed key sends its press only; it is released all the same
    SendKey(13, true);
    typed = NextPress();
    EXPECT_TRUE(typed.arrived);
    EXPECT_EQ(typed.character, U'\r');
    EXPECT_EQ(KeysHeld(), 0);
}

// The program's side of the hook with the Russian layout chosen: a key
// types its character of the layout unless Ctrl is held; the program types
// it itself, as its on-screen key does.
class CRussianKeyboard : public CAbstractKeyboard {
public:
    CRussianKeyboard() { EXPECT_EQ(GetKeyboardData(0x419, layout_), 1); }

    int TranslateKey(int scanCode) override
    {
        if (ctrl_) return 0;
        for (int i = 0; i < layout_.keyCount; ++i)
            if (layout_.keys[i].scanCode == scanCode) return layout_.keys[i].chars[0];
        return 0;
    }
    void OnKeyDown(int scanCode, int virtualKey, int) override
    {
        downs.emplace_back(scanCode, virtualKey);
        if (virtualKey == 162) ctrl_ = true;
        if (const int character = TranslateKey(scanCode)) {
            const st_KBInput records[2] = {{0, WORD(character), KEYEVENTF_UNICODE, 0, 0},
                                           {0, WORD(character), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
            ProcessKeyboardEvent(0);
            SendKeyboardInput(2, records);
            ProcessKeyboardEvent(1);
        }
    }
    void OnKeyUp(int scanCode, int virtualKey, int) override
    {
        ups.emplace_back(scanCode, virtualKey);
        if (virtualKey == 162) ctrl_ = false;
    }

    std::vector<std::pair<int, int>> downs, ups;

private:
    st_KBImpl layout_{};
    bool ctrl_ = false;
};

TEST_F(FenmarlX11, HookSwallowsTranslatedKeysAndPassesTheOthers)
{
    // another client holds Super+Q, as a window manager holds its shortcuts
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XGrabKey(other, 24, Mod4Mask, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);

    CRussianKeyboard keyboard;
    InstallHook(nullptr, &keyboard);
    ASSERT_GE(GetHookDescriptor(), 0);
    const auto key = [&](unsigned int keycode, bool down) {
        XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
        XFlush(display_);
    };

    // physical keys, one after the other: Q types the Russian letter, and
    // the window never sees the Latin one
    key(24, true);
    key(24, false);
    EXPECT_EQ(TextUpTo(U'й'), U"й");
    // Ctrl+W is not translated and reaches the window as it is
    key(37, true);
    key(25, true);
    key(25, false);
    key(37, false);
    Typed typed;
    do typed = NextPress();
    while (typed.arrived && typed.character == 0);  // Ctrl itself
    EXPECT_EQ(typed.character, U'w');
    EXPECT_TRUE(typed.state & ControlMask);
    // Shift is no key of the layout; it is reported all the same
    key(50, true);
    key(50, false);
    while (keyboard.ups.size() < 4)
        ASSERT_TRUE(WaitAndDispatch()) << "key releases not reported";

    // our own typing is not reported as the user's
    Type(u".");
    EXPECT_EQ(TextUpTo(U'.'), U".");
    EXPECT_EQ(keyboard.downs, (std::vector<std::pair<int, int>>{{16, 'Q'}, {29, 162}, {17, 'W'}, {42, 160}}));
    EXPECT_EQ(keyboard.ups, (std::vector<std::pair<int, int>>{{16, 'Q'}, {17, 'W'}, {29, 162}, {42, 160}}));
    EXPECT_EQ(KeysHeld(), 0);

    // after UninstallHook the keys reach the window untouched
    UninstallHook();
    EXPECT_EQ(GetHookDescriptor(), -1);
    key(24, true);
    key(24, false);
    EXPECT_EQ(TextUpTo(U'q'), U"q");
    EXPECT_EQ(keyboard.downs.size(), 4u);
    XCloseDisplay(other);
}

// The program's side, slow on the first key it types: it returns only when
// the server's clock has passed the autorepeat delay and two repeats, so the
// next key, taken by the hook's grab meanwhile, would repeat were its
// release not seen. The server holds a request given a delay until its
// clock has passed it, and the reply to the request after it waits too.
class CSlowRussianKeyboard : public CRussianKeyboard {
public:
    explicit CSlowRussianKeyboard(Display* display) : display_(display) {}

    void OnKeyDown(int scanCode, int virtualKey, int reserved) override
    {
        if (!slowed_ && TranslateKey(scanCode)) {
            slowed_ = true;
            unsigned int delay = 0, interval = 0;
            XkbGetAutoRepeatRate(display_, XkbUseCoreKbd, &delay, &interval);
            XTestFakeRelativeMotionEvent(display_, 0, 0, delay + 2 * interval);
            XSync(display_, False);
        }
        CRussianKeyboard::OnKeyDown(scanCode, virtualKey, reserved);
    }

private:
    Display* display_;
    bool slowed_ = false;
};

TEST_F(FenmarlX11, KeyReleasedWhileTheProgramWasSlowTypesOnce)
{
    CSlowRussianKeyboard keyboard(display_);
    InstallHook(nullptr, &keyboard);
    ASSERT_GE(GetHookDescriptor(), 0);
    // Q and W, each pressed and released, as a typist types
    for (const auto& [keycode, down] : {std::pair{24u, true}, {24u, false}, {25u, true}, {25u, false}})
        XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
    XFlush(display_);
    EXPECT_EQ(TextUpTo(U'ц'), U"йц");
    Type(u".");
    EXPECT_EQ(TextUpTo(U'.'), U".") << "the released key repeated";
    EXPECT_EQ(keyboard.downs, (std::vector<std::pair<int, int>>{{16, 'Q'}, {17, 'W'}}));
    EXPECT_EQ(KeysHeld(), 0);
}

using kvxtest::KeyMapNow;

std::vector<KeyCode> EmptyKeyCodes(Display* display)
{
    int minKey, maxKey;
    XDisplayKeycodes(display, &minKey, &maxKey);
    const auto rows = KeyMapNow(display);
    std::vector<KeyCode> empty;
    for (int keycode = maxKey; keycode >= minKey; --keycode)
        if (rows[size_t(keycode - minKey)].empty()) empty.push_back(KeyCode(keycode));
    return empty;
}

// The notes of borrowed key codes on the root window: owner, key code.
std::vector<std::pair<pid_t, KeyCode>> Notes(Display* display)
{
    std::vector<std::pair<pid_t, KeyCode>> notes;
    const Atom atom = XInternAtom(display, "_FENMARL_BORROWED_KEYCODES", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, 4096, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success && data) {
        const auto* values = reinterpret_cast<const long*>(data);
        for (unsigned long i = 0; i + 2 < count; i += 3) notes.emplace_back(pid_t(values[i + 1]), KeyCode(values[i + 2]));
    }
    if (data) XFree(data);
    return notes;
}

void WriteNotes(Display* display, const std::vector<std::pair<pid_t, KeyCode>>& notes)
{
    const Atom atom = XInternAtom(display, "_FENMARL_BORROWED_KEYCODES", False);
    std::vector<long> values;
    for (const auto& [owner, keycode] : notes) {
        values.push_back(long(fenmarl::BorrowedKeys::ThisHost()));
        values.push_back(long(owner));
        values.push_back(long(keycode));
    }
    XChangeProperty(display, DefaultRootWindow(display), atom, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), int(values.size()));
    XSync(display, False);
}

// Another instance that lives until the test ends it.
class LiveProcess {
public:
    LiveProcess()
    {
        if (pipe(pipe_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            char byte;
            close(pipe_[1]);
            [[maybe_unused]] auto got = read(pipe_[0], &byte, 1);
            _exit(0);
        }
        close(pipe_[0]);
    }
    ~LiveProcess()
    {
        close(pipe_[1]);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }

private:
    int pipe_[2] = {-1, -1};
    pid_t pid_ = -1;
};

pid_t DeadProcess()
{
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

// Whether the server repeats the key code when it is held.
bool Repeats(Display* display, KeyCode keycode)
{
    XKeyboardState state;
    XGetKeyboardControl(display, &state);
    return (state.auto_repeats[keycode / 8] >> (keycode % 8)) & 1;
}

TEST_F(FenmarlX11, BorrowedKeyCodesNeverRepeatWhileBorrowed)
{
    // A server that stalls between our press and release of a borrowed key
    // code would take the key for held and repeat the character.
    const std::vector<KeyCode> empty = EmptyKeyCodes(display_);
    ASSERT_FALSE(empty.empty());
    ASSERT_TRUE(Repeats(display_, empty[0]));
    Type(u"ж");
    EXPECT_EQ(TextUpTo(U'ж'), U"ж");
    size_t ours = 0;
    for (const auto& [owner, keycode] : Notes(display_)) {
        ours += owner == getpid();
        EXPECT_FALSE(Repeats(display_, keycode)) << int(keycode);
    }
    EXPECT_EQ(ours, 8u);
    UninstallHook();
    for (KeyCode keycode : empty) EXPECT_TRUE(Repeats(display_, keycode)) << int(keycode);
}

TEST_F(FenmarlX11, BorrowedKeyCodesAreNotedNeverSharedAndGivenBack)
{
    const auto before = KeyMapNow(display_);
    const std::vector<KeyCode> empty = EmptyKeyCodes(display_);
    ASSERT_GE(empty.size(), 10u);
    // a live instance holds the first empty key code; a killed one left the
    // second mapped
    LiveProcess live;
    const pid_t dead = DeadProcess();
    KeySym cyrillic = XK_Cyrillic_i;
    XChangeKeyboardMapping(display_, empty[1], 1, &cyrillic, 1);
    WriteNotes(display_, {{dead, empty[1]}, {live.pid(), empty[0]}});

    // more characters than key codes, so that every one is used; the window
    // reads each one as it comes, as a window of a user does
    for (char16_t c : std::u16string(u"жэюяшщчцфыв")) {
        Type(std::u16string(1, c));
        EXPECT_EQ(TextUpTo(c), std::u32string(1, c));
    }
    const auto notes = Notes(display_);
    size_t ours = 0;
    for (const auto& [owner, keycode] : notes) {
        EXPECT_NE(owner, dead);
        if (owner == getpid()) {
            ++ours;
            EXPECT_NE(keycode, empty[0]) << "a key code of a live instance was taken";
        }
    }
    EXPECT_EQ(ours, 8u);
    int minKey, maxKey;
    XDisplayKeycodes(display_, &minKey, &maxKey);
    EXPECT_TRUE(KeyMapNow(display_)[size_t(empty[0] - minKey)].empty());

    // at the end the display's map is as it was before the killed instance
    // ran, and only the live instance's note is left
    UninstallHook();
    EXPECT_EQ(KeyMapNow(display_), before);
    EXPECT_EQ(Notes(display_), (std::vector<std::pair<pid_t, KeyCode>>{{live.pid(), empty[0]}}));

    // with every empty key code held by a live instance nothing is typed
    std::vector<std::pair<pid_t, KeyCode>> all;
    for (KeyCode keycode : empty) all.emplace_back(live.pid(), keycode);
    WriteNotes(display_, all);
    const st_KBInput records[2] = {{0, WORD(u'ж'), KEYEVENTF_UNICODE, 0, 0},
                                   {0, WORD(u'ж'), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0, 0}};
    EXPECT_EQ(SendKeyboardInput(2, records), 1u) << "only the release record counts";
    UninstallHook();
    EXPECT_EQ(KeyMapNow(display_), before);
    WriteNotes(display_, {});
}

}  // namespace
