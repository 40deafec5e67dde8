// `vorlane --find`: options, operands, DOS paths out, exit codes; and the
// real executable once, to see the mode is there and reads VORLANE_DRIVES.
#include "console/FindCommand.h"

#include "platform/ProgramDirs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vorlane::console {
namespace {

using test::TempDir;
using test::WriteFile;

struct Outcome {
    int exitCode = -1;
    std::vector<std::string> lines; // sorted: the walk's order is not fixed
    std::string err;
};

Outcome RunFind(const std::vector<std::string>& args, const platform::DriveMap& drives,
                char terminator = '\n') {
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(a.data());
    std::ostringstream out, err;
    Outcome o;
    o.exitCode = FindMain(static_cast<int>(argv.size()), argv.data(), out, err, drives, nullptr);
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line, terminator);)
        o.lines.push_back(line);
    std::sort(o.lines.begin(), o.lines.end());
    o.err = err.str();
    return o;
}

void SetMtime(const std::string& path, int64_t seconds) {
    struct timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

class FindCommandTest : public ::testing::Test {
  protected:
    FindCommandTest() {
        ::mkdir((m_dir / "Docs").c_str(), 0755);
        ::mkdir((m_dir / "Docs/Old").c_str(), 0755);
        WriteFile(m_dir / "Docs/report.txt", "Quarterly numbers\n");
        WriteFile(m_dir / "Docs/big.bin", std::string(3 * 1024 * 1024, 'z'));
        WriteFile(m_dir / "Docs/Old/notes.TXT", "quarterly draft\n");
        WriteFile(m_dir / "Docs/.hidden.txt", "nothing");
        WriteFile(m_dir / "Docs/ro.txt", "read only");
        ::chmod((m_dir / "Docs/ro.txt").c_str(), 0444);
        ::mkfifo((m_dir / "Docs/pipe.txt").c_str(), 0644);
        SetMtime(m_dir / "Docs/Old/notes.TXT", 1262347200); // 2010-01-01 12:00 UTC
        m_drives.Set('C', m_dir.path());
    }
    TempDir m_dir;
    platform::DriveMap m_drives;
};

TEST_F(FindCommandTest, MatchesAndExitCodes) {
    using V = std::vector<std::string>;
    struct Case {
        const char* name;
        V args;
        int exitCode;
        V lines;
    };
    const V all = {"C:\\Docs\\.hidden.txt", "C:\\Docs\\Old\\notes.TXT", "C:\\Docs\\big.bin",
                   "C:\\Docs\\report.txt", "C:\\Docs\\ro.txt"};
    const Case cases[] = {
        {"every file, the FIFO left out", {"C:\\DOCS"}, 0, all},
        {"the drive root, a lower-case path", {"c:/docs/old"}, 0, {"C:\\Docs\\Old\\notes.TXT"}},
        {"wildcards without case",
         {"C:\\", "--name", "-.*;*.txt"},
         0,
         {"C:\\Docs\\Old\\notes.TXT", "C:\\Docs\\report.txt", "C:\\Docs\\ro.txt"}},
        {"text with case",
         {"C:\\DOCS", "--containing", "quarterly"},
         0,
         {"C:\\Docs\\Old\\notes.TXT"}},
        {"text without case",
         {"C:\\DOCS", "--containing", "QUARTERLY", "-i"},
         0,
         {"C:\\Docs\\Old\\notes.TXT", "C:\\Docs\\report.txt"}},
        {"a pattern",
         {"C:\\DOCS", "--regex", "--containing", "^Q.*s$"},
         0,
         {"C:\\Docs\\report.txt"}},
        {"size above 1M", {"C:\\DOCS", "--size", ">1M"}, 0, {"C:\\Docs\\big.bin"}},
        {"size range in KB",
         {"C:\\DOCS", "--size", ">=1", "--size", "<3072k"},
         0,
         {"C:\\Docs\\.hidden.txt", "C:\\Docs\\Old\\notes.TXT", "C:\\Docs\\report.txt",
          "C:\\Docs\\ro.txt"}},
        {"date before, ISO form",
         {"C:\\DOCS", "--date", "<2011-01-01"},
         0,
         {"C:\\Docs\\Old\\notes.TXT"}},
        {"date on or after, DOS form",
         {"C:\\DOCS", "--date", ">=01/01/2011"},
         0,
         {"C:\\Docs\\.hidden.txt", "C:\\Docs\\big.bin", "C:\\Docs\\report.txt",
          "C:\\Docs\\ro.txt"}},
        {"read-only and not hidden", {"C:\\DOCS", "--attrib", "+r-h"}, 0, {"C:\\Docs\\ro.txt"}},
        {"hidden", {"C:\\DOCS", "--attrib", "h"}, 0, {"C:\\Docs\\.hidden.txt"}},
        {"nothing found", {"C:\\DOCS", "--name", "*.jpg"}, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = RunFind(c.args, m_drives);
        EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
        EXPECT_EQ(o.lines, c.lines);
    }
}

TEST_F(FindCommandTest, NulSeparatedOutput) {
    Outcome o = RunFind({"-0", "C:\\Docs\\OLD"}, m_drives, '\0');
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.lines, std::vector<std::string>{"C:\\Docs\\Old\\notes.TXT"});
}

TEST_F(FindCommandTest, ErrorsExitTwo) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* errPart;
    };
    const Case cases[] = {
        {"unknown option", {"C:\\", "--frob"}, "unknown option '--frob'"},
        {"no path", {"--name", "*.txt"}, "give one DOSPATH"},
        {"two paths", {"C:\\", "C:\\DOCS"}, "give one DOSPATH"},
        {"no drive", {"DOCS"}, "no DOS path with a drive"},
        {"drive not mapped", {"Q:\\"}, "Q:"},
        {"missing directory", {"C:\\NOWHERE"}, "NOWHERE"},
        {"bad pattern", {"C:\\", "--regex", "--containing", "*a"}, "--find: "},
        {"option without its value", {"C:\\", "--containing"}, "needs TEXT"},
        {"bad size", {"C:\\", "--size", ">1X"}, "bad size '>1X'"},
        {"size past 32 bits", {"C:\\", "--size", "9999999G"}, "bad size"},
        {"bad date", {"C:\\", "--date", "2026-13-01"}, "bad date"},
        {"bad attributes", {"C:\\", "--attrib", "+x"}, "bad attributes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome o = RunFind(c.args, m_drives);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_TRUE(o.lines.empty());
        EXPECT_NE(o.err.find(c.errPart), std::string::npos) << o.err;
    }
}

TEST_F(FindCommandTest, ExecutableReadsTheDriveMapAndPrintsPaths) {
    TempDir home;
    const std::string command =
        "VORLANE_HOME='" + home.path() + "' VORLANE_DRIVES='C=" + m_dir.path() + "' '" +
        platform::ProgramDirectory() + "/vorlane' --find 'C:\\DOCS\\OLD' --name '*.txt' >'" +
        home / "out" + "' 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::ReadFile(home / "out"), "C:\\Docs\\Old\\notes.TXT\n");
}

} // namespace
} // namespace vorlane::console
