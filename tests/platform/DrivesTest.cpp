#include "platform/Drives.h"

#include "PlatformTestUtil.h"
#include "platform/FaultInjection.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;

void MakeDir(const std::string& path) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
}

TEST(MountTableTest, ParsesEitherFormatWithEscapesOptionalFieldsAndSuperOptions) {
    const std::string text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"
        "garbage line\n"
        "40 22 0:35 / /media/ann/My\\040Disk rw,nosuid master:2 shared:7 - vfat /dev/sdb1 "
        "rw,fmask=22\n"
        "41 22 0:36 / /data rw - btrfs /dev/sdc1 rw,compress=zstd:3\n"
        "42 22 0:37 / relative rw - ext4 /dev/sdd1 rw\n"
        "43 22 0:38 / /nosuper rw - tmpfs tmpfs\n";
    std::vector<MountEntry> entries = SystemMountTable::ParseMountInfo(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].options, "rw,relatime,rw,errors=remount-ro");
    EXPECT_EQ(entries[1].mountPoint, "/media/ann/My Disk");
    EXPECT_EQ(entries[1].fsType, "vfat");
    EXPECT_EQ(entries[1].device, "/dev/sdb1");
    EXPECT_EQ(entries[3].options, "rw");

    // Either format from a file.
    TempDir dir;
    test::WriteFile(dir / "mountinfo", "22 1 8:1 / /mnt/a\\011b rw - nfs4 srv:/x rw\n");
    test::WriteFile(dir / "mounts", "/dev/sr0 /mnt/cd\\134rom iso9660 ro 0 0\nshort line\n");
    std::vector<MountEntry> info = SystemMountTable(dir / "mountinfo").Read();
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0].mountPoint, "/mnt/a\tb");
    std::vector<MountEntry> mounts = SystemMountTable(dir / "mounts").Read();
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].mountPoint, "/mnt/cd\\rom");
    EXPECT_FALSE(SystemMountTable().Read().empty()); // the real one holds at least "/"
}

// A fake sysfs: sdx is a removable disk with the partition sdx9, sdw is fixed.
struct FakeSysfs {
    TempDir dir;
    FakeSysfs() {
        for (const char* sub :
             {"/block", "/block/sdx", "/block/sdx/sdx9", "/block/sdw", "/block/sdw/sdw1"})
            ::mkdir((dir.path() + sub).c_str(), 0755);
        test::WriteFile(dir / "block/sdx/removable", "1\n");
        test::WriteFile(dir / "block/sdw/removable", "0\n");
    }
};

TEST(DriveTypeTest, TypeOfEachKindOfMount) {
    FakeSysfs sys;
    struct Case {
        const char* name;
        MountEntry mount;
        int type;
    } cases[] = {
        {"tmpfs", {"tmpfs", "/run/user/1000", "tmpfs", "rw"}, kDriveRam},
        {"tmpfs under media", {"tmpfs", "/media/ram", "tmpfs", "rw"}, kDriveRam},
        {"nfs4", {"srv:/export", "/mnt/nfs4", "nfs4", "rw"}, kDriveNetwork},
        {"sshfs", {"ann@host:", "/mnt/ssh", "fuse.sshfs", "rw"}, kDriveNetwork},
        {"udf", {"/dev/sr0", "/mnt/dvd", "udf", "ro"}, kDriveCdrom},
        {"under run media", {"/dev/sdq1", "/run/media/ann/STICK", "exfat", "rw"}, kDriveRemovable},
        {"media itself", {"/dev/sdq1", "/media", "ext4", "rw"}, kDriveFixed},
        {"medias prefix only", {"/dev/sdq1", "/mediastore", "ext4", "rw"}, kDriveFixed},
        {"removable partition", {"/dev/sdx9", "/mnt/usb", "vfat", "rw"}, kDriveRemovable},
        {"removable whole disk", {"/dev/sdx", "/mnt/usb2", "vfat", "rw"}, kDriveRemovable},
        {"fixed partition", {"/dev/sdw1", "/mnt/disk", "ext4", "rw"}, kDriveFixed},
        {"unknown device", {"/dev/nvme7n1p1", "/home", "ext4", "rw"}, kDriveFixed},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MountDriveType(c.mount, sys.dir.path()), c.type) << c.name;
}

