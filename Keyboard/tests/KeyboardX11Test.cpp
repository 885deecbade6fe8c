// The keyboard program as a user runs it, under an X server of the test's
// own: a window of the test has the focus, the pointer chooses a layout and
// clicks keys of the keyboard window, and the test window receives the
// characters.
#include <gtest/gtest.h>

// Qt's headers before X's, whose macros (KeyPress, FocusIn, None) would
// break them.
#include "Keyboard/KeyboardDlg.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Fenmarl/Fenmarl.h"
#include "Keyboard/KeyboardModel.h"
#include "Keyboard/KeyboardResources.h"
#include "KeyboardKeys.h"
#include "KeyboardTestKit.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "testing/X11KeyMap.h"
#include "testing/XvfbServer.h"
#include "utility/Posix/BasicRegistry.h"

namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// The centre of a control of the keyboard dialog, in its window.
bool ControlCentre(UINT id, int& x, int& y) {
    const KVXDialogTemplate* dialog = KVXFindDialogTemplate(IDD_KEYBOARD);
    for (size_t i = 0; dialog && i < dialog->controlCount; ++i) {
        const KVXDialogControl& control = dialog->controls[i];
        if (control.id != id) continue;
        const RECT rect = KVXMapDialogRect({control.x, control.y, control.x + control.cx, control.y + control.cy});
        x = (rect.left + rect.right) / 2;
        y = (rect.top + rect.bottom) / 2;
        return true;
    }
    return false;
}

