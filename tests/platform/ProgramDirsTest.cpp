#include "platform/ProgramDirs.h"

#include "platform/FaultInjection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(ProgramDirsTest, WindowsDirectoryFollowsVorlaneHomeThenXdgThenHome) {
    TempDir dir;
    using Env = std::optional<std::string>;
    struct Case {
        const char* name;
        Env vorlaneHome, xdgConfig, home;
        std::string expected;
    } cases[] = {
        {"vorlane home", dir / "vh/", dir / "xdg", dir / "home", dir / "vh"},
        {"xdg config", std::nullopt, dir / "xdg", dir / "home", dir / "xdg/vorlane"},
        {"empty vorlane home", "", dir / "xdg", dir / "home", dir / "xdg/vorlane"},
        {"home", std::nullopt, std::nullopt, dir / "home", dir / "home/.config/vorlane"},
        {"relative values", "rel", "rel", dir / "h2", dir / "h2/.config/vorlane"},
    };
    ::umask(022);
    for (const Case& c : cases) {
        ScopedEnv a("VORLANE_HOME", c.vorlaneHome), b("XDG_CONFIG_HOME", c.xdgConfig),
            h("HOME", c.home);
        SysError err;
        EXPECT_EQ(WindowsDirectory(&err), c.expected) << c.name;
        EXPECT_EQ(err.dosCode, 0) << c.name;
        EXPECT_EQ(ModeOf(c.expected), 0700u) << c.name;
        EXPECT_EQ(WindowsDirectory(&err), c.expected) << c.name; // exists now: no change
    }
}

TEST(ProgramDirsTest, WindowsDirectoryThatCannotBeMadeIsReportedWithItsPath) {
    TempDir dir;
    test::WriteFile(dir / "file", "x");
    {
        ScopedEnv env("VORLANE_HOME", dir / "file/sub");
        SysError err;
        EXPECT_EQ(WindowsDirectory(&err), dir / "file/sub");
        EXPECT_NE(err.dosCode, 0);
    }
    {
        ScopedEnv env("VORLANE_HOME", dir / "file");
        SysError err;
        EXPECT_EQ(WindowsDirectory(&err), dir / "file");
        EXPECT_EQ(err.dosCode, kDosPathNotFound);
    }
    fault::Reset();
    fault::Arm(fault::Op::Mkdir, 2, ENOSPC);
    ScopedEnv env("VORLANE_HOME", dir / "new/deeper");
    SysError err;
    EXPECT_EQ(WindowsDirectory(&err), dir / "new/deeper");
    EXPECT_EQ(err.dosCode, kDosDiskFull);
    EXPECT_TRUE(test::FileExists(dir / "new"));
    fault::Reset();
}

TEST(ProgramDirsTest, TempDirectoryIsAbsoluteTmpdirElseTmp) {
    struct Case {
        std::optional<std::string> tmpdir;
        const char* expected;
    } cases[] = {{"/var/tmp/", "/var/tmp"}, {std::nullopt, "/tmp"}, {"", "/tmp"}, {"rel", "/tmp"}};
    for (const Case& c : cases) {
        ScopedEnv env("TMPDIR", c.tmpdir);
        EXPECT_EQ(TempDirectory(), c.expected);
    }
}

TEST(ProgramDirsTest, ProgramDirectoryHoldsTheRunningExecutable) {
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    ASSERT_GT(length, 0);
    EXPECT_EQ(ExecutablePath(), std::string(buffer, static_cast<size_t>(length)));
    EXPECT_EQ(ProgramDirectory() + "/platform_tests", ExecutablePath());
}

TEST(ProgramDirsTest, JoinHostPathPutsExactlyOneSlash) {
    struct Case {
        const char* dir;
        const char* name;
        const char* joined;
    } cases[] = {
        {"/a", "b", "/a/b"}, {"/a/", "b", "/a/b"}, {"/a//", "/b", "/a/b"}, {"/", "b", "/b"},
        {"", "b", "b"},      {"/a", "", "/a"},     {"a", "b/c", "a/b/c"},  {"/", "", "/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinHostPath(c.dir, c.name), c.joined) << c.dir << " + " << c.name;
}

} // namespace
} // namespace vorlane::platform
