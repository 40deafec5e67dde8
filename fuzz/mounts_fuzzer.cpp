// Fuzz target of the mount table reader: the input is read both as
// /proc/self/mountinfo and as /proc/mounts. Every entry must name an
// absolute mount point and a file system type; the default drive map built
// from the entries must hold C: and Z: and only absolute roots; and every
// drive of it must be described (type, label, compression) without a
// crash. Sysfs and the label directory point at directories that do not
// exist, so nothing outside the process is read but the paths of the input.
#include "platform/Drives.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace vorlane::platform;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "mounts fuzz: %s\n", what);
    std::abort();
}

const char kNoSys[] = "/nonexistent-vorlane-fuzz/sys";
const char kNoLabels[] = "/nonexistent-vorlane-fuzz/by-label";

void CheckTable(const std::vector<MountEntry>& entries) {
    for (const MountEntry& entry : entries) {
        if (entry.mountPoint.empty() || entry.mountPoint[0] != '/')
            Fail("a mount point that is not absolute");
        if (entry.fsType.empty())
            Fail("a mount without a file system type");
        if (MountDriveType(entry, kNoSys) == kDriveNone)
            Fail("a mount without a drive type");
    }
    FixedMountTable table(entries);
    DriveMap map = DriveMap::Defaults("/", table, kNoSys);
    if (map.Root('C').empty() || map.Root('Z') != "/")
        Fail("the default map lacks C: or Z:");
    for (char letter : map.Letters()) {
        if (map.Root(letter).empty() || map.Root(letter)[0] != '/')
            Fail("a drive root that is not absolute");
        QueryDrive(letter, map, table, kNoLabels, kNoSys);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    CheckTable(SystemMountTable::ParseMountInfo(text));
    CheckTable(SystemMountTable::ParseMounts(text));
    return 0;
}