class KeyboardX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Running());
        CBasicRegistry(L"Morvane", L"KVX", HKEY_CURRENT_USER).SetDWORD(L"App2", L"EULA", 1);
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
        // the window the user works in, with the focus
        m_target = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 100, 60, 0, 0, 0);
        XStoreName(m_display, m_target, "target");
        XSelectInput(m_display, m_target, KeyPressMask | StructureNotifyMask | FocusChangeMask);
        XMapWindow(m_display, m_target);
        XEvent event;
        do XWindowEvent(m_display, m_target, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSetInputFocus(m_display, m_target, RevertToParent, CurrentTime);
        XSync(m_display, False);
    }

    void TearDown() override {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_display) XCloseDisplay(m_display);
    }

    void StartProgram() {
        const std::string program = std::string(KVX_BIN_FOLDER) + "/Keyboard";
        m_pid = fork();
        if (m_pid == 0) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("LSAN_OPTIONS", "suppressions=" KVX_PROGRAM_LEAKS, 1);
            // The X keyboard library hands strndup buffers that are not
            // terminated, which is allowed; the strict string check of the
            // address sanitizer would take that for an overflow.
            const char* asan = getenv("ASAN_OPTIONS");
            const std::string options = std::string(asan ? asan : "") + ":strict_string_checks=0";
            setenv("ASAN_OPTIONS", options.c_str(), 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(m_pid, 0);
        // xdotool waits until the window is mapped
        const std::string found =
            RunCommand("timeout 120 xdotool search --sync --onlyvisible --name '^Ondrivel - On-Screen' | head -n 1");
        ASSERT_FALSE(found.empty());
        m_keyboard = static_cast<Window>(std::stoul(found));
    }

    // Moves the pointer to the centre of a control of the keyboard window.
    void PointAt(UINT id) {
        int x = 0, y = 0, rootX = 0, rootY = 0;
        ASSERT_TRUE(ControlCentre(id, x, y)) << id;
        Window child;
        XTranslateCoordinates(m_display, m_keyboard, DefaultRootWindow(m_display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(m_display, -1, rootX, rootY, CurrentTime);
    }

    void Click(UINT id) {
        ASSERT_NO_FATAL_FAILURE(PointAt(id));
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XSync(m_display, False);
    }

    void TapKey(KeySym keysym) {
        const KeyCode code = XKeysymToKeycode(m_display, keysym);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    }

    void TypeKeys(const std::string& text) {
        for (char c : text) {
            const std::string name = c == '\n' ? "Return" : c == ' ' ? "space" : std::string(1, c);
            TapKey(XStringToKeysym(name.c_str()));
        }
        XSync(m_display, False);
    }

    // Chooses the layout in the layout list with the list's keys, as a user
    // can: the button pressed on the combo box opens the list, Home and Down
    // move to the layout's row, Return chooses it. The button goes up only
    // when the list has closed again: a release that the program handles
    // while the list is open would choose the item under the pointer.
    void ChooseLayout(unsigned layoutId) {
        const auto layouts = CKeyboardDlg::SortedLayouts();
        const auto chosen = std::find_if(layouts.begin(), layouts.end(),
                                         [&](const auto& layout) { return layout.first == layoutId; });
        ASSERT_NE(chosen, layouts.end()) << std::hex << layoutId;
        ASSERT_NO_FATAL_FAILURE(PointAt(IDC_LAYOUT_COMBO));
        XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
        XFlush(m_display);
        ASSERT_TRUE(WaitForListGrab(true)) << "the list of layouts did not open";
        TapKey(XK_Home);
        for (auto row = layouts.begin(); row != chosen; ++row) TapKey(XK_Down);
        TapKey(XK_Return);
        XFlush(m_display);
        ASSERT_TRUE(WaitForListGrab(false)) << "the list of layouts did not close";
        XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
        XSync(m_display, False);
    }

    // Waits until the open list takes the keyboard (grabbed) or lets it go,
    // from the focus events of the target window: the focus leaves it for
    // the list's window and comes back. The hook's grab of a physical key is
    // a grab on the root window, the target's ancestor, and does not count.
    // False when nothing comes within a bound that only a lost list meets.
    bool WaitForListGrab(bool grabbed) {
        const int type = grabbed ? FocusOut : FocusIn;
        const int mode = grabbed ? NotifyGrab : NotifyUngrab;
        for (;;) {
            XEvent event;
            while (XCheckWindowEvent(m_display, m_target, FocusChangeMask, &event))
                if (event.type == type && event.xfocus.mode == mode && event.xfocus.detail == NotifyNonlinear)
                    return true;
            pollfd watch{ConnectionNumber(m_display), POLLIN, 0};
            if (poll(&watch, 1, 60000) <= 0) return false;
        }
    }

    // The characters the target window receives up to and including last.
    std::u32string TextUpTo(char32_t last) {
        std::u32string text;
        for (;;) {
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == MappingNotify) XRefreshKeyboardMapping(&event.xmapping);
                if (event.type != KeyPress || event.xkey.window != m_target) continue;
                if (const char32_t c = xkb_keysym_to_utf32(kvxtest::KeysymNow(m_display, event.xkey))) text += c;
                if (!text.empty() && text.back() == last) return text;
            }
            pollfd watch{ConnectionNumber(m_display), POLLIN, 0};
            if (poll(&watch, 1, 60000) <= 0) return text + U"<nothing more>";
        }
    }

    // Presses and releases the physical key of the scan code.
    void PressKey(int scanCode) {
        const KeyCode code = static_cast<KeyCode>(scanCode + 8);
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    }

    // Ends the program with the signal and waits for it; its exit status.
    int Signal(int number) {
        kill(m_pid, number);
        int status = 0;
        EXPECT_EQ(waitpid(m_pid, &status, 0), m_pid);
        m_pid = -1;
        return status;
    }

    // The keyboard window's place on the screen.
    std::pair<int, int> WindowPlace() {
        int x = 0, y = 0;
        Window child;
        XSync(m_display, False);
        XTranslateCoordinates(m_display, m_keyboard, DefaultRootWindow(m_display), 0, 0, &x, &y, &child);
        return {x, y};
    }

    void CloseProgram() {
        const Atom protocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_keyboard;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, m_keyboard, False, NoEventMask, &event);
        XSync(m_display, False);
        int status = 0;
        ASSERT_EQ(waitpid(m_pid, &status, 0), m_pid);
        m_pid = -1;
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    kvxtest::XvfbServer m_server;
    Display* m_display = nullptr;
    Window m_target = 0;
    Window m_keyboard = 0;
    pid_t m_pid = -1;
};

} // namespace

