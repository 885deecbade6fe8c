#include "OnlineServices/Sendrix/FtpConnection.h"

#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstring>
#include <cwchar>
#include <new>

#include "OnlineServices/Sendrix/AbstractFtpProfile.h"
#include "OnlineServices/Sendrix/AbstractFtpProxyProfile.h"
#include "OnlineServices/Sendrix/AbstractSocket.h"
#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/BasicSocket.h"
#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/SocketFile.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\FtpConnection";
const wchar_t kLogSource[] = L".\\FtpConnection";
const wchar_t kOnline[] = L"ONLINE";

constexpr int kBadArgument = -20;
constexpr int kConnectionLost = -3;
constexpr int kSocketFailed = -2;
constexpr int kNotAReply = -1;
constexpr int kBadPassiveReply = -5;

constexpr int kArchiveBufferSize = 4096;
constexpr int kLineLimit = 520;
// The most text a reply of many lines may hold (a long welcome or feature
// list fits many times over).
constexpr int kReplyLimit = 64 * 1024;
constexpr int kFolderBufferSize = 260;

// Proxy types of the proxy profile: 0 none, 1 an FTP proxy gateway, the
// others socket-level proxies.
constexpr int kProxyTypeNone = 0;
constexpr int kProxyTypeGateway = 1;

// The login table: one row per FTP proxy login form; a state is an index
// into the row, where three integers stand: the command code, the next
// state after a 2xx reply and after a 3xx reply. -2 is logged on, -1 a
// failure.
constexpr int kLoggedOn = -2;
constexpr int kLoginFailed = -1;
constexpr int kLoginRows = 9;
constexpr int kLoginRowLength = 15;
const int kLoginTable[kLoginRows][kLoginRowLength] = {
    {0, -2, 3, 1, -2, -1},
    {3, 6, 3, 4, 6, -1, 5, 9, 9, 0, -2, 12, 1, -2, -1},
    {3, 6, 3, 4, 6, -1, 6, -2, 9, 1, -2, -1},
    {7, 3, 3, 0, -2, 6, 1, -2, -1},
    {3, 6, 3, 4, 6, -1, 0, -2, 9, 1, -2, -1},
    {6, -2, 3, 1, -2, -1},
    {8, 6, 3, 4, 6, -1, 0, -2, 9, 1, -2, -1},
    {9, -1, 3, 1, -2, 6, 2, -2, -1},
    {10, -2, 3, 11, -2, 6, 2, -2, -1},
};

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

bool StartsWithCode(const CBasicString& line) {
    return line.GetLength() >= 3 && IsDigit(line.GetAt(0)) && IsDigit(line.GetAt(1)) && IsDigit(line.GetAt(2));
}

int CodeOf(const CBasicString& line) {
    return (line.GetAt(0) - L'0') * 100 + (line.GetAt(1) - L'0') * 10 + (line.GetAt(2) - L'0');
}

CBasicString HostAndPort(const wchar_t* host, int port) {
    CBasicString text;
    text.Format(L"%s:%d", host, port);
    return text;
}

// Waits until a connection is waiting on the listening socket.
bool WaitForConnection(CSSLSocket* listener) {
    pollfd p = {listener->GetHandle(), POLLIN, 0};
    return poll(&p, 1, CExchangeDeadline::Bound(CBasicSocket::GetReceiveTimeout())) == 1 && (p.revents & POLLIN);
}

} // namespace

int MapFtpResult(int result) {
    switch (result) {
    case 110: case 125: case 150: case 200: case 211: case 212: case 213: case 214: case 215: case 220:
    case 221: case 225: case 226: case 227: case 230: case 250: case 257: case 331: case 332: case 350:
        return 0;
    case 120:
        return -4;
    case 202: case 502:
        return -5;
    case 421: case 425: case 426: case 530:
        return -3;
    case 450: case 451: case 452: case 550: case 551: case 552: case 553:
        return -2;
    case 500: case 501: case 503: case 504:
        return -1;
    case 532:
        return -6;
    default:
        // Other transient (4xx) and permanent (5xx) refusals, and codes no
        // server may send, are failures too; other good codes stay as they are.
        if (result >= 400 && result <= 499) return -3;
        if (result >= 500 || (result > 0 && result < 100)) return -1;
        return result;
    }
}

