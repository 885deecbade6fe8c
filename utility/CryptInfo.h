#pragma once
// CCryptInfo: the parameter record of the encryptors (AbstractCryptInfo.h).
// After construction: type 1, no password, seed 0, a zeroed 24-byte header
// of length 0, no extra block, flags 0.
//
// - The password is an owned copy; setting a length of 0 only clears it.
// - The header is returned for every type but 2 (the length in any case).
// - The extra block (10 bytes, made on first use) is returned for type 3
//   only (the length in any case).
// - Header and extra copies are limited to their buffers (24 and 10 bytes);
//   a longer copy is an assertion report and is cut there.

#include <array>
#include <memory>
#include <vector>

#include "utility/AbstractCryptInfo.h"

class CCryptInfo : public CAbstractCryptInfo {
public:
    static constexpr unsigned short kHeaderSize = 24;
    static constexpr unsigned short kExtraSize = 10;

    CCryptInfo();
    ~CCryptInfo() override;

    int GetType() const override { return m_type; }
    void SetType(int type) override { m_type = type; }
    const BYTE* GetPassword(unsigned short& length) const override;
    // Replaces the password with a copy; a null or empty password clears
    // it. Always 1.
    int SetPassword(const BYTE* password, unsigned short length) override;
    DWORD GetSeed() const override { return m_seed; }
    void SetSeed(DWORD seed) override { m_seed = seed; }
    BYTE* GetHeader(unsigned short& length) override;
    // Zeroes the header, copies length bytes and stores the length.
    void SetHeader(const BYTE* header, unsigned short length) override;
    BYTE* GetExtra(unsigned short& length) override;
    // Makes the block when missing and zeroes it; with a length above 0
    // copies the bytes and stores the length.
    void SetExtra(const BYTE* extra, unsigned short length) override;
    DWORD GetFlags() const override { return m_flags; }
    void SetFlags(DWORD flags) override { m_flags = flags; }

private:
    int m_type = 1;
    std::vector<BYTE> m_password;
    DWORD m_seed = 0;
    std::array<BYTE, kHeaderSize> m_header{};
    unsigned short m_headerLength = 0;
    std::unique_ptr<std::array<BYTE, kExtraSize>> m_extra;
    unsigned short m_extraLength = 0;
    DWORD m_flags = 0;
};
