#pragma once
// Little-endian readers and writers for the fields of stored image formats.
// File structures are always assembled byte by byte through these, never read
// into a struct, so that the code does not depend on the host's layout.

#include "compat/WinTypes.h"
#include "Pendrel/Image/KVXImageFile.h"

inline WORD KVXGetLE16(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

inline DWORD KVXGetLE32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

inline void KVXPutLE16(BYTE* p, WORD value) {
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
}

inline void KVXPutLE32(BYTE* p, DWORD value) {
    p[0] = static_cast<BYTE>(value);
    p[1] = static_cast<BYTE>(value >> 8);
    p[2] = static_cast<BYTE>(value >> 16);
    p[3] = static_cast<BYTE>(value >> 24);
}

// Reads a whole little-endian field from a stream; false when it is short.
inline bool KVXReadLE16(CKVXImageFile* stream, WORD& value) {
    BYTE bytes[2];
    if (stream->Read(bytes, 1, 2) != 2) return false;
    value = KVXGetLE16(bytes);
    return true;
}

inline bool KVXReadLE32(CKVXImageFile* stream, DWORD& value) {
    BYTE bytes[4];
    if (stream->Read(bytes, 1, 4) != 4) return false;
    value = KVXGetLE32(bytes);
    return true;
}

// Writes a little-endian field as one element; false when it was not written.
inline bool KVXWriteLE16(CKVXImageFile* stream, WORD value) {
    BYTE bytes[2];
    KVXPutLE16(bytes, value);
    return stream->Write(bytes, 2, 1) == 1;
}

inline bool KVXWriteLE32(CKVXImageFile* stream, DWORD value) {
    BYTE bytes[4];
    KVXPutLE32(bytes, value);
    return stream->Write(bytes, 4, 1) == 1;
}
