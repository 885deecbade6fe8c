#include "DiskBudgetVfs.h"

#include <sys/stat.h>

#include <cstring>

// One open file: our methods first, the default layer's file after it.
struct DiskBudgetVfs::File {
    sqlite3_file base;
    DiskBudgetVfs* owner;
    std::string* path;  // null for a file without a name
    sqlite3_file* real;

    static File& Of(sqlite3_file* file) { return *reinterpret_cast<File*>(file); }

    static int Close(sqlite3_file* file)
    {
        File& self = Of(file);
        int rc = self.real->pMethods ? self.real->pMethods->xClose(self.real) : SQLITE_OK;
        delete self.path;
        self.path = nullptr;
        return rc;
    }
    static int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
    {
        Of(file).owner->m_bytesRead += amount;
        return Of(file).real->pMethods->xRead(Of(file).real, buffer, amount, offset);
    }
    static int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
    {
        File& self = Of(file);
        if (self.path && !self.owner->MayGrow(*self.path, offset + amount))
            return SQLITE_FULL;
        return self.real->pMethods->xWrite(self.real, buffer, amount, offset);
    }
    static int Truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        return Of(file).real->pMethods->xTruncate(Of(file).real, size);
    }
    static int Sync(sqlite3_file* file, int flags) { return Of(file).real->pMethods->xSync(Of(file).real, flags); }
    static int FileSize(sqlite3_file* file, sqlite3_int64* size)
    {
        return Of(file).real->pMethods->xFileSize(Of(file).real, size);
    }
    static int Lock(sqlite3_file* file, int level) { return Of(file).real->pMethods->xLock(Of(file).real, level); }
    static int Unlock(sqlite3_file* file, int level) { return Of(file).real->pMethods->xUnlock(Of(file).real, level); }
    static int CheckReservedLock(sqlite3_file* file, int* out)
    {
        return Of(file).real->pMethods->xCheckReservedLock(Of(file).real, out);
    }
    static int FileControl(sqlite3_file* file, int op, void* arg)
    {
        // Growing the file in chunks ahead of its writes would pass by the
        // budget.
        if (op == SQLITE_FCNTL_SIZE_HINT || op == SQLITE_FCNTL_CHUNK_SIZE)
            return SQLITE_NOTFOUND;
        return Of(file).real->pMethods->xFileControl(Of(file).real, op, arg);
    }
    static int SectorSize(sqlite3_file* file) { return Of(file).real->pMethods->xSectorSize(Of(file).real); }
    static int DeviceCharacteristics(sqlite3_file* file)
    {
        return Of(file).real->pMethods->xDeviceCharacteristics(Of(file).real);
    }
    static int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out)
    {
        return Of(file).real->pMethods->xShmMap(Of(file).real, region, size, extend, out);
    }
    static int ShmLock(sqlite3_file* file, int offset, int count, int flags)
    {
        return Of(file).real->pMethods->xShmLock(Of(file).real, offset, count, flags);
    }
    static void ShmBarrier(sqlite3_file* file) { Of(file).real->pMethods->xShmBarrier(Of(file).real); }
    static int ShmUnmap(sqlite3_file* file, int deleteFlag)
    {
        return Of(file).real->pMethods->xShmUnmap(Of(file).real, deleteFlag);
    }
    // No memory-mapped reads: every byte goes through Read.
    static int Fetch(sqlite3_file*, sqlite3_int64, int, void** out)
    {
        *out = nullptr;
        return SQLITE_OK;
    }
    static int Unfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }
};

namespace {

const sqlite3_io_methods kMethods = {
    3,
    DiskBudgetVfs::File::Close,
    DiskBudgetVfs::File::Read,
    DiskBudgetVfs::File::Write,
    DiskBudgetVfs::File::Truncate,
    DiskBudgetVfs::File::Sync,
    DiskBudgetVfs::File::FileSize,
    DiskBudgetVfs::File::Lock,
    DiskBudgetVfs::File::Unlock,
    DiskBudgetVfs::File::CheckReservedLock,
    DiskBudgetVfs::File::FileControl,
    DiskBudgetVfs::File::SectorSize,
    DiskBudgetVfs::File::DeviceCharacteristics,
    DiskBudgetVfs::File::ShmMap,
    DiskBudgetVfs::File::ShmLock,
    DiskBudgetVfs::File::ShmBarrier,
    DiskBudgetVfs::File::ShmUnmap,
    DiskBudgetVfs::File::Fetch,
    DiskBudgetVfs::File::Unfetch,
};

// The default layer's file lies after ours, aligned.
constexpr int kRealOffset = (sizeof(DiskBudgetVfs::File) + 15) / 16 * 16;

}  // namespace

