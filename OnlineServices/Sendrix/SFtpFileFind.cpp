#include "OnlineServices/Sendrix/SFtpFileFind.h"

#include <ctime>

#include "OnlineServices/SFtpProtocol/SFtpMessages.h"
#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/FtpFileFindData.h"
#include "OnlineServices/Sendrix/FtpListParser.h"
#include "OnlineServices/Sendrix/SFtpConnection.h"
#include "OnlineServices/Sendrix/TextConversion.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\SFtpFileFind";

CSFtpConnection* SFtpOf(CAbstractConnection* connection) {
    CAbstractFtpConnection* ftp = dynamic_cast<CAbstractFtpConnection*>(connection);
    return ftp ? ftp->AsSFtpConnection() : nullptr;
}

} // namespace

CSFtpFileFind::CSFtpFileFind(CAbstractConnection* connection) : CFtpFileFind(connection), m_sftp(SFtpOf(connection)) {}

int CSFtpFileFind::OpenListing(const wchar_t* command) {
    bool usable = m_sftp != nullptr && m_sftp->IsConnected();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return -3;
    std::string folder = ToNarrowText(Data()->root.GetString());
    return m_sftp->SendString(kSFtpListFolder, folder.c_str()) ? 0 : -3;
}

int CSFtpFileFind::ReadListing() {
    bool usable = m_sftp != nullptr && m_sftp->IsConnected();
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    const int64_t now = (int64_t)time(nullptr);
    char line[kSFtpMaxListLine + 1];
    while (m_sftp->IsRunning()) {
        DWORD length = kSFtpMaxListLine;
        if (!m_sftp->Receive(kSFtpListFolder, &length, line) || length == 0) break;
        line[length] = 0;
        CBasicFileFindInfo record;
        if (ParseFtpListLine(line, length, record, now)) {
            record.SetValid(1);
            AddEntry(record);
        }
    }
    return 1;
}