TEST_F(KeyboardX11, ClickedKeysOfTheChosenLayoutsTypeIntoTheFocusedWindow) {
    const UINT eAcute = kvxtest::KeyboardKeyOf(kFrench, u'é');
    const UINT shortI = kvxtest::KeyboardKeyOf(kRussian, u'й');
    ASSERT_NE(eAcute, 0u);
    ASSERT_NE(shortI, 0u);
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kFrench));
    Click(eAcute);
    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kRussian));
    std::filesystem::create_directories(KVX_SCREENSHOT_FOLDER);
    const std::string shot = std::string(KVX_SCREENSHOT_FOLDER) + "/keyboard-russian.png";
    std::filesystem::remove(shot);
    RunCommand("import -window " + std::to_string(m_keyboard) + " " + shot);
    EXPECT_TRUE(std::filesystem::exists(shot));
    Click(shortI);
    EXPECT_EQ(TextUpTo(U'й'), U"éй");

    // the focus stayed with the target window all along
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    EXPECT_EQ(focus, m_target);

    ASSERT_NO_FATAL_FAILURE(CloseProgram());
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KeyBoardCtrlID", 0), kRussian);
    EXPECT_STREQ(registry.GetString(L"Settings", L"KeyBoardName", L"").GetString(), L"Russian");
}

TEST_F(KeyboardX11, PhysicalSpaceAndEnterReachTheWindowWhileLettersAreTranslated) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kRussian));
    // one key after the other, as a user types
    const std::pair<const char*, char32_t> keys[] = {{"a", U'ф'}, {" ", U' '}, {"b", U'и'}, {"\n", U'\r'}};
    for (const auto& [key, character] : keys) {
        TypeKeys(key);
        EXPECT_EQ(TextUpTo(character), std::u32string(1, character));
    }
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
}

TEST_F(KeyboardX11, DeadKeysEndWithSpaceAndEnterAndLeaveShiftAsTheUserSetIt) {
    const UINT circumflex = kvxtest::KeyboardKeyOf(kFrench, u'^');
    const UINT i = kvxtest::KeyboardKeyOf(kFrench, u'i');
    const UINT e = kvxtest::KeyboardKeyOf(kFrench, u'e');
    ASSERT_NE(circumflex, 0u);
    ASSERT_NE(i, 0u);
    ASSERT_NE(e, 0u);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kFrench));
    // the space bar types the dead key's own character and ends it
    for (UINT id : {circumflex, UINT(IDC_KEY_SPACE), e}) Click(id);
    EXPECT_EQ(TextUpTo(U'e'), U"^e");
    // Enter ends it too: the next letter is plain
    for (UINT id : {circumflex, UINT(IDC_KEY_ENTER), e}) Click(id);
    EXPECT_EQ(TextUpTo(U'e'), U"\re");
    // Shift on, the shifted dead key (diaeresis), Shift off, i, e
    for (UINT id : {UINT(IDC_KEY_LSHIFT), circumflex, UINT(IDC_KEY_LSHIFT), i, e}) Click(id);
    EXPECT_EQ(TextUpTo(U'e'), U"ïe");
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
}

