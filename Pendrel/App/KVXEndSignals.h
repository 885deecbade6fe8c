#pragma once
// CKVXEndSignals: SIGTERM, SIGINT and SIGHUP (a log-out, `kill`, Ctrl+C)
// end the program as a normal close does. The signal handler only writes a
// byte into a pipe; the user-interface thread reads it through a socket
// notifier and runs the end action there (by default every window is closed
// as the user closes it), so the program's normal end follows: windows
// destroyed, settings saved, log released.

#include <functional>

#include "Pendrel/PendrelApi.h"

class QSocketNotifier;

class PENDREL_API CKVXEndSignals {
public:
    CKVXEndSignals() = default;
    ~CKVXEndSignals();
    CKVXEndSignals(const CKVXEndSignals&) = delete;
    CKVXEndSignals& operator=(const CKVXEndSignals&) = delete;

    // Catches the three signals from now on; `end` runs on the thread of
    // the application object for each signal (null: every window closes).
    // Needs the Qt application object; false without it.
    bool Install(std::function<void()> end = nullptr);
    // The signals' earlier handling comes back.
    void Uninstall();
    bool IsInstalled() const { return m_notifier != nullptr; }

    // What the default end action does: closes every visible top-level
    // window, modal ones first, as their close button does.
    static void CloseAllWindows();

private:
    void OnSignal();

    std::function<void()> m_end;
    QSocketNotifier* m_notifier = nullptr;
};
