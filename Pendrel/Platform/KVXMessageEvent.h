#pragma once
// The window message as a Qt event: one event type, registered once, carries
// the message number and its two parameters to a window (CKVXWnd.h), and
// brings the handler's result back.
//
// A record that a sender hands over with the message (the worker's result
// record) is owned by the event: it is freed with the event, after the
// handler has run or when the event is dropped because its window is gone.
// A handler reads such a record through lParam and never frees it.
//
// A message sent from another thread carries a reply slot: the sender waits
// on it, and the event fills it when it is destroyed, with the handler's
// result or with 0 when no handler ran.

#include <QEvent>

#include <future>
#include <memory>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class PENDREL_API CKVXMessageEvent : public QEvent {
public:
    // The event type of every window message.
    static QEvent::Type MessageType();

    CKVXMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);
    ~CKVXMessageEvent() override;
    CKVXMessageEvent(const CKVXMessageEvent&) = delete;
    CKVXMessageEvent& operator=(const CKVXMessageEvent&) = delete;

    UINT Message() const { return m_message; }
    WPARAM WParam() const { return m_wParam; }
    LPARAM LParam() const { return m_lParam; }
    LRESULT Result() const { return m_result; }
    void SetResult(LRESULT result) { m_result = result; }

    // Makes the event the owner of a record (freed with the event).
    template <class T> void Own(std::unique_ptr<T> record) {
        m_record = std::unique_ptr<void, void (*)(void*)>(record.release(),
                                                          [](void* p) { delete static_cast<T*>(p); });
    }

    // The sender's side of the reply: the result arrives when the event is
    // destroyed.
    std::future<LRESULT> ExpectReply();

private:
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
    LRESULT m_result = 0;
    std::unique_ptr<void, void (*)(void*)> m_record{nullptr, [](void*) {}};
    std::unique_ptr<std::promise<LRESULT>> m_reply;
};
