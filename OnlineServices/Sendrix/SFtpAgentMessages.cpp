#include "OnlineServices/Sendrix/SFtpAgentMessages.h"

#include <sys/socket.h>

#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"
#include "OnlineServices/Sendrix/AbstractSocket.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/SFtpIpc.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SFtpConnection";
const wchar_t kLogSource[] = L".\\SFtpConnection";
const wchar_t kOnline[] = L"ONLINE";

// Host-key texts accepted for good in this process.
std::mutex g_acceptedMutex;
std::set<std::string> g_accepted;

uint32_t ReadU32(const unsigned char* data) {
    uint32_t value;
    memcpy(&value, data, 4);
    return value;
}

} // namespace

CSFtpAgentMessages::CSFtpAgentMessages(CAbstractLog* log, CAbstractCertificateHandler* handler)
    : m_log(log), m_handler(handler) {}

bool CSFtpAgentMessages::IsAcceptedHostKey(const char* text) {
    std::lock_guard<std::mutex> lock(g_acceptedMutex);
    return text && g_accepted.count(text) != 0;
}

bool CSFtpAgentMessages::IsText(DWORD length, const unsigned char* data) const {
    bool text = length > 0 && strlen(reinterpret_cast<const char*>(data)) + 1 == length;
    ReportAssertion(text, kSourceFile, __LINE__);
    return text;
}

int CSFtpAgentMessages::Handle(CSFtpIpc& ipc, DWORD code, DWORD length, const unsigned char* data) {
    bool usable = code != 0 && length <= kSFtpDataSize && m_log != nullptr && data != nullptr;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    switch (code) {
    case kSFtpReceive:
        return Receive(ipc, length, data);
    case kSFtpSend:
        return Send(ipc, length, data);
    case kSFtpUnknownHostKey:
    case kSFtpChangedHostKey:
        return AskHostKey(ipc, code, text);
    case kSFtpErrorText:
        if (IsText(length, data) && !m_makingFolder)
            m_log->LogEventFormat(kLogSource, __LINE__, kOnline, 8, FromNarrowText(text, length - 1).GetString());
        return 0;
    case kSFtpInformationText:
        if (IsText(length, data))
            m_log->LogEventFormat(kLogSource, __LINE__, kOnline, 8, FromNarrowText(text, length - 1).GetString());
        return 1;
    case kSFtpDebugText:
        if (IsText(length, data))
            m_log->DebugFormat(kLogSource, __LINE__, 0, L"%s", FromNarrowText(text, length - 1).GetString());
        return 1;
    default:
        return 1;
    }
}

int CSFtpAgentMessages::Receive(CSFtpIpc& ipc, DWORD length, const unsigned char* data) {
    if (length < 4) return 0;
    uint32_t wanted = ReadU32(data);
    if (wanted > kSFtpMaxReceive) return 0;
    unsigned char* area = ipc.BeginRequest();
    if (!area) return 0;
    int received = -1;
    if (m_socket) received = m_socket->Receive(area + 4, (int)wanted, 0);
    else SetSocketError(WSAENOTCONN);
    uint32_t count = received > 0 ? (uint32_t)received : 0;
    // What else is waiting goes with it: fewer exchanges on the channel.
    while (received > 0 && count < wanted) {
        received = m_socket->Receive(area + 4 + count, (int)(wanted - count), MSG_DONTWAIT);
        if (received > 0) count += (uint32_t)received;
    }
    if (count > 0) received = (int)count;
    memcpy(area, &count, 4);
    if (received >= 0) return ipc.EndRequest(kSFtpReceive, count + 4);
    uint32_t error = GetSocketError();
    memcpy(area + 4, &error, 4);
    return ipc.EndRequest(kSFtpReceive, 8);
}

int CSFtpAgentMessages::Send(CSFtpIpc& ipc, DWORD length, const unsigned char* data) {
    uint32_t answer[2] = {0, 0};
    if (!m_socket) {
        answer[1] = WSAENOTCONN;
    } else {
        DWORD sent = 0;
        while (sent < length) {
            int n = m_socket->Send(data + sent, (int)(length - sent), 0);
            if (n <= 0) {
                answer[1] = GetSocketError();
                break;
            }
            sent += (DWORD)n;
        }
        answer[0] = answer[1] ? 0 : sent;
    }
    return ipc.SendRequest(kSFtpSend, sizeof answer, answer);
}

int CSFtpAgentMessages::AskHostKey(CSFtpIpc& ipc, DWORD code, const char* text) {
    // Unanswered, the agent would wait for ever: no handler refuses the key.
    int32_t decision = kSFtpKeyRefused;
    if (m_handler) {
        CBasicString wide = FromNarrowText(text, strlen(text));
        int answer = m_handler->Ask(code == kSFtpUnknownHostKey ? kAskUnknownHostKey : kAskChangedHostKey,
                                    wide.GetString());
        if (answer == kTrustCertificateAlways) {
            decision = kSFtpKeyAcceptAlways;
            std::lock_guard<std::mutex> lock(g_acceptedMutex);
            g_accepted.insert(text);
        } else if (answer == kTrustCertificateOnce) {
            decision = kSFtpKeyAcceptOnce;
        }
    }
    return ipc.SendRequest(code, sizeof decision, &decision);
}
