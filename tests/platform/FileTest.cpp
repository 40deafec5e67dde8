#include "platform/File.h"
#include "platform/FaultInjection.h"

#include "PlatformTestUtil.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane::platform {
namespace {

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fault::Reset();
        m_oldUmask = ::umask(022);
    }
    void TearDown() override {
        fault::Reset();
        ::umask(m_oldUmask);
    }
    test::TempDir dir;

  private:
    mode_t m_oldUmask = 0;
};

TEST_F(FileTest, ReadsWritesSeeksAndTruncates) {
    File file;
    SysError err;
    ASSERT_TRUE(file.Open(dir / "data", kOpenReadWrite | kOpenCreate, &err)) << err.message;
    ASSERT_TRUE(file.Write("hello world", &err));
    char buffer[16] = {};
    size_t got = 0;
    ASSERT_TRUE(file.PRead(buffer, 5, 6, &got, &err));
    EXPECT_EQ(std::string(buffer, got), "world");
    ASSERT_TRUE(file.PWrite("W", 1, 6, &err));
    ASSERT_TRUE(file.Seek(0, SEEK_SET, nullptr, &err));
    ASSERT_TRUE(file.ReadExactly(buffer, 11, &err));
    EXPECT_EQ(std::string(buffer, 11), "hello World");
    ASSERT_TRUE(file.Read(buffer, sizeof buffer, &got, &err));
    EXPECT_EQ(got, 0u); // end of file
    EXPECT_TRUE(FailedWith(file.ReadExactly(buffer, 1, &err), err, kDosReadFault));

    // Offsets beyond 4 GiB are exact (a sparse file: no real disk use).
    const uint64_t offset = (uint64_t(5) << 30) + 7;
    ASSERT_TRUE(file.PWrite("xyz", 3, offset, &err)) << err.message;
    uint64_t size = 0, at = 0;
    ASSERT_TRUE(file.Size(&size, &err));
    EXPECT_EQ(size, offset + 3);
    ASSERT_TRUE(file.Seek(-3, SEEK_END, &at, &err));
    EXPECT_EQ(at, offset);

    ASSERT_TRUE(file.Truncate(5, &err));
    ASSERT_TRUE(file.Close(&err));
    EXPECT_EQ(test::ReadFile(dir / "data"), "hello");
}

TEST_F(FileTest, OpenFlagsRefuseWhatTheyShould) {
    test::WriteFile(dir / "exists", "old");
    ::symlink((dir / "exists").c_str(), (dir / "link").c_str());
    struct Case {
        const char* name;
        std::string path;
        unsigned flags;
        int dosCode;
    } cases[] = {
        {"exclusive create of an existing file", dir / "exists",
         kOpenWrite | kOpenCreate | kOpenExclusive, kDosFileExists},
        {"no-follow open of a link", dir / "link", kOpenRead | kOpenNoFollow, 161},
        {"directory opened for writing", dir.path(), kOpenWrite, kDosAccessDenied},
    };
    for (const Case& c : cases) {
        File file;
        SysError err;
        EXPECT_FALSE(file.Open(c.path, c.flags, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
        EXPECT_NE(err.message.find(c.path), std::string::npos) << c.name;
    }
    EXPECT_EQ(test::ReadFile(dir / "exists"), "old");
}

TEST_F(FileTest, TempFileIsHiddenBesideItsTargetAndGoneUnlessCommitted) {
    std::string target = dir / "report.txt";
    test::WriteFile(target, "original");
    {
        TempFile temp;
        SysError err;
        ASSERT_TRUE(temp.Create(target, &err)) << err.message;
        EXPECT_EQ(temp.Path().rfind(dir / ".report.txt.", 0), 0u) << temp.Path();
        EXPECT_EQ(test::FileMode(temp.Path()), 0600u);
        ASSERT_TRUE(temp.file().Write("partial"));
    }
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"report.txt"});

    TempFile second;
    ASSERT_TRUE(second.Create(target));
    ASSERT_TRUE(second.file().Write("complete"));
    SysError err;
    EXPECT_TRUE(FailedWith(second.Commit(&err, false), err, kDosFileExists))
        << "without replace an existing target stays";
    EXPECT_EQ(test::ReadFile(target), "original");
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"report.txt"});

    ASSERT_TRUE(second.Create(target));
    ASSERT_TRUE(second.file().Write("complete"));
    ASSERT_TRUE(second.Commit(&err)) << err.message;
    EXPECT_EQ(test::ReadFile(target), "complete");
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"report.txt"});
}

