// Drive letters on the host: which host directory each letter A to Z stands
// for, and what kind of drive it is.
//
// The map comes from, first match wins: the environment variable
// VORLANE_DRIVES ("C=/home/ann;D=/mnt/usb"); else section "Drive Map" of the
// settings file (key = letter, value = host directory); else the default:
// C: is the home directory, Z: is "/", and every mounted removable, optical
// or network file system gets the next free letter from D: (pseudo file
// systems are skipped).
//
// A host directory is stored without a trailing slash (except "/"); an
// entry whose directory is not absolute is skipped. An environment variable
// that is set but empty counts as unset; a "Drive Map" section without one
// valid entry counts as missing.
//
// The mount table is read through MountTable so tests can hand in a fake
// one; the removable flag of block devices is read below a sysfs root that
// tests can replace too. DriveMap::Current() is the front end's map, an
// immutable snapshot that start-up (and tests) replace with SetCurrent();
// until then it is built on first use from the environment and the system
// mount table. Current() and SetCurrent() may be called from any thread; a
// DriveMap itself is a value, safe to read from any thread once made.
#pragma once

#include "platform/SysError.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlane::platform {

class ProfileFile;

struct MountEntry {
    std::string device;     // "/dev/sda1", "server:/export", "tmpfs"
    std::string mountPoint; // host directory, unescaped
    std::string fsType;     // "ext4", "tmpfs", "nfs4", "iso9660", ...
    std::string options;    // comma-separated mount and super options
};

class MountTable {
  public:
    virtual ~MountTable() = default;
    virtual std::vector<MountEntry> Read() const = 0;
};

// Reads /proc/self/mountinfo (falls back to /proc/mounts). Octal escapes
// in paths ("\040" for a blank) are decoded; the super options of a mount
// follow its mount options in MountEntry::options. Later entries mount over
// earlier ones at the same mount point.
class SystemMountTable : public MountTable {
  public:
    // A test may name another file in either format.
    explicit SystemMountTable(std::string path = "/proc/self/mountinfo")
        : m_path(std::move(path)) {}
    std::vector<MountEntry> Read() const override;

    // The two formats: mountinfo ("36 35 98:0 / /mnt rw - ext4 /dev/sda1 rw")
    // and mounts ("/dev/sda1 /mnt ext4 rw 0 0"). Malformed lines are skipped.
    static std::vector<MountEntry> ParseMountInfo(const std::string& text);
    static std::vector<MountEntry> ParseMounts(const std::string& text);

  private:
    std::string m_path;
};

// A fixed list, for tests.
class FixedMountTable : public MountTable {
  public:
    explicit FixedMountTable(std::vector<MountEntry> entries) : m_entries(std::move(entries)) {}
    std::vector<MountEntry> Read() const override { return m_entries; }

  private:
    std::vector<MountEntry> m_entries;
};

class DriveMap {
  public:
    // Builds the map from the environment, else from settings (may be null),
    // else from the mount table's defaults (home directory from $HOME).
    static DriveMap Build(const ProfileFile* settings, const MountTable& mounts,
                          const std::string& sysRoot = "/sys");
    // The default map alone: C: home, Z: "/", then D: onwards for every
    // removable, optical or network mount in mount table order.
    static DriveMap Defaults(const std::string& home, const MountTable& mounts,
                             const std::string& sysRoot = "/sys");
    // Parses "C=/home/ann;D=/mnt/usb"; malformed entries are skipped.
    static DriveMap FromSpec(const std::string& spec);

    // Host directory of a letter (either case), "" when the letter is not mapped.
    const std::string& Root(char letter) const;
    // Maps a letter (either case) to a host directory; a letter outside A to
    // Z or a directory that is not absolute is ignored (returns false).
    bool Set(char letter, std::string hostDir);
    void Clear(char letter);
    // The mapped letters, upper case, in order.
    std::vector<char> Letters() const;

    // The front end's map, as an immutable snapshot: SetCurrent() makes a
    // new one, and whoever holds the old one keeps it unchanged. Only the
    // front ends (and the application object that builds their contexts)
    // read it; core code takes the map from its operation context.
    static std::shared_ptr<const DriveMap> Current();
    static void SetCurrent(DriveMap map);

  private:
    std::array<std::string, 26> m_roots;
};

// Drive type codes as the program shows them.
enum DriveTypeCode : int {
    kDriveNone = 0,
    kDriveFloppy = 1,
    kDriveFixed = 2,
    kDriveRam = 4,
    kDriveNetwork = 8,
    kDriveCdrom = 0x10,
    kDriveSubstitute = 0x20,
    kDriveRemovable = 0x40,
    kDriveRemote = 0x80,
    kDriveCompressed = 0x100,
};

// What the host reports for one drive. type is the platform drive type
// (fixed, removable, network, CD-ROM, RAM disk, or 0); a compressing file
// system is reported through the flag, and the caller decides whether to show
// it as kDriveCompressed.
struct DriveInfo {
    int type = kDriveNone;   // 0 when unmapped or the host directory is missing
    bool compressed = false; // the file system compresses (btrfs compress option)
    std::string label;       // file system label of the mount's device, "" when none
    std::string mountPoint;  // the mount that holds the drive's root
    std::string fsType;
    std::string device; // the mount's source ("/dev/sda1", "server:/export", "tmpfs")
};

// Describes one drive of the map. The mount holding the drive is the one
// whose mount point is the longest prefix (whole components) of the real
// path of the drive's root. labelDir is where the labels are looked up
// ("/dev/disk/by-label" unless a test names another): the label is the name
// of the link there that resolves to the mount's device, with udev's
// "\x20" escapes decoded. sysRoot is where /sys is.
DriveInfo QueryDrive(char letter, const DriveMap& map, const MountTable& mounts,
                     const std::string& labelDir = "/dev/disk/by-label",
                     const std::string& sysRoot = "/sys");
// The type code of a mount, as QueryDrive gives it (never 0).
int MountDriveType(const MountEntry& mount, const std::string& sysRoot = "/sys");
// True for proc, sysfs, cgroup and the other file systems without files of
// the user's.
bool IsPseudoFileSystem(const std::string& fsType);
// The same against DriveMap::Current() and the system mount table.
DriveInfo QueryDrive(char letter);

// Free and total bytes of the file system holding the drive's root (free =
// the bytes an unprivileged user may still write).
bool DiskSpace(char letter, uint64_t* freeBytes, uint64_t* totalBytes, SysError* err = nullptr);
bool DiskSpace(char letter, const DriveMap& map, uint64_t* freeBytes, uint64_t* totalBytes,
               SysError* err = nullptr);

} // namespace vorlane::platform
