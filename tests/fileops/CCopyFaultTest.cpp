// The copy and move driver under faults: a full disk in the middle of a
// tree, a subdirectory that cannot be read, a source file deleted or
// replaced by a link between the listing and its copy, and Cancel at the
// first, a middle and the last file. Each failure is reported once, the
// run goes on, and every file is complete in the source, the target or
// both: never partial, never lost.
#include "CopyTestSupport.h"

#include <map>
#include <thread>

namespace vorlane::fileops::testing {
namespace {

using Op = platform::fault::Op;

int CountStarting(const Strings& texts, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        texts.begin(), texts.end(), [&](const std::string& t) { return t.starts_with(prefix); }));
}

// Every name of the tree lines, without the bytes.
Strings Names(const Strings& lines) {
    Strings names;
    for (const std::string& line : lines)
        names.push_back(line.substr(0, line.find('=')));
    return names;
}

TEST_F(CopyTest, DiskFullInTheMiddleOfATreeReportsEachFileOnceAndGoesOn) {
    if (!MountTmpfs(dRoot, "256k"))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    Strings tree;
    for (int i = 0; i < 12; ++i)
        tree.push_back("A/SUB" + std::to_string(i % 3) + "/F" + std::to_string(i) + "=" +
                       PatternBytes(40000, static_cast<uint32_t>(i)));
    for (int kind : {int(kCopyDirectory), int(kMoveDirectory)}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(cRoot + "/A");
        std::filesystem::remove_all(dRoot + "/A");
        ui.Reset();
        MakeTree(cRoot, tree);
        ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        CCopyOutcome out = Run(Params(kind, "C:\\A", {}, "D:\\", 0));
        EXPECT_TRUE(out.completed);
        EXPECT_GT(out.done, 0);
        EXPECT_GT(out.failed, 0);
        EXPECT_EQ(out.done + out.failed, 12);
        Strings shown = Shown();
        EXPECT_EQ(CountStarting(shown, "Unable to "), out.failed);
        for (const std::string& text : shown)
            if (text.starts_with("Unable to ")) {
                EXPECT_TRUE(text.ends_with("70h - There is not enough space on the disk.")) << text;
            }
        // Each file whole where it is; after a move, in one place only.
        Strings source = ReadTree(cRoot), target = ReadTree(dRoot);
        for (const std::string& line : tree) {
            bool inSource = std::find(source.begin(), source.end(), line) != source.end();
            bool inTarget = std::find(target.begin(), target.end(), line) != target.end();
            EXPECT_TRUE(inSource || inTarget) << line.substr(0, 12);
            if (kind == kMoveDirectory) {
                EXPECT_NE(inSource, inTarget) << line.substr(0, 12);
            } else {
                EXPECT_TRUE(inSource);
            }
        }
        for (const std::string& name : Names(target))
            EXPECT_FALSE(name.ends_with("~vtmp")) << name;
    }
}

// The first subdirectory cannot be opened (root reads are not refused:
// the seam stands in for a mode-000 directory, which root reads anyway).
// A copy reports it and goes on; a move within one file system renames
// the root before any listing, so the unreadable directory goes with it.
TEST_F(CopyTest, AnUnreadableSubdirectoryIsReportedOnceAndTheRestGoes) {
    const Strings all = {"A/",      "A/LOCKED/",  "A/LOCKED/SECRET=s",
                         "A/OPEN/", "A/OPEN/F=f", "A/TOP=t"};
    for (int kind : {int(kCopyDirectory), int(kMoveDirectory)}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(cRoot + "/A");
        std::filesystem::remove_all(dRoot + "/A");
        ui.Reset();
        MakeTree(cRoot, {"A/LOCKED/SECRET=s", "A/OPEN/F=f", "A/TOP=t"});
        ui.QueueYesNoAllCancel(ui::Answer::YesToAll);
        platform::fault::Arm(Op::List, 2, EACCES);
        CCopyOutcome out = Run(Params(kind, "C:\\A", {}, "D:\\", 0));
        platform::fault::Reset();
        if (kind == kMoveDirectory) {
            EXPECT_EQ(out.failed, 0);
            EXPECT_EQ(Shown().size(), 1u) << Shown().back(); // the status caption only
            EXPECT_EQ(ReadTree(cRoot), Strings{});
            EXPECT_EQ(ReadTree(dRoot), all);
            continue;
        }
        EXPECT_EQ(out.done, 2);
        EXPECT_EQ(out.failed, 1);
        EXPECT_EQ(Shown()[1], "Unable to read directory 'C:\\A\\LOCKED'.\n\n05h - Access denied.");
        EXPECT_EQ(ReadTree(dRoot), (Strings{"A/", "A/OPEN/", "A/OPEN/F=f", "A/TOP=t"}));
        EXPECT_EQ(ReadTree(cRoot), all);
    }
}

