// The windows remembered under Initial Mode 106: the keys written, what
// is skipped, and layouts that do not parse.
#include "app/SavedWindows.h"
#include "platform/Drives.h"
#include "platform/Profile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace vorlane::app {
namespace {

class SavedWindowsTest : public ::testing::Test {
  protected:
    test::TempDir m_dir;
    platform::DriveMap m_drives =
        platform::DriveMap::FromSpec("C=" + m_dir.path() + ";D=" + m_dir.path());
};

TEST_F(SavedWindowsTest, WritesTheKeysAndSkipsMultiVolumeZipFiles) {
    platform::ProfileFile ini;
    std::vector<OpenWindowInfo> open = {
        {"C:", kDriveKindPlain, "C:\\DOCS", 3, 10, 20, 300, 400},
        {"A:\\DISK1.ZIP", kDriveKindMultiVolumeZip, "A:\\DISK1.ZIP", 1, 0, 0, 1, 1},
        {"D:\\ARCH.ZIP", kDriveKindZip, "D:\\ARCH.ZIP\\SUB", 6, -5, 0, 200, 100},
    };
    EXPECT_EQ(WriteSavedWindows(ini, open), 2);
    const char* s = "Startup Settings";
    EXPECT_EQ(ini.GetString(s, "Drive Name 000"), "C:");
    EXPECT_EQ(ini.GetString(s, "Window Layout 000"), "1,3,10,20,300,400");
    EXPECT_EQ(ini.GetString(s, "Drive Name 001"), "D:\\ARCH.ZIP");
    EXPECT_EQ(ini.GetString(s, "Window Layout 001"), "99,6,-5,0,200,100");
    EXPECT_FALSE(ini.HasKey(s, "Drive Name 002"));
    EXPECT_EQ(ini.GetInt(s, "# of Drives", -1), 2);
}

TEST_F(SavedWindowsTest, ReadingSkipsEntriesWithoutADrive) {
    test::WriteFile(m_dir / "VORLANE.INI", "[Startup Settings]\n"
                                           "# of Drives=5\n"
                                           "Drive Name 000=Q:\n"
                                           "Window Layout 000=1,1,0,0,10,10\n"
                                           "Drive Name 001=\n"
                                           "Drive Name 002=d:\n"
                                           "Initial Directory 002=D:\\\n"
                                           "Window Layout 002=1,1,0,0,10,10\n"
                                           "Drive Name 003=?:\n");
    platform::ProfileFile ini(m_dir / "VORLANE.INI");
    ASSERT_TRUE(ini.Load());
    std::vector<SavedWindow> read = ReadSavedWindows(ini, m_drives);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].driveName, "D:");
    EXPECT_EQ(read[0].initialDirectory, "D:\\");
}

TEST_F(SavedWindowsTest, AbsurdCountsEndQuicklyAndHugeRectanglesAreClamped) {
    for (const char* count : {"-3", "2147483647", "junk"}) {
        platform::ProfileFile ini;
        ini.WriteString("Startup Settings", "# of Drives", count);
        EXPECT_TRUE(ReadSavedWindows(ini, m_drives).empty()) << count;
    }
    platform::ProfileFile ini;
    ini.WriteInt("Startup Settings", "# of Drives", 1);
    ini.WriteString("Startup Settings", "Drive Name 000", "C:");
    ini.WriteString("Startup Settings", "Window Layout 000", "1,1,2147483647,0,2147483647,5");
    std::vector<SavedWindow> read = ReadSavedWindows(ini, m_drives);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].right, INT_MAX);
    EXPECT_EQ(read[0].bottom, 5);
}

TEST(WindowLayoutTest, Parse) {
    struct Case {
        const char* text;
        int parsed;
        std::vector<int> fields;
    } cases[] = {
        {" 1, 3,-10,+20,300,400trailing", 6, {1, 3, -10, 20, 300, 400}},
        {"1 ,2", 1, {1, 0, 0, 0, 0, 0}}, // as scanf: the comma must follow the number
        {"x,1,2,3,4,5", 0, {0, 0, 0, 0, 0, 0}},
        {"1,,2,3,4,5", 1, {1, 0, 0, 0, 0, 0}},
        {"99999999999999,-99999999999999", 2, {INT_MAX, INT_MIN, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int f[6];
        EXPECT_EQ(ParseWindowLayout(c.text, f), c.parsed);
        EXPECT_EQ(std::vector<int>(f, f + 6), c.fields);
    }
}

} // namespace
} // namespace vorlane::app
