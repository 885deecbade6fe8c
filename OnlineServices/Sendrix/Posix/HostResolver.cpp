#include "OnlineServices/Sendrix/Posix/HostResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>

#include "OnlineServices/Sendrix/Posix/SocketError.h"

namespace {

std::atomic<HostLookupFunction> g_lookup{nullptr};

bool SystemLookup(const char* name, uint32_t* address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(name, nullptr, &hints, &found);
    if (rc != 0 || !found) {
        if (rc == EAI_AGAIN) SetSocketError(WSATRY_AGAIN);
        else if (rc == EAI_FAIL) SetSocketError(WSANO_RECOVERY);
        else if (rc == EAI_SYSTEM) SetSocketErrorFromErrno(errno);
        else SetSocketError(WSAHOST_NOT_FOUND);
        if (found) freeaddrinfo(found);
        return false;
    }
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

} // namespace

uint32_t ParseDottedAddress(const char* host) {
    if (!host) return 0;
    in_addr_t address = inet_addr(host);
    return address == INADDR_NONE ? 0 : address;
}

bool ResolveHostAddress(const char* host, uint32_t* address) {
    if (!host || !*host) {
        SetSocketError(WSAHOST_NOT_FOUND);
        return false;
    }
    uint32_t dotted = ParseDottedAddress(host);
    if (dotted != 0) {
        *address = dotted;
        return true;
    }
    HostLookupFunction lookup = g_lookup.load();
    if (!lookup) return SystemLookup(host, address);
    if (lookup(host, address)) return true;
    SetSocketError(WSAHOST_NOT_FOUND);
    return false;
}

void SetHostLookupForTests(HostLookupFunction lookup) { g_lookup.store(lookup); }
