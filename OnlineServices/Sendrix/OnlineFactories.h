#pragma once
// The objects that the library's exports hand out (LibraryEntry.cpp). The
// exports apply their log-sink rule first, so an object that takes the
// library-wide sink when it is made takes the right one. Null when memory
// runs out.

class CAbstractEmail;
class CAbstractFile;
class CAbstractLog;
class CAbstractOnlineModule;

CAbstractOnlineModule* NewOnlineModule();
CAbstractEmail* NewEmail(CAbstractLog* log);
// The HTTP file with url set as its file name (url may be null).
CAbstractFile* NewHttpFile(const wchar_t* url);
