#include "Pendrel/Platform/KVXWndCore.h"

#include <QObject>
#include <QTimerEvent>

#include <algorithm>

#include "Pendrel/Platform/KVXMessageEvent.h"
#include "Pendrel/Platform/KVXWindowRegistry.h"

namespace {

// The shortest timer period.
constexpr UINT kMinimumElapse = 10;

} // namespace

CKVXWndCore::CKVXWndCore(QObject* self) : m_self(self) {
    CKVXWindowRegistry::Instance().Add(m_self, this);
}

CKVXWndCore::~CKVXWndCore() {
    CKVXWindowRegistry::Instance().Remove(m_self);
}

LRESULT CKVXWndCore::WindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}

void CKVXWndCore::OnTimer(UINT_PTR) {}

UINT_PTR CKVXWndCore::SetTimer(UINT_PTR id, UINT elapse) {
    KillTimer(id);
    const int qtId = m_self->startTimer(static_cast<int>(std::clamp<UINT>(elapse, kMinimumElapse, 0x7FFFFFFF)));
    if (qtId == 0) return 0;
    m_timers[id] = qtId;
    return id;
}

BOOL CKVXWndCore::KillTimer(UINT_PTR id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return FALSE;
    m_self->killTimer(it->second);
    m_timers.erase(it);
    return TRUE;
}

bool CKVXWndCore::HandleWindowEvent(QEvent* event) {
    if (event->type() == CKVXMessageEvent::MessageType()) {
        auto* message = static_cast<CKVXMessageEvent*>(event);
        if (IsCreated()) message->SetResult(WindowProc(message->Message(), message->WParam(), message->LParam()));
        return true;
    }
    if (event->type() == QEvent::Timer) {
        const int qtId = static_cast<QTimerEvent*>(event)->timerId();
        auto it = std::find_if(m_timers.begin(), m_timers.end(), [qtId](const auto& t) { return t.second == qtId; });
        if (it == m_timers.end()) return false;
        OnTimer(it->first);
        return true;
    }
    return false;
}
