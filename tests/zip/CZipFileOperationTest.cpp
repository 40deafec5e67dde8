#include "ZipOpsTestSupport.h"

#include "platform/FileSystem.h"
#include "platform/ProgramDirs.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipMemberEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <new>

namespace vorlane::zip {
namespace {

// The context of a test that touches no file: the given interface and a
// drive map without drives.
ui::OperationContext WithoutDrives(ui::UserInterface& ui) {
    return ui::OperationContext(ui, std::make_shared<const platform::DriveMap>());
}

using Call = ui::StatusLog::Call;

class ZipOperationTest : public testing::ZipTest {
  protected:
    // The member entry whose real name is given.
    static const ZipMemberEntry* Chosen(const std::vector<ZipMemberEntry>& members,
                                        const std::string& realName) {
        for (const ZipMemberEntry& member : members)
            if (member.StoredName() == realName)
                return &member;
        ADD_FAILURE() << "no member " << realName;
        return nullptr;
    }
    std::vector<std::string> SortedListing(const std::string& relative) {
        std::vector<std::string> names = Listed(relative);
        std::sort(names.begin(), names.end());
        return names;
    }
    // The members the program reads from an archive, by path name.
    std::vector<std::string> Members(const std::string& dosPath, int* state = nullptr) {
        std::vector<ZipMemberEntry> members;
        CZipFileOperation op(Context());
        int result = op.ReadDirectory(dosPath, false, &members);
        if (state)
            *state = result;
        std::vector<std::string> names;
        for (const ZipMemberEntry& member : members)
            names.push_back(ZipMemberEntry::PathName(member.StoredName()));
        std::sort(names.begin(), names.end());
        return names;
    }
    uint32_t HostAttributes(const std::string& relative) {
        uint32_t attributes = 0;
        platform::GetAttributes(Host(relative), &attributes);
        return attributes;
    }
};

TEST_F(ZipOperationTest, OpenAndReadStates) {
    MakeArchive("GOOD.ZIP", {"a.txt"});
    MakeFile("NOTZIP.ZIP", "just some text, no zip here");
    MakeDir("DIRS/one/two");
    Zip("-r '" + Host("DIRONLY.ZIP") + "' one", "DIRS");
    // Creating makes an empty archive and leaves no placeholder anywhere.
    CZipFileOperation creator(Context());
    EXPECT_EQ(creator.OpenOrCreate("C:\\EMPTY.ZIP", true), kOpened);
    EXPECT_EQ(creator.State(), kOpened);
    EXPECT_TRUE(Listed("EMPTY.ZIP").empty());
    ExpectNoStaging(m_root);
    ExpectNoStaging(platform::TempDirectory());
    EXPECT_TRUE(m_ui.Shown().empty());
    // A good archive whose end record points past the end of the file.
    MakeFile("CUT.ZIP", testing::PointPastEnd(test::ReadFile(Host("GOOD.ZIP"))));

    struct Case {
        const char* path;
        int open;
        int read;
        size_t members;
    } cases[] = {
        {"C:\\GOOD.ZIP", kOpened, kOpened, 1},
        {"C:\\EMPTY.ZIP", kOpened, kOpened, 0},
        {"C:\\DIRONLY.ZIP", kOpened, kOpened, 0},
        {"C:\\NOTZIP.ZIP", kArchiveNotZip, kArchiveNotZip, 0},
        {"C:\\MISSING.ZIP", kArchiveNotZip, kArchiveNone, 0},
        {"C:\\CUT.ZIP", kArchiveDamaged, kArchiveDamaged, 0},
    };
    for (const Case& c : cases) {
        CZipFileOperation op(Context());
        EXPECT_EQ(op.Open(c.path), c.open) << c.path;
        int state = -1;
        EXPECT_EQ(Members(c.path, &state).size(), c.members) << c.path;
        EXPECT_EQ(state, c.read) << c.path;
    }
    // Not creating a missing archive is a plain open.
    CZipFileOperation op(Context());
    EXPECT_EQ(op.OpenOrCreate("C:\\MISSING.ZIP", false), kArchiveNotZip);
    EXPECT_FALSE(test::FileExists(Host("MISSING.ZIP")));
}

// Every failure to open or read an archive but "not found" was worded as
// "not a zip file", and the system error was lost on the way (also for the
// files an extraction writes).
TEST_F(ZipOperationTest, FailuresKeepTheirSystemError) {
    using platform::fault::Arm;
    using platform::fault::Op;
    MakeFile("NEW.TXT", "new");
    const struct {
        const char* name;
        // Opens the case's own archive (so no cached index hides the
        // fault), arms the fault and runs the operation; returns the text
        // the failure shows.
        std::function<std::string(CZipFileOperation&, const std::string&)> run;
        const char* expected;
    } cases[] = {
        {"open refused",
         [](CZipFileOperation& op, const std::string& zip) {
             Arm(Op::Open, 1, EACCES, true);
             EXPECT_EQ(op.Open(zip), kArchiveDamaged);
             return op.UnzipErrorText();
         },
         "Read error in zip file! (Permission denied)"},
        {"listing cannot read",
         [](CZipFileOperation& op, const std::string& zip) {
             std::vector<ZipMemberEntry> members;
             Arm(Op::Read, 1, EIO, true);
             EXPECT_EQ(op.ReadDirectory(zip, false, &members), kArchiveDamaged);
             return op.UnzipErrorText();
         },
         "Read error in zip file! (Input/output error)"},
        {"extract cannot read",
         [](CZipFileOperation& op, const std::string& zip) {
             EXPECT_EQ(op.Open(zip), kOpened);
             Arm(Op::Read, 1, EIO, true);
             EXPECT_FALSE(op.Extract("*.*", "C:\\OUT", kStoreRelativePaths, false, false, false));
             return op.UnzipErrorText();
         },
         "Read error in zip file! (Input/output error)"},
        {"extract cannot write",
         [](CZipFileOperation& op, const std::string& zip) {
             EXPECT_EQ(op.Open(zip), kOpened);
             Arm(Op::Write, 1, ENOSPC, true);
             EXPECT_FALSE(op.Extract("*.*", "C:\\OUT", kStoreRelativePaths, false, false, false));
             return op.UnzipErrorText();
         },
         // The engine names the file with the reason.
         "Disk full.\n\nCannot create 'C:\\OUT\\a.txt': No space left on device"},
        {"add cannot read the archive",
         [](CZipFileOperation& op, const std::string& zip) {
             EXPECT_EQ(op.Open(zip), kOpened);
             Arm(Op::Read, 1, EIO, true);
             EXPECT_FALSE(op.AddFiles(kZipAdd, "C:\\NEW.TXT", kStoreNoPaths, false, false));
             return op.ZipErrorText();
         },
         "Read or seek error. (Input/output error)"},
    };
    int number = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "R" + std::to_string(++number) + ".ZIP";
        MakeArchive(name, {"a.txt"});
        CZipFileOperation op(Context());
        const std::string text = c.run(op, "C:\\" + name);
        platform::fault::Reset();
        EXPECT_EQ(text, c.expected);
        EXPECT_FALSE(test::FileExists(Host("OUT/a.txt")));
    }
}

// Memory running out while a large archive was listed ended the program
// with an uncaught std::bad_alloc. Failing each allocation of a listing in
// turn must give either the whole list or an empty one with the
// out-of-memory result, never an exception.
TEST_F(ZipOperationTest, AllocationFailureWhileListingIsAFailedReadNotACrash) {
    MakeArchive("LIST.ZIP", {"a.txt", "sub/b.txt", "sub/deeper/c.txt"});
    long failures = 0;
    for (long nth = 1; nth < 10000; ++nth) {
        std::vector<ZipMemberEntry> members;
        CZipFileOperation op(Context());
        int state = -1;
        testing::FailNthAllocation(nth);
        try {
            state = op.ReadDirectory("C:\\LIST.ZIP", false, &members);
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << "allocation " << nth << " escaped as std::bad_alloc";
        }
        const bool failed = testing::AllocationFailed();
        testing::FailNthAllocation(0);
        if (!failed) {
            EXPECT_EQ(state, kOpened);
            EXPECT_EQ(members.size(), 3u);
            break;
        }
        ++failures;
        EXPECT_EQ(state, kArchiveDamaged) << nth;
        EXPECT_EQ(members.size(), 0u) << nth;
        EXPECT_EQ(op.UnzipErrorText(), "Out of memory!") << nth;
    }
    EXPECT_GT(failures, 3);
}

// A change or an extraction whose memory runs out ends with the engine's
// out-of-memory result: nothing thrown (nor a worker thread ended by it),
// the archive as it was, no temporary file left beside it or in the
// destination.
TEST_F(ZipOperationTest, AllocationFailureInTheEngineEndsTheCall) {
    MakeArchive("KEEP.ZIP", {"a.txt", "b.txt"});
    MakeFile("NEW.TXT", std::string(100000, 'n'));
    const std::string before = test::ReadFile(Host("KEEP.ZIP"));
    const struct {
        const char* name;
        std::function<int()> run;
        int outOfMemory;
    } cases[] = {
        {"add",
         [this] {
             ZipCommandRecord record;
             record.drives = m_drives.get();
             record.function = kZipAdd;
             record.zipPath = "C:\\KEEP.ZIP";
             record.fileSpec = "C:\\NEW.TXT";
             return ZipEntry(record);
         },
         kZipOutOfMemory},
        {"extract",
         [this] {
             UnzipCommandRecord record;
             record.drives = m_drives.get();
             record.function = kUnzipExtract;
             record.zipPath = "C:\\KEEP.ZIP";
             record.fileSpec = "*.*";
             record.destination = "C:\\OUT";
             record.dropPaths = 0;
             return UnzipEntry(record);
         },
         kUnzipOutOfMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        long failures = 0;
        for (long nth = 1; nth < 100000; ++nth) {
            int rc = -1;
            testing::FailNthAllocation(nth);
            try {
                rc = c.run();
            } catch (const std::bad_alloc&) {
                ADD_FAILURE() << "allocation " << nth << " escaped as std::bad_alloc";
            }
            const bool failed = testing::AllocationFailed();
            testing::FailNthAllocation(0);
            for (const std::string& dir : {m_root, Host("OUT")})
                for (const std::string& name : test::ListDir(dir))
                    EXPECT_EQ(name.find("~vtmp"), std::string::npos) << nth << " " << name;
            Run("rm -rf OUT");
            if (rc != 0) {
                ++failures;
                EXPECT_EQ(rc, c.outOfMemory) << nth;
                EXPECT_EQ(test::ReadFile(Host("KEEP.ZIP")), before) << nth;
            }
            MakeFile("KEEP.ZIP", before);
            if (!failed) {
                EXPECT_EQ(rc, 0);
                break;
            }
        }
        EXPECT_GT(failures, 3);
    }
}

TEST_F(ZipOperationTest, CreateFailuresLeaveNothingAndSayWhy) {
    // The placeholder's directory cannot be made.
    platform::fault::Arm(platform::fault::Op::Mkdir, 1, EACCES, true);
    CZipFileOperation op(Context());
    EXPECT_FALSE(op.Create("C:\\NEW.ZIP", true));
    platform::fault::Reset();
    EXPECT_EQ(op.ZipResultCode(), kZipNoTempFile);
    EXPECT_EQ(op.State(), kArchiveNone);
    EXPECT_TRUE(op.ZipPath().empty());
    EXPECT_FALSE(test::FileExists(Host("NEW.ZIP")));
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_EQ(
        m_ui.Texts()[0],
        "Unable to create zip file 'C:\\NEW.ZIP'!\n\nUnable to create temp file for operation!");

    // A directory of that name is never deleted.
    MakeDir("X.ZIP/keep");
    m_ui.Reset();
    EXPECT_FALSE(op.Create("C:\\X.ZIP", false));
    EXPECT_EQ(op.ZipResultCode(), kZipCannotCreate);
    EXPECT_TRUE(test::FileExists(Host("X.ZIP/keep")));
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(ZipOperationTest, OperationsNeedAnOpenArchive) {
    CZipFileOperation op(Context());
    std::string comment;
    const std::vector<std::pair<const char*, bool>> results = {
        {"add", op.AddFiles(kZipAdd, "C:\\A.TXT", 0, false, false)},
        {"delete", op.DeleteMembers("*.*")},
        {"extract", op.Extract("*.*", "C:\\", 0, false, false, false)},
        {"extract one", op.ExtractMember(0, "C:\\", 0, false, false, false)},
        {"read comment", op.ReadComment(&comment)},
        {"write comment", op.WriteComment("x")},
    };
    for (const auto& [name, ok] : results) {
        EXPECT_FALSE(ok) << name;
    }
    EXPECT_EQ(op.ZipResultCode(), kZipNotOpen);
    EXPECT_EQ(op.UnzipResultCode(), kZipNotOpen);
    EXPECT_EQ(op.ZipErrorText(), "A zip file has not been opened!");
    EXPECT_EQ(op.UnzipErrorText(), "A zip file has not been opened!");
    EXPECT_FALSE(op.CheckReadOnly());
}

TEST_F(ZipOperationTest, AddWithEachPathMode) {
    MakeFile("IN/top.txt");
    MakeFile("IN/sub/deep.txt");
    const struct {
        const char* archive;
        int mode;
        const char* spec;
        bool recurse;
        std::vector<std::string> members;
    } cases[] = {
        {"C:\\NONE.ZIP", kStoreNoPaths, "C:\\IN\\*.*", true, {"DEEP.TXT", "TOP.TXT"}},
        {"C:\\REL.ZIP", kStoreRelativePaths, "C:\\IN\\*.*", true, {"SUB\\DEEP.TXT", "TOP.TXT"}},
        // Full paths keep the directories from the drive's root on.
        {"C:\\FULL.ZIP", kStoreFullPaths, "C:\\IN\\top.txt", false, {"IN\\TOP.TXT"}},
    };
    CZipFileOperation op(Context());
    for (const auto& c : cases) {
        ASSERT_EQ(op.OpenOrCreate(c.archive, true), kOpened);
        EXPECT_TRUE(op.AddFiles(kZipAdd, c.spec, c.mode, false, c.recurse)) << op.ZipErrorText();
        EXPECT_EQ(Members(c.archive), c.members) << c.archive;
    }
    // Move deletes the sources once added.
    MakeFile("MV/gone.txt");
    EXPECT_TRUE(op.AddFiles(kZipAdd, "C:\\MV\\gone.txt", kStoreNoPaths, true, false));
    EXPECT_FALSE(test::FileExists(Host("MV/gone.txt")));
}

TEST_F(ZipOperationTest, AddShowsItsStatusTextAndProgress) {
    MakeFile("IN/a.txt");
    auto status = m_ui.MakeStatusWindow(ui::StatusKind::Operation, "Adding Files To Zip A.ZIP");
    CZipFileOperation op(Context(), status.get());
    ASSERT_EQ(op.OpenOrCreate("C:\\A.ZIP", true), kOpened);
    struct Case {
        int function;
        const char* text;
    } cases[] = {{kZipAdd, "Adding Files To 'C:\\A.ZIP'..."},
                 {kZipUpdate, "Updating Files To 'C:\\A.ZIP'..."},
                 {kZipFreshen, "Freshening Files To 'C:\\A.ZIP'..."}};
    for (const Case& c : cases) {
        op.AddFiles(c.function, "C:\\IN\\a.txt", kStoreNoPaths, false, false);
        auto texts = m_ui.StatusWindows().back()->Texts(Call::CurrentMessage);
        EXPECT_NE(std::find(texts.begin(), texts.end(), c.text), texts.end()) << c.text;
    }
}

TEST_F(ZipOperationTest, ReadOnlyArchiveAsksFirst) {
    MakeArchive("RO.ZIP", {"a.txt"});
    MakeFile("IN/new.txt");
    ASSERT_TRUE(platform::SetAttributes(Host("RO.ZIP"), platform::kAttrReadOnly | 0x20));
    const std::string before = test::ReadFile(Host("RO.ZIP"));
    const std::string question = "'C:\\RO.ZIP' is READ-ONLY! Would you like to clear the "
                                 "attribute and proceed with the operation?";

    // No: nothing changes.
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\RO.ZIP"), kOpened);
    m_ui.QueueYesNo(false);
    EXPECT_FALSE(op.AddFiles(kZipAdd, "C:\\IN\\new.txt", kStoreNoPaths, false, false));
    EXPECT_EQ(Questions(), std::vector<std::string>{question});
    EXPECT_EQ(op.ZipErrorText(), "User cancelled.");
    EXPECT_EQ(test::ReadFile(Host("RO.ZIP")), before);
    EXPECT_TRUE(HostAttributes("RO.ZIP") & platform::kAttrReadOnly);
    EXPECT_TRUE(test::FileExists(Host("IN/new.txt")));

    // Yes: the attribute goes and the add runs.
    m_ui.QueueYesNo(true);
    EXPECT_TRUE(op.AddFiles(kZipAdd, "C:\\IN\\new.txt", kStoreNoPaths, false, false));
    EXPECT_FALSE(HostAttributes("RO.ZIP") & platform::kAttrReadOnly);
    EXPECT_EQ(Members("C:\\RO.ZIP"), (std::vector<std::string>{"A.TXT", "NEW.TXT"}));
    EXPECT_TRUE(m_ui.AllAnswersUsed());
}

TEST_F(ZipOperationTest, DeleteMembersShowsItsWindow) {
    MakeArchive("D.ZIP", {"keep.txt", "drop1.txt", "drop2.txt"});
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\D.ZIP"), kOpened);
    EXPECT_TRUE(op.DeleteMembers("DROP*.TXT"));
    EXPECT_EQ(Members("C:\\D.ZIP"), std::vector<std::string>{"KEEP.TXT"});
    ASSERT_FALSE(m_ui.StatusWindows().empty());
    const auto& window = *m_ui.StatusWindows().back();
    EXPECT_TRUE(window.destroyed);
    EXPECT_EQ(window.Texts(Call::CurrentMessage).front(),
              "Deleting files in zip file C:\\D.ZIP This operation may take awhile if your "
              "machine is slow or the zip file is large!");
    // Deleting nothing that matches fails with the engine's result.
    EXPECT_FALSE(op.DeleteMembers("NOTHERE.TXT"));
    EXPECT_NE(op.ZipResultCode(), 0);
}

TEST_F(ZipOperationTest, ExtractBySpecificationByMemberAndWithPrompts) {
    MakeArchive("E.ZIP", {"one.txt", "dir/two.txt"});
    MakeDir("OUT1");
    MakeDir("OUT2");
    MakeDir("OUT3");
    auto status = m_ui.MakeStatusWindow(ui::StatusKind::Operation, "Extract");
    CZipFileOperation op(Context(), status.get());
    ASSERT_EQ(op.Open("C:\\E.ZIP"), kOpened);

    EXPECT_TRUE(op.Extract("*.*", "C:\\OUT1", kStoreNoPaths, false, false, false));
    EXPECT_TRUE(test::FileExists(Host("OUT1/two.txt")));
    EXPECT_TRUE(test::FileExists(Host("OUT1/one.txt")));
    EXPECT_EQ(op.ExtractedNames().size(), 2u);

    EXPECT_TRUE(op.Extract("*.*", "C:\\OUT2", kStoreRelativePaths, false, false, false));
    EXPECT_TRUE(test::FileExists(Host("OUT2/dir/two.txt")));

    std::vector<ZipMemberEntry> members;
    ASSERT_EQ(CZipFileOperation(Context()).ReadDirectory("C:\\E.ZIP", false, &members), kOpened);
    const ZipMemberEntry* one = Chosen(members, "one.txt");
    ASSERT_NE(one, nullptr);
    EXPECT_TRUE(op.ExtractMember(one->index, "C:\\OUT3", kStoreNoPaths, false, false, false));
    EXPECT_EQ(test::ListDir(Host("OUT3")), std::vector<std::string>{"one.txt"});
    auto texts = m_ui.StatusWindows().back()->Texts(Call::CurrentMessage);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Extracting Files From 'C:\\E.ZIP'..."),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Extracting from 'C:\\E.ZIP'..."), texts.end());

    // With prompting, "no" keeps the file there and "yes" replaces it.
    test::WriteFile(Host("OUT3/one.txt"), "mine");
    m_ui.QueueYesNo(false);
    op.Extract("one.txt", "C:\\OUT3", kStoreNoPaths, true, false, false);
    EXPECT_EQ(test::ReadFile(Host("OUT3/one.txt")), "mine");
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].caption, "Warning!");
    m_ui.QueueYesNo(true);
    EXPECT_TRUE(op.Extract("one.txt", "C:\\OUT3", kStoreNoPaths, true, false, false));
    EXPECT_NE(test::ReadFile(Host("OUT3/one.txt")), "mine");
}

