#pragma once
// One settings hive on disk: the file of a root key (HKCU.reg, HKLM.reg,
// ...) in the settings folder, shared by every program of the user.
//
// - Folder: $KVX_REGISTRY_DIR, else $XDG_CONFIG_HOME/Morvane/registry, else
//   ~/.config/Morvane/registry; made (mode 0700) when first needed.
// - Every access holds flock on the lock file beside the hive ("HKCU.reg.lock")
//   for its whole duration, so a read-change-write of one program never
//   interleaves with another's: nothing one program writes is lost by the
//   other. Threads of one process take turns on a mutex first.
// - The keys are kept in memory and read again only when the file changed
//   (another inode, size, or time stamps). The file last read stays open, so
//   its inode number cannot be reused by a later file. A read of keys that
//   exist only checks that identity (ReadIfCurrent), without the lock file.
// - Every write goes to a temporary file in the same folder, mode 0600 (the
//   hive holds password blobs), flushed to disk and renamed over the hive,
//   so a crash never leaves half a file.
// - A damaged file is reported through the library log, its sound part is
//   used, and a copy of it is kept as "<hive>.damaged" before it can be
//   overwritten.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include "compat/WinTypes.h"

class CRegistryKey;

class CRegistryHive {
public:
    // A hive kept in the file at path.
    explicit CRegistryHive(std::string path);
    ~CRegistryHive();
    CRegistryHive(const CRegistryHive&) = delete;
    CRegistryHive& operator=(const CRegistryHive&) = delete;

    // The process's shared hive of a predefined root key (HKEY_CURRENT_USER,
    // HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_USERS) in the current
    // settings folder; null for any other handle or without a folder.
    static CRegistryHive* ForRoot(HKEY root);
    static std::string GetRegistryFolder();

    const std::string& GetPath() const { return m_path; }
    // Makes the folder of the hive file with its missing parents (mode
    // 0700): false when a level cannot be made.
    bool MakeFolder() const;

    // Lets look see the hive's keys. False when the hive cannot be read
    // (look is then not called). Where the lock file cannot be made (a
    // folder without write access) the hive is read without the lock.
    bool Read(const std::function<void(const CRegistryKey& top)>& look);

    // Lets look see the keys in memory when they are those of the file as
    // it is now (its identity unchanged since they were read or written),
    // without the lock file: a writer replaces the file whole by a rename,
    // so the file named by the path is always a finished one. Returns what
    // look returns; false without calling it when the keys are not in
    // memory or the file changed, and the caller then takes Read or Modify.
    bool ReadIfCurrent(const std::function<bool(const CRegistryKey& top)>& look);

    // Lets change work on the hive's keys and stores them when it returns
    // true (it must return true whenever it changed anything). False when
    // the hive cannot be read, or when changes cannot be locked or stored
    // (they are then dropped).
    bool Modify(const std::function<bool(CRegistryKey& top)>& change);

private:
    struct FileIdentity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
    };

    bool Refresh();
    bool IsCurrent(const struct stat& st) const;
    void RemoveStaleCopies();
    bool Load(int fd);
    bool Store();
    void Forget();
    void Pin(int fd);
    void ReportDamage(const std::string& bytes, int badLines, int firstBadLine);

    std::mutex m_mutex;
    std::string m_path;
    std::string m_lockPath;
    std::unique_ptr<CRegistryKey> m_top;  // null until read
    FileIdentity m_identity;
    int m_pinnedFd = -1;
    bool m_staleCopiesRemoved = false;  // the file m_top was read from or written to
};
