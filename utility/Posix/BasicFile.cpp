#include "utility/Posix/BasicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "utility/BasicDateTime.h"
#include "utility/ErrorReport.h"
#include "utility/FileEvent.h"
#include "utility/Posix/BasicFileFind.h"
#include "utility/Posix/FileDescriptor.h"
#include "utility/Posix/FileStatus.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"
#include "utility/Posix/VSSFile.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicFile";
const wchar_t kReportSource[] = L".\\Windows\\BasicFile";

constexpr int kLineOpen = 118;
constexpr int kLineOpenFailed = 141;
constexpr int kLineRead = 172;
constexpr int kLineReadFailed = 186;
constexpr int kLineWrite = 203;
constexpr int kLineWriteFailed = 217;
constexpr int kLineCloseFailed = 236;
constexpr int kLineCreateFolder = 255;
constexpr int kLineCreateFolderFailed = 312;
constexpr int kLineRemoveFolder = 331;
constexpr int kLineRemoveFolderFailed = 364;
constexpr int kLineDelete = 379;
constexpr int kLineDeleteFailed = 396;
constexpr int kLineGetAttributes = 411;
constexpr int kLineGetAttributesFailed = 419;
constexpr int kLineSetAttributes = 433;
constexpr int kLineSetAttributesFailed = 445;
constexpr int kLineGetFileSizeByName = 459;
constexpr int kLineGetSize = 478;
constexpr int kLineGetSizeFailed = 487;
constexpr int kLineGetPosition = 503;
constexpr int kLineGetPositionFailed = 512;
constexpr int kLineSeek = 527;
constexpr int kLineSeekOrigin = 528;
constexpr int kLineSeekFailed = 537;
constexpr int kLineSetFileName = 560;
constexpr int kLineSetTimes = 584;
constexpr int kLineSetTimesFailed = 603;
constexpr int kLineTruncate = 617;
constexpr int kLineTruncateFailed = 625;
constexpr int kLineZeroData = 641;
constexpr int kLineZeroDataFailed = 662;

constexpr size_t kZeroBlock = 64 * 1024;

// open(2) flags for the Windows access and disposition values; false for an
// unknown disposition.
bool OpenFlags(DWORD access, DWORD disposition, DWORD flagsAndAttributes, int& flags) {
    bool read = access & (GENERIC_READ | GENERIC_ALL);
    bool write = access & (GENERIC_WRITE | GENERIC_ALL);
    flags = O_CLOEXEC | (write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY);
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: return false;
    }
    if (flagsAndAttributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;
    return true;
}

timespec TimeSpecOf(const CBasicDateTime* time) {
    FILETIME ft;
    if (!time || !time->ToFileTime(&ft)) return timespec {0, UTIME_OMIT};
    uint64_t ticks = (uint64_t)ft.dwHighDateTime << 32 | ft.dwLowDateTime;
    int64_t sinceEpoch = (int64_t)ticks - (int64_t)KVX_FILETIME_UNIX_EPOCH;
    int64_t seconds = sinceEpoch / 10000000, rest = sinceEpoch % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    return timespec {(time_t)seconds, (long)(rest * 100)};
}

} // namespace

CBasicFile::CBasicFile(const wchar_t* name, CAbstractLog* log) : m_log(log), m_fileName(name) {}

CBasicFile::~CBasicFile() {
    Close();
    m_log = nullptr;
}

void CBasicFile::ReportFailure(int code, bool verbose, const wchar_t* name, int line) {
    m_lastError = ::GetLastError();
    ReportSystemError(m_log, kReportSource, line, kFileEventCategory, code, verbose, name, m_lastError);
}

bool CBasicFile::RequireOpen(int line) {
    bool open = m_fd >= 0;
    ReportAssertion(open, kSourceFile, line);
    return open;
}

bool CBasicFile::Exists(const wchar_t* path) {
    CBasicFileFind find;
    return find.FindFile(path) != nullptr;
}

int CBasicFile::IsOpen() { return m_fd >= 0 ? 1 : 0; }

DWORD CBasicFile::GetLastError() { return m_lastError; }

int CBasicFile::Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition, DWORD flagsAndAttributes) {
    ReportAssertion(name != nullptr, kSourceFile, kLineOpen);
    if (!name) return -1;
    Close();
    m_fileName = name;
    return OpenPath(name, access, disposition, flagsAndAttributes, kReportSource, kLineOpenFailed);
}