TEST_F(ZipOperationTest, EncryptedMemberSkippedIsReportedAsSuch) {
    MakeFile("SRC/secret.txt", "top secret");
    Zip("-P sesame '" + Host("ENC.ZIP") + "' secret.txt", "SRC");
    MakeDir("OUT");
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\ENC.ZIP"), kOpened);
    EXPECT_FALSE(op.Extract("*.*", "C:\\OUT", kStoreNoPaths, false, false, false));
    EXPECT_EQ(op.DeferredError(), kUnzipEncryptedSkipped);
    EXPECT_EQ(op.UnzipErrorText(), "File skipped, encrypted!");
    EXPECT_EQ(op.DeferredError(), 0);
    EXPECT_FALSE(test::FileExists(Host("OUT/secret.txt")));

    // The member reads as encrypted; with the password it extracts.
    std::vector<ZipMemberEntry> members;
    ASSERT_EQ(CZipFileOperation(Context()).ReadDirectory("C:\\ENC.ZIP", false, &members), kOpened);
    ASSERT_EQ(members.size(), 1u);
    EXPECT_NE(members[0].attributes & kZipItemEncrypted, 0u);
    ASSERT_EQ(op.Open("C:\\ENC.ZIP"), kOpened);
    op.SetPassword("sesame");
    EXPECT_TRUE(op.Extract("*.*", "C:\\OUT", kStoreNoPaths, false, false, false))
        << op.UnzipErrorText();
    EXPECT_EQ(test::ReadFile(Host("OUT/secret.txt")), "top secret");
}