CFtpConnection::CFtpConnection(CAbstractFtpProfile* profile, CAbstractProxyProfile* proxyProfile, CAbstractLog* log,
                               CAbstractCertificateHandler* handler)
    : m_log(log), m_handler(handler) {
    if (proxyProfile) {
        m_proxyType = proxyProfile->GetKind();
        m_ftpProxy = dynamic_cast<CAbstractFtpProxyProfile*>(proxyProfile);
        if (m_ftpProxy) m_ftpProxyKind = m_ftpProxy->GetFtpLoginForm();
    }
    Connect(profile);
}

CFtpConnection::~CFtpConnection() { Close(); }

int CFtpConnection::IsConnected() { return m_loggedOn && m_socket && m_socket->IsValid() ? 1 : 0; }

int CFtpConnection::GetLastError() { return MapFtpResult(m_result); }

void CFtpConnection::LogEvent(int code, int line) {
    if (m_log) m_log->LogEvent(code, kOnline, kLogSource, line);
}

void CFtpConnection::LogEventText(int code, const wchar_t* text, int line) {
    if (m_log) m_log->LogEventFormat(kLogSource, line, kOnline, code, text);
}

// ---- sending and reading ----

int CFtpConnection::SendCommand(const wchar_t* command) {
    if (!command) {
        m_result = kBadArgument;
        return 0;
    }
    if (!m_writer) {
        m_result = kConnectionLost;
        return 0;
    }
    CBasicString line = CBasicString(command) + L"\r\n";
    try {
        m_writer->WriteString(line.GetString());
    } catch (...) {
        m_result = kConnectionLost;
        return 0;
    }
    return 1;
}

bool CFtpConnection::ReadRawLine() {
    char buffer[kLineLimit + 1];
    m_reply.Empty();
    if (!m_reader) return false;
    try {
        if (!m_reader->ReadString(buffer, kLineLimit)) return false;  // the server closed the connection
    } catch (...) {
        return false;
    }
    m_reply = FromNarrowText(buffer, strlen(buffer));
    return true;
}

int CFtpConnection::ReadLine() {
    if (!ReadRawLine()) {
        m_result = kConnectionLost;
        return 0;
    }
    if (m_reply.GetLength() > 3 && StartsWithCode(m_reply)) {
        m_result = CodeOf(m_reply);
        return 1;
    }
    m_result = kNotAReply;
    return 0;
}

int CFtpConnection::ReadReply() {
    CExchangeDeadline deadline;
    if (!ReadLine()) return 0;
    int code = m_result;
    if (code <= 100 || code >= 600) {
        m_result = kNotAReply;
        return 0;
    }
    if (m_reply.GetAt(3) != L'-') return 1;
    // A multi-line reply ends with the line that holds the first line's code
    // and a space; the lines between may carry any text, a code or none.
    CBasicString collected = m_reply;
    for (;;) {
        if (!ReadRawLine()) {
            m_result = kConnectionLost;
            return 0;
        }
        collected += L"\r\n";
        collected += m_reply;
        if (collected.GetLength() > kReplyLimit) {
            m_result = kNotAReply;
            return 0;
        }
        bool last = StartsWithCode(m_reply) && CodeOf(m_reply) == code &&
                    (m_reply.GetLength() == 3 || m_reply.GetAt(3) == L' ');
        if (last) break;
    }
    m_reply = collected;
    m_result = code;
    return 1;
}

int CFtpConnection::SendAndCheck(const wchar_t* command) {
    if (!command) {
        m_result = kBadArgument;
        return 0;
    }
    if (*command && !SendCommand(command)) return 0;
    return ReadReply() && m_result / 100 == 2 ? 1 : 0;
}

int CFtpConnection::SendAndExpect(const wchar_t* command, int code) {
    if (!command) {
        m_result = kBadArgument;
        return 0;
    }
    if (*command && !SendCommand(command)) return 0;
    return ReadReply() && m_result == code ? 1 : 0;
}

int CFtpConnection::Command(const wchar_t* command, int asEvent) {
    int ok = SendAndCheck(command);
    if (!ok && m_log) {
        LogEvent(-12, __LINE__);
        asEvent = 1;
    }
    LogExchange(command, asEvent);
    return ok;
}

