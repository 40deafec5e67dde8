#include "search/GrepCommand.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace vorlane::search {
namespace {

using test::TempDir;
using test::WriteFile;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Grep(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    std::ostringstream out;
    std::ostringstream err;
    int status = GrepMain(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

class GrepCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(m_a, "Zephyr one\r\ntwo\r\nzephyr three\r\n");
        WriteFile(m_b, "nothing here\nx.y\n");
    }
    TempDir m_dir;
    std::string m_a = m_dir / "a.txt", m_b = m_dir / "b.txt";
};

TEST_F(GrepCommandTest, ReportAndExitStatus) {
    Result r = Grep({"zephyr", m_a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "File: '" + m_a + "' \n\n3      zephyr three\n\n1 lines found.\n");
    EXPECT_EQ(r.err, "");

    r = Grep({"-h"}); // help goes to the output
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Usage: vorlane --grep", 0), 0u);
}

TEST_F(GrepCommandTest, Options) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {"count ignoring case", {"-ic", "zephyr", m_a}, 0, "2\n"},
        {"count of none", {"-c", "zephyr", m_b}, 1, "0\n"},
        {"counts of several files",
         {"-c", "-i", "zephyr", m_a, m_b},
         0,
         m_a + ":2\n" + m_b + ":0\n"},
        {"plain text is literal", {"-cF", "x.*", m_b}, 1, "0\n"},
        {"quiet without a match", {"-q", "absent", m_a}, 1, ""},
        {"end of options", {"-c", "--", "-x", m_a}, 1, "0\n"},
    };
    for (const Case& c : cases) {
        Result r = Grep(c.args);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
    }
}

TEST_F(GrepCommandTest, ErrorsGiveStatusTwoAndAMessage) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string errStart;
    };
    const Case cases[] = {
        {"bad pattern",
         {"a**", m_a},
         "vorlane --grep: '*' must be preceeded by a character (not a special character).\n"},
        {"unknown option", {"-x", "a", m_a}, "vorlane --grep: unknown option '-x'\n"},
        {"no file", {"zephyr"}, "vorlane --grep: a PATTERN and at least one FILE are needed\n"},
        {"missing file",
         {"zephyr", m_dir / "missing"},
         "vorlane --grep: Cannot open '" + (m_dir / "missing") + "': "},
    };
    for (const Case& c : cases) {
        Result r = Grep(c.args);
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << c.name << ": " << r.err;
    }
    // A missing file among good ones: the others are still searched.
    Result r = Grep({"-c", "zephyr", m_dir / "missing", m_a});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, m_a + ":1\n");
    // ... but quiet with a match succeeds, as grep does.
    EXPECT_EQ(Grep({"-q", "zephyr", m_dir / "missing", m_a}).status, 0);
}

} // namespace
} // namespace vorlane::search
