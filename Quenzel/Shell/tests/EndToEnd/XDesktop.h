#pragma once
// The test's hands and eyes on its own X server, as a user would use it:
// finds the programs' top-level windows by title, moves the focus to one as
// a window manager would, clicks and types through XTest, and saves the
// screen as a PNG file. Every wait polls with a generous bound.

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

namespace kvxtest {

struct XWindowInfo {
    Window id = 0;
    std::string title;
    int x = 0, y = 0;          // on the screen
    int width = 0, height = 0;
};

class XDesktop {
public:
    XDesktop();
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    bool Connected() const { return m_display != nullptr; }

    // The shown top-level windows, topmost last.
    std::vector<XWindowInfo> Windows();
    // The first shown window whose title begins with `prefix`; id 0 when none
    // appears within `seconds`.
    XWindowInfo WaitForWindow(const std::string& prefix, int seconds = 120);
    // The current state of one window; id 0 when it is no longer shown.
    XWindowInfo Refresh(Window window);
    // Waits until the window's size stays the same for a moment (a dialog
    // that sizes itself after it is shown).
    XWindowInfo WaitForSteadySize(Window window);

    // A fingerprint of what the window shows now (0 when it cannot be read).
    unsigned long long Picture(const XWindowInfo& window);
    // Waits until the window shows something and stays the same for a
    // moment: it has painted what it was asked to.
    void WaitForPainted(const XWindowInfo& window, int seconds = 30);
    // Clicks, and clicks again while the window's picture does not change
    // (a click that came before the window was ready for it).
    bool ClickUntilChanged(const XWindowInfo& window, int x, int y, int seconds = 60);

    // Gives the window the keyboard focus, as a window manager would on a
    // click into it, and waits until the server has done it.
    void Focus(Window window);
    // A click of the left button at a point of the window, which is raised
    // to the top first.
    void Click(const XWindowInfo& window, int x, int y, int count = 1);
    // Types text: ASCII characters, '\n' is Return, '\t' is Tab.
    void Type(const std::string& text);
    // Presses one key by its name ("Return", "Escape", "Tab", "Down", ...),
    // with Control held when asked.
    void Key(const std::string& keysymName, bool control = false);
    // Asks the window to close, as its close box would.
    void Close(Window window);

    // Polls `done` every 20 ms until it holds or `seconds` pass.
    static bool WaitUntil(const std::function<bool()>& done, int seconds = 120);

    // The whole screen as a PNG file.
    bool Screenshot(const std::string& path);

private:
    void PressKeysym(unsigned long keysym, bool control);
    Display* m_display = nullptr;
};

} // namespace kvxtest
