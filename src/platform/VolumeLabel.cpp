#include "platform/VolumeLabel.h"

#include "platform/Launcher.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace vorlane::platform {

namespace {

std::string Resolved(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : std::string();
}

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// UTF-16 code units of a UTF-8 text: a four-byte sequence is a surrogate
// pair, continuation bytes count nothing.
size_t Utf16Units(const std::string& text) {
    size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) == 0x80)
            continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string DriveName(char letter) {
    return std::string(1, letter) + ":";
}

} // namespace

const LabelRules* LabelRulesFor(const std::string& fsType) {
    static const LabelRules kExt{"e2label", 16, 0, false, "bytes"};
    static const LabelRules kFat{"fatlabel", 11, 0, true, "characters"};
    static const LabelRules kExfat{"exfatlabel", 0, 15, false, "characters"};
    static const LabelRules kNtfs{"ntfslabel", 0, 128, false, "characters"};
    static const LabelRules kBtrfs{"btrfs", 255, 0, false, "bytes"};
    static const LabelRules kXfs{"xfs_admin", 12, 0, false, "bytes"};
    if (fsType == "ext2" || fsType == "ext3" || fsType == "ext4")
        return &kExt;
    if (fsType == "vfat" || fsType == "msdos" || fsType == "fat")
        return &kFat;
    if (fsType == "exfat")
        return &kExfat;
    if (fsType == "ntfs" || fsType == "ntfs3")
        return &kNtfs;
    if (fsType == "btrfs")
        return &kBtrfs;
    if (fsType == "xfs")
        return &kXfs;
    return nullptr;
}

bool IsFileSystemRoot(const std::string& hostDir, const MountTable& mounts) {
    const std::string real = Resolved(hostDir);
    if (real.empty())
        return false;
    if (real == "/")
        return true;
    struct stat self;
    struct stat parent;
    if (::stat(real.c_str(), &self) == 0 && ::stat(Parent(real).c_str(), &parent) == 0 &&
        self.st_dev != parent.st_dev)
        return true;
    for (const MountEntry& mount : mounts.Read())
        if (mount.mountPoint == real || Resolved(mount.mountPoint) == real)
            return true;
    return false;
}

bool ReadVolume(char letter, const DriveMap& map, const MountTable& mounts, VolumeDetails* volume,
                SysError* err, const std::string& labelDir) {
    *volume = VolumeDetails();
    volume->letter = static_cast<char>(letter & ~0x20);
    const std::string& root = map.Root(letter);
    if (root.empty())
        return SetDosError(err, kDosInvalidDrive,
                           "Drive " + DriveName(volume->letter) + " is not mapped to a directory.");
    volume->root = Resolved(root);
    if (volume->root.empty())
        return SetError(err, errno, "Cannot reach drive " + DriveName(volume->letter), root);
    const DriveInfo info = QueryDrive(letter, map, mounts, labelDir);
    volume->label = info.label;
    volume->fsType = info.fsType;
    volume->device = info.device;
    volume->mountPoint = info.mountPoint;
    volume->isFileSystemRoot = IsFileSystemRoot(volume->root, mounts);
    return err ? err->Clear() : true;
}

std::string LabelRefusal(const VolumeDetails& volume, const std::string& label) {
    const std::string drive = "Drive " + DriveName(volume.letter);
    if (!volume.isFileSystemRoot)
        return drive + " is a directory inside the file system mounted at '" + volume.mountPoint +
               "', not the root of a file system: only a whole file system has a volume label.";
    const LabelRules* rules = LabelRulesFor(volume.fsType);
    if (rules == nullptr)
        return "The label of " + std::string(volume.fsType.empty() ? "this" : volume.fsType) +
               " file system on drive " + DriveName(volume.letter) + " cannot be changed.";
    if (volume.fsType != "btrfs" && (volume.device.empty() || volume.device[0] != '/'))
        return drive + " has no device whose label could be changed ('" + volume.device + "').";
    const std::string limit = "A label of a " + volume.fsType + " file system holds at most ";
    if (rules->maxBytes && label.size() > rules->maxBytes)
        return "The label is too long. " + limit + std::to_string(rules->maxBytes) + " " +
               rules->limitIn + ".";
    if (rules->maxUnits && Utf16Units(label) > rules->maxUnits)
        return "The label is too long. " + limit + std::to_string(rules->maxUnits) + " " +
               rules->limitIn + ".";
    for (unsigned char c : label) {
        if (c < 0x20 || c == 0x7F)
            return "A volume label cannot hold control characters.";
        if (rules->asciiOnly && c >= 0x80)
            return "A label of a " + volume.fsType +
                   " file system can hold only ASCII letters, digits and signs.";
    }
    return "";
}

std::vector<std::string> LabelCommand(const VolumeDetails& volume, const std::string& label) {
    const LabelRules* rules = LabelRulesFor(volume.fsType);
    if (rules == nullptr)
        return {};
    const std::string tool = rules->tool;
    if (tool == "e2label")
        return {tool, volume.device, label};
    if (tool == "fatlabel")
        return label.empty() ? std::vector<std::string>{tool, "-r", "--", volume.device}
                             : std::vector<std::string>{tool, "--", volume.device, label};
    if (tool == "btrfs")
        return {tool, "filesystem", "label", "--", volume.mountPoint, label};
    if (tool == "xfs_admin")
        return {tool, "-L", label.empty() ? "--" : label, volume.device};
    return {tool, "--", volume.device, label};
}

std::string LabelToolSearchPath() {
    if (const char* tools = std::getenv("VORLANE_LABEL_TOOLS"); tools && *tools)
        return tools;
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    return dirs + ":/usr/local/sbin:/usr/sbin:/sbin";
}

bool SetVolumeLabel(const VolumeDetails& volume, const std::string& label, SysError* err) {
    if (std::string refusal = LabelRefusal(volume, label); !refusal.empty())
        return SetDosError(err, kDosNotSupported, refusal);
    std::vector<std::string> command = LabelCommand(volume, label);
    const std::string searchPath = LabelToolSearchPath();
    const std::string tool = FindProgramPath(command[0], "", searchPath);
    if (tool.empty())
        return SetDosError(err, kDosFileNotFound,
                           "The program '" + command[0] + "' that changes the labels of " +
                               volume.fsType + " file systems is not installed.");
    ProgramRun run;
    SysError started;
    if (!RunProgram(tool, {command.begin() + 1, command.end()}, &run, searchPath, &started))
        return SetDosError(err, kDosGenFailure,
                           "'" + command[0] + "' could not be started: " + started.message);
    if (run.exitCode != 0) {
        std::string said = run.output;
        while (!said.empty() && (said.back() == '\n' || said.back() == ' '))
            said.pop_back();
        if (said.empty())
            said = run.exitCode < 0 ? "it was stopped by a signal"
                                    : "it ended with status " + std::to_string(run.exitCode);
        return SetDosError(err, kDosGenFailure,
                           "'" + command[0] + "' could not change the label of drive " +
                               DriveName(volume.letter) + ":\n" + said);
    }
    return err ? err->Clear() : true;
}

} // namespace vorlane::platform
