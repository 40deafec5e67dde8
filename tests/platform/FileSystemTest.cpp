#include "platform/FileSystem.h"
#include "platform/FaultInjection.h"

#include "PlatformTestUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<int64_t>(::timegm(&t));
}

uint16_t DosDate(int year, int month, int day) {
    return static_cast<uint16_t>((year - 1980) << 9 | month << 5 | day);
}
uint16_t DosTime(int hour, int minute, int second) {
    return static_cast<uint16_t>(hour << 11 | minute << 5 | second / 2);
}

TEST(DosDateTimeTest, PacksLocalTimeAndClampsTheEnds) {
    const struct {
        const char* name;
        const char* tz;
        int64_t seconds;
        uint16_t date, time;
        bool clamped;
    } cases[] = {
        {"first DOS second", "UTC0", Utc(1980, 1, 1, 0, 0, 0), 0x21, 0, false},
        {"leap day, odd second", "UTC0", Utc(2000, 2, 29, 13, 45, 31), DosDate(2000, 2, 29),
         DosTime(13, 45, 30), false},
        {"last DOS second", "UTC0", Utc(2107, 12, 31, 23, 59, 59), 0xFF9F, 0xBF7D, false},
        {"after 2107 clamps", "UTC0", Utc(2108, 1, 1, 0, 0, 0), 0xFF9F, 0xBF7D, true},
        {"before 1970 clamps", "UTC0", -86400, 0x21, 0, true},
        {"summer time is local", "CET-1CEST,M3.5.0,M10.5.0/3", Utc(2021, 7, 1, 10, 0, 0),
         DosDate(2021, 7, 1), DosTime(12, 0, 0), false},
        {"1979 in UTC is 1980 locally", "CET-1CEST,M3.5.0,M10.5.0/3", Utc(1979, 12, 31, 23, 30, 0),
         0x21, DosTime(0, 30, 0), false},
    };
    for (const auto& c : cases) {
        test::ScopedEnv zone("TZ", std::string(c.tz));
        ::tzset();
        DosDateTime dt = ToDosDateTime(FileTime{c.seconds, 999999999});
        EXPECT_EQ(dt.date, c.date) << c.name;
        EXPECT_EQ(dt.time, c.time) << c.name;
        if (!c.clamped) { // back again, to the even second below
            EXPECT_EQ(FromDosDateTime(dt).seconds, c.seconds - (c.seconds & 1)) << c.name;
        }
    }
    { // Fields out of range clamp to the nearest valid value.
        test::ScopedEnv zone("TZ", std::string("UTC0"));
        ::tzset();
        EXPECT_EQ(FromDosDateTime({DosDate(1990, 4, 31), 0}).seconds, Utc(1990, 4, 30, 0, 0, 0));
        EXPECT_EQ(FromDosDateTime({DosDate(1990, 6, 1), uint16_t(25 << 11 | 63 << 5 | 31)}).seconds,
                  Utc(1990, 6, 1, 23, 59, 58));
    }
    ::tzset();
}

class FileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override { fault::Reset(); }
    void TearDown() override { fault::Reset(); }

    std::string Make(const std::string& name, const std::string& text = "x") {
        test::WriteFile(dir / name, text);
        return dir / name;
    }
    std::string MakeDir(const std::string& name) {
        EXPECT_EQ(::mkdir((dir / name).c_str(), 0755), 0);
        return dir / name;
    }
    void Link(const std::string& target, const std::string& name) {
        ASSERT_EQ(::symlink(target.c_str(), (dir / name).c_str()), 0);
    }

    test::TempDir dir;
};

TEST_F(FileSystemTest, EnumerationReportsWhatFindFirstGave) {
    Make("file.txt", "12345");
    Make(".profile", "");
    MakeDir("sub");
    Make("sub/inner", "not listed");
    Link("file.txt", "to-file");
    Link("nowhere", "dangling");
    ASSERT_EQ(::truncate(Make("huge.bin").c_str(), int64_t(6) << 30), 0); // sparse

    DirectoryReader reader;
    SysError err;
    ASSERT_TRUE(reader.Open(dir.path(), &err)) << err.message;
    std::map<std::string, FileEntry> seen;
    FileEntry entry;
    while (reader.Next(&entry, &err))
        seen[entry.name] = entry;
    EXPECT_EQ(err.dosCode, kDosNoMoreFiles);
    ASSERT_EQ(seen.size(), 6u);

    struct Expect {
        const char* name;
        uint32_t attributes;
        uint64_t size;
        bool isDirectory;
        bool isSymlink;
    } expected[] = {
        {"file.txt", kAttrArchive, 5, false, false},
        {".profile", kAttrArchive | kAttrHidden, 0, false, false},
        {"sub", kAttrDirectory, 0, true, false},
        {"to-file", kAttrArchive, 5, false, true},
        {"dangling", kAttrArchive, 7, false, true}, // the link itself: its size is its text
        {"huge.bin", kAttrArchive, uint64_t(6) << 30, false, false},
    };
    for (const Expect& e : expected) {
        ASSERT_TRUE(seen.count(e.name)) << e.name;
        const FileEntry& got = seen[e.name];
        EXPECT_EQ(got.attributes, e.attributes) << e.name;
        EXPECT_EQ(got.size, e.size) << e.name;
        EXPECT_EQ(got.isDirectory, e.isDirectory) << e.name;
        EXPECT_EQ(got.isSymlink, e.isSymlink) << e.name;
        EXPECT_EQ(got.dosTime.date, ToDosDateTime(got.lastWriteTime).date) << e.name;
    }
    EXPECT_EQ(seen["to-file"].inode, seen["file.txt"].inode); // a link shows its target
    EXPECT_TRUE(FailedWith(reader.Open(dir / "file.txt", &err), err, kDosPathNotFound));
    fault::Arm(fault::Op::List, 1, EMFILE);
    EXPECT_TRUE(FailedWith(reader.Open(dir.path(), &err), err, kDosTooManyOpenFiles));
}