int CFtpConnection::CommandExpect(const wchar_t* command, int code, int asEvent) {
    int ok = SendAndExpect(command, code);
    if (!ok && m_log) {
        LogEvent(-12, __LINE__);
        asEvent = 1;
    }
    LogExchange(command, asEvent);
    return ok;
}

int CFtpConnection::LogExchange(const wchar_t* command, int asEvent) {
    if (!m_log) return 1;
    CBasicString shown = command ? command : L"";
    CBasicString text = shown + L" (" +
                        (m_reply.IsEmpty() ? CBasicString(L"ERROR: No response from server!!!") : m_reply) + L")";
    if (asEvent) LogEventText(shown.IsEmpty() ? 8 : 7, text.GetString(), __LINE__);
    else m_log->DebugFormat(kLogSource, __LINE__, 0, L"Ftp Command:   %s", text.GetString());
    return 1;
}

// ---- connecting and logging in ----

int CFtpConnection::OpenControlSocket(CAbstractFtpProfile* profile) {
    m_socket = new (std::nothrow) CSSLSocket(m_log);
    if (!m_socket || !m_socket->Create(0, SOCK_STREAM, nullptr)) {
        Close();
        return kSocketFailed;
    }
    if (m_proxyType != kProxyTypeNone && m_proxyType != kProxyTypeGateway) m_socket->SetProxy(m_ftpProxy);
    bool gateway = m_proxyType == kProxyTypeGateway;
    const wchar_t* host = gateway ? m_ftpProxy->GetHost() : profile->GetHost();
    int port = gateway ? m_ftpProxy->GetPort() : profile->GetPort();
    if (!m_socket->Connect(host, (unsigned)port)) {
        Close();
        return kConnectionLost;
    }
    m_controlHost = host ? host : L"";
    m_socketFile = CreateSocketFile(m_socket, 1);
    m_reader = m_socketFile ? CreateArchive(m_socketFile, 3, kArchiveBufferSize, nullptr) : nullptr;
    m_writer = m_socketFile ? CreateArchive(m_socketFile, 2, kArchiveBufferSize, nullptr) : nullptr;
    if (!m_reader || !m_writer) {
        Close();
        return kSocketFailed;
    }
    return 0;
}

int CFtpConnection::StartTls() {
    int result = 0;
    if (!m_socket->InitTLS(nullptr, m_handler) || !m_socket->Connect(nullptr, 0)) result = kConnectionLost;
    else m_dataTrust.TakeControlCertificate(m_socket);
    LogEvent(result >= 0 ? 12 : -8, __LINE__);
    return result;
}

int CFtpConnection::ProtectDataChannel() {
    // A server that needs no buffer size answers 502; that is accepted.
    int ok = Command(L"PBSZ 0", 0) || m_result == 502;
    if (ok) ok = Command(L"PROT P", 0);
    return ok ? 0 : GetLastError();
}

int CFtpConnection::Connect(CAbstractFtpProfile* profile) {
    if (!profile || (m_proxyType != kProxyTypeNone && !m_ftpProxy)) {
        m_loggedOn = 0;
        m_result = kBadArgument;
        return kBadArgument;
    }
    m_protocol = profile->GetProtocol();
    m_passive = profile->GetPassive();
    if (m_log) {
        int port = profile->GetPort();
        CBasicString where = port == 21 ? CBasicString(profile->GetHost()) : HostAndPort(profile->GetHost(), port);
        LogEventText(1, where.GetString(), __LINE__);
    }
    if (m_ftpProxyKind < 0 || m_ftpProxyKind >= kLoginRows) {
        m_result = kNotAReply;
        return kNotAReply;
    }

    int result = OpenControlSocket(profile);
    LogEvent(result >= 0 ? 2 : -3, __LINE__);
    if (result < 0) {
        m_result = result;
        return result;
    }
    bool implicitTls = m_protocol == 1;
    bool explicitTls = m_protocol == 2 || m_protocol == 3;
    if (!implicitTls && !Command(L"", 1)) result = GetLastError();
    if (m_log && result >= 0) {
        if (m_proxyType == kProxyTypeGateway)
            LogEventText(16, HostAndPort(m_ftpProxy->GetHost(), m_ftpProxy->GetPort()).GetString(), __LINE__);
        else
            LogEvent(3, __LINE__);
    }
    if (result >= 0 && explicitTls) {
        const wchar_t* auth = m_protocol == 2 ? L"AUTH SSL" : L"AUTH TLS";
        SendAndCheck(auth);
        if (m_result != 234 && m_result != 334) {
            result = GetLastError();
            // A good reply of another kind does not open TLS either.
            if (result >= 0) result = kNotAReply;
        }
        LogExchange(auth, 1);
    }
    if (result >= 0 && (implicitTls || explicitTls)) result = StartTls();
    if (result >= 0 && explicitTls) result = ProtectDataChannel();
    if (result >= 0 && implicitTls && !Command(L"", 1)) result = GetLastError();
    if (result >= 0) result = RunLogin(profile);
    else Close();

    LogEvent(result < 0 ? 5 : 0, __LINE__);
    m_result = result;
    m_loggedOn = result >= 0 ? 1 : 0;
    return result;
}

