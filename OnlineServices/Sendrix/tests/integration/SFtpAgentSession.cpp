#include "OnlineServices/Sendrix/tests/integration/SFtpAgentSession.h"

#include <algorithm>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/SFtpLoginData.h"

namespace sendrixtest {

namespace {

// Path, zero byte and a start offset of 0.
std::string OpenData(const std::string& path) { return CSFtpAgentSession::Path(path) + std::string(8, '\0'); }

} // namespace

CSFtpAgentSession::CSFtpAgentSession(CAbstractLog* log, CAbstractCertificateHandler* handler)
    : m_socket(log), m_messages(log, handler), m_ipc(&m_messages) {
    m_messages.SetSocket(&m_socket);
}

bool CSFtpAgentSession::Login(int port, const wchar_t* user, const wchar_t* password) {
    if (!m_socket.Connect(L"127.0.0.1", (unsigned)port) || !m_ipc.Start()) return false;
    return Exchange(kSFtpLogin, MakeSFtpLoginData(L"127.0.0.1", port, user, password));
}

bool CSFtpAgentSession::Exchange(uint32_t code, const std::string& data) {
    DWORD length = 0;
    return m_ipc.SendRequest(code, (DWORD)data.size(), data.data()) && m_ipc.ReceiveReply(code, &length, nullptr);
}

bool CSFtpAgentSession::Upload(const std::string& path, const std::string& bytes) {
    if (!Exchange(kSFtpOpenWrite, OpenData(path))) return false;
    // Pieces of 4096 bytes, then an empty one.
    for (size_t at = 0;; at += kSFtpMaxTransfer) {
        size_t start = std::min(at, bytes.size());
        size_t piece = std::min<size_t>(kSFtpMaxTransfer, bytes.size() - start);
        uint32_t written = 0;
        DWORD length = sizeof written;
        if (!m_ipc.SendRequest(kSFtpWrite, (DWORD)piece, bytes.data() + start) ||
            !m_ipc.ReceiveReply(kSFtpWrite, &length, &written) || written != piece)
            return false;
        if (piece == 0) break;
    }
    return Exchange(kSFtpCloseFile, "");
}

bool CSFtpAgentSession::Download(const std::string& path, std::string& bytes) {
    if (!Exchange(kSFtpOpenRead, OpenData(path))) return false;
    char buffer[kSFtpMaxTransfer];
    for (;;) {
        uint32_t want = kSFtpMaxTransfer;
        DWORD length = sizeof buffer;
        if (!m_ipc.SendRequest(kSFtpRead, sizeof want, &want) || !m_ipc.ReceiveReply(kSFtpRead, &length, buffer))
            return false;
        if (length == 0) break;
        bytes.append(buffer, length);
    }
    return Exchange(kSFtpCloseFile, "");
}

bool CSFtpAgentSession::List(const std::string& path, std::vector<std::string>& lines) {
    const std::string request = Path(path);
    if (!m_ipc.SendRequest(kSFtpListFolder, (DWORD)request.size(), request.data())) return false;
    char line[kSFtpMaxListLine];
    for (;;) {
        DWORD length = sizeof line;
        if (!m_ipc.ReceiveReply(kSFtpListFolder, &length, line)) return false;
        if (length == 0) return true;
        lines.emplace_back(line, length);
    }
}

} // namespace sendrixtest
