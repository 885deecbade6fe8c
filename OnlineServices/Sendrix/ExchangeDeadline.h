#pragma once
// CExchangeDeadline: an overall limit on one exchange with a server (a reply
// head, a reply of many lines). While one lives, every socket wait of the
// thread ends by its deadline, whatever the per-receive wait: a server that
// trickles a reply a byte at a time, or never ends a multi-line reply, is
// given up on in bounded time. Deadlines nest; the earliest holds.

#include <chrono>

class CExchangeDeadline {
public:
    using Clock = std::chrono::steady_clock;

    // A deadline the exchange time-out from now.
    CExchangeDeadline();
    ~CExchangeDeadline();
    CExchangeDeadline(const CExchangeDeadline&) = delete;
    CExchangeDeadline& operator=(const CExchangeDeadline&) = delete;

    // The milliseconds a wait of this thread may still take: limit, or less
    // when a deadline is closer (0 when it has passed).
    static int Bound(int limit);
    // How long one exchange may take (60,000 ms unless a test changes it).
    static void SetTimeout(int milliseconds);
    static int GetTimeout();

private:
    Clock::time_point m_previous;
    bool m_hadPrevious;
};
