// Runs the proxy handshakes against proxy replies taken from the input.
// First byte: the proxy kind (HTTP CONNECT, SOCKS 4, 4a, 5) and whether
// credentials are sent; second: the receive piece size. The target is a
// name for SOCKS 4a and 5 (none resolves here), an address otherwise. A
// handshake may succeed or fail, but must never read past the replies.

#include <cstdint>
#include <cstdlib>

#include "MemorySocket.h"
#include "OnlineServices/Sendrix/Posix/HostResolver.h"
#include "testing/Online/TestProxyProfile.h"

namespace {

bool NoNameResolves(const char* name, uint32_t* address) { return false; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CLoopbackListener listener;
    static const bool lookupSet = (SetHostLookupForTests(NoNameResolves), true);
    (void)lookupSet;
    if (size < 2 || listener.Port() == 0) return 0;
    int kind = kProxyHttp + (data[0] & 3);
    bool credentials = (data[0] & 4) != 0;
    CTestProxyProfile profile(kind, listener.Port(), credentials ? L"anna" : L"", credentials ? L"s3cret" : L"");
    CMemorySocket socket(data + 2, size - 2, (size_t)(data[1] % 32) + 1);
    socket.SetProxy(&profile);
    bool named = kind == kProxySocks4a || kind == kProxySocks5;
    int result = socket.Connect(named ? L"target.example" : L"10.0.0.1", 21);
    if (result != 0 && result != 1) abort();
    if (socket.Consumed() > size - 2) abort();
    socket.Close();
    listener.Drain();
    return 0;
}
