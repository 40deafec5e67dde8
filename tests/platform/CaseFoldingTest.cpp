#include "platform/CaseFolding.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vorlane::platform {
namespace {

TEST(CaseFoldingTest, FileSystemsAndTheCasefoldAttribute) {
    const struct {
        const char* name;
        long fsType;
        unsigned long flags;
        bool folds;
    } cases[] = {
        {"ext4", 0xEF53, 0, false},
        {"ext4, casefolded directory", 0xEF53, 0x40000000, true},
        {"tmpfs", 0x01021994, 0, false},
        {"btrfs", static_cast<long>(0x9123683E), 0, false},
        {"vfat", 0x4d44, 0, true},
        {"exfat", 0x2011BAB0, 0, true},
        {"cifs, as a negative word", static_cast<long>(static_cast<int32_t>(0xFF534D42)), 0, true},
        {"smb2", static_cast<long>(0xFE534D42), 0, true},
        {"hfs+", 0x482b, 0, true},
        {"other attributes only", 0xEF53, 0x00080000, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CaseInsensitiveFileSystem(c.fsType, c.flags), c.folds) << c.name;
}

TEST(CaseFoldingTest, TheTestDirectoryTellsCaseApart) {
    // The temporary directories of the tests live on a case-sensitive file
    // system; a file or a missing name is asked about through its parent.
    vorlane::test::TempDir dir;
    vorlane::test::WriteFile(dir / "file.txt", "x");
    for (const std::string& path : {dir.path(), dir / "file.txt", dir / "missing"})
        EXPECT_FALSE(IsCaseInsensitivePath(path)) << path;
}

} // namespace
} // namespace vorlane::platform
