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

TEST(ProgramDirsTest, WindowsDirectoryFollowsVorlaneHomeThenXdgThenHome) {
    TempDir dir;
    using Env = std::optional<std::string>;
    struct Case {
        const char* name;
        Env vorlaneHome, xdgConfig, home;
        std::string expected;
    } cases[] = {
        {"vorlane home", dir / "vh/", dir / "xdg", dir / "home", dir / "vh"},
        {"empty vorlane home", "", dir / "xdg", dir / "home", dir / "xdg/vorlane"},
        {"home", std::nullopt, std::nullopt, dir / "home", dir / "home/.config/vorlane"},
        {"relative xdg config home", std::nullopt, "rel", dir / "h2", dir / "h2/.config/vorlane"},
    };
    ::umask(022);
    for (const Case& c : cases) {
        ScopedEnv a("VORLANE_HOME", c.vorlaneHome), b("XDG_CONFIG_HOME", c.xdgConfig),
            h("HOME", c.home);
        SysError err;
        EXPECT_EQ(WindowsDirectory(&err), c.expected) << c.name;
        EXPECT_EQ(err.dosCode, 0) << c.name;
        EXPECT_EQ(test::FileMode(c.expected), 0700u) << c.name;
    }
}

// A relative VORLANE_HOME (as a test or a script sets it) once sent the
// settings and the database to the user's real ~/.config/vorlane.
TEST(ProgramDirsTest, RelativeVorlaneHomeIsTakenFromTheWorkingDirectoryNeverTheRealHome) {
    TempDir dir;
    ::mkdir((dir / "work").c_str(), 0700);
    test::ScopedWorkingDirectory cwd(dir / "work");
    ScopedEnv xdg("XDG_CONFIG_HOME", dir / "xdg"), home("HOME", dir / "home");
    struct Case {
        const char* value;
        std::string expected;
    } cases[] = {
        {"rel", dir / "work/rel"},
        {"./a/b/", dir / "work/./a/b"},
        {"../up", dir / "work/../up"},
    };
    for (const Case& c : cases) {
        ScopedEnv env("VORLANE_HOME", c.value);
        SysError err;
        EXPECT_EQ(WindowsDirectory(&err), c.expected) << c.value;
        EXPECT_EQ(err.dosCode, 0) << c.value;
        EXPECT_EQ(test::FileMode(c.expected), 0700u) << c.value;
    }
    EXPECT_FALSE(test::FileExists(dir / "xdg/vorlane"));
    EXPECT_FALSE(test::FileExists(dir / "home/.config"));
}

TEST(ProgramDirsTest, WindowsDirectoryThatCannotBeMadeIsReportedWithItsPath) {
    TempDir dir;
    test::WriteFile(dir / "file", "x");
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

} // namespace
} // namespace vorlane::platform
