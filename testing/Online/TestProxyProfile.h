#pragma once
// A proxy profile for the socket tests: plain settings, no discovery.

#include <string>

#include "OnlineServices/Sendrix/AbstractProxyProfile.h"

class CTestProxyProfile : public CAbstractProxyProfile {
public:
    CTestProxyProfile(int kind, int port, const std::wstring& user = L"", const std::wstring& password = L"");

    int GetKind() override { return m_kind; }
    void SetKind(int kind) override { m_kind = kind; }
    const wchar_t* GetHost() override { return m_host.c_str(); }
    void SetHost(const wchar_t* host) override { m_host = host ? host : L""; }
    int GetPort() override { return m_port; }
    void SetPort(int port) override { m_port = port; }
    const wchar_t* GetUserName() override { return m_user.c_str(); }
    void SetUserName(const wchar_t* user) override { m_user = user ? user : L""; }
    const wchar_t* GetPassword() override { return m_password.c_str(); }
    void SetPassword(const wchar_t* password) override { m_password = password ? password : L""; }
    int GetAuthentication() override { return m_authenticate; }
    void SetAuthentication(int authenticate) override { m_authenticate = authenticate; }
    ProxyEntrySet* DetectSystemProxy(const wchar_t* url) override { return nullptr; }
    int HasSystemProxy(const wchar_t* url) override { return 0; }

private:
    int m_kind;
    std::wstring m_host = L"127.0.0.1";
    int m_port;
    std::wstring m_user;
    std::wstring m_password;
    int m_authenticate;
};
