#pragma once
// CSFtpAgentMessages: serves the SFTP agent's own requests while the
// library waits for a reply on the channel (CSFtpIpc):
//   2  receive from the server's TCP socket into block 2 (at most 20,476
//      bytes; a larger request fails the waiting request)
//   3  send to the server's TCP socket
//   13 an unknown host key, 14 a changed one: the certificate decision
//      handler is asked (kAskUnknownHostKey, kAskChangedHostKey) with the
//      key's text as the record; its answer kTrustCertificateAlways accepts
//      the key for good (the text joins a process-wide set),
//      kTrustCertificateOnce for this connection, anything else refuses
//      it. Without a handler the key is refused.
//   19 an error text: event 8 (unless a folder is being made, where a
//      failure is expected); the waiting request fails
//   20 an information text: event 8
//   21 a debug text: a verbose line
// Other codes pass without action.

#include "compat/WinTypes.h"

class CAbstractCertificateHandler;
class CAbstractLog;
class CAbstractSocket;
class CSFtpIpc;

class CSFtpAgentMessages {
public:
    CSFtpAgentMessages(CAbstractLog* log, CAbstractCertificateHandler* handler);

    CAbstractLog* GetLog() const { return m_log; }
    // The server connection the agent's traffic goes over (not owned).
    void SetSocket(CAbstractSocket* socket) { m_socket = socket; }
    // While set, the agent's error texts are not logged.
    void SetMakingFolder(bool making) { m_makingFolder = making; }

    // Serves one message of block 1 (data holds length bytes and a zero
    // byte after them): 0 when the waiting request fails.
    int Handle(CSFtpIpc& ipc, DWORD code, DWORD length, const unsigned char* data);

    // Whether a host-key text was accepted for good in this process.
    static bool IsAcceptedHostKey(const char* text);

private:
    int Receive(CSFtpIpc& ipc, DWORD length, const unsigned char* data);
    int Send(CSFtpIpc& ipc, DWORD length, const unsigned char* data);
    int AskHostKey(CSFtpIpc& ipc, DWORD code, const char* text);
    // A text message must be its text and one zero byte.
    bool IsText(DWORD length, const unsigned char* data) const;

    CAbstractLog* m_log;
    CAbstractCertificateHandler* m_handler;
    CAbstractSocket* m_socket = nullptr;
    bool m_makingFolder = false;
};
