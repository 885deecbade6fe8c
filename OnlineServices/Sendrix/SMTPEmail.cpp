#include "OnlineServices/Sendrix/SMTPEmail.h"

#include <sys/socket.h>

#include <cstring>
#include <new>

#include "OnlineServices/Sendrix/Archive.h"
#include "OnlineServices/Sendrix/ExchangeDeadline.h"
#include "OnlineServices/Sendrix/LibraryEntry.h"
#include "OnlineServices/Sendrix/MimeBodyText.h"
#include "OnlineServices/Sendrix/MimeHeaderText.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "OnlineServices/Sendrix/SocketFile.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/AbstractLog.h"
#include "utility/Base64Coding.h"
#include "utility/BasicDateTime.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/PathName.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/Folders.h"

namespace {

const char kSourceFile[] = ".\\SMTPEmail";
const wchar_t kLogSource[] = L".\\SMTPEmail";
const wchar_t kCategory[] = L"EMAILNOTIFY";
const wchar_t kMailer[] = L"Morvane Mail";

// No event for the step (the exchange defines none there).
constexpr int kNoEvent = -1;

// Characters of one reply line read at a time; a longer line is read on in
// further pieces.
constexpr int kReplyLineSize = 512;
// Bytes of an attachment read at a time: whole Base64 lines of 54 bytes.
constexpr int kAttachmentPiece = 54;
constexpr DWORD kAttachmentBlock = kAttachmentPiece * 512;
// The most characters a line of a message may hold, without its CR LF.
constexpr size_t kMessageLineLimit = 998;

bool HoldsLineBreak(const wchar_t* text) { return text && wcspbrk(text, L"\r\n") != nullptr; }

// The Base64 text of bytes on one line (no line breaks).
std::string Base64Line(const std::string& bytes) {
    std::string coded((size_t)CBase64Coding::GetEncodedSize((long long)bytes.size(), 1), '\0');
    CBase64Coding coder;
    if (!coder.Encode(bytes.data(), (int)bytes.size(), coded.data(), 1)) return std::string();
    coded.resize(strlen(coded.c_str()));
    return coded;
}

// The body with every line ending in CR LF: a lone CR or LF becomes CR LF,
// so no line end can be read two ways.
CBasicString WithLineEnds(const CBasicString& body) {
    CBasicString out;
    for (const wchar_t* p = body.GetString(); *p; ++p) {
        if (*p == L'\r' || *p == L'\n') {
            if (*p == L'\r' && p[1] == L'\n') ++p;
            out += L"\r\n";
            continue;
        }
        out += *p;
    }
    return out;
}

// A line that starts with '.' gets a second one, so no line of the body
// ends the message early.
CBasicString DotStuffed(const CBasicString& body) {
    CBasicString out;
    bool lineStart = true;
    for (const wchar_t* p = body.GetString(); *p; ++p) {
        if (lineStart && *p == L'.') out += L'.';
        lineStart = *p == L'\n';
        out += *p;
    }
    return out;
}

// The file name of an attachment's path: what follows the last '/' (a '\\'
// is a character of the name).
CBasicString AttachmentName(const CBasicString& path) {
    int slash = path.ReverseFind(L'/');
    return slash < 0 ? path : path.MidToEnd(slash + 1);
}

bool IsAscii(const CBasicString& text) {
    for (const wchar_t* p = text.GetString(); *p; ++p)
        if ((unsigned)*p > 0x7F) return false;
    return true;
}

// "Tue, 05 Mar 2011 14:07:09 +0100": the local time with its offset from
// UTC.
CBasicString MessageDate() {
    CBasicDateTime now = GetCurrentLocalTime();
    int offset = now.GetUtcOffset();
    wchar_t sign = offset < 0 ? L'-' : L'+';
    if (offset < 0) offset = -offset;
    CBasicString zone;
    zone.Format(L" %c%02d%02d", sign, offset / 3600, offset / 60 % 60);
    return now.Format(L"%a, %d %b %Y %H:%M:%S") + zone;
}

} // namespace

CSMTPEmail::CSMTPEmail(CAbstractLog* log) : m_log(log), m_socket(new (std::nothrow) CSSLSocket(log)) {}

CSMTPEmail::~CSMTPEmail() { Quit(); }

