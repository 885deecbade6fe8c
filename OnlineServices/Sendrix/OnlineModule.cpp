#include "OnlineServices/Sendrix/OnlineModule.h"

#include <new>

#include "OnlineServices/Sendrix/AbstractFtpConnection.h"
#include "OnlineServices/Sendrix/AbstractFtpProfile.h"
#include "OnlineServices/Sendrix/FtpConnection.h"
#include "OnlineServices/Sendrix/FtpFile.h"
#include "OnlineServices/Sendrix/FtpFileFind.h"
#include "OnlineServices/Sendrix/FtpPath.h"
#include "OnlineServices/Sendrix/OnlineFactories.h"
#include "OnlineServices/Sendrix/SSLSocket.h"
#include "utility/AbstractFile.h"
#include "utility/AbstractFileFind.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\OnlineModule";

bool IsConnected(CAbstractConnection* connection) { return connection && connection->IsConnected(); }

} // namespace

COnlineModule::COnlineModule() = default;

COnlineModule::~COnlineModule() = default;

CAbstractConnection* COnlineModule::CreateFtpConnection(CAbstractOnlineProfile* profile,
                                                        CAbstractProxyProfile* proxyProfile, CAbstractLog* log,
                                                        CAbstractCertificateHandler* handler) {
    ReportAssertion(profile != nullptr, kSourceFile, __LINE__);
    if (!profile) return nullptr;
    CAbstractConnection* connection;
    if (profile->GetProtocol() == kProtocolSFtp) {
        connection = NewSFtpConnection(profile, proxyProfile, log, handler);
    } else {
        CAbstractFtpProfile* ftpProfile = dynamic_cast<CAbstractFtpProfile*>(profile);
        connection = ftpProfile ? new (std::nothrow) CFtpConnection(ftpProfile, proxyProfile, log, handler) : nullptr;
    }
    if (connection && !connection->IsConnected()) {
        delete connection;
        connection = nullptr;
    }
    return connection;
}

CAbstractFile* COnlineModule::CreateFtpFile(CAbstractConnection* connection, const wchar_t* unused,
                                            const wchar_t* path) {
    if (!IsConnected(connection)) return nullptr;
    if (connection->GetProtocol() == kProtocolSFtp) return NewSFtpFile(connection, path);
    return new (std::nothrow) CFtpFile(connection, GENERIC_READ, path);
}

CAbstractFileFind* COnlineModule::CreateFtpFileFind(CAbstractConnection* connection) {
    if (!IsConnected(connection)) return nullptr;
    if (connection->GetProtocol() == kProtocolSFtp) return NewSFtpFileFind(connection);
    return new (std::nothrow) CFtpFileFind(connection);
}

int COnlineModule::RenameFtpFile(const wchar_t* oldName, const wchar_t* newName, CAbstractConnection* connection) {
    bool usable = oldName != nullptr && newName != nullptr && IsConnected(connection);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    if (connection->GetProtocol() == kProtocolSFtp) return RenameSFtpFile(connection, oldName, newName);
    CAbstractFtpConnection* ftp = dynamic_cast<CAbstractFtpConnection*>(connection);
    CFtpConnection* plain = ftp ? ftp->AsFtpConnection() : nullptr;
    return plain ? plain->Rename(oldName, newName) : 0;
}

const wchar_t* COnlineModule::FindDirectoryPath(CAbstractConnection* connection, const wchar_t* directory,
                                                const wchar_t* name) {
    m_foundPath.Empty();
    bool usable = directory != nullptr && name != nullptr && IsConnected(connection);
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return m_foundPath.GetString();
    CBasicString folder = TrimTrailingSlashes(CBasicString(directory));
    CBasicString last = folder.MidToEnd(folder.ReverseFind(L'/') + 1);
    if (last.CompareNoCase(name) == 0) m_foundPath = directory;
    else m_foundPath = SearchFolder(connection, folder, name);
    return m_foundPath.GetString();
}

CBasicString COnlineModule::SearchFolder(CAbstractConnection* connection, const CBasicString& directory,
                                         const wchar_t* name) {
    CBasicString found;
    CAbstractFileFind* find = CreateFtpFileFind(connection);
    if (!find) return found;
    CBasicString candidate = (directory.Compare(L"/") == 0 ? CBasicString(L"") : directory) + L"/" + name;
    if (find->FindFile(candidate.GetString())) {
        found = candidate;
    } else {
        CBasicString pattern = directory.Compare(L"/") == 0 ? CBasicString(L"/") : directory + L"/*";
        for (int more = find->FindFirst(pattern.GetString(), 0); more && found.IsEmpty(); more = find->FindNext()) {
            if (!find->IsDirectory() || find->IsDots()) continue;
            CBasicString sub = CBasicString(find->GetFilePath()) + L"/";
            CBasicString subFolder = TrimTrailingSlashes(sub);
            CBasicString lastPart = subFolder.MidToEnd(subFolder.ReverseFind(L'/') + 1);
            found = lastPart.CompareNoCase(name) == 0 ? sub : SearchFolder(connection, subFolder, name);
        }
    }
    DeleteFtpFileFind(find);
    return found;
}

CAbstractConnection* COnlineModule::CreateHttpConnection() { return NewHttpConnection(); }

CAbstractFile* COnlineModule::CreateHttpFileObject(const wchar_t* unused, const wchar_t* url) {
    return NewHttpFile(url);
}

CAbstractSocket* COnlineModule::CreateSocket(CAbstractLog* log) { return new (std::nothrow) CSSLSocket(log); }

void COnlineModule::DeleteSocket(CAbstractSocket* socket) { delete socket; }

void COnlineModule::DeleteFtpConnection(CAbstractConnection* connection) { delete connection; }

void COnlineModule::DeleteFtpFile(CAbstractFile* file) { delete file; }

void COnlineModule::DeleteFtpFileFind(CAbstractFileFind* find) { delete find; }

void COnlineModule::DeleteHttpConnection(CAbstractConnection* connection) { delete connection; }

void COnlineModule::DeleteHttpFileObject(CAbstractFile* file) { delete file; }
