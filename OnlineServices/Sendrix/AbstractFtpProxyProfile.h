#pragma once
// CAbstractFtpProxyProfile: proxy settings with the FTP proxy login form,
// the row of the FTP client's login table (0 to 8) used through an FTP
// proxy gateway.

#include "OnlineServices/Sendrix/AbstractProxyProfile.h"

class CAbstractFtpProxyProfile : public CAbstractProxyProfile {
public:
    // Copies kind, login form, host, user name, password, port and the
    // authentication flag.
    virtual void CopyFrom(CAbstractFtpProxyProfile* source) = 0;
    virtual int GetFtpLoginForm() = 0;
    virtual void SetFtpLoginForm(int form) = 0;
};
