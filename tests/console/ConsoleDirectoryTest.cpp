// The console's DIR listing: directories first, sizes with thousands
// separators, the 4DOS date and time, descriptions, the pattern, totals.
#include "console/ConsoleDirectory.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <utime.h>

namespace vorlane::console {
namespace {

TEST(ConsoleDirectoryTest, FourDosListing) {
    test::TempDir dir;
    ::mkdir((dir / "Sub").c_str(), 0700);
    test::WriteFile(dir / "BIG.DAT", std::string(1234567, 'x'));
    test::WriteFile(dir / "a.txt", "hello");
    test::WriteFile(dir / "DESCRIPT.ION", "a.txt greeting text\n");
    // 2001-09-09 01:46:40 UTC; the listing shows local time, so only its shape is fixed.
    struct utimbuf times = {1000000000, 1000000000};
    ::utime((dir / "a.txt").c_str(), &times);
    const platform::DriveMap drives = platform::DriveMap::FromSpec("C=" + dir.path());

    std::ostringstream all;
    ASSERT_TRUE(PrintDirectory(all, "C:\\", "*.*", drives));
    const std::string text = all.str();
    EXPECT_NE(text.find(" Directory of  C:\\*.*\n"), std::string::npos) << text;
    EXPECT_LT(text.find("Sub  "), text.find("BIG.DAT")); // directories first
    EXPECT_NE(text.find("Sub                  <DIR>  "), std::string::npos) << text;
    EXPECT_NE(text.find("BIG.DAT          1,234,567  "), std::string::npos) << text;
    // a.txt's date: September 2001 ("9-09-01" or "9-08-01" west of UTC).
    EXPECT_NE(text.find(" 9-0"), std::string::npos) << text;
    EXPECT_NE(text.find("  greeting text\n"), std::string::npos) << text;
    EXPECT_NE(text.find("1,234,592 bytes in 3 file(s) and 1 dir(s)"), std::string::npos) << text;

    std::ostringstream some;
    ASSERT_TRUE(PrintDirectory(some, "C:\\", "*.TXT", drives));
    EXPECT_EQ(some.str().find("BIG.DAT"), std::string::npos);
    EXPECT_NE(some.str().find("a.txt"), std::string::npos);

    std::ostringstream missing;
    EXPECT_FALSE(PrintDirectory(missing, "C:\\NONE", "*.*", drives));
    EXPECT_EQ(missing.str(), "Unable to read the directory 'C:\\NONE'.\n");
}

TEST(ConsoleDirectoryTest, InsideAZipFileTheMembersShowTheirOwnSizesAndDates) {
    test::TempDir dir;
    test::TempDir stage;
    ::mkdir((stage / "sub").c_str(), 0700);
    test::WriteFile(stage / "a.txt", "hello");
    test::WriteFile(stage / "caf\xC3\xA9.txt", "h\xC3\xA9llo\n"); // café.txt, 7 bytes
    test::WriteFile(stage / "sub/inner.txt", "x\n");
    struct utimbuf times = {1000000000, 1000000000};
    for (const char* name : {"a.txt", "caf\xC3\xA9.txt", "sub/inner.txt", "sub"})
        ::utime((stage / name).c_str(), &times);
    const std::string command =
        "cd '" + stage.path() + "' && zip -q -X -r '" + (dir / "ARC.ZIP") + "' a.txt caf* sub";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const platform::DriveMap drives = platform::DriveMap::FromSpec("C=" + dir.path());

    std::ostringstream root;
    ASSERT_TRUE(PrintDirectory(root, "C:\\ARC.ZIP", "*.*", drives));
    const std::string text = root.str();
    EXPECT_NE(text.find("sub                  <DIR>   9-0"), std::string::npos) << text;
    EXPECT_NE(text.find("a.txt                    5   9-0"), std::string::npos) << text;
    // A name of UTF-8 letters takes one column a letter.
    EXPECT_NE(text.find("caf\xC3\xA9.txt                 7   9-0"), std::string::npos) << text;
    EXPECT_NE(text.find("  12 bytes in 2 file(s) and 1 dir(s)"), std::string::npos) << text;

    std::ostringstream sub;
    ASSERT_TRUE(PrintDirectory(sub, "C:\\ARC.ZIP\\SUB", "*.TXT", drives));
    EXPECT_NE(sub.str().find("inner.txt                2   9-0"), std::string::npos) << sub.str();
    EXPECT_NE(sub.str().find("  2 bytes in 1 file(s) and 0 dir(s)"), std::string::npos);

    std::ostringstream damaged;
    test::WriteFile(dir / "BAD.ZIP", "PK not a zip file");
    EXPECT_FALSE(PrintDirectory(damaged, "C:\\BAD.ZIP", "*.*", drives));
    EXPECT_EQ(damaged.str(), "Unable to read the directory 'C:\\BAD.ZIP'.\n");
}

TEST(ConsoleDirectoryTest, GroupedNumbers) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {5000000000ULL, "5,000,000,000"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(GroupedNumber(value), text);
}

} // namespace
} // namespace vorlane::console
