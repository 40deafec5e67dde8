// Taking a zip member out for launching: the private directory (mode 0700,
// a new one each time, under the right parent), nothing of the user's
// overwritten, refused members reported with nothing left behind, and the
// directories removed when their owner goes (links never followed).
#include "FileOpsTestSupport.h"

#include "fileops/LaunchExtract.h"
#include "zip/ZipTestSupport.h"

namespace vorlane::fileops::testing {

namespace {

using zip::test::HandZip;

class LaunchExtractTest : public FileOpsTest {
  protected:
    void SetUp() override {
        FileOpsTest::SetUp();
        ::mkdir(zipTemp.c_str(), 0755);
        ::mkdir(systemTemp.c_str(), 0755);
        HandZip zip;
        zip.Add("docs/Report.txt", "the report", true);
        zip.Add("../evil.txt", "escaped");
        zip.Add("/etc/abs.txt", "absolute");
        test::WriteFile(cRoot + "/A.ZIP", zip.Build());
    }
    LaunchExtractRequest Request(const std::string& member, bool useTemp = true) {
        return {"C:\\A.ZIP", member, member, useTemp, "C:\\ZIPTEMP"};
    }

    std::string zipTemp = cRoot + "/ZIPTEMP";
    std::string systemTemp = dir / "systemp";
    test::ScopedEnv tmpdir{"TMPDIR", systemTemp};
    LaunchTempDirectories dirs;
};

TEST_F(LaunchExtractTest, TheCopyGoesIntoANewPrivateDirectoryUnderTheChosenParent) {
    struct Case {
        bool useTempDir;
        std::string parent;
    } cases[] = {{true, zipTemp}, {false, systemTemp}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent);
        // A file of the user's with the member's name in the parent stays.
        test::WriteFile(c.parent + "/Report.txt", "the user's own");
        const std::string first =
            ExtractForLaunch(context, Request("docs/Report.txt", c.useTempDir), dirs);
        const std::string second =
            ExtractForLaunch(context, Request("docs/Report.txt", c.useTempDir), dirs);
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(second.empty());
        EXPECT_NE(first, second);
        for (const std::string& copy : {first, second}) {
            const std::string dirOf = copy.substr(0, copy.rfind('/'));
            EXPECT_EQ(dirOf.substr(0, c.parent.size() + 1), c.parent + "/");
            EXPECT_EQ(dirOf.substr(c.parent.size() + 1, 15), kLaunchDirectoryPrefix);
            EXPECT_EQ(test::FileMode(dirOf), 0700u);
            EXPECT_EQ(copy.substr(copy.rfind('/') + 1), "Report.txt");
            EXPECT_EQ(test::ReadFile(copy), "the report");
        }
        EXPECT_EQ(test::ReadFile(c.parent + "/Report.txt"), "the user's own");
    }
    EXPECT_TRUE(ui.Shown().empty());
    EXPECT_EQ(dirs.Directories().size(), 4u);
}

TEST_F(LaunchExtractTest, AMemberThatCannotComeOutIsReportedAndLeavesNothing) {
    struct Case {
        std::string zipPath;
        std::string member;
        const char* reason; // a part of the message after the sentence
    } cases[] = {
        {"C:\\A.ZIP", "../evil.txt", "Unsafe member name"},
        {"C:\\A.ZIP", "/etc/abs.txt", "Unsafe member name"},
        {"C:\\A.ZIP", "docs/missing.txt", ""},
        {"C:\\NONE.ZIP", "docs/Report.txt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        ui.Reset();
        LaunchExtractRequest request = Request(c.member);
        request.zipPath = c.zipPath;
        EXPECT_EQ(ExtractForLaunch(context, request, dirs), "");
        ASSERT_EQ(ui.Shown().size(), 1u);
        const std::string& text = ui.Shown()[0].text;
        EXPECT_EQ(text.rfind("Unable to extract file '" + request.shownName + "' to '" + zipTemp +
                                 "/" + kLaunchDirectoryPrefix,
                             0),
                  0u)
            << text;
        EXPECT_NE(text.find("'.\n\n"), std::string::npos) << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        EXPECT_TRUE(dirs.Directories().empty());
        EXPECT_TRUE(Listing(zipTemp).empty());
    }
    EXPECT_FALSE(test::FileExists(cRoot + "/evil.txt"));
    EXPECT_FALSE(test::FileExists(dir / "evil.txt"));
}

TEST_F(LaunchExtractTest, TheDirectoriesGoWithTheirOwnerAndLinksInsideAreNotFollowed) {
    test::WriteFile(dir / "precious.txt", "keep");
    std::string copy;
    {
        LaunchTempDirectories owner;
        copy = ExtractForLaunch(context, Request("docs/Report.txt"), owner);
        ASSERT_FALSE(copy.empty());
        // The launched program may leave things behind, links included.
        const std::string inside = copy.substr(0, copy.rfind('/'));
        ASSERT_EQ(::symlink((dir / "precious.txt").c_str(), (inside + "/link").c_str()), 0);
        ASSERT_EQ(::symlink(dir.path().c_str(), (inside + "/dirlink").c_str()), 0);
    }
    EXPECT_FALSE(test::FileExists(copy));
    EXPECT_TRUE(Listing(zipTemp).empty());
    EXPECT_EQ(test::ReadFile(dir / "precious.txt"), "keep");
}

TEST_F(LaunchExtractTest, TheJobHandsOverTheCopyForALaunchOrForViewing) {
    // The launch setting says the system's temporary directory; a copy for
    // viewing still goes under the zip temp path, readable by the user alone.
    struct Case {
        ExtractPurpose purpose;
        std::string parent;
        bool userOnly;
    } cases[] = {{ExtractPurpose::kLaunch, systemTemp, false},
                 {ExtractPurpose::kViewing, zipTemp, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent);
        auto result = std::make_shared<std::string>("unset");
        CLaunchExtractJob job(Request("docs/Report.txt", false), dirs, result, c.purpose);
        EXPECT_EQ(job.DriveLetters(), "C");
        ui::JobResult outcome = ui::RunJobNow(job, context);
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(result->rfind(c.parent + "/", 0), 0u) << *result;
        EXPECT_EQ(test::ReadFile(*result), "the report");
        EXPECT_EQ(test::FileMode(*result) == 0600u, c.userOnly);
    }
}

TEST_F(LaunchExtractTest, AJobThatKeepsItsMessagesTellsTheCallerAndNotTheUser) {
    // The viewer pane shows why a member did not come out in place.
    for (const char* member : {"../evil.txt", "docs/Report.txt"}) {
        SCOPED_TRACE(member);
        ui.Reset();
        auto result = std::make_shared<std::string>("unset");
        auto messages = std::make_shared<std::vector<std::string>>();
        CLaunchExtractJob job(Request(member), dirs, result, ExtractPurpose::kViewing);
        job.KeepMessagesIn(messages);
        const bool ok = ui::RunJobNow(job, context).ok;
        EXPECT_TRUE(ui.Shown().empty());
        if (std::string(member) == "docs/Report.txt") {
            EXPECT_TRUE(ok);
            EXPECT_EQ(test::ReadFile(*result), "the report");
            EXPECT_TRUE(messages->empty());
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(*result, "");
            ASSERT_EQ(messages->size(), 1u);
            EXPECT_EQ(messages->front().rfind("Unable to extract file '", 0), 0u);
            EXPECT_NE(messages->front().find("Unsafe member name"), std::string::npos);
        }
    }
}

TEST_F(LaunchExtractTest, ACancelledTakeOutStopsWithoutAMessageAndLeavesNothing) {
    // The viewer pane cancels the take-out of a member it no longer shows;
    // the run has no status window, so the engine must heed the job's flag.
    HandZip zip;
    std::string big(3 << 20, 'x');
    for (size_t i = 0; i < big.size(); i += 4093)
        big[i] = static_cast<char>('a' + i % 26);
    zip.Add("Big.txt", big, true);
    test::WriteFile(cRoot + "/BIG.ZIP", zip.Build());
    for (ExtractPurpose purpose : {ExtractPurpose::kViewing, ExtractPurpose::kLaunch}) {
        ui.Reset();
        auto result = std::make_shared<std::string>("unset");
        CLaunchExtractJob job({"C:\\BIG.ZIP", "Big.txt", "Big.txt", true, "C:\\ZIPTEMP"}, dirs,
                              result, purpose);
        ui::OperationContext cancelled = context.WithOwnCancelFlag();
        cancelled.RequestCancel();
        const ui::JobResult outcome = ui::RunJobNow(job, cancelled);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_EQ(*result, "");
        EXPECT_TRUE(ui.Shown().empty());
        EXPECT_TRUE(Listing(zipTemp).empty());
        EXPECT_TRUE(dirs.Directories().empty());
    }
    // Not cancelled, the same member comes out whole.
    const std::string copy = ExtractForViewing(
        context, {"C:\\BIG.ZIP", "Big.txt", "Big.txt", true, "C:\\ZIPTEMP"}, dirs);
    EXPECT_EQ(test::ReadFile(copy), big);
}

TEST_F(LaunchExtractTest, AJobWithSharedDirectoriesOutlivesTheirOwnerAndLeavesNothing) {
    // The owner (a window) lets go of its directories while the job waits
    // to run; the job still has them, and its copy goes with the job.
    auto owned = std::make_shared<LaunchTempDirectories>();
    auto result = std::make_shared<std::string>();
    auto job = std::make_unique<CLaunchExtractJob>(Request("docs/Report.txt"), owned, result,
                                                   ExtractPurpose::kViewing);
    owned.reset();
    ASSERT_TRUE(ui::RunJobNow(*job, context).ok);
    EXPECT_EQ(test::ReadFile(*result), "the report");
    job.reset();
    EXPECT_FALSE(test::FileExists(*result));
    EXPECT_TRUE(Listing(zipTemp).empty());
}

TEST_F(LaunchExtractTest, AViewedCopyIsTheUsersAloneAndGoesWithItsDirectory) {
    // Viewing always uses the temp path, whatever the launch setting says.
    const std::string copy = ExtractForViewing(context, Request("docs/Report.txt", false), dirs);
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy.rfind(zipTemp + "/", 0), 0u) << copy;
    EXPECT_EQ(test::FileMode(copy), 0600u);
    EXPECT_EQ(test::ReadFile(copy), "the report");
    RemoveExtractedCopy(copy, dirs);
    EXPECT_TRUE(Listing(zipTemp).empty());
    EXPECT_TRUE(dirs.Directories().empty());
    // A refused member: the message, nothing left.
    EXPECT_EQ(ExtractForViewing(context, Request("../evil.txt"), dirs), "");
    EXPECT_TRUE(ui.Showed("Unable to extract file '../evil.txt' to '"));
    EXPECT_TRUE(Listing(zipTemp).empty());
}

} // namespace

} // namespace vorlane::fileops::testing
