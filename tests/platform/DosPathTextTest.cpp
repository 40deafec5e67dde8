#include "platform/DosPathText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vorlane::platform {
namespace {

int Sign(int v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

TEST(DosPathTextTest, CompareNamesTable) {
    struct {
        const char* a;
        const char* b;
        int noCase;
        int names;
    } cases[] = {
        {"readme", "README", 0, 1},     // equal ignoring case, bytes decide
        {"a.txt", "B.TXT", -1, -1},     // case does not decide before the letters
        {"abc", "abcd", -1, -1},        // a prefix first
        {"_x", "ax", -1, -1},           // letters fold to lower case: '_' < 'a'
        {"Z", "_", 1, 1},               // ... so 'z' (folded) comes after '_'
        {"\xC3\xA9", "\xC3\x89", 1, 1}, // non-ASCII bytes compare exactly
        {"", "", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(CompareNoCase(c.a, c.b)), c.noCase) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(CompareNames(c.a, c.b)), c.names) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(CompareNames(c.b, c.a)), -c.names) << "antisymmetric";
    }
}

TEST(DosPathTextTest, PathsKeepEverySubtreeTogether) {
    // A plain text compare puts "C:\A-B" and "C:\A B" between C:\A and its
    // child, and "C:\a" between two children of "C:\A".
    std::vector<std::string> paths = {"C:\\A-B", "C:\\A\\Z", "C:\\a",    "C:\\A B",
                                      "C:\\A",   "C:\\",     "C:\\A\\B", "C:\\a\\Y"};
    std::sort(paths.begin(), paths.end(),
              [](const std::string& x, const std::string& y) { return ComparePaths(x, y) < 0; });
    std::vector<std::string> expected = {"C:\\",  "C:\\A",    "C:\\A\\B", "C:\\A\\Z",
                                         "C:\\a", "C:\\a\\Y", "C:\\A B",  "C:\\A-B"};
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(ComparePaths("C:\\", "C:"), 0);
    EXPECT_EQ(ComparePaths("C:\\DOCS", "C:\\DOCS"), 0);
}

TEST(DosPathTextTest, PathHelpers) {
    struct {
        const char* raw;
        const char* normalized;
        int level;
        const char* parent;
        const char* last;
    } cases[] = {
        {"c:\\", "C:\\", 0, "", "C:\\"},
        {"c:", "C:\\", 0, "", "C:\\"},
        {"C:\\DOCS\\", "C:\\DOCS", 1, "C:\\", "DOCS"},
        {"c:/docs//Sub", "C:\\docs\\Sub", 2, "C:\\docs", "Sub"},
        {"D:\\A\\B\\C", "D:\\A\\B\\C", 3, "D:\\A\\B", "C"},
    };
    for (const auto& c : cases) {
        std::string normalized = NormalizeDosPath(c.raw);
        EXPECT_EQ(normalized, c.normalized) << c.raw;
        EXPECT_EQ(PathLevel(normalized), c.level) << c.raw;
        EXPECT_EQ(ParentDosPath(normalized), c.parent) << c.raw;
        EXPECT_EQ(LastComponent(normalized), c.last) << c.raw;
    }
    EXPECT_EQ(JoinDosPath("C:\\", "A"), "C:\\A");
    EXPECT_EQ(JoinDosPath("C:\\A", "B"), "C:\\A\\B");
    EXPECT_EQ(PathDriveLetter("z:\\x"), 'Z');
    EXPECT_EQ(PathDriveLetter("\\x"), 0);
    EXPECT_TRUE(IsRootPath("C:\\"));
    EXPECT_FALSE(IsRootPath("C:\\A"));
}

} // namespace
} // namespace vorlane::platform
