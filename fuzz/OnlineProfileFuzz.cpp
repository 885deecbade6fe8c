// Reads a connection profile from the input. Reading may stop at any field,
// but never past the buffer; a profile that was read completely writes
// exactly the size it announces.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "OnlineServices/Sendrix/OnlineProfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BYTE> input(data, data + size);
    COnlineProfile profile;
    unsigned offset = 0;
    if (!profile.Deserialize(input.data(), offset, (unsigned)input.size(), 0)) return 0;
    profile.GetPassword();
    std::vector<BYTE> output((size_t)profile.GetSerializedSize());
    int written = 0;
    profile.Serialize(output.data(), written);
    if ((unsigned)written != output.size()) abort();
    return 0;
}