void CSMTPEmail::LogEvent(int code, int line, const wchar_t* argument) {
    if (!m_log || code == kNoEvent) return;
    if (argument) m_log->LogEventFormat(kLogSource, line, kCategory, code, argument);
    else m_log->LogEvent(code, kCategory, kLogSource, line);
}

void CSMTPEmail::LogUnexpectedReply(const std::string& code, int line) {
    LogEvent(22, line, FromNarrowText(code).GetString());
}

bool CSMTPEmail::IsConnected() { return m_socket && m_socket->IsValid(); }

// ---------------------------------------------------------------------------
// Sending and replies

bool CSMTPEmail::SendText(const CBasicString& text) { return SendBytes(ToNarrowText(text.GetString())); }

bool CSMTPEmail::SendBytes(const std::string& bytes) {
    ReportAssertion(m_socket != nullptr, kSourceFile, __LINE__);
    if (!m_socket) return false;
    m_output += bytes;
    return m_output.size() < kSendBufferSize || Flush();
}

bool CSMTPEmail::Flush() {
    size_t done = 0;
    while (done < m_output.size() && m_socket) {
        size_t left = m_output.size() - done;
        int sent = m_socket->Send(m_output.data() + done, left > kSendBufferSize ? (int)kSendBufferSize : (int)left, 0);
        if (sent <= 0) break;
        done += (size_t)sent;
    }
    bool complete = done == m_output.size();
    m_output.clear();
    return complete;
}

bool CSMTPEmail::ReadReply(std::string& code) {
    code.clear();
    if (!Flush() || !m_replies) return false;
    CExchangeDeadline deadline;
    char line[kReplyLineSize + 1];
    try {
        for (;;) {
            // The line end is kept, so a line cut at the size limit shows;
            // the rest of such a line is read and passed over.
            if (!m_replies->ReadString(line, -kReplyLineSize)) return false;
            std::string text = line;
            for (size_t n = text.size(); n == 0 || line[n - 1] != '\n'; n = strlen(line))
                if (!m_replies->ReadString(line, -kReplyLineSize)) return false;
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            // "250-..." goes on; "250 ..." or "250" ends the reply.
            if (text.size() < 4 || text[3] != '-') {
                code = text.substr(0, 3);
                return true;
            }
        }
    } catch (int) {
        return false;
    }
}

int CSMTPEmail::ExpectReply(const char* expected, int receiveEvent, int line) {
    std::string code;
    if (!ReadReply(code)) {
        LogEvent(receiveEvent, line);
        return 0;
    }
    // expected: codes separated by '|'.
    for (const char* p = expected; *p; p += *(p + 3) == '|' ? 4 : 3)
        if (code.size() == 3 && strncmp(p, code.c_str(), 3) == 0) return 1;
    LogUnexpectedReply(code, line);
    return 0;
}

int CSMTPEmail::Exchange(const CBasicString& text, const char* expected, int sendEvent, int receiveEvent, int line) {
    if (!SendText(text)) {
        LogEvent(sendEvent, line);
        return 0;
    }
    return ExpectReply(expected, receiveEvent, line);
}

void CSMTPEmail::OpenReplyReader() {
    m_replies.reset();
    m_socketFile.reset(CreateSocketFile(m_socket.get(), 1));
    if (m_socketFile) m_replies.reset(CreateArchive(m_socketFile.get(), 1, kReplyLineSize, nullptr));
}

void CSMTPEmail::CloseConnection() {
    m_replies.reset();
    m_socketFile.reset();
    m_output.clear();
    if (m_socket) m_socket->Close();
}

// ---------------------------------------------------------------------------
// Connection

int CSMTPEmail::Connect(const wchar_t* server, int port, int useTLS) {
    ReportAssertion(m_log != nullptr, kSourceFile, __LINE__);
    if (!m_log) return 0;
    SetLibraryLog(m_log);
    if (!m_socket) m_socket.reset(new (std::nothrow) CSSLSocket(m_log));
    if (!m_socket) {
        LogEvent(0, __LINE__);
        return 0;
    }
    m_server = server ? server : L"";
    m_port = port;
    m_useTLS = useTLS;
    if (m_server.IsEmpty()) {
        LogEvent(1, __LINE__);
        return 0;
    }
    if (!m_socket->IsValid() && !m_socket->Create(0, SOCK_STREAM, nullptr)) {
        LogEvent(2, __LINE__);
        return 2;
    }
    if (!m_socket->Connect(m_server.GetString(), (unsigned)port) || (useTLS && !StartTLS())) {
        CloseConnection();
        LogEvent(3, __LINE__, m_server.GetString());
        return 4;
    }
    OpenReplyReader();
    // The server greets first; HELO follows its greeting.
    if (!ExpectReply("220", kNoEvent, __LINE__)) return 0;
    return Exchange(L"HELO Morvane\r\n", "250", 4, kNoEvent, __LINE__);
}

