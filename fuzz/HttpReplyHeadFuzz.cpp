// Reads HTTP reply heads and composes request heads from URLs taken from
// the input: never past the bytes, every request head within its buffer.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "OnlineServices/Sendrix/BasicHttpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    int64_t status = 0;
    int64_t length = 0;
    CBasicHttpFile::ParseReplyHead(text, status, length);
    std::string head;
    if (CBasicHttpFile::ComposeRequestHead(text, (size & 1) != 0, (int64_t)size, head) && head.size() >= 1024) abort();
    return 0;
}
