#pragma once
// CFtpFileFindData: the state of one remote search: besides the records
// (kept in listing order while the answer comes in), the data connection
// of the running listing and the connection it belongs to.

#include <set>

#include "OnlineServices/Sendrix/FtpEntryOrder.h"
#include "utility/Posix/BasicFileFindData.h"

class CAbstractFtpConnection;
class CSSLSocket;
class CArchive;
class CSocketFile;

class CFtpFileFindData : public CBasicFileFindData {
public:
    CFtpFileFindData() = default;
    ~CFtpFileFindData() override;

    // Closes and deletes the listing's reader, socket file and data socket.
    void CloseListing();

    CArchive* archive = nullptr;
    CSocketFile* socketFile = nullptr;
    CSSLSocket* dataSocket = nullptr;
    CAbstractFtpConnection* connection = nullptr;
    // The records of the listing being read, in entry order.
    std::set<CBasicFileFindInfo, FtpEntryOrder> listed;
};
