#pragma once
// The objects that the library's exports and the online module hand out.
// The exports apply their log-sink rule first, so an object that takes the
// library-wide sink when it is made takes the right one. Null when memory
// runs out.

class CAbstractCertificateHandler;
class CAbstractConnection;
class CAbstractEmail;
class CAbstractFile;
class CAbstractFileFind;
class CAbstractLog;
class CAbstractOnlineModule;
class CAbstractOnlineProfile;
class CAbstractProxyProfile;

CAbstractOnlineModule* NewOnlineModule();
CAbstractEmail* NewEmail(CAbstractLog* log);
// The HTTP file with url set as its file name (url may be null).
CAbstractFile* NewHttpFile(const wchar_t* url);
CAbstractConnection* NewHttpConnection();

// The SFTP side of the online module: a connection made (and logged in)
// from the profile, a file and a finder on such a connection, and a rename
// through its channel (1 / 0).
CAbstractConnection* NewSFtpConnection(CAbstractOnlineProfile* profile, CAbstractProxyProfile* proxyProfile,
                                       CAbstractLog* log, CAbstractCertificateHandler* handler);
CAbstractFile* NewSFtpFile(CAbstractConnection* connection, const wchar_t* path);
CAbstractFileFind* NewSFtpFileFind(CAbstractConnection* connection);
int RenameSFtpFile(CAbstractConnection* connection, const wchar_t* oldName, const wchar_t* newName);
