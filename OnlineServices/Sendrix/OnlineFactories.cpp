#include "OnlineServices/Sendrix/OnlineFactories.h"

// PENDING: the online module (COnlineModule), the e-mail client (CSMTPEmail)
// and the HTTP file (CBasicHttpFile) are not built yet. Until each exists its
// factory gives null, which callers already treat as a failure to make the
// object. Each factory below is replaced by `new (std::nothrow) ...` of its
// class when that class arrives; nothing else needs to change.

CAbstractOnlineModule* NewOnlineModule() { return nullptr; }

CAbstractEmail* NewEmail(CAbstractLog* log) { return nullptr; }

CAbstractFile* NewHttpFile(const wchar_t* url) { return nullptr; }
