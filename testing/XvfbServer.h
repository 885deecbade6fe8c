#pragma once
// A virtual X server of the test's own, for the suites labelled x11: Xvfb
// picks a free display number itself (-displayfd), DISPLAY names it while
// the object lives, and the server is stopped when the object goes.

#include <optional>
#include <string>
#include <sys/types.h>

namespace kvxtest {

class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return !m_display.empty(); }
    // ":<number>", empty when the server did not start.
    const std::string& Display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::optional<std::string> m_previousDisplay;
};

}  // namespace kvxtest
