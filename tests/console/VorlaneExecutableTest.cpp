// The real vorlane executable, run as a user runs it: options, the console
// front end on piped input, and the settings file it leaves behind.
#include "platform/Profile.h"
#include "platform/ProgramDirs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <vector>

extern char** environ;

namespace vorlane::console {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ExecutableBesideUs() {
    char self[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/')) + "/vorlane";
}

// Runs vorlane with args, the environment changed by env, and input on its
// standard input; collects its exit code and output.
Outcome RunVorlane(const test::TempDir& dir, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& env, const std::string& input) {
    test::WriteFile(dir / "stdin", input);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, (dir / "stdin").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (dir / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (dir / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);

    const std::string program = ExecutableBesideUs();
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        size_t eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [name, value] : env)
        merged[name] = value;
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : merged)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    Outcome outcome;
    pid_t pid;
    int rc = posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << rc;
        return outcome;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = test::ReadFile(dir / "stdout");
    outcome.err = test::ReadFile(dir / "stderr");
    return outcome;
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

TEST_F(VorlaneExecutableTest, Version) {
    Outcome o = RunVorlane(m_dir, {"--version"}, m_env, "");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out, "Vorlane 3.72\n");
    EXPECT_FALSE(test::FileExists(m_dir / "home/VORLANE.INI"));
}

TEST_F(VorlaneExecutableTest, UnknownOptionIsRefused) {
    Outcome o = RunVorlane(m_dir, {"--frobnicate"}, m_env, "");
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_EQ(o.err, "vorlane: unknown option '--frobnicate'. Try 'vorlane --help'.\n");
    EXPECT_FALSE(test::FileExists(m_dir / "home/VORLANE.INI"));
}

TEST_F(VorlaneExecutableTest, ConsoleExitWritesEveryDefaultKey) {
    Outcome o = RunVorlane(m_dir, {"--console"}, m_env, "EXIT\n");
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
    Outcome o = RunVorlane(m_dir, {}, m_env, "");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_NE(o.out.find("Vorlane> "), std::string::npos);
    EXPECT_TRUE(test::FileExists(m_dir / "home/VORLANE.INI"));
}

TEST_F(VorlaneExecutableTest, UnwritableSettingsDirectoryStillExits) {
    test::WriteFile(m_dir / "plain", "x");
    m_env["VORLANE_HOME"] = m_dir / "plain/home";
    Outcome o = RunVorlane(m_dir, {"--console"}, m_env, "EXIT\n");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_NE(o.out.find("Error!: Unable to save the Vorlane settings to '" + m_dir.path() +
                         "/plain/home/VORLANE.INI'!"),
              std::string::npos)
        << o.out;
}

TEST_F(VorlaneExecutableTest, BinarySettingsFileStartsWithDefaultsAndKeepsItsBytes) {
    ::mkdir((m_dir / "home").c_str(), 0700);
    std::string garbage;
    for (int i = 0; i < 512; ++i)
        garbage.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    test::WriteFile(m_dir / "home/VORLANE.INI", garbage);
    Outcome o = RunVorlane(m_dir, {"--console"}, m_env, "SET\nEXIT\n");
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_NE(o.out.find("Initial Mode=101\n"), std::string::npos);
    platform::ProfileFile ini(m_dir / "home/VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    EXPECT_EQ(ini.GetInt("Startup Settings", "Initial Mode", 0), 101);
}

} // namespace
} // namespace vorlane::console
