// Reads the input as an event definition file. The reading must stay inside
// the input, and every event it defined must be found again with its level
// in range.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "Pendrel/Core/BasicIniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string((const char*)data, size));
    CBasicIniFile table;
    table.Read(in);
    for (const wchar_t* section : {L"", L"FILE", L"ONLINE"})
        for (int code : {-1, 0, 1, 12}) {
            LOG_ICON_TYPE level = LOG_ICON_NONE;
            int stringId = 0;
            const wchar_t* message = table.Lookup(code, section, level, stringId);
            if (!message || level < LOG_ICON_INFORMATION || level > LOG_ICON_NONE) abort();
        }
    return 0;
}
