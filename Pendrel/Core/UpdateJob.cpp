#include "Pendrel/Core/UpdateJob.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "Pendrel/Core/FolderText.h"
#include "Pendrel/Core/LinkTable.h"
#include "Pendrel/Core/AbstractProgressStatus.h"
#include "Pendrel/Core/UpdateVersionFile.h"
#include "utility/AbstractFile.h"
#include "utility/AbstractLog.h"
#include "utility/AnsiCodePage.h"
#include "utility/ErrorReport.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/Modules.h"
#include "utility/Posix/SystemInfo.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\PageUpdate";
const wchar_t kSourceFileWide[] = L".\\PageUpdate";
constexpr int kLineNoSetup = 236;
constexpr int kLineNoCreateExport = 250;
constexpr int kLineNoLink = 257;
constexpr int kLineVersionRead = 275;
constexpr int kLineUnchecked = 280;
constexpr int kLineDownloadArguments = 343;
constexpr int kLineLocalOpen = 354;
constexpr int kLineWebOpen = 360;
constexpr int kLineWebRead = 377;
constexpr int kLineLocalWrite = 388;
constexpr int kLineChecksum = 395;

constexpr KVXLinkID kVersionFileLink = 14;
constexpr DWORD kVersionFileSize = 1024;
constexpr DWORD kDownloadBlock = 4096;

typedef CAbstractFile* (*CreateHttpFileFunction)(const wchar_t*, CAbstractLog*);
typedef void (*DeleteHttpFileFunction)(CAbstractFile*);

void RemoveLocalFile(const CBasicString& path) {
    if (!path.IsEmpty()) std::remove(WideToUtf8(path.GetString(), path.GetLength()).c_str());
}

bool IsPlainHttp(const CBasicString& address) {
    CBasicString scheme = address.Left(5);
    return scheme.CompareNoCase(L"http:") == 0;
}

// SHA-256 of what passes, as lower-case hexadecimal digits.
class Sha256 {
public:
    Sha256() : m_context(EVP_MD_CTX_new()) {
        if (m_context && EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) != 1) m_context.reset();
    }
    void Add(const void* data, size_t size) {
        if (m_context && EVP_DigestUpdate(m_context.get(), data, size) != 1) m_context.reset();
    }
    // Empty when the digest could not be made.
    CBasicString Hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        if (!m_context || EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1) return CBasicString();
        static const wchar_t kHex[] = L"0123456789abcdef";
        CBasicString text;
        for (unsigned i = 0; i < length; ++i) {
            text += kHex[digest[i] >> 4];
            text += kHex[digest[i] & 0x0F];
        }
        return text;
    }

private:
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> m_context;
};

} // namespace

CUpdateJob::CUpdateJob(const UpdateJobSetup& setup) : m_setup(setup) {}

bool CUpdateJob::IsRunning() const { return !m_setup.progress || m_setup.progress->IsRunning(); }

CBasicString CUpdateJob::MakeInstallerPath() {
    // A program file on this system carries no extension.
    return JoinFolderText(TrimFolderText(GetTempFolder().GetString()).GetString(), CreateGuidText().GetString());
}

int CUpdateJob::Run() {
    m_message = UPDATE_MESSAGE_NONE;
    if (!m_setup.links || !m_setup.sendrix) {
        ReportAssertion(0, kSourceFile, kLineNoSetup);
        return 0;
    }
    CAbstractFile* webFile = nullptr;
    const int result = RunWithFile(webFile);
    if (!result && m_message == UPDATE_MESSAGE_NONE) m_message = UPDATE_MESSAGE_ABORTED;
    if (webFile) {
        webFile->Close();
        if (auto destroy =
                reinterpret_cast<DeleteHttpFileFunction>(GetLibraryFunction(m_setup.sendrix, "DeleteHttpFile")))
            destroy(webFile);
    }
    return result;
}