TEST_F(FileSystemTest, WalkingByHandleNeverFollowsALinkedDirectory) {
    MakeDir("real");
    Make("real/leaf");
    Link("real", "swapped");
    DirectoryReader parent;
    ASSERT_TRUE(parent.Open(dir.path()));
    ASSERT_GE(parent.Descriptor(), 0);

    DirectoryReader child;
    SysError err;
    ASSERT_TRUE(child.OpenAt(parent.Descriptor(), "real", dir / "real", &err)) << err.message;
    FileEntry entry;
    ASSERT_TRUE(child.Next(&entry, &err));
    EXPECT_EQ(entry.name, "leaf");
    EXPECT_FALSE(child.OpenAt(parent.Descriptor(), "swapped", dir / "swapped", &err));
    EXPECT_NE(err.dosCode, 0);
    EXPECT_EQ(child.Descriptor(), -1);
}

TEST_F(FileSystemTest, FileTimesRoundTripWithNanoseconds) {
    std::string path = Make("timed");
    FileTime access{Utc(2001, 2, 3, 4, 5, 6), 123456789};
    FileTime write{Utc(2030, 7, 8, 9, 10, 11), 987654321};
    FileTime creation{Utc(1990, 1, 1, 0, 0, 0), 0};
    SysError err;
    ASSERT_TRUE(SetFileTimes(path, &creation, &access, &write, &err)) << err.message;
    FileTime gotCreation, gotAccess, gotWrite;
    ASSERT_TRUE(GetFileTimes(path, &gotCreation, &gotAccess, &gotWrite, &err));
    EXPECT_EQ(gotAccess, access);
    EXPECT_EQ(gotWrite, write);
    EXPECT_NE(gotCreation, creation); // the creation time cannot be written

    // A null time is left as it is.
    FileTime later{Utc(2031, 1, 1, 0, 0, 0), 0};
    ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &later, &err));
    ASSERT_TRUE(GetFileTimes(path, nullptr, &gotAccess, &gotWrite, &err));
    EXPECT_EQ(gotAccess, access);
    EXPECT_EQ(gotWrite, later);

    EXPECT_TRUE(FailedWith(SetFileTimes(dir / "absent", nullptr, &later, nullptr, &err), err,
                           kDosFileNotFound));

    // The times of a link are its own; its target is left alone.
    Link("timed", "link");
    FileTime stamp{Utc(2005, 5, 5, 5, 5, 5), 0};
    ASSERT_TRUE(SetFileTimes(dir / "link", nullptr, &stamp, &stamp));
    ASSERT_TRUE(GetFileTimes(path, nullptr, nullptr, &gotWrite));
    EXPECT_EQ(gotWrite, later);
    struct stat st;
    ASSERT_EQ(::lstat((dir / "link").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, stamp.seconds);
}

TEST_F(FileSystemTest, RenameNeverClobbersUnlessAskedToNorLosesTheSameFile) {
    Make("file", "precious");
    Make("other", "target");
    MakeDir("sub");
    SysError err;
    EXPECT_TRUE(
        FailedWith(RenameEntry(dir / "other", dir / "file", false, &err), err, kDosFileExists));
    EXPECT_EQ(test::ReadFile(dir / "other") + test::ReadFile(dir / "file"), "targetprecious");
    for (bool replace : {false, true}) {
        for (const std::string& spelling :
             {dir.path() + "/./file", dir.path() + "/sub/../file", dir / "file"})
            EXPECT_TRUE(RenameEntry(dir / "file", spelling, replace, &err)) << spelling;
        EXPECT_EQ(test::ReadFile(dir / "file"), "precious");
    }
    // Two hard links: without replace the target exists; with replace the
    // source name goes, as a rename over any other target would do.
    ASSERT_EQ(::link((dir / "file").c_str(), (dir / "hard").c_str()), 0);
    EXPECT_TRUE(
        FailedWith(RenameEntry(dir / "file", dir / "hard", false, &err), err, kDosFileExists));
    ASSERT_TRUE(RenameEntry(dir / "file", dir / "hard", true, &err)) << err.message;
    EXPECT_FALSE(test::FileExists(dir / "file"));
    EXPECT_EQ(test::ReadFile(dir / "hard"), "precious");
    ASSERT_TRUE(RenameEntry(dir / "other", dir / "hard", true, &err)) << err.message;
    EXPECT_EQ(test::ReadFile(dir / "hard"), "target");
}

