#include "OnlineServices/Sendrix/Posix/SocketError.h"

#include <cerrno>

#include "utility/Posix/SystemError.h"

namespace {

struct SocketErrno {
    DWORD code;
    int err;
};

const SocketErrno kSocketErrnos[] = {
    {10004, EINTR},           {10009, EBADF},          {10013, EACCES},         {10014, EFAULT},
    {WSAEINVAL, EINVAL},      {10024, EMFILE},         {WSAEWOULDBLOCK, EAGAIN}, {WSAEINPROGRESS, EINPROGRESS},
    {10037, EALREADY},        {WSAENOTSOCK, ENOTSOCK}, {10039, EDESTADDRREQ},   {10040, EMSGSIZE},
    {10041, EPROTOTYPE},      {10042, ENOPROTOOPT},    {10043, EPROTONOSUPPORT}, {10044, ESOCKTNOSUPPORT},
    {10045, EOPNOTSUPP},      {10046, EPFNOSUPPORT},   {10047, EAFNOSUPPORT},   {10048, EADDRINUSE},
    {10049, EADDRNOTAVAIL},   {10050, ENETDOWN},       {10051, ENETUNREACH},    {10052, ENETRESET},
    {10053, ECONNABORTED},    {10054, ECONNRESET},     {10055, ENOBUFS},        {10056, EISCONN},
    {WSAENOTCONN, ENOTCONN},  {10058, ESHUTDOWN},      {WSAETIMEDOUT, ETIMEDOUT}, {WSAECONNREFUSED, ECONNREFUSED},
    {10064, EHOSTDOWN},       {10065, EHOSTUNREACH},
};

struct SocketErrorText {
    DWORD code;
    const wchar_t* text;
};

// The resolver's failures have no errno of their own.
const SocketErrorText kResolverTexts[] = {
    {WSAHOST_NOT_FOUND, L"No such host is known."},
    {WSATRY_AGAIN, L"The name could not be resolved for now; try again later."},
    {WSANO_RECOVERY, L"A non-recoverable error occurred during a name look-up."},
};

} // namespace

DWORD SocketErrorFromErrno(int err) {
    if (err == EWOULDBLOCK) err = EAGAIN;
    for (const SocketErrno& e : kSocketErrnos)
        if (e.err == err) return e.code;
    return WinErrorFromErrno(err);
}

void SetSocketError(DWORD code) { SetLastError(code); }

DWORD SetSocketErrorFromErrno(int err) {
    DWORD code = SocketErrorFromErrno(err);
    SetLastError(code);
    return code;
}

DWORD GetSocketError() { return GetLastError(); }

CBasicString GetSocketErrorText(DWORD code) {
    for (const SocketErrno& e : kSocketErrnos)
        if (e.code == code) return GetSystemErrorText(kErrnoErrorFlag | (DWORD)e.err);
    for (const SocketErrorText& t : kResolverTexts)
        if (t.code == code) return CBasicString(t.text);
    return GetSystemErrorText(code);
}