int CUpdateJob::RunWithFile(CAbstractFile*& webFile) {
    auto create = reinterpret_cast<CreateHttpFileFunction>(GetLibraryFunction(m_setup.sendrix, "CreateHttpFile"));
    if (!create) {
        ReportAssertion(0, kSourceFile, kLineNoCreateExport);
        return 0;
    }
    const wchar_t* link = m_setup.links->GetLinkURL(kVersionFileLink);
    if (!link || !*link) {
        ReportAssertion(0, kSourceFile, kLineNoLink);
        return 0;
    }
    const CBasicString address = CLinkTable::FormatLinkURL(link, m_setup.applicationId);

    webFile = create(nullptr, m_setup.log);
    if (!webFile ||
        webFile->Open(address.GetString(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) < 0) {
        m_message = UPDATE_MESSAGE_NO_CONNECTION;
        return 0;
    }

    // A read may give part of the file: read on to its end or to the
    // buffer's.
    char buffer[kVersionFileSize] = {};
    DWORD filled = 0;
    while (filled < kVersionFileSize) {
        DWORD count = 0;
        if (webFile->Read(buffer + filled, kVersionFileSize - filled, &count) < 0) {
            ReportAssertion(0, kSourceFile, kLineVersionRead);
            return 0;
        }
        if (count == 0) break;
        filled += count;
    }
    webFile->Close();

    const size_t length = strnlen(buffer, filled);
    const std::wstring reply = AnsiToWide(buffer, length);
    CUpdateVersionFile versionFile;
    if (!versionFile.Parse(CBasicString(reply.c_str()), m_setup.current, m_setup.log)) {
        m_message = UPDATE_MESSAGE_BAD_VERSION_FILE;
        return 0;
    }
    if (!versionFile.IsNewer()) {
        m_message = UPDATE_MESSAGE_UP_TO_DATE;
        return 1;
    }
    if (versionFile.GetSha256().IsEmpty() && IsPlainHttp(versionFile.GetDownloadAddress())) {
        if (m_setup.log)
            m_setup.log->LogFormat(kSourceFileWide, kLineUnchecked, LOG_ICON_ERROR,
                                   L"The installer %s comes over plain http without a checksum; it is not fetched.",
                                   versionFile.GetDownloadAddress().GetString());
        return 0;
    }

    const CBasicString installerPath = MakeInstallerPath();
    switch (DownloadFile(webFile, versionFile.GetDownloadAddress(), installerPath, versionFile.GetSha256())) {
    case Download::Aborted: return 0;
    case Download::Failed:
        m_message = UPDATE_MESSAGE_DOWNLOAD_FAILED;
        m_installerReady = 0;
        m_installerPath.Empty();
        return 0;
    case Download::Done: break;
    }
    m_installerPath = installerPath;
    m_message = UPDATE_MESSAGE_DOWNLOADED;
    m_installerReady = 1;
    return 1;
}

CUpdateJob::Download CUpdateJob::DownloadFile(CAbstractFile* webFile, const CBasicString& address,
                                              const CBasicString& localPath, const CBasicString& sha256) {
    if (!webFile || address.IsEmpty() || localPath.IsEmpty()) {
        ReportAssertion(0, kSourceFile, kLineDownloadArguments);
        return Download::Failed;
    }
    std::unique_ptr<CAbstractFile, void (*)(CAbstractFile*)> local(CreateBasicFile(nullptr, nullptr, nullptr),
                                                                   DeleteBasicFile);
    if (!local || local->Open(localPath.GetString(), GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS,
                              FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL) < 0) {
        ReportAssertion(0, kSourceFile, kLineLocalOpen);
        return Download::Aborted;
    }
    // From here on a download that does not end well leaves no file.
    auto discard = [&](Download outcome) {
        local.reset();
        RemoveLocalFile(localPath);
        return outcome;
    };
    if (webFile->Open(address.GetString(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) < 0) {
        ReportAssertion(0, kSourceFile, kLineWebOpen);
        return discard(Download::Aborted);
    }
    Sha256 digest;
    char buffer[kDownloadBlock] = {};
    while (IsRunning()) {
        DWORD count = 0;
        if (webFile->Read(buffer, kDownloadBlock, &count) < 0) {
            ReportAssertion(0, kSourceFile, kLineWebRead);
            return discard(Download::Aborted);
        }
        if (count == 0) break;
        digest.Add(buffer, count);
        DWORD written = 0;
        if (local->Write(buffer, count, &written) < 0 || written < count) {
            ReportAssertion(0, kSourceFile, kLineLocalWrite);
            return discard(Download::Aborted);
        }
    }
    webFile->Close();
    if (!IsRunning()) return discard(Download::Failed);
    if (!local->Close()) {
        ReportAssertion(0, kSourceFile, kLineLocalWrite);
        return discard(Download::Aborted);
    }
    local.reset();
    if (!sha256.IsEmpty() && digest.Hex().Compare(sha256.GetString()) != 0) {
        if (m_setup.log)
            m_setup.log->LogFormat(kSourceFileWide, kLineChecksum, LOG_ICON_ERROR,
                                   L"The installer from %s does not match its checksum.", address.GetString());
        return discard(Download::Failed);
    }
    return Download::Done;
}
