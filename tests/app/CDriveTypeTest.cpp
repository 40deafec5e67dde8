// Drive type records: the mapping from what the platform reports, and real
// drives of a drive map (a missing directory is no drive).
#include "app/CDriveType.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vorlane::app {
namespace {

TEST(CDriveTypeTest, FromPlatformInfo) {
    struct Case {
        const char* name;
        int letter, platformType;
        bool compressed, readLabel;
        int expectedLetter, expectedType;
        const char* expectedLabel;
    } cases[] = {
        {"lower-case letter", 'c', platform::kDriveFixed, false, true, 'C', 2, "DATA"},
        {"removable", 'D', platform::kDriveRemovable, false, true, 'D', 0x40, "DATA"},
        {"label not read", 'C', platform::kDriveFixed, false, false, 'C', 2, ""},
        {"compressed", 'C', platform::kDriveFixed, true, true, 'C', 0x100, "DATA"},
        {"compressed A stays", 'A', platform::kDriveRemovable, true, true, 'A', 0x40, "DATA"},
        {"no drive", 'C', platform::kDriveNone, true, true, 'C', 0, ""},
        {"floppy code is not a platform type", 'A', platform::kDriveFloppy, false, true, 'A', 0,
         ""},
        {"unknown code", 'C', 0x1000, false, true, 'C', 0, ""},
        {"letter after Z", '[', platform::kDriveFixed, false, true, 0, 0, ""},
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
    EXPECT_EQ(CDriveType('M').Type(), 0); // mapped onto a missing directory
    CDriveType d('Q');
    EXPECT_FALSE(d.Exists());
    d.Set('C', false);
    EXPECT_TRUE(d.Exists());
    d.Set('?');
    EXPECT_EQ(d.Letter(), 0);
    EXPECT_FALSE(d.Exists());
}

} // namespace
} // namespace vorlane::app
