#pragma once
// CBasicCrypt: RC4 with a key derived from the MD5 hash of the password
// (AbstractCrypt.h). It uses only the info's password and flags and writes
// no header.
//
// - A Begin call hashes the password (OpenSSL's MD5) and starts the RC4
//   stream with the first 56 bits of the hash as the key, the RC4 key
//   length of the system provider this cipher was made for; successive
//   Encrypt or Decrypt calls continue that stream.
// - A call whose info carries non-zero flags ends the message: the key is
//   dropped afterwards, and a further call without a new Begin fails.
// - The cipher text is not meant to match any other implementation byte
//   for byte, and nothing stores it.
// - Events (category "ENCRYPTION" or "DECRYPTION", the system error code as
//   the argument): -3 the key could not be made, -4 a buffer could not be
//   processed.

#include <memory>

#include "utility/AbstractCrypt.h"

class CAbstractLog;
class CRc4Cipher;

class CBasicCrypt : public CAbstractCrypt {
public:
    static constexpr int kKeyBits = 56;

    explicit CBasicCrypt(CAbstractLog* log);
    ~CBasicCrypt() override;

    int BeginEncrypt(CAbstractCryptInfo* info) override;
    int Encrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) override;
    int BeginDecrypt(CAbstractCryptInfo* info) override;
    int Decrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) override;

private:
    int Begin(CAbstractCryptInfo* info, const wchar_t* category, int line);
    int Process(BYTE* buffer, DWORD length, CAbstractCryptInfo* info, const wchar_t* category, int line);
    void Report(const wchar_t* category, int code, int line);

    CAbstractLog* m_log;
    std::unique_ptr<CRc4Cipher> m_cipher;  // null while no key is held
};
