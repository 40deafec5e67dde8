#include "fileops/ZipArchiveCommands.h"

#include "support/TestSupport.h"
#include "support/ZipFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vorlane::fileops {
namespace {

using ArchiveCommandsTest = ::vorlane::test::ZipTest;

// New Archive once upper-cased every name it made ("brand new.zip" became
// "BRAND NEW.ZIP"): a created name keeps the case the user typed.
TEST_F(ArchiveCommandsTest, NewArchiveKeepsTheCaseTyped) {
    struct Case {
        const char* chosen;
        const char* archive;
    } names[] = {
        {"C:\\docs\\brand new.zip", "C:\\docs\\brand new.zip"},
        {"C:\\docs\\new", "C:\\docs\\new.zip"},
        {"C:\\docs\\new.txt", "C:\\docs\\new.zip"},
        {"C:\\docs\\Old.ZIP", "C:\\docs\\Old.ZIP"},
        {"C:\\my.docs\\new", "C:\\my.docs\\new.zip"},
        {"C:\\a.b.c", "C:\\a.b.zip"},
    };
    for (const Case& c : names)
        EXPECT_EQ(NewArchiveName(c.chosen), c.archive) << c.chosen;

    MakeDir("DOCS");
    std::vector<std::string> written;
    auto writer = [&](const std::string& section, const std::string& key,
                      const std::string& value) {
        written.push_back(section + "|" + key + "|" + value);
    };
    std::optional<std::string> archive =
        PrepareNewArchive(Context(), "C:\\docs\\Report.doc", writer);
    ASSERT_TRUE(archive.has_value());
    // Made in the folder the disk has, named as typed; returned as on disk.
    EXPECT_EQ(*archive, "C:\\DOCS\\Report.zip");
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\docs"});
    EXPECT_TRUE(Listed("DOCS/Report.zip").empty());
    EXPECT_TRUE(test::FileExists(Host("DOCS/Report.zip")));
    EXPECT_FALSE(test::FileExists(Host("DOCS/REPORT.ZIP")));
    ASSERT_EQ(m_ui.CatalogueChanges().size(), 1u);
    EXPECT_EQ(m_ui.CatalogueChanges()[0], std::make_pair('C', std::string("C:\\DOCS\\Report.zip")));

    // An existing archive is used as it is, whatever the case typed.
    MakeArchive("DOCS/KEEP.ZIP", {"k.txt"});
    const std::string before = test::ReadFile(Host("DOCS/KEEP.ZIP"));
    EXPECT_EQ(PrepareNewArchive(Context(), "C:\\DOCS\\keep.zip", writer), "C:\\DOCS\\KEEP.ZIP");
    EXPECT_EQ(test::ReadFile(Host("DOCS/KEEP.ZIP")), before);
    EXPECT_EQ(m_ui.CatalogueChanges().size(), 1u);

    // A folder that does not exist: the creation fails with its message.
    EXPECT_FALSE(PrepareNewArchive(Context(), "C:\\NOWHERE\\x.zip", writer).has_value());
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0].rfind("Unable to create zip file 'C:\\NOWHERE\\x.zip'!\n\n", 0), 0u);
}

TEST_F(ArchiveCommandsTest, OpenArchiveSavesItsFolder) {
    std::vector<std::string> written;
    auto writer = [&](const std::string& section, const std::string& key,
                      const std::string& value) {
        written.push_back(section + "|" + key + "|" + value);
    };
    EXPECT_EQ(PrepareOpenArchive("C:\\docs\\keep.zip", writer), "C:\\DOCS\\KEEP.ZIP");
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\DOCS"});
    written.clear();
    PrepareOpenArchive("C:\\top.zip", writer);
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\"});
}

} // namespace
} // namespace vorlane::fileops
