// Tab completion of a typed line: command words, file group words and paths
// on a hermetic drive, each case the line before and after.
#include "command/CommandCompletion.h"
#include "CommandTestHost.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vorlane::command {
namespace {

using vorlane::test::WriteFile;

TEST(CommandCompletionTest, CompletesTheLastWord) {
    test::TestHost host;
    ::mkdir(host.C("DOCS").c_str(), 0700);
    ::mkdir(host.C("DOCS/My Files").c_str(), 0700);
    ::mkdir(host.C("DOCS/Reports").c_str(), 0700);
    WriteFile(host.C("DOCS/readme.txt"), "r");
    WriteFile(host.C("DOCS/Report 1.txt"), "r");
    WriteFile(host.C("DOCS/My Files/note.txt"), "n");
    const platform::DriveMap& drives = host.Context().Drives();
    struct Case {
        const char* typed;
        const char* completed;
        size_t candidates;
    } cases[] = {
        {"copy [ta", "copy [tagged]", 1},
        {"del [U", "del [untagged]", 1},
        {"copy [", "copy [", 4},
        {"zip", "ZipToExe", 1},
        {"  re", "  ren", 2},                  // ren, rename
        {"ren", "ren", 2},                     // already what both share
        {"copy rea", "copy readme.txt", 1},    // the disk's spelling
        {"copy README x", "copy README x", 0}, // nothing named x
        {"copy Rep", "copy Report", 2},        // "Report 1.txt" and "Reports\"
        {"copy Reports", "copy Reports\\", 1}, // a directory gets its "\"
        {"cd my", "cd \"My Files\\", 1},       // quoted, left open inside
        {"copy \"My Files\\no", "copy \"My Files\\note.txt\"", 1},
        {"copy \"My Files\" D:\\", "copy \"My Files\" D:\\", 0}, // D: is empty
        {"cd C:\\DO", "cd C:\\DOCS\\", 1},
        {"cd c:do", "cd c:DOCS\\", 1}, // a drive without "\": its root
        {"cd ..\\DOCS\\rep", "cd ..\\DOCS\\Report", 2},
        {"copy *.txt Q:\\", "copy *.txt Q:\\", 0}, // no such drive
    };
    for (const Case& c : cases) {
        const Completion done = CompleteLine(c.typed, "C:\\DOCS", drives);
        EXPECT_EQ(done.line, c.completed) << c.typed;
        EXPECT_EQ(done.candidates.size(), c.candidates) << c.typed;
    }
}

} // namespace
} // namespace vorlane::command
