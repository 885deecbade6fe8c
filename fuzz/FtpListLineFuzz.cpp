// Parses every line of the input as a line of an FTP listing, with the
// clock fixed, and inserts the records into an ordered set as the finder
// does. A line may give a record or not, but must never be read past its
// end, and the order must hold for any names.

#include <cstdint>
#include <cstring>
#include <set>

#include "OnlineServices/Sendrix/FtpEntryOrder.h"
#include "OnlineServices/Sendrix/FtpListParser.h"
#include "utility/BasicFileFindInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int64_t kNow = 1796904000;  // 2026-12-10 12:00 UTC
    std::set<CBasicFileFindInfo, FtpEntryOrder> records;
    const char* text = reinterpret_cast<const char*>(data);
    size_t start = 0;
    while (start < size) {
        const void* end = memchr(text + start, '\n', size - start);
        size_t length = end ? (size_t)(static_cast<const char*>(end) - (text + start)) : size - start;
        // Each line in a buffer of its own, so a read past it is caught.
        char* line = new char[length ? length : 1];
        memcpy(line, text + start, length);
        CBasicFileFindInfo record;
        if (ParseFtpListLine(line, length, record, kNow)) records.insert(record);
        delete[] line;
        start += length + 1;
    }
    return 0;
}
