#pragma once
// COnlineProxyProfile: the proxy a connection goes through (kind, host,
// port, credentials, all kept in plain text), which can fill itself from
// the system's proxy settings (SystemProxy.h), and the FTP proxy login
// form (the row of the FTP client's login table). Everything is empty or 0
// after construction (no proxy).

#include "OnlineServices/Sendrix/AbstractFtpProxyProfile.h"
#include "utility/BasicString.h"

class COnlineProxyProfile : public CAbstractFtpProxyProfile {
public:
    COnlineProxyProfile();
    ~COnlineProxyProfile() override;

    int GetKind() override;
    void SetKind(int kind) override;
    const wchar_t* GetHost() override;
    void SetHost(const wchar_t* host) override;
    int GetPort() override;
    void SetPort(int port) override;
    const wchar_t* GetUserName() override;
    void SetUserName(const wchar_t* userName) override;
    const wchar_t* GetPassword() override;
    void SetPassword(const wchar_t* password) override;
    int GetAuthentication() override;
    void SetAuthentication(int authenticate) override;
    // Takes the proxy discovered for url: the entries, or null when the
    // system names none. With a proxy the kind becomes HTTP CONNECT and no
    // credentials are sent.
    ProxyEntrySet* DetectSystemProxy(const wchar_t* url) override;
    // 1 when the system names a proxy for url.
    int HasSystemProxy(const wchar_t* url) override;
    void CopyFrom(CAbstractFtpProxyProfile* source) override;
    int GetFtpLoginForm() override;
    void SetFtpLoginForm(int form) override;

private:
    int m_kind = kProxyNone;
    CBasicString m_host;
    int m_port = 0;
    CBasicString m_userName;
    CBasicString m_password;
    int m_authenticate = 0;
    int m_ftpLoginForm = 0;
    ProxyEntrySet m_entries;
};
