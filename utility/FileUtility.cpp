#include "utility/FileUtility.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/random.h>
#include <unistd.h>
#include <cstdio>
#include <new>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

#include "utility/AbstractChecksumProgress.h"
#include "utility/AbstractFile.h"
#include "utility/AbstractLog.h"
#include "utility/BasicCrypt.h"
#include "utility/BasicZipCrypt.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/BasicFile.h"
#include "utility/Posix/BasicFileFind.h"
#include "utility/Posix/BasicRegistry.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kSourceFile[] = ".\\BasicCPP";
const wchar_t kLogSource[] = L".\\BasicCPP";
constexpr int kLineCopyFiles = 742;
constexpr int kLineCopySameFile = 748;
constexpr int kLineOpenTarget = 758;
constexpr int kLineOpenSource = 769;
constexpr int kLineCopyShortRead = 790;
constexpr int kLineCopyWriteFailed = 797;
constexpr int kLineCopyShortWrite = 801;
constexpr int kLineCopyByPath = 826;
constexpr int kLineFileSize = 703;

constexpr DWORD kBlockSize = 64 * 1024;
constexpr int kErrorLevel = 1;
constexpr DWORD kSequential = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;

void LogError(const wchar_t* format, const wchar_t* name, int line) {
    if (CAbstractLog* log = GetLibraryLog()) log->LogFormat(kLogSource, line, kErrorLevel, format, name);
}

// Whether both objects are local files whose names lead to one file.
bool IsSameLocalFile(CAbstractFile* a, CAbstractFile* b) {
    if (!dynamic_cast<CBasicFile*>(a) || !dynamic_cast<CBasicFile*>(b)) return false;
    struct stat sa, sb;
    std::string pa = ToSystemText(a->GetFileName());
    std::string pb = ToSystemText(b->GetFileName());
    return stat(pa.c_str(), &sa) == 0 && stat(pb.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Copies size bytes from the open source to the open target -> 1 / 0.
int CopyBlocks(CAbstractFile* source, CAbstractFile* target, ULONGLONG size, const wchar_t* targetName) {
    std::vector<char> block(kBlockSize);
    ULONGLONG remaining = size;
    while (remaining > 0) {
        DWORD want = remaining < kBlockSize ? (DWORD)remaining : kBlockSize;
        DWORD got = 0;
        if (source->Read(block.data(), want, &got) != 0) return 0;
        bool gotAny = got > 0;
        ReportAssertion(gotAny, kSourceFile, kLineCopyShortRead);
        if (!gotAny) return 0;
        remaining -= got;
        DWORD written = 0;
        if (target->Write(block.data(), got, &written) != 0) {
            LogError(L"Error while writing file: %s.", targetName, kLineCopyWriteFailed);
            return 0;
        }
        bool whole = written == got;
        ReportAssertion(whole, kSourceFile, kLineCopyShortWrite);
        if (!whole) return 0;
    }
    return 1;
}

} // namespace

namespace {

// CopyFileContents with the target's name for the messages.
int CopyContents(CAbstractFile* source, CAbstractFile* target, const wchar_t* targetName) {
    if (source->Open(source->GetFileName(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                     kSequential) < 0) {
        LogError(L"Could not create file (%s) for reading!!!", source->GetFileName(), kLineOpenSource);
        return 0;
    }
    int result = 0;
    ULONGLONG size = 0;
    if (target->Open(target->GetFileName(), GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, kSequential) < 0) {
        LogError(L"Could not create file (%s) for writing!!!", targetName, kLineOpenTarget);
    } else if (source->GetSize(&size)) {
        result = CopyBlocks(source, target, size, targetName);
    }
    if (source->IsOpen()) source->Close();
    if (target->IsOpen()) target->Close();
    return result;
}

// A new empty file beside path, named path + "." + six letters or digits,
// with the mode of the file at path (or the usual mode of a new file):
// its name, or "" with errno set.
std::string MakeFileBeside(const std::string& path) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (getrandom(random, sizeof(random), 0) != (ssize_t)sizeof(random)) return std::string();
        std::string name = path + ".";
        for (unsigned char r : random) name += kLetters[r % (sizeof(kLetters) - 1)];
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      exists ? (st.st_mode & 07777) : 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return std::string();
        }
        if (exists) fchmod(fd, st.st_mode & 07777);
        close(fd);
        return name;
    }
    errno = EEXIST;
    return std::string();
}

} // namespace

int CopyFileContents(CAbstractFile* source, CAbstractFile* target) {
    bool given = source && target;
    ReportAssertion(given, kSourceFile, kLineCopyFiles);
    if (!given) return 0;
    bool sameFile = IsSameLocalFile(source, target);
    ReportAssertion(!sameFile, kSourceFile, kLineCopySameFile);
    if (sameFile) return 0;
    return CopyContents(source, target, target->GetFileName());
}

