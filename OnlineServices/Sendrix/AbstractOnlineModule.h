#pragma once
// CAbstractOnlineModule: the factory object that CreateOnlineModule hands
// out; callers ask it for the library's connections, files, finders and
// sockets and give each back to its matching delete operation. It is freed
// with DeleteOnlineModule, through the virtual destructor.

class CAbstractOnlineModule {
public:
    virtual ~CAbstractOnlineModule() {}
};