int CFtpConnection::LoginExchange(const CBasicString& command, const CBasicString& display) {
    if (!SendCommand(command.GetString())) return kConnectionLost;
    int result = ReadReply() ? m_result : GetLastError();
    LogExchange(display.IsEmpty() ? command.GetString() : display.GetString(), 1);
    return result;
}

int CFtpConnection::RunLogin(CAbstractFtpProfile* profile) {
    const int* row = kLoginTable[m_ftpProxyKind];
    CBasicString user = profile->GetUserName();
    CBasicString password = profile->GetPassword();
    CBasicString host = profile->GetHost();
    CBasicString proxyUser = m_ftpProxy ? m_ftpProxy->GetUserName() : L"";
    CBasicString proxyPassword = m_ftpProxy ? m_ftpProxy->GetPassword() : L"";
    int state = 0;
    for (;;) {
        CBasicString command, display;
        switch (row[state]) {
        case 0: command = L"USER " + user; break;
        case 1: command = L"PASS " + password; display = L"PASS *"; break;
        case 2: command = L"ACCT " + proxyPassword; display = L"ACCT *"; break;
        case 3: command = L"USER " + proxyUser; break;
        case 4: command = L"PASS " + proxyPassword; display = L"PASS *"; break;
        case 5: command = L"SITE " + host; break;
        case 6: command = L"USER " + user + L"@" + host; break;
        case 7: command = L"OPEN " + host; break;
        case 8: command = L"USER " + proxyUser + L"@" + profile->GetSecondAddress(); break;
        case 9: command = L"USER " + user + L"@" + host + L" " + proxyUser; break;
        case 10: command = L"USER " + user + L"@" + proxyUser + L"@" + host; break;
        case 11: command = L"PASS " + password + L"@" + proxyPassword; display = L"PASS *@*"; break;
        }
        int code = LoginExchange(command, display);
        if (code < 200 || code > 399) {
            int result = code < 0 ? code : kNotAReply;
            LogEvent(-2, __LINE__);
            LogEventText(4, host.GetString(), __LINE__);
            Close();
            return result;
        }
        state = row[state + (code < 300 ? 1 : 2)];
        if (state == kLoginFailed) {
            Close();
            return kConnectionLost;
        }
        if (state == kLoggedOn) {
            if (m_protocol != 1) return 0;
            int result = ProtectDataChannel();
            if (result < 0) Close();
            return result;
        }
    }
}

// ---- the logged-on connection ----

int CFtpConnection::CheckConnection() {
    int open = IsConnected();
    ReportAssertion(open, kSourceFile, __LINE__);
    if (!open) return 0;
    LogEvent(14, __LINE__);
    if (SendCommand(L"PWD") && ReadReply()) return 1;
    LogEvent(-14, __LINE__);
    return 0;
}

bool CFtpConnection::CanSendCommand(bool usable, int line) {
    ReportAssertion(usable, kSourceFile, line);
    m_result = !usable ? kBadArgument : (IsConnected() ? m_result : kConnectionLost);
    return usable && IsConnected();
}

