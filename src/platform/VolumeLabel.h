// Volume labels of drives: what a drive's file system is called, and
// changing that name with the file system's own tool.
//
// A label belongs to a file system, so only a drive whose root is the root
// of its file system (a mount point: its device differs from its parent's,
// or the mount table lists it) has one to change; a drive mapped onto a
// directory inside another file system is refused. The label is set by
// running the file system's tool with its arguments as words (never a
// shell), and waiting for it:
//
//   ext2/3/4  e2label DEVICE LABEL
//   vfat      fatlabel -- DEVICE LABEL        (fatlabel -r DEVICE clears it)
//   exfat     exfatlabel -- DEVICE LABEL
//   ntfs      ntfslabel -- DEVICE LABEL
//   btrfs     btrfs filesystem label -- MOUNTPOINT LABEL
//   xfs       xfs_admin -L LABEL DEVICE       ("--" clears it)
//
// "--" ends the options of the tools that read them with getopt, so a label
// beginning with "-" stays a label; e2label takes no options and xfs_admin's
// -L takes the next word whatever it is.
//
// The tools are looked up in the directories of $VORLANE_LABEL_TOOLS when
// it is set (the tests' seam: a recording script stands in for the tool),
// else in $PATH and then /usr/sbin and /sbin, where they usually live.
//
// Safe to call from any thread; SetVolumeLabel waits for the tool.
#pragma once

#include "platform/Drives.h"
#include "platform/SysError.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vorlane::platform {

// What a drive's root lies on.
struct VolumeDetails {
    char letter = 0;
    std::string root;       // the drive's host directory, resolved
    std::string label;      // "" when none
    std::string fsType;     // "ext4", "vfat", ...; "" when no mount holds it
    std::string device;     // the mount's source
    std::string mountPoint; // the mount holding the root
    bool isFileSystemRoot = false;
};

// How a file system's labels are set and how long they may be.
struct LabelRules {
    const char* tool;    // the program that sets them
    size_t maxBytes;     // UTF-8 bytes, 0: no byte limit
    size_t maxUnits;     // UTF-16 units (exFAT, NTFS), 0: no such limit
    bool asciiOnly;      // FAT labels are in the DOS code page: ASCII is safe
    const char* limitIn; // "bytes" or "characters", for the refusal text
};

// The rules of a file system type; null for one whose label cannot be set
// here (tmpfs, network and pseudo file systems, ISO 9660, ...).
const LabelRules* LabelRulesFor(const std::string& fsType);

// Whether hostDir is the root of a file system: "/", a directory whose
// device differs from its parent's, or a mount point of the table (a bind
// mount or a btrfs subvolume keeps its parent's device number).
bool IsFileSystemRoot(const std::string& hostDir, const MountTable& mounts);

// Describes the volume of a mapped drive. False when the letter is not
// mapped or its directory is missing (err says so).
bool ReadVolume(char letter, const DriveMap& map, const MountTable& mounts, VolumeDetails* volume,
                SysError* err = nullptr, const std::string& labelDir = "/dev/disk/by-label");

// Why label cannot become the volume's label ("" when it can): not the
// root of a file system, a file system whose label cannot be set, no
// device, too long, or characters the file system does not take.
std::string LabelRefusal(const VolumeDetails& volume, const std::string& label);

// The tool's words for setting label, argv[0] the tool's name (see the top
// of the file). Empty when the file system has no tool.
std::vector<std::string> LabelCommand(const VolumeDetails& volume, const std::string& label);

// Where the tools are looked up now (see the top of the file).
std::string LabelToolSearchPath();

// Sets the label by running the tool. Refusals (LabelRefusal, the tool
// missing, the tool failing with its own words) come back in err with a
// text for the user.
bool SetVolumeLabel(const VolumeDetails& volume, const std::string& label, SysError* err = nullptr);

} // namespace vorlane::platform