// A drive tree in a temporary directory with a mount table that describes it.
struct DriveFixture : ::testing::Test {
    TempDir dir;
    FakeSysfs sys;
    std::string labels = dir / "by-label";
    std::vector<MountEntry> mounts;
    DriveMap map;

    DriveInfo Query(char letter) {
        return QueryDrive(letter, map, FixedMountTable(mounts), labels, sys.dir.path());
    }
};

TEST_F(DriveFixture, LongestMountPointOnComponentBoundariesWins) {
    for (const char* sub : {"/a", "/a/b", "/a/b/c", "/a/x", "/ab", "/abc", "/btr", "/zip"})
        MakeDir(dir.path() + sub);
    ASSERT_EQ(::symlink((dir / "ab").c_str(), (dir / "link").c_str()), 0);
    mounts = {
        {"/dev/sdw1", "/", "ext4", "rw"},
        {"srv:/a", dir / "a", "nfs", "rw"},
        {"/dev/sr0", dir / "a/b", "iso9660", "ro"},
        {"tmpfs", dir / "a/b", "tmpfs", "rw"}, // mounted over the CD: hides it
        {"/dev/sr1", dir / "ab", "udf", "ro"},
        {"/dev/sdw1", dir / "btr", "btrfs", "rw,space_cache,compress-force=lzo"},
        {"/dev/sdw1", dir / "zip", "btrfs", "rw,compress=no"},
    };
    struct Case {
        const char* root;
        int type;
        bool compressed;
        std::string mountPoint;
    } cases[] = {
        {"a/b/c", kDriveRam, false, dir / "a/b"}, {"a/x", kDriveNetwork, false, dir / "a"},
        {"ab", kDriveCdrom, false, dir / "ab"},   {"abc", kDriveFixed, false, "/"},
        {"btr", kDriveFixed, true, dir / "btr"},  {"zip", kDriveFixed, false, dir / "zip"},
        {"link", kDriveCdrom, false, dir / "ab"}, // the root is resolved through links
    };
    for (const Case& c : cases) {
        map.Set('E', dir / c.root);
        DriveInfo info = Query('E');
        EXPECT_EQ(info.type, c.type) << c.root;
        EXPECT_EQ(info.compressed, c.compressed) << c.root;
        EXPECT_EQ(info.mountPoint, c.mountPoint) << c.root;
    }
}

TEST_F(DriveFixture, LabelIsTheLinkThatResolvesToTheDevice) {
    MakeDir(labels);
    MakeDir(dir / "dev");
    for (const char* device : {"sda1", "sdb1", "sdc1"})
        test::WriteFile(dir / ("dev/" + std::string(device)), "");
    // udev writes relative links and escapes blanks and slashes as \x20, \x2f.
    ASSERT_EQ(::symlink("../dev/sda1", (labels + "/SYSTEM").c_str()), 0);
    ASSERT_EQ(::symlink("../dev/sdb1", (labels + "/My\\x20Disk\\x2fA").c_str()), 0);
    ASSERT_EQ(::symlink("../dev/gone", (labels + "/DANGLING").c_str()), 0);
    for (const char* m : {"m1", "m2", "m3"})
        MakeDir(dir / m);
    mounts = {{"/dev/sdw1", "/", "ext4", "rw"},
              {dir / "dev/sda1", dir / "m1", "ext4", "rw"},
              {dir / "dev/sdb1", dir / "m2", "vfat", "rw"},
              {dir / "dev/sdc1", dir / "m3", "vfat", "rw"}};
    map.Set('D', dir / "m1");
    map.Set('E', dir / "m2");
    map.Set('F', dir / "m3");
    EXPECT_EQ(Query('D').label, "SYSTEM");
    EXPECT_EQ(Query('E').label, "My Disk/A");
    EXPECT_EQ(Query('F').label, "");
    labels = dir / "no-such-dir";
    EXPECT_EQ(Query('D').label, "");
}

