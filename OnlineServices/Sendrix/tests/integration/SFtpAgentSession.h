#pragma once
// The real SFTP agent program over a TCP connection to a test's SFTP server,
// driven request by request through the library's end of the channel (for
// the agent's integration tests and the download benchmark).

#include <cstdint>
#include <string>
#include <vector>

#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/SFtpAgentMessages.h"
#include "OnlineServices/Sendrix/SFtpIpc.h"

class CAbstractCertificateHandler;
class CAbstractLog;

namespace sendrixtest {

class CSFtpAgentSession {
public:
    CSFtpAgentSession(CAbstractLog* log, CAbstractCertificateHandler* handler);

    // Connects to 127.0.0.1:port, starts the agent and logs on.
    bool Login(int port, const wchar_t* user, const wchar_t* password);
    // One request and its empty reply.
    bool Exchange(uint32_t code, const std::string& data);
    bool Upload(const std::string& path, const std::string& bytes);
    bool Download(const std::string& path, std::string& bytes);
    bool List(const std::string& path, std::vector<std::string>& lines);

    // A path with its zero byte.
    static std::string Path(const std::string& path) { return path + std::string(1, '\0'); }

private:
    CBasicSocket m_socket;
    CSFtpAgentMessages m_messages;
    CSFtpIpc m_ipc;
};

} // namespace sendrixtest
