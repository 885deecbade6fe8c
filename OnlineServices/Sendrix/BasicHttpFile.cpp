#include "OnlineServices/Sendrix/BasicHttpFile.h"

#include <strings.h>

#include <cstring>
#include <new>

#include "OnlineServices/Sendrix/BasicHttpConnection.h"
#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/Posix/SocketError.h"
#include "OnlineServices/Sendrix/OnlineProxyProfile.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"

namespace {

const char kSourceFile[] = ".\\BasicHttpFile";
const wchar_t kLogSource[] = L".\\BasicHttpFile";

constexpr size_t kHeadBufferSize = 1024;
// The most one receive of the body asks for: the caller's buffer is filled
// with as few system calls as the socket allows.
constexpr DWORD kChunkSize = 1 << 20;
constexpr int64_t kUnknownLength = -1;
constexpr int64_t kLengthWhenUnknown = 204800;

const char kAccept[] = "application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5";

// The position of the header name at the start of a line of head, without
// regard to case; npos when there is none.
size_t FindHeader(const std::string& head, const char* name) {
    size_t length = strlen(name);
    for (size_t line = 0; line < head.size();) {
        if (strncasecmp(head.c_str() + line, name, length) == 0) return line;
        size_t next = head.find('\n', line);
        if (next == std::string::npos) break;
        line = next + 1;
    }
    return std::string::npos;
}

// A signed decimal number at text (blanks before it skipped): false when
// there is none.
bool ReadNumber(const char* text, int64_t& value) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return false;
    int64_t number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (number > (INT64_MAX - 9) / 10) return false;
        number = number * 10 + (*text - '0');
    }
    value = negative ? -number : number;
    return true;
}

} // namespace

CBasicHttpFile::CBasicHttpFile(const wchar_t* url) {
    if (url) SetFileName(url);
}

CBasicHttpFile::~CBasicHttpFile() {
    Close();
    delete m_proxyProfile;
}

int CBasicHttpFile::IsOpen() { return m_connection && m_connection->IsConnected(); }

DWORD CBasicHttpFile::GetLastError() { return m_lastError; }

bool CBasicHttpFile::ComposeRequestHead(const std::string& url, bool post, int64_t contentLength, std::string& head,
                                        bool forwarded, const std::string& proxyAuthorization) {
    size_t scheme = url.find("://");
    size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos) hostEnd = url.size();
    std::string host = url.substr(hostStart, hostEnd - hostStart);
    // A query right after the host asks for the root.
    std::string path;
    if (hostEnd >= url.size() || url[hostEnd] != '/') path = '/';
    path.append(url, hostEnd, std::string::npos);

    std::string target = forwarded ? "http://" + host + path : path;
    head = std::string(post ? "POST" : "GET") + " " + target + " HTTP/1.0\r\nHost: " + host + "\r\n";
    if (forwarded && !proxyAuthorization.empty()) head += "Proxy-Authorization: Basic " + proxyAuthorization + "\r\n";
    if (post) {
        head += "Content-type: application/x-www-form-urlencoded\r\nContent-length: " +
                std::to_string((uint32_t)contentLength) + "\r\nAccept: " + kAccept + "\r\n\r\n";
    } else {
        head += "User-Agent: KVX/Version\r\nConnection: Close\r\n\r\n";
    }
    return head.size() < kHeadBufferSize;
}

int CBasicHttpFile::Open(const wchar_t* url, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return -1;
    Close();
    SetFileName(url);
    m_lastError = 0;
    m_bodyLength = -1;
    m_bodyRead = 0;

    m_connection = new (std::nothrow) CBasicHttpConnection();
    if (!m_connection) {
        if (GetLog()) GetLog()->LogFormat(kLogSource, __LINE__, 1, L"Unable to create Online Connection!!!");
        return -1;
    }
    if (!m_proxyProfile) {
        m_proxyProfile = new (std::nothrow) COnlineProxyProfile();
        if (m_proxyProfile) m_proxyProfile->DetectSystemProxy(url);
    }
    SetSocketError(0);
    if (!m_connection->Connect(m_proxyProfile, url)) return Fail(GetSocketError() ? GetSocketError() : ERROR_OPEN_FAILED);

    bool post = access == GENERIC_WRITE;
    std::string head;
    bool fits = ComposeRequestHead(m_urlUtf8, post, m_contentLength, head, m_connection->ThroughForwardingProxy(),
                                   m_connection->GetProxyAuthorization());
    ReportAssertion(fits, kSourceFile, __LINE__);
    if (!fits) return Fail(ERROR_FILENAME_EXCED_RANGE);
    bool sent = m_connection->GetSocket()->Send(head.data(), (int)head.size(), 0) == (int)head.size();
    if (!sent) return Fail(GetSocketError() ? GetSocketError() : ERROR_OPEN_FAILED);
    if (post) return 0;

    std::string reply;
    if (!ReadReplyHead(reply)) return Fail(GetSocketError() ? GetSocketError() : ERROR_INVALID_DATA);
    int64_t status = 0;
    int64_t length = kUnknownLength;
    // A reply head that cannot be read, or a length that is negative or not
    // a number, is the peer's fault: logged, not asserted.
    if (!ParseReplyHead(reply, status, length)) {
        if (GetLog()) GetLog()->LogFormat(kLogSource, __LINE__, 1, L"Invalid HTTP reply from %s", m_url.GetString());
        return Fail(ERROR_INVALID_DATA);
    }
    if (status != 200) {
        if (GetLog()) GetLog()->LogFormat(kLogSource, __LINE__, 1, L"HTTP error: %d", (int)status);
        return Fail(CBasicHttpConnection::HttpStatusError((long)status));
    }
    m_bodyLength = length;
    if (length != kUnknownLength) m_contentLength = length;
    else if (m_contentLength == kUnknownLength) m_contentLength = kLengthWhenUnknown;
    return 0;
}

