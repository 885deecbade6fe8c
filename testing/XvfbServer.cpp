#include "testing/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace kvxtest {

XvfbServer::XvfbServer()
{
    if (const char* display = getenv("DISPLAY")) m_previousDisplay = display;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        // the one descriptor the server inherits
        if (fds[1] == 3)
            fcntl(3, F_SETFD, 0);
        else
            dup2(fds[1], 3);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The server writes its display number once it accepts connections. The
    // bound is generous: only a server that never starts meets it.
    std::string number;
    pollfd watch{fds[0], POLLIN, 0};
    while (m_pid > 0 && poll(&watch, 1, 60000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) return;
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
}

XvfbServer::~XvfbServer()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int status;
        waitpid(m_pid, &status, 0);
    }
    if (m_previousDisplay)
        setenv("DISPLAY", m_previousDisplay->c_str(), 1);
    else
        unsetenv("DISPLAY");
}

}  // namespace kvxtest