TEST_F(ZipOperationTest, CopyAndMoveMembersBetweenArchives) {
    MakeArchive("FROM.ZIP", {"a.txt", "sub/b.txt", "c.txt"});
    CZipFileOperation target(Context());
    ASSERT_EQ(target.OpenOrCreate("C:\\TO.ZIP", true), kOpened);
    CZipFileOperation source(Context());
    ASSERT_EQ(source.Open("C:\\FROM.ZIP"), kOpened);

    std::vector<std::string> picked = {"sub/b.txt", "a.txt"};
    EXPECT_TRUE(source.CopyMembers(kZipAdd, target, picked, false)) << target.ZipErrorText();
    EXPECT_EQ(Members("C:\\TO.ZIP"), (std::vector<std::string>{"A.TXT", "SUB\\B.TXT"}));
    EXPECT_EQ(Members("C:\\FROM.ZIP").size(), 3u);

    // Moving one more removes it from the source.
    ASSERT_EQ(source.Open("C:\\FROM.ZIP"), kOpened);
    ASSERT_EQ(target.Open("C:\\TO.ZIP"), kOpened);
    EXPECT_TRUE(source.CopyMembers(kZipAdd, target, {"c.txt"}, true));
    EXPECT_EQ(Members("C:\\TO.ZIP"), (std::vector<std::string>{"A.TXT", "C.TXT", "SUB\\B.TXT"}));
    EXPECT_EQ(Members("C:\\FROM.ZIP"), (std::vector<std::string>{"A.TXT", "SUB\\B.TXT"}));
    // The staging directories are gone.
    ExpectNoStaging(m_root);
    ExpectNoStaging(platform::TempDirectory());

    // Moving members into their own archive changes nothing.
    ASSERT_EQ(source.Open("C:\\FROM.ZIP"), kOpened);
    CZipFileOperation same(Context());
    ASSERT_EQ(same.Open("C:\\from.zip"), kOpened);
    EXPECT_TRUE(source.CopyMembers(kZipAdd, same, picked, true));
    EXPECT_EQ(Members("C:\\FROM.ZIP"), (std::vector<std::string>{"A.TXT", "SUB\\B.TXT"}));

    // A target that is not open refuses before anything is extracted.
    CZipFileOperation closed(Context());
    EXPECT_FALSE(source.CopyMembers(kZipAdd, closed, picked, false));
    EXPECT_EQ(closed.ZipResultCode(), kZipNotOpen);
}

