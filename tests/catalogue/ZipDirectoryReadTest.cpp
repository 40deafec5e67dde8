#include "ZipCatalogueTestSupport.h"

#include "catalogue/CZipFileDirectory.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlane::catalogue {
namespace {

using ZipDirectoryReadTest = testing::ZipCatalogueTest;

// About 600 bytes were held for each member of a listed archive (the
// engine's 310-byte record in every entry, the name three times, and the
// engine's index kept after the listing).
TEST_F(ZipDirectoryReadTest, ListedMemberHoldsUnder150BytesBesidesItsName) {
    const int count = 2000;
    MakeDir("MANY/folder");
    for (int i = 0; i < count; ++i)
        test::WriteFile(Host("MANY/folder/m" + std::to_string(i) + ".txt"), "");
    Zip("-r -D '" + Host("MANY.ZIP") + "' folder", "MANY");
    long long nameBytes = 0;
    for (int i = 0; i < count; ++i)
        nameBytes +=
            static_cast<long long>(std::string("folder/m" + std::to_string(i) + ".txt").size() + 1);

    CZipFileDirectory directory(nullptr, "C:\\MANY.ZIP");
    const long long before = testing::LiveHeapBytes();
    ASSERT_EQ(directory.ReadMembers().state, kZipRead);
    ASSERT_EQ(directory.EntryCount(), count);
    const long long held = testing::LiveHeapBytes() - before;
    EXPECT_LT((held - nameBytes) / count, 150) << held / count << " bytes per member in all";
}

} // namespace
} // namespace vorlane::catalogue
