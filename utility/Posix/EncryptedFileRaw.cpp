#include "utility/Posix/EncryptedFileRaw.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>
#include <vector>

#include "utility/AbstractRawTransfer.h"
#include "utility/ErrorReport.h"
#include "utility/FileEvent.h"
#include "utility/Posix/FileDescriptor.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kSourceFile[] = ".\\Windows\\EncryptedFileRaw";
const wchar_t kReportSource[] = L".\\Windows\\EncryptedFileRaw";
constexpr int kLineOpen = 74;
constexpr int kLineOpenFailed = 96;
constexpr int kLineRead = 112;
constexpr int kLineReadFailed = 121;
constexpr int kLineWrite = 136;
constexpr int kLineWriteFailed = 145;

constexpr size_t kBlockSize = 64 * 1024;

} // namespace

CEncryptedFileRaw::CEncryptedFileRaw(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper,
                                     CAbstractRawTransfer* transfer, DWORD context)
    : CVSSFile(mapper, name, log), m_transfer(transfer), m_context(context) {}

CEncryptedFileRaw::~CEncryptedFileRaw() { Close(); }

int CEncryptedFileRaw::IsOpen() { return m_raw >= 0 ? 1 : 0; }

int CEncryptedFileRaw::Finish(DWORD result, int code, int line) {
    m_lastError = result;
    if (result == ERROR_SUCCESS) return 0;
    ReportSystemError(m_log, kReportSource, line, kFileEventCategory, code, false, m_fileName.GetString(), result);
    return -1;
}

int CEncryptedFileRaw::Open(const wchar_t* name, DWORD rawFlags, DWORD share, DWORD disposition,
                            DWORD flagsAndAttributes) {
    ReportAssertion(name != nullptr, kSourceFile, kLineOpen);
    if (!name) return -1;
    Close();
    CBasicString mapped = MappedPath(name);
    m_fileName = name;
    std::string path = ToSystemText(mapped.IsEmpty() ? name : mapped.GetString());
    m_forImport = (rawFlags & CREATE_FOR_IMPORT) != 0;
    int flags = O_CLOEXEC | (m_forImport ? O_WRONLY | O_CREAT | O_TRUNC : O_RDONLY);
    m_raw = open(path.c_str(), flags, 0666);
    DWORD result = m_raw >= 0 ? ERROR_SUCCESS : WinErrorFromPathErrno(errno, path.c_str());
    return Finish(result, OpenFileEvent(rawFlags), kLineOpenFailed);
}

int CEncryptedFileRaw::Read(void* buffer, DWORD size, DWORD* done) {
    ReportAssertion(m_transfer != nullptr, kSourceFile, kLineRead);
    if (!m_transfer) return -1;
    DWORD result = m_raw >= 0 && !m_forImport ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    std::vector<BYTE> block(kBlockSize);
    while (result == ERROR_SUCCESS) {
        size_t got = 0;
        int readError = ReadFully(m_raw, block.data(), block.size(), &got) ? 0 : errno;
        if (got > 0) result = m_transfer->ExportRawData(block.data(), (ULONG)got, m_context);
        if (result == ERROR_SUCCESS && readError) result = WinErrorFromErrno(readError);
        if (got < block.size()) break;
    }
    return Finish(result, kFileEventRead, kLineReadFailed);
}

int CEncryptedFileRaw::Write(const void* buffer, DWORD size, DWORD* done) {
    ReportAssertion(m_transfer != nullptr, kSourceFile, kLineWrite);
    if (!m_transfer) return -1;
    DWORD result = m_raw >= 0 && m_forImport ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    std::vector<BYTE> block(kBlockSize);
    while (result == ERROR_SUCCESS) {
        ULONG length = (ULONG)block.size();
        result = m_transfer->ImportRawData(block.data(), &length, m_context);
        if (result != ERROR_SUCCESS || length == 0) break;
        if (!WriteFully(m_raw, block.data(), length < block.size() ? length : block.size(), nullptr))
            result = WinErrorFromErrno(errno);
    }
    return Finish(result, kFileEventWrite, kLineWriteFailed);
}

int CEncryptedFileRaw::Close() {
    if (m_raw >= 0) close(m_raw);
    m_raw = -1;
    return 1;
}

CAbstractFile* CreateEncryptedFileRaw(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* mapper,
                                      CAbstractRawTransfer* transfer, DWORD context) {
    return new (std::nothrow) CEncryptedFileRaw(name, log, mapper, transfer, context);
}
