#include "OnlineServices/Sendrix/BasicHttpFile.h"

#include <strings.h>

#include <cstring>
#include <vector>
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
// The longest reply head read (ordinary servers send 1-2 KB with cookies).
constexpr size_t kReplyHeadLimit = 64 * 1024;
// The longest chunk-size line and the most trailer text of a chunked body.
constexpr size_t kChunkLineLimit = 4096;
constexpr size_t kTrailerLimit = 64 * 1024;
// Chunk sizes are at most 15 hexadecimal digits (below 2^60).
constexpr int kChunkSizeDigits = 15;
// The most one receive of the body asks for: the caller's buffer is filled
// with as few system calls as the socket allows.
constexpr DWORD kChunkSize = 1 << 20;
constexpr int64_t kUnknownLength = -1;
constexpr int64_t kLengthWhenUnknown = 204800;

const char kAccept[] = "application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5";

// The values of every header line of head named name (without regard to
// case; the first line, the status line, is no header), blanks around them
// removed.
std::vector<std::string> HeaderValues(const std::string& head, const char* name) {
    std::vector<std::string> values;
    size_t length = strlen(name);
    size_t line = head.find('\n');
    while (line != std::string::npos && ++line < head.size()) {
        size_t end = head.find('\n', line);
        if (end == std::string::npos) end = head.size();
        if (end - line > length && strncasecmp(head.c_str() + line, name, length) == 0 && head[line + length] == ':') {
            size_t first = head.find_first_not_of(" \t", line + length + 1);
            size_t last = head.find_last_not_of(" \t", end - 1);
            values.push_back(first == std::string::npos || first > last || first >= end ? std::string()
                                                                                        : head.substr(first, last - first + 1));
        }
        line = end < head.size() ? end : std::string::npos;
    }
    return values;
}

// A decimal length of digits only: false for anything else.
bool ReadLength(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoll(text);
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

bool CBasicHttpFile::IsSendableUrl(const std::string& url) {
    for (unsigned char byte : url)
        if (byte < 0x20 || byte == 0x7F) return false;
    return !url.empty();
}

std::string CBasicHttpFile::EncodeRequestTarget(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char byte : path) {
        if (byte <= 0x20 || byte >= 0x7F || byte == '"' || byte == '<' || byte == '>') {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += (char)byte;
        }
    }
    return encoded;
}

