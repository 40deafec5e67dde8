// The real vorlane executable, run as a user runs it: options, the console
// front end on piped input, and the settings file it leaves behind.
#include "objdb/CAppObjectDatabase.h"
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace vorlane::console {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the vorlane built beside this test with args (no quotes in them), the
// environment changed by env, and input on its standard input.
Outcome RunVorlane(const test::TempDir& dir, const std::string& args,
                   const std::map<std::string, std::string>& env, const std::string& input) {
    test::WriteFile(dir / "stdin", input);
    std::vector<std::unique_ptr<test::ScopedEnv>> scoped;
    for (const auto& [name, value] : env)
        scoped.push_back(std::make_unique<test::ScopedEnv>(name, value));
    const std::string command = "'" + platform::ProgramDirectory() + "/vorlane' " + args + " <'" +
                                dir / "stdin" + "' >'" + dir / "stdout" + "' 2>'" + dir / "stderr" +
                                "'";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadFile(dir / "stdout"),
            test::ReadFile(dir / "stderr")};
}

class VorlaneExecutableTest : public ::testing::Test {
  protected:
    VorlaneExecutableTest() {
        ::mkdir((m_dir / "c").c_str(), 0700);
        m_env["VORLANE_HOME"] = m_dir / "home";
        m_env["VORLANE_DRIVES"] = "C=" + m_dir.path() + "/c";
    }
    test::TempDir m_dir;
    std::map<std::string, std::string> m_env;
};

TEST_F(VorlaneExecutableTest, OptionsThatEndAtOnceWriteNoSettings) {
    Outcome o = RunVorlane(m_dir, "--version", m_env, "");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out, "Vorlane 3.72\n");
    o = RunVorlane(m_dir, "--frobnicate", m_env, "");
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_EQ(o.err, "vorlane: unknown option '--frobnicate'. Try 'vorlane --help'.\n");
    EXPECT_FALSE(test::FileExists(m_dir / "home/VORLANE.INI"));
}

TEST_F(VorlaneExecutableTest, ConsoleExitWritesEveryDefaultKey) {
    Outcome o = RunVorlane(m_dir, "--console", m_env, "EXIT\n");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out.substr(0, o.out.find('\n')),
              "Vorlane 3.72 (console). Type HELP for the commands, EXIT to leave.");
    EXPECT_EQ(o.err, "");

    platform::ProfileFile ini(m_dir / "home/VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    const std::vector<std::pair<std::string, size_t>> sections = {
        {"Advanced Settings", 8}, {"Drive Settings", 3},   {"Editor Settings", 4},
        {"Path Settings", 1},     {"Startup Settings", 1}, {"Viewer Settings", 3},
        {"Window Settings", 1},   {"General", 7},
    };
    for (const auto& [section, count] : sections)
        EXPECT_EQ(ini.Keys(section).size(), count) << section;
    EXPECT_EQ(ini.GetString("Drive Settings", "Drives"), "..c.......................");
    EXPECT_EQ(ini.GetString("Editor Settings", "Command Line"), "notepad %file%");
    EXPECT_EQ(ini.GetString("Path Settings", "Zip Temp Path"), platform::TempDirectory());
}

TEST_F(VorlaneExecutableTest, PlainStartRunsTheConsoleAndEndOfInputExits) {
    Outcome o = RunVorlane(m_dir, "", m_env, "");
    EXPECT_EQ(o.exitCode, 0);
    // The prompt shows the working directory.
    EXPECT_NE(o.out.find("C:\\> "), std::string::npos) << o.out;
    EXPECT_TRUE(test::FileExists(m_dir / "home/VORLANE.INI"));
}

const char kDatabaseMessage[] =
    "Error!: Unable to create/open Vorlane object database! Vorlane currently only supports one "
    "instance of itself (or one user). This limitation will be removed in the near future.";

TEST_F(VorlaneExecutableTest, HomeThatCannotBeMadeEndsWithTheDatabaseMessage) {
    test::WriteFile(m_dir / "plain", "x");
    m_env["VORLANE_HOME"] = m_dir / "plain/home";
    Outcome o = RunVorlane(m_dir, "--console", m_env, "EXIT\n");
    EXPECT_EQ(o.exitCode, 255);
    EXPECT_NE(o.out.find(kDatabaseMessage), std::string::npos) << o.out;
}

TEST_F(VorlaneExecutableTest, SecondInstanceIsRefusedAndLeavesTheFirstOnesFilesAlone) {
    Outcome first = RunVorlane(m_dir, "--console", m_env, "EXIT\n");
    ASSERT_EQ(first.exitCode, 0);
    const std::string ini = test::ReadFile(m_dir / "home/VORLANE.INI");
    const std::string dat = test::ReadFile(m_dir / "home/VORLN32.DAT");

    // This process holds the database as a running instance would.
    objdb::CAppObjectDatabase running;
    std::string error;
    ASSERT_TRUE(running.Open(m_dir / "home/VORLN32.DAT", 30000, &error)) << error;
    Outcome second = RunVorlane(m_dir, "--console", m_env, "EXIT\n");
    EXPECT_EQ(second.exitCode, 255);
    EXPECT_NE(second.out.find(kDatabaseMessage), std::string::npos) << second.out;
    // The reason follows on the next line.
    EXPECT_NE(second.out.find("\nAnother Vorlane is running: '" + m_dir / "home/VORLN32.DAT" +
                              "' is in use."),
              std::string::npos)
        << second.out;
    EXPECT_EQ(test::ReadFile(m_dir / "home/VORLANE.INI"), ini);
    running.Close();
    EXPECT_EQ(test::ReadFile(m_dir / "home/VORLN32.DAT"), dat);
}

} // namespace
} // namespace vorlane::console
