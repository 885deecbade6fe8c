#pragma once
// CFtpConnection: the client end of an FTP control connection, plain or
// with TLS (implicit, or explicit through "AUTH SSL" / "AUTH TLS"), logging
// in directly or through one of nine kinds of FTP proxy gateway (the rows
// of its login table, chosen by the proxy profile's FTP login form). Data
// connections with TLS resume the control connection's session and trust
// the certificate that the control connection trusted. The constructor
// connects and logs in; the online module hands the object out only when
// IsConnected says 1. Files (CFtpFile) and finders (CFtpFileFind) borrow its control channel
// and open their data connections through OpenDataConnection.
//
// The last result holds the last reply code or a negative error:
//   -20 bad argument   -3 connection lost, not connected or command not sent
//   -2 a socket could not be made or connected   -1 not a reply, or an
//   unexpected reply during the login   -5 unusable passive reply
// GetLastError maps it to an error code (0 for the usual good replies).
//
// Events of category "ONLINE" (nothing without a log): 1 connecting to (the
// host, "host:port" off port 21), 2 connected, -3 connection failed, 3 / 16
// greeting accepted (16 through an FTP proxy gateway, with its
// "host:port"), 12 / -8 TLS handshake, -2 and 4 unexpected login reply, 5 /
// 0 login failed / succeeded, -12 a command failed, 13 closed, 14 / -14 the
// connection check, 7 / 8 one exchange. Passwords never reach the log.

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/FtpDataTrust.h"
#include "utility/BasicString.h"

class CAbstractCertificateHandler;
class CAbstractFtpProfile;
class CAbstractFtpProxyProfile;
class CAbstractLog;
class CAbstractProxyProfile;
class CSSLSocket;
class CArchive;
class CSocketFile;

class CFtpConnection : public CAbstractFtpConnection {
public:
    CFtpConnection(CAbstractFtpProfile* profile, CAbstractProxyProfile* proxyProfile, CAbstractLog* log,
                   CAbstractCertificateHandler* handler);
    ~CFtpConnection() override;
    CFtpConnection(const CFtpConnection&) = delete;
    CFtpConnection& operator=(const CFtpConnection&) = delete;

    int IsConnected() override;
    int CheckConnection() override;
    int GetCurrentDirectory(wchar_t* buffer, int size) override;
    int GetProtocol() override { return m_protocol; }
    int IsRunning() override { return m_running; }
    void SetRunning(int running) override { m_running = running; }
    int GetLastError() override;
    CAbstractProxyProfile* GetProxyProfile() override;
    CFtpConnection* AsFtpConnection() override { return this; }
    CSFtpConnection* AsSFtpConnection() override { return nullptr; }

    // Connects and logs in: 0 logged on, else a negative error.
    int Connect(CAbstractFtpProfile* profile);
    // A non-empty command is sent, then a reply read: 1 on a 2xx reply.
    int SendAndCheck(const wchar_t* command);
    // The same; 1 when the reply has exactly the code.
    int SendAndExpect(const wchar_t* command, int code);
    // SendAndCheck / SendAndExpect with the exchange logged (as an event,
    // or as a verbose trace line); a failure logs event -12 as well.
    int Command(const wchar_t* command, int asEvent);
    int CommandExpect(const wchar_t* command, int code, int asEvent);
    // "CWD " + path, expects 250.
    int SetCurrentDirectory(const wchar_t* path);
    // "RNFR" (350) then "RNTO" (250) with the normalised paths.
    int Rename(const wchar_t* oldPath, const wchar_t* newPath);
    // Says "QUIT" without waiting for an answer, then closes.
    void Quit();
    void Close();
    // 1 when data connections go passive: any proxy, or the profile's flag.
    int IsPassive();
    void GetLastReply(CBasicString& out) { out = m_reply; }
    int GetLastResult() const { return m_result; }
    void SetLastResult(int result) { m_result = result; }
    CAbstractLog* GetLog() { return m_log; }
    void SetLog(CAbstractLog* log) { m_log = log; }
    CAbstractCertificateHandler* GetCertificateHandler() { return m_handler; }
    void SetCertificateHandler(CAbstractCertificateHandler* handler) { m_handler = handler; }

    // Sets up one data connection (passive or active) on dataSocket, sends
    // command and waits for its preliminary reply: 0 or more when the
    // server took the command, else a negative error (also the last
    // result). The data socket stays the caller's.
    int OpenDataConnection(CSSLSocket* dataSocket, const wchar_t* command);

    // "PBSZ 0" (a 2xx reply, or 502 from a server that needs no buffer
    // size) and "PROT P" (2xx): 0, or the error of the failed reply.
    int ProtectDataChannel();

    // The text + CR LF on the control connection: 1 sent, 0 not (-3).
    int SendCommand(const wchar_t* command);
    // One whole reply (all lines of a multi-line one): 1 read, 0 not.
    int ReadReply();

private:
    // Checks the arguments (an assertion at line when they are not usable)
    // and the connection: false with -20 or -3 as the last result.
    bool CanSendCommand(bool usable, int line);
    int ReadLine();
    // One raw line into the reply text: false when none could be read.
    bool ReadRawLine();
    int LogExchange(const wchar_t* command, int asEvent);
    void LogEvent(int code, int line);
    void LogEventText(int code, const wchar_t* text, int line);
    int OpenControlSocket(CAbstractFtpProfile* profile);
    int StartTls();
    int RunLogin(CAbstractFtpProfile* profile);
    // Sends command (displayed as display when it holds a password) and
    // reads the reply: the reply code, or a negative error.
    int LoginExchange(const CBasicString& command, const CBasicString& display);
    int ActivePort(CSSLSocket*& listener);
    // Accepts the data connection of the control connection's server into
    // dataSocket, closing connections from anywhere else.
    bool AcceptFromServer(CSSLSocket* listener, CSSLSocket* dataSocket);
    int SecureDataSocket(CSSLSocket* dataSocket);
    // The host a passive data connection goes to: the control connection's
    // server.
    bool DataHost(CBasicString& host);

    CArchive* m_reader = nullptr;
    CArchive* m_writer = nullptr;
    CSocketFile* m_socketFile = nullptr;
    CSSLSocket* m_socket = nullptr;
    CBasicString m_reply;
    // The host the control connection was made to (the gateway's for a
    // gateway login).
    CBasicString m_controlHost;
    int m_result = 0;
    int m_loggedOn = 0;
    int m_running = 1;
    CAbstractLog* m_log;
    CAbstractCertificateHandler* m_handler;
    CAbstractFtpProxyProfile* m_ftpProxy = nullptr;
    int m_protocol = 0;
    int m_proxyType = 0;
    int m_ftpProxyKind = 0;
    int m_passive = 0;
    // Trusts for the data connections the server the control connection trusted.
    CFtpDataTrust m_dataTrust;
};

// The error code of a reply code or negative result.
int MapFtpResult(int result);

// The address and port of a passive reply ("227 ... (h1,h2,h3,h4,p1,p2)"):
// 0, or -5 unless the parentheses hold exactly six numbers from 0 to 255.
int ParsePassiveReply(const CBasicString& reply, CBasicString& address, int& port);
