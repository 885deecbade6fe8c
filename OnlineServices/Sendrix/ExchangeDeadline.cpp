#include "OnlineServices/Sendrix/ExchangeDeadline.h"

#include <atomic>

namespace {

std::atomic<int> g_exchangeTimeoutMs{60000};

thread_local bool t_active = false;
thread_local CExchangeDeadline::Clock::time_point t_deadline;

} // namespace

CExchangeDeadline::CExchangeDeadline() : m_previous(t_deadline), m_hadPrevious(t_active) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(GetTimeout());
    if (!t_active || deadline < t_deadline) t_deadline = deadline;
    t_active = true;
}

CExchangeDeadline::~CExchangeDeadline() {
    t_active = m_hadPrevious;
    t_deadline = m_previous;
}

int CExchangeDeadline::Bound(int limit) {
    if (!t_active) return limit;
    long long left = std::chrono::duration_cast<std::chrono::milliseconds>(t_deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return limit < 0 || left < limit ? (int)left : limit;
}

void CExchangeDeadline::SetTimeout(int milliseconds) { g_exchangeTimeoutMs.store(milliseconds); }

int CExchangeDeadline::GetTimeout() { return g_exchangeTimeoutMs.load(); }
