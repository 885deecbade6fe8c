#pragma once
// The exports of libSendrix.so, the online-services library. Callers load
// the library at run time and look the six functions up by these names. An
// object made by a factory is freed only by the matching delete function;
// the delete functions accept null.
//
// The library-wide log sink (the log of the library's sockets, HTTP client,
// proxy discovery and assertion reports) is set by CreateOnlineModule
// (always, null included), by CreateHttpFile (only while none is set) and
// by an e-mail client that connects; CreateEmail leaves it alone. The
// caller keeps the log alive while the library is loaded.

#define SENDRIX_EXPORT extern "C" __attribute__((visibility("default")))

class CAbstractEmail;
class CAbstractFile;
class CAbstractLog;
class CAbstractOnlineModule;

// A new online module; null when memory runs out.
SENDRIX_EXPORT CAbstractOnlineModule* CreateOnlineModule(CAbstractLog* log);
SENDRIX_EXPORT void DeleteOnlineModule(CAbstractOnlineModule* module);

// A new e-mail client reporting to log; null when memory runs out.
SENDRIX_EXPORT CAbstractEmail* CreateEmail(CAbstractLog* log);
SENDRIX_EXPORT void DeleteEmail(CAbstractEmail* email);

// A new HTTP file with the URL set (url may be null); null when memory runs
// out.
SENDRIX_EXPORT CAbstractFile* CreateHttpFile(const wchar_t* url, CAbstractLog* log);
SENDRIX_EXPORT void DeleteHttpFile(CAbstractFile* file);
