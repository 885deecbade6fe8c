#include "utility/BasicZipCrypt.h"

#include <algorithm>
#include <cerrno>
#include <sys/random.h>
#include <zlib.h>

#include "utility/AbstractCryptInfo.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"

namespace {

const char kSourceFile[] = ".\\BasicZipCrypt";
const wchar_t kLogSourceFile[] = L".\\BasicZipCrypt";
constexpr int kRandomBytes = 10;

// Fills the buffer from the system's random source; false when it fails.
bool FillRandom(BYTE* buffer, size_t length) {
    while (length > 0) {
        ssize_t n = getrandom(buffer, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buffer += n;
        length -= (size_t)n;
    }
    return true;
}

DWORD CrcStep(DWORD crc, BYTE b) { return (DWORD)get_crc_table()[(crc ^ b) & 0xFF] ^ (crc >> 8); }

} // namespace

CBasicZipCrypt::CBasicZipCrypt(CAbstractLog* log) : m_log(log) {}

bool CBasicZipCrypt::CheckPassword(CAbstractCryptInfo* info, int line) {
    unsigned short length = 0;
    bool usable = info && info->GetPassword(length) && length > 0;
    ReportAssertion(usable, kSourceFile, line);
    return usable;
}

void CBasicZipCrypt::InitKeys(CAbstractCryptInfo* info) {
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    unsigned short length = 0;
    const BYTE* password = info->GetPassword(length);
    for (unsigned short i = 0; i < length; ++i) UpdateKeys(password[i]);
}

void CBasicZipCrypt::UpdateKeys(BYTE plain) {
    m_keys[0] = CrcStep(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = CrcStep(m_keys[2], (BYTE)(m_keys[1] >> 24));
}

BYTE CBasicZipCrypt::KeyStreamByte() const {
    DWORD temp = (m_keys[2] & 0xFFFF) | 2;
    return (BYTE)((temp * (temp ^ 1)) >> 8);
}

BYTE CBasicZipCrypt::EncryptByte(BYTE plain) {
    BYTE cipher = plain ^ KeyStreamByte();
    UpdateKeys(plain);
    return cipher;
}

BYTE CBasicZipCrypt::DecryptByte(BYTE cipher) {
    BYTE plain = cipher ^ KeyStreamByte();
    UpdateKeys(plain);
    return plain;
}

int CBasicZipCrypt::BeginEncrypt(CAbstractCryptInfo* info) {
    if (!CheckPassword(info, __LINE__)) return -4;
    BYTE random[kRandomBytes];
    if (!FillRandom(random, sizeof(random))) {
        if (m_log) m_log->LogEvent(-1, L"ENCRYPTION", kLogSourceFile, __LINE__);
        return -1;
    }
    // The random bytes are first whitened with the keys, then encrypted
    // again from fresh keys into the header.
    InitKeys(info);
    for (BYTE& b : random) b = EncryptByte(b);
    InitKeys(info);
    BYTE header[kHeaderLength];
    for (int i = 0; i < kRandomBytes; ++i) header[i] = EncryptByte(random[i]);
    DWORD seed = info->GetSeed();
    header[10] = EncryptByte((BYTE)(seed >> 16));
    header[11] = EncryptByte((BYTE)(seed >> 24));
    info->SetHeader(header, kHeaderLength);
    return 0;
}

int CBasicZipCrypt::Encrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) {
    return Transform(buffer, length, info, true, __LINE__);
}

int CBasicZipCrypt::BeginDecrypt(CAbstractCryptInfo* info) {
    if (!CheckPassword(info, __LINE__)) return -4;
    unsigned short length = 0;
    BYTE* stored = info->GetHeader(length);
    bool hasHeader = stored && length > 0;
    ReportAssertion(hasHeader, kSourceFile, __LINE__);
    if (!hasHeader) return -4;
    // A header shorter than 12 bytes reads as if padded with zeros.
    BYTE header[kHeaderLength] = {};
    std::copy(stored, stored + std::min<int>(length, kHeaderLength), header);
    InitKeys(info);
    BYTE last = 0;
    for (BYTE b : header) last = DecryptByte(b);
    if (last != (BYTE)(info->GetSeed() >> 24)) {
        if (m_log) m_log->LogEvent(-1, L"DECRYPTION", kLogSourceFile, __LINE__);
        return -1;
    }
    return 0;
}

int CBasicZipCrypt::Decrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) {
    return Transform(buffer, length, info, false, __LINE__);
}

int CBasicZipCrypt::Transform(BYTE* buffer, DWORD length, CAbstractCryptInfo* info, bool encrypt, int line) {
    if (!CheckPassword(info, line)) return -4;
    if (!buffer) {
        if (m_log) m_log->LogEvent(-2, encrypt ? L"ENCRYPTION" : L"DECRYPTION", kLogSourceFile, line);
        return -1;
    }
    for (DWORD i = 0; i < length; ++i) buffer[i] = encrypt ? EncryptByte(buffer[i]) : DecryptByte(buffer[i]);
    return 0;
}