// The label and the removable-disk scans list their directories through
// the platform lister: one that refuses listing gives no label and a fixed
// disk, never a look past the seam.
TEST_F(DriveFixture, LabelAndPartitionScansBypassedTheFaultSeam) {
    MakeDir(labels);
    MakeDir(dir / "dev");
    MakeDir(dir / "m1");
    test::WriteFile(dir / "dev/sda1", "");
    ASSERT_EQ(::symlink("../dev/sda1", (labels + "/SYSTEM").c_str()), 0);
    mounts = {{"/dev/sdw1", "/", "ext4", "rw"}, {dir / "dev/sda1", dir / "m1", "ext4", "rw"}};
    map.Set('D', dir / "m1");
    const MountEntry partition{"/dev/sdx9", "/mnt/usb", "vfat", "rw"};
    struct Case {
        const char* name;
        std::function<std::string()> ask;
        std::string listed;
        std::string refused;
    } cases[] = {
        {"volume label", [&] { return Query('D').label; }, "SYSTEM", ""},
        {"removable partition",
         [&] { return std::to_string(MountDriveType(partition, sys.dir.path())); },
         std::to_string(kDriveRemovable), std::to_string(kDriveFixed)},
    };
    for (const Case& c : cases) {
        fault::Reset();
        EXPECT_EQ(c.ask(), c.listed) << c.name;
        fault::Arm(fault::Op::List, 1, EIO, true);
        EXPECT_EQ(c.ask(), c.refused) << c.name;
        fault::Reset();
    }
}

TEST(DriveMapTest, FromSpecKeepsValidEntriesOnly) {
    struct Case {
        const char* spec;
        std::vector<std::pair<char, std::string>> roots;
    } cases[] = {
        {"c=/a/;z=/", {{'C', "/a"}, {'Z', "/"}}},
        {";;D:=/d;", {{'D', "/d"}}},
        {"CC=/a;C;1=/b;E=relative;F=;=/x", {}},
        {"G=/with space;H=/semi=colon", {{'G', "/with space"}, {'H', "/semi=colon"}}},
    };
    for (const Case& c : cases) {
        DriveMap map = DriveMap::FromSpec(c.spec);
        std::vector<char> letters;
        for (const auto& [letter, root] : c.roots) {
            letters.push_back(letter);
            EXPECT_EQ(map.Root(static_cast<char>(letter - 'A' + 'a')), root) << c.spec;
        }
        EXPECT_EQ(map.Letters(), letters) << c.spec;
    }
}

TEST(DriveMapTest, DefaultsGiveHomeRootAndRemovableOpticalNetworkMounts) {
    FakeSysfs sys;
    std::vector<MountEntry> mounts = {
        {"/dev/sdw1", "/", "ext4", "rw"},
        {"proc", "/proc", "proc", "rw"},
        {"/dev/sdw2", "/home", "ext4", "rw"},
        {"tmpfs", "/dev/shm", "tmpfs", "rw"},
        {"/dev/sdq1", "/media/ann/STICK", "vfat", "rw"},
        {"systemd-1", "/media/auto", "autofs", "rw"},
        {"srv:/x", "/mnt/nfs/", "nfs4", "rw"},
        {"/dev/sr0", "/mnt/cd", "iso9660", "ro"},
        {"/dev/sdq1", "/media/ann/STICK", "vfat", "rw"}, // the same mount point again
        {"/dev/sdx9", "/mnt/usb", "ext4", "rw"},
        {"sysfs", "/sys", "sysfs", "rw"},
    };
    DriveMap map = DriveMap::Defaults("/home/ann", FixedMountTable(mounts), sys.dir.path());
    EXPECT_EQ(map.Letters(), (std::vector<char>{'C', 'D', 'E', 'F', 'G', 'Z'}));
    EXPECT_EQ(map.Root('C'), "/home/ann");
    EXPECT_EQ(map.Root('D'), "/media/ann/STICK");
    EXPECT_EQ(map.Root('E'), "/mnt/nfs");
    EXPECT_EQ(map.Root('F'), "/mnt/cd");
    EXPECT_EQ(map.Root('G'), "/mnt/usb");
    EXPECT_EQ(map.Root('Z'), "/");

    // More mounts than letters: D to Y are handed out, Z stays "/".
    std::vector<MountEntry> many;
    for (int i = 0; i < 40; ++i)
        many.push_back({"srv:/x", "/net/" + std::to_string(i), "nfs", "rw"});
    DriveMap full = DriveMap::Defaults("/home/ann", FixedMountTable(many), sys.dir.path());
    EXPECT_EQ(full.Letters().size(), 24u); // A and B stay free
    EXPECT_EQ(full.Root('Y'), "/net/21");
    EXPECT_EQ(full.Root('Z'), "/");
}

