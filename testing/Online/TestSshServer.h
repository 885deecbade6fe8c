#pragma once
// An SFTP server started by a test on 127.0.0.1: a small Python program on
// asyncssh that serves the local files over SFTP to one account known only
// to itself (password login), with an Ed25519 host key made at its start.
// It runs as the user running the test (root or not), makes no system
// account and changes no system file. Start says why it cannot run.

#include <string>

#include "testing/Online/LoopbackDaemon.h"

namespace sendrixtest {

class CTestSshServer {
public:
    CTestSshServer() = default;
    ~CTestSshServer();
    CTestSshServer(const CTestSshServer&) = delete;
    CTestSshServer& operator=(const CTestSshServer&) = delete;

    // "" when the server runs, else the reason it does not. The server's
    // program and the data folder go into workFolder, which the caller
    // removes.
    std::string Start(const std::string& workFolder);
    // Whether Start's text means the server is not installed here.
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