DiskBudgetVfs::DiskBudgetVfs(const char* name) : m_name(name)
{
    m_base = sqlite3_vfs_find(nullptr);
    m_vfs.iVersion = 2;
    m_vfs.szOsFile = kRealOffset + m_base->szOsFile;
    m_vfs.mxPathname = m_base->mxPathname;
    m_vfs.zName = m_name.c_str();
    m_vfs.pAppData = this;
    m_vfs.xOpen = Open;
    m_vfs.xDelete = Delete;
    m_vfs.xAccess = Access;
    m_vfs.xFullPathname = FullPathname;
    m_vfs.xRandomness = Randomness;
    m_vfs.xSleep = Sleep;
    m_vfs.xCurrentTime = CurrentTime;
    m_vfs.xGetLastError = GetLastError;
    m_vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&m_vfs, 0);
}

DiskBudgetVfs::~DiskBudgetVfs()
{
    sqlite3_vfs_unregister(&m_vfs);
}

void DiskBudgetVfs::SetBudget(int64_t bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_budget = bytes;
}

namespace {

int64_t SizeOnDisk(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int64_t>(status.st_size) : 0;
}

}  // namespace

int64_t DiskBudgetVfs::Used()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return UsedLocked();
}

int64_t DiskBudgetVfs::UsedLocked() const
{
    int64_t used = 0;
    for (const std::string& path : m_paths)
        used += SizeOnDisk(path);
    return used;
}

bool DiskBudgetVfs::MayGrow(const std::string& path, int64_t end)
{
    std::lock_guard<std::mutex> lock(m_lock);
    int64_t size = SizeOnDisk(path);
    return end <= size || m_budget < 0 || UsedLocked() + (end - size) <= m_budget;
}

int DiskBudgetVfs::Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    DiskBudgetVfs& self = Of(vfs);
    File& wrapper = File::Of(file);
    wrapper.base.pMethods = nullptr;
    wrapper.owner = &self;
    wrapper.path = nullptr;
    wrapper.real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + kRealOffset);
    std::memset(wrapper.real, 0, static_cast<size_t>(self.m_base->szOsFile));
    int rc = self.m_base->xOpen(self.m_base, name, wrapper.real, flags, outFlags);
    if (rc != SQLITE_OK || !wrapper.real->pMethods) {
        if (wrapper.real->pMethods)
            wrapper.real->pMethods->xClose(wrapper.real);
        return rc;
    }
    if (name) {
        wrapper.path = new std::string(name);
        std::lock_guard<std::mutex> lock(self.m_lock);
        self.m_paths.insert(name);
    }
    wrapper.base.pMethods = &kMethods;
    return SQLITE_OK;
}

int DiskBudgetVfs::Delete(sqlite3_vfs* vfs, const char* name, int syncDir)
{
    return Of(vfs).m_base->xDelete(Of(vfs).m_base, name, syncDir);
}

int DiskBudgetVfs::Access(sqlite3_vfs* vfs, const char* name, int flags, int* result)
{
    return Of(vfs).m_base->xAccess(Of(vfs).m_base, name, flags, result);
}

int DiskBudgetVfs::FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
{
    return Of(vfs).m_base->xFullPathname(Of(vfs).m_base, name, size, out);
}

int DiskBudgetVfs::Randomness(sqlite3_vfs* vfs, int size, char* out)
{
    return Of(vfs).m_base->xRandomness(Of(vfs).m_base, size, out);
}

int DiskBudgetVfs::Sleep(sqlite3_vfs* vfs, int microseconds)
{
    return Of(vfs).m_base->xSleep(Of(vfs).m_base, microseconds);
}

int DiskBudgetVfs::CurrentTime(sqlite3_vfs* vfs, double* now)
{
    return Of(vfs).m_base->xCurrentTime(Of(vfs).m_base, now);
}

int DiskBudgetVfs::CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now)
{
    return Of(vfs).m_base->xCurrentTimeInt64(Of(vfs).m_base, now);
}

int DiskBudgetVfs::GetLastError(sqlite3_vfs* vfs, int size, char* out)
{
    return Of(vfs).m_base->xGetLastError(Of(vfs).m_base, size, out);
}
