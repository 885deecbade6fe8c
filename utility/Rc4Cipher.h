#pragma once
// CRc4Cipher: the RC4 stream cipher (our own; OpenSSL 3 keeps it only in
// its legacy provider). Encryption and decryption are the same operation;
// successive calls continue one key stream.

#include <cstddef>

#include "compat/WinTypes.h"

class CRc4Cipher {
public:
    // Starts the key stream of a key of 1 to 256 bytes.
    CRc4Cipher(const BYTE* key, size_t length);
    ~CRc4Cipher();

    // XORs the next length bytes of the key stream into data.
    void Apply(BYTE* data, size_t length);

private:
    BYTE m_state[256];
    BYTE m_i = 0;
    BYTE m_j = 0;
};