int CFtpConnection::GetCurrentDirectory(wchar_t* buffer, int size) {
    if (!CanSendCommand(buffer != nullptr && size > 0, __LINE__)) return 0;
    if (!CommandExpect(L"PWD", 257, 0)) {
        m_result = GetLastError();
        return 0;
    }
    if (m_reply.GetLength() <= 3) return 0;
    int start = m_reply.FindChar(L'/');
    if (start < 0) return 0;
    int end = m_reply.FindCharFrom(L'"', start);
    CBasicString path = end < 0 ? m_reply.MidToEnd(start) : m_reply.Mid(start, end - start);
    int length = path.GetLength() < size - 1 ? path.GetLength() : size - 1;
    wmemcpy(buffer, path.GetString(), (size_t)length);
    buffer[length] = 0;
    return 1;
}

int CFtpConnection::SetCurrentDirectory(const wchar_t* path) {
    if (!CanSendCommand(path != nullptr, __LINE__)) return 0;
    return CommandExpect((L"CWD " + CBasicString(path)).GetString(), 250, 0);
}

int CFtpConnection::Rename(const wchar_t* oldPath, const wchar_t* newPath) {
    if (!CanSendCommand(oldPath != nullptr && newPath != nullptr, __LINE__)) return 0;
    CBasicString from = L"RNFR " + NormaliseFtpPath(oldPath);
    CBasicString to = L"RNTO " + NormaliseFtpPath(newPath);
    return CommandExpect(from.GetString(), 350, 0) && CommandExpect(to.GetString(), 250, 0) ? 1 : 0;
}

void CFtpConnection::Quit() {
    SendCommand(L"QUIT");
    Close();
    m_loggedOn = 0;
}

void CFtpConnection::Close() {
    delete m_writer;
    m_writer = nullptr;
    delete m_reader;
    m_reader = nullptr;
    delete m_socketFile;
    m_socketFile = nullptr;
    if (m_socket) {
        delete m_socket;
        m_socket = nullptr;
        LogEvent(13, __LINE__);
    }
}

CAbstractProxyProfile* CFtpConnection::GetProxyProfile() { return m_ftpProxy; }

int CFtpConnection::IsPassive() { return m_proxyType != kProxyTypeNone ? 1 : m_passive; }

// ---- data connections ----

int ParsePassiveReply(const CBasicString& reply, CBasicString& address, int& port) {
    int open = reply.FindChar(L'(');
    int close = reply.FindChar(L')');
    if (open < 0 || close < open) return kBadPassiveReply;
    // Exactly six numbers from 0 to 255, blanks allowed around them.
    unsigned numbers[6];
    int count = 0;
    const wchar_t* p = reply.GetString() + open + 1;
    const wchar_t* end = reply.GetString() + close;
    for (;;) {
        while (p < end && *p == L' ') ++p;
        if (p == end || *p < L'0' || *p > L'9' || count == 6) return kBadPassiveReply;
        unsigned value = 0;
        int digits = 0;
        for (; p < end && *p >= L'0' && *p <= L'9'; ++p, ++digits) value = value * 10 + (unsigned)(*p - L'0');
        if (digits > 3 || value > 255) return kBadPassiveReply;
        numbers[count++] = value;
        while (p < end && *p == L' ') ++p;
        if (p == end) break;
        if (*p++ != L',') return kBadPassiveReply;
    }
    if (count != 6) return kBadPassiveReply;
    address.Format(L"%u.%u.%u.%u", numbers[0], numbers[1], numbers[2], numbers[3]);
    port = (int)((numbers[4] << 8) + numbers[5]);
    return 0;
}

bool CFtpConnection::DataHost(CBasicString& host) {
    // Through a socket proxy the peer is the proxy: the server is the host
    // the control connection asked it for.
    if (m_proxyType != kProxyTypeNone && m_proxyType != kProxyTypeGateway) {
        host = m_controlHost;
        return !host.IsEmpty();
    }
    int port = 0;
    return m_socket && m_socket->GetPeerName(host, port);
}