int CBasicFile::OpenPath(const wchar_t* path, DWORD access, DWORD disposition, DWORD flagsAndAttributes,
                         const wchar_t* sourceFile, int line) {
    std::string target = ToSystemText(path);
    int flags = 0;
    int fd = -1;
    if (!OpenFlags(access, disposition, flagsAndAttributes, flags)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else {
        mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        fd = open(target.c_str(), flags, mode);
        if (fd < 0) {
            int err = errno;
            // Creating a file that exists is "file exists" (80), not "already exists".
            if (err == EEXIST) SetLastError(ERROR_FILE_EXISTS);
            else SetLastErrorFromPathErrno(err, target.c_str());
        } else {
            struct stat st;
            if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && !(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
                close(fd);
                fd = -1;
                SetLastError(ERROR_ACCESS_DENIED);
            }
        }
    }
    if (fd < 0) {
        m_lastError = ::GetLastError();
        ReportSystemError(m_log, sourceFile, line, kFileEventCategory, OpenFileEvent(access), false, path, m_lastError);
        return -1;
    }
    if (flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) m_deleteOnClose = target;
    m_fd = fd;
    return 0;
}

bool CBasicFile::CanTransfer(const void* buffer, DWORD size, int closedEvent, int line) {
    bool usable = m_fd >= 0 && buffer && size != 0;
    ReportAssertion(usable, kSourceFile, line);
    if (m_fd < 0)
        ReportObjectEvent(m_log, kReportSource, line, kFileEventCategory, closedEvent, false, m_fileName.GetString());
    return usable;
}

int CBasicFile::Read(void* buffer, DWORD size, DWORD* done) {
    DWORD local = 0;
    if (!done) done = &local;
    *done = 0;
    if (!CanTransfer(buffer, size, kFileEventReadClosed, kLineRead)) return -1;
    // Reads until the count is reached or the file ends, as one system read
    // of a local file does.
    size_t got = 0;
    bool ok = ReadFully(m_fd, buffer, size, &got);
    *done = (DWORD)got;
    if (ok) return 0;
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventRead, false, m_fileName.GetString(), kLineReadFailed);
    return -1;
}

int CBasicFile::Write(const void* buffer, DWORD size, DWORD* done) {
    DWORD local = 0;
    if (!done) done = &local;
    *done = 0;
    if (!CanTransfer(buffer, size, kFileEventWriteClosed, kLineWrite)) return -1;
    size_t written = 0;
    bool ok = WriteFully(m_fd, buffer, size, &written);
    *done = (DWORD)written;
    if (ok) return 0;
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventWrite, false, m_fileName.GetString(), kLineWriteFailed);
    return -1;
}

int CBasicFile::Close() {
    if (m_fd < 0) return 0;
    int fd = m_fd;
    m_fd = -1;
    bool closed = close(fd) == 0;
    if (!closed) {
        SetLastErrorFromErrno(errno);
        ReportFailure(kFileEventClose, false, m_fileName.GetString(), kLineCloseFailed);
    }
    if (!m_deleteOnClose.empty()) {
        unlink(m_deleteOnClose.c_str());
        m_deleteOnClose.clear();
    }
    return closed ? 1 : 0;
}

int CBasicFile::CreateFolder(const wchar_t* path) {
    bool given = path && *path;
    ReportAssertion(given, kSourceFile, kLineCreateFolder);
    if (!given) return 0;
    CBasicString trimmed(path);
    trimmed.TrimLeft();
    trimmed.TrimRight();
    trimmed.TrimRightChar(L'/');
    int result = CreateFolderLevels(ToSystemText(trimmed));
    if (result == 0) ReportFailure(kFileEventCreateFolder, false, path, kLineCreateFolderFailed);
    return result;
}

// Creates each level behind the leading '/': 2 when the last one was
// created, 1 when it existed (or there was none to create), 0 on failure.
int CBasicFile::CreateFolderLevels(const std::string& path) {
    int result = 1;
    size_t index = path.size() > 0 && path[0] == '/' ? 1 : 0;
    while (index < path.size()) {
        size_t slash = path.find('/', index);
        std::string level = path.substr(0, slash == std::string::npos ? path.size() : slash);
        index = slash == std::string::npos ? path.size() : slash + 1;
        SetLastError(0);
        if (mkdir(level.c_str(), 0777) == 0) {
            m_lastError = 0;
            result = 2;
        } else {
            SetLastErrorFromPathErrno(errno, level.c_str());
            m_lastError = ::GetLastError();
            if (m_lastError != ERROR_ALREADY_EXISTS) return 0;
            result = 1;
        }
    }
    return result;
}