TEST_F(ZipOperationTest, FailuresOfCopyAndExtractAreWorded) {
    MakeArchive("FROM.ZIP", {"a.txt"});
    // A member named "../evil.txt" (the name patched in both headers).
    MakeFile("SRC/xx/evil.txt", "escape");
    Zip("'" + Host("EVIL.ZIP") + "' xx/evil.txt", "SRC");
    std::string bytes = test::ReadFile(Host("EVIL.ZIP"));
    for (size_t at = bytes.find("xx/evil.txt"); at != std::string::npos;
         at = bytes.find("xx/evil.txt", at))
        bytes.replace(at, 2, "..");
    MakeFile("EVIL.ZIP", bytes);
    MakeDir("OUT/in");

    CZipFileOperation evil(Context());
    ASSERT_EQ(evil.Open("C:\\EVIL.ZIP"), kOpened);
    EXPECT_FALSE(evil.Extract("*.*", "C:\\OUT\\in", kStoreRelativePaths, false, false, false));
    EXPECT_EQ(evil.UnzipErrorText(),
              "Unsafe member name in zip file (absolute path, drive letter or '..')!");
    EXPECT_FALSE(test::FileExists(Host("OUT/evil.txt")));

    // Copying it elsewhere fails with the source's sentence and that text.
    CZipFileOperation target(Context());
    ASSERT_EQ(target.OpenOrCreate("C:\\TO.ZIP", true), kOpened);
    std::vector<ZipMemberEntry> members;
    ASSERT_EQ(CZipFileOperation(Context()).ReadDirectory("C:\\EVIL.ZIP", false, &members), kOpened);
    ASSERT_EQ(members.size(), 1u);
    const std::vector<std::string> chosen = {std::string(members[0].StoredName())};
    ASSERT_EQ(evil.Open("C:\\EVIL.ZIP"), kOpened);
    EXPECT_FALSE(evil.CopyMembers(kZipAdd, target, chosen, false));
    EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{
                                "Unable to unzip files from 'C:\\EVIL.ZIP'.\n\nUnsafe member "
                                "name in zip file (absolute path, drive letter or '..')!\n\n"
                                "../evil.txt"});
    EXPECT_TRUE(Listed("TO.ZIP").empty());

    // No staging directory: the temporary-file text.
    CZipFileOperation source(Context());
    ASSERT_EQ(source.Open("C:\\FROM.ZIP"), kOpened);
    platform::fault::Arm(platform::fault::Op::Mkdir, 1, ENOSPC, true);
    EXPECT_FALSE(source.CopyMembers(kZipAdd, target, chosen, false));
    platform::fault::Reset();
    EXPECT_EQ(target.ZipErrorText(), "Unable to create temp file for operation!");
}

