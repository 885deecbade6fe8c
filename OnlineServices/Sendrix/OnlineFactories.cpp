#include "OnlineServices/Sendrix/OnlineFactories.h"

#include <new>

#include "OnlineServices/Sendrix/SMTPEmail.h"

// PENDING: the online module (COnlineModule) and the HTTP file
// (CBasicHttpFile) are not built yet. Until each exists its
// factory gives null, which callers already treat as a failure to make the
// object. Each factory below is replaced by `new (std::nothrow) ...` of its
// class when that class arrives; nothing else needs to change.

CAbstractOnlineModule* NewOnlineModule() { return nullptr; }

CAbstractEmail* NewEmail(CAbstractLog* log) { return new (std::nothrow) CSMTPEmail(log); }

CAbstractFile* NewHttpFile(const wchar_t* url) { return nullptr; }
