#include "utility/BasicCrypt.h"

#include <openssl/evp.h>

#include "utility/AbstractCryptInfo.h"
#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/SystemError.h"
#include "utility/Rc4Cipher.h"

namespace {

const char kSourceFile[] = ".\\BasicCrypt";
const wchar_t kLogSourceFile[] = L".\\BasicCrypt";
// The error codes of the system's cipher layer for a missing algorithm and
// for a missing key.
constexpr DWORD kErrorBadAlgorithm = 0x80090008u;
constexpr DWORD kErrorBadKey = 0x80090003u;

bool HasPassword(CAbstractCryptInfo* info) {
    unsigned short length = 0;
    return info && info->GetPassword(length) && length > 0;
}

} // namespace

CBasicCrypt::CBasicCrypt(CAbstractLog* log) : m_log(log) {}

CBasicCrypt::~CBasicCrypt() = default;

void CBasicCrypt::Report(const wchar_t* category, int code, int line) {
    if (m_log) m_log->LogEventFormat(kLogSourceFile, line, category, code, (int)GetLastError());
}

int CBasicCrypt::Begin(CAbstractCryptInfo* info, const wchar_t* category, int line) {
    bool usable = HasPassword(info);
    ReportAssertion(usable, kSourceFile, line);
    if (!usable) return -4;
    m_cipher.reset();
    unsigned short length = 0;
    const BYTE* password = info->GetPassword(length);
    BYTE hash[EVP_MAX_MD_SIZE];
    unsigned hashLength = 0;
    if (!EVP_Digest(password, length, hash, &hashLength, EVP_md5(), nullptr) || hashLength * 8 < kKeyBits) {
        SetLastError(kErrorBadAlgorithm);
        Report(category, -3, line);
        return -1;
    }
    m_cipher = std::make_unique<CRc4Cipher>(hash, kKeyBits / 8);
    OPENSSL_cleanse(hash, sizeof(hash));
    return 0;
}

int CBasicCrypt::Process(BYTE* buffer, DWORD length, CAbstractCryptInfo* info, const wchar_t* category, int line) {
    bool usable = info && buffer && length > 0 && HasPassword(info);
    ReportAssertion(usable, kSourceFile, line);
    if (!usable) return -4;
    if (!m_cipher) {
        SetLastError(kErrorBadKey);
        Report(category, -4, line);
        return -1;
    }
    // RC4 is a stream: the blocks the system cipher worked in do not change
    // the bytes, so the buffer goes through in one pass.
    m_cipher->Apply(buffer, length);
    if (info->GetFlags() != 0) m_cipher.reset();
    return 0;
}

int CBasicCrypt::BeginEncrypt(CAbstractCryptInfo* info) { return Begin(info, L"ENCRYPTION", __LINE__); }

int CBasicCrypt::Encrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) {
    return Process(buffer, length, info, L"ENCRYPTION", __LINE__);
}

int CBasicCrypt::BeginDecrypt(CAbstractCryptInfo* info) { return Begin(info, L"DECRYPTION", __LINE__); }

int CBasicCrypt::Decrypt(BYTE* buffer, DWORD length, CAbstractCryptInfo* info) {
    return Process(buffer, length, info, L"DECRYPTION", __LINE__);
}
