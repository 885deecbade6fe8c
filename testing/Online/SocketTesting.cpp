#include "testing/Online/SocketTesting.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sendrixtest {

bool ConnectToPeer(CAbstractSocket& socket, kvxtest::ScriptedPeer& peer) {
    peer.Start();
    return socket.Connect(L"127.0.0.1", (unsigned)peer.Port()) == 1;
}

bool AttachStream(CBasicSocket& socket, const std::string& bytes) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(pair[1], bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += (size_t)n;
    }
    close(pair[1]);
    socket.Attach(pair[0]);
    return done == bytes.size();
}

int FreeLoopbackPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

} // namespace sendrixtest
