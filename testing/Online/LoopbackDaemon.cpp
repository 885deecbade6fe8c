#include "testing/Online/LoopbackDaemon.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "utility/Posix/Handle.h"
#include "utility/Posix/ProcessHandle.h"
#include "utility/Posix/ProcessStart.h"

namespace sendrixtest {

namespace {

bool Accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port);
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

} // namespace

bool CLoopbackDaemon::Start(const std::string& program, const std::vector<std::string>& arguments, int port) {
    m_process = StartProcess(program, arguments, "");
    if (!m_process) {
        m_error = program + " could not be started";
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Accepts(port)) return true;
        if (WaitForSingleObject(m_process, 50) == WAIT_OBJECT_0) {
            m_error = program + " ended at start";
            return false;
        }
    }
    m_error = program + " did not listen on port " + std::to_string(port);
    return false;
}

void CLoopbackDaemon::Stop() {
    if (!m_process) return;
    TerminateProcess(m_process, 0);
    WaitForSingleObject(m_process, 5000);
    CloseHandle(m_process);
    m_process = nullptr;
}

CLoopbackDaemon::~CLoopbackDaemon() { Stop(); }

} // namespace sendrixtest