TEST(DriveMapTest, EnvironmentThenSettingsThenDefaults) {
    TempDir dir;
    FixedMountTable mounts({{"/dev/sdw1", "/", "ext4", "rw"}});
    test::WriteFile(dir / "with.ini", "[Drive Map]\nD=/from/settings\nE:=/e\n");
    test::WriteFile(dir / "invalid.ini", "[Drive Map]\nD=relative\nDD=/x\n[Other]\nC=/c\n");
    ProfileFile withMap(dir / "with.ini"), invalid(dir / "invalid.ini");
    ASSERT_TRUE(withMap.Load());
    ASSERT_TRUE(invalid.Load());
    const std::string home = std::getenv("HOME");

    {
        ScopedEnv env("VORLANE_DRIVES", "C=/from/env");
        DriveMap map = DriveMap::Build(&withMap, mounts);
        EXPECT_EQ(map.Letters(), std::vector<char>{'C'});
        EXPECT_EQ(map.Root('C'), "/from/env");
    }
    for (std::optional<std::string> setting :
         {std::optional<std::string>(""), std::optional<std::string>()}) {
        ScopedEnv env("VORLANE_DRIVES", setting);
        DriveMap map = DriveMap::Build(&withMap, mounts);
        EXPECT_EQ(map.Letters(), (std::vector<char>{'D', 'E'}));
        EXPECT_EQ(map.Root('D'), "/from/settings");
        for (const ProfileFile* settings : {static_cast<const ProfileFile*>(&invalid),
                                            static_cast<const ProfileFile*>(nullptr)}) {
            DriveMap defaults = DriveMap::Build(settings, mounts);
            EXPECT_EQ(defaults.Letters(), (std::vector<char>{'C', 'Z'}));
            EXPECT_EQ(defaults.Root('C'), home);
        }
    }
}

TEST(DiskSpaceTest, ReportsTheFileSystemOfTheRootIn64Bits) {
    TempDir dir;
    DriveMap map;
    map.Set('T', dir.path());
    uint64_t freeBytes = 0, totalBytes = 0;
    SysError err;
    ASSERT_TRUE(DiskSpace('T', map, &freeBytes, &totalBytes, &err)) << err.message;
    struct statvfs vfs;
    ASSERT_EQ(::statvfs(dir.path().c_str(), &vfs), 0);
    EXPECT_EQ(totalBytes, static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize);
    EXPECT_LE(freeBytes, totalBytes);

    EXPECT_TRUE(
        FailedWith(DiskSpace('U', map, &freeBytes, &totalBytes, &err), err, kDosInvalidDrive));
    map.Set('V', dir / "missing");
    EXPECT_FALSE(DiskSpace('V', map, &freeBytes, &totalBytes, &err));
    EXPECT_EQ(err.sysErrno, ENOENT);
}

} // namespace
} // namespace vorlane::platform
