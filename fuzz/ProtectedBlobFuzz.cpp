// Opens the input as a protected password blob. Reading must stay in bounds
// whatever the lengths say; a text that comes out must go into a new blob
// and come out of it unchanged.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "utility/BasicString.h"
#include "utility/ProtectedBlob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBasicString text;
    int result = DecryptProtectedBlob(data, (unsigned)size, text, 1);
    if (result != 1 && text.GetLength() != 0) abort();
    if (result != 1 || text.IsEmpty()) return 0;

    std::vector<BYTE> blob;
    if (EncryptProtectedBlob(text.GetString(), blob, 1) != 1) abort();
    CBasicString back;
    if (DecryptProtectedBlob(blob.data(), (unsigned)blob.size(), back, 1) != 1) abort();
    if (back.Compare(text.GetString()) != 0) abort();
    return 0;
}