int CBasicHttpFile::Fail(DWORD error) {
    m_lastError = error;
    return -1;
}

bool CBasicHttpFile::ReadReplyHead(std::string& head) {
    CSSLSocket* socket = m_connection->GetSocket();
    CExchangeDeadline deadline;
    head.clear();
    size_t read = 0;
    while (read < kHeadBufferSize) {
        char byte;
        int received = socket->Receive(&byte, 1, 0);
        if (received <= 0) return false;
        ++read;
        if (byte == '\r') continue;
        head += byte;
        if (byte == '\n' && head.size() > 1 && head[head.size() - 2] == '\n') return true;
    }
    // The head does not fit its buffer: it is refused rather than read on
    // into the body.
    return false;
}

bool CBasicHttpFile::ParseReplyHead(const std::string& head, int64_t& status, int64_t& contentLength) {
    size_t start = head.find_first_not_of('\0');
    size_t version = start == std::string::npos ? std::string::npos : head.find("HTTP/", start);
    if (version == std::string::npos) return false;
    size_t blank = head.find(' ', version);
    if (blank == std::string::npos || !ReadNumber(head.c_str() + blank + 1, status)) return false;
    size_t header = FindHeader(head, "Content-Length:");
    if (header == std::string::npos) return true;
    int64_t length = 0;
    const char* text = head.c_str() + header + strlen("Content-Length:");
    if (!ReadNumber(text, length) || length < 0) return false;
    // Only blanks may follow the number on its line.
    while (*text == ' ' || *text == '\t') ++text;
    while (*text >= '0' && *text <= '9') ++text;
    while (*text == ' ' || *text == '\t') ++text;
    if (*text != '\n' && *text != 0) return false;
    contentLength = length;
    return true;
}

int CBasicHttpFile::Read(void* buffer, DWORD size, DWORD* done) {
    bool usable = m_connection && m_connection->GetSocket() && buffer && size != 0 && done;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    CSSLSocket* socket = m_connection->GetSocket();
    char* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < size) {
        DWORD piece = size - total < kChunkSize ? size - total : kChunkSize;
        int received = socket->Receive(bytes + total, (int)piece, 0);
        if (received < 0) {
            *done = total;
            m_bodyRead += total;
            return Fail(GetSocketError() ? GetSocketError() : ERROR_CANTREAD);
        }
        if (received == 0) break;
        total += (DWORD)received;
    }
    *done = total;
    m_bodyRead += total;
    if (total < size && m_bodyLength != kUnknownLength && m_bodyRead < m_bodyLength) {
        if (GetLog())
            GetLog()->LogFormat(kLogSource, __LINE__, 1, L"The reply of %s ended after %I64d of %I64d bytes",
                                m_url.GetString(), m_bodyRead, m_bodyLength);
        return Fail(ERROR_HANDLE_EOF);
    }
    return 0;
}

int CBasicHttpFile::Write(const void* buffer, DWORD size, DWORD* done) {
    bool usable = m_connection && m_connection->GetSocket() && (buffer || size == 0);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (done) *done = 0;
    if (!usable) return -1;
    int sent = m_connection->GetSocket()->Send(buffer, (int)size, 0);
    if (sent < 0 || (DWORD)sent != size) return -1;
    if (done) *done = (DWORD)sent;
    return 0;
}

int CBasicHttpFile::Close() {
    if (m_connection) m_connection->Disconnect();
    delete m_connection;
    m_connection = nullptr;
    return 1;
}

int CBasicHttpFile::CreateFolder(const wchar_t*) { return 0; }

int CBasicHttpFile::RemoveFolder(const wchar_t*) { return 0; }

int CBasicHttpFile::Delete(const wchar_t*) { return 0; }

int CBasicHttpFile::GetAttributes(const wchar_t*, DWORD* attributes) {
    if (attributes) *attributes = 0;
    return 0;
}

int CBasicHttpFile::SetAttributes(const wchar_t*, DWORD) { return 0; }

int CBasicHttpFile::GetFileSizeByName(const wchar_t*, ULONGLONG* size) {
    if (size) *size = 0;
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CBasicHttpFile::GetSize(ULONGLONG* size) {
    if (size) *size = (ULONGLONG)m_contentLength;
    return 1;
}

int CBasicHttpFile::SetSize(ULONGLONG size) {
    m_contentLength = (int64_t)size;
    return 1;
}

int CBasicHttpFile::GetPosition(ULONGLONG* position) {
    if (position) *position = 0;
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CBasicHttpFile::Seek(LONGLONG, DWORD) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

const wchar_t* CBasicHttpFile::GetFileName() { return m_url.GetString(); }

int CBasicHttpFile::SetFileName(const wchar_t* name) {
    m_url = name ? name : L"";
    if (!m_url.IsEmpty()) m_urlUtf8 = ToNarrowText(m_url.GetString());
    return 1;
}

CAbstractLog* CBasicHttpFile::GetLog() { return GetLibraryLog(); }

int CBasicHttpFile::SetTimes(const CBasicDateTime*, const CBasicDateTime*, const CBasicDateTime*) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CBasicHttpFile::Truncate() {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}

int CBasicHttpFile::ZeroData(LONGLONG, LONGLONG) {
    ReportAssertion(0, kSourceFile, __LINE__);
    return 0;
}