TEST_F(FileTest, WriteAtomicallyCreatesAndReplacesAlsoThroughALink) {
    std::string path = dir / "settings.ini";
    SysError err;
    ASSERT_TRUE(WriteFileAtomically(path, "first", &err)) << err.message;
    EXPECT_EQ(test::FileMode(path), 0644u); // 0644 less the umask 022
    EXPECT_EQ(test::ReadFile(path), "first");

    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, std::string(100000, 'x'), &err)) << err.message;
    EXPECT_EQ(test::FileMode(path), 0640u) << "an existing file keeps its mode";
    EXPECT_EQ(test::ReadFile(path), std::string(100000, 'x'));
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"settings.ini"});

    // Through a link: the link stays and its file is replaced.
    ::mkdir((dir / "real").c_str(), 0755);
    test::WriteFile(dir / "real/settings.ini", "old");
    ASSERT_EQ(::symlink("real/settings.ini", (dir / "link.ini").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(dir / "link.ini", "new", &err)) << err.message;
    struct stat st;
    ASSERT_EQ(::lstat((dir / "link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(test::ReadFile(dir / "real/settings.ini"), "new");
    EXPECT_TRUE(FailedWith(WriteFileAtomically(dir / "real", "x", &err), err, kDosAccessDenied))
        << "a directory is refused";
}

// Every step before the rename may fail: the old file stays as it was and
// no temporary file is left behind.
TEST_F(FileTest, FailedAtomicWriteLeavesTheOldFileAndNoTemporary) {
    struct Case {
        const char* name;
        fault::Op op;
        int errnoValue;
        int dosCode;
    } cases[] = {
        {"open", fault::Op::Open, EACCES, kDosAccessDenied},
        {"quota on write", fault::Op::Write, EDQUOT, kDosDiskFull},
        {"fsync", fault::Op::Fsync, EIO, kDosGenFailure},
        {"rename", fault::Op::Rename, EROFS, kDosWriteProtect},
    };
    std::string path = dir / "kept.ini";
    for (const Case& c : cases) {
        test::WriteFile(path, "old contents");
        fault::Reset();
        fault::Arm(c.op, 1, c.errnoValue);
        SysError err;
        EXPECT_FALSE(WriteFileAtomically(path, "new contents", &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
        EXPECT_EQ(err.sysErrno, c.errnoValue) << c.name;
        EXPECT_EQ(test::ReadFile(path), "old contents") << c.name;
        EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"kept.ini"}) << c.name;
    }
}

TEST_F(FileTest, FailedDirectoryFlushIsReportedAfterTheReplace) {
    std::string path = dir / "kept.ini";
    test::WriteFile(path, "old");
    fault::Arm(fault::Op::Fsync, 2, EIO); // the file's fsync passes, the directory's fails
    SysError err;
    EXPECT_TRUE(FailedWith(WriteFileAtomically(path, "new", &err), err, kDosGenFailure));
    EXPECT_EQ(test::ReadFile(path), "new");
    EXPECT_EQ(test::ListDir(dir.path()), std::vector<std::string>{"kept.ini"});
}

TEST_F(FileTest, ReadWholeFileReadsFilesAndRefusesEverythingElse) {
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    test::WriteFile(dir / "big", big);
    test::WriteFile(dir / "empty", "");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ::mkdir((dir / "sub").c_str(), 0755);

    std::string data = "stale";
    SysError err;
    ASSERT_TRUE(ReadWholeFile(dir / "empty", &data, &err));
    EXPECT_EQ(data, "");
    ASSERT_TRUE(ReadWholeFile(dir / "big", &data, &err)) << err.message;
    EXPECT_EQ(data, big);

    struct Case {
        const char* name;
        std::string path;
        int dosCode;
    } cases[] = {
        {"missing directory", dir / "absent/x", kDosPathNotFound},
        {"directory", dir / "sub", kDosAccessDenied},
        {"fifo (must not hang)", dir / "fifo", kDosInvalidParameter},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ReadWholeFile(c.path, &data, &err)) << c.name;
        EXPECT_EQ(err.dosCode, c.dosCode) << c.name << ": " << err.message;
    }

    fault::Arm(fault::Op::Read, 2, EIO);
    EXPECT_TRUE(FailedWith(ReadWholeFile(dir / "big", &data, &err), err, kDosGenFailure));
    EXPECT_TRUE(data.empty());
}

} // namespace
} // namespace vorlane::platform