TEST_F(KeyboardX11, TwoThousandTranslatedKeysArriveWhileKeyCodesAreMappedAnew) {
    st_KBImpl russian{};
    ASSERT_EQ(GetKeyboardData(kRussian, russian), 1);
    std::vector<std::pair<int, char32_t>> letters;  // scan code, Cyrillic letter
    for (int k = 0; k < russian.keyCount; ++k) {
        const char32_t c = russian.keys[k].chars[0];
        if (c >= 0x430 && c <= 0x44F) letters.emplace_back(russian.keys[k].scanCode, c);
    }
    ASSERT_GE(letters.size(), 20u) << "more letters than borrowed key codes";
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kRussian));

    // In short bursts, fewer keys than the program borrows key codes, as a
    // typist types; the window reads each burst as it arrives. Every key
    // code is mapped anew many times over.
    std::mt19937 random(51);
    std::uniform_int_distribution<size_t> pick(0, letters.size() - 1);
    std::u32string expected, typed;
    constexpr int kBurst = 4;
    for (int burst = 0; burst < 2000 / kBurst; ++burst) {
        std::u32string sent;
        for (int n = 0; n < kBurst; ++n) {
            const auto& [scan, letter] = letters[pick(random)];
            PressKey(scan);
            sent += letter;
        }
        PressKey(41);  // "ё", a letter no burst holds, ends it
        XSync(m_display, False);
        sent += U'ё';
        expected += sent;
        const std::u32string got = TextUpTo(U'ё');
        typed += got;
        ASSERT_EQ(got, sent) << "burst " << burst;
    }
    EXPECT_EQ(typed.size(), expected.size());
    EXPECT_TRUE(typed == expected) << "the first difference at character "
                                   << std::mismatch(typed.begin(), typed.end(), expected.begin(), expected.end()).first -
                                          typed.begin();
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
}

TEST_F(KeyboardX11, BorrowedKeyCodesComeBackAfterSigtermAndAfterAKill) {
    const auto before = kvxtest::KeyMapNow(m_display);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ChooseLayout(kRussian));
    TypeKeys("a");
    EXPECT_EQ(TextUpTo(U'ф'), U"ф");
    // a log-out: a normal end, the settings saved
    const int status = Signal(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(kvxtest::KeyMapNow(m_display), before);
    CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
    EXPECT_EQ(registry.GetDWORD(L"Settings", L"KeyBoardCtrlID", 0), kRussian);

    // killed: its key codes stay mapped until the next start takes them back
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    TypeKeys("s");
    EXPECT_EQ(TextUpTo(U'ы'), U"ы");
    Signal(SIGKILL);
    EXPECT_NE(kvxtest::KeyMapNow(m_display), before);
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    TypeKeys("d");
    EXPECT_EQ(TextUpTo(U'в'), U"в");
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
    EXPECT_EQ(kvxtest::KeyMapNow(m_display), before);
}

TEST_F(KeyboardX11, TheWindowOpensWhereItWasClosedAndOnTheScreen) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    XWindowAttributes attributes;
    XGetWindowAttributes(m_display, m_keyboard, &attributes);
    XMoveWindow(m_display, m_keyboard, 140, 90);
    XSync(m_display, False);
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    EXPECT_EQ(WindowPlace(), std::make_pair(140, 90));
    ASSERT_NO_FATAL_FAILURE(CloseProgram());

    // a place off the screen (a screen that is gone) is moved onto it
    const int screenWidth = DisplayWidth(m_display, DefaultScreen(m_display));
    const int screenHeight = DisplayHeight(m_display, DefaultScreen(m_display));
    {
        CBasicRegistry registry(L"Morvane", L"Quenzel", HKEY_CURRENT_USER);
        registry.SetDWORD(L"WindowsPos\\Import", L"Left", static_cast<DWORD>(screenWidth + 500));
        registry.SetDWORD(L"WindowsPos\\Import", L"Right", static_cast<DWORD>(screenWidth + 500 + attributes.width));
        registry.SetDWORD(L"WindowsPos\\Import", L"Top", static_cast<DWORD>(screenHeight + 300));
        registry.SetDWORD(L"WindowsPos\\Import", L"Bottom", static_cast<DWORD>(screenHeight + 300 + attributes.height));
    }
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const auto [x, y] = WindowPlace();
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_LE(x + attributes.width, screenWidth);
    EXPECT_LE(y + attributes.height, screenHeight);
    ASSERT_NO_FATAL_FAILURE(CloseProgram());
}
