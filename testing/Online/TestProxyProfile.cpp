#include "testing/Online/TestProxyProfile.h"

CTestProxyProfile::CTestProxyProfile(int kind, int port, const std::wstring& user, const std::wstring& password)
    : m_kind(kind), m_port(port), m_user(user), m_password(password), m_authenticate(!user.empty()) {}
