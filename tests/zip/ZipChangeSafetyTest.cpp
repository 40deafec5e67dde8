// Changes to archives in the situations an outside review found losing
// data or hiding why they failed: a program in front of the archive (a
// self-extractor), two writers at once, another program changing the
// archive meanwhile, copies between two archives both ways, unreadable
// files in an add, the temporary files of killed changes, a full disk and
// a link in an extraction's way.
#include "ZipOpsTestSupport.h"

#include "zip/CZipFileOperation.h"
#include "zip/ZipMemberEntry.h"
#include "zip/private/ZipArchiveLock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace vorlane::zip {
namespace {

using std::chrono::milliseconds;

// One call of the zip entry point, with hooks on its callbacks.
struct EngineCall {
    ZipCommandRecord record;
    std::shared_ptr<const platform::DriveMap> drives = platform::DriveMap::Current();
    std::string zipPath;
    std::string spec;
    std::function<void(const std::string&)> onProgressText; // each member label
    std::vector<std::pair<int, std::string>> messages;

    EngineCall(int function, std::string zip, std::string fileSpec)
        : zipPath(std::move(zip)), spec(std::move(fileSpec)) {
        record.function = function;
    }
    int Run() {
        record.zipPath = zipPath.c_str();
        record.drives = drives.get();
        record.fileSpec = spec.empty() ? nullptr : spec.c_str();
        record.progressCallback = &Progress;
        record.progressUser = this;
        record.messageCallback = &Message;
        record.messageUser = this;
        return ZipEntry(record);
    }
    static bool Progress(const char* text, int, void* user) {
        auto* self = static_cast<EngineCall*>(user);
        if (text != nullptr && *text != '\0' && self->onProgressText) {
            auto hook = std::move(self->onProgressText); // once
            hook(text);
        }
        return false;
    }
    static int Message(int number, int, int, int, const char* text, char*, void* user) {
        static_cast<EngineCall*>(user)->messages.emplace_back(number, text ? text : "");
        return 1;
    }
};

// A status window whose "cancelled?" check runs a hook: the moment a
// change waits for a lock.
class HookedStatus : public ui::StatusWindow {
  public:
    void SetCurrentMessage(const std::string& text) override { messages.push_back(text); }
    void SetCurrentPercent(int) override {}
    void SetOverallLabel(const std::string&) override {}
    void SetOverallPercent(int) override {}
    bool Cancelled() override { return onCheck ? onCheck() : false; }

