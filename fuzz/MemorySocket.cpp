#include "MemorySocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

CMemorySocket::CMemorySocket(const uint8_t* data, size_t size, size_t piece)
    : m_data(data), m_size(size), m_piece(piece ? piece : 1) {}

int CMemorySocket::Receive(void* buffer, int length, int flags) {
    if (length <= 0) return 0;
    size_t count = std::min({(size_t)length, m_piece, m_size - m_offset});
    if (count) memcpy(buffer, m_data + m_offset, count);
    m_offset += count;
    return (int)count;
}

CLoopbackListener::CLoopbackListener() {
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_fd, 128) != 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
}

CLoopbackListener::~CLoopbackListener() {
    if (m_fd >= 0) close(m_fd);
}

void CLoopbackListener::Drain() {
    int accepted;
    while ((accepted = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) close(accepted);
}
