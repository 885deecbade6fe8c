#pragma once
// CAbstractFtpProfile: a connection profile that can take over every field
// of another one, password blob included.

#include "OnlineServices/Sendrix/AbstractOnlineProfile.h"

class CAbstractFtpProfile : public CAbstractOnlineProfile {
public:
    // The source must be a COnlineProfile: 1 copied, else 0.
    virtual int Assign(CAbstractFtpProfile* profile) = 0;
};
