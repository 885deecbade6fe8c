#pragma once
// lighttpd on 127.0.0.1 serving a folder over HTTP and, on a second port,
// over HTTPS with a given certificate; stopped when the object ends.

#include <string>

#include "testing/Online/LoopbackDaemon.h"

namespace sendrixtest {

class CLighttpdServer {
public:
    // The lighttpd program, or "" when it is not installed.
    static std::string FindProgram();

    // Further configuration lines (throttling, conditions), written after
    // the server's own; set before Start.
    void SetExtraConfig(const std::string& lines) { m_extraConfig = lines; }
    // Serves documentRoot with the certificate chain and key files (PEM);
    // its configuration and error log go into workFolder. False (with the
    // reason in Error) when it does not start.
    bool Start(const std::string& documentRoot, const std::string& chainFile, const std::string& keyFile,
               const std::string& workFolder);
    int Port() const { return m_port; }
    int TlsPort() const { return m_tlsPort; }
    const std::string& Error() const { return m_daemon.Error(); }

private:
    CLoopbackDaemon m_daemon;
    int m_port = 0;
    int m_tlsPort = 0;
    std::string m_extraConfig;
};

} // namespace sendrixtest
