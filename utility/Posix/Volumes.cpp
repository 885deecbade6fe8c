#include "utility/Posix/Volumes.h"

#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "utility/AbstractLog.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/MountTable.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/SystemText.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicAPI";
const wchar_t kSourceFileWide[] = L".\\Windows\\BasicAPI";
constexpr int kLineFreeSpaceArguments = 2832;
constexpr int kLineFreeClustersArguments = 2867;
constexpr int kLinePathKindEmpty = 2941;
constexpr int kLineOpticalEmpty = 2990;
constexpr int kLineVolumeFlags = 3041;
constexpr int kLineVolumeInformation = 3079;
constexpr int kLineHardLink = 3126;
constexpr int kLineJournalVolume = 3163;
constexpr int kLineJournal = 3201;
constexpr int kLineFileUsn = 3274;

const std::set<std::string> kNtfsClassFileSystems = {"ntfs", "ntfs3", "ext2",     "ext3", "ext4", "xfs",    "btrfs",
                                                     "f2fs", "jfs",   "reiserfs", "zfs",  "tmpfs", "overlay"};
const std::set<std::string> kCaseInsensitiveFileSystems = {"vfat", "msdos", "exfat", "ntfs", "ntfs3"};
const std::set<std::string> kOpticalFileSystems = {"iso9660", "udf"};

constexpr LONGLONG kNtfsStartLimit = 1LL << 41;

// An absolute form of a path of the system's interfaces.
std::string AbsolutePath(const wchar_t* path) {
    std::string text = ToSystemText(path);
    if (text.empty() || text[0] == '/') return text;
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(text, ec).string();
    return ec ? std::string() : absolute;
}