    std::function<bool()> onCheck;
    std::vector<std::string> messages;
};

class ZipChangeSafetyTest : public testing::ZipTest {
  protected:
    std::string Joined(const std::string& relative) {
        std::vector<std::string> names = Listed(relative);
        std::sort(names.begin(), names.end());
        std::string joined;
        for (const std::string& name : names)
            joined += (joined.empty() ? "" : ",") + name;
        return joined;
    }
    // The hidden temporary files beside the archives in the drive's root.
    std::vector<std::string> Temporaries() {
        std::vector<std::string> found;
        for (const std::string& name : ::vorlane::test::ListDir(m_root))
            if (IsTemporaryFileName(name))
                found.push_back(name);
        return found;
    }
    bool Locked(const std::string& relative) {
        ZipArchiveLock probe;
        return probe.Acquire(Host(relative), false, milliseconds(0)) ==
               ZipArchiveLock::Result::kBusy;
    }
};

// --- a program in front of the archive ---------------------------------------------

TEST_F(ZipChangeSafetyTest, SelfExtractorKeepsItsProgramThroughEveryChange) {
    const std::string stub = ::vorlane::test::ReadFile("/usr/bin/unzipsfx");
    ASSERT_FALSE(stub.empty()) << "unzipsfx comes with Info-ZIP unzip";
    MakeArchive("PLAIN.ZIP", {"one.txt", "two.txt"});
    MakeFile("NEW/three.txt", "three");
    const std::string plain = ::vorlane::test::ReadFile(Host("PLAIN.ZIP"));
    const struct {
        const char* name;
        std::function<bool(CZipFileOperation&)> change;
        const char* members;
    } cases[] = {
        {"delete", [](CZipFileOperation& op) { return op.DeleteMembers("one.txt"); }, "two.txt"},
        {"add",
         [](CZipFileOperation& op) {
             return op.AddFiles(kZipAdd, "C:\\NEW\\three.txt", kStoreNoPaths, false, false);
         },
         "one.txt,three.txt,two.txt"},
        {"comment", [](CZipFileOperation& op) { return op.WriteComment("kept program"); },
         "one.txt,two.txt"},
        {"delete every member",
         [](CZipFileOperation& op) { return op.DeleteMembers("one.txt two.txt"); }, ""},
    };
    for (bool adjusted : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) +
                         (adjusted ? ", offsets adjusted" : ", not adjusted"));
            ::vorlane::test::WriteFile(Host("SFX.EXE"), stub + plain);
            if (adjusted)
                Zip("-A SFX.EXE"); // offsets from the start of the file, as zip -A leaves them
            CZipFileOperation op(Context());
            ASSERT_EQ(op.Open("C:\\SFX.EXE"), kOpened);
            ASSERT_TRUE(c.change(op)) << op.ZipErrorText();
            const std::string after = ::vorlane::test::ReadFile(Host("SFX.EXE"));
            EXPECT_TRUE(after.compare(0, stub.size(), stub) == 0) << "the program is gone";
            EXPECT_EQ(Joined("SFX.EXE"), c.members);
            CZipFileOperation reader(Context());
            EXPECT_EQ(reader.Open("C:\\SFX.EXE"), kOpened);
            if (*c.members == '\0')
                continue; // an empty archive's directory offset stays 0, as Info-ZIP writes it
            // Offsets count from the file's start: unzip finds no "extra bytes".
            const std::string log = m_temp / "unzip-t.txt";
            const int rc =
                std::system(("unzip -tq '" + Host("SFX.EXE") + "' >'" + log + "' 2>&1").c_str());
            EXPECT_EQ(WEXITSTATUS(rc), 0) << ::vorlane::test::ReadFile(log);
            // And the program still finds its archive.
            ::chmod(Host("SFX.EXE").c_str(), 0755);
            EXPECT_EQ(Run("./SFX.EXE -t"), 0);
        }
    }
}

// --- two writers -----------------------------------------------------------------------

TEST_F(ZipChangeSafetyTest, SecondWriterIsRefusedInsteadOfLosingItsChange) {
    MakeArchive("T.ZIP", {"old.txt"});
    MakeFile("SRC/a.txt", "first writer");
    MakeFile("SRC/b.txt", "second writer");
    // The second writer starts while the first holds the archive (in the
    // middle of writing its new copy).
    EngineCall first(kZipAdd, "C:\\T.ZIP", "C:\\SRC\\a.txt");
    EngineCall second(kZipAdd, "C:\\T.ZIP", "C:\\SRC\\b.txt");
    int secondResult = -1;
    first.onProgressText = [&](const std::string&) { secondResult = second.Run(); };
    EXPECT_EQ(first.Run(), kZipOk);
    EXPECT_EQ(secondResult, kZipArchiveBusy);
    EXPECT_EQ(second.messages,
              (std::vector<std::pair<int, std::string>>{
                  {kMessageErrorDetail, "'C:\\T.ZIP' is being changed by another operation"}}));
    EXPECT_EQ(Joined("T.ZIP"), "a.txt,old.txt");
    // Tried again once the first is done, it is made.
    EXPECT_EQ(second.Run(), kZipOk);
    EXPECT_EQ(Joined("T.ZIP"), "a.txt,b.txt,old.txt");
    EXPECT_TRUE(Temporaries().empty());

    // Through the operation: it waits, then fails with a text; cancelling
    // the wait ends it at once.
    ZipArchiveLock holder;
    ASSERT_EQ(holder.Acquire(Host("T.ZIP"), false, milliseconds(0)),
              ZipArchiveLock::Result::kLocked);
    const std::string before = ::vorlane::test::ReadFile(Host("T.ZIP"));
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "wait cancelled" : "wait over");
        HookedStatus status;
        int checks = 0;
        status.onCheck = [&] { return cancel && ++checks >= 3; };
        CZipFileOperation op(Context(), &status);
        op.SetLockWait(milliseconds(cancel ? 60000 : 100));
        ASSERT_EQ(op.Open("C:\\T.ZIP"), kOpened);
        EXPECT_FALSE(op.DeleteMembers("old.txt"));
        EXPECT_EQ(op.ZipResultCode(), cancel ? kZipUserCancelled : kZipArchiveBusy);
        if (!cancel) {
            EXPECT_EQ(op.ZipErrorText(), "The zip file is being changed by another operation. Try "
                                         "again when it has finished.");
        }
        EXPECT_NE(std::find(status.messages.begin(), status.messages.end(),
                            "Waiting for another operation to finish changing 'C:\\T.ZIP'..."),
                  status.messages.end());
    }
    EXPECT_TRUE(::vorlane::test::ReadFile(Host("T.ZIP")) == before);
}

