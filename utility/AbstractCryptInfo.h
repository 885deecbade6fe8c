#pragma once
// CAbstractCryptInfo: the parameters of one encryption or decryption run
// (CAbstractCrypt): the cipher type, the password, the seed, the header the
// cipher writes or reads, an extra block and the flags. CCryptInfo
// implements it.

#include "compat/WinTypes.h"

class CAbstractCryptInfo {
public:
    virtual ~CAbstractCryptInfo() {}

    // 1 zip encryption, 2 CryptoAPI-style RC4, 3 zip encryption with an
    // extra block.
    virtual int GetType() const = 0;
    virtual void SetType(int type) = 0;
    // The password bytes (null when there is none) and their count.
    virtual const BYTE* GetPassword(unsigned short& length) const = 0;
    virtual int SetPassword(const BYTE* password, unsigned short length) = 0;
    virtual DWORD GetSeed() const = 0;
    virtual void SetSeed(DWORD seed) = 0;
    virtual BYTE* GetHeader(unsigned short& length) = 0;
    virtual void SetHeader(const BYTE* header, unsigned short length) = 0;
    virtual BYTE* GetExtra(unsigned short& length) = 0;
    virtual void SetExtra(const BYTE* extra, unsigned short length) = 0;
    virtual DWORD GetFlags() const = 0;
    virtual void SetFlags(DWORD flags) = 0;
};
