#include "Quenzel/Dictionary/AutoSearchClock.h"

#include <QTimer>

CAutoSearchClock::~CAutoSearchClock() {
    for (auto& [id, timer] : m_timers) delete timer;
    for (QTimer* timer : m_stopped) delete timer;
}

int CAutoSearchClock::StartTimer(int milliseconds, bool repeat, std::function<void()> work) {
    const int id = m_nextId++;
    auto* timer = new QTimer;
    timer->setSingleShot(!repeat);
    timer->setInterval(milliseconds);
    QObject::connect(timer, &QTimer::timeout, [this, id, repeat, work = std::move(work)] {
        // A one-shot timer is done before its work runs, so the work may
        // start the next one.
        if (!repeat) StopTimer(id);
        work();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void CAutoSearchClock::StopTimer(int id) {
    auto found = m_timers.find(id);
    if (found == m_timers.end()) return;
    QTimer* timer = found->second;
    m_timers.erase(found);
    timer->stop();
    // The timer may be the one whose work runs now: it goes once that has
    // returned.
    timer->deleteLater();
    std::erase_if(m_stopped, [](const QPointer<QTimer>& stopped) { return stopped.isNull(); });
    m_stopped.emplace_back(timer);
}
