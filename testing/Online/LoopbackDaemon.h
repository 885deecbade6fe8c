#pragma once
// A real server program started by an integration test on 127.0.0.1 and
// stopped when the object ends.

#include <string>
#include <vector>

#include "compat/WinTypes.h"

namespace sendrixtest {

class CLoopbackDaemon {
public:
    CLoopbackDaemon() = default;
    ~CLoopbackDaemon();
    CLoopbackDaemon(const CLoopbackDaemon&) = delete;
    CLoopbackDaemon& operator=(const CLoopbackDaemon&) = delete;

    // Starts the program (arguments[0] is its name) and waits, a minute
    // at most, until it takes connections on port; false (with the reason in
    // Error) when it does not.
    bool Start(const std::string& program, const std::vector<std::string>& arguments, int port);
    void Stop();
    const std::string& Error() const { return m_error; }

private:
    HANDLE m_process = nullptr;
    std::string m_error;
};

} // namespace sendrixtest
