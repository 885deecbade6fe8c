#include "OnlineServices/Sendrix/SFtpConnection.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/AbstractFtpProxyProfile.h"
#include "OnlineServices/Sendrix/AbstractOnlineProfile.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/SFtpIpc.h"
#include "OnlineServices/Sendrix/SFtpLoginData.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SFtpConnection";
const wchar_t kLogSource[] = L".\\SFtpConnection";
const wchar_t kOnline[] = L"ONLINE";
constexpr int kFolderBufferSize = 260;

} // namespace

CSFtpConnection::CSFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile,
                                 CAbstractLog* log, CAbstractCertificateHandler* handler)
    : m_log(log), m_handler(handler), m_messages(log, handler) {
    m_proxyType = proxyProfile ? proxyProfile->GetKind() : 0;
    if (m_proxyType != 0) m_ftpProxy = dynamic_cast<CAbstractFtpProxyProfile*>(proxyProfile);
    Connect(profile);
}

CSFtpConnection::~CSFtpConnection() { Close(); }

void CSFtpConnection::LogEvent(int code, int line) {
    if (m_log) m_log->LogEvent(code, kOnline, kLogSource, line);
}

int CSFtpConnection::Connect(CAbstractOnlineProfile* profile) {
    bool usable = profile != nullptr && m_log != nullptr && (m_proxyType == 0 || m_ftpProxy != nullptr);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return m_result = -20;
    m_result = 0;
    m_log->LogEventFormat(kLogSource, __LINE__, kOnline, 1, profile->GetHost());

    m_socket = new (std::nothrow) CSSLSocket(m_log);
    if (!m_socket || !m_socket->Create(0, SOCK_STREAM, nullptr)) {
        m_result = -2;
    } else {
        if (m_proxyType != 0) m_socket->SetProxy(m_ftpProxy);
        if (!m_socket->Connect(profile->GetHost(), (unsigned)profile->GetPort())) m_result = -3;
    }
    if (m_result != 0) {
        Close();
        LogEvent(-3, __LINE__);
        return m_result;
    }
    LogEvent(2, __LINE__);
    m_messages.SetSocket(m_socket);

    m_ipc = new (std::nothrow) CSFtpIpc(&m_messages);
    if (!m_ipc || !m_ipc->Start()) {
        LogEvent(-16, __LINE__);
        LogEvent(-15, __LINE__);
        m_result = -3;
    } else {
        std::string login =
            MakeSFtpLoginData(profile->GetHost(), profile->GetPort(), profile->GetUserName(), profile->GetPassword());
        DWORD length = 0;
        if (!SendData(kSFtpLogin, (DWORD)login.size(), login.data())) m_result = -1;
        else if (!Receive(kSFtpLogin, &length, nullptr)) m_result = -3;
        LogEvent(m_result != 0 ? -15 : 15, __LINE__);
    }
    LogEvent(m_result < 0 ? 5 : 0, __LINE__);
    if (m_result != 0) Close();
    m_loggedOn = m_result >= 0;
    return m_result;
}

void CSFtpConnection::Close() {
    if (m_socket) {
        m_messages.SetSocket(nullptr);
        delete m_socket;
        m_socket = nullptr;
        LogEvent(13, __LINE__);
    }
    delete m_ipc;  // ends the agent
    m_ipc = nullptr;
    m_loggedOn = 0;
}

int CSFtpConnection::HasSocket() { return m_socket && m_socket->IsValid() ? 1 : 0; }

int CSFtpConnection::IsConnected() { return m_loggedOn && HasSocket() ? 1 : 0; }

int CSFtpConnection::GetProtocol() { return 4; }

CAbstractProxyProfile* CSFtpConnection::GetProxyProfile() { return m_ftpProxy; }

void CSFtpConnection::SetMakingFolder(bool making) { m_messages.SetMakingFolder(making); }

int CSFtpConnection::CheckConnection() {
    bool connected = IsConnected() != 0;
    ReportAssertion(connected, kSourceFile, __LINE__);
    if (!connected) return 0;
    LogEvent(14, __LINE__);
    wchar_t folder[kFolderBufferSize];
    if (GetCurrentDirectory(folder, kFolderBufferSize)) return 1;
    LogEvent(-14, __LINE__);
    return 0;
}

int CSFtpConnection::SendString(DWORD code, const char* text) {
    if (!text) {
        m_result = -20;
        return 0;
    }
    if (!m_ipc || !m_ipc->SendString(code, text)) {
        m_result = -3;
        return 0;
    }
    return 1;
}

int CSFtpConnection::SendData(DWORD code, DWORD length, const void* data) {
    if (length && !data) {
        m_result = -20;
        return 0;
    }
    if (!m_ipc || !m_ipc->SendRequest(code, length, data)) {
        m_result = -3;
        return 0;
    }
    return 1;
}

int CSFtpConnection::Receive(DWORD code, DWORD* length, void* buffer) {
    return m_ipc ? m_ipc->ReceiveReply(code, length, buffer) : 0;
}

int CSFtpConnection::GetCurrentDirectory(wchar_t* buffer, int size) {
    ReportAssertion(buffer != nullptr && size > 0, kSourceFile, __LINE__);
    if (!IsConnected()) {
        m_result = -3;
        return 0;
    }
    if (!buffer || size <= 0) {
        m_result = -20;
        return 0;
    }
    std::vector<char> reply((size_t)size + 1, 0);
    DWORD length = (DWORD)size;
    if (!SendData(kSFtpCurrentFolder, 0, nullptr)) return 0;
    if (!Receive(kSFtpCurrentFolder, &length, reply.data())) {
        m_result = -1;
        return 0;
    }
    CBasicString folder = FromNarrowText(reply.data(), strlen(reply.data()));
    wcsncpy(buffer, folder.GetString(), (size_t)size);
    buffer[size - 1] = 0;
    return 1;
}

int CSFtpConnection::SetCurrentDirectory(const wchar_t* path) {
    bool connected = IsConnected() != 0;
    ReportAssertion(connected, kSourceFile, __LINE__);
    if (!connected) {
        m_result = -3;
        return 0;
    }
    if (!path) {
        m_result = -20;
        return 0;
    }
    DWORD length = 0;
    if (!SendString(kSFtpChangeFolder, ToNarrowText(NormaliseFtpPath(path).GetString()).c_str())) return 0;
    if (!Receive(kSFtpChangeFolder, &length, nullptr)) {
        m_result = -1;
        return 0;
    }
    return 1;
}

int CSFtpConnection::Rename(const wchar_t* oldPath, const wchar_t* newPath) {
    ReportAssertion(oldPath != nullptr && newPath != nullptr, kSourceFile, __LINE__);
    bool connected = IsConnected() != 0;
    ReportAssertion(connected, kSourceFile, __LINE__);
    if (!connected) {
        m_result = -3;
        return 0;
    }
    if (!oldPath || !newPath) {
        m_result = -20;
        return 0;
    }
    std::string data = ToNarrowText(NormaliseFtpPath(oldPath).GetString());
    data.push_back('\0');
    data += ToNarrowText(NormaliseFtpPath(newPath).GetString());
    data.push_back('\0');
    DWORD length = 0;
    if (!SendData(kSFtpRename, (DWORD)data.size(), data.data())) return 0;
    if (!Receive(kSFtpRename, &length, nullptr)) {
        m_result = -1;
        return 0;
    }
    return 1;
}
