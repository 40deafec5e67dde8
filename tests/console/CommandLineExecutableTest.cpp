// The command language from outside: `vorlane -c LINE` and batches piped
// into the console, on a hermetic drive map, checked by exit status, the
// texts printed and the files on the disk afterwards.
#include "objdb/CAppObjectDatabase.h"
#include "platform/ProgramDirs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace vorlane::console {
namespace {

using test::FileExists;
using test::ListDir;
using test::ReadFile;
using test::WriteFile;

struct Result {
    int status = -1;
    std::string out;
};

class CommandLineExecutableTest : public ::testing::Test {
  protected:
    CommandLineExecutableTest() {
        for (const char* dir : {"c", "d", "home", "c/DOCS", "d/BACKUP"})
            ::mkdir((m_dir / dir).c_str(), 0700);
        WriteFile(m_dir / "c/DOCS/A.TXT", "a");
        WriteFile(m_dir / "c/DOCS/B.TXT", "b");
    }

    // Runs vorlane with args (each one word, no shell) in the directory
    // cwd, input on standard input; standard output and error together.
    Result Vorlane(const std::vector<std::string>& args, const std::string& input = "",
                   const std::string& cwd = "") {
        WriteFile(m_dir / "stdin", input);
        const std::string program = platform::ProgramDirectory() + "/vorlane";
        pid_t pid = ::fork();
        if (pid == 0) {
            int in = ::open((m_dir / "stdin").c_str(), O_RDONLY);
            int out = ::open((m_dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(out, 2);
            if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
                ::_exit(120);
            ::setenv("VORLANE_HOME", (m_dir / "home").c_str(), 1);
            ::setenv("VORLANE_DRIVES", ("C=" + m_dir / "c" + ";D=" + m_dir / "d").c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(121);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(m_dir / "out")};
    }
    Result Line(const std::string& line, bool yes = false) {
        if (yes)
            return Vorlane({"--yes", "-c", line});
        return Vorlane({"-c", line});
    }

    test::TempDir m_dir;
};

TEST_F(CommandLineExecutableTest, OneLineExitStatusAndTexts) {
    struct Case {
        std::string line;
        int status;
        std::string output; // a part of what is printed
    };
    const Case cases[] = {
        {"cd C:\\", 0, ""},
        {"md C:\\NewDir", 0, ""},
        {"md C:\\NewDir", 1, "Command Line: Directory 'C:\\NewDir' already exists!\n"},
        {"copy C:\\DOCS\\*.TXT D:\\BACKUP", 0, ""},
        {"copy C:\\DOCS\\A.TXT D:", 1,
         "Parameter 'D:' is not a valid target parameter for command 'COPY'."},
        {"del C:\\DOCS\\*.TXT [every]", 1, "You cannot specify a file group and a wildcard!"},
        {"attrib +r C:\\DOCS\\B.TXT", 0, ""},
        {"ren C:\\DOCS\\A.TXT First.txt", 0, ""},
        {"describe C:\\DOCS\\First.txt \"the first one\"", 0, ""},
        {"dir C:\\DOCS", 0, "the first one"},
        {"C:\\DOCS\\nonesuch.exe", 1, "No program or association found for"},
        {"rd C:\\NewDir /y", 0, ""},
        {"cd C:\\ \"", 1, "'' is an illegal argument!"},
    };
    for (const Case& c : cases) {
        Result r = Line(c.line, true);
        EXPECT_EQ(r.status, c.status) << c.line << "\n" << r.out;
        EXPECT_NE(r.out.find(c.output), std::string::npos) << c.line << "\n" << r.out;
    }
    EXPECT_EQ(ListDir(m_dir / "c"), std::vector<std::string>{"DOCS"});
    EXPECT_EQ(ListDir(m_dir / "d/BACKUP"), (std::vector<std::string>{"A.TXT", "B.TXT"}));
    EXPECT_EQ(ListDir(m_dir / "c/DOCS"),
              (std::vector<std::string>{"B.TXT", "DESCRIPT.ION", "First.txt"}));
    EXPECT_EQ(test::FileMode(m_dir / "c/DOCS/B.TXT") & 0222, 0u);
}

TEST_F(CommandLineExecutableTest, NamesAreTakenExactlyFirst) {
    WriteFile(m_dir / "c/DOCS/readme", "lower");
    WriteFile(m_dir / "c/DOCS/README", "upper");
    // The working directory comes from where vorlane was started.
    Result r = Vorlane({"-c", "del readme /y"}, "", m_dir / "c/DOCS");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(FileExists(m_dir / "c/DOCS/readme"));
    EXPECT_EQ(ReadFile(m_dir / "c/DOCS/README"), "upper");
}

TEST_F(CommandLineExecutableTest, PromptsAreAskedOnTheTerminalUnlessYes) {
    WriteFile(m_dir / "d/BACKUP/A.TXT", "old");
    // Overwrite asked (the answer "n" keeps the old file).
    Result r = Vorlane({"--console"}, "copy C:\\DOCS\\A.TXT D:\\BACKUP /p\nn\n");
    EXPECT_NE(r.out.find("(y)es, (n)o, yes to (a)ll, (c)ancel?"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(m_dir / "d/BACKUP/A.TXT"), "old");
    // --yes answers it.
    r = Vorlane({"--yes", "-c", "copy C:\\DOCS\\A.TXT D:\\BACKUP /p"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(ReadFile(m_dir / "d/BACKUP/A.TXT"), "a");
    // ... but never the drive-root question of RMDIR: the end of input says No.
    r = Vorlane({"--yes", "-c", "rd D:\\ /y"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("on drive 'D' without being prompted! Are you sure?"), std::string::npos);
    EXPECT_TRUE(FileExists(m_dir / "d/BACKUP/A.TXT"));
}

TEST_F(CommandLineExecutableTest, BatchStopsAtTheFirstFailureUnlessKeepGoing) {
    const std::string script = "cd C:\\DOCS\n"
                               "md .\\One\n"
                               "md NEW\n"
                               "md .\\Two\n";
    Result r = Vorlane({"--console"}, script);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("C:\\DOCS> "), std::string::npos);
    EXPECT_NE(r.out.find("Parameter 'NEW' is invalid for command 'MKDIR'."), std::string::npos);
    EXPECT_TRUE(FileExists(m_dir / "c/DOCS/One"));
    EXPECT_FALSE(FileExists(m_dir / "c/DOCS/Two"));

    r = Vorlane({"--keep-going", "--console"}, script);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(FileExists(m_dir / "c/DOCS/Two"));

    r = Vorlane({"--console"}, "cd C:\\DOCS\nmd .\\Three\nexit\n");
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(CommandLineExecutableTest, RefusedWhileAnotherInstanceHoldsTheDatabase) {
    objdb::CAppObjectDatabase running;
    std::string error;
    ASSERT_TRUE(running.Open(m_dir / "home/VORLN32.DAT", 30000, &error)) << error;
    Result r = Line("md C:\\Blocked");
    EXPECT_EQ(r.status, 255) << r.out;
    EXPECT_NE(r.out.find("Unable to create/open Vorlane object database!"), std::string::npos);
    EXPECT_FALSE(FileExists(m_dir / "c/Blocked"));
}

} // namespace
} // namespace vorlane::console
