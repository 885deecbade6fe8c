#pragma once
// CAbstractCrypt: a buffer encryptor driven by a CAbstractCryptInfo.
// Buffers are transformed in place; a Begin call starts a stream that the
// following Encrypt or Decrypt calls continue. Results: 0 success, -1
// failure (logged), -4 unusable arguments (assertion report).
//
// Implementations: CBasicZipCrypt (traditional zip encryption) and
// CBasicCrypt (RC4 with an MD5-derived key).

#include "compat/WinTypes.h"

class CAbstractCryptInfo;

class CAbstractCrypt {
public:
    virtual ~CAbstractCrypt() {}

    virtual int BeginEncrypt(CAbstractCryptInfo* info) = 0;
    virtual int Encrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) = 0;
    virtual int BeginDecrypt(CAbstractCryptInfo* info) = 0;
    virtual int Decrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) = 0;
};
