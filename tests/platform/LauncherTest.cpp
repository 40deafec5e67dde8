#include "platform/Launcher.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorlane::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;

// Writes an executable script. It writes its directory and then each
// argument on a line of its own ("[arg]") to out, then creates out.done;
// only shell built-ins are used, so a test may empty $PATH.
void WriteRecorder(const std::string& path, const std::string& out,
                   const std::string& waitFor = "") {
    std::string script = "#!/bin/sh\n";
    if (!waitFor.empty())
        script += "while [ ! -e '" + waitFor + "' ]; do sleep 0.05; done\n";
    script += "{ pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '" + out + "'\n: > '" +
              out + ".done'\n";
    test::WriteFile(path, script);
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

// Waits for the launched script to finish writing (the launcher itself
// never waits), failing after a generous limit instead of hanging.
std::string AwaitOutput(const std::string& out) {
    for (int i = 0; i < 3000 && !test::FileExists(out + ".done"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!test::FileExists(out + ".done"))
        return "<never written>";
    return test::ReadFile(out);
}

// The launcher reaps its intermediate child at once and the program is
// adopted elsewhere, so this process has no child left at all.
bool NoChildrenLeft() {
    return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

struct LauncherTest : ::testing::Test {
    TempDir dir;
    std::string out = dir / "out.txt";
};

TEST_F(LauncherTest, ProgramGetsEveryArgumentAsOneWordWithoutAShell) {
    WriteRecorder(dir / "prog", out);
    ::mkdir((dir / "work").c_str(), 0755);
    const std::vector<std::string> args = {
        "plain", "with  blanks", "quote\"s'", "$(touch pwned)",
        "*",     ";ls",          "",          FileArgument("-rf", dir / "work")};
    SysError err;
    EXPECT_EQ(LaunchProgram(dir / "prog", args, dir / "work", &err), kLaunchStarted) << err.message;
    EXPECT_TRUE(NoChildrenLeft());
    EXPECT_EQ(AwaitOutput(out), dir / "work\n[plain]\n[with  blanks]\n[quote\"s']\n"
                                      "[$(touch pwned)]\n[*]\n[;ls]\n[]\n[" +
                                    dir / "work/-rf]\n");
    EXPECT_FALSE(test::FileExists(dir / "work/pwned"));
}

TEST_F(LauncherTest, LaunchReturnsWithoutWaitingForTheProgram) {
    WriteRecorder(dir / "slow", out, dir / "go");
    EXPECT_EQ(LaunchProgram(dir / "slow", {"a"}), kLaunchStarted);
    EXPECT_FALSE(test::FileExists(out + ".done")); // still waiting for "go"
    test::WriteFile(dir / "go", "");
    EXPECT_NE(AwaitOutput(out), "<never written>");
    EXPECT_TRUE(NoChildrenLeft());
}

TEST_F(LauncherTest, BareNamesAreFoundInPathThenInTheWorkingDirectory) {
    ::mkdir((dir / "bin").c_str(), 0755);
    ::mkdir((dir / "here").c_str(), 0755);
    WriteRecorder(dir / "bin/tool", out);
    WriteRecorder(dir / "here/local", dir / "local.txt");
    ScopedEnv path("PATH", "relative:" + dir / "bin");
    EXPECT_EQ(LaunchProgram("tool", {"x"}, dir / "here"), kLaunchStarted);
    EXPECT_EQ(AwaitOutput(out), dir / "here\n[x]\n");
    EXPECT_EQ(LaunchProgram("local", {}, dir / "here"), kLaunchStarted);
    EXPECT_EQ(AwaitOutput(dir / "local.txt"), dir / "here\n");
    EXPECT_EQ(LaunchProgram("local", {}), kLaunchFileNotFound);
}

TEST_F(LauncherTest, FailuresGiveShellExecuteCodesBelow32) {
    test::WriteFile(dir / "noexec", "#!/bin/sh\n");
    test::WriteFile(dir / "noshebang", "echo hi\n");
    ::chmod((dir / "noshebang").c_str(), 0755);
    ::mkdir((dir / "adir").c_str(), 0755);
    WriteRecorder(dir / "prog", out);
    struct Case {
        const char* name;
        std::string program;
        std::string workDir;
        int result;
    } cases[] = {
        {"missing directory", dir / "none/prog", "", kLaunchPathNotFound},
        {"not in path", "vorlane-no-such-program", "", kLaunchFileNotFound},
        {"work dir is a file", dir / "prog", dir / "noexec", kLaunchPathNotFound},
        {"directory", dir / "adir", "", kLaunchAccessDenied},
        {"no execute permission", dir / "noexec", "", kLaunchAccessDenied},
        {"not a format the host runs", dir / "noshebang", "", kLaunchBadFormat},
    };
    for (const Case& c : cases) {
        SysError err;
        EXPECT_EQ(LaunchProgram(c.program, {}, c.workDir, &err), c.result) << c.name;
        EXPECT_FALSE(err.message.empty()) << c.name;
        EXPECT_TRUE(NoChildrenLeft()) << c.name;
    }
}

TEST_F(LauncherTest, DocumentsGoToTheOpenerAsOneAbsolutePath) {
    WriteRecorder(dir / "opener", out);
    ScopedEnv opener("VORLANE_OPENER", dir / "opener");
    ::mkdir((dir / "docs").c_str(), 0755);
    test::WriteFile(dir / "docs/-my report.txt", "text");
    SysError err;
    EXPECT_EQ(LaunchDocument("-my report.txt", dir / "docs", &err), kLaunchStarted) << err.message;
    EXPECT_EQ(AwaitOutput(out), dir / "docs\n[" + dir / "docs/-my report.txt]\n");
    EXPECT_TRUE(NoChildrenLeft());

    EXPECT_EQ(LaunchDocument(dir / "nodir/missing.txt"), kLaunchPathNotFound);
    ScopedEnv gone("VORLANE_OPENER", dir / "no-opener");
    EXPECT_EQ(LaunchDocument(dir / "docs/-my report.txt", "", &err), kLaunchNoAssociation);
    EXPECT_NE(err.message.find("no-opener"), std::string::npos);
    ScopedEnv path("PATH", dir / "empty-path");
    ScopedEnv none("VORLANE_OPENER", std::nullopt); // xdg-open, not to be found here
    EXPECT_EQ(LaunchDocument(dir / "docs/-my report.txt"), kLaunchNoAssociation);
}

TEST_F(LauncherTest, LaunchFileRunsProgramsAndOpensEverythingElse) {
    WriteRecorder(dir / "opener", dir / "opened.txt");
    ScopedEnv opener("VORLANE_OPENER", dir / "opener");
    WriteRecorder(dir / "script", out);
    test::WriteFile(dir / "notes.txt", "text");
    ::chmod((dir / "notes.txt").c_str(), 0755); // executable bit on a document (FAT mounts)
    EXPECT_EQ(LaunchFile("script", {"arg"}, dir.path()), kLaunchStarted);
    EXPECT_EQ(AwaitOutput(out), dir.path() + "\n[arg]\n");
    EXPECT_EQ(LaunchFile(dir / "notes.txt", {"ignored"}, dir.path()), kLaunchStarted);
    EXPECT_EQ(AwaitOutput(dir / "opened.txt"), dir.path() + "\n[" + dir / "notes.txt]\n");
}

} // namespace
} // namespace vorlane::platform
