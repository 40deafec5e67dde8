#include "ZipCatalogueTestSupport.h"

#include "catalogue/CDirectoryInfo.h"
#include "catalogue/CDriveIncremental.h"
#include "catalogue/CDriveItemList.h"
#include "catalogue/CDriveZip.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/FileGroups.h"
#include "catalogue/ZipDirectoryMembers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <new>

namespace vorlane::catalogue {
namespace {

class ArchiveDriveTest : public testing::ZipCatalogueTest {
  protected:
    std::vector<std::string> StatusTexts() const {
        std::vector<std::string> texts;
        for (const auto& window : m_ui.StatusWindows())
            for (const std::string& text : window->Texts(ui::StatusLog::Call::CurrentMessage))
                texts.push_back(text);
        return texts;
    }
    static std::vector<std::string> Names(const catalogue::CDirectoryContainer& directory) {
        std::vector<std::string> names;
        for (const auto& file : directory.Files())
            names.push_back(static_cast<const CZipFileInfo&>(*file).PathName());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ArchiveDriveTest, LoggingAnArchive) {
    MakeArchive("SETUP.ZIP", {"setup.exe", "sub/file.txt"});
    catalogue::CDriveItemList drives(&m_env);
    catalogue::CDriveContainer* drive = drives.LogDrive("c:\\setup.zip", catalogue::kDriveZip);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->Kind(), catalogue::kDriveZip);
    EXPECT_EQ(drive->Name(), "C:\\setup.zip");
    EXPECT_EQ(drive->DriveLetter(), 'C');
    ASSERT_EQ(drive->DirectoryCount(), 1);
    auto* archive = dynamic_cast<catalogue::CZipFileDirectory*>(drive->CurrentDirectory());
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->Kind(), catalogue::kDirectoryZipArchive);
    EXPECT_EQ(archive->ScanState(), catalogue::kZipRead);
    EXPECT_TRUE(drive->IsCurrentZip());
    // A member stored under a folder is one entry with its relative directory.
    EXPECT_EQ(Names(*archive), (std::vector<std::string>{"SETUP.EXE", "SUB\\FILE.TXT"}));
    EXPECT_EQ(ZipMemberByName(*archive, "file.txt")->RelativeDirectory(), "SUB");
    EXPECT_EQ(drive->FileCount(), 2);
    EXPECT_EQ(StatusTexts().front(), "Logging zip file 'C:\\setup.zip'!");
    EXPECT_EQ(m_view.statusTexts.front(), "1:Scanning zip 'setup.zip'...");
    EXPECT_EQ(WindowCaption(*drive), "Zip 'C:\\setup.zip'");
    EXPECT_EQ(PrintJobTitle(*archive), "Files in ZIP File C:\\setup.zip");
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(ArchiveDriveTest, LoggingFailuresShowTheirMessageAndLeaveNoDrive) {
    MakeFile("NOTZIP.ZIP", "plain text, not an archive");
    MakeArchive("GOOD.ZIP", {"a.txt"});
    std::string good = test::ReadFile(Host("GOOD.ZIP"));
    MakeFile("BROKEN.ZIP", testing::PointPastEnd(good));
    MakeDir("A_RATHER_LONG_DIRECTORY_NAME");
    MakeFile("A_RATHER_LONG_DIRECTORY_NAME/NOTZIP.ZIP", "text");
    struct Case {
        const char* path;
        const char* message;
    } cases[] = {
        {"C:\\NOTZIP.ZIP", "'C:\\NOTZIP.ZIP' is NOT a zip file!"},
        {"C:\\MISSING.ZIP", "'C:\\MISSING.ZIP' is NOT a zip file!"},
        {"C:\\BROKEN.ZIP", "ZIP file 'C:\\BROKEN.ZIP' is damaged!"},
        {"C:\\A_RATHER_LONG_DIRECTORY_NAME\\NOTZIP.ZIP",
         "'C:\\..DIRECTORY_NAME\\NOTZIP.ZIP' is NOT a zip file!"},
    };
    for (const Case& c : cases) {
        m_ui.Reset();
        catalogue::CDriveItemList drives(&m_env);
        EXPECT_EQ(drives.LogDrive(c.path, catalogue::kDriveZip), nullptr) << c.path;
        EXPECT_EQ(drives.Count(), 0);
        EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{c.message}) << c.path;
    }
}

// An archive that could not be opened or read was reported as "NOT a zip
// file"; the reason the system gave is shown instead.
TEST_F(ArchiveDriveTest, UnreadableArchiveIsNotCalledNotAZipFile) {
    using platform::fault::Op;
    const struct {
        const char* name;
        Op op;
        int error;
        const char* message;
    } cases[] = {
        {"LOCKED.ZIP", Op::Open, EACCES,
         "ZIP file 'C:\\LOCKED.ZIP' could not be read!\n\nPermission denied"},
        {"BADDISK.ZIP", Op::Read, EIO,
         "ZIP file 'C:\\BADDISK.ZIP' could not be read!\n\nInput/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeArchive(c.name, {"a.txt"});
        m_ui.Reset();
        catalogue::CDriveItemList drives(&m_env);
        platform::fault::Arm(c.op, 1, c.error, true);
        EXPECT_EQ(drives.LogDrive(std::string("C:\\") + c.name, catalogue::kDriveZip), nullptr);
        platform::fault::Reset();
        EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{c.message});
    }
}

// Memory running out while an archive window read its members ended the
// program; it is a failed logging with its reason instead.
TEST_F(ArchiveDriveTest, AllocationFailureWhileLoggingIsSaidNotThrown) {
    MakeArchive("BIG.ZIP", {"a.txt", "sub/b.txt"});
    long failures = 0;
    for (long nth = 1; nth < 10000; ++nth) {
        m_ui.Reset();
        CDriveZip drive(&m_env);
        bool logged = false;
        testing::FailNthAllocation(nth);
        try {
            logged = drive.Log("C:\\BIG.ZIP");
        } catch (const std::bad_alloc&) {
            ADD_FAILURE() << "allocation " << nth << " escaped as std::bad_alloc";
        }
        const bool failed = testing::AllocationFailed();
        testing::FailNthAllocation(0);
        // Some failures are coped with below (the drive's label is then
        // unknown): the archive is logged whole.
        if (logged) {
            EXPECT_EQ(drive.FileCount(), 2) << nth;
            EXPECT_TRUE(m_ui.Shown().empty()) << nth;
        } else {
            EXPECT_EQ(drive.DirectoryCount(), 0) << nth;
            EXPECT_EQ(m_ui.Texts(),
                      std::vector<std::string>{
                          "ZIP file 'C:\\BIG.ZIP' could not be read!\n\nOut of memory!"})
                << nth;
        }
        if (!failed)
            break;
        failures += logged ? 0 : 1;
    }
    EXPECT_GT(failures, 3);
}

TEST_F(ArchiveDriveTest, MultiVolumeArchives) {
    MakeFile("SRC/big.bin", testing::RandomBytes(300000));
    Zip("-s 64k '" + Host("SPAN.ZIP") + "' big.bin", "SRC");

    // As a plain archive it is refused with the multi-volume text.
    catalogue::CDriveItemList drives(&m_env);
    EXPECT_EQ(drives.LogDrive("C:\\SPAN.ZIP", catalogue::kDriveZip), nullptr);
    EXPECT_EQ(m_ui.Texts(),
              std::vector<std::string>{"Multiple Volume ZIP files are only supported through "
                                       "the File Backup/File Restore commands!"});

    // As a multi-volume archive it is read.
    m_ui.Reset();
    catalogue::CDriveContainer* drive =
        drives.LogDrive("C:\\SPAN.ZIP", catalogue::kDriveMultiVolumeZip);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->Kind(), catalogue::kDriveMultiVolumeZip);
    EXPECT_EQ(drive->CurrentDirectory()->Kind(), catalogue::kDirectoryZipMultiVolume);
    EXPECT_EQ(drive->FileCount(), 1);
    EXPECT_EQ(StatusTexts().front(), "Logging multi-volume zip file 'C:\\SPAN.ZIP' on drive C!");
    EXPECT_EQ(WindowCaption(*drive), "Zip 'C:\\SPAN.ZIP'");

