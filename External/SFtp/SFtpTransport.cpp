#include "External/SFtp/SFtpTransport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "External/SFtp/SFtpAgentChannel.h"

namespace {

// Room in each direction of the pair: a receive of the library is taken at once.
constexpr int kPairBufferSize = 1 << 20;

uint32_t ReadU32(const unsigned char* data) {
    uint32_t value;
    memcpy(&value, data, 4);
    return value;
}

bool SetUp(int fd) {
    int size = kPairBufferSize;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

} // namespace

CSFtpTransport::CSFtpTransport(CSFtpAgentChannel& channel) : m_channel(channel), m_output(kSFtpDataSize) {}

CSFtpTransport::~CSFtpTransport() { Close(); }

int CSFtpTransport::Open() {
    Close();
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return -1;
    if (!SetUp(pair[0]) || !SetUp(pair[1])) {
        close(pair[0]);
        close(pair[1]);
        return -1;
    }
    m_end = pair[1];
    m_sessionEnd = pair[0];
    return pair[0];
}

void CSFtpTransport::Close() {
    if (m_end >= 0) close(m_end);
    m_end = -1;
    m_sessionEnd = -1;
    m_held.clear();
    m_heldStart = 0;
}

bool CSFtpTransport::SendPending(bool& sent) {
    sent = false;
    if (m_end < 0) return false;
    for (;;) {
        ssize_t n = read(m_end, m_output.data(), m_output.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n <= 0) return false;
        uint32_t answerLength = 0;
        const unsigned char* answer = nullptr;
        if (!m_channel.Ask(kSFtpSend, (uint32_t)n, m_output.data(), answerLength, answer) || answerLength < 8)
            return false;
        // The library sends all of it or fails.
        if (ReadU32(answer) != (uint32_t)n || ReadU32(answer + 4) != 0) return false;
        sent = true;
    }
}

bool CSFtpTransport::HasUnread() const {
    int unread = 0;
    return HasHeld() || (m_sessionEnd >= 0 && ioctl(m_sessionEnd, FIONREAD, &unread) == 0 && unread > 0);
}

bool CSFtpTransport::PushHeld() {
    bool moved = false;
    while (m_end >= 0 && HasHeld()) {
        ssize_t n = write(m_end, m_held.data() + m_heldStart, m_held.size() - m_heldStart);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        m_heldStart += (size_t)n;
        moved = true;
    }
    if (!HasHeld()) {
        m_held.clear();
        m_heldStart = 0;
    }
    return moved;
}

bool CSFtpTransport::Receive() {
    if (m_end < 0) return false;
    uint32_t wanted = kSFtpMaxReceive;
    uint32_t answerLength = 0;
    const unsigned char* answer = nullptr;
    if (!m_channel.Ask(kSFtpReceive, 4, &wanted, answerLength, answer) || answerLength < 4) return false;
    uint32_t count = ReadU32(answer);
    // Nothing: the server closed the connection, or (with an error code) it failed.
    if (count == 0 || count > wanted || count + 4 > answerLength) return false;
    // The answer lives in the channel, which the next exchange overwrites.
    m_held.insert(m_held.end(), answer + 4, answer + 4 + count);
    PushHeld();
    return true;
}
