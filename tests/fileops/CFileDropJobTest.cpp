// The drop driver as a job: what it announces to the change sink, which
// drives it claims, and what its result says.
#include "FileOpsTestSupport.h"

#include "CopyTestSupport.h"
#include "fileops/CFileDropJob.h"

namespace vorlane::fileops::testing {
namespace {

TEST_F(FileOpsTest, DropJobAnnouncesEachFileItChangedAndNothingElse) {
    Make("C:\\A.TXT", "a");
    Make("C:\\B.TXT", "b");
    Make("C:\\C.TXT", "c");
    ::mkdir(Host("D:\\IN").c_str(), 0755);
    Make("D:\\IN\\B.TXT", "old b");               // declined at the question
    ::mkdir(Host("D:\\IN\\C.TXT").c_str(), 0755); // a directory in the way: fails
    struct Case {
        const char* name;
        DropAction action;
        std::vector<std::string> notices;
    };
    const Case cases[] = {
        {"copy", DropAction::Copy, {"Added D:\\IN\\A.TXT"}},
        {"move", DropAction::Move, {"Renamed C:\\A.TXT -> D:\\IN\\A.TXT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Host("D:\\IN\\A.TXT").c_str());
        ui.QueueYesNoAllCancel(ui::Answer::No);
        ui::ChangeRecorder recorder;
        ui::OperationContext jobContext = context.WithNotices(recorder);
        CFileDropJob job({{"C:\\A.TXT", "C:\\B.TXT", "C:\\C.TXT"}, "D:\\IN", c.action, false});
        EXPECT_EQ(job.DriveLetters(), "DC");
        ui::JobResult result = ui::RunJobNow(job, jobContext);
        EXPECT_EQ(recorder.Descriptions(), c.notices);
        EXPECT_FALSE(result.ok); // C.TXT failed, and the user was told
        EXPECT_FALSE(result.cancelled);
        EXPECT_EQ(job.Outcome().done, 1);
        EXPECT_EQ(job.Outcome().skipped, 1);
        EXPECT_EQ(job.Outcome().failed, 1);
        EXPECT_EQ(Bytes("D:\\IN\\B.TXT"), "old b");
        EXPECT_EQ(Exists("C:\\A.TXT"), c.action == DropAction::Copy);
    }
}

// A dropped folder lands whole below the directory it was dropped on, with
// no question for each directory of its tree: the user pointed at the
// target. Only a name already taken asks.
TEST_F(FileOpsTest, ADroppedTreeIsMadeWithoutAskingForEachDirectory) {
    MakeTree(Host("C:\\"), {"TREE/A.TXT=a", "TREE/SUB/B.TXT=b", "TREE/SUB/DEEP/C.TXT=c", "IN/"});
    CFileDropJob job({{"C:\\TREE"}, "C:\\IN", DropAction::Copy, false});
    ui::JobResult result = ui::RunJobNow(job, context);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Bytes("C:\\IN\\TREE\\SUB\\DEEP\\C.TXT"), "c");
    EXPECT_EQ(job.Outcome().done, 3);
    EXPECT_TRUE(ui.Unexpected().empty()) << ui.Unexpected().front().text;
    for (const std::string& text : ui.Texts())
        EXPECT_EQ(text.find("create the directory"), std::string::npos) << text;
}

} // namespace
} // namespace vorlane::fileops::testing