    // One that cannot be read stays logged, empty.
    MakeFile("TEXT.ZIP", "not a zip");
    drive = drives.LogDrive("C:\\TEXT.ZIP", catalogue::kDriveMultiVolumeZip);
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(drive->FileCount(), 0);
    EXPECT_TRUE(m_ui.Shown().empty());

    // An undefined letter and an empty path fail.
    EXPECT_EQ(drives.LogDrive("Q:\\X.ZIP", catalogue::kDriveMultiVolumeZip), nullptr);
    EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{"Cannot log drive 'Q' - drive is undefined!"});
    CDriveMultiVolumeZip empty;
    EXPECT_FALSE(empty.Log(""));
}

TEST_F(ArchiveDriveTest, DriveScanMakesZipDirectoriesReadWhenCurrent) {
    MakeArchive("SETUP.ZIP", {"install.txt", "docs/readme.txt"});
    MakeDir("DOCS");
    MakeDir("X.ZIP/inner");
    catalogue::CDriveItemList drives(&m_env);
    catalogue::CDriveContainer* drive = drives.LogDrive('C');
    ASSERT_NE(drive, nullptr);
    std::map<std::string, int> kinds;
    for (const auto& directory : drive->Directories())
        kinds[directory->Path()] = directory->Kind();
    EXPECT_EQ(kinds["C:\\SETUP.ZIP"], catalogue::kDirectoryZip);
    EXPECT_EQ(kinds["C:\\DOCS"], catalogue::kDirectoryPlain);
    EXPECT_EQ(kinds["C:\\X.ZIP"], catalogue::kDirectoryPlain); // a directory, not an archive
    EXPECT_EQ(drive->FindDirectory("C:\\SETUP.ZIP")->Level(), 1);

    auto* setup =
        dynamic_cast<catalogue::CZipFileDirectory*>(drive->FindDirectory("C:\\SETUP.ZIP"));
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(setup->ScanState(), catalogue::kZipNotScanned);
    EXPECT_EQ(setup->EntryCount(), 0);
    // The zip file is not a file of its parent.
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\"));
    drive->ApplyDisplaySettings();
    EXPECT_EQ(drive->CurrentDirectory()->FindFile("SETUP.ZIP"), nullptr);

    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\SETUP.ZIP"));
    drive->ApplyDisplaySettings();
    EXPECT_EQ(setup->ScanState(), catalogue::kZipRead);
    EXPECT_EQ(Names(*setup), (std::vector<std::string>{"DOCS\\README.TXT", "INSTALL.TXT"}));
    EXPECT_EQ(WindowCaption(*drive), "Drive C");
    EXPECT_EQ(PrintJobTitle(*drive->FindDirectory("C:\\DOCS")), "Files in Directory C:\\DOCS");

    // Leaving frees the members; a zip that fails to read becomes kind 3.
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\DOCS"));
    EXPECT_EQ(setup->EntryCount(), 0);
    MakeFile("BAD.ZIP", "text");
    static_cast<catalogue::CDriveIncremental*>(drive)->RefreshBranch("C:\\");
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\BAD.ZIP"));
    drive->ApplyDisplaySettings();
    EXPECT_EQ(drive->CurrentDirectory()->Kind(), catalogue::kDirectoryZipFailed);
    EXPECT_EQ(drive->FileCount(), 0);
}

