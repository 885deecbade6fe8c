// Reads file-system item records from the input. The first byte chooses the
// reader's arguments: bit 0 the flags-2 record option, bits 1-2 the format
// version (1 to 3; 0 counts as 3). Reading must stay in bounds whatever the
// bytes; a record that reads must write out as a record that reads back
// and writes out the same bytes again.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "testing/MemoryFile.h"
#include "utility/FileItemInfo.h"

namespace {

std::string Written(CFileItemInfo& item, DWORD options) {
    kvxtest::MemoryFile out;
    if (!item.WriteToStream(&out, options, 0, nullptr)) abort();
    return out.Bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    DWORD options = data[0] & 1;
    int version = (data[0] >> 1) & 3;
    if (version == 0) version = 3;
    kvxtest::MemoryFile stream(std::string((const char*)data + 1, size - 1));
    for (int records = 0; records < 16; ++records) {
        CFileItemInfo item;
        if (!item.ReadFromStream(&stream, options, version)) break;
        std::string bytes = Written(item, options);
        kvxtest::MemoryFile again(bytes);
        CFileItemInfo back;
        if (!back.ReadFromStream(&again, options, 3)) abort();
        if (Written(back, options) != bytes) abort();
    }
    return 0;
}
