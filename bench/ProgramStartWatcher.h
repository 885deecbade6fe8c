#pragma once
// What the start benchmarks share: the benchmark's own client of its X
// server, which starts a program, sees its main window mapped and painted
// for the first time (through the X damage extension: the programs' windows
// have no background of their own, so the first damage on the main window
// is the program's own first picture of it), closes the window as a window
// manager does and waits for the program to end by itself.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace kvxbench {

using Clock = std::chrono::steady_clock;

// Only a program that hangs meets these.
constexpr int kShowTimeoutMs = 60000;
constexpr int kExitTimeoutMs = 30000;

inline int IgnoreXError(Display*, XErrorEvent*) { return 0; }

inline int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

inline double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

struct StartResult {
    double mapped = 0;   // seconds from the start to the main window's map
    double painted = 0;  // seconds from the start to its first painting
    std::string error;   // empty when the program started, showed and ended
};

// The benchmark's own client of the X server: it watches the top-level
// windows come and go and closes the program's main window.
class CStartWatcher {
public:
    // `titlePrefix`: how the title of the program's main window begins.
    explicit CStartWatcher(std::string titlePrefix) : m_titlePrefix(std::move(titlePrefix)) {}

    bool Open() {
        m_display = XOpenDisplay(nullptr);
        if (!m_display) return false;
        XSetErrorHandler(IgnoreXError);
        int damageError = 0;
        if (!XDamageQueryExtension(m_display, &m_damageEvent, &damageError)) return false;
        int major = 1, minor = 1;
        XDamageQueryVersion(m_display, &major, &minor);
        m_netWmName = XInternAtom(m_display, "_NET_WM_NAME", False);
        m_utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        m_protocols = XInternAtom(m_display, "WM_PROTOCOLS", False);
        m_deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, True);
        return true;
    }

    ~CStartWatcher() {
        if (m_display) XCloseDisplay(m_display);
    }

    StartResult StartOnce(const std::string& program) {
        StartResult result;
        XSync(m_display, True);  // nothing left over from an earlier start

        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        const Clock::time_point started = Clock::now();
        pid_t pid = -1;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
            result.error = "cannot start " + program;
            return result;
        }
        const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));

        Window window = None;
        bool painted = false;
        const Clock::time_point deadline = started + std::chrono::milliseconds(kShowTimeoutMs);
        while (!painted && result.error.empty()) {
            while (!painted && XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                const Clock::time_point now = Clock::now();
                if (event.type == CreateNotify) {
                    // Watched before its first map, so that no painting is missed.
                    XDamageCreate(m_display, event.xcreatewindow.window, XDamageReportNonEmpty);
                } else if (event.type == MapNotify && window == None && IsMainWindow(event.xmap.window)) {
                    window = event.xmap.window;
                    result.mapped = Seconds(started, now);
                } else if (event.type == m_damageEvent + XDamageNotify && window != None &&
                           reinterpret_cast<XDamageNotifyEvent&>(event).drawable == window) {
                    result.painted = Seconds(started, now);
                    painted = true;
                }
            }
            if (painted) break;
            pollfd watched[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {process, POLLIN, 0}};
            const int ready = poll(watched, process >= 0 ? 2 : 1, RemainingMs(deadline));
            if (ready == 0)
                result.error = "the main window was not shown in time";
            else if (process >= 0 && (watched[1].revents & POLLIN))
                result.error = "the program ended before its main window was shown";
        }

        if (painted) Close(window);
        if (!WaitForExit(pid, process, painted) && result.error.empty())
            result.error = "the program did not end cleanly when its main window was closed";
        if (process >= 0) close(process);
        return result;
    }

private:
    bool IsMainWindow(Window window) {
        std::string title;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(m_display, window, m_netWmName, 0, 256, False, m_utf8, &type, &format, &count, &after,
                               &data) == Success &&
            data) {
            title.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        if (title.empty()) {
            char* name = nullptr;
            if (XFetchName(m_display, window, &name) && name) {
                title = name;
                XFree(name);
            }
        }
        return title.rfind(m_titlePrefix, 0) == 0;
    }

    // What a window manager sends when the user closes the window.
    void Close(Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = m_protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(m_deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, window, False, NoEventMask, &event);
        XFlush(m_display);
    }

    // True when the program ended by itself with status 0; a program that
    // was not asked to end, or does not end, is killed.
    static bool WaitForExit(pid_t pid, int process, bool asked) {
        bool ended = false;
        if (asked) {
            pollfd watched{process, POLLIN, 0};
            ended = process < 0 || poll(&watched, 1, kExitTimeoutMs) > 0;
        }
        if (!ended) kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    std::string m_titlePrefix;
    Display* m_display = nullptr;
    int m_damageEvent = 0;
    Atom m_netWmName = None, m_utf8 = None, m_protocols = None, m_deleteWindow = None;
};


// The median, minimum and maximum of the start times, in milliseconds.
inline void PrintStartSummary(const char* what, std::vector<double> times, int goalMs) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("%s: median %.0f ms, min %.0f ms, max %.0f ms over %zu starts (goal: median under %d ms)\n", what,
                median * 1000, times.front() * 1000, times.back() * 1000, n, goalMs);
}

} // namespace kvxbench