TEST_F(ZipChangeSafetyTest, ArchiveChangedByAnotherProgramMeanwhileIsNotOverwritten) {
    MakeFile("SRC/a.txt", "ours");
    MakeFile("SRC/c.txt", "theirs");
    const struct {
        const char* name;
        const char* command; // another program, run while our copy is written
        const char* members; // afterwards: the other program's change kept
    } cases[] = {
        {"Info-ZIP adds a member (a new file renamed over)", "zip -q ../T.ZIP c.txt",
         "c.txt,old.txt"},
        {"rewritten in place (same file, new time)", "touch -d '2001-02-03 04:05:06' ../T.ZIP",
         "old.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(Host("T.ZIP").c_str());
        MakeArchive("T.ZIP", {"old.txt"});
        EngineCall ours(kZipAdd, "C:\\T.ZIP", "C:\\SRC\\a.txt");
        ours.onProgressText = [&](const std::string&) { ASSERT_EQ(Run(c.command, "SRC"), 0); };
        EXPECT_EQ(ours.Run(), kZipArchiveChanged);
        EXPECT_EQ(ours.messages, (std::vector<std::pair<int, std::string>>{
                                     {kMessageErrorDetail,
                                      "'C:\\T.ZIP' was changed by another program meanwhile"}}));
        EXPECT_EQ(Joined("T.ZIP"), c.members);
        EXPECT_TRUE(Temporaries().empty());
    }
}

TEST_F(ZipChangeSafetyTest, CopyWaitsForTheFirstArchiveInOrderHoldingNeither) {
    MakeArchive("A.ZIP", {"a.txt"});
    MakeArchive("B.ZIP", {"b.txt"});
    struct stat a;
    struct stat b;
    ASSERT_EQ(::stat(Host("A.ZIP").c_str(), &a), 0);
    ASSERT_EQ(::stat(Host("B.ZIP").c_str(), &b), 0);
    // Every copy locks the archive of the lower (device, inode) first. A job
    // holding that one makes a copy from the higher one into it wait with
    // no lock at all, so a copy the other way round (which holds the lower
    // and then wants the higher) cannot deadlock with it.
    const bool aFirst = std::tie(a.st_dev, a.st_ino) < std::tie(b.st_dev, b.st_ino);
    const std::string lower = aFirst ? "A.ZIP" : "B.ZIP";
    const std::string higher = aFirst ? "B.ZIP" : "A.ZIP";
    ZipArchiveLock otherJob;
    ASSERT_EQ(otherJob.Acquire(Host(lower), false, milliseconds(0)),
              ZipArchiveLock::Result::kLocked);

    HookedStatus status;
    int waits = 0;
    bool heldHigherWhileWaiting = false;
    status.onCheck = [&] {
        const bool waiting = !status.messages.empty() &&
                             status.messages.back().rfind("Waiting for another operation", 0) == 0;
        if (!waiting || !otherJob.Held())
            return false;
        heldHigherWhileWaiting = heldHigherWhileWaiting || Locked(higher);
        if (++waits == 3)
            otherJob.Release(); // the other job ends
        return false;
    };
    CZipFileOperation source(Context(), &status);
    CZipFileOperation target(Context(), &status);
    ASSERT_EQ(source.Open("C:\\" + higher), kOpened);
    ASSERT_EQ(target.Open("C:\\" + lower), kOpened);
    std::vector<ZipMemberEntry> members;
    ASSERT_EQ(source.ReadDirectory("C:\\" + higher, false, &members), kOpened);
    ASSERT_FALSE(members.empty());
    ASSERT_EQ(source.Open("C:\\" + higher), kOpened);
    EXPECT_TRUE(source.CopyMembers(kZipAdd, target, {std::string(members[0].StoredName())}, true));
    EXPECT_GE(waits, 3);
    EXPECT_FALSE(heldHigherWhileWaiting);
    EXPECT_EQ(Joined(lower), "a.txt,b.txt");
    EXPECT_EQ(Joined(higher), "");
    // Both locks went with the copy.
    EXPECT_FALSE(Locked(lower));
    EXPECT_FALSE(Locked(higher));
}

// --- files that cannot be read -----------------------------------------------------------

TEST_F(ZipChangeSafetyTest, DanglingLinkIsNamedAndSkippedAndTheRestAdded) {
    MakeFile("SRC/a.txt", "a");
    MakeFile("SRC/b.txt", "b");
    ASSERT_EQ(::symlink(Host("SRC/gone.txt").c_str(), Host("SRC/dangling.txt").c_str()), 0);
    MakeArchive("T.ZIP", {"old.txt"});
    const std::string skipped = "'C:\\SRC\\dangling.txt': No such file or directory";

    // The engine names it, adds the others and says it skipped one.
    EngineCall call(kZipAdd, "C:\\T.ZIP", "C:\\SRC\\*.txt");
    EXPECT_EQ(call.Run(), kZipFilesSkipped);
    EXPECT_EQ(call.messages,
              (std::vector<std::pair<int, std::string>>{{kMessageFileSkipped, skipped}}));
    EXPECT_EQ(Joined("T.ZIP"), "a.txt,b.txt,old.txt");

    // The operation succeeds and shows which file it left out.
    ::unlink(Host("T.ZIP").c_str());
    MakeArchive("T.ZIP", {"old.txt"});
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\T.ZIP"), kOpened);
    EXPECT_TRUE(op.AddFiles(kZipAdd, "C:\\SRC\\*.*", kStoreNoPaths, false, false));
    EXPECT_EQ(Joined("T.ZIP"), "a.txt,b.txt,old.txt");
    EXPECT_EQ(op.SkippedFiles(), std::vector<std::string>{skipped});
    EXPECT_EQ(m_ui.Texts(),
              std::vector<std::string>{
                  "Files could not be read and were not added to 'C:\\T.ZIP':\n\n" + skipped});

    // Nothing else to add: a failure that still names the file.
    m_ui.Reset();
    EXPECT_FALSE(op.AddFiles(kZipAdd, "C:\\SRC\\dangling.txt", kStoreNoPaths, false, false));
    EXPECT_EQ(op.ZipResultCode(), kZipOpenForRead);
    EXPECT_EQ(op.ZipErrorText(), "Could not open a specified file to read.\n\n" + skipped);
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(ZipChangeSafetyTest, FileGoneWhileBeingAddedIsNamedAndNothingChanges) {
    MakeArchive("T.ZIP", {"old.txt"});
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        MakeFile(std::string("SRC/") + name, name);
    const std::string before = ::vorlane::test::ReadFile(Host("T.ZIP"));
    // Stored members are read while the archive is written: the second
    // one disappears after the change has begun.
    EngineCall call(kZipAdd, "C:\\T.ZIP", "C:\\SRC\\*.txt");
    call.record.compressionLevel = 0;
    call.onProgressText = [&](const std::string&) { ::unlink(Host("SRC/b.txt").c_str()); };
    EXPECT_EQ(call.Run(), kZipOpenForRead);
    EXPECT_EQ(call.messages,
              (std::vector<std::pair<int, std::string>>{
                  {kMessageErrorDetail, "'C:\\SRC\\b.txt': No such file or directory"}}));
    EXPECT_TRUE(::vorlane::test::ReadFile(Host("T.ZIP")) == before);
    EXPECT_TRUE(Temporaries().empty());
}

// --- temporary files of killed changes ------------------------------------------------------

TEST_F(ZipChangeSafetyTest, TemporaryFilesOfKilledChangesAreRemovedAndNeverArchived) {
    MakeArchive("T.ZIP", {"old.txt"});
    MakeFile("big.bin", testing::RandomBytes(2 << 20));
    // Three adds killed while they write their new copy of the archive.
    for (int kill = 0; kill < 3; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            EngineCall call(kZipAdd, "C:\\T.ZIP", "C:\\big.bin");
            call.record.compressionLevel = 0;
            call.onProgressText = [](const std::string&) { ::raise(SIGKILL); };
            call.Run();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
    }
    // Each killed add cleared what the one before it left: one is left.
    ASSERT_EQ(Temporaries().size(), 1u);
    // A writer that is alive holds its temporary file: that one stays.
    ZipArchiveLock live;
    const std::string liveName = ".T.ZIP.0123abcd~vtmp";
    MakeFile(liveName, "being written");
    ASSERT_EQ(live.Acquire(Host(liveName), false, milliseconds(0)),
              ZipArchiveLock::Result::kLocked);
    // A temporary file of another archive's name is not this one's.
    MakeFile(".OTHER.ZIP.89abcdef~vtmp", "another archive's");

    // The next change of the archive clears the debris, and adding the
    // whole folder never takes a temporary file.
    EngineCall next(kZipAdd, "C:\\T.ZIP", "C:\\*.*");
    EXPECT_EQ(next.Run(), kZipOk);
    EXPECT_EQ(Temporaries(), (std::vector<std::string>{".OTHER.ZIP.89abcdef~vtmp", liveName}));
    for (const std::string& member : Listed("T.ZIP"))
        EXPECT_FALSE(IsTemporaryFileName(member)) << member;
    EXPECT_EQ(Joined("T.ZIP"), "big.bin,old.txt");
}

// --- where the space is missing, what is in the way ------------------------------------------

TEST_F(ZipChangeSafetyTest, DiskFullSaysWhereTheSpaceIsNeeded) {
    MakeDir("OUT");
    MakeArchive("OUT/T.ZIP", {"old.txt"});
    MakeFile("SRC/new.txt", testing::RandomBytes(100000));
    CZipFileOperation op(Context(), nullptr, "C:\\WORK");
    ASSERT_EQ(op.Open("C:\\OUT\\T.ZIP"), kOpened);
    platform::fault::Arm(platform::fault::Op::Write, 1, ENOSPC, true);
    EXPECT_FALSE(op.AddFiles(kZipAdd, "C:\\SRC\\new.txt", kStoreNoPaths, false, false));
    platform::fault::Reset();
    EXPECT_EQ(op.ZipResultCode(), kZipWriteError);
    EXPECT_EQ(op.ZipErrorText(),
              "Error writing to a file (Disk is most likely full. The new archive is written "
              "beside the old one, so the space is needed on the archive's drive).\n\n"
              "No space left in 'C:\\OUT' for the new copy of the archive, which is written there "
              "before it replaces the old one");
}

TEST_F(ZipChangeSafetyTest, ExtractThroughAFolderLinkNamesThePathAndTheReason) {
    MakeDir("SRC/sub");
    MakeFile("SRC/sub/a.txt", "a");
    Zip("-r ../T.ZIP sub", "SRC");
    MakeDir("OUT");
    MakeDir("ELSEWHERE");
    ASSERT_EQ(::symlink(Host("ELSEWHERE").c_str(), Host("OUT/sub").c_str()), 0);
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\T.ZIP"), kOpened);
    EXPECT_FALSE(op.Extract("*", "C:\\OUT", kStoreRelativePaths, false, false, false));
    EXPECT_EQ(op.UnzipErrorText(), "Error creating output file.\n\nCannot create 'C:\\OUT\\sub': "
                                   "it is a symbolic link, which extraction never follows");
    EXPECT_TRUE(::vorlane::test::ListDir(Host("ELSEWHERE")).empty());
}

} // namespace
} // namespace vorlane::zip
