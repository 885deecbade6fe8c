#pragma once
// CSFtpFileFind: walks a remote folder of an SFTP connection. The search is
// the FTP finder's; the listing is asked of the agent (one request for the
// folder, one EPLF line per reply, an empty reply at the end) instead of a
// "LIST" data connection.

#include "OnlineServices/Sendrix/FtpFileFind.h"

class CSFtpConnection;

class CSFtpFileFind : public CFtpFileFind {
public:
    explicit CSFtpFileFind(CAbstractConnection* connection);

    // Reads the agent's listing lines while the connection's running flag
    // stays set: 1.
    int ReadListing() override;

protected:
    // Asks the agent for the listing of the searched folder: 0, or -3.
    int OpenListing(const wchar_t* command) override;

private:
    CSFtpConnection* m_sftp;
};
