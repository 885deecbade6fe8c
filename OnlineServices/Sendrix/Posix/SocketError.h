#pragma once
// The socket layer's error numbers: the Windows Sockets numbers (10022 for
// an invalid argument, 10057 for a socket that is not connected, ...), which
// the log entries of the sockets carry and callers read back. A failing
// socket call stores its number as the thread's last error (SystemError.h),
// where GetSocketError finds it again.

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

constexpr DWORD WSAEWOULDBLOCK = 10035;
constexpr DWORD WSAEINPROGRESS = 10036;
constexpr DWORD WSAEINVAL = 10022;
constexpr DWORD WSAENOTSOCK = 10038;
constexpr DWORD WSAENOTCONN = 10057;
constexpr DWORD WSAETIMEDOUT = 10060;
constexpr DWORD WSAECONNREFUSED = 10061;
constexpr DWORD WSAHOST_NOT_FOUND = 11001;
constexpr DWORD WSATRY_AGAIN = 11002;
constexpr DWORD WSANO_RECOVERY = 11003;

// The socket error number of an errno value (unknown values keep the
// system's own numbering, SystemError.h).
DWORD SocketErrorFromErrno(int err);

void SetSocketError(DWORD code);
DWORD SetSocketErrorFromErrno(int err);
DWORD GetSocketError();

// The message text of a socket error number (any other system error code
// gives its usual text).
CBasicString GetSocketErrorText(DWORD code);
