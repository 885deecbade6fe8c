// The synchronisation service's reply and the account's copy it carries:
// the input is read as a raw reply, and as the JSON text of a copy
// (deflated first). A copy that is accepted must survive its own encoding.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "SyncCopy.h"
#include "SyncExchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    int status = 0;
    std::string body;
    if (ParseServiceReply(input, status, body) && (status < 100 || status > 599))
        std::abort();

    uLongf length = compressBound(static_cast<uLong>(size));
    std::string deflated(length, '\0');
    if (compress(reinterpret_cast<Bytef*>(deflated.data()), &length, data, static_cast<uLong>(size)) != Z_OK)
        return 0;
    deflated.resize(length);
    SyncCopy copy;
    if (!DecodeSyncCopy(deflated, copy))
        return 0;
    SyncCopy again;
    if (!DecodeSyncCopy(EncodeSyncCopy(copy), again) || again.lists.size() != copy.lists.size())
        std::abort();
    return 0;
}