int CSMTPEmail::StartTLS() {
    // The handshake runs at once, so that an untrusted server is refused
    // before anything is read from it or sent to it.
    return m_socket->InitTLS(nullptr, nullptr) && m_socket->Connect(m_server.GetString(), (unsigned)m_port);
}

int CSMTPEmail::Quit() {
    if (!IsConnected()) return 1;
    std::string code;
    bool answered = SendText(L"Quit\r\n") && ReadReply(code);
    CloseConnection();
    return answered ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Authentication

int CSMTPEmail::Authenticate(int method, const wchar_t* userName, const wchar_t* password) {
    bool given = userName != nullptr && password != nullptr;
    ReportAssertion(given, kSourceFile, __LINE__);
    if (!given) return 6;
    m_userName = userName;
    m_password = password;
    bool complete = method == 0 || (!m_userName.IsEmpty() && !m_password.IsEmpty());
    ReportAssertion(complete, kSourceFile, __LINE__);
    if (!complete) return 6;
    switch (method) {
    case 0:
        return 1;
    case 1:
    case 4:
        return 6;
    case 2:
        return AuthLogin() ? 1 : 6;
    case 3:
        return AuthPlain() ? 1 : 6;
    default:
        ReportAssertion(0, kSourceFile, __LINE__);
        return 6;
    }
}

int CSMTPEmail::AuthLogin() {
    std::string user = ToNarrowText(m_userName.GetString());
    std::string password = ToNarrowText(m_password.GetString());
    bool usable = !user.empty() && !password.empty();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    if (!Exchange(L"AUTH LOGIN\r\n", "334", 19, 19, __LINE__)) return 0;
    if (!SendBytes(Base64Line(user) + "\r\n")) {
        LogEvent(20, __LINE__);
        return 0;
    }
    if (!ExpectReply("334", 21, __LINE__)) return 0;
    if (!SendBytes(Base64Line(password) + "\r\n")) {
        LogEvent(23, __LINE__);
        return 0;
    }
    return ExpectReply("235", 24, __LINE__);
}

int CSMTPEmail::AuthPlain() {
    std::string message;
    message += '\0';
    message += ToNarrowText(m_userName.GetString());
    message += '\0';
    message += ToNarrowText(m_password.GetString());
    if (!SendBytes("AUTH PLAIN " + Base64Line(message) + "\r\n")) {
        LogEvent(20, __LINE__);
        return 0;
    }
    return ExpectReply("235", 25, __LINE__);
}

// ---------------------------------------------------------------------------
// The message

int CSMTPEmail::SetSender(const wchar_t* address) {
    if (!address || !*address || HoldsLineBreak(address)) return 0;
    m_sender = address;
    return 1;
}

int CSMTPEmail::AddRecipients(const wchar_t* list, int recipientType) {
    CBasicString text = list;
    if (text.IsEmpty() || text.FindChar(L'@') < 0 || HoldsLineBreak(list)) {
        LogEvent(6, __LINE__, text.GetString());
        return 0;
    }
    text.RemoveSuffixNoCase(L";");
    text += L';';
    int start = 0;
    for (int end = text.FindChar(L';'); end >= 0; start = end + 1, end = text.FindCharFrom(L';', start)) {
        CBasicString part = text.Mid(start, end - start);
        if (part.FindCharFrom(L'@', 1) > 0) m_recipients.push_back({recipientType, part});
    }
    return 1;
}

void CSMTPEmail::ClearRecipients() { m_recipients.clear(); }

int CSMTPEmail::SetSubject(const wchar_t* text) {
    bool oneLine = !HoldsLineBreak(text);
    ReportAssertion(oneLine, kSourceFile, __LINE__);
    if (!oneLine) return 0;
    m_subject = text;
    return 1;
}

int CSMTPEmail::SetBody(const wchar_t* text) {
    m_body = text;
    return 1;
}

int CSMTPEmail::AddAttachment(const wchar_t* path) {
    if (!path || !*path || !PathExists(path)) {
        LogEvent(14, __LINE__, path ? path : L"");
        return 0;
    }
    // The file's name goes into the part's header lines.
    bool oneLine = !HoldsLineBreak(AttachmentName(path).GetString());
    ReportAssertion(oneLine, kSourceFile, __LINE__);
    if (!oneLine) return 0;
    m_attachments.push_back(path);
    return 1;
}

void CSMTPEmail::ClearAttachments() { m_attachments.clear(); }

int CSMTPEmail::SendMail(const wchar_t* sender, const wchar_t* recipients, const wchar_t* subject,
                         const wchar_t* body) {
    if (!SetSender(sender)) {
        LogEvent(5, __LINE__, sender ? sender : L"");
        return 0;
    }
    if (!AddRecipients(recipients, 0)) return 0;  // event 6 is logged
    if (!SetSubject(subject)) return 0;
    SetBody(body);
    return Send();
}

int CSMTPEmail::Send() {
    if (!IsConnected()) {
        LogEvent(7, __LINE__);
        return 3;
    }
    // A message never goes out without an attachment it was given.
    if (!AttachmentsReadable()) return 0;
    if (!Exchange(L"MAIL FROM:<" + m_sender + L">\r\n", "250", 8, 8, __LINE__)) return 0;
    // Every recipient gets the message; Bcc recipients appear in no header.
    std::vector<std::string> toList, ccList;
    for (const Recipient& recipient : m_recipients) {
        if (!Exchange(L"RCPT TO: <" + recipient.address + L">\r\n", "250|251", 9, 9, __LINE__)) return 0;
        std::vector<std::string>* header = recipient.type == 0 ? &toList : recipient.type == 1 ? &ccList : nullptr;
        ReportAssertion(recipient.type >= 0 && recipient.type <= 2, kSourceFile, __LINE__);
        if (header) header->push_back(ToNarrowText(recipient.address.GetString()));
    }
    // Long lists are folded: no header line passes 998 characters.
    CBasicString to = FromNarrowText(FoldedList(toList));
    CBasicString cc = FromNarrowText(FoldedList(ccList));
    if (!Exchange(L"DATA\r\n", "354", 10, 10, __LINE__)) return 0;

    CBasicString date = MessageDate();
    // A body with a line longer than a message line may be goes
    // quoted-printable.
    std::string bodyBytes = ToNarrowText(WithLineEnds(m_body).GetString());
    bool quoted = HasLineLongerThan(bodyBytes, kMessageLineLimit);
    if (quoted) bodyBytes = QuotedPrintable(bodyBytes);
    CBasicString body = DotStuffed(FromNarrowText(bodyBytes));
    // A subject beyond ASCII goes as encoded words, a long one folded.
    std::string subjectBytes = ToNarrowText(m_subject.GetString());
    std::string encodedSubject = EncodedHeaderText(subjectBytes);
    bool encodedWords = encodedSubject.compare(0, 10, "=?UTF-8?B?") == 0 && encodedSubject != subjectBytes;
    CBasicString subject = FromNarrowText(encodedWords ? " " + encodedSubject : encodedSubject);
    bool withAttachments = !m_attachments.empty();
    // The boundary is new for every message and found in none of its text.
    m_boundary = NewBoundary(kBoundaryPrefix, bodyBytes + "\n" + subjectBytes);
    CBasicString headers, text;
    if (!withAttachments) {
        headers.Format(L"FROM: %s%sTo: %s%sCc: %s%sSubject:%s%sContent-Type: %s; \r\n\tcharset=UTF-8%sDate: %s%s"
                       L"X-Mailer: %s%s",
                       m_sender.GetString(), L"\r\n", to.GetString(), L"\r\n", cc.GetString(), L"\r\n",
                       subject.GetString(), L"\r\n", L"text/plain", L"\r\n", date.GetString(), L"\r\n", kMailer,
                       L"\r\n");
        if (quoted) headers += L"Content-Transfer-Encoding: quoted-printable\r\n";
        text = L"\r\n" + body + L"\r\n";
    } else {
        CBasicString boundary = FromNarrowText(m_boundary);
        headers.Format(L"FROM: %s%sTo: %s%sCc: %s%sDate: %s%sSubject:%s%sX-Mailer: %s%sMIME-Version: %s%s"
                       L"Content-Type: %s; boundary=%s%s",
                       m_sender.GetString(), L"\r\n", to.GetString(), L"\r\n", cc.GetString(), L"\r\n",
                       date.GetString(), L"\r\n", subject.GetString(), L"\r\n", kMailer, L"\r\n", L"1.0", L"\r\n",
                       L"multipart/mixed", boundary.GetString(), L"\r\n");
        text.Format(L"%s%sThis is a multi-part message in MIME format from KVX.%s%s--%s%s"
                    L"Content-Type: text/plain; charset=UTF-8%sContent-Transfer-Encoding: %s%s%s%s%s",
                    L"\r\n", L"\r\n", L"\r\n", L"\r\n", boundary.GetString(), L"\r\n", L"\r\n",
                    quoted ? L"quoted-printable" : IsAscii(body) ? L"7Bit" : L"8bit", L"\r\n", L"\r\n",
                    body.GetString(), L"\r\n");
    }
    if (!SendText(headers) || !SendText(text)) {
        LogEvent(12, __LINE__);
        return 0;
    }
    if (withAttachments) {
        for (const CBasicString& path : m_attachments) {
            if (SendAttachment(path)) continue;
            // The message is left unfinished: without its final "." line
            // the server discards it when the connection closes.
            CloseConnection();
            return 0;
        }
        if (!SendBytes("\r\n--" + m_boundary + "--\r\n")) {
            LogEvent(13, __LINE__);
            return 0;
        }
    }
    return Exchange(L"\r\n.\r\n", "250", kNoEvent, kNoEvent, __LINE__);
}

namespace {

// The attachment's file opened for reading, or null.
CAbstractFile* OpenAttachment(const CBasicString& path, CAbstractLog* log) {
    CAbstractFile* file = CreateBasicFile(path.GetString(), log, nullptr);
    if (!file) return nullptr;
    bool opened = file->Open(path.GetString(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN) == 0 ||
                  file->Open(path.GetString(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN) == 0;
    if (opened) return file;
    DeleteBasicFile(file);
    return nullptr;
}

} // namespace

bool CSMTPEmail::AttachmentsReadable() {
    for (const CBasicString& path : m_attachments) {
        CAbstractFile* file = PathExists(path.GetString()) ? OpenAttachment(path, m_log) : nullptr;
        if (!file) {
            LogEvent(14, __LINE__, path.GetString());
            return false;
        }
        DeleteBasicFile(file);
    }
    return true;
}

bool CSMTPEmail::SendAttachment(const CBasicString& path) {
    if (!SendBytes("\r\n--" + m_boundary)) {
        LogEvent(15, __LINE__);
        return false;
    }
    // The file's name as MIME parameters: quoted or in the extended form
    // where it needs that.
    std::string name = ToNarrowText(AttachmentName(path).GetString());
    std::string header = "\r\nContent-Type: application/octet-stream; " + MimeParameter("file", name) +
                         "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; " +
                         MimeParameter("filename", name) + "\r\n\r\n";
    if (!SendBytes(header)) {
        LogEvent(16, __LINE__);
        return false;
    }
    CAbstractFile* file = OpenAttachment(path, m_log);
    if (!file) {
        LogEvent(17, __LINE__, path.GetString());
        return false;
    }
    bool sent = SendFileContents(file);
    DeleteBasicFile(file);
    return sent;
}

// Every 54 bytes become a line of 72 Base64 characters and CR LF; a shorter
// last piece ends without a line break. Blocks of whole lines are read and
// coded at once.
bool CSMTPEmail::SendFileContents(CAbstractFile* file) {
    std::string block(kAttachmentBlock, '\0');
    std::string coded((size_t)CBase64Coding::GetEncodedSize(kAttachmentBlock, 0), '\0');
    CBase64Coding coder;
    for (;;) {
        DWORD filled = 0;
        while (filled < kAttachmentBlock) {
            DWORD done = 0;
            if (file->Read(block.data() + filled, kAttachmentBlock - filled, &done) != 0) {
                LogEvent(18, __LINE__);
                return false;
            }
            if (done == 0) break;
            filled += done;
        }
        if (filled == 0) return true;
        coder.Encode(block.data(), (int)filled, coded.data(), 0);
        if (!SendBytes(std::string(coded.c_str()))) {
            LogEvent(18, __LINE__);
            return false;
        }
        if (filled < kAttachmentBlock) return true;
    }
}