TEST_F(FileSystemTest, RenameMovesDirectoriesAndReportsFailures) {
    MakeDir("tree");
    Make("tree/leaf", "leaf");
    SysError err;
    ASSERT_TRUE(RenameEntry(dir / "tree", dir / "moved", false, &err)) << err.message;
    EXPECT_EQ(test::ReadFile(dir / "moved/leaf"), "leaf");

    MakeDir("full");
    Make("full/x");
    EXPECT_TRUE(
        FailedWith(RenameEntry(dir / "moved", dir / "full", true, &err), err, kDosDirNotEmpty));
    fault::Arm(fault::Op::Rename, 1, EXDEV);
    EXPECT_TRUE(FailedWith(RenameEntry(dir / "moved", dir / "elsewhere", false, &err), err,
                           kDosNotSameDevice));
    EXPECT_TRUE(test::FileExists(dir / "moved"));
}

TEST_F(FileSystemTest, DeleteRemovesLinksNeverTargets) {
    Make("target", "keep me");
    MakeDir("dir");
    Make("dir/inside", "keep me too");
    Link("target", "file-link");
    Link("dir", "dir-link");
    SysError err;
    ASSERT_TRUE(DeleteFile(dir / "file-link", &err)) << err.message;
    ASSERT_TRUE(DeleteFile(dir / "dir-link", &err)) << err.message;
    EXPECT_FALSE(test::FileExists(dir / "file-link"));
    EXPECT_FALSE(test::FileExists(dir / "dir-link"));
    EXPECT_EQ(test::ReadFile(dir / "target"), "keep me");
    EXPECT_EQ(test::ReadFile(dir / "dir/inside"), "keep me too");

    struct Case {
        const char* name;
        std::string path;
        int dosCode;
    } cases[] = {
        {"a directory", dir / "dir", kDosAccessDenied},
        {"a missing directory", dir / "absent/x", kDosPathNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(DeleteFile(c.path, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name;
    }
    fault::Arm(fault::Op::Unlink, 1, EROFS);
    EXPECT_TRUE(FailedWith(DeleteFile(dir / "target", &err), err, kDosWriteProtect));
    EXPECT_TRUE(test::FileExists(dir / "target"));
}

TEST_F(FileSystemTest, MakeAndRemoveDirectories) {
    SysError err;
    ASSERT_TRUE(MakeDirectory(dir / "new", &err)) << err.message;
    EXPECT_TRUE(FailedWith(MakeDirectory(dir / "new", &err), err, kDosFileExists));
    fault::Arm(fault::Op::Mkdir, 1, ENOSPC);
    EXPECT_TRUE(FailedWith(MakeDirectory(dir / "other", &err), err, kDosDiskFull));
    EXPECT_FALSE(test::FileExists(dir / "other"));

    Make("new/child");
    Link("new", "link");
    Make("plain");
    struct Case {
        const char* name;
        std::string path;
        int dosCode;
    } cases[] = {
        {"not empty", dir / "new", kDosDirNotEmpty},
        {"a link to a directory, slash", dir / "link/", kDosPathNotFound},
        {"a file", dir / "plain", kDosPathNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(RemoveDirectory(c.path, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
    }
    EXPECT_TRUE(test::FileExists(dir / "link"));
    EXPECT_TRUE(test::FileExists(dir / "new/child"));
}

TEST_F(FileSystemTest, SameFileMeansSameDeviceAndInode) {
    Make("file");
    MakeDir("sub");
    Link("file", "link");
    ASSERT_EQ(::link((dir / "file").c_str(), (dir / "hard").c_str()), 0);
    struct Case {
        const char* name;
        std::string b;
        bool same;
    } cases[] = {
        {"dot-dot component", dir.path() + "/sub/../file", true},
        {"symbolic link", dir / "link", true},
        {"hard link", dir / "hard", true},
        {"case variant on a case-sensitive file system", dir / "FILE", false},
        {"missing", dir / "absent", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSameFile(dir / "file", c.b), c.same) << c.name;
}

} // namespace
} // namespace vorlane::platform
