#pragma once
// COnlineLibrary: the online-services library of a program, loaded once by
// the framework object and handed to whoever makes its files, so that no
// window looks up the library's functions itself. It owns the module it
// holds and frees it when it is reset or destroyed.

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"

class CAbstractFile;
class CAbstractLog;

class PENDREL_API COnlineLibrary {
public:
    COnlineLibrary() = default;
    ~COnlineLibrary();
    COnlineLibrary(const COnlineLibrary&) = delete;
    COnlineLibrary& operator=(const COnlineLibrary&) = delete;

    // Takes the module (null or (HMODULE)-1: none), freeing the one held
    // before.
    void Reset(HMODULE module);
    bool IsLoaded() const;
    // The module, for those that hand it on (the link table, the update
    // page); null while none is loaded.
    HMODULE GetModule() const { return IsLoaded() ? m_module : nullptr; }

    // True when the library has the HTTP file functions.
    bool CanCreateHttpFile() const;
    // A new HTTP file of the library (url may be null), logging to log; null
    // without the library or when it makes none. Freed with DeleteHttpFile.
    CAbstractFile* CreateHttpFile(const wchar_t* url, CAbstractLog* log) const;
    // Nothing for a null file or without the library.
    void DeleteHttpFile(CAbstractFile* file) const;

private:
    HMODULE m_module = nullptr;
};
