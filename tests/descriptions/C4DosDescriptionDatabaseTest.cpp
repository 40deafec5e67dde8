// DESCRIPT.ION: reading and writing its lines, the database's lookups and
// changes, and the save under a failure at each of its steps.
#include "descriptions/C4DosDescriptionDatabase.h"

#include "platform/Drives.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::descriptions {
namespace {

using platform::fault::Op;
using Entries = std::vector<C4DosFileDescription>;
using Strings = std::vector<std::string>;

TEST(ParseDescriptionsTest, LinesBecomeEntriesAndWriteBackTheSame) {
    struct Case {
        const char* name;
        std::string text;
        Entries entries;
        const char* written; // null: as read
    } cases[] = {
        {"name, blank, words",
         "REPORT.TXT Sales figures, March\n",
         {{"REPORT.TXT", "Sales figures, March"}},
         nullptr},
        {"further blanks", "A.TXT   two  blanks \n", {{"A.TXT", "  two  blanks "}}, nullptr},
        {"no blank", "NODESC\n", {{"NODESC", ""}}, "NODESC \n"},
        {"CR LF, stray CR, no last LF", "B o\r\nA x\ry", {{"A", "xy"}, {"B", "o"}}, "A xy\nB o\n"},
        {"empty lines", "\n\nA x\n\r\n", {{"A", "x"}}, "A x\n"},
        {"quoted name", "\"my file.txt\" my text\n", {{"my file.txt", "my text"}}, nullptr},
        {"unclosed quote", "\"odd name text\n", {{"\"odd", "name text"}}, "\"odd name text\n"},
        {"empty quoted name", "\"\" nothing\n", {}, ""},
        {"sorted ignoring case, twins in file order",
         "b x\nA y\na z\n",
         {{"A", "y"}, {"a", "z"}, {"b", "x"}},
         "A y\na z\nb x\n"},
        // Reading in pieces of 1023 characters would make a second entry.
        {"long line read whole",
         "L " + std::string(3000, 'd') + "\n",
         {{"L", std::string(3000, 'd')}},
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Entries entries = ParseDescriptions(c.text);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(FormatDescriptions(entries), c.written ? c.written : c.text);
    }
    for (const char* name : {"", "two\nlines", "cr\rname", "\"lead", "a \"b"})
        EXPECT_FALSE(CanDescribe(name)) << name;
    EXPECT_TRUE(CanDescribe("a\"b"));
}

class DescriptionDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::fault::Reset();
        ::mkdir(docs.c_str(), 0755);
    }
    void TearDown() override { platform::fault::Reset(); }
    std::string Ion() const { return test::ReadFile(docs + "/DESCRIPT.ION"); }
    void WriteIon(const std::string& text) { test::WriteFile(docs + "/DESCRIPT.ION", text); }
    Strings Listing() const {
        Strings names;
        for (const auto& e : std::filesystem::directory_iterator(docs))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    std::string docs = dir / "DOCS";

    // The map the databases translate with: C: is the test's directory.
    std::shared_ptr<const platform::DriveMap> drives =
        std::make_shared<platform::DriveMap>(platform::DriveMap::FromSpec("C=" + dir.path()));
};

TEST_F(DescriptionDatabaseTest, ChangesAreSavedAtOnceAndLeaveNothingElse) {
    C4DosDescriptionDatabase db(drives);
    ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
    ASSERT_TRUE(db.Set("REPORT.TXT", "Sales figures, March")); // a new file, made directly
    EXPECT_EQ(Ion(), "REPORT.TXT Sales figures, March\n");
    ::chmod((docs + "/DESCRIPT.ION").c_str(), 0640);
    test::WriteFile(docs + "/DESCRIPT.BAK", "a stale backup");
    ASSERT_TRUE(db.Set("A.TXT", "ay\r\nline two"));
    ASSERT_TRUE(db.Add("report.txt", "replaced through Add"));
    ASSERT_TRUE(db.Set("my file.txt", ""));
    ASSERT_TRUE(db.Remove("NEVER.TXT"));
    EXPECT_EQ(Ion(), "A.TXT ayline two\n\"my file.txt\" \nREPORT.TXT replaced through Add\n");
    EXPECT_EQ(Listing(), Strings{"DESCRIPT.ION"});
    struct stat st;
    ASSERT_EQ(::stat((docs + "/DESCRIPT.ION").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::string text = "stale";
    EXPECT_TRUE(db.Get("Report.Txt", &text));
    EXPECT_EQ(text, "replaced through Add");
    EXPECT_FALSE(db.Get("OTHER.TXT", &text));
    EXPECT_EQ(text, "");

    // DOS names map to host names; a line break cannot be described.
    ASSERT_TRUE(db.Set("a\xEF\x80\xBA"
                       "b",
                       "colon")); // "a:b" on the host
    EXPECT_NE(Ion().find("\na:b colon\n"), std::string::npos);
    for (const char* name : {"two\nlines", "two\xEF\x80\x8Alines", "\"quoted"})
        EXPECT_FALSE(db.Set(name, "text")) << name;
    EXPECT_EQ(db.LastError().dosCode, platform::kDosInvalidName);
    EXPECT_EQ(db.Entries(), ParseDescriptions(Ion()));
}

TEST_F(DescriptionDatabaseTest, TheSameDirectoryIsReadOnceAndAnyCaseOfTheFileIsFound) {
    test::WriteFile(docs + "/descript.ion", "a.txt first\n");
    C4DosDescriptionDatabase db(drives);
    ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
    test::WriteFile(docs + "/descript.ion", "a.txt changed behind our back\n");
    ASSERT_TRUE(db.SetDirectory("c:\\docs"));
    std::string text;
    ASSERT_TRUE(db.Get("A.TXT", &text));
    EXPECT_EQ(text, "first");
    ASSERT_TRUE(db.SetDirectory("C:\\"));
    ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
    ASSERT_TRUE(db.Get("A.TXT", &text));
    EXPECT_EQ(text, "changed behind our back");
    ASSERT_TRUE(db.Set("B", "b"));
    EXPECT_EQ(Listing(), Strings{"descript.ion"});
}

TEST_F(DescriptionDatabaseTest, RenameMovesTheEntry) {
    struct Case {
        const char* before;
        const char* from;
        const char* to;
        bool ok;
        const char* after;
    } cases[] = {
        {"A.TXT old a\nB.TXT old b\n", "A.TXT", "B.TXT", true, "B.TXT old a\n"},
        {"A.TXT a\nZ z\n", "A.TXT", "M.TXT", true, "M.TXT a\nZ z\n"},
        {"B.TXT b\nZ z\n", "A.TXT", "B.TXT", true, "Z z\n"},
        {"report.txt r\n", "report.txt", "REPORT.TXT", true, "REPORT.TXT r\n"}, // case only
        {"A a\n", "A", "A B", true, "\"A B\" a\n"},
        {"A a\nZ z\n", "A", "x\ny", false, "Z z\n"}, // the text cannot follow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
        WriteIon(c.before);
        C4DosDescriptionDatabase db(drives);
        ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
        EXPECT_EQ(db.Rename(c.from, c.to), c.ok);
        EXPECT_EQ(Ion(), c.after);
        EXPECT_EQ(db.Entries(), ParseDescriptions(Ion()));
    }
}

TEST_F(DescriptionDatabaseTest, ReleaseLeavesTheFileHiddenAndAnUnreadableOneUntouched) {
    WriteIon("A a\n");
    {
        C4DosDescriptionDatabase db(drives);
        ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
        ASSERT_TRUE(db.Set("B", "b"));
    } // released on destruction
    uint32_t attributes = 0;
    ASSERT_TRUE(platform::GetAttributes(docs + "/DESCRIPT.ION", &attributes));
    EXPECT_EQ(attributes, uint32_t(platform::kAttrHidden));

    // A file that cannot be read is never written, so its entries survive.
    ASSERT_TRUE(platform::SetAttributes(docs + "/DESCRIPT.ION", platform::kAttrArchive));
    platform::fault::Arm(Op::Open, 1, EACCES);
    C4DosDescriptionDatabase db(drives);
    EXPECT_FALSE(db.SetDirectory("C:\\DOCS"));
    platform::fault::Reset();
    EXPECT_FALSE(db.Set("C", "c"));
    EXPECT_FALSE(db.Remove("A"));
    EXPECT_FALSE(db.Rename("A", "Z"));
    EXPECT_EQ(db.LastError().dosCode, platform::kDosAccessDenied);
    db.Release();
    EXPECT_EQ(Ion(), "A a\nB b\n");
    ASSERT_TRUE(platform::GetAttributes(docs + "/DESCRIPT.ION", &attributes));
    EXPECT_EQ(attributes, uint32_t(platform::kAttrArchive));
}

// A failure at every step of the save, for a new file and for the rotation
// of an existing one (with and without a stale backup): DESCRIPT.ION is
// always complete (the old text or the new), memory equals it, and nothing
// but DESCRIPT.ION (and a backup whose removal failed) remains.
TEST_F(DescriptionDatabaseTest, AFailureAtEveryStepOfTheSaveKeepsFileAndMemoryEqual) {
    struct Start {
        const char* ion; // null: no description file
        bool staleBackup;
    } starts[] = {{nullptr, false}, {"A.TXT a\nZ.TXT z\n", false}, {"A.TXT a\nZ.TXT z\n", true}};
    int faultsTried = 0;
    for (const Start& start : starts) {
        auto prepare = [&]() {
            for (const std::string& name : Listing())
                ::unlink((docs + "/" + name).c_str());
            if (start.ion)
                WriteIon(start.ion);
            if (start.staleBackup)
                test::WriteFile(docs + "/DESCRIPT.BAK", "stale");
        };
        for (Op op : {Op::Open, Op::Write, Op::Fsync, Op::Rename, Op::Unlink}) {
            prepare();
            int calls = 0;
            {
                C4DosDescriptionDatabase db(drives);
                ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
                platform::fault::Reset();
                ASSERT_TRUE(db.Set("M.TXT", "middle"));
                calls = platform::fault::Calls(op);
            }
            for (int nth = 1; nth <= calls; ++nth, ++faultsTried) {
                SCOPED_TRACE("op " + std::to_string(static_cast<int>(op)) + " #" +
                             std::to_string(nth) + (start.ion ? " existing" : " new"));
                prepare();
                C4DosDescriptionDatabase db(drives);
                ASSERT_TRUE(db.SetDirectory("C:\\DOCS"));
                platform::fault::Reset();
                platform::fault::Arm(op, nth, EIO);
                bool saved = db.Set("M.TXT", "middle");
                platform::fault::Reset();
                bool haveIon = test::FileExists(docs + "/DESCRIPT.ION");
                std::string text = haveIon ? Ion() : "";
                if (saved) {
                    EXPECT_NE(text.find("M.TXT middle\n"), std::string::npos);
                } else {
                    EXPECT_EQ(text, start.ion ? start.ion : "");
                }
                EXPECT_EQ(haveIon, saved || start.ion);
                EXPECT_EQ(db.Entries(), ParseDescriptions(text));
                for (const std::string& name : Listing())
                    EXPECT_TRUE(name == "DESCRIPT.ION" || name == "DESCRIPT.BAK") << name;
            }
        }
    }
    // New file: open, write, two flushes, rename. Rotation: the same, the
    // link, the backup's removal, and the stale backup's.
    EXPECT_EQ(faultsTried, 5 + 7 + 8);
}

} // namespace
} // namespace vorlane::descriptions
