#pragma once
// Host names to IPv4 addresses for the sockets. Dotted text ("127.0.0.1")
// is taken as it stands and never reaches the resolver; any other name is
// looked up (getaddrinfo, IPv4 only) and its first address taken.

#include <cstdint>

// The address in network byte order; false with the socket error
// WSAHOST_NOT_FOUND (or another resolver error) when the name has none.
bool ResolveHostAddress(const char* host, uint32_t* address);

// The dotted address, or 0 when host is no dotted text. INADDR_NONE
// ("255.255.255.255") counts as no address, as the sockets always took it.
uint32_t ParseDottedAddress(const char* host);

// Tests replace the name look-up (the resolver of a sandbox may hang);
// null restores the system's. The function gives the address in network
// byte order, or false when the name has none.
typedef bool (*HostLookupFunction)(const char* name, uint32_t* address);
void SetHostLookupForTests(HostLookupFunction lookup);