bool CBasicHttpFile::ComposeRequestHead(const std::string& url, bool post, int64_t contentLength, std::string& head,
                                        bool forwarded, const std::string& proxyAuthorization) {
    head.clear();
    if (!IsSendableUrl(url)) return false;
    size_t scheme = url.find("://");
    size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
    size_t hostEnd = url.find_first_of("/?#", hostStart);
    if (hostEnd == std::string::npos) hostEnd = url.size();
    std::string host = url.substr(hostStart, hostEnd - hostStart);
    // A query right after the host asks for the root.
    std::string path;
    if (hostEnd >= url.size() || url[hostEnd] != '/') path = '/';
    path.append(url, hostEnd, std::string::npos);
    // A blank in the host cannot be sent; in the path it is encoded.
    if (host.find(' ') != std::string::npos) return false;
    path = EncodeRequestTarget(path);

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
    m_chunked = false;

    // Control characters would end the request line and start headers of
    // the URL's choosing: such a URL is refused before any connection.
    if (!IsSendableUrl(m_urlUtf8)) return Fail(ERROR_INVALID_NAME);
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
    bool chunked = false;
    // A reply head that cannot be read, or a length that is negative or not
    // a number, is the peer's fault: logged, not asserted.
    if (!ParseReplyHead(reply, status, length, &chunked)) {
        if (GetLog()) GetLog()->LogFormat(kLogSource, __LINE__, 1, L"Invalid HTTP reply from %s", m_url.GetString());
        return Fail(ERROR_INVALID_DATA);
    }
    if (status != 200) {
        if (GetLog()) GetLog()->LogFormat(kLogSource, __LINE__, 1, L"HTTP error: %d", (int)status);
        return Fail(CBasicHttpConnection::HttpStatusError((long)status));
    }
    m_bodyLength = chunked ? kUnknownLength : length;
    m_chunked = chunked;
    m_chunkLeft = 0;
    m_chunkState = kChunkSizeLine;
    if (!chunked && length != kUnknownLength) m_contentLength = length;
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
    while (read < kReplyHeadLimit) {
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

bool CBasicHttpFile::ParseReplyHead(const std::string& head, int64_t& status, int64_t& contentLength, bool* chunked) {
    if (chunked) *chunked = false;
    // The status line comes first: "HTTP/" version, a blank, three digits.
    size_t start = head.find_first_not_of('\0');
    if (start == std::string::npos || head.compare(start, 5, "HTTP/") != 0) return false;
    size_t blank = head.find(' ', start);
    size_t lineEnd = head.find('\n', start);
    if (blank == std::string::npos || blank > lineEnd) return false;
    const char* code = head.c_str() + blank + 1;
    int digits = 0;
    int64_t number = 0;
    for (; code[digits] >= '0' && code[digits] <= '9' && digits < 9; ++digits) number = number * 10 + (code[digits] - '0');
    if (digits == 0 || (code[digits] != ' ' && code[digits] != '\n' && code[digits] != 0)) return false;
    status = number;

    std::vector<std::string> encodings = HeaderValues(head, "Transfer-Encoding");
    if (!encodings.empty()) {
        // Only a body of chunks is understood; its length is in the chunks,
        // whatever a Content-Length says.
        if (encodings.size() != 1 || strcasecmp(encodings[0].c_str(), "chunked") != 0 || !chunked) return false;
        *chunked = true;
        return true;
    }
    // Lengths that disagree leave no way to tell where the body ends.
    int64_t length = kUnknownLength;
    for (const std::string& value : HeaderValues(head, "Content-Length")) {
        size_t from = 0;
        do {
            size_t comma = value.find(',', from);
            std::string item = value.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            size_t first = item.find_first_not_of(" \t");
            size_t last = item.find_last_not_of(" \t");
            int64_t one = 0;
            if (first == std::string::npos || !ReadLength(item.substr(first, last - first + 1), one)) return false;
            if (length != kUnknownLength && one != length) return false;
            length = one;
            from = comma == std::string::npos ? std::string::npos : comma + 1;
        } while (from != std::string::npos);
    }
    if (length != kUnknownLength) contentLength = length;
    return true;
}

bool CBasicHttpFile::ReadChunkLine(std::string& line, size_t limit) {
    CSSLSocket* socket = m_connection->GetSocket();
    line.clear();
    for (;;) {
        char byte;
        if (socket->Receive(&byte, 1, 0) != 1) return false;
        if (byte == '\n') break;
        if (line.size() >= limit) return false;
        line += byte;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

int CBasicHttpFile::NextChunk() {
    std::string line;
    if (m_chunkState == kChunkDataEnd) {
        // The CR LF after a chunk's data.
        if (!ReadChunkLine(line, 1) || !line.empty()) return -1;
        m_chunkState = kChunkSizeLine;
    }
    if (!ReadChunkLine(line, kChunkLineLimit)) return -1;
    size_t end = line.find_first_of("; \t");
    std::string digits = line.substr(0, end);
    if (digits.empty() || digits.size() > kChunkSizeDigits ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return -1;
    m_chunkLeft = std::stoll(digits, nullptr, 16);
    if (m_chunkLeft > 0) {
        m_chunkState = kChunkData;
        return 1;
    }
    // The last chunk: trailer lines up to an empty one.
    size_t trailer = 0;
    do {
        if (!ReadChunkLine(line, kChunkLineLimit)) return -1;
        trailer += line.size() + 2;
        if (trailer > kTrailerLimit) return -1;
    } while (!line.empty());
    m_chunkState = kChunkDone;
    return 0;
}

int CBasicHttpFile::ReadChunked(char* bytes, DWORD size, DWORD& total) {
    CSSLSocket* socket = m_connection->GetSocket();
    while (total < size && m_chunkState != kChunkDone) {
        if (m_chunkState != kChunkData) {
            int next = NextChunk();
            if (next < 0) return -1;
            if (next == 0) break;
        }
        int64_t want = (int64_t)(size - total);
        if (want > m_chunkLeft) want = m_chunkLeft;
        if (want > (int64_t)kChunkSize) want = kChunkSize;
        int received = socket->Receive(bytes + total, (int)want, 0);
        if (received <= 0) return -1;
        total += (DWORD)received;
        m_chunkLeft -= received;
        if (m_chunkLeft == 0) m_chunkState = kChunkDataEnd;
    }
    return 0;
}

int CBasicHttpFile::Read(void* buffer, DWORD size, DWORD* done) {
    bool usable = m_connection && m_connection->GetSocket() && buffer && size != 0 && done;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -1;
    CSSLSocket* socket = m_connection->GetSocket();
    char* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    if (m_chunked) {
        int result = ReadChunked(bytes, size, total);
        *done = total;
        m_bodyRead += total;
        if (result < 0) {
            if (GetLog())
                GetLog()->LogFormat(kLogSource, __LINE__, 1, L"Invalid HTTP reply from %s", m_url.GetString());
            return Fail(GetSocketError() ? GetSocketError() : ERROR_INVALID_DATA);
        }
        return 0;
    }
    // With a length the body ends there; without one, at the close.
    DWORD wanted = size;
    if (m_bodyLength != kUnknownLength && m_bodyLength - m_bodyRead < (int64_t)wanted)
        wanted = (DWORD)(m_bodyLength - m_bodyRead);
    while (total < wanted) {
        DWORD piece = wanted - total < kChunkSize ? wanted - total : kChunkSize;
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
    if (total < wanted && m_bodyLength != kUnknownLength && m_bodyRead < m_bodyLength) {
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
