#pragma once
// CBasicZipCrypt: the traditional encryption of the zip format, with its
// 12-byte encryption header (AbstractCrypt.h).
//
// - BeginEncrypt makes the header from 10 random bytes (getrandom) and the
//   seed's top two bytes, stores it in the info and leaves the keys ready
//   for the data; BeginDecrypt reads the header back and checks its last
//   byte against the seed's top byte, as zip readers do.
// - The three keys live in the object and carry over from call to call, so
//   one Begin followed by any number of Encrypt (or Decrypt) calls works on
//   one continuous stream. Separate objects may run on separate threads.
// - Events: "ENCRYPTION" -1 (header not made) and -2 (no buffer),
//   "DECRYPTION" -1 (header check failed) and -2 (no buffer).

#include "utility/AbstractCrypt.h"

class CAbstractLog;

class CBasicZipCrypt : public CAbstractCrypt {
public:
    static constexpr int kHeaderLength = 12;

    explicit CBasicZipCrypt(CAbstractLog* log);

    int BeginEncrypt(CAbstractCryptInfo* info) override;
    int Encrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) override;
    int BeginDecrypt(CAbstractCryptInfo* info) override;
    int Decrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) override;

private:
    bool CheckPassword(CAbstractCryptInfo* info, int line);
    int Transform(BYTE* buffer, DWORD length, CAbstractCryptInfo* info, bool encrypt, int line);
    void InitKeys(CAbstractCryptInfo* info);
    void UpdateKeys(BYTE plain);
    BYTE KeyStreamByte() const;
    BYTE EncryptByte(BYTE plain);
    BYTE DecryptByte(BYTE cipher);

    CAbstractLog* m_log;
    DWORD m_keys[3] = {0, 0, 0};
};
