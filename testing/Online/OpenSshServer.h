#pragma once
// The system's SSH server (sshd) started by a test on 127.0.0.1 with a
// configuration of its own and one host key of the given type ("ed25519",
// "ecdsa" or "rsa"), made with ssh-keygen in the work folder at the start.
// It offers only host-key algorithms that current servers accept (for RSA
// keys the SHA-2 signatures). It knows no account of the tests, so a login
// goes as far as the password, which fails: it shows the key exchange and
// the host-key check. Start says why it cannot run.

#include <string>

#include "testing/Online/LoopbackDaemon.h"

namespace sendrixtest {

class COpenSshServer {
public:
    COpenSshServer() = default;
    ~COpenSshServer();
    COpenSshServer(const COpenSshServer&) = delete;
    COpenSshServer& operator=(const COpenSshServer&) = delete;

    // "" when the server runs, else the reason it does not.
    std::string Start(const std::string& workFolder, const std::string& keyType);
    // Whether Start's text means the server cannot run here.
    bool Unavailable() const { return m_unavailable; }
    int Port() const { return m_port; }

private:
    CLoopbackDaemon m_daemon;
    int m_port = 0;
    bool m_unavailable = false;
};

} // namespace sendrixtest
