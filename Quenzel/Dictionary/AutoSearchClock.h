#pragma once
// CAutoSearchClock: the timers of the auto-search pop-up (the owner watch,
// the smooth-scroll steps, the pause after a click). The pop-up never
// sleeps: every timed step is a timer of this clock, which runs on Qt's
// timers; tests put a clock of their own in its place and move its time by
// hand.

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <vector>

class QTimer;

class CAutoSearchClock {
public:
    CAutoSearchClock() = default;
    virtual ~CAutoSearchClock();
    CAutoSearchClock(const CAutoSearchClock&) = delete;
    CAutoSearchClock& operator=(const CAutoSearchClock&) = delete;

    // Runs work after milliseconds, again every milliseconds when repeat is
    // set, on the calling (user-interface) thread. The timer's id, never 0.
    virtual int StartTimer(int milliseconds, bool repeat, std::function<void()> work);
    // Stops a timer; an unknown id (or 0) is ignored.
    virtual void StopTimer(int id);

private:
    std::map<int, QTimer*> m_timers;
    std::vector<QPointer<QTimer>> m_stopped;  // deleted later, or by the destructor
    int m_nextId = 1;
};
