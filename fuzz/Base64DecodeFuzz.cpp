// Decodes the input as Base64 text into a buffer of exactly the size the
// length helper gives, encodes the result again (with and without line
// breaks, into exactly sized buffers) and decodes that back.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "utility/Base64Coding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBase64Coding coder;
    std::vector<char> decoded(CBase64Coding::GetMaxDecodedSize((unsigned)size) + 1);
    int length = -1;
    if (!coder.Decode((const char*)data, (unsigned)size, decoded.data(), &length)) abort();
    if (length < 0 || (size_t)length > decoded.size() - 1) abort();

    for (int noLineBreaks = 0; noLineBreaks < 2; ++noLineBreaks) {
        std::vector<char> text((size_t)CBase64Coding::GetEncodedSize(length, noLineBreaks));
        if (!coder.Encode(decoded.data(), length, text.data(), noLineBreaks)) abort();
        if (strlen(text.data()) != text.size() - 1) abort();
        std::vector<char> again(CBase64Coding::GetMaxDecodedSize((unsigned)text.size()) + 1);
        int againLength = -1;
        coder.Decode(text.data(), (unsigned)text.size() - 1, again.data(), &againLength);
        if (againLength != length || memcmp(again.data(), decoded.data(), (size_t)length) != 0) abort();
    }
    return 0;
}
