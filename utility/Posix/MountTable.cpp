#include "utility/Posix/MountTable.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "utility/Posix/Volumes.h"

namespace {

const std::set<std::string> kNetworkFileSystems = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs", "fuse.sshfs", "davfs",
    "fuse.davfs2", "fuse.rclone"};
const std::set<std::string> kOpticalFileSystems = {"iso9660", "udf"};
const std::set<std::string> kMemoryFileSystems = {"tmpfs", "ramfs"};
const std::set<std::string> kKernelFileSystems = {
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "debugfs", "tracefs", "pstore",
    "bpf", "mqueue", "hugetlbfs", "configfs", "fusectl", "binfmt_misc", "autofs", "efivarfs", "rpc_pipefs",
    "nsfs"};

// Undoes the octal escapes (\040 for a blank) of a mountinfo field.
std::string Unescape(const std::string& field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isdigit((unsigned char)field[i + 1])) {
            text += (char)strtol(field.substr(i + 1, 3).c_str(), nullptr, 8);
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// Whether folder is path or one of its parents.
bool IsFolderOf(const std::string& folder, const std::string& path) {
    if (folder == "/") return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string ReadFirstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// Whether the block device may leave the machine: its disk is marked
// removable or hangs on a USB bus.
bool IsRemovableDevice(const std::string& device) {
    struct stat st;
    if (stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return false;
    std::string node = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
    char resolved[PATH_MAX];
    if (realpath(node.c_str(), resolved) && strstr(resolved, "/usb")) return true;
    // A partition's own folder has no flag; its disk's folder has.
    return ReadFirstLine(node + "/removable") == "1" || ReadFirstLine(node + "/../removable") == "1";
}

} // namespace

std::vector<MountEntry> ReadMountTable() {
    std::vector<MountEntry> table;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, options, field;
        if (!(fields >> id >> parent >> device >> root >> mountPoint >> options)) continue;
        while (fields >> field && field != "-") {
        }
        MountEntry entry;
        if (!(fields >> entry.fileSystem >> entry.source)) continue;
        entry.mountPoint = Unescape(mountPoint);
        entry.source = Unescape(entry.source);
        table.push_back(entry);
    }
    return table;
}

std::string ResolveExistingPart(const std::string& path) {
    if (path.empty() || path[0] != '/') return std::string();
    std::string existing = path;
    char resolved[PATH_MAX];
    while (!realpath(existing.c_str(), resolved)) {
        if (existing == "/") return std::string();
        size_t slash = existing.rfind('/');
        existing = slash == 0 ? "/" : existing.substr(0, slash);
    }
    return resolved;
}

bool FindMountOfPath(const std::string& path, MountEntry& mount) {
    std::string target = ResolveExistingPart(path);
    if (target.empty()) return false;
    bool found = false;
    size_t best = 0;
    // A later mount on the same folder hides the earlier one.
    for (const MountEntry& entry : ReadMountTable()) {
        if (!IsFolderOf(entry.mountPoint, target) || entry.mountPoint.size() < best) continue;
        best = entry.mountPoint.size();
        mount = entry;
        found = true;
    }
    return found;
}

int DriveTypeOfMount(const MountEntry& mount) {
    if (kNetworkFileSystems.count(mount.fileSystem)) return DRIVE_REMOTE;
    if (kOpticalFileSystems.count(mount.fileSystem) || mount.source.compare(0, 7, "/dev/sr") == 0)
        return DRIVE_CDROM;
    if (kMemoryFileSystems.count(mount.fileSystem)) return DRIVE_RAMDISK;
    if (kKernelFileSystems.count(mount.fileSystem)) return DRIVE_UNKNOWN;
    if (mount.source.compare(0, 5, "/dev/") == 0 && IsRemovableDevice(mount.source)) return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}
