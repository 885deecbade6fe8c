#include "OnlineServices/Sendrix/OnlineProxyProfile.h"

#include "OnlineServices/Sendrix/SystemProxy.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\OnlineProfile";

} // namespace

COnlineProxyProfile::COnlineProxyProfile() = default;

COnlineProxyProfile::~COnlineProxyProfile() = default;

int COnlineProxyProfile::GetKind() { return m_kind; }

void COnlineProxyProfile::SetKind(int kind) { m_kind = kind; }

const wchar_t* COnlineProxyProfile::GetHost() { return m_host.GetString(); }

void COnlineProxyProfile::SetHost(const wchar_t* host) { m_host = host ? host : L""; }

int COnlineProxyProfile::GetPort() { return m_port; }

void COnlineProxyProfile::SetPort(int port) { m_port = port; }

const wchar_t* COnlineProxyProfile::GetUserName() { return m_userName.GetString(); }

void COnlineProxyProfile::SetUserName(const wchar_t* userName) { m_userName = userName ? userName : L""; }

const wchar_t* COnlineProxyProfile::GetPassword() { return m_password.GetString(); }

void COnlineProxyProfile::SetPassword(const wchar_t* password) { m_password = password ? password : L""; }

int COnlineProxyProfile::GetAuthentication() { return m_authenticate; }

void COnlineProxyProfile::SetAuthentication(int authenticate) { m_authenticate = authenticate; }

ProxyEntrySet* COnlineProxyProfile::DetectSystemProxy(const wchar_t* url) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return nullptr;
    m_entries.clear();
    SystemProxyChoice choice;
    GetSystemProxy(url, m_entries, choice);
    m_host = choice.host;
    m_port = (int)choice.port;
    if (m_entries.empty()) return nullptr;
    m_kind = kProxyHttp;
    m_userName = choice.userName;
    m_password = choice.password;
    m_authenticate = choice.userName.IsEmpty() ? 0 : 1;
    return &m_entries;
}

int COnlineProxyProfile::HasSystemProxy(const wchar_t* url) {
    ReportAssertion(url != nullptr, kSourceFile, __LINE__);
    if (!url) return 0;
    ProxyEntrySet* entries = DetectSystemProxy(url);
    return entries && !entries->empty();
}

void COnlineProxyProfile::CopyFrom(CAbstractFtpProxyProfile* source) {
    ReportAssertion(source != nullptr, kSourceFile, __LINE__);
    if (!source || source == this) return;
    m_kind = source->GetKind();
    m_ftpLoginForm = source->GetFtpLoginForm();
    SetHost(source->GetHost());
    SetUserName(source->GetUserName());
    SetPassword(source->GetPassword());
    m_port = source->GetPort();
    m_authenticate = source->GetAuthentication();
}

int COnlineProxyProfile::GetFtpLoginForm() { return m_ftpLoginForm; }

void COnlineProxyProfile::SetFtpLoginForm(int form) { m_ftpLoginForm = form; }
