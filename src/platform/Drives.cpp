#include "platform/Drives.h"

#include "platform/DirectoryListing.h"
#include "platform/Profile.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorlane::platform {

namespace {

int LetterIndex(char letter) {
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A';
    return -1;
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool ReadSmallFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    *text = out.str();
    return true;
}

std::optional<std::string> RealPath(const std::string& path) {
    // Freed even when copying it runs out of memory.
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (resolved == nullptr)
        return std::nullopt;
    return std::string(resolved.get());
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Decodes the octal escapes the kernel writes for blanks, tabs, line breaks
// and backslashes in mount table paths ("\040").
std::string UnescapeOctal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            bool octal = true;
            int value = 0;
            for (size_t k = 1; k <= 3; ++k) {
                if (text[i + k] < '0' || text[i + k] > '7') {
                    octal = false;
                    break;
                }
                value = value * 8 + (text[i + k] - '0');
            }
            if (octal && value > 0 && value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// Decodes udev's "\x20" escapes in the names of /dev/disk/by-label.
std::string UnescapeHex(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            int high = hex(text[i + 2]);
            int low = hex(text[i + 3]);
            if (high >= 0 && low >= 0 && (high | low) != 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

bool HasOption(const std::string& options, const std::string& name, std::string* value) {
    size_t start = 0;
    while (start <= options.size()) {
        size_t end = options.find(',', start);
        if (end == std::string::npos)
            end = options.size();
        std::string option = options.substr(start, end - start);
        size_t eq = option.find('=');
        if (option.substr(0, eq) == name) {
            if (value)
                *value = eq == std::string::npos ? "" : option.substr(eq + 1);
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Whether a btrfs mount compresses what it writes ("compress",
// "compress=zstd:3", "compress-force=lzo"; "compress=no" does not).
bool MountCompresses(const MountEntry& mount) {
    if (mount.fsType != "btrfs")
        return false;
    for (const char* name : {"compress", "compress-force"}) {
        std::string value;
        if (HasOption(mount.options, name, &value) && value != "no" && value != "none")
            return true;
    }
    return false;
}

// Whether a blank-separated list of names holds name.
bool ListHolds(const char* list, const std::string& name) {
    return !name.empty() && name.find(' ') == std::string::npos &&
           (std::string(" ") + list + " ").find(" " + name + " ") != std::string::npos;
}

bool IsNetworkFileSystem(const std::string& fsType) {
    return ListHolds("nfs nfs4 cifs smb3 smbfs ncpfs fuse.sshfs sshfs 9p afs ceph fuse.ceph "
                     "glusterfs fuse.glusterfs lustre coda davfs fuse.davfs2 fuse.rclone "
                     "fuse.s3fs fuse.smbnetfs ftpfs curlftpfs fuse.curlftpfs",
                     fsType);
}

bool IsUnder(const std::string& path, const std::string& dir) {
    if (dir == "/")
        return !path.empty() && path[0] == '/';
    return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
           path[dir.size()] == '/';
}

bool IsUnderOrAt(const std::string& path, const std::string& dir) {
    return path == dir || IsUnder(path, dir);
}

// Reads <sysRoot>/block/<disk>/removable for the disk holding the device
// (the device itself when it is a whole disk, else the disk whose directory
// holds the partition).
bool BlockDeviceRemovable(const std::string& device, const std::string& sysRoot) {
    if (device.empty() || device[0] != '/')
        return false;
    std::string path = RealPath(device).value_or(device);
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..")
        return false;
    const std::string blockDir = sysRoot + "/block";
    std::string text;
    if (ReadSmallFile(blockDir + "/" + name + "/removable", &text))
        return text.size() > 0 && text[0] == '1';
    // A partition: the disk whose directory holds it decides.
    bool removable = false;
    ListDirectory(blockDir, ListDetail::Names, [&](const ListedEntry& entry) {
        std::string disk(entry.name);
        struct stat st;
        if (::stat((blockDir + "/" + disk + "/" + name).c_str(), &st) != 0)
            return true;
        removable = ReadSmallFile(blockDir + "/" + disk + "/removable", &text) && text.size() > 0 &&
                    text[0] == '1';
        return false;
    });
    return removable;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

// The mount holding a real (resolved) path: the longest mount point that
// is a prefix on component boundaries; a later entry hides an earlier one
// at the same mount point.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        std::string point = StripTrailingSlashes(mount.mountPoint);
        if (point.empty() || !IsUnderOrAt(path, point))
            continue;
        if (best == nullptr || point.size() >= StripTrailingSlashes(best->mountPoint).size())
            best = &mount;
    }
    return best;
}

std::string FindLabel(const std::string& device, const std::string& labelDir) {
    if (device.empty())
        return "";
    std::string target = RealPath(device).value_or(device);
    std::string label;
    ListDirectory(labelDir, ListDetail::Names, [&](const ListedEntry& entry) {
        std::string name(entry.name);
        std::optional<std::string> resolved = RealPath(labelDir + "/" + name);
        if (!resolved || *resolved != target)
            return true;
        label = UnescapeHex(name);
        return false;
    });
    return label;
}

std::mutex g_currentMutex;
std::shared_ptr<const DriveMap> g_current;

} // namespace

// ---------------------------------------------------------------------------
// Mount tables

std::vector<MountEntry> SystemMountTable::ParseMountInfo(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields = SplitFields(line);
        // id parent major:minor root mountpoint options [optional...] - type source super
        size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-")
            ++dash;
        if (fields.size() < 6 || dash + 3 > fields.size())
            continue;
        MountEntry entry;
        entry.mountPoint = UnescapeOctal(fields[4]);
        entry.options = fields[5];
        entry.fsType = UnescapeOctal(fields[dash + 1]);
        entry.device = UnescapeOctal(fields[dash + 2]);
        if (dash + 3 < fields.size() && !fields[dash + 3].empty())
            entry.options += "," + fields[dash + 3];
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<MountEntry> SystemMountTable::ParseMounts(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields = SplitFields(line);
        if (fields.size() < 4)
            continue;
        MountEntry entry;
        entry.device = UnescapeOctal(fields[0]);
        entry.mountPoint = UnescapeOctal(fields[1]);
        entry.fsType = UnescapeOctal(fields[2]);
        entry.options = fields[3];
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<MountEntry> SystemMountTable::Read() const {
    std::string text;
    if (ReadSmallFile(m_path, &text) && text.find(" - ") != std::string::npos)
        return ParseMountInfo(text);
    if (!text.empty())
        return ParseMounts(text);
    if (ReadSmallFile("/proc/mounts", &text))
        return ParseMounts(text);
    return {};
}

bool IsPseudoFileSystem(const std::string& fsType) {
    return ListHolds("proc sysfs devtmpfs devpts cgroup cgroup2 securityfs debugfs tracefs "
                     "pstore bpf mqueue hugetlbfs configfs fusectl binfmt_misc autofs efivarfs "
                     "rpc_pipefs nsfs selinuxfs nfsd fuse.gvfsd-fuse fuse.portal fuse.lxcfs",
                     fsType);
}

int MountDriveType(const MountEntry& mount, const std::string& sysRoot) {
    if (mount.fsType == "tmpfs" || mount.fsType == "ramfs")
        return kDriveRam;
    if (IsNetworkFileSystem(mount.fsType))
        return kDriveNetwork;
    if (mount.fsType == "iso9660" || mount.fsType == "udf")
        return kDriveCdrom;
    const std::string point = StripTrailingSlashes(mount.mountPoint);
    if (IsUnder(point, "/media") || IsUnder(point, "/run/media") ||
        BlockDeviceRemovable(mount.device, sysRoot))
        return kDriveRemovable;
    return kDriveFixed;
}

// ---------------------------------------------------------------------------
// The drive map

DriveMap DriveMap::FromSpec(const std::string& spec) {
    DriveMap map;
    size_t start = 0;
    while (start <= spec.size()) {
        size_t end = spec.find(';', start);
        if (end == std::string::npos)
            end = spec.size();
        std::string item = spec.substr(start, end - start);
        start = end + 1;
        size_t eq = item.find('=');
        if (eq == std::string::npos)
            continue;
        std::string letter = item.substr(0, eq);
        while (!letter.empty() && (letter.back() == ' ' || letter.back() == ':'))
            letter.pop_back();
        while (!letter.empty() && letter.front() == ' ')
            letter.erase(0, 1);
        if (letter.size() != 1)
            continue;
        map.Set(letter[0], item.substr(eq + 1));
    }
    return map;
}

DriveMap DriveMap::Defaults(const std::string& home, const MountTable& mounts,
                            const std::string& sysRoot) {
    DriveMap map;
    map.Set('C', home);
    map.Set('Z', "/");
    std::vector<std::string> taken = {map.Root('C'), "/"};
    int next = LetterIndex('D');
    for (const MountEntry& mount : mounts.Read()) {
        if (next >= LetterIndex('Z'))
            break;
        if (IsPseudoFileSystem(mount.fsType))
            continue;
        int type = MountDriveType(mount, sysRoot);
        if (type != kDriveRemovable && type != kDriveCdrom && type != kDriveNetwork)
            continue;
        std::string point = StripTrailingSlashes(mount.mountPoint);
        bool seen = false;
        for (const std::string& dir : taken)
            seen = seen || dir == point;
        if (seen)
            continue;
        taken.push_back(point);
        map.Set(static_cast<char>('A' + next), point);
        ++next;
    }
    return map;
}

DriveMap DriveMap::Build(const ProfileFile* settings, const MountTable& mounts,
                         const std::string& sysRoot) {
    if (const char* spec = std::getenv("VORLANE_DRIVES"); spec && *spec)
        return FromSpec(spec);
    if (settings != nullptr) {
        DriveMap map;
        for (const std::string& key : settings->Keys("Drive Map")) {
            std::string letter = key;
            if (!letter.empty() && letter.back() == ':')
                letter.pop_back();
            if (letter.size() == 1)
                map.Set(letter[0], settings->GetString("Drive Map", key, "", 0));
        }
        if (!map.Letters().empty())
            return map;
    }
    return Defaults(HomeDirectory(), mounts, sysRoot);
}

const std::string& DriveMap::Root(char letter) const {
    static const std::string kNone;
    int index = LetterIndex(letter);
    return index < 0 ? kNone : m_roots[index];
}

bool DriveMap::Set(char letter, std::string hostDir) {
    int index = LetterIndex(letter);
    if (index < 0 || hostDir.empty() || hostDir[0] != '/')
        return false;
    m_roots[index] = StripTrailingSlashes(std::move(hostDir));
    return true;
}

void DriveMap::Clear(char letter) {
    int index = LetterIndex(letter);
    if (index >= 0)
        m_roots[index].clear();
}

std::vector<char> DriveMap::Letters() const {
    std::vector<char> letters;
    for (int i = 0; i < 26; ++i)
        if (!m_roots[i].empty())
            letters.push_back(static_cast<char>('A' + i));
    return letters;
}

std::shared_ptr<const DriveMap> DriveMap::Current() {
    std::lock_guard<std::mutex> lock(g_currentMutex);
    if (!g_current)
        g_current = std::make_shared<const DriveMap>(Build(nullptr, SystemMountTable()));
    return g_current;
}

void DriveMap::SetCurrent(DriveMap map) {
    std::lock_guard<std::mutex> lock(g_currentMutex);
    g_current = std::make_shared<const DriveMap>(std::move(map));
}

// ---------------------------------------------------------------------------
// Drive information

DriveInfo QueryDrive(char letter, const DriveMap& map, const MountTable& mounts,
                     const std::string& labelDir, const std::string& sysRoot) {
    DriveInfo info;
    const std::string& root = map.Root(letter);
    if (root.empty())
        return info;
    std::optional<std::string> real = RealPath(root);
    if (!real || !IsDirectory(*real))
        return info;
    std::vector<MountEntry> entries = mounts.Read();
    const MountEntry* mount = FindMount(entries, *real);
    if (mount == nullptr) {
        info.type = kDriveFixed;
        return info;
    }
    info.type = MountDriveType(*mount, sysRoot);
    info.compressed = MountCompresses(*mount);
    info.mountPoint = mount->mountPoint;
    info.fsType = mount->fsType;
    info.device = mount->device;
    info.label = FindLabel(mount->device, labelDir);
    return info;
}

DriveInfo QueryDrive(char letter) {
    return QueryDrive(letter, *DriveMap::Current(), SystemMountTable());
}

bool DiskSpace(char letter, const DriveMap& map, uint64_t* freeBytes, uint64_t* totalBytes,
               SysError* err) {
    const std::string& root = map.Root(letter);
    if (root.empty())
        return SetDosError(err, kDosInvalidDrive,
                           std::string("Drive ") + letter + ": is not mapped to a directory");
    struct statvfs vfs;
    if (::statvfs(root.c_str(), &vfs) != 0)
        return SetError(err, errno, "Cannot read the free space of", root);
    const uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    if (freeBytes)
        *freeBytes = static_cast<uint64_t>(vfs.f_bavail) * unit;
    if (totalBytes)
        *totalBytes = static_cast<uint64_t>(vfs.f_blocks) * unit;
    return err ? err->Clear() : true;
}

bool DiskSpace(char letter, uint64_t* freeBytes, uint64_t* totalBytes, SysError* err) {
    return DiskSpace(letter, *DriveMap::Current(), freeBytes, totalBytes, err);
}

} // namespace vorlane::platform
