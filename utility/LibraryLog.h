#pragma once
// The library-wide log sink: one per module that holds the utility library
// (each shared library keeps the utility library hidden, so each has its
// own). Null at start; assertion reports and the library's stand-alone
// functions write through it. It is never owned and never cleared by the
// library itself.

class CAbstractLog;

void SetLibraryLog(CAbstractLog* log);
CAbstractLog* GetLibraryLog();

// Makes log the sink only while none is set (in one atomic step, so two
// threads that both find it unset cannot both set it); true when it did.
bool SetLibraryLogIfUnset(CAbstractLog* log);