TEST_F(ArchiveDriveTest, TagsSurviveRereadAndReturnByMemberPath) {
    // Two members share a base name: the tag must stay on the right one.
    MakeArchive("T.ZIP", {"one/readme.txt", "two/readme.txt", "other.txt"});
    catalogue::CDriveItemList drives(&m_env);
    catalogue::CDriveIncremental* drive =
        static_cast<catalogue::CDriveIncremental*>(drives.LogDrive('C'));
    ASSERT_NE(drive, nullptr);
    MakeDir("ELSEWHERE");
    drive->RefreshBranch("C:\\");
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\T.ZIP"));
    drive->ApplyDisplaySettings();
    auto* archive = static_cast<catalogue::CZipFileDirectory*>(drive->CurrentDirectory());
    auto indexOf = [&](const std::string& pathName) {
        for (int i = 0; i < archive->EntryCount(); ++i)
            if (ZipMember(*archive, i)->PathName() == pathName)
                return i;
        return -1;
    };
    ASSERT_TRUE(catalogue::SetTag(*archive, indexOf("TWO\\README.TXT"), 1));
    auto tagged = [&] {
        std::vector<std::string> names;
        for (int i = 0; i < archive->EntryCount(); ++i)
            if (ZipMember(*archive, i)->Tagged())
                names.push_back(ZipMember(*archive, i)->PathName());
        return names;
    };

    // A refresh of the list.
    EXPECT_TRUE(archive->ReadFileList(m_env));
    EXPECT_EQ(tagged(), std::vector<std::string>{"TWO\\README.TXT"});
    EXPECT_EQ(archive->TaggedCount(), 1);

    // Leaving and coming back ("Preserve Tags" on).
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\ELSEWHERE"));
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\T.ZIP"));
    drive->ApplyDisplaySettings();
    EXPECT_EQ(tagged(), std::vector<std::string>{"TWO\\README.TXT"});

    // Without "Preserve Tags" they go.
    m_env.SetOptions(catalogue::CCatalogueOptions{false, false});
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\ELSEWHERE"));
    ASSERT_TRUE(drive->SetCurrentDirectory("C:\\T.ZIP"));
    drive->ApplyDisplaySettings();
    EXPECT_TRUE(tagged().empty());
}

} // namespace
} // namespace vorlane::catalogue
