#pragma once
// vsftpd on 127.0.0.1 with an anonymous account that may read and write
// everywhere below a folder (paths are absolute: the server runs as the
// user who starts it, without changing its root). With TLS it insists on
// TLS for the login and the data, implicitly from the first byte or after
// "AUTH", and on data connections that resume the control connection's
// session. Stopped when the object ends.

#include <string>

#include "testing/Online/LoopbackDaemon.h"

namespace sendrixtest {

class CVsftpdServer {
public:
    enum Tls { kNoTls, kImplicitTls, kExplicitTls };

    // The vsftpd program, or "" when it is not installed.
    static std::string FindProgram();

    // Serves below root; the configuration and the server's log go into
    // workFolder. With TLS the chain and key files (PEM) are the server's.
    // False (with the reason in Error) when it does not start.
    bool Start(const std::string& root, const std::string& workFolder, Tls tls = kNoTls,
               const std::string& chainFile = "", const std::string& keyFile = "");
    int Port() const { return m_port; }
    const std::string& Error() const { return m_daemon.Error(); }
    // The server's log (commands, replies and TLS notes).
    std::string Log() const;

private:
    CLoopbackDaemon m_daemon;
    std::string m_logFile;
    int m_port = 0;
};

} // namespace sendrixtest
