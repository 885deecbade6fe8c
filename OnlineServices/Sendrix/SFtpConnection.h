#pragma once
// CSFtpConnection: an SFTP server behind the FTP connection interface. The
// connection opens a plain TCP socket to the server (through a socket-level
// proxy when one is set), starts the SFTP agent program over its channel
// (CSFtpIpc) and logs on with the profile's user name and password; the
// agent speaks SSH and moves its bytes over this connection's socket.
// Every file operation is one request and one reply on the channel.
//
// The last result holds -20 bad arguments, -3 not connected or the channel
// failed, -2 socket creation or a transfer failed, -1 a reply that did not
// come; GetLastError gives it unmapped.
//
// Events of category "ONLINE": 1 / 2 / -3 connecting, -16 and -15 the agent
// did not start, 15 / -15 login result, 5 / 0 final result, 13 closed,
// 14 / -14 the connection check; the agent's texts as 8.

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/SFtpAgentMessages.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractCertificateHandler;
class CAbstractFtpProxyProfile;
class CAbstractLog;
class CAbstractOnlineProfile;
class CAbstractProxyProfile;
class CSFtpIpc;
class CSSLSocket;
class CFtpConnection;

class CSFtpConnection : public CAbstractFtpConnection {
public:
    CSFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile, CAbstractLog* log,
                    CAbstractCertificateHandler* handler);
    ~CSFtpConnection() override;
    CSFtpConnection(const CSFtpConnection&) = delete;
    CSFtpConnection& operator=(const CSFtpConnection&) = delete;

    int IsConnected() override;
    int CheckConnection() override;
    int GetCurrentDirectory(wchar_t* buffer, int size) override;
    int GetProtocol() override;
    int IsRunning() override { return m_running; }
    void SetRunning(int running) override { m_running = running; }
    int GetLastError() override { return m_result; }
    CAbstractProxyProfile* GetProxyProfile() override;
    CFtpConnection* AsFtpConnection() override { return nullptr; }
    CSFtpConnection* AsSFtpConnection() override { return this; }

    // A request with a text and its zero byte: 1, else 0 (-20 for a null
    // text, -3 when the channel failed).
    int SendString(DWORD code, const char* text);
    // A request with data: 1, else 0 (-20 without data, -3 channel failed).
    int SendData(DWORD code, DWORD length, const void* data);
    // The reply of code; see CSFtpIpc::ReceiveReply.
    int Receive(DWORD code, DWORD* length, void* buffer);
    int SetCurrentDirectory(const wchar_t* path);
    int Rename(const wchar_t* oldPath, const wchar_t* newPath);
    void Close();

    // 1 while the server connection holds a socket.
    int HasSocket();
    void SetLastResult(int result) { m_result = result; }
    int GetLastResult() const { return m_result; }
    CAbstractLog* GetLog() const { return m_log; }
    // While set, the agent's error texts are not logged (making a folder
    // that may exist already).
    void SetMakingFolder(bool making);

private:
    int Connect(CAbstractOnlineProfile* profile);
    void LogEvent(int code, int line);

    CSSLSocket* m_socket = nullptr;
    CSFtpIpc* m_ipc = nullptr;
    int m_loggedOn = 0;
    int m_running = 1;
    int m_result = 0;
    CBasicString m_reply;
    CAbstractFtpProxyProfile* m_ftpProxy = nullptr;
    int m_proxyType = 0;
    CAbstractLog* m_log;
    CAbstractCertificateHandler* m_handler;
    CSFtpAgentMessages m_messages;
};
