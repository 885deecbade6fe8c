#include "Pendrel/Platform/KVXMessageEvent.h"

QEvent::Type CKVXMessageEvent::MessageType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CKVXMessageEvent::CKVXMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(MessageType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

CKVXMessageEvent::~CKVXMessageEvent() {
    if (m_reply) m_reply->set_value(m_result);
}

std::future<LRESULT> CKVXMessageEvent::ExpectReply() {
    m_reply = std::make_unique<std::promise<LRESULT>>();
    return m_reply->get_future();
}
