#pragma once
// CSMTPEmail: sends one e-mail message (plain text, or MIME multipart with
// Base64 attachments) to an SMTP server, optionally over implicit TLS and
// after AUTH LOGIN or AUTH PLAIN. CreateEmail hands it out; every event it
// logs has the category "EMAILNOTIFY" (see LogDef.ini for the codes).
//
// The exchange runs in lockstep on the caller's thread: every command waits
// for its whole reply (multi-line replies included), and every reply code
// is checked; an unexpected code is event 22 with the code. Text goes out
// as UTF-8 (the message is labelled so), the body is dot-stuffed, Bcc
// recipients get the message without appearing in its headers, and CR or LF
// in the subject, the addresses or an attachment's name is refused, so no
// caller text can add commands or header lines. Outgoing lines are gathered
// into larger writes, flushed whenever a reply is awaited.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "OnlineServices/Sendrix/AbstractEmail.h"
#include "utility/BasicString.h"

class CAbstractFile;
class CAbstractLog;
class CAbstractSocket;
class CArchive;
class CSocketFile;

class CSMTPEmail : public CAbstractEmail {
public:
    // The start of the boundary between the parts of a message with
    // attachments; random digits follow, new for every message.
    static constexpr const char* kBoundaryPrefix = "MORVANE_MAIL_PaRt_";
    // Outgoing bytes gathered before a write.
    static constexpr size_t kSendBufferSize = 16 * 1024;

    explicit CSMTPEmail(CAbstractLog* log);
    ~CSMTPEmail() override;
    CSMTPEmail(const CSMTPEmail&) = delete;
    CSMTPEmail& operator=(const CSMTPEmail&) = delete;

    // Also makes log the library-wide log sink. With useTLS the TLS
    // handshake runs right after the TCP connection (implicit TLS), and a
    // server that is not trusted (SSLSocket.h; the trusted authorities are
    // "ClientCert.pem" in the program's folder, else the system's) counts
    // as a failed connection. Then the server's greeting (220) and the
    // answer to HELO (250) must come. 1 connected; 0, 2 (socket not
    // created) or 4 (no connection).
    int Connect(const wchar_t* server, int port, int useTLS) override;
    int Quit() override;
    int Send() override;
    int SendMail(const wchar_t* sender, const wchar_t* recipients, const wchar_t* subject,
                 const wchar_t* body) override;
    // 0 for an empty address or one holding CR or LF.
    int SetSender(const wchar_t* address) override;
    // The list is cut at ';'; parts that hold '@' after their first
    // character are added. A list without '@' or holding CR or LF is
    // refused (event 6).
    int AddRecipients(const wchar_t* list, int recipientType) override;
    void ClearRecipients() override;
    // 0 (with an assertion report) for a subject holding CR or LF, which is
    // not taken.
    int SetSubject(const wchar_t* text) override;
    int SetBody(const wchar_t* text) override;
    int AddAttachment(const wchar_t* path) override;
    void ClearAttachments() override;
    // Methods: 0 none, 2 AUTH LOGIN, 3 AUTH PLAIN; 1 and 4 are not
    // supported. 1 succeeded, 6 failed.
    int Authenticate(int method, const wchar_t* userName, const wchar_t* password) override;

private:
    struct Recipient {
        int type;  // 0 To, 1 Cc, 2 Bcc
        CBasicString address;
    };

    // Logs an "EMAILNOTIFY" event, with the text argument when one is given.
    void LogEvent(int code, int line, const wchar_t* argument = nullptr);
    // Event 22 with the reply code.
    void LogUnexpectedReply(const std::string& code, int line);

    // Queues text (as UTF-8) or bytes for sending; a write happens when the
    // buffer is full. False when a write failed.
    bool SendText(const CBasicString& text);
    bool SendBytes(const std::string& bytes);
    // Writes out everything queued. False when a write failed.
    bool Flush();
    // Flushes, then reads one whole reply and gives its three-character
    // code. False when nothing could be read.
    bool ReadReply(std::string& code);
    // Reads a reply: 1 when its code is one of expected (codes separated
    // by '|'); 0 when none came (event receiveEvent) or another code did
    // (event 22).
    int ExpectReply(const char* expected, int receiveEvent, int line);
    // Sends text, then ExpectReply; a failed send is event sendEvent and 0.
    int Exchange(const CBasicString& text, const char* expected, int sendEvent, int receiveEvent, int line);

    int AuthLogin();
    int AuthPlain();
    // The TLS handshake of an implicit TLS connection: 1 when it succeeded.
    int StartTLS();
    // An attachment as a MIME part: false when the file cannot be read
    // whole or a piece cannot be sent (the message must then not be
    // completed).
    bool SendAttachment(const CBasicString& path);
    bool SendFileContents(CAbstractFile* file);
    // Opens the file of every attachment once, before the message starts:
    // false (event 14 with the path) for the first that cannot be read.
    bool AttachmentsReadable();
    void OpenReplyReader();
    void CloseConnection();
    bool IsConnected();

    CBasicString m_server;
    int m_port = 0;
    CBasicString m_sender;
    CBasicString m_subject;
    CBasicString m_body;
    std::vector<CBasicString> m_attachments;
    int m_useTLS = 0;
    std::vector<Recipient> m_recipients;
    CBasicString m_userName;
    CBasicString m_password;
    CAbstractLog* m_log;
    std::unique_ptr<CAbstractSocket> m_socket;

    // The reply reader over the connected socket.
    std::unique_ptr<CSocketFile> m_socketFile;
    std::unique_ptr<CArchive> m_replies;
    std::string m_output;
    // The boundary of the message being sent.
    std::string m_boundary;
};
