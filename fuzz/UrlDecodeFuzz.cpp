// Decodes the input as a form-coded URL text. The decoded text must encode
// and decode back to itself.

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "utility/UrlCoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBasicString decoded = UrlDecode(std::string((const char*)data, size));
    CBasicString coded = UrlEncode(decoded.GetString());
    std::string codedBytes;
    for (const wchar_t* p = coded.GetString(); *p; ++p) {
        if (*p > 0x7F) abort();
        codedBytes += (char)*p;
    }
    if (wcscmp(UrlDecode(codedBytes).GetString(), decoded.GetString()) != 0) abort();

    wchar_t hex[16] = {0};
    for (size_t i = 0; i < size && i < 15; ++i) hex[i] = (wchar_t)data[i];
    HexTextToInt(hex);
    return 0;
}
