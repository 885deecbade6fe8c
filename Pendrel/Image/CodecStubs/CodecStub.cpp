#include "Pendrel/Image/CodecStubs/CodecStub.h"

#include <cstdio>

#include "Pendrel/Image/KVXImageFile.h"

std::vector<DWORD>& KVXCodecStubCalls() {
    static std::vector<DWORD> calls;
    return calls;
}

bool KVXCodecStubDecode(DWORD type, const char* format, CKVXImageFile* stream, char* lastError, size_t size) {
    KVXCodecStubCalls().push_back(type);
    stream->GetC();
    std::snprintf(lastError, size, "%s decoding is not available", format);
    return false;
}

bool KVXCodecStubEncode(DWORD type, const char* format, char* lastError, size_t size) {
    KVXCodecStubCalls().push_back(type);
    std::snprintf(lastError, size, "%s encoding is not available", format);
    return false;
}
