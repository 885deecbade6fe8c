#pragma once
// A clock for the pop-up's tests: its timers run only when the test moves
// its time on with Advance, in the order they fall due.

#include <functional>
#include <map>

#include "Quenzel/Dictionary/AutoSearchClock.h"

class CManualAutoSearchClock : public CAutoSearchClock {
public:
    int StartTimer(int milliseconds, bool repeat, std::function<void()> work) override {
        const int id = m_nextId++;
        m_timers[id] = Timer{m_now + milliseconds, milliseconds, repeat, std::move(work)};
        return id;
    }
    void StopTimer(int id) override { m_timers.erase(id); }

    void Advance(int milliseconds) {
        const long long end = m_now + milliseconds;
        for (;;) {
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
                if (it->second.due <= end && (next == m_timers.end() || it->second.due < next->second.due)) next = it;
            if (next == m_timers.end()) break;
            m_now = next->second.due;
            std::function<void()> work = next->second.work;
            if (next->second.repeat)
                next->second.due += next->second.period;
            else
                m_timers.erase(next);
            work();
        }
        m_now = end;
    }
    size_t GetTimerCount() const { return m_timers.size(); }

private:
    struct Timer {
        long long due;
        int period;
        bool repeat;
        std::function<void()> work;
    };
    std::map<int, Timer> m_timers;
    long long m_now = 0;
    int m_nextId = 1;
};