int CBasicFile::RemoveFolder(const wchar_t* path) {
    bool given = path && *path;
    ReportAssertion(given, kSourceFile, kLineRemoveFolder);
    if (!given) return 0;
    std::string target = ToSystemText(path);

    // A link to a folder is removed as the link; what it points at stays.
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (unlink(target.c_str()) == 0) return 1;
        SetLastErrorFromErrno(errno);
        ReportFailure(kFileEventRemoveFolder, true, path, kLineRemoveFolderFailed);
        return 0;
    }

    CBasicString pattern(path);
    pattern.TrimRightChar(L'/');
    pattern.Append(L"/*");
    CBasicFileFind find;
    for (int more = find.FindFirst(pattern.GetString(), 0); more; more = find.FindNext()) {
        if (find.IsDots()) continue;
        CBasicString child = find.GetFilePath();
        DWORD attributes = find.GetFindInfo()->GetAttributes();
        bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        if (folder) RemoveFolder(child.GetString());
        else Delete(child.GetString());
    }
    find.Close();

    if (rmdir(target.c_str()) == 0) return 1;
    SetLastErrorFromPathErrno(errno, target.c_str());
    ReportFailure(kFileEventRemoveFolder, true, path, kLineRemoveFolderFailed);
    return 0;
}

int CBasicFile::Delete(const wchar_t* path) {
    ReportAssertion(path != nullptr, kSourceFile, kLineDelete);
    if (!path || !Exists(path)) return 0;
    SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
    if (unlink(ToSystemText(path).c_str()) == 0) return 1;
    SetLastErrorFromPathErrno(errno, ToSystemText(path).c_str());
    ReportFailure(kFileEventDelete, true, path, kLineDeleteFailed);
    return 0;
}

int CBasicFile::GetAttributes(const wchar_t* path, DWORD* attributes) {
    if (attributes) *attributes = INVALID_FILE_ATTRIBUTES;
    bool given = path && *path && attributes;
    ReportAssertion(given, kSourceFile, kLineGetAttributes);
    if (!given) return 0;
    std::string target = ToSystemText(path);
    FileStatus status;
    if (ReadFileStatus(AT_FDCWD, target.c_str(), status)) {
        *attributes = status.attributes;
        return 1;
    }
    SetLastErrorFromPathErrno(errno, target.c_str());
    ReportFailure(kFileEventGetAttributes, true, path, kLineGetAttributesFailed);
    return 0;
}

int CBasicFile::SetAttributes(const wchar_t* path, DWORD attributes) {
    bool given = path && *path;
    ReportAssertion(given, kSourceFile, kLineSetAttributes);
    if (!given || !Exists(path)) return 0;
    std::string target = ToSystemText(path);
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {
        // A symbolic link has no permissions of its own to change.
        if (S_ISLNK(st.st_mode)) return 1;
        mode_t mode = st.st_mode & 07777;
        mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~(mode_t)(S_IWUSR | S_IWGRP | S_IWOTH)
                                                                : mode | S_IWUSR;
        if (wanted == mode || chmod(target.c_str(), wanted) == 0) return 1;
    }
    SetLastErrorFromPathErrno(errno, target.c_str());
    ReportFailure(kFileEventSetAttributes, true, path, kLineSetAttributesFailed);
    return 0;
}

int CBasicFile::GetFileSizeByName(const wchar_t* path, ULONGLONG* size) {
    if (size) *size = 0;
    ReportAssertion(path != nullptr && size != nullptr, kSourceFile, kLineGetFileSizeByName);
    if (!path || !size) return 0;
    CBasicFileFind find;
    CBasicFileFindInfo* entry = find.FindFile(path);
    if (!entry) return 0;
    *size = entry->GetFileSize();
    return 1;
}

int CBasicFile::GetSize(ULONGLONG* size) {
    if (size) *size = 0;
    if (!RequireOpen(kLineGetSize) || !size) return 0;
    struct stat st;
    if (fstat(m_fd, &st) == 0) {
        *size = (ULONGLONG)st.st_size;
        m_lastError = 0;
        return 1;
    }
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventGetSize, false, m_fileName.GetString(), kLineGetSizeFailed);
    return 0;
}