TEST_F(ZipOperationTest, CommentRoundTrip) {
    CZipFileOperation op(Context());
    ASSERT_EQ(op.OpenOrCreate("C:\\C.ZIP", true), kOpened);
    std::string comment = "stale";
    EXPECT_TRUE(op.ReadComment(&comment));
    EXPECT_EQ(comment, "");
    EXPECT_EQ(op.UnzipRecord().function, kUnzipCommentLength); // function 6 never called

    EXPECT_TRUE(op.WriteComment("Release 3.72\r\nsecond line"));
    ASSERT_EQ(op.Open("C:\\C.ZIP"), kOpened);
    EXPECT_TRUE(op.ReadComment(&comment));
    EXPECT_EQ(comment, "Release 3.72\r\nsecond line");
    EXPECT_EQ(op.UnzipRecord().function, kUnzipReadComment);
}

TEST_F(ZipOperationTest, WritingACommentOverAFakeEndRecordKeepsTheMembers) {
    MakeArchive("FAKE.ZIP", {"a.txt", "sub/b.txt"});
    const std::vector<std::string> listed = Listed("FAKE.ZIP");
    // The archive's comment becomes the end record of an empty archive.
    std::string bytes = test::ReadFile(Host("FAKE.ZIP"));
    bytes[bytes.size() - 2] = 22;
    bytes += std::string("PK\x05\x06", 4) + std::string(18, '\0');
    MakeFile("FAKE.ZIP", bytes);
    EXPECT_EQ(Members("C:\\FAKE.ZIP"), (std::vector<std::string>{"A.TXT", "SUB\\B.TXT"}));

    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\FAKE.ZIP"), kOpened);
    EXPECT_TRUE(op.WriteComment("new comment"));
    EXPECT_EQ(Listed("FAKE.ZIP"), listed);
    std::string comment;
    ASSERT_EQ(op.Open("C:\\FAKE.ZIP"), kOpened);
    EXPECT_TRUE(op.ReadComment(&comment));
    EXPECT_EQ(comment, "new comment");
}

