#include "SyncExchange.h"

#include <strings.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "DataBase/DataBaseResult.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "utility/AbstractFile.h"

namespace {

constexpr DWORD kPieceBytes = 64 * 1024;

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix)
{
    size_t length = std::wcslen(prefix);
    return text.size() >= length && wcsncasecmp(text.c_str(), prefix, length) == 0;
}

int Kibibytes(size_t bytes)
{
    return static_cast<int>(std::min<size_t>((bytes + 1023) / 1024, 0x7FFFFFFF));
}

// The decimal number that text holds from position on, blanks around it
// allowed and nothing else: false when there is none or it is too large.
bool ReadLength(const std::string& text, size_t position, size_t end, size_t& value)
{
    while (position < end && (text[position] == ' ' || text[position] == '\t'))
        ++position;
    while (end > position && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    if (position == end)
        return false;
    value = 0;
    for (; position < end; ++position) {
        char c = text[position];
        if (c < '0' || c > '9' || value > kMaxSyncReplyBytes)
            return false;
        value = value * 10 + static_cast<size_t>(c - '0');
    }
    return value <= kMaxSyncReplyBytes;
}

// The end of the head (the position after its empty line), npos while it
// is not whole.
size_t HeadEnd(const std::string& reply)
{
    size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? end : end + 4;
}

// The Content-Length of a whole head; false without one (or with two).
bool HeadLength(const std::string& reply, size_t headEnd, size_t& length)
{
    bool found = false;
    for (size_t line = reply.find("\r\n") + 2; line < headEnd - 2;) {
        size_t next = reply.find("\r\n", line);
        static const char kName[] = "Content-Length:";
        if (next - line >= sizeof kName - 1 && strncasecmp(reply.c_str() + line, kName, sizeof kName - 1) == 0) {
            if (found || !ReadLength(reply, line + sizeof kName - 1, next, length))
                return false;
            found = true;
        }
        line = next + 2;
    }
    return found;
}

}  // namespace

bool SyncProgress::Cancelled()
{
    return m_progress && !m_progress->IsRunning();
}

void SyncProgress::Report(int kind, const std::wstring& text, long long current, long long total)
{
    if (!m_progress)
        return;
    ProgressInfo info;
    info.kind = kind;
    auto clamp = [](long long value) { return static_cast<int32_t>(std::clamp<long long>(value, 0, 0x7FFFFFFF)); };
    if (kind == 1) {
        info.text = text.c_str();
        info.current1 = clamp(current);
        info.total1 = clamp(total);
    } else {
        info.current2 = clamp(current);
        info.total2 = clamp(total);
    }
    m_progress->SetProgress(&info);
}

bool IsSafeServiceAddress(const std::wstring& address)
{
    if (StartsWithNoCase(address, L"https://"))
        return address.size() > 8;
    if (!StartsWithNoCase(address, L"http://"))
        return false;
    std::wstring rest = address.substr(7);
    std::wstring host = rest.substr(0, rest.find_first_of(L"/?#"));
    if (host.find(L'@') != std::wstring::npos)
        return false;
    if (!host.empty() && host[0] == L'[')
        host = host.substr(0, host.find(L']') + 1);
    else
        host = host.substr(0, host.find(L':'));
    std::transform(host.begin(), host.end(), host.begin(), [](wchar_t c) { return std::towlower(c); });
    return host == L"127.0.0.1" || host == L"localhost" || host == L"[::1]";
}

std::string FormField(const char* name, const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string field = std::string(name) + '=';
    for (unsigned char c : value) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            field += static_cast<char>(c);
        } else {
            field += '%';
            field += kHex[c >> 4];
            field += kHex[c & 15];
        }
    }
    return field;
}

