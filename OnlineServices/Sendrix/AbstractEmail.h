#pragma once
// CAbstractEmail: an e-mail message sent to an SMTP server, as CreateEmail
// hands it out (freed with DeleteEmail).

class CAbstractEmail {
public:
    virtual ~CAbstractEmail() {}

    // 1 connected; 0, 2 or 4 on failure.
    virtual int Connect(const wchar_t* server, int port, int useTLS) = 0;
    // 1 when the server answered (or nothing was connected).
    virtual int Quit() = 0;
    // 1 sent; 0 or 3 on failure.
    virtual int Send() = 0;
    virtual int SendMail(const wchar_t* sender, const wchar_t* recipients, const wchar_t* subject,
                         const wchar_t* body) = 0;
    virtual int SetSender(const wchar_t* address) = 0;
    // recipientType: 0 To, 1 Cc, 2 Bcc.
    virtual int AddRecipients(const wchar_t* list, int recipientType) = 0;
    virtual void ClearRecipients() = 0;
    virtual int SetSubject(const wchar_t* text) = 0;
    virtual int SetBody(const wchar_t* text) = 0;
    virtual int AddAttachment(const wchar_t* path) = 0;
    virtual void ClearAttachments() = 0;
    // 1 succeeded, 6 failed.
    virtual int Authenticate(int method, const wchar_t* userName, const wchar_t* password) = 0;
};