TEST(ZipOperationTexts, ErrorTextTables) {
    struct Case {
        int code;
        bool zip;
        const char* text;
    } cases[] = {
        {0, false, "Success"},
        {0, true, "Success."},
        {4, false, "Out of memory!"},
        {5, false, "Out of memory!"},
        {41, false, "File skipped, encrypted!"},
        {50, false, "Disk full."},
        {14, true,
         "Error writing to a file (Disk is most likely full. The new archive is written beside "
         "the old one, so the space is needed on the archive's drive)."},
        {21, true, "Improper usage of a Multi-Volume zip file."},
        {80, false, "Overlapping members in zip file (possible zip bomb)!"},
        {81, true, "A member inflates past its declared size (possible zip bomb)!"},
        {82, false, "Unsafe member name in zip file (absolute path, drive letter or '..')!"},
        {83, false, "Symbolic link member in zip file refused!"},
        {84, false, "Member names in zip file differ only in case!"},
        {201, false, "A zip file has not been opened!"},
        {202, true, "Unable to create zip file!"},
        {203, false, "Unable to create temp file for operation!"},
        {77, true, "Zip/Unzip error code = 77"},
        {1, false, "Zip/Unzip error code = 1"}, // only the zip table has 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(CZipFileOperation::ErrorText(c.code, c.zip, c.code, c.code), c.text) << c.code;
    // Results that differ fall back to the damaged-archive text.
    EXPECT_EQ(CZipFileOperation::ErrorText(77, false, 0, 77),
              "Damaged zip file (or not a zip file)!");
}

TEST_F(ZipOperationTest, DeferredErrorRule) {
    MakeArchive("R.ZIP", {"a.txt"});
    struct Case {
        const char* name;
        int deferred;     // given through the message callback
        int message;      // the callback's message number
        bool multiVolume; // allowed
        const char* text; // after an extract that finds nothing (result 11)
    } cases[] = {
        {"encrypted", 41, kMessageEncryptedSkipped, false, "File skipped, encrypted!"},
        {"multi-volume refused", 204, kMessageMultiVolume, false,
         "Multiple Volume ZIP files are only supported through the File Backup/File Restore "
         "commands!"},
        {"multi-volume allowed", 0, kMessageMultiVolume, true,
         "Specified file(s) not found for operation."},
        {"other messages defer nothing", 0, 3, false, "Specified file(s) not found for operation."},
    };
    for (const Case& c : cases) {
        CZipFileOperation op(Context());
        ASSERT_EQ(op.Open("C:\\R.ZIP"), kOpened);
        op.SetMultiVolumeAllowed(c.multiVolume);
        char reply[kZipReplySize] = {};
        int answer = CZipFileOperation::MessageCallback(c.message, 0, 0, 0, "", reply, &op);
        EXPECT_EQ(op.DeferredError(), c.deferred) << c.name;
        if (c.message == kMessageMultiVolume) {
            EXPECT_EQ(answer, c.multiVolume ? 0 : 2) << c.name;
            EXPECT_STREQ(reply, c.multiVolume ? CZipFileOperation::kMultiVolumeTitle : "");
        }
        EXPECT_FALSE(op.Extract("NOPE.TXT", "C:\\", 0, false, false, false));
        EXPECT_EQ(op.UnzipResultCode(), kUnzipNothingFound) << c.name;
        EXPECT_EQ(op.UnzipErrorText(), c.text) << c.name;
        EXPECT_EQ(op.DeferredError(), 0) << c.name;
    }
    // Another result keeps the deferred error for later.
    ui::ScriptedUserInterface silent;
    CZipFileOperation closed(WithoutDrives(silent));
    CZipFileOperation::MessageCallback(kMessageEncryptedSkipped, 0, 0, 0, "", nullptr, &closed);
    EXPECT_FALSE(closed.DeleteMembers("X"));
    EXPECT_EQ(closed.UnzipErrorText(), "A zip file has not been opened!");
    EXPECT_EQ(closed.DeferredError(), kUnzipEncryptedSkipped);
}

TEST(ZipOperationTexts, CallbackAnswersAndLevel) {
    ui::ScriptedUserInterface silent;
    CZipFileOperation op(WithoutDrives(silent));
    struct Case {
        int message;
        int answer;
    } cases[] = {{2, 1}, {3, 1}, {4, 1}, {11, 1}, {12, 1}, {13, -1}, {99, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(CZipFileOperation::MessageCallback(c.message, 0, 0, 0, "", nullptr, &op),
                  c.answer)
            << c.message;
    EXPECT_EQ(CZipFileOperation::MessageCallback(2, 0, 0, 0, "", nullptr, nullptr), -1);
    EXPECT_EQ(CZipFileOperation::NullCallback(&op), 0);
    op.SetCompressionLevel(10); // out of range: the default
    EXPECT_EQ(op.CompressionLevel(), 5);
}

TEST(ZipOperationTexts, ProgressKeepsExtractedNamesOnceAndCancels) {
    ui::ScriptedUserInterface scripted;
    ui::ScopedUserInterface scope(&scripted);
    scripted.CancelNextStatusWindowAt(3);
    auto status = scripted.MakeStatusWindow(ui::StatusKind::Operation, "x");
    CZipFileOperation op(WithoutDrives(scripted), status.get());
    // Outside an extract no names are kept.
    EXPECT_FALSE(CZipFileOperation::ProgressCallback("Extracting: A.TXT", 100, &op));
    EXPECT_TRUE(op.ExtractedNames().empty());
    EXPECT_FALSE(CZipFileOperation::StatusCallback("first", "second", &op));
    EXPECT_TRUE(CZipFileOperation::ProgressCallback("", 40, &op)); // third check: cancelled
    const auto& log = *scripted.StatusWindows().back();
    EXPECT_EQ(log.Texts(Call::CurrentMessage),
              (std::vector<std::string>{"Extracting: A.TXT", "first"}));
    EXPECT_EQ(log.Texts(Call::OverallLabel), std::vector<std::string>{"second"});
    EXPECT_EQ(log.Percents(Call::CurrentPercent), (std::vector<int>{100, 40}));
    EXPECT_FALSE(CZipFileOperation::ProgressCallback("x", 1, nullptr));
}

TEST_F(ZipOperationTest, MovingATopLevelMemberMovesOnlyThatMember) {
    MakeArchive("FROM.ZIP", {"README.TXT", "docs/readme.txt", "src/ReadMe.Txt"});
    CZipFileOperation target(Context());
    ASSERT_EQ(target.OpenOrCreate("C:\\TO.ZIP", true), kOpened);
    std::vector<ZipMemberEntry> members;
    CZipFileOperation source(Context());
    ASSERT_EQ(source.ReadDirectory("C:\\FROM.ZIP", false, &members), kOpened);
    const ZipMemberEntry* top = Chosen(members, "README.TXT");
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(source.Open("C:\\FROM.ZIP"), kOpened);
    EXPECT_TRUE(source.CopyMembers(kZipAdd, target, {std::string(top->StoredName())}, true))
        << source.ZipErrorText();
    EXPECT_EQ(SortedListing("TO.ZIP"), std::vector<std::string>{"README.TXT"});
    EXPECT_EQ(SortedListing("FROM.ZIP"),
              (std::vector<std::string>{"docs/readme.txt", "src/ReadMe.Txt"}));
}

TEST_F(ZipOperationTest, DeleteChosenMembersByTheirRealPath) {
    MakeArchive("D.ZIP", {"README.TXT", "docs/readme.txt", "Twin.txt", "twin.TXT"});
    std::vector<ZipMemberEntry> members;
    CZipFileOperation op(Context());
    ASSERT_EQ(op.ReadDirectory("C:\\D.ZIP", false, &members), kOpened);
    ASSERT_EQ(op.Open("C:\\D.ZIP"), kOpened);
    // Nothing chosen deletes nothing.
    EXPECT_FALSE(op.DeleteMembers(std::vector<std::string>{}));
    EXPECT_EQ(op.ZipResultCode(), kZipNothingToDo);
    EXPECT_EQ(SortedListing("D.ZIP").size(), 4u);
    // The top-level README.TXT and one of the twins, each by its own name.
    ASSERT_NE(Chosen(members, "README.TXT"), nullptr);
    ASSERT_NE(Chosen(members, "Twin.txt"), nullptr);
    const std::vector<std::string> chosen = {"README.TXT", "Twin.txt"};
    EXPECT_TRUE(op.DeleteMembers(chosen)) << op.ZipErrorText();
    EXPECT_EQ(SortedListing("D.ZIP"), (std::vector<std::string>{"docs/readme.txt", "twin.TXT"}));
}

TEST_F(ZipOperationTest, MembersLeftOutOfAnExtractAreNamed) {
    // An encrypted member beside a plain one, without a password.
    MakeFile("SRC/secret.txt", "top secret");
    MakeFile("SRC/plain.txt", "plain text");
    Zip("-P sesame '" + Host("ENC.ZIP") + "' secret.txt", "SRC");
    Zip("'" + Host("ENC.ZIP") + "' plain.txt", "SRC");
    // A name flagged UTF-8 that is not, beside a good one.
    MakeFile("BAD.ZIP", testing::RawArchive(
                            {{"bad\xFF.txt", "bad", 0x031E, 0x0800}, {"plain.txt", "plain text"}}));
    const struct {
        const char* name;
        const char* zip;
        std::vector<std::string> skipped;
        int code;
        const char* report;
    } cases[] = {
        {"encrypted",
         "C:\\ENC.ZIP",
         {"C:\\ENC\\secret.txt"},
         kUnzipEncryptedSkipped,
         "Unable to unzip files from 'C:\\ENC.ZIP'.\n\nFile skipped, encrypted!\n\n"
         "C:\\ENC\\secret.txt"},
        {"invalid name",
         "C:\\BAD.ZIP",
         {"bad\xC2\xA0.txt"},
         kUnzipInvalidName,
         "Unable to unzip files from 'C:\\BAD.ZIP'.\n\nMember name in zip file is not valid "
         "UTF-8!\n\nbad\xC2\xA0.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeDir("ENC");
        ::unlink(Host("ENC/plain.txt").c_str());
        m_ui.Reset();
        CZipFileOperation op(Context());
        ASSERT_EQ(op.Open(c.zip), kOpened);
        // The plain member is written, but the run does not succeed.
        EXPECT_FALSE(op.Extract("*.*", "C:\\ENC", kStoreNoPaths, false, false, false));
        EXPECT_EQ(test::ReadFile(Host("ENC/plain.txt")), "plain text");
        EXPECT_EQ(op.UnzipResultCode(), c.code);
        ASSERT_EQ(op.SkippedMembers().size(), c.skipped.size());
        EXPECT_EQ(op.SkippedMembers()[0].name, c.skipped[0]);
        op.ReportUnzipError("Unable to unzip files from '%s'.\n\n", c.zip);
        EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{c.report});
    }
    EXPECT_EQ(test::ListDir(Host("ENC")), std::vector<std::string>{"plain.txt"});
}

TEST_F(ZipOperationTest, LongAndUtf8NamesAreListedWholeAndDeletedByTheShownName) {
    // A path of 310 bytes, and a UTF-8 name that Info-ZIP on Linux stores
    // without the UTF-8 flag.
    const std::string longPath = std::string(200, 'd') + "/" + std::string(105, 'f') + ".txt";
    const std::string emoji = "emoji\xF0\x9F\x98\x80.txt";
    MakeArchive("L.ZIP", {longPath, emoji, "keep.txt"});
    std::string longShown = std::string(200, 'D') + "\\" + std::string(105, 'F') + ".TXT";
    const std::string emojiShown = "EMOJI\xF0\x9F\x98\x80.TXT";
    EXPECT_EQ(Members("C:\\L.ZIP"), (std::vector<std::string>{longShown, emojiShown, "KEEP.TXT"}));
    CZipFileOperation op(Context());
    ASSERT_EQ(op.Open("C:\\L.ZIP"), kOpened);
    EXPECT_TRUE(op.DeleteMembers(longShown + " " + emojiShown)) << op.ZipErrorText();
    EXPECT_EQ(Listed("L.ZIP"), std::vector<std::string>{"keep.txt"});
}

} // namespace
} // namespace vorlane::zip
