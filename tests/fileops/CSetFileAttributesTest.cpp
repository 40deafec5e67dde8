// The attribute driver: the three masks on real files, its checks and
// settings, links skipped and dot-names kept hidden.
#include "CopyTestSupport.h"

#include "fileops/CSetFileAttributes.h"

#include <map>

namespace vorlane::fileops::testing {
namespace {

constexpr uint32_t R = platform::kAttrReadOnly, H = platform::kAttrHidden,
                   S = platform::kAttrSystem, A = platform::kAttrArchive;

class AttributeTest : public CopyTest {
  protected:
    CAttributeOutcome Set(Strings files, uint32_t set, uint32_t clear,
                          const std::string& pattern = "", const std::string& dir = "C:\\D") {
        CAttributeParameters p;
        p.directory = dir;
        p.files = std::move(files);
        p.sourcePattern = pattern;
        p.setMask = set;
        p.clearMask = clear;
        p.leaveMask = kChangeableAttributes & ~(set | clear);
        CSetFileAttributes job(p);
        ui::OperationContext runContext = context.WithNotices(*recorder);
        ui::RunJobNow(job, runContext);
        return job.Outcome();
    }
    uint32_t Attributes(const std::string& dosPath) {
        uint32_t a = 0;
        EXPECT_TRUE(platform::GetAttributes(Host(dosPath), &a));
        return a & kChangeableAttributes;
    }
};

TEST_F(AttributeTest, MasksSetClearAndLeaveEachAttribute) {
    struct Case {
        const char* name;
        uint32_t before, set, clear, after;
    } cases[] = {
        {"read-only alone: hidden, system and archive kept", H | S | A, R, 0, R | H | S | A},
        {"clear archive and system, leave the rest", R | S | A, 0, S | A, R},
        {"set and clear at once", R | A, H | S, R | A, H | S},
        {"clearing read-only gives write permission back", R, 0, R, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeTree(cRoot, {"D/F.TXT=f"});
        ASSERT_TRUE(platform::SetAttributes(Host("C:\\D\\F.TXT"), c.before));
        ASSERT_EQ(Attributes("C:\\D\\F.TXT"), c.before);
        CAttributeOutcome out = Set({"F.TXT"}, c.set, c.clear);
        EXPECT_EQ(out.changed, 1u);
        EXPECT_EQ(Attributes("C:\\D\\F.TXT"), c.after);
        std::filesystem::permissions(Host("C:\\D\\F.TXT"), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    }
    EXPECT_EQ(Notices().front(), "Changed C:\\D\\F.TXT");
    EXPECT_EQ(Status().caption, "Setting File(s) Attributes");
    EXPECT_EQ(Status().Texts(ui::StatusLog::Call::OverallLabel),
              Strings{"Files set (or skipped):"});
}

TEST_F(AttributeTest, ChecksAndRefusals) {
    MakeTree(cRoot, {"D/A.TXT=a", "ARC.ZIP=z"});
    struct Case {
        const char* name;
        std::function<void()> run;
        const char* shown;
    } cases[] = {
        {"no files", [&] { Set({}, R, 0); }, "There are no files in the selected file group!"},
        {"all grey", [&] { Set({"A.TXT"}, 0, 0); },
         "There are no attribute changes specified to make (all attributes are set to leave the "
         "same)!"},
        {"no match", [&] { Set({}, R, 0, "*.DOC"); },
         "No files in 'C:\\D' matching wildcard '*.DOC' to change!"},
        {"inside a zip file", [&] { Set({"X.TXT"}, R, 0, "", "C:\\ARC.ZIP"); },
         "You cannot change the attributes of files within a zip file!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.run();
        EXPECT_EQ(Shown().back(), c.shown);
    }
    EXPECT_EQ(Attributes("C:\\D\\A.TXT"), A);
}

// A link is reported and skipped (its target keeps its attributes); a
// dot-name stays hidden; the other files of the group still change.
TEST_F(AttributeTest, LinksAndDotNamesAreLeftAndReported) {
    MakeTree(cRoot, {"OUT.TXT=o", "D/.dot=d", "D/F.TXT=f", "D/LINK->" + cRoot + "/OUT.TXT"});
    CAttributeOutcome out = Set({}, R, H, "*.*");
    EXPECT_EQ(out.changed, 1u);
    EXPECT_EQ(out.skipped, 2u);
    EXPECT_EQ(Shown(), (Strings{"'C:\\D\\.dot' stays hidden: its name begins with a dot, which is "
                                "what marks it hidden. Rename it to show it.",
                                "'C:\\D\\LINK' is a symbolic link: the attributes of the file it "
                                "points to are not changed."}));
    EXPECT_EQ(Attributes("C:\\D\\F.TXT"), R | A);
    EXPECT_EQ(Attributes("C:\\OUT.TXT"), A);
    EXPECT_EQ(Attributes("C:\\D\\.dot"), H | A);
}

TEST(AttributeSettings, ReadTheMasksAndWriteThemBack) {
    std::map<std::string, int> stored = {{"Attributes", int(R | A)}, {"Ignore Attributes", int(H)}};
    CAttributeParameters p;
    ReadAttributeSettings(
        [&](const std::string& section, const std::string& key, int fallback) {
            EXPECT_EQ(section, "File Attributes");
            auto it = stored.find(key);
            return it == stored.end() ? fallback : it->second;
        },
        &p);
    EXPECT_EQ(p.setMask, R | A);
    EXPECT_EQ(p.leaveMask, H);
    EXPECT_EQ(p.clearMask, S);
    std::map<std::string, std::string> written;
    WriteAttributeSettings(p, [&](const std::string&, const std::string& key,
                                  const std::string& value) { written[key] = value; });
    EXPECT_EQ(written, (std::map<std::string, std::string>{{"Attributes", "33"},
                                                           {"Ignore Attributes", "2"}}));
}

} // namespace
} // namespace vorlane::fileops::testing
