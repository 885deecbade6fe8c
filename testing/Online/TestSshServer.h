#pragma once
// OpenSSH's sshd started by an SFTP test on 127.0.0.1 with a configuration
// of its own: a host key made for the test, password login for one test
// account only, SFTP only. The test account ("kvxsftp") is made when it is
// missing and gets a known password; its files go to a folder of the test
// below /tmp, which the server's end removes. Needs root (sshd checks
// passwords against the system's accounts); Start says why it cannot run.

#include <string>

#include "testing/Online/LoopbackDaemon.h"

namespace sendrixtest {

class CTestSshServer {
public:
    CTestSshServer() = default;
    ~CTestSshServer();
    CTestSshServer(const CTestSshServer&) = delete;
    CTestSshServer& operator=(const CTestSshServer&) = delete;

    // "" when the server runs, else the reason the test is skipped or fails.
    std::string Start(const std::string& workFolder);
    // Whether Start's text is a reason to skip (no root, no sshd).
    bool Unavailable() const { return m_unavailable; }

    int Port() const { return m_port; }
    static const wchar_t* User() { return L"kvxsftp"; }
    static const wchar_t* Password() { return L"Kvx-Sftp-Test-4711"; }
    // A folder the test account may write (absolute, without trailing '/').
    const std::string& DataFolder() const { return m_dataFolder; }

private:
    CLoopbackDaemon m_daemon;
    int m_port = 0;
    std::string m_dataFolder;
    bool m_unavailable = false;
};

} // namespace sendrixtest