bool StatVolume(const wchar_t* path, struct statvfs& st) {
    std::string existing = ResolveExistingPart(AbsolutePath(path));
    if (existing.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (statvfs(existing.c_str(), &st) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

bool FindMount(const wchar_t* path, MountEntry& mount) {
    if (FindMountOfPath(AbsolutePath(path), mount)) return true;
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
}

DWORD VolumeFlagsOf(const MountEntry& mount, const struct statvfs& st) {
    DWORD flags = 0;
    const std::string& type = mount.fileSystem;
    if (kCaseInsensitiveFileSystems.count(type)) {
        if (type != "msdos") flags |= FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    } else if (!kOpticalFileSystems.count(type)) {
        flags |= FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    }
    if (kNtfsClassFileSystems.count(type)) flags |= FILE_SUPPORTS_HARD_LINKS;
    if (st.f_flag & ST_RDONLY) flags |= FILE_READ_ONLY_VOLUME;
    return flags;
}

struct DriveRoot {
    std::string root;  // with a trailing '/'
    int kind;
};

// The mounted drives: folders on block devices, optical and network
// volumes, each once, in mount order.
std::vector<DriveRoot> ListDriveRoots() {
    std::vector<DriveRoot> roots;
    std::set<std::string> seen;
    for (const MountEntry& mount : ReadMountTable()) {
        int kind = DriveTypeOfMount(mount);
        std::error_code ec;
        if (kind < DRIVE_REMOVABLE || kind > DRIVE_CDROM || !std::filesystem::is_directory(mount.mountPoint, ec))
            continue;
        std::string root = mount.mountPoint == "/" ? "/" : mount.mountPoint + "/";
        if (seen.insert(root).second) roots.push_back({root, kind});
    }
    return roots;
}

void LogJournalError(CAbstractLog* log, int line, const wchar_t* format, DWORD error) {
    if (log) log->LogFormat(kSourceFileWide, line, 1, format, (int)error, GetSystemErrorText(error).GetString());
}

} // namespace

bool IsDriveEntryBefore(const DriveEntry& a, const DriveEntry& b) {
    bool aRemovable = a.driveKind == DRIVE_REMOVABLE, bRemovable = b.driveKind == DRIVE_REMOVABLE;
    if (aRemovable != bRemovable) return aRemovable;
    return a.space > b.space;
}

int GetDiskSpace(const wchar_t* path, LONGLONG& totalBytes, LONGLONG& freeBytes) {
    totalBytes = freeBytes = 0;
    struct statvfs st;
    if (!path || !*path || !StatVolume(path, st)) return 0;
    totalBytes = (LONGLONG)(st.f_blocks * st.f_frsize);
    freeBytes = (LONGLONG)(st.f_bfree * st.f_frsize);
    return 1;
}

int GetDiskFreeSpaceExSafe(const wchar_t* root, ULARGE_INTEGER* freeAvailable, ULARGE_INTEGER* total,
                           ULARGE_INTEGER* totalFree) {
    if (!root || !freeAvailable || !total || !totalFree) {
        ReportAssertion(0, kSourceFile, kLineFreeSpaceArguments);
        return 0;
    }
    struct statvfs st;
    if (!StatVolume(root, st)) return 0;
    freeAvailable->QuadPart = (ULONGLONG)st.f_bavail * st.f_frsize;
    total->QuadPart = (ULONGLONG)st.f_blocks * st.f_frsize;
    totalFree->QuadPart = (ULONGLONG)st.f_bfree * st.f_frsize;
    return 1;
}

int GetDiskFreeClusters(const wchar_t* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                        DWORD* totalClusters) {
    if (!root || !sectorsPerCluster || !bytesPerSector || !freeClusters || !totalClusters) {
        ReportAssertion(0, kSourceFile, kLineFreeClustersArguments);
        return 0;
    }
    struct statvfs st;
    if (!StatVolume(root, st) || st.f_frsize == 0) return 0;
    ULONGLONG cluster = st.f_frsize;
    *bytesPerSector = cluster % 512 == 0 ? 512 : (DWORD)cluster;
    *sectorsPerCluster = (DWORD)(cluster / *bytesPerSector);
    *freeClusters = (DWORD)((ULONGLONG)st.f_bavail * st.f_frsize / cluster);
    *totalClusters = (DWORD)((ULONGLONG)st.f_blocks * st.f_frsize / cluster);
    return 1;
}

int GetDriveStrings(int length, wchar_t* buffer) {
    std::wstring strings;
    for (const DriveRoot& drive : ListDriveRoots()) {
        strings += Utf8ToWide(drive.root);
        strings += L'\0';
    }
    int needed = (int)strings.size() + 1;
    if (!buffer || length < needed) return needed;
    wmemcpy(buffer, strings.data(), strings.size());
    buffer[strings.size()] = 0;
    return needed - 1;
}

int GetDriveKind(const wchar_t* path) {
    if (!path || !*path) return DRIVE_UNKNOWN;
    if (path[0] && path[1] == L':') return DRIVE_NO_ROOT_DIR;
    if (wcsncmp(path, L"PhysicalDrive", 13) == 0) return DRIVE_FIXED;
    if (path[0] != L'/') return DRIVE_UNKNOWN;
    MountEntry mount;
    return FindMount(path, mount) ? DriveTypeOfMount(mount) : DRIVE_UNKNOWN;
}

int GetPathKind(const wchar_t* path) {
    if (!path || !*path) {
        ReportAssertion(0, kSourceFile, kLinePathKindEmpty);
        return 0;
    }
    if (path[0] == L'\\') return 1;
    if (path[0] == L'/') return 3;
    // A drive letter names no drive here.
    return 0;
}

int IsRemovableDriveEmpty(const wchar_t* path) {
    int kind = GetDriveKind(path);
    MountEntry mount;
    if ((kind != DRIVE_CDROM && kind != DRIVE_REMOVABLE) || !FindMount(path, mount)) return 0;
    DIR* dir = opendir(mount.mountPoint.c_str());
    if (!dir) return 0;
    bool empty = true;
    while (dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty ? 1 : 0;
}

int IsReadOnlyOpticalVolume(const wchar_t* path) {
    if (!path || !*path) {
        ReportAssertion(0, kSourceFile, kLineOpticalEmpty);
        return 0;
    }
    DWORD flags = 0;
    return GetDriveKind(path) == DRIVE_CDROM && GetVolumeFlags(path, flags) && flags == FILE_READ_ONLY_VOLUME;
}

int IsNtfsVolume(const wchar_t* path) {
    MountEntry mount;
    return path && FindMount(path, mount) && kNtfsClassFileSystems.count(mount.fileSystem) ? 1 : 0;
}

int GetVolumeFlags(const wchar_t* path, DWORD& flags) {
    flags = 0;
    MountEntry mount;
    struct statvfs st;
    if (!path || !*path || !FindMount(path, mount) || !StatVolume(path, st)) {
        ReportAssertion(0, kSourceFile, kLineVolumeFlags);
        return 0;
    }
    flags = VolumeFlagsOf(mount, st);
    return 1;
}

void FileSystemLimitsOfType(const std::string& type, CBasicString& fileSystem, LONGLONG& maxFileSize) {
    if (kNtfsClassFileSystems.count(type)) {
        fileSystem = L"NTFS";
        maxFileSize = 1LL << 60;
    } else if (type == "vfat") {
        fileSystem = L"FAT32";
        maxFileSize = 1LL << 32;
    } else if (type == "msdos") {
        fileSystem = L"FAT16";
        maxFileSize = 1LL << 31;
    } else {
        fileSystem = L"NTFS";
        maxFileSize = kNtfsStartLimit;
    }
}

int GetFileSystemLimits(const wchar_t* path, CBasicString& fileSystem, LONGLONG& maxFileSize) {
    fileSystem = L"NTFS";
    maxFileSize = kNtfsStartLimit;
    if (!path || !*path) return 0;
    MountEntry mount;
    if (FindMount(path, mount)) {
        FileSystemLimitsOfType(mount.fileSystem, fileSystem, maxFileSize);
        return 1;
    }
    if (CAbstractLog* log = GetLibraryLog())
        log->LogFormat(kSourceFileWide, kLineVolumeInformation, 1, L"GetVolumeInformation failed with error code: %d",
                       (int)GetLastError());
    maxFileSize = 0;
    fileSystem.Empty();
    return 0;
}

int CreateHardLinkSafe(const wchar_t* newLink, const wchar_t* existing) {
    if (!newLink || !existing || !IsNtfsVolume(newLink) || !IsNtfsVolume(existing)) {
        ReportAssertion(0, kSourceFile, kLineHardLink);
        return 0;
    }
    if (link(ToSystemText(existing).c_str(), ToSystemText(newLink).c_str()) != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    return 1;
}

int EnsureChangeJournal(ChangeJournalState& volume, CAbstractLog* log) {
    if (volume.empty()) {
        ReportAssertion(0, kSourceFile, kLineJournalVolume);
        return 0;
    }
    // The journal query fails with a code that ends the loop.
    SetLastError(ERROR_NOT_SUPPORTED);
    LogJournalError(log, kLineJournal, L"NTFS change journal is not available. System error: (%d) %s",
                    ERROR_NOT_SUPPORTED);
    LogJournalError(log, kLineJournal, L"(%d) : %s", ERROR_NOT_SUPPORTED);
    return 0;
}

int ReadFileUsn(const wchar_t* file, FileUsnInfo& out, CAbstractLog* log) {
    if (!file) {
        ReportAssertion(0, kSourceFile, kLineFileUsn);
        return 0;
    }
    out = {};
    DWORD error = PathExists(file) ? ERROR_NOT_SUPPORTED : ERROR_FILE_NOT_FOUND;
    SetLastError(error);
    ReportAssertion(0, kSourceFile, kLineFileUsn);
    if (log) {
        CBasicString message;
        message.Format(L"(%d) %s", (int)error, GetSystemErrorText(error).GetString());
        log->WriteSourceMessage(message.GetString(), kSourceFileWide, kLineFileUsn);
    }
    return 0;
}

int ListDataDrives(std::vector<CBasicString>& out) {
    std::vector<DriveRoot> roots = ListDriveRoots();
    if (roots.empty()) return 0;
    std::string windows = ToSystemText(GetWindowsFolder());
    std::vector<DriveEntry> entries;
    for (const DriveRoot& drive : roots) {
        if ((drive.kind != DRIVE_FIXED && drive.kind != DRIVE_REMOVABLE) || windows.compare(0, drive.root.size(), drive.root) == 0)
            continue;
        CBasicString root = FromSystemText(drive.root);
        ULARGE_INTEGER available, total, totalFree;
        if (!GetDiskFreeSpaceExSafe(root.GetString(), &available, &total, &totalFree)) continue;
        entries.push_back({root, drive.kind, IsNtfsVolume(root.GetString()) ? available.QuadPart : total.QuadPart});
    }
    std::stable_sort(entries.begin(), entries.end(), IsDriveEntryBefore);
    for (const DriveEntry& entry : entries) out.push_back(entry.root);
    MountEntry system;
    if (!windows.empty() && FindMountOfPath(windows, system))
        out.push_back(FromSystemText(system.mountPoint == "/" ? "/" : system.mountPoint + "/"));
    return 1;
}
