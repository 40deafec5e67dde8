// The parser: the command word, the tokenizer's quote rules, the classes
// of tokens on a hermetic drive map, the order of switches, and dispatch
// (help, drive switch, the launch fallback). A refused line runs nothing.
#include "command/CCommandLine.h"
#include "CommandTestHost.h"
#include "ui/MessageText.h"

#include <gtest/gtest.h>

namespace vorlane::command {
namespace {

using test::TestHost;

TEST(CommandWordTest, SplitsAtTheFirstBlank) {
    struct Case {
        std::string line, word, rest;
    };
    const Case cases[] = {
        {"copy a b", "copy", "a b"},
        {"  dir   ", "dir", "  "},
        {"cd", "cd", ""},
        {"\tmd\t x", "md", " x"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string word, rest;
        SplitCommandWord(c.line, &word, &rest);
        EXPECT_EQ(word, c.word) << c.line;
        EXPECT_EQ(rest, c.rest) << c.line;
    }
}

TEST(TokenizeTest, QuoteRules) {
    struct Case {
        std::string text;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"a  b\tc", {"a", "b", "c"}},
        {"\"C:\\My Files\\a.txt\" D:\\", {"C:\\My Files\\a.txt", "D:\\"}},
        // The character after a closing quote is skipped.
        {"\"a b\"x c", {"a b", "c"}},
        // An unbalanced quote runs to the end.
        {"x \"open to the end", {"x", "open to the end"}},
        // Quotes inside a token are not special.
        {"ab\"cd\" e", {"ab\"cd\"", "e"}},
        {"\"\"", {""}},
        {"   ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Tokenize(c.text), c.tokens) << c.text;
}

class ClassifyTest : public ::testing::Test {
  protected:
    ClassifyTest() {
        ::mkdir(m_host.C("DOCS").c_str(), 0700);
        ::mkdir(m_host.C("DOCS/Sub").c_str(), 0700);
        vorlane::test::WriteFile(m_host.C("DOCS/A.TXT"), "a");
        vorlane::test::WriteFile(m_host.C("readme"), "lower");
        vorlane::test::WriteFile(m_host.C("README"), "upper");
        vorlane::test::WriteFile(m_host.C("Notes.txt"), "n");
        vorlane::test::WriteFile(m_host.C("BAD.ZIP"), "not a zip at all");
    }
    CCommandArgument Classify(const std::string& token) {
        ui::OperationContext context = m_host.Context();
        return ClassifyArgument(token, {&context.Drives(), "C:\\DOCS"});
    }
    TestHost m_host;
};

TEST_F(ClassifyTest, ClassesInTheirOrder) {
    struct Case {
        std::string token;
        int cls;
    };
    const Case cases[] = {
        {"", kArgInvalid},
        {"/?", kArgHelp},
        {"/n", kArgSwitch},
        {"/", kArgSwitch},
        {"[Every]", kArgGroupEvery},
        {"[TAGGED]", kArgGroupTagged},
        {"[untagged]", kArgGroupUntagged},
        {"[current]", kArgGroupCurrent},
        {"d:", kArgDrive},
        {"Q:", kArgInvalid}, // not mapped
        {"C:\\", kArgDirectory},
        {"..", kArgDirectory},
        {"sub", kArgDirectory},
        {"a.txt", kArgFile},
        {"C:\\DOCS\\*.TXT", kArgWildcard},
        {"C:\\*\\A.TXT", kArgInvalid},     // wildcard before the last backslash
        {"C:\\NONE\\*.TXT", kArgInvalid},  // no such directory
        {"C:\\DOCS\\[*.TXT", kArgInvalid}, // pattern syntax
        {"*.txt", kArgBareWildcard},
        {"new.txt", kArgBareWildcard}, // a bare name is a pattern
        {"[oops", kArgInvalid},
        {".\\new", kArgNewName},
        {"C:\\NewDir", kArgNewName},
        {"C:\\BAD.ZIP", kArgDamagedZip},
        {std::string("a\0b", 3), kArgInvalid},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Classify(c.token).cls, c.cls) << "token '" << c.token << "'";
}

TEST_F(ClassifyTest, PathsSpellWhatExistsAsOnTheDiskAndKeepTheRestAsTyped) {
    // The exact name wins over a case variant; a case variant finds the file.
    CCommandArgument lower = Classify("..\\readme");
    EXPECT_EQ(lower.cls, kArgFile);
    EXPECT_EQ(lower.fullPath, "C:\\readme");
    EXPECT_EQ(Classify("..\\README").fullPath, "C:\\README");
    CCommandArgument notes = Classify("\\NOTES.TXT");
    EXPECT_EQ(notes.cls, kArgFile);
    EXPECT_EQ(notes.name, "Notes.txt");
    CCommandArgument made = Classify("C:\\NewDir\\Deep");
    EXPECT_EQ(made.cls, kArgNewName);
    EXPECT_EQ(made.fullPath, "C:\\NewDir\\Deep");
    // Directories typed in another case are spelt as on the disk, so the
    // paths a command reports and announces are the ones the windows show.
    struct Case {
        const char* token;
        int cls;
        const char* directory;
        const char* fullPath;
    } cases[] = {
        {"c:\\docs\\a.txt", kArgFile, "C:\\DOCS", "C:\\DOCS\\A.TXT"},
        {"c:\\docs\\sub", kArgDirectory, "C:\\DOCS\\Sub", "C:\\DOCS\\Sub"},
        {"c:\\docs\\SUB\\new.txt", kArgNewName, "C:\\DOCS\\Sub", "C:\\DOCS\\Sub\\new.txt"},
        {"c:\\docs\\*.txt", kArgWildcard, "C:\\DOCS", "C:\\DOCS\\*.txt"},
        {"sub\\..\\a.txt", kArgFile, "C:\\DOCS", "C:\\DOCS\\A.TXT"},
    };
    for (const Case& c : cases) {
        const CCommandArgument a = Classify(c.token);
        EXPECT_EQ(a.cls, c.cls) << c.token;
        EXPECT_EQ(a.directory, c.directory) << c.token;
        EXPECT_EQ(a.fullPath, c.fullPath) << c.token;
    }
    // Nothing is cut: a long new name stays whole.
    const std::string longName(300, 'x');
    EXPECT_EQ(Classify("C:\\" + longName).name, longName);
}

TEST(FullPathTest, WorkingDirectoryAndFolding) {
    struct Case {
        std::string typed, expected;
    };
    const Case cases[] = {
        {"a.txt", "C:\\DOCS\\a.txt"}, {"..\\x", "C:\\x"},          {"..\\..\\..", "C:\\"},
        {"\\Top", "C:\\Top"},         {"d:\\a\\.\\b", "D:\\a\\b"}, {"D:rel", "D:\\rel"},
        {"C:rel", "C:\\DOCS\\rel"},   {"c:/x//y/", "C:\\x\\y"},    {"1:\\x", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeFullDosPath(c.typed, "C:\\DOCS"), c.expected) << c.typed;
}

TEST(CommandTableTest, WordsWithoutRegardToCase) {
    EXPECT_EQ(FindCommand("COPY")->id, CommandId::Copy);
    EXPECT_EQ(FindCommand("touch")->id, CommandId::Touch);
    EXPECT_EQ(FindCommand("ziptoexe")->helpContext, 24364);
    EXPECT_EQ(FindCommand("Rd")->helpContext, 24331);
    EXPECT_EQ(FindCommand("xcopy"), nullptr);
    EXPECT_EQ(CommandTable().size(), 18u);
}

class DispatchTest : public ::testing::Test {
  protected:
    DispatchTest() {
        vorlane::test::WriteFile(m_host.C("A.TXT"), "a");
        ::mkdir(m_host.D("B").c_str(), 0700);
    }
    TestHost m_host;
};

TEST_F(DispatchTest, SwitchesMoveFirstAndSourceStaysBeforeTarget) {
    CCommandLine line(m_host);
    ASSERT_TRUE(line.ParseArguments("A.TXT /p D:\\B /n /t"));
    std::vector<std::string> order;
    for (const CCommandArgument& a : line.Arguments())
        order.push_back(a.text);
    EXPECT_EQ(order, (std::vector<std::string>{"/p", "/n", "/t", "A.TXT", "D:\\B"}));
}

TEST_F(DispatchTest, RefusedLinesRunNothing) {
    vorlane::test::WriteFile(m_host.C("BAD.ZIP"), "garbage");
    struct Case {
        std::string line, message;
    };
    const Case cases[] = {
        {"del A.TXT [oops /y",
         "'[oops' is an illegal argument! Please correct and issue command again."},
        {"copy A.TXT C:\\*\\X.TXT",
         "'C:\\*\\X.TXT' is an illegal argument! Please correct and issue command again."},
        {"del BAD.ZIP\\*.* /y", "'BAD.ZIP\\*.*' is a damaged zip file."},
        {"move A.TXT Q:", "'Q:' is an illegal argument! Please correct and issue command again."},
        {"q:", "Drive 'Q' is an invalid drive!"},
        {"del A.TXT /?", ""}, // help only
    };
    for (const Case& c : cases) {
        m_host.Ui().Reset();
        m_host.calls.clear();
        bool ok = m_host.Run(c.line);
        EXPECT_EQ(ok, c.message.empty()) << c.line;
        if (!c.message.empty()) {
            ASSERT_EQ(m_host.Ui().Texts(), std::vector<std::string>{c.message}) << c.line;
            EXPECT_EQ(m_host.Ui().Shown()[0].caption, "Command Line");
            EXPECT_TRUE(m_host.calls.empty()) << c.line;
        }
        EXPECT_TRUE(vorlane::test::FileExists(m_host.C("A.TXT"))) << c.line;
        EXPECT_TRUE(m_host.Notices().empty()) << c.line;
    }
    EXPECT_EQ(m_host.calls, std::vector<std::string>{"help 24338"});
}

TEST_F(DispatchTest, HostileLinesGiveAMessage) {
    struct Case {
        std::string name, line, message;
    };
    const std::string longName(100000, 'x');
    const std::string longPath = "C:\\" + std::string(50000, 'd') + "\\" + longName;
    const Case cases[] = {
        {"long name", "md C:\\" + longName, ""}, // refused by the driver, not cut
        {"long path", "copy A.TXT " + longPath,
         "Parameter '" + longPath + "' is not a valid target parameter for command 'COPY'."},
        {"unbalanced quote", "ren \"A.TXT B.TXT",
         "A target parameter was not specified for "
         "command 'RENAME'!"},
        // The message ends the name at the NUL.
        {"NUL byte", std::string("del A\0.TXT /y", 13),
         "'A' is an illegal argument! Please correct and issue command again."},
        {"invalid UTF-8", "cd \xff\xfe", "Parameter '\xff\xfe' is invalid for command 'CHDIR'."},
    };
    for (const Case& c : cases) {
        m_host.Ui().Reset();
        EXPECT_FALSE(m_host.Run(c.line)) << c.name;
        ASSERT_EQ(m_host.Ui().Texts().size(), 1u) << c.name;
        if (!c.message.empty()) {
            EXPECT_EQ(m_host.Ui().Texts()[0], ui::LimitMessageText(c.message)) << c.name;
        }
    }
    EXPECT_EQ(vorlane::test::ListDir(m_host.C("")), std::vector<std::string>{"A.TXT"});
}

TEST_F(DispatchTest, HelpDriveSwitchAndLaunch) {
    struct Case {
        std::string line, call;
    };
    const std::string cDir = m_host.C("");
    const std::string workDir = cDir.substr(0, cDir.size() - 1);
    const Case cases[] = {
        {"COPY /? A.TXT", "help 24339"},
        {"Touch /?", "help 24363"},
        {"d:", "drive D"},
        {"editor A.TXT \"my notes.txt\"", "run editor [A.TXT] [my notes.txt] in " + workDir},
        {"a.txt -x", "open " + m_host.C("A.TXT") + " [-x] in " + workDir},
    };
    for (const Case& c : cases) {
        m_host.calls.clear();
        EXPECT_TRUE(m_host.Run(c.line)) << c.line;
        EXPECT_EQ(m_host.calls, std::vector<std::string>{c.call}) << c.line;
    }
    m_host.launchResult = 2;
    EXPECT_FALSE(m_host.Run("nosuchprogram x"));
    EXPECT_EQ(m_host.Ui().Texts().back(),
              "No program or association found for nosuchprogram!\nError code = 2");
}

} // namespace
} // namespace vorlane::command