int CBasicFile::SetSize(ULONGLONG size) { return 1; }

int CBasicFile::GetPosition(ULONGLONG* position) {
    if (position) *position = 0;
    if (!RequireOpen(kLineGetPosition) || !position) return 0;
    off_t at = lseek(m_fd, 0, SEEK_CUR);
    if (at >= 0) {
        *position = (ULONGLONG)at;
        return 1;
    }
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventPosition, false, m_fileName.GetString(), kLineGetPositionFailed);
    return 0;
}

int CBasicFile::Seek(LONGLONG distance, DWORD origin) {
    if (!RequireOpen(kLineSeek)) return 0;
    ReportAssertion(origin <= FILE_END, kSourceFile, kLineSeekOrigin);
    // An unknown origin still goes to the system, which refuses it.
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : origin == FILE_END ? SEEK_END : -1;
    if (lseek(m_fd, (off_t)distance, whence) >= 0) return 1;
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventPosition, false, m_fileName.GetString(), kLineSeekFailed);
    return 0;
}

const wchar_t* CBasicFile::GetFileName() { return m_fileName.GetString(); }

int CBasicFile::SetFileName(const wchar_t* name) {
    ReportAssertion(name != nullptr, kSourceFile, kLineSetFileName);
    if (!name) return 0;
    m_fileName = name;
    return 1;
}

CAbstractLog* CBasicFile::GetLog() { return m_log; }

int CBasicFile::SetTimes(const CBasicDateTime* creation, const CBasicDateTime* lastAccess,
                         const CBasicDateTime* lastWrite) {
    if (!RequireOpen(kLineSetTimes)) return 0;
    const timespec times[2] = {TimeSpecOf(lastAccess), TimeSpecOf(lastWrite)};
    if (futimens(m_fd, times) == 0) return 1;
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventSetTimes, false, m_fileName.GetString(), kLineSetTimesFailed);
    return 0;
}

int CBasicFile::Truncate() {
    if (!RequireOpen(kLineTruncate)) return 0;
    off_t at = lseek(m_fd, 0, SEEK_CUR);
    if (at >= 0 && ftruncate(m_fd, at) == 0) {
        m_lastError = 0;
        return 1;
    }
    SetLastErrorFromErrno(errno);
    ReportFailure(kFileEventTruncate, false, m_fileName.GetString(), kLineTruncateFailed);
    return 0;
}

int CBasicFile::ZeroData(LONGLONG offset, LONGLONG length) {
    bool usable = m_fd >= 0 && offset >= 0 && length > 0;
    ReportAssertion(usable, kSourceFile, kLineZeroData);
    if (!usable) return 0;
    LONGLONG end = 0;
    if (__builtin_add_overflow(offset, length, &end)) end = INT64_MAX;
    if (fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, offset, end - offset) == 0) {
        m_lastError = 0;
        return 1;
    }
    // Where holes cannot be made, zeros are written over the part of the
    // range that lies inside the file.
    int err = errno;
    struct stat st;
    if (err == EOPNOTSUPP || err == ENOSYS) {
        if (fstat(m_fd, &st) == 0) {
            std::vector<char> zeros(kZeroBlock, 0);
            LONGLONG stop = end < (LONGLONG)st.st_size ? end : (LONGLONG)st.st_size;
            LONGLONG at = offset;
            while (at < stop) {
                size_t chunk = (size_t)(stop - at < (LONGLONG)kZeroBlock ? stop - at : (LONGLONG)kZeroBlock);
                ssize_t n = pwrite(m_fd, zeros.data(), chunk, (off_t)at);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                at += n;
            }
            if (at >= stop) {
                m_lastError = 0;
                return 1;
            }
        }
        err = errno;
    }
    SetLastErrorFromErrno(err);
    ReportFailure(kFileEventZeroData, false, m_fileName.GetString(), kLineZeroDataFailed);
    return 0;
}

CAbstractFile* CreateBasicFile(const wchar_t* name, CAbstractLog* log, CAbstractSnapshot* snapshot) {
    if (snapshot) return new (std::nothrow) CVSSFile(snapshot, name, log);
    return new (std::nothrow) CBasicFile(name, log);
}

void DeleteBasicFile(CAbstractFile* file) {
    if (!file) return;
    file->Close();
    delete file;
}
