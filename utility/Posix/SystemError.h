#pragma once
// System error codes keep their Windows numbers across the whole system
// (2 file not found, 3 path not found, 5 access denied, 183 already exists,
// ...). This is the one place where errno values are mapped to them and
// where their message texts come from. An errno value without a Windows
// number becomes 0x20000000 | errno.
//
// The last error is kept per thread, as the objects of the library expect
// from the system: a failing call sets it, the object reads it back. It is
// one per thread for the whole process (ProcessWide/LastError.h): an error
// left by a call into a shared library is seen by its caller.

#include "compat/WinTypes.h"

class CBasicString;

// Marks a code that carries a plain errno value in its low bits.
constexpr DWORD kErrnoErrorFlag = 0x20000000u;

// The Windows number of an errno value. ENOENT gives 2 (whether a missing
// parent folder makes it 3 is for the file layer to decide), EEXIST gives
// 183 (80 for creating a file is likewise the caller's choice).
DWORD WinErrorFromErrno(int err);

// The thread's last error.
void SetLastError(DWORD code);
DWORD GetLastError();

// Sets the thread's last error to WinErrorFromErrno(err) and returns it.
DWORD SetLastErrorFromErrno(int err);

// The Windows number of an errno value that a call on path (UTF-8) gave:
// ENOENT gives 3 (path not found) when the folder that would hold path
// does not exist, else 2; other values as WinErrorFromErrno.
DWORD WinErrorFromPathErrno(int err, const char* path);
DWORD SetLastErrorFromPathErrno(int err, const char* path);

// The message text of an error code: a short English text for the common
// Windows numbers, the system's text for an errno-based code, with no
// trailing white space; empty when there is none.
CBasicString GetSystemErrorText(DWORD code);
