#pragma once
// DiskBudgetVfs: a SQLite file layer over the default one that stands for a
// small file system. The files opened through it (the data file and its
// write-ahead log) may together hold at most a budget of bytes; a write
// that would grow them beyond it fails as on a full disk (SQLITE_FULL).
// Registered under its name (not as the default) while the object lives.

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

class DiskBudgetVfs {
public:
    explicit DiskBudgetVfs(const char* name);
    ~DiskBudgetVfs();
    DiskBudgetVfs(const DiskBudgetVfs&) = delete;
    DiskBudgetVfs& operator=(const DiskBudgetVfs&) = delete;

    const char* Name() const { return m_name.c_str(); }
    // The bytes the files may hold together; negative: no limit.
    void SetBudget(int64_t bytes);
    // The bytes the files opened through the layer hold now (their sizes on
    // the disk, whoever changed them).
    int64_t Used();
    // The bytes read through the layer so far.
    int64_t BytesRead() const { return m_bytesRead; }

    // One file opened through the layer (its methods are SQLite's callbacks).
    struct File;

private:
    static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags);
    static int Delete(sqlite3_vfs* vfs, const char* name, int syncDir);
    static int Access(sqlite3_vfs* vfs, const char* name, int flags, int* result);
    static int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out);
    static int Randomness(sqlite3_vfs* vfs, int size, char* out);
    static int Sleep(sqlite3_vfs* vfs, int microseconds);
    static int CurrentTime(sqlite3_vfs* vfs, double* now);
    static int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now);
    static int GetLastError(sqlite3_vfs* vfs, int size, char* out);
    static DiskBudgetVfs& Of(sqlite3_vfs* vfs) { return *static_cast<DiskBudgetVfs*>(vfs->pAppData); }

    // True when the file may grow to end bytes.
    bool MayGrow(const std::string& path, int64_t end);
    int64_t UsedLocked() const;

    std::string m_name;
    sqlite3_vfs m_vfs{};
    sqlite3_vfs* m_base = nullptr;
    std::mutex m_lock;
    int64_t m_budget = -1;
    std::set<std::string> m_paths;
    std::atomic<int64_t> m_bytesRead{0};
};