// The copy is made beside the target and renamed over it only when whole,
// so a copy that fails (a full disk, a source that ends early) leaves the
// old target as it was.
int CopyFileByPath(const wchar_t* source, const wchar_t* target) {
    bool given = source && *source && target && *target;
    ReportAssertion(given, kSourceFile, kLineCopyByPath);
    if (!given) return 0;
    std::unique_ptr<CAbstractFile> from(CreateBasicFile(source, GetLibraryLog(), nullptr));
    std::unique_ptr<CAbstractFile> to(CreateBasicFile(target, GetLibraryLog(), nullptr));
    if (!from || !to) return 0;
    bool sameFile = IsSameLocalFile(from.get(), to.get());
    ReportAssertion(!sameFile, kSourceFile, kLineCopySameFile);
    if (sameFile) return 0;

    // A target that is a link is replaced where the link leads.
    std::string targetPath = ToSystemText(target);
    struct stat st;
    if (lstat(targetPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(targetPath.c_str(), nullptr)) {
            targetPath = real;
            free(real);
        }
    }
    // Refuse a missing source before anything is made beside the target.
    struct stat sourceStat;
    if (stat(ToSystemText(source).c_str(), &sourceStat) != 0) {
        LogError(L"Could not create file (%s) for reading!!!", source, kLineOpenSource);
        SetLastErrorFromErrno(errno);
        return 0;
    }
    std::string tempPath = MakeFileBeside(targetPath);
    if (tempPath.empty()) {
        SetLastErrorFromErrno(errno);
        LogError(L"Could not create file (%s) for writing!!!", target, kLineOpenTarget);
        return 0;
    }
    std::unique_ptr<CAbstractFile> temp(CreateBasicFile(FromSystemText(tempPath).GetString(), GetLibraryLog(), nullptr));
    int result = temp ? CopyContents(from.get(), temp.get(), target) : 0;
    if (result == 1 && rename(tempPath.c_str(), targetPath.c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        LogError(L"Error while writing file: %s.", target, kLineCopyWriteFailed);
        result = 0;
    }
    if (result != 1) unlink(tempPath.c_str());
    return result;
}

int ComputeFileCrc32(CAbstractFile* file, unsigned& crc, CAbstractChecksumProgress* observer) {
    if (!file) return -1;
    if (file->Open(file->GetFileName(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, kSequential) < 0) return -1;
    ULONGLONG size = 0;
    int result = file->GetSize(&size) ? 0 : -1;
    std::vector<unsigned char> block(kBlockSize);
    for (ULONGLONG remaining = size; remaining > 0 && result == 0;) {
        DWORD want = remaining < kBlockSize ? (DWORD)remaining : kBlockSize;
        DWORD got = 0;
        int read = file->Read(block.data(), want, &got);
        if (read < 0) result = read;
        else if (got != want) result = -1;
        else {
            crc = (unsigned)crc32(crc, block.data(), got);
            remaining -= got;
            if (observer) observer->Progress(got);
        }
    }
    if (file->IsOpen()) file->Close();
    return result;
}

int GetFileSizeByPath(const wchar_t* path, LONGLONG& size) {
    size = 0;
    ReportAssertion(path != nullptr, kSourceFile, kLineFileSize);
    if (!path) return 0;
    CBasicFileFind find;
    CBasicFileFindInfo* entry = find.FindFile(path);
    if (!entry) return 0;
    size = (LONGLONG)entry->GetFileSize();
    return 1;
}

int RenameFile(const wchar_t* oldName, const wchar_t* newName) {
    if (!oldName || !newName) return 0;
    std::string from = ToSystemText(oldName), to = ToSystemText(newName);
    if (rename(from.c_str(), to.c_str()) == 0) return 1;
    SetLastErrorFromPathErrno(errno, from.c_str());
    return 0;
}

int MoveFileByRename(const wchar_t* oldName, const wchar_t* newName) { return RenameFile(oldName, newName); }

CBasicRegistry* CreateBasicRegistry(const wchar_t* firstName, const wchar_t* secondName, HKEY root) {
    return new (std::nothrow) CBasicRegistry(firstName, secondName, root);
}

void DeleteBasicRegistry(CRegistry* registry) { delete registry; }

CAbstractCrypt* CreateCrypt(int type, CAbstractLog* log) {
    switch (type) {
    case 1: return new (std::nothrow) CBasicZipCrypt(log);
    case 2: return new (std::nothrow) CBasicCrypt(log);
    default: return nullptr;
    }
}