std::string Base64Url(const std::string& bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t group = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) | uint8_t(bytes[i + 2]);
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        text += kAlphabet[(group >> 6) & 63];
        text += kAlphabet[group & 63];
    }
    size_t left = bytes.size() - i;
    if (left) {
        uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
        if (left == 2)
            group |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        text += kAlphabet[group >> 18];
        text += kAlphabet[(group >> 12) & 63];
        if (left == 2)
            text += kAlphabet[(group >> 6) & 63];
    }
    return text;
}

bool ParseServiceReply(const std::string& reply, int& status, std::string& body)
{
    size_t headEnd = HeadEnd(reply);
    if (headEnd == std::string::npos || reply.compare(0, 7, "HTTP/1.") != 0 || reply.size() < 12 || reply[8] != ' ')
        return false;
    int code = 0;
    for (size_t i = 9; i < 12; ++i) {
        if (reply[i] < '0' || reply[i] > '9')
            return false;
        code = code * 10 + (reply[i] - '0');
    }
    // HTTP knows the classes 1xx to 5xx only: any other status is malformed.
    if (code < 100 || code > 599)
        return false;
    if (reply.size() > 12 && reply[12] != ' ' && reply[12] != '\r')
        return false;
    size_t length = 0;
    if (!HeadLength(reply, headEnd, length) || reply.size() - headEnd != length)
        return false;
    status = code;
    body = reply.substr(headEnd);
    return true;
}

int PostToService(CAbstractFile& http, const std::wstring& address, const std::string& body, SyncProgress& progress,
                  std::string& replyBody)
{
    replyBody.clear();
    if (body.size() > kMaxSyncRequestBytes)
        return DATABASE_FAILED;
    if (progress.Cancelled())
        return DATABASE_CANCELLED;
    http.SetSize(body.size());
    if (http.Open(address.c_str(), GENERIC_WRITE, 0, 0, 0) != 0) {
        http.Close();
        return DATABASE_NO_CONNECTION;
    }
    int total = Kibibytes(body.size());
    for (size_t sent = 0; sent < body.size();) {
        DWORD piece = static_cast<DWORD>(std::min<size_t>(kPieceBytes, body.size() - sent));
        DWORD done = 0;
        if (http.Write(body.data() + sent, piece, &done) != 0 || done != piece) {
            http.Close();
            return DATABASE_NO_CONNECTION;
        }
        sent += piece;
        progress.Report(2, std::wstring(), Kibibytes(sent), total);
        if (progress.Cancelled()) {
            http.Close();
            return DATABASE_CANCELLED;
        }
    }

    std::string reply;
    std::string buffer(kPieceBytes, '\0');
    size_t expected = 0;  // head and body, once the head is whole
    for (;;) {
        DWORD done = 0;
        // A stream that ends without the peer's TLS goodbye reads as a
        // failure after the bytes that came: the reply's length tells
        // whether it is whole.
        bool ended = http.Read(buffer.data(), kPieceBytes, &done) != 0;
        if (ended && reply.empty() && done == 0) {
            http.Close();
            return DATABASE_NO_CONNECTION;
        }
        done = std::min(done, kPieceBytes);
        if (reply.size() + done > kMaxSyncReplyBytes) {
            http.Close();
            return DATABASE_FAILED;
        }
        reply.append(buffer.data(), done);
        if (!expected) {
            size_t headEnd = HeadEnd(reply), length = 0;
            if (headEnd != std::string::npos && HeadLength(reply, headEnd, length))
                expected = headEnd + length;
        }
        progress.Report(2, std::wstring(), Kibibytes(reply.size()), Kibibytes(expected));
        if (progress.Cancelled()) {
            http.Close();
            return DATABASE_CANCELLED;
        }
        if (ended || done < kPieceBytes)
            break;
    }
    http.Close();

    int status = 0;
    if (!ParseServiceReply(reply, status, replyBody)) {
        replyBody.clear();
        return DATABASE_FAILED;
    }
    if (status == 200)
        return DATABASE_OK;
    replyBody.clear();
    if (status == 409)
        return kSyncCopyChanged;
    return status == 401 ? DATABASE_WRONG_ACCOUNT : DATABASE_FAILED;
}
