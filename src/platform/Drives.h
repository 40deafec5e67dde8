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
// The mount table is read through MountTable so tests can hand in a fake
// one. DriveMap::Current() is the process-wide map every DOS path
// translation uses; start-up (and tests) set it with SetCurrent().
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

// Reads /proc/self/mountinfo (falls back to /proc/mounts).
class SystemMountTable : public MountTable {
  public:
    std::vector<MountEntry> Read() const override;
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
    // else from the mount table's defaults.
    static DriveMap Build(const ProfileFile* settings, const MountTable& mounts);
    // Parses "C=/home/ann;D=/mnt/usb"; malformed entries are skipped.
    static DriveMap FromSpec(const std::string& spec);

    // Host directory of a letter (either case), "" when the letter is not mapped.
    const std::string& Root(char letter) const;
    void Set(char letter, std::string hostDir);
    void Clear(char letter);
    // The mapped letters, upper case, in order.
    std::vector<char> Letters() const;

    static const DriveMap& Current();
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

struct DriveInfo {
    int type = kDriveNone;   // 0 when unmapped or the host directory is missing
    bool compressed = false; // the file system compresses (btrfs compress option)
    std::string label;       // file system label of the mount's device, "" when none
    std::string mountPoint;  // the mount that holds the drive's root
    std::string fsType;
};

// Describes one drive of the map. labelDir is where the labels are looked
// up ("/dev/disk/by-label" unless a test names another).
DriveInfo QueryDrive(char letter, const DriveMap& map, const MountTable& mounts,
                     const std::string& labelDir = "/dev/disk/by-label");
// The same against DriveMap::Current() and the system mount table.
DriveInfo QueryDrive(char letter);

// Free and total bytes of the file system holding the drive's root.
bool DiskSpace(char letter, uint64_t* freeBytes, uint64_t* totalBytes, SysError* err = nullptr);

} // namespace vorlane::platform
