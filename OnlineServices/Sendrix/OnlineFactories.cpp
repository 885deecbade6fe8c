#include "OnlineServices/Sendrix/OnlineFactories.h"

#include <new>

#include "OnlineServices/Sendrix/BasicHttpFile.h"

// PENDING: the online module (COnlineModule) and the e-mail client
// (CSMTPEmail) are not built yet. Until each exists its factory gives null,
// which callers already treat as a failure to make the object. Each factory
// below is replaced by `new (std::nothrow) ...` of its class when that class
// arrives; nothing else needs to change.

CAbstractOnlineModule* NewOnlineModule() { return nullptr; }

CAbstractEmail* NewEmail(CAbstractLog* log) { return nullptr; }

CAbstractFile* NewHttpFile(const wchar_t* url) { return new (std::nothrow) CBasicHttpFile(url); }
