// Drive type records: the type codes and names, the mapping from what the
// platform reports, and real drives of a drive map (a missing directory is
// no drive).
#include "app/CDriveType.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vorlane::app {
namespace {

TEST(CDriveTypeTest, TypeNames) {
    struct Case {
        int type;
        const char* name;
    } cases[] = {{1, "Floppy"},       {2, "Hard"},      {4, "Ram"},
                 {8, "Network"},      {0x10, "CDROM"},  {0x20, "Substitute"},
                 {0x40, "Removable"}, {0x80, "Remote"}, {0x100, "Compressed"},
                 {0, "Undefined"},    {3, "Undefined"}, {0x200, "Undefined"},
                 {-1, "Undefined"}};
    for (const Case& c : cases)
        EXPECT_STREQ(CDriveType::TypeName(c.type), c.name) << c.type;
}

TEST(CDriveTypeTest, FromPlatformInfo) {
    struct Case {
        const char* name;
        int letter;
        int platformType;
        bool compressed;
        bool readLabel;
        int expectedLetter;
        int expectedType;
        const char* expectedLabel;
    } cases[] = {
        {"fixed", 'C', platform::kDriveFixed, false, true, 'C', 2, "DATA"},
        {"lower-case letter", 'c', platform::kDriveFixed, false, true, 'C', 2, "DATA"},
        {"removable", 'D', platform::kDriveRemovable, false, true, 'D', 0x40, "DATA"},
        {"network", 'N', platform::kDriveNetwork, false, true, 'N', 8, "DATA"},
        {"CD-ROM", 'E', platform::kDriveCdrom, false, true, 'E', 0x10, "DATA"},
        {"RAM disk", 'R', platform::kDriveRam, false, true, 'R', 4, "DATA"},
        {"label not read", 'C', platform::kDriveFixed, false, false, 'C', 2, ""},
        {"compressed", 'C', platform::kDriveFixed, true, true, 'C', 0x100, "DATA"},
        {"compressed A stays", 'A', platform::kDriveRemovable, true, true, 'A', 0x40, "DATA"},
        {"compressed B stays", 'b', platform::kDriveFixed, true, true, 'B', 2, "DATA"},
        {"no drive", 'C', platform::kDriveNone, true, true, 'C', 0, ""},
        {"floppy code is not a platform type", 'A', platform::kDriveFloppy, false, true, 'A', 0,
         ""},
        {"remote code is not a platform type", 'C', platform::kDriveRemote, false, true, 'C', 0,
         ""},
        {"unknown code", 'C', 0x1000, false, true, 'C', 0, ""},
        {"letter outside A to Z", '1', platform::kDriveFixed, false, true, 0, 0, ""},
        {"letter after Z", '[', platform::kDriveFixed, false, true, 0, 0, ""},
        {"NUL letter", 0, platform::kDriveFixed, false, true, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::DriveInfo info;
        info.type = c.platformType;
        info.compressed = c.compressed;
        info.label = "DATA";
        CDriveType d(c.letter, info, c.readLabel);
        EXPECT_EQ(d.Letter(), c.expectedLetter);
        EXPECT_EQ(d.Type(), c.expectedType);
        EXPECT_EQ(d.Exists(), c.expectedType != 0);
        EXPECT_EQ(d.VolumeLabel(), c.expectedLabel);
    }
}

TEST(CDriveTypeTest, DrivesOfTheCurrentMap) {
    test::TempDir dir;
    platform::DriveMap::SetCurrent(
        platform::DriveMap::FromSpec("C=" + dir.path() + ";M=" + dir.path() + "/missing"));
    EXPECT_TRUE(CDriveType('C').Exists());
    EXPECT_TRUE(CDriveType('c', false).Exists());
    EXPECT_EQ(CDriveType('C', false).VolumeLabel(), "");
    // A map naming a directory that is not there: that drive does not exist.
    EXPECT_EQ(CDriveType('M').Type(), 0);
    EXPECT_EQ(CDriveType('Q').Type(), 0);
    EXPECT_EQ(CDriveType('#').Letter(), 0);
    EXPECT_EQ(CDriveType().Type(), 0);

    CDriveType d('Q');
    d.Set('C', false);
    EXPECT_EQ(d.Letter(), 'C');
    EXPECT_TRUE(d.Exists());
    d.Set('?');
    EXPECT_EQ(d.Letter(), 0);
    EXPECT_FALSE(d.Exists());
}

} // namespace
} // namespace vorlane::app