int CFtpConnection::ActivePort(CSSLSocket*& listener) {
    // The listener takes connections only on the address the control
    // connection runs over, the one the PORT command names.
    CBasicString address;
    int controlPort = 0;
    if (!m_socket || !m_socket->GetSockName(address, controlPort)) return kConnectionLost;
    listener = new (std::nothrow) CSSLSocket(m_log);
    if (!listener || !listener->Create(0, SOCK_STREAM, ToNarrowText(address.GetString()).c_str()) ||
        !listener->Listen(5))
        return kSocketFailed;
    address.Replace(L'.', L',');
    CBasicString unused;
    int port = 0;
    if (!listener->GetSockName(unused, port)) return kConnectionLost;
    CBasicString command;
    command.Format(L"PORT %s,%d,%d", address.GetString(), port >> 8, port & 0xFF);
    return Command(command.GetString(), 0) ? 0 : GetLastError();
}

bool CFtpConnection::AcceptFromServer(CSSLSocket* listener, CSSLSocket* dataSocket) {
    // Only the control connection's server may connect: a connection from
    // any other address is closed unread, and the wait goes on.
    CBasicString server;
    int serverPort = 0;
    if (!m_socket || !m_socket->GetPeerName(server, serverPort)) return false;
    CExchangeDeadline deadline;
    for (;;) {
        if (!WaitForConnection(listener) || !listener->Accept(dataSocket, nullptr, nullptr)) return false;
        CBasicString peer;
        int peerPort = 0;
        if (dataSocket->GetPeerName(peer, peerPort) && wcscmp(peer.GetString(), server.GetString()) == 0) return true;
        dataSocket->Close();
        if (m_log) LogEventText(-12, peer.GetString(), __LINE__);
    }
}

int CFtpConnection::SecureDataSocket(CSSLSocket* dataSocket) {
    int result = 0;
    if (!m_socket || !dataSocket->InitTLS(m_socket->GetTLSContext(), &m_dataTrust)) {
        result = kSocketFailed;
    } else {
        // The data connection resumes the control connection's session, as
        // servers that check the two belong together require.
        SSL* control = m_socket->GetTLSConnection();
        SSL_SESSION* session = control ? SSL_get1_session(control) : nullptr;
        if (session) {
            SSL_set_session(dataSocket->GetTLSConnection(), session);
            SSL_SESSION_free(session);
        }
        if (!dataSocket->Connect(nullptr, 0)) result = kSocketFailed;
    }
    if (m_log) m_log->DebugEvent(result >= 0 ? 12 : -8, kOnline, kLogSource, __LINE__);
    return result;
}

int CFtpConnection::OpenDataConnection(CSSLSocket* dataSocket, const wchar_t* command) {
    if (!dataSocket || !command) {
        m_result = kBadArgument;
        return kBadArgument;
    }
    m_result = 0;
    bool passive = IsPassive() != 0;
    CSSLSocket* listener = nullptr;
    CBasicString address;
    int port = 0;
    int result = 0;
    if (passive) result = Command(L"PASV", 0) ? ParsePassiveReply(m_reply, address, port) : GetLastError();
    else result = ActivePort(listener);
    if (result >= 0 && !SendCommand(command)) result = GetLastError();
    if (result >= 0 && passive) {
        if (!dataSocket->IsValid() && !dataSocket->Create(0, SOCK_STREAM, nullptr)) result = kSocketFailed;
        if (result >= 0 && m_proxyType != kProxyTypeNone && m_proxyType != kProxyTypeGateway)
            dataSocket->SetProxy(m_ftpProxy);
        // Only the port is taken from the reply: the data connection goes to
        // the server of the control connection, so that a hostile or
        // misconfigured server cannot point it at another host.
        if (result >= 0 && !DataHost(address)) result = kConnectionLost;
        if (result >= 0 && !dataSocket->Connect(address.GetString(), (unsigned)port)) result = kSocketFailed;
    }
    if (result >= 0) {
        // A preliminary reply (1xx) or exactly 200 means the server took it.
        if (!ReadReply() || m_result > 200) {
            result = GetLastError();
            if (result >= 0) result = kConnectionLost;
            LogEvent(-12, __LINE__);
            LogExchange(command, 1);
        }
    }
    if (result >= 0 && !passive) {
        if (!AcceptFromServer(listener, dataSocket)) result = kSocketFailed;
    }
    if (result >= 0 && m_protocol >= 1 && m_protocol <= 3) result = SecureDataSocket(dataSocket);
    delete listener;
    m_result = result;
    return result;
}
