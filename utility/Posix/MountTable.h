#pragma once
// The mount table of this process (/proc/self/mountinfo): which volume a
// path lies on, and what kind of drive that volume is.

#include <string>
#include <vector>

struct MountEntry {
    std::string mountPoint;
    std::string fileSystem;  // "ext4", "vfat", "nfs4", ...
    std::string source;      // "/dev/sda1", "server:/share", "tmpfs", ...
};

// The entries in mount order; empty when the table cannot be read.
std::vector<MountEntry> ReadMountTable();

// The nearest existing folder (or file) of an absolute path, with its
// links resolved; "" when there is none.
std::string ResolveExistingPart(const std::string& path);

// The entry of the volume that holds the path (an absolute path; a path
// that does not exist is taken by its nearest existing folder). False when
// there is none.
bool FindMountOfPath(const std::string& path, MountEntry& mount);

// The drive type (DRIVE_* of Volumes.h) of a mounted volume: remote for
// network file systems, CD-ROM for optical media, RAM disk for tmpfs and
// ramfs, unknown for the kernel's own file systems, removable for a
// removable or USB block device, fixed for any other.
int DriveTypeOfMount(const MountEntry& mount);
