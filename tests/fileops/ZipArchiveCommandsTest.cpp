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

TEST_F(ArchiveCommandsTest, NewAndOpenArchive) {
    struct Case {
        const char* chosen;
        const char* archive;
    } names[] = {
        {"C:\\docs\\new", "C:\\DOCS\\NEW.ZIP"},
        {"C:\\docs\\new.txt", "C:\\DOCS\\NEW.ZIP"},
        {"C:\\my.docs\\new", "C:\\MY.DOCS\\NEW.ZIP"},
        {"C:\\a.b.c", "C:\\A.B.ZIP"},
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
    EXPECT_EQ(*archive, "C:\\DOCS\\REPORT.ZIP");
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\DOCS"});
    EXPECT_TRUE(Listed("DOCS/REPORT.ZIP").empty());
    EXPECT_TRUE(test::FileExists(Host("DOCS/REPORT.ZIP")));
    ASSERT_EQ(m_ui.CatalogueChanges().size(), 1u);
    EXPECT_EQ(m_ui.CatalogueChanges()[0], std::make_pair('C', std::string("C:\\DOCS\\REPORT.ZIP")));

    // An existing archive is used as it is.
    MakeArchive("DOCS/KEEP.ZIP", {"k.txt"});
    const std::string before = test::ReadFile(Host("DOCS/KEEP.ZIP"));
    EXPECT_EQ(PrepareNewArchive(Context(), "C:\\DOCS\\keep.zip", writer), "C:\\DOCS\\KEEP.ZIP");
    EXPECT_EQ(test::ReadFile(Host("DOCS/KEEP.ZIP")), before);
    EXPECT_EQ(m_ui.CatalogueChanges().size(), 1u);

    // A folder that does not exist: the creation fails with its message.
    EXPECT_FALSE(PrepareNewArchive(Context(), "C:\\NOWHERE\\x.zip", writer).has_value());
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(m_ui.Texts()[0].rfind("Unable to create zip file 'C:\\NOWHERE\\X.ZIP'!\n\n", 0), 0u);

    written.clear();
    EXPECT_EQ(PrepareOpenArchive("C:\\docs\\keep.zip", writer), "C:\\DOCS\\KEEP.ZIP");
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\DOCS"});
    written.clear();
    PrepareOpenArchive("C:\\top.zip", writer);
    EXPECT_EQ(written, std::vector<std::string>{"ZIP/UNZIP Settings|Zip Open Path|C:\\"});
}

} // namespace
} // namespace vorlane::fileops
