// The library's exports and its module handle. Nothing needs starting when
// the library loads: the system's sockets need no set-up.

#include "OnlineServices/Sendrix/LibraryEntry.h"

#include "OnlineServices/Sendrix/AbstractEmail.h"
#include "OnlineServices/Sendrix/AbstractOnlineModule.h"
#include "OnlineServices/Sendrix/OnlineFactories.h"
#include "OnlineServices/Sendrix/Sendrix.h"
#include "utility/AbstractFile.h"
#include "utility/LibraryLog.h"
#include "utility/StringTable.h"

HINSTANCE GetModuleInstance() { return GetCurrentModuleHandle(); }

SENDRIX_EXPORT CAbstractOnlineModule* CreateOnlineModule(CAbstractLog* log) {
    SetLibraryLog(log);
    return NewOnlineModule();
}

SENDRIX_EXPORT void DeleteOnlineModule(CAbstractOnlineModule* module) { delete module; }

SENDRIX_EXPORT CAbstractEmail* CreateEmail(CAbstractLog* log) { return NewEmail(log); }

SENDRIX_EXPORT void DeleteEmail(CAbstractEmail* email) { delete email; }

SENDRIX_EXPORT CAbstractFile* CreateHttpFile(const wchar_t* url, CAbstractLog* log) {
    SetLibraryLogIfUnset(log);
    return NewHttpFile(url);
}

SENDRIX_EXPORT void DeleteHttpFile(CAbstractFile* file) { delete file; }
