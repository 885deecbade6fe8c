#pragma once
// A proxy socket whose peer is a byte string: every receive is served from
// the bytes in pieces of at most a given size (0 at their end), every send
// succeeds. It always counts as holding a handle. The connection to the
// proxy itself is a real one to a loopback listener (LoopbackListener).

#include <cstddef>
#include <cstdint>

#include "OnlineServices/Sendrix/ProxySocket.h"

class CMemorySocket : public CProxySocket {
public:
    CMemorySocket(const uint8_t* data, size_t size, size_t piece);

    int Send(const void* data, int length, int flags) override { return length; }
    int Receive(void* buffer, int length, int flags) override;
    int IsValid() override { return 1; }

    size_t Consumed() const { return m_offset; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_piece;
    size_t m_offset = 0;
};

// A listening socket on 127.0.0.1 for the proxy connections of the fuzz
// target; Drain accepts and closes what has connected since.
class CLoopbackListener {
public:
    CLoopbackListener();
    ~CLoopbackListener();
    int Port() const { return m_port; }
    void Drain();

private:
    int m_fd = -1;
    int m_port = 0;
};
