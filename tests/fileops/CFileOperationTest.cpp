// The primitives of CFileOperation: what arrives, what is left, what the
// status window is told, and the refusals that protect the source.
#include "FileOpsTestSupport.h"

#include "platform/File.h"
#include "platform/Trash.h"

#include <cerrno>
#include <functional>
#include <unistd.h>

namespace vorlane::fileops::testing {
namespace {

using platform::fault::Op;
using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

const platform::FileTime kMarch2001{983620800, 0};

TEST_F(FileOpsTest, CopyCarriesBytesTimesAttributesAndPermissions) {
    struct Case {
        const char* name;
        CFileOperation::Tuning tuning;
        Ints percents; // empty: only rising and ending at 100
    } cases[] = {
        // 100000 bytes: done / 1000 per block; 100 on the way is left out.
        {"kernel, block by block", BlockByBlock(true), {16, 32, 49, 65, 81, 98, 100}},
        {"buffer, block by block", BlockByBlock(false), {16, 32, 49, 65, 81, 98, 100}},
        {"kernel, large steps", CFileOperation::Tuning{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = PatternBytes(c.percents.empty() ? 3333333 : 100000);
        Make("C:\\SRC.DAT", bytes);
        ::chmod(Host("C:\\SRC.DAT").c_str(), 0750);
        ASSERT_TRUE(platform::SetAttributes(Host("C:\\SRC.DAT"), platform::kAttrSystem));
        ASSERT_TRUE(platform::SetFileTimes(Host("C:\\SRC.DAT"), nullptr, nullptr, &kMarch2001));
        CFileOperation op(context, NewStatus());
        op.SetTuning(c.tuning);
        ASSERT_TRUE(op.Copy("C:\\SRC.DAT", "D:\\DST.DAT", false)) << op.Error().Message();
        FileSnapshot copy = FileSnapshot::Of(Host("D:\\DST.DAT"));
        EXPECT_TRUE(copy.bytes == bytes);
        EXPECT_EQ(copy.attributes, uint32_t(platform::kAttrSystem));
        EXPECT_EQ(copy.mode, 0750u);
        EXPECT_EQ(copy.lastWrite, kMarch2001);
        EXPECT_EQ(Listing(dRoot), Strings{"DST.DAT"});
        EXPECT_EQ(Texts(), Strings{"Copying 'C:\\SRC.DAT' to 'D:\\DST.DAT'..."});
        Ints percents = Percents();
        if (!c.percents.empty()) {
            EXPECT_EQ(percents, c.percents);
        }
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_GT(percents.size(), 1u);
        EXPECT_EQ(percents.back(), 100);
        ::unlink(Host("D:\\DST.DAT").c_str());
    }
    Make("C:\\EMPTY", "");
    CFileOperation op(context, NewStatus());
    ASSERT_TRUE(op.Copy("C:\\EMPTY", "C:\\EMPTY.BAK", false));
    EXPECT_TRUE(Exists("C:\\EMPTY.BAK"));
    EXPECT_EQ(Percents(), (Ints{100}));
}

TEST_F(FileOpsTest, CopyReplacesAReadOnlyTargetOrALinkAfterAsking) {
    Make("C:\\NEW.TXT", "new");
    ::chmod(Host("C:\\NEW.TXT").c_str(), 0444);
    Make("C:\\OLD.TXT", "old");
    ::chmod(Host("C:\\OLD.TXT").c_str(), 0444);
    Make("D:\\ELSEWHERE", "keep me");
    ASSERT_EQ(::symlink(Host("D:\\ELSEWHERE").c_str(), Host("C:\\LINK").c_str()), 0);
    CFileOperation op(context);
    ui.QueueYesNo(false);
    EXPECT_FALSE(op.Copy("C:\\NEW.TXT", "C:\\OLD.TXT", true));
    EXPECT_EQ(op.Error().Message(), "User aborted!");
    EXPECT_EQ(ui.Shown().back().text,
              "File 'C:\\OLD.TXT' already exists. Do you wish to overwrite it?");
    EXPECT_EQ(ui.Shown().back().caption, "Overwrite");
    ui.QueueYesNo(true);
    ASSERT_TRUE(op.Copy("C:\\NEW.TXT", "C:\\OLD.TXT", true));
    EXPECT_EQ(FileSnapshot::Of(Host("C:\\OLD.TXT")).mode, 0444u); // the source's read-only
    EXPECT_EQ(Bytes("C:\\OLD.TXT"), "new");
    ASSERT_TRUE(op.Copy("C:\\NEW.TXT", "C:\\LINK", false)); // the link is replaced, not followed
    EXPECT_EQ(Bytes("D:\\ELSEWHERE"), "keep me");
    EXPECT_EQ(Bytes("C:\\LINK"), "new");
    EXPECT_EQ(Listing(cRoot), (Strings{"LINK", "NEW.TXT", "OLD.TXT"}));
}

// Every way of naming the source again, for every primitive that writes a
// target: refused, and the source keeps every byte.
TEST_F(FileOpsTest, SameFileInAnyDisguiseIsRefused) {
    std::string bytes = PatternBytes(40000);
    Make("C:\\SRC.DAT", bytes);
    ASSERT_EQ(::symlink("SRC.DAT", Host("C:\\LINK.DAT").c_str()), 0);
    ASSERT_EQ(::link(Host("C:\\SRC.DAT").c_str(), Host("C:\\HARD.DAT").c_str()), 0);
    ASSERT_EQ(::symlink(cRoot.c_str(), Host("C:\\LOOP").c_str()), 0);
    using Run = std::function<bool(CFileOperation&, const std::string&)>;
    const Run runs[] = {
        [](CFileOperation& op, const std::string& t) { return op.Copy("C:\\SRC.DAT", t, false); },
        [](CFileOperation& op, const std::string& t) { return op.Append("C:\\SRC.DAT", t); },
        [](CFileOperation& op, const std::string& t) { return op.Move("C:\\SRC.DAT", t, false); },
    };
    for (const Run& run : runs) {
        for (const char* target : {"C:\\SRC.DAT", "c:\\src.dat", "C:\\.\\SRC.DAT", "C:\\LINK.DAT",
                                   "C:\\HARD.DAT", "C:\\LOOP\\SRC.DAT"}) {
            SCOPED_TRACE(target);
            CFileOperation op(context);
            EXPECT_FALSE(run(op, target));
            EXPECT_EQ(op.Error().Message(), "Source and target files are the same!");
            EXPECT_TRUE(op.IsSameFile("C:\\SRC.DAT", target));
        }
    }
    EXPECT_TRUE(Bytes("C:\\SRC.DAT") == bytes);
    EXPECT_EQ(Listing(cRoot), (Strings{"HARD.DAT", "LINK.DAT", "LOOP", "SRC.DAT"}));
}

TEST_F(FileOpsTest, RefusalsNameTheirReason) {
    Make("C:\\SRC.DAT", "data");
    ::mkdir(Host("C:\\DIR").c_str(), 0755);
    ::mkfifo(Host("C:\\FIFO").c_str(), 0644);
    struct Case {
        const char* source;
        const char* target;
        const char* message;
    } cases[] = {
        {"C:\\GONE.DAT", "D:\\X", "02h - File not found."},
        {"C:\\NODIR\\A.DAT", "D:\\X", "03h - Path not found."},
        {"C:\\DIR", "D:\\X", "05h - Access denied."},
        {"C:\\FIFO", "D:\\X", "6Eh - The system cannot open the device or file specified!"},
        {"C:\\SRC.DAT", "C:\\DIR", "05h - Access denied."},
        {"C:\\SRC.DAT", "D:\\NODIR\\X", "03h - Path not found."},
        {"C:\\SRC.DAT", "Q:\\X", "0Fh - Invalid drive."},
        {"C:\\SRC.DAT", "D:\\A*B", "7Bh - The filename or directory name specified is invalid!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        CFileOperation op(context);
        EXPECT_FALSE(op.Copy(c.source, c.target, false));
        EXPECT_EQ(op.Error().Message(), c.message);
        EXPECT_FALSE(op.Move(c.source, c.target, false));
        EXPECT_EQ(op.Error().Message(), c.message);
    }
    EXPECT_EQ(Listing(dRoot), Strings{});
    EXPECT_EQ(Listing(cRoot), (Strings{"DIR", "FIFO", "SRC.DAT"}));
}

TEST_F(FileOpsTest, AppendAddsToTheEndAndTheTargetKeepsItsOwnAttributes) {
    Make("C:\\ARCHIVE.ZIP", PatternBytes(70000));
    ASSERT_TRUE(platform::SetAttributes(Host("C:\\ARCHIVE.ZIP"), platform::kAttrSystem));
    CFileOperation op(context, NewStatus());
    op.SetTuning(BlockByBlock());
    ASSERT_TRUE(op.Append("C:\\ARCHIVE.ZIP", "C:\\LOADER")); // made when absent
    Make("C:\\STUB", "MZ");
    ::chmod(Host("C:\\LOADER").c_str(), 0444);
    ASSERT_TRUE(op.Append("C:\\STUB", "C:\\LOADER"));
    EXPECT_TRUE(Bytes("C:\\LOADER") == PatternBytes(70000) + "MZ");
    uint32_t attributes = 0;
    ASSERT_TRUE(op.GetAttributes("C:\\LOADER", &attributes));
    EXPECT_EQ(attributes, uint32_t(platform::kAttrArchive)); // not the source's; read-only gone
    EXPECT_EQ(Texts()[0], "Appending 'C:\\ARCHIVE.ZIP' to 'C:\\LOADER'...");
    // Below 100000 bytes: done * 100 / size; 70 is left out.
    EXPECT_EQ(Percents(), (Ints{23, 46, 93, 100, 100}));
}

// A copy or an append reports its first percentage after its first block;
// a 0 before it came from nowhere. A zap pass starts its gauge at 0.
TEST_F(FileOpsTest, CopyAndAppendReportNoPercentageBeforeTheFirstBlock) {
    struct Case {
        const char* name;
        size_t size;
        std::function<bool(CFileOperation&)> run;
        int first; // the first percentage reported
    } cases[] = {
        {"copy", 50000, [](CFileOperation& op) { return op.Copy("C:\\F", "C:\\G", false); }, 32},
        {"append", 50000, [](CFileOperation& op) { return op.Append("C:\\F", "C:\\H"); }, 32},
        {"copy of an empty file", 0,
         [](CFileOperation& op) { return op.Copy("C:\\F", "C:\\I", false); }, 100},
        {"zap", 50000, [](CFileOperation& op) { return op.Zap("C:\\F", 1); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make("C:\\F", PatternBytes(c.size));
        CFileOperation op(context, NewStatus());
        op.SetTuning(BlockByBlock());
        ASSERT_TRUE(c.run(op)) << op.Error().Message();
        ASSERT_FALSE(Percents().empty());
        EXPECT_EQ(Percents().front(), c.first);
        EXPECT_EQ(Percents().back(), 100);
    }
}

// The file system decides, never the letters: C: and E: share one, D: is
// a file system of its own.
TEST_F(FileOpsTest, MoveRenamesOnOneFileSystemAndCopiesFlushedBetweenFileSystems) {
    if (!MountTmpfs(dRoot))
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string eRoot = dir / "e";
    ui::OperationContext three = ContextWithDriveE();
    Make("C:\\A.TXT", "a");
    Make("C:\\B.TXT", "b");
    test::WriteFile(eRoot + "/E.TXT", "old e");
    CFileOperation op(three, NewStatus());
    ASSERT_TRUE(op.Move("C:\\A.TXT", "C:\\B.TXT", true)); // replaces without asking
    EXPECT_EQ(Listing(cRoot), Strings{"B.TXT"});
    EXPECT_EQ(Bytes("C:\\B.TXT"), "a");
    ASSERT_TRUE(op.Move("C:\\B.TXT", "E:\\E.TXT", false)); // another letter, one rename
    EXPECT_EQ(test::ReadFile(eRoot + "/E.TXT"), "a");
    EXPECT_EQ(platform::fault::Calls(Op::Fsync), 0);
    ASSERT_TRUE(op.Copy("E:\\E.TXT", "D:\\COPY.TXT", false));
    EXPECT_EQ(platform::fault::Calls(Op::Fsync), 0); // a copy is not flushed
    ASSERT_TRUE(op.Move("E:\\E.TXT", "D:\\B.TXT", false));
    EXPECT_EQ(platform::fault::Calls(Op::Fsync), 2); // the copy and its directory, first
    EXPECT_EQ(Listing(eRoot), Strings{});
    EXPECT_EQ(Bytes("D:\\B.TXT"), "a");
    EXPECT_EQ(
        Texts(),
        (Strings{"Renaming 'C:\\A.TXT' to 'C:\\B.TXT'...", "Renaming 'C:\\B.TXT' to 'E:\\E.TXT'...",
                 "Copying 'E:\\E.TXT' to 'D:\\COPY.TXT'...",
                 "Copying 'E:\\E.TXT' to 'D:\\B.TXT'...", "Deleting 'E:\\E.TXT'..."}));
    // A rename the system refuses as a move across devices: copy and delete.
    platform::fault::Arm(Op::Rename, 1, EXDEV);
    ASSERT_TRUE(op.Move("D:\\B.TXT", "D:\\C.TXT", false));
    EXPECT_EQ(Listing(dRoot), (Strings{"C.TXT", "COPY.TXT"}));
    EXPECT_EQ(platform::fault::Calls(Op::Fsync), 4);
}

TEST_F(FileOpsTest, ZapOverwritesBlockByBlockThenRemovesNameAndContents) {
    Make("C:\\SECRET.TXT", PatternBytes(40000));
    platform::fault::Arm(Op::Truncate, 1, EIO); // stop before the file is emptied
    CFileOperation op(context, NewStatus());
    op.SetTuning(BlockByBlock());
    EXPECT_FALSE(op.Zap("C:\\SECRET.TXT", 1));
    EXPECT_EQ(Bytes("C:\\SECRET.TXT"), std::string(40000, '\0'));
    EXPECT_EQ(platform::fault::Calls(Op::Write), 3); // 16384, 16384 and 7232
    EXPECT_EQ(platform::fault::Calls(Op::Fsync), 1); // on the disk before it is cut
    EXPECT_EQ(Percents(), (Ints{0, 81, 100}));       // 40 is left out
    platform::fault::Reset();
    ASSERT_TRUE(op.Zap("C:\\SECRET.TXT", 1)) << op.Error().Message();
    EXPECT_EQ(Listing(cRoot), Strings{});
    EXPECT_EQ(Texts(),
              (Strings{"Zapping 'C:\\SECRET.TXT' - Pass 1...",
                       "Zapping 'C:\\SECRET.TXT' - Pass 1...", "Deleting 'C:\\\xEF\x83\xBF'..."}));
    // Three passes write 2, 1 and 0 (several blocks per call): a failing
    // flush shows each pattern.
    op.SetTuning(CFileOperation::Tuning{});
    for (int pass = 1; pass <= 3; ++pass) {
        Make("C:\\Z", PatternBytes(50000));
        platform::fault::Reset();
        platform::fault::Arm(Op::Fsync, pass, EIO);
        EXPECT_FALSE(op.Zap("C:\\Z", 3));
        EXPECT_EQ(Bytes("C:\\Z"), std::string(50000, static_cast<char>(3 - pass)));
    }
}

TEST_F(FileOpsTest, ZapOverwritesPastFourGigabytes) {
    // A sparse 5 GiB file with data at its start, at 85% and at its end: a
    // size kept in 32 bits would stop the overwrite at 1 GiB.
    const uint64_t kSize = uint64_t(5) << 30, kFar = (uint64_t(4) << 30) + (uint64_t(300) << 20);
    std::string host = Host("C:\\HUGE.IMG");
    platform::File file;
    ASSERT_TRUE(file.Open(host, platform::kOpenReadWrite | platform::kOpenCreate));
    ASSERT_TRUE(file.Truncate(kSize));
    for (uint64_t at : {uint64_t(0), kFar, kSize - 100})
        ASSERT_TRUE(file.PWrite("data", 4, at));
    if (::lseek(file.Descriptor(), 0, SEEK_HOLE) >= static_cast<off_t>(kSize))
        GTEST_SKIP() << "the file system does not report holes";
    platform::fault::Arm(Op::Truncate, 1, EIO);
    CFileOperation op(context, NewStatus());
    EXPECT_FALSE(op.Zap("C:\\HUGE.IMG", 1));
    for (uint64_t at : {uint64_t(0), kFar, kSize - 100}) {
        char bytes[4] = {'x', 'x', 'x', 'x'};
        size_t got = 0;
        ASSERT_TRUE(file.PRead(bytes, 4, at, &got));
        EXPECT_EQ(std::string(bytes, 4), std::string(4, '\0')) << at;
    }
    EXPECT_EQ(Percents(), (Ints{0, 85, 100}));
}

TEST_F(FileOpsTest, ZapAndDeleteActOnLinksAndReportWhatStopsThem) {
    Make("D:\\PRECIOUS", "keep");
    ASSERT_EQ(::symlink(Host("D:\\PRECIOUS").c_str(), Host("C:\\LINK1").c_str()), 0);
    ASSERT_EQ(::symlink(Host("D:\\PRECIOUS").c_str(), Host("C:\\LINK2").c_str()), 0);
    Make("C:\\RO", "r");
    ::chmod(Host("C:\\RO").c_str(), 0444);
    CFileOperation op(context);
    ASSERT_TRUE(op.Zap("C:\\LINK1", 1));
    ASSERT_TRUE(op.Delete("C:\\LINK2"));
    ASSERT_TRUE(op.Zap("C:\\RO", 1));
    EXPECT_EQ(Listing(cRoot), Strings{});
    EXPECT_EQ(Bytes("D:\\PRECIOUS"), "keep");

    // The one-character name taken: the emptied file stays under its name.
    Make("C:\\A.TXT", "secret");
    test::WriteFile(cRoot + "/\xFF", "someone else's");
    EXPECT_FALSE(op.Zap("C:\\A.TXT", 1));
    EXPECT_EQ(op.Error().Message(), "50h - File exists.");
    EXPECT_EQ(Bytes("C:\\A.TXT"), "");
    EXPECT_EQ(test::ReadFile(cRoot + "/\xFF"), "someone else's");
    ::mkdir(Host("C:\\DIR").c_str(), 0755);
    for (const char* path : {"C:\\DIR", "C:\\NONE"}) {
        EXPECT_FALSE(op.Zap(path, 1));
        EXPECT_FALSE(op.Delete(path));
    }
    EXPECT_EQ(op.Error().Message(), "02h - File not found.");
    EXPECT_FALSE(op.Zap("C:\\A.TXT", 0));
    EXPECT_EQ(op.Error().Code(), 87);
    platform::fault::Arm(Op::Unlink, 1, EBUSY);
    EXPECT_FALSE(op.Delete("C:\\A.TXT"));
    EXPECT_EQ(op.Error().Message(), "20h - Sharing violation.");
}

TEST_F(FileOpsTest, DeleteAndRecycleShowAbbreviatedPaths) {
    std::string dosDir = "C:\\A_RATHER_LONG_DIRECTORY_NAME";
    ::mkdir(Host(dosDir).c_str(), 0755);
    Make(dosDir + "\\FILE.TXT", "x");
    Make("C:\\OLD.TXT", "old");
    CFileOperation op(context, NewStatus());
    ASSERT_TRUE(op.Delete(dosDir + "\\FILE.TXT"));
    ASSERT_TRUE(op.Recycle("C:\\OLD.TXT")) << op.Error().Message();
    EXPECT_EQ(Texts(), (Strings{"Deleting 'C:\\..G_DIRECTORY_NAME\\FILE.TXT'...",
                                "Moving 'C:\\OLD.TXT' to 'RECYCLE BIN'..."}));
    EXPECT_EQ(test::ReadFile(platform::HomeTrashDirectory() + "/files/OLD.TXT"), "old");
    EXPECT_FALSE(Exists("C:\\OLD.TXT"));
}

TEST_F(FileOpsTest, RenameRefusesATakenNameAndIgnoresItsOwn) {
    Make("C:\\A.TXT", "a");
    Make("C:\\B.TXT", "b");
    CFileOperation op(context, NewStatus());
    for (const char* own : {"C:\\a.txt", "C:\\.\\A.TXT"})
        EXPECT_TRUE(op.Rename("C:\\A.TXT", own));
    EXPECT_TRUE(LastLog().entries.empty()); // nothing shown, nothing done
    EXPECT_FALSE(op.Rename("C:\\A.TXT", "C:\\b.txt"));
    EXPECT_EQ(op.Error().Message(), "New file name already exists as a unique file!");
    ASSERT_TRUE(op.Rename("C:\\A.TXT", "C:\\C.TXT"));
    EXPECT_EQ(op.Error().Code(), 0); // a rename starts with a fresh error
    EXPECT_EQ(Texts(), (Strings{"Renaming 'C:\\A.TXT' to 'C:\\b.txt'...",
                                "Renaming 'C:\\A.TXT' to 'C:\\C.TXT'..."}));
    EXPECT_EQ(Listing(cRoot), (Strings{"B.TXT", "C.TXT"}));
}

TEST_F(FileOpsTest, TimesOfAReadOnlyFileAreSetAndItStaysReadOnly) {
    Make("C:\\F.TXT", "f");
    CFileOperation op(context);
    ASSERT_TRUE(op.SetAttributes("C:\\F.TXT", platform::kAttrReadOnly | platform::kAttrSystem));
    FileTimes times{{1000000000, 0}, {1100000000, 250}, {1200000000, 999999999}}, read;
    ASSERT_TRUE(op.SetFileTimes("C:\\F.TXT", times));
    ASSERT_TRUE(op.GetFileTimes("C:\\F.TXT", &read));
    EXPECT_EQ(read.lastAccess, times.lastAccess);
    EXPECT_EQ(read.lastWrite, times.lastWrite);
    uint32_t attributes = 0;
    ASSERT_TRUE(op.GetAttributes("C:\\F.TXT", &attributes));
    EXPECT_EQ(attributes, uint32_t(platform::kAttrReadOnly | platform::kAttrSystem));
}

TEST_F(FileOpsTest, ReportErrorPutsTheErrorTextAfterTheSentence) {
    CFileOperation op(context);
    EXPECT_FALSE(op.Delete("C:\\GONE.TXT"));
    op.ReportError(nullptr, "Unable to delete file '%s'!\n\n", "C:\\GONE.TXT");
    op.ReportError("Make Directory", "Unable to copy '%s'", std::string(2000, 'x').c_str());
    ASSERT_EQ(ui.Shown().size(), 2u);
    EXPECT_EQ(ui.Shown()[0].text, "Unable to delete file 'C:\\GONE.TXT'!\n\n02h - File not found.");
    EXPECT_EQ(ui.Shown()[0].caption, "Error!");
    const std::string& cut = ui.Shown()[1].text; // cut to the dialog's limit, error text kept
    EXPECT_EQ(cut.size(), ui::kMaxMessageText);
    EXPECT_EQ(cut.substr(cut.size() - 21), "02h - File not found.");
    EXPECT_EQ(ui.Shown()[1].caption, "Make Directory");
}

TEST(ProgressPercentTest, IntegerRuleWithoutOverflow) {
    const uint64_t k5G = uint64_t(5) << 30;
    struct Case {
        uint64_t done, size;
        int percent;
    } cases[] = {{0, 0, 0},          {1, 3, 33},      {16384, 100000, 16}, {16384, 99999, 16},
                 {k5G / 2, k5G, 50}, {k5G, k5G, 100}, {k5G + 1, k5G, 100}, {~0ull, ~0ull, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(ProgressPercent(c.done, c.size), c.percent) << c.done << "/" << c.size;
}

} // namespace
} // namespace vorlane::fileops::testing
