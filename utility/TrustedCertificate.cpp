#include "utility/TrustedCertificate.h"

#include <cstring>
#include <cwchar>

#include "utility/AbstractFile.h"
#include "utility/AbstractLog.h"
#include "utility/BasicString.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/Folders.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
constexpr int kLineSize = 1512;
constexpr int kLineUsable = 1515;
constexpr int kLineLogFolder = 1522;

constexpr unsigned kFingerprintSize = 20;
const wchar_t kStoreName[] = L"TrustedCerts.dat";

} // namespace

int IsTrustedCertificate(const void* fingerprint, unsigned size) {
    ReportAssertion(size == kFingerprintSize, kSourceFile, kLineSize);
    CAbstractLog* log = GetLibraryLog();
    bool usable = fingerprint && size >= kFingerprintSize;
    ReportAssertion(usable, kSourceFile, kLineUsable);
    // Without a log there is no folder of the store: nothing is trusted.
    if (!usable || !log) return 0;

    CBasicString path(log->GetLogFilePath());
    int slash = path.ReverseFind(L'/');
    ReportAssertion(slash >= 0, kSourceFile, kLineLogFolder);
    if (slash < 0) return 0;
    path = path.Left(slash + 1) + kStoreName;
    // Most users have no store: that is no failure worth a line per
    // connection.
    if (!PathExists(path.GetString())) return 0;

    CAbstractFile* file = CreateBasicFile(nullptr, log, nullptr);
    if (!file) return 0;
    int trusted = 0;
    if (file->Open(path.GetString(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0) == 0) {
        unsigned char record[kFingerprintSize];
        DWORD got = 0;
        while (!trusted && file->Read(record, kFingerprintSize, &got) == 0 && got == kFingerprintSize)
            trusted = memcmp(record, fingerprint, kFingerprintSize) == 0 ? 1 : 0;
        file->Close();
    }
    delete file;
    return trusted;
}
