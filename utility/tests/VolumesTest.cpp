#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ReportCapture.h"
#include "testing/TempFolder.h"
#include "utility/Posix/MountTable.h"
#include "utility/Posix/SystemError.h"
#include "utility/Posix/Volumes.h"

namespace {

using kvxtest::Narrow;
using kvxtest::TempFolder;
using kvxtest::Widen;

class VolumesTest : public ReportCapture {
protected:
    TempFolder m_folder;
};

TEST_F(VolumesTest, FreeSpaceOfTheTemporaryFolder) {
    struct statvfs st;
    ASSERT_EQ(statvfs(m_folder.Path().c_str(), &st), 0);
    LONGLONG total = -1, free = -1;
    ASSERT_EQ(GetDiskSpace(m_folder.WPath().c_str(), total, free), 1);
    EXPECT_EQ(total, (LONGLONG)(st.f_blocks * st.f_frsize));
    EXPECT_GT(free, 0);
    EXPECT_LE(free, total);
    // A path that does not exist yet is measured on its folder's volume.
    LONGLONG total2 = 0, free2 = 0;
    EXPECT_EQ(GetDiskSpace(m_folder.WSub("not/yet/there.txt").c_str(), total2, free2), 1);
    EXPECT_EQ(total2, total);
    EXPECT_EQ(GetDiskSpace(L"", total2, free2), 0);
    EXPECT_EQ(total2 + free2, 0);

    ULARGE_INTEGER available, size, totalFree;
    ASSERT_EQ(GetDiskFreeSpaceExSafe(m_folder.WPath().c_str(), &available, &size, &totalFree), 1);
    EXPECT_EQ(size.QuadPart, (ULONGLONG)total);
    EXPECT_LE(available.QuadPart, totalFree.QuadPart);
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    ASSERT_EQ(GetDiskFreeClusters(m_folder.WPath().c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                  &totalClusters),
              1);
    EXPECT_EQ((ULONGLONG)sectorsPerCluster * bytesPerSector, (ULONGLONG)st.f_frsize);
    EXPECT_EQ(totalClusters, (DWORD)st.f_blocks);

    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(GetDiskFreeSpaceExSafe(m_folder.WPath().c_str(), nullptr, &size, &totalFree), 0);
    EXPECT_EQ(GetDiskFreeClusters(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST(DriveEntries, RemovableFirstThenLargerSpace) {
    std::vector<DriveEntry> entries = {{L"F:", 3, 100}, {L"E:", 2, 10}, {L"D:", 3, 500}, {L"G:", 3, 100}};
    std::stable_sort(entries.begin(), entries.end(), IsDriveEntryBefore);
    std::vector<std::wstring> order;
    for (const DriveEntry& e : entries) order.push_back(e.root.GetString());
    EXPECT_EQ(order, (std::vector<std::wstring>{L"E:", L"D:", L"F:", L"G:"}));
}

TEST(FileSystems, NamesAndLimits) {
    const struct {
        const char* type;
        const wchar_t* name;
        LONGLONG limit;
    } cases[] = {
        {"ext4", L"NTFS", 1LL << 60},  {"xfs", L"NTFS", 1LL << 60},   {"tmpfs", L"NTFS", 1LL << 60},
        {"ntfs3", L"NTFS", 1LL << 60}, {"vfat", L"FAT32", 1LL << 32}, {"msdos", L"FAT16", 1LL << 31},
        {"exfat", L"NTFS", 1LL << 41}, {"udf", L"NTFS", 1LL << 41},   {"nfs4", L"NTFS", 1LL << 41},
    };
    for (const auto& c : cases) {
        CBasicString name;
        LONGLONG limit = 0;
        FileSystemLimitsOfType(c.type, name, limit);
        EXPECT_STREQ(name.GetString(), c.name) << c.type;
        EXPECT_EQ(limit, c.limit) << c.type;
    }
}

TEST_F(VolumesTest, VolumeOfAPath) {
    MountEntry mount;
    ASSERT_TRUE(FindMountOfPath(m_folder.Path() + "/missing/file", mount));
    CBasicString name;
    LONGLONG limit = 0;
    ASSERT_EQ(GetFileSystemLimits(m_folder.WSub("missing/file").c_str(), name, limit), 1);
    CBasicString expectedName;
    LONGLONG expectedLimit = 0;
    FileSystemLimitsOfType(mount.fileSystem, expectedName, expectedLimit);
    EXPECT_STREQ(name.GetString(), expectedName.GetString());
    EXPECT_EQ(limit, expectedLimit);
    EXPECT_EQ(GetFileSystemLimits(L"", name, limit), 0);
    EXPECT_STREQ(name.GetString(), L"NTFS");
    EXPECT_EQ(limit, 1LL << 41);

    int kind = GetDriveKind(m_folder.WPath().c_str());
    EXPECT_TRUE(kind == DRIVE_FIXED || kind == DRIVE_RAMDISK || kind == DRIVE_REMOVABLE) << kind;
    EXPECT_EQ(GetDriveKind(L"/proc/self"), DRIVE_UNKNOWN);
    EXPECT_EQ(GetDriveKind(L"Q:\\x"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(GetDriveKind(L"relative"), DRIVE_UNKNOWN);
    EXPECT_EQ(IsRemovableDriveEmpty(L"/proc"), 0);
    EXPECT_EQ(IsReadOnlyOpticalVolume(m_folder.WPath().c_str()), 0);

    DWORD flags = 0;
    ASSERT_EQ(GetVolumeFlags(m_folder.WPath().c_str(), flags), 1);
    EXPECT_EQ(flags & FILE_READ_ONLY_VOLUME, 0u);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(GetVolumeFlags(L"", flags), 0);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(IsReadOnlyOpticalVolume(L""), 0);
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST_F(VolumesTest, PathKinds) {
    EXPECT_EQ(GetPathKind(L"\\\\server\\share"), 1);
    EXPECT_EQ(GetPathKind(L"/usr"), 3);
    EXPECT_EQ(GetPathKind(L"Q:\\x"), 0);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(GetPathKind(L""), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(VolumesTest, HardLinks) {
    std::string existing = m_folder.WriteFile("original.txt", "text");
    if (!IsNtfsVolume(Widen(existing).c_str())) GTEST_SKIP() << "the temporary folder has no hard links";
    EXPECT_EQ(CreateHardLinkSafe(m_folder.WSub("link.txt").c_str(), Widen(existing).c_str()), 1);
    struct stat st;
    ASSERT_EQ(stat(existing.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(TempFolder::ReadFile(m_folder.Sub("link.txt")), "text");
    // The link exists already.
    EXPECT_EQ(CreateHardLinkSafe(m_folder.WSub("link.txt").c_str(), Widen(existing).c_str()), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(AssertionLines().empty());
    EXPECT_EQ(CreateHardLinkSafe(nullptr, Widen(existing).c_str()), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);
}

TEST_F(VolumesTest, ChangeJournalIsNotAvailable) {
    kvxtest::RecordingLog log;
    ChangeJournalState volume = L"C";
    EXPECT_EQ(EnsureChangeJournal(volume, &log), 0);
    auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, L"NTFS change journal is not available. System error: (50) The request is not supported.");
    EXPECT_EQ(entries[1].text, L"(50) : The request is not supported.");
    EXPECT_EQ(EnsureChangeJournal(volume, nullptr), 0);
    ChangeJournalState empty;
    EXPECT_EQ(EnsureChangeJournal(empty, &log), 0);
    EXPECT_EQ(AssertionLines().size(), 1u);

    log.Clear();
    FileUsnInfo usn = {1, 2, 3};
    std::string file = m_folder.WriteFile("file.txt", "x");
    EXPECT_EQ(ReadFileUsn(Widen(file).c_str(), usn, &log), 0);
    EXPECT_EQ(usn.majorVersion + usn.minorVersion + usn.usn, 0);
    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_EQ(log.Entries()[0].call, kvxtest::LogCall::WriteSourceMessage);
    EXPECT_EQ(log.Entries()[0].text, L"(50) The request is not supported.");
    EXPECT_EQ(AssertionLines().size(), 2u);
}

TEST(Drives, RootsAndDataDrives) {
    int needed = GetDriveStrings(0, nullptr);
    ASSERT_GT(needed, 1);
    std::vector<wchar_t> buffer((size_t)needed);
    EXPECT_EQ(GetDriveStrings(needed, buffer.data()), needed - 1);
    std::vector<std::wstring> roots;
    for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) roots.push_back(p);
    EXPECT_NE(std::find(roots.begin(), roots.end(), L"/"), roots.end());
    for (const std::wstring& root : roots) EXPECT_EQ(root.back(), L'/');

    std::vector<CBasicString> drives = {CBasicString(L"kept")};
    ASSERT_EQ(ListDataDrives(drives), 1);
    ASSERT_GE(drives.size(), 2u);
    EXPECT_STREQ(drives.front().GetString(), L"kept");
    // The system volume comes last; the drive of /usr is never proposed before it.
    MountEntry system;
    ASSERT_TRUE(FindMountOfPath("/usr", system));
    std::string systemRoot = system.mountPoint == "/" ? "/" : system.mountPoint + "/";
    EXPECT_EQ(Narrow(drives.back().GetString()), systemRoot);
    for (size_t i = 1; i + 1 < drives.size(); ++i) EXPECT_NE(Narrow(drives[i].GetString()), systemRoot);
}

} // namespace
