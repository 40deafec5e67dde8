// Volume labels: which drives may have their label changed, the tool's
// words for each file system, and the run of the tool (a recording script
// in its place, and the real e2label on an image file when it is there).
#include "platform/VolumeLabel.h"
#include "platform/Launcher.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace vorlane::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;

VolumeDetails Volume(const std::string& fsType, const std::string& device = "/dev/sdb1") {
    VolumeDetails v;
    v.letter = 'E';
    v.root = "/media/stick";
    v.mountPoint = "/media/stick";
    v.fsType = fsType;
    v.device = device;
    v.isFileSystemRoot = true;
    return v;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + ("[" + w + "]");
    return text;
}

// A script standing in for a tool: writes its arguments, one "[arg]" a
// line, to out, prints said and exits with status.
void WriteTool(const std::string& path, const std::string& out, const std::string& said = "",
               int status = 0) {
    std::string script =
        "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + out + "'\n";
    if (!said.empty())
        script += "echo '" + said + "' >&2\n";
    script += "exit " + std::to_string(status) + "\n";
    test::WriteFile(path, script);
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

TEST(VolumeLabelTest, EachFileSystemGetsItsOwnToolAndWords) {
    struct Case {
        const char* fsType;
        const char* label;
        const char* expected;
    } cases[] = {
        {"ext4", "DATA", "[e2label] [/dev/sdb1] [DATA]"},
        {"ext2", "", "[e2label] [/dev/sdb1] []"},
        {"vfat", "STICK", "[fatlabel] [--] [/dev/sdb1] [STICK]"},
        {"vfat", "", "[fatlabel] [-r] [--] [/dev/sdb1]"},
        {"exfat", "-odd", "[exfatlabel] [--] [/dev/sdb1] [-odd]"},
        {"ntfs3", "Windows Disk", "[ntfslabel] [--] [/dev/sdb1] [Windows Disk]"},
        {"btrfs", "pool", "[btrfs] [filesystem] [label] [--] [/media/stick] [pool]"},
        {"xfs", "logs", "[xfs_admin] [-L] [logs] [/dev/sdb1]"},
        {"xfs", "", "[xfs_admin] [-L] [--] [/dev/sdb1]"},
        {"tmpfs", "x", ""},
        {"nfs4", "x", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Joined(LabelCommand(Volume(c.fsType), c.label)), c.expected) << c.fsType;
}

TEST(VolumeLabelTest, RefusalsNameTheReason) {
    VolumeDetails inside = Volume("ext4");
    inside.isFileSystemRoot = false;
    inside.mountPoint = "/home";
    VolumeDetails network = Volume("cifs", "//server/share");
    VolumeDetails overlay = Volume("ext4", "overlay");
    VolumeDetails btrfsNoDevice = Volume("btrfs", "");
    struct Case {
        const char* name;
        VolumeDetails volume;
        std::string label;
        const char* expected; // a part of the refusal; "" for none
    } cases[] = {
        {"directory inside", inside, "X", "not the root of a file system"},
        {"network", network, "X", "The label of cifs file system on drive E: cannot be changed."},
        {"no device", overlay, "X", "no device whose label could be changed ('overlay')"},
        {"btrfs by mount point", btrfsNoDevice, "pool", ""},
        {"ext at limit", Volume("ext4"), std::string(16, 'a'), ""},
        {"ext too long", Volume("ext4"), std::string(17, 'a'), "at most 16 bytes"},
        {"ext counts bytes", Volume("ext4"),
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
         "\xc3\xa9\xc3\xa9\xc3\xa9",
         "at most 16 bytes"},
        {"fat too long", Volume("vfat"), "TWELVE_CHARS", "at most 11 characters"},
        {"fat ascii", Volume("vfat"), "CAF\xc3\x89", "only ASCII"},
        {"exfat units", Volume("exfat"), std::string(15, 'x'), ""},
        {"exfat pair", Volume("exfat"), std::string(14, 'x') + "\xf0\x9f\x98\x80",
         "at most 15 characters"},
        {"control", Volume("ext4"), "a\tb", "control characters"},
    };
    for (const Case& c : cases) {
        const std::string refusal = LabelRefusal(c.volume, c.label);
        if (*c.expected == 0)
            EXPECT_EQ(refusal, "") << c.name;
        else
            EXPECT_NE(refusal.find(c.expected), std::string::npos) << c.name << ": " << refusal;
    }
}

TEST(VolumeLabelTest, FileSystemRootByDeviceOrMountTable) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    FixedMountTable none({});
    FixedMountTable listed({{"/dev/sdb1", dir / "sub", "ext4", "rw"}});
    EXPECT_TRUE(IsFileSystemRoot("/", none));
    EXPECT_TRUE(IsFileSystemRoot("/proc", none)); // another device than "/"
    EXPECT_FALSE(IsFileSystemRoot(dir / "sub", none));
    EXPECT_TRUE(IsFileSystemRoot(dir / "sub", listed));
    EXPECT_FALSE(IsFileSystemRoot(dir / "missing", listed));

    // Through a drive: a directory inside a mount is not its root.
    DriveMap map = DriveMap::FromSpec("E=" + dir.path() + "/sub;F=" + dir.path());
    FixedMountTable mounts({{"/dev/sdb1", dir / "sub", "ext4", "rw"}});
    VolumeDetails e;
    VolumeDetails f;
    SysError err;
    ASSERT_TRUE(ReadVolume('e', map, mounts, &e, &err, dir / "no-labels")) << err.message;
    ASSERT_TRUE(ReadVolume('F', map, mounts, &f, &err, dir / "no-labels")) << err.message;
    EXPECT_EQ(e.letter, 'E');
    EXPECT_TRUE(e.isFileSystemRoot);
    EXPECT_EQ(e.device, "/dev/sdb1");
    EXPECT_EQ(e.fsType, "ext4");
    EXPECT_FALSE(f.isFileSystemRoot);
    EXPECT_FALSE(ReadVolume('Q', map, mounts, &f, &err));
    EXPECT_EQ(err.dosCode, kDosInvalidDrive);
}

struct LabelToolTest : ::testing::Test {
    TempDir tools;
    std::string out = tools / "argv.txt";
    ScopedEnv seam{"VORLANE_LABEL_TOOLS", tools.path()};
};

TEST_F(LabelToolTest, TheToolRunsWithTheLabelAsOneWord) {
    WriteTool(tools / "e2label", out);
    SysError err;
    ASSERT_TRUE(SetVolumeLabel(Volume("ext4"), "a b;$(rm x)", &err)) << err.message;
    EXPECT_EQ(test::ReadFile(out), "[/dev/sdb1]\n[a b;$(rm x)]\n");
}

TEST_F(LabelToolTest, MissingFailingAndRefusedToolsSayWhy) {
    SysError err;
    EXPECT_FALSE(SetVolumeLabel(Volume("vfat"), "STICK", &err));
    EXPECT_EQ(err.message,
              "The program 'fatlabel' that changes the labels of vfat file systems is not "
              "installed.");

    WriteTool(tools / "e2label", out, "e2label: Permission denied while trying to open /dev/sdb1",
              1);
    EXPECT_FALSE(SetVolumeLabel(Volume("ext4"), "DATA", &err));
    EXPECT_EQ(err.message, "'e2label' could not change the label of drive E::\n"
                           "e2label: Permission denied while trying to open /dev/sdb1");

    WriteTool(tools / "e2label", out, "", 3);
    EXPECT_FALSE(SetVolumeLabel(Volume("ext4"), "DATA", &err));
    EXPECT_NE(err.message.find("it ended with status 3"), std::string::npos) << err.message;

    // A refusal never runs the tool.
    std::remove(out.c_str());
    EXPECT_FALSE(SetVolumeLabel(Volume("ext4"), std::string(20, 'x'), &err));
    EXPECT_FALSE(test::FileExists(out));
}

// The real tool on an image file: the label is set and read back.
TEST(VolumeLabelImageTest, RealE2labelChangesTheLabelOfAnImage) {
    const std::string sbin = "/usr/sbin:/sbin";
    if (FindProgramPath("mkfs.ext2", "", sbin).empty() ||
        FindProgramPath("e2label", "", sbin).empty())
        GTEST_SKIP() << "e2fsprogs is not installed";
    TempDir dir;
    const std::string image = dir / "disk.img";
    ProgramRun run;
    ASSERT_TRUE(RunProgram("mkfs.ext2", {"-q", "-F", image, "1024"}, &run, sbin));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ScopedEnv seam("VORLANE_LABEL_TOOLS", sbin);
    SysError err;
    ASSERT_TRUE(SetVolumeLabel(Volume("ext2", image), "Vorlane", &err)) << err.message;
    ASSERT_TRUE(RunProgram("e2label", {image}, &run, sbin));
    EXPECT_EQ(run.output, "Vorlane\n");
}

TEST(RunProgramTest, CollectsOutputAndStatusAndReportsWhatCannotStart) {
    ProgramRun run;
    ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "echo out; echo err >&2; exit 4"}, &run));
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.output, "out\nerr\n");
    ASSERT_TRUE(RunProgram("/bin/sh", {"-c", "kill -9 $$"}, &run));
    EXPECT_EQ(run.exitCode, -1);
    SysError err;
    EXPECT_FALSE(RunProgram("no-such-program-here", {}, &run, "/nonexistent", &err));
    EXPECT_EQ(err.sysErrno, ENOENT);
}

} // namespace
} // namespace vorlane::platform
