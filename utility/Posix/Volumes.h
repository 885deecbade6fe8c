#pragma once
// Drives and volumes: free space, the kind of drive a path lies on, the
// file system and its file-size limit, volume flags, hard links. Free
// functions without state; broken contracts raise assertion reports
// (".\Windows\BasicAPI").
//
// A "drive" is a mounted volume and its root is the mount point with a
// trailing '/'. A path's volume is found in the mount table (MountTable.h);
// a path that does not exist is taken by its nearest existing folder.
// Linux file systems with hard links and large files (ext2/3/4, xfs,
// btrfs, f2fs, jfs, reiserfs, zfs, tmpfs, overlay, ntfs, ntfs3) count as
// NTFS volumes; vfat is "FAT32" and msdos "FAT16". The NTFS change journal
// does not exist here: its functions fail with ERROR_NOT_SUPPORTED.

#include <string>
#include <vector>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractLog;

struct DriveEntry {
    CBasicString root;
    int driveKind;
    unsigned long long space;
};

// A removable drive (kind 2) comes before any other; within a group the
// larger space first.
bool IsDriveEntryBefore(const DriveEntry& a, const DriveEntry& b);

// The volume's drive letter followed by the seven values of its journal.
typedef std::wstring ChangeJournalState;

struct FileUsnInfo {
    WORD majorVersion;
    WORD minorVersion;
    LONGLONG usn;
};

// The size and the free space (for everybody) of the path's volume: 1, or
// 0 with both zero.
int GetDiskSpace(const wchar_t* path, LONGLONG& totalBytes, LONGLONG& freeBytes);

// The free space for the caller, the size and the free space of the
// volume: 1, or 0. A null argument raises an assertion report and gives 0.
int GetDiskFreeSpaceExSafe(const wchar_t* root, ULARGE_INTEGER* freeAvailable, ULARGE_INTEGER* total,
                           ULARGE_INTEGER* totalFree);

// The volume in clusters (the file system's fragment size) of 512-byte
// sectors: 1, or 0. A null argument raises an assertion report and gives 0.
int GetDiskFreeClusters(const wchar_t* root, DWORD* sectorsPerCluster, DWORD* bytesPerSector, DWORD* freeClusters,
                        DWORD* totalClusters);

// The roots of the mounted drives (folders on block devices, network and
// memory volumes), each with its terminator, and one more terminator: the
// characters written without the last terminator, or the size needed when
// length characters do not hold them (nothing written).
int GetDriveStrings(int length, wchar_t* buffer);

// The drive type of the path's volume; a drive-letter path ("Q:\x") gives
// DRIVE_NO_ROOT_DIR, another relative path DRIVE_UNKNOWN.
int GetDriveKind(const wchar_t* path);

// 1 for '\' (a network path), 3 for '/' as the first character, 0 for any
// other; an empty path raises an assertion report and gives 0.
int GetPathKind(const wchar_t* path);

// 1 when the path lies on a removable or optical drive whose root holds
// nothing.
int IsRemovableDriveEmpty(const wchar_t* path);

// 1 when the path lies on an optical drive whose flags are exactly
// FILE_READ_ONLY_VOLUME; an empty path raises an assertion report and
// gives 0.
int IsReadOnlyOpticalVolume(const wchar_t* path);

// 1 when the path lies on an NTFS volume (see above); null gives 0.
int IsNtfsVolume(const wchar_t* path);

// The volume's flags (FILE_* above): 1, or 0 with an assertion report.
int GetVolumeFlags(const wchar_t* path, DWORD& flags);

// The file system's name and largest file size: 1 with "NTFS" and 2^60,
// "FAT32" and 2^32, "FAT16" and 2^31, or "NTFS" and 2^41 for any other file
// system. 0 with the same starting values for an empty path; 0 with "" and
// 0 after logging "GetVolumeInformation failed with error code: %d" when
// the volume cannot be found.
int GetFileSystemLimits(const wchar_t* path, CBasicString& fileSystem, LONGLONG& maxFileSize);

// The Windows name and size limit of a Linux file-system type, as above.
void FileSystemLimitsOfType(const std::string& type, CBasicString& fileSystem, LONGLONG& maxFileSize);

// A hard link newLink to existing, both on NTFS volumes: 1, or 0 (an
// assertion report when a condition is not met).
int CreateHardLinkSafe(const wchar_t* newLink, const wchar_t* existing);

// Not available: 0 after logging "NTFS change journal is not available.
// System error: (%d) %s" and "(%d) : %s" when a log is given; an empty
// volume raises an assertion report.
int EnsureChangeJournal(ChangeJournalState& volume, CAbstractLog* log);

// Not available: out zeroed, 0, an assertion report and "(%d) %s" through
// the log's WriteSourceMessage when a log is given.
int ReadFileUsn(const wchar_t* file, FileUsnInfo& out, CAbstractLog* log);

// Proposes drives for data: the fixed and removable drives besides the
// system's own, removable first, then by space (free space for the caller
// on NTFS volumes, the size on others), and last the root of the system
// volume. 0 when the drives cannot be listed.
int ListDataDrives(std::vector<CBasicString>& out);
