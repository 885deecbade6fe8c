#include "utility/Posix/RegistryHive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "utility/AbstractLog.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/FileDescriptor.h"
#include "utility/Posix/Folders.h"
#include "utility/Posix/SystemError.h"
#include "utility/RegistryHiveText.h"
#include "utility/RegistryKey.h"
#include "utility/TextCodec.h"

namespace {

const wchar_t kSourceFile[] = L".\\Posix\\RegistryHive";
// Settings files stay far below this. A write that would pass it is
// refused, and a larger file (made by something else) is not read: a tree
// read from part of a file is never stored over the whole.
constexpr size_t kMaxHiveBytes = (size_t)64 << 20;

struct RootHive {
    HKEY root;
    const char* fileName;
};
const RootHive kRootHives[] = {
    {HKEY_CURRENT_USER, "HKCU.reg"},
    {HKEY_LOCAL_MACHINE, "HKLM.reg"},
    {HKEY_CLASSES_ROOT, "HKCR.reg"},
    {HKEY_USERS, "HKU.reg"},
};

// Makes the folder and its missing parents, each with mode 0700.
bool MakeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Reads the file up to limit bytes into out.
bool ReadUpTo(int fd, std::string& out, size_t limit) {
    char buffer[65536];
    while (out.size() < limit) {
        size_t want = std::min(sizeof(buffer), limit - out.size());
        size_t got = 0;
        if (!ReadFully(fd, buffer, want, &got)) return false;
        out.append(buffer, got);
        if (got < want) break;
    }
    return true;
}

// Replaces the file at path with bytes through a temporary file in the same
// folder, flushed before the rename, mode 0600. The new file stays open in
// *keptFd when that is given. Sets the last error on failure.
bool ReplaceFile(const std::string& path, const std::string& bytes, int* keptFd) {
    std::string pattern = path + ".XXXXXX";
    int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    bool ok = fchmod(fd, 0600) == 0 && WriteFully(fd, bytes.data(), bytes.size(), nullptr) && fsync(fd) == 0 &&
              rename(pattern.c_str(), path.c_str()) == 0;
    if (!ok) {
        SetLastErrorFromErrno(errno);
        unlink(pattern.c_str());
        close(fd);
        return false;
    }
    if (keptFd) *keptFd = fd;
    else close(fd);
    return true;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// flock on the lock file beside a hive, for the life of the object.
class CHiveLock {
public:
    CHiveLock(const std::string& lockPath) {
        m_fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0 && errno == ENOENT && MakeFolders(FolderOf(lockPath)))
            m_fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            SetLastErrorFromErrno(errno);
            return;
        }
        int result;
        while ((result = flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (result != 0) {
            SetLastErrorFromErrno(errno);
            close(m_fd);
            m_fd = -1;
        }
    }
    ~CHiveLock() {
        if (m_fd < 0) return;
        flock(m_fd, LOCK_UN);
        close(m_fd);
    }
    CHiveLock(const CHiveLock&) = delete;
    CHiveLock& operator=(const CHiveLock&) = delete;

    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace

CRegistryHive::CRegistryHive(std::string path) : m_path(std::move(path)), m_lockPath(m_path + ".lock") {}

CRegistryHive::~CRegistryHive() { Forget(); }

std::string CRegistryHive::GetRegistryFolder() {
    const char* folder = std::getenv("KVX_REGISTRY_DIR");
    if (folder && *folder) return folder;
    std::string config = GetXdgFolder("XDG_CONFIG_HOME", ".config");
    return config.empty() ? std::string() : config + "/Morvane/registry";
}

bool CRegistryHive::MakeFolder() const { return MakeFolders(FolderOf(m_path)); }

CRegistryHive* CRegistryHive::ForRoot(HKEY root) {
    const char* fileName = nullptr;
    for (const RootHive& r : kRootHives)
        if (r.root == root) fileName = r.fileName;
    std::string folder = GetRegistryFolder();
    if (!fileName || folder.empty()) return nullptr;
    std::string path = folder + "/" + fileName;

    // Never freed: programs may still use the registry while static objects
    // are being destroyed.
    static std::mutex* mutex = new std::mutex;
    static auto* hives = new std::map<std::string, std::unique_ptr<CRegistryHive>>;
    std::lock_guard<std::mutex> lock(*mutex);
    std::unique_ptr<CRegistryHive>& hive = (*hives)[path];
    if (!hive) hive = std::make_unique<CRegistryHive>(path);
    return hive.get();
}

bool CRegistryHive::Read(const std::function<void(const CRegistryKey& top)>& look) {
    std::lock_guard<std::mutex> guard(m_mutex);
    CHiveLock lock(m_lockPath);
    if (lock.Held()) RemoveStaleCopies();
    if (!Refresh()) return false;
    look(*m_top);
    return true;
}

bool CRegistryHive::ReadIfCurrent(const std::function<bool(const CRegistryKey& top)>& look) {
    std::lock_guard<std::mutex> guard(m_mutex);
    // Stale copies are removed under the lock before the first use.
    if (!m_top || !m_staleCopiesRemoved) return false;
    struct stat st;
    if (stat(m_path.c_str(), &st) != 0 || !IsCurrent(st)) return false;
    return look(*m_top);
}

bool CRegistryHive::Modify(const std::function<bool(CRegistryKey& top)>& change) {
    std::lock_guard<std::mutex> guard(m_mutex);
    CHiveLock lock(m_lockPath);
    if (lock.Held()) RemoveStaleCopies();
    if (!Refresh()) return false;
    if (!change(*m_top)) return true;
    if (!lock.Held()) {
        Forget();
        return false;
    }
    return Store();
}

// Every write goes through "<hive>.XXXXXX" (and "<hive>.damaged.XXXXXX")
// under the hive's lock, so while this object holds the lock any such file
// is one that a killed writer left: it holds a whole copy of the settings,
// password blobs included, and is removed. Done once per object.
void CRegistryHive::RemoveStaleCopies() {
    if (m_staleCopiesRemoved) return;
    m_staleCopiesRemoved = true;
    std::string folder = FolderOf(m_path);
    std::string base = m_path.substr(m_path.rfind('/') + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    auto isTempOf = [](const std::string& name, const std::string& prefix) {
        return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
               std::all_of(name.begin() + (long)prefix.size(), name.end(),
                           [](char c) { return isalnum((unsigned char)c) != 0; });
    };
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (isTempOf(name, base + ".") || isTempOf(name, base + ".damaged."))
            unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
}

// Makes m_top match the file, reading it again when it changed.
bool CRegistryHive::Refresh() {
    struct stat st;
    if (stat(m_path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            SetLastErrorFromErrno(errno);
            Forget();
            return false;
        }
        if (!m_top || m_identity.exists) {
            Forget();
            m_top = std::make_unique<CRegistryKey>();
        }
        return true;
    }
    if (IsCurrent(st)) return true;

    int fd = open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        Forget();
        return false;
    }
    if (!Load(fd)) {
        SetLastErrorFromErrno(errno);
        close(fd);
        Forget();
        return false;
    }
    Pin(fd);
    return true;
}

// Whether the keys in memory are those of the file with status st.
bool CRegistryHive::IsCurrent(const struct stat& st) const {
    const FileIdentity& id = m_identity;
    return m_top && id.exists && id.device == st.st_dev && id.inode == st.st_ino && id.size == st.st_size &&
           SameTime(id.modified, st.st_mtim) && SameTime(id.changed, st.st_ctim);
}

bool CRegistryHive::Load(int fd) {
    std::string bytes;
    if (!ReadUpTo(fd, bytes, kMaxHiveBytes + 1)) return false;
    if (bytes.size() > kMaxHiveBytes) {
        errno = EFBIG;
        return false;
    }
    auto top = std::make_unique<CRegistryKey>();
    RegistryHiveDamage damage = ParseRegistryHive(bytes.data(), bytes.size(), *top);
    if (damage.badLines > 0) ReportDamage(bytes, damage.badLines, damage.firstBadLine);
    m_top = std::move(top);
    return true;
}

bool CRegistryHive::Store() {
    int fd = -1;
    std::string text = FormatRegistryHive(*m_top);
    if (text.size() > kMaxHiveBytes) {
        // The change stays unwritten; the next call reads the file again.
        SetLastError(ERROR_FILE_TOO_LARGE);
        Forget();
        return false;
    }
    if (!ReplaceFile(m_path, text, &fd)) {
        Forget();
        return false;
    }
    Pin(fd);
    return true;
}

// Keeps fd open as the file m_top stands for and takes its identity.
void CRegistryHive::Pin(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        Forget();
        return;
    }
    if (m_pinnedFd >= 0) close(m_pinnedFd);
    m_pinnedFd = fd;
    m_identity = FileIdentity{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

void CRegistryHive::Forget() {
    if (m_pinnedFd >= 0) close(m_pinnedFd);
    m_pinnedFd = -1;
    m_top.reset();
    m_identity = FileIdentity();
}

void CRegistryHive::ReportDamage(const std::string& bytes, int badLines, int firstBadLine) {
    std::string copy = m_path + ".damaged";
    bool kept = ReplaceFile(copy, bytes, nullptr);
    CAbstractLog* log = GetLibraryLog();
    if (!log) return;
    std::wstring path = Utf8ToWide(m_path);
    if (kept) {
        std::wstring copyPath = Utf8ToWide(copy);
        log->LogFormat(kSourceFile, __LINE__, 1,
                       L"The settings file %s is damaged: %d lines could not be read, the first is line %d. "
                       L"The readable settings are used; the file is kept as %s.",
                       path.c_str(), badLines, firstBadLine, copyPath.c_str());
    } else {
        log->LogFormat(kSourceFile, __LINE__, 1,
                       L"The settings file %s is damaged: %d lines could not be read, the first is line %d. "
                       L"The readable settings are used.",
                       path.c_str(), badLines, firstBadLine);
    }
}
