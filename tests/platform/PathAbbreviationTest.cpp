#include "platform/PathAbbreviation.h"

#include <gtest/gtest.h>

namespace vorlane::platform {
namespace {

TEST(PathAbbreviationTest, LongPathsKeepTheirDriveAndTheirEnd) {
    struct Case {
        const char* path;
        size_t limit;
        const char* shown;
    } cases[] = {
        {"C:\\ABCDEFGHIJ\\K.TXT", 19, "C:\\ABCDEFGHIJ\\K.TXT"}, // exactly the limit
        {"C:\\ABCDEFGHIJ\\K.TXT", 18, "C:\\..DEFGHIJ\\K.TXT"},
        {"D:\\ARCHIVE\\2024\\REPORT.TXT", 20, "D:\\..2024\\REPORT.TXT"},
        {"C:\\LONGER", 5, "C:\\.."},
        {"C:\\LONGER", 0, "C:\\.."},
        // Characters, not bytes: "é" is two bytes and one character.
        {"C:\\\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 7, "C:\\..\xC3\xA9\xC3\xA9"},
        {"C:\\\xC3\xA9\xC3\xA9", 5, "C:\\\xC3\xA9\xC3\xA9"},
        {"", 10, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AbbreviatePath(c.path, c.limit), c.shown) << c.path;
}

} // namespace
} // namespace vorlane::platform