// The run stops inside the first file's open while the test changes the
// disk under it: the file is gone, or a link to a file elsewhere stands in
// its place. The link is never followed; the next files go on.
TEST_F(CopyTest, ASourceChangedBetweenListingAndCopyIsReportedAndNeverFollowed) {
    struct Case {
        const char* name;
        int kind;
        bool replaceByLink;
        const char* error;
    } cases[] = {
        {"deleted, copy", kCopyDirectory, false, "02h - File not found."},
        {"replaced by a link, copy", kCopyDirectory, true, nullptr},
        {"deleted, move", kMoveFiles, false, "02h - File not found."},
        {"replaced by a link, move", kMoveFiles, true, nullptr},
    };
    if (!MountTmpfs(dRoot))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(cRoot + "/A");
        std::filesystem::remove_all(dRoot + "/A");
        ui.Reset();
        MakeTree(cRoot, {"A/F1=one", "A/F2=two", "ELSEWHERE=secret"});
        ::mkdir((dRoot + "/A").c_str(), 0755);
        CCopyParameters p = c.kind == kMoveFiles ? Params(c.kind, "C:\\A", {"F1", "F2"}, "D:\\A", 0)
                                                 : Params(c.kind, "C:\\A", {}, "D:\\", 0);
        platform::fault::ArmStall(Op::Open, 1);
        CCopyOutcome out;
        std::thread run([&] { out = Run(p); });
        ASSERT_TRUE(platform::fault::WaitForStall(10000));
        ::unlink(Host("C:\\A\\F1").c_str());
        if (c.replaceByLink)
            ::symlink(Host("C:\\ELSEWHERE").c_str(), Host("C:\\A\\F1").c_str());
        platform::fault::ReleaseStall();
        run.join();
        EXPECT_EQ(out.done, 1);
        EXPECT_EQ(out.failed, 1);
        const std::string verb = c.kind == kMoveFiles ? "move" : "copy";
        ASSERT_EQ(CountStarting(Shown(), "Unable to "), 1);
        const std::string report = Shown().back();
        EXPECT_TRUE(
            report.starts_with("Unable to " + verb + " file 'C:\\A\\F1' to 'D:\\A\\F1'.\n\n"))
            << report;
        if (c.error) {
            EXPECT_TRUE(report.ends_with(c.error)) << report;
        }
        EXPECT_EQ(ReadTree(dRoot), (Strings{"A/", "A/F2=two"}));
        EXPECT_EQ(Bytes("C:\\ELSEWHERE"), "secret");
    }
}

// Cancel before the first file, between two files in the middle, and
// inside the last file's copy: what was done stays, the file being copied
// leaves nothing, and a move keeps the sources it did not move.
TEST_F(CopyTest, CancelAtTheFirstAMiddleAndTheLastFile) {
    if (!MountTmpfs(dRoot))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const Strings files = {"F1", "F2", "F3", "F4", "F5"};
    for (int kind : {int(kCopyFiles), int(kMoveFiles)}) {
        const bool move = kind == kMoveFiles;
        auto reset = [&] {
            std::filesystem::remove_all(cRoot + "/A");
            std::filesystem::remove_all(dRoot + "/A");
            for (const std::string& f : files)
                MakeTree(cRoot, {"A/" + f + "=" + PatternBytes(70000, f[1])});
            ::mkdir((dRoot + "/A").c_str(), 0755);
        };
        // A clean run tells which status check comes where.
        reset();
        Run(Params(kind, "C:\\A", files, "D:\\A", 0));
        std::map<std::string, int> checksBefore; // checks made before a file's first text
        int checks = 0;
        for (const ui::StatusLog::Entry& e : Status().entries) {
            if (e.call == ui::StatusLog::Call::Cancelled)
                ++checks;
            if (e.call == ui::StatusLog::Call::CurrentMessage)
                for (const std::string& f : files)
                    if (e.text.find("\\" + f + "'") != std::string::npos && !checksBefore.count(f))
                        checksBefore[f] = checks;
        }
        struct Case {
            const char* name;
            int cancelAt;
            int done;
        } cases[] = {
            {"first", 1, 0},
            {"middle", checksBefore["F3"], 2},   // the check between F2 and F3
            {"last", checksBefore["F5"] + 1, 4}, // inside F5's copy
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (move ? ", move" : ", copy"));
            reset();
            ui.CancelNextStatusWindowAt(c.cancelAt);
            CCopyOutcome out = Run(Params(kind, "C:\\A", files, "D:\\A", 0));
            EXPECT_TRUE(out.cancelled);
            EXPECT_FALSE(out.completed);
            EXPECT_EQ(out.done, c.done);
            EXPECT_EQ(CountStarting(Shown(), "Unable to "), 0);
            Strings target = Names(ReadTree(dRoot + "/A"));
            Strings expected(files.begin(), files.begin() + c.done);
            EXPECT_EQ(target, expected);
            Strings source = Names(ReadTree(cRoot + "/A"));
            EXPECT_EQ(source, move ? Strings(files.begin() + c.done, files.end()) : files);
        }
    }
}

} // namespace
} // namespace vorlane::fileops::testing
