#include "OnlineServices/Sendrix/OnlineFactories.h"

#include <new>

#include "OnlineServices/Sendrix/BasicHttpFile.h"
#include "OnlineServices/Sendrix/SMTPEmail.h"

// PENDING: the online module (COnlineModule) is not built yet. Until it
// exists its factory gives null, which callers already treat as a failure to
// make the object. The factory below is replaced by `new (std::nothrow) ...`
// of its class when that class arrives; nothing else needs to change.

CAbstractOnlineModule* NewOnlineModule() { return nullptr; }

CAbstractEmail* NewEmail(CAbstractLog* log) { return new (std::nothrow) CSMTPEmail(log); }

CAbstractFile* NewHttpFile(const wchar_t* url) { return new (std::nothrow) CBasicHttpFile(url); }
