// Logging and scanning real directories mapped as drive C:.
#include "CatalogueTestSupport.h"
#include "catalogue/CDriveIncremental.h"
#include "catalogue/CDriveItemList.h"
#include "catalogue/CZipFileDirectory.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace vorlane::catalogue {
namespace {

using PathList = std::vector<std::string>;

class DriveLoggingTest : public testing::DriveTest {
  protected:
    // A tree three levels deep:
    //   A\A1\A11, A\A2, B (empty), C\C1, SETUP.ZIP, top.txt
    void MakeTree() {
        MakeDir("A/A1/A11");
        MakeDir("A/A2");
        MakeDir("B");
        MakeDir("C/C1");
        MakeFile("SETUP.ZIP", "PK");
        MakeFile("top.txt", "hello");
        MakeFile("A/A1/deep.txt", "x");
    }

    std::unique_ptr<CDriveIncremental> Logged() {
        auto drive = std::make_unique<CDriveIncremental>(&m_env);
        EXPECT_TRUE(drive->Log("c:"));
        return drive;
    }

    // How many directories of the drive lie directly below path.
    static int Children(const CDriveContainer& drive, const std::string& path) {
        int level = platform::PathLevel(path) + 1;
        int count = 0;
        for (const auto& d : drive.Directories())
            if (d->Level() == level && platform::ParentDosPath(d->Path()) == path)
                ++count;
        return count;
    }
};

TEST_F(DriveLoggingTest, LogReadsRootAndFirstLevelWithOneMarkerEach) {
    MakeTree();
    auto drive = Logged();
    EXPECT_EQ(drive->Name(), "C:");
    EXPECT_EQ(drive->RootPath(), "C:\\");
    EXPECT_EQ(drive->CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(Children(*drive, "C:\\"), 4) << "A, B, C and SETUP.ZIP";
    EXPECT_EQ(Children(*drive, "C:\\A"), 1) << "a first-level directory gets one marker child";
    EXPECT_EQ(Children(*drive, "C:\\B"), 0);
    EXPECT_EQ(Children(*drive, "C:\\C"), 1);
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\A\\A1\\A11")) << "markers are not read";
    CDirectoryContainer* zip = drive->FindDirectory("C:\\SETUP.ZIP");
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->Kind(), kDirectoryZip);
    EXPECT_EQ(static_cast<CZipFileDirectory*>(zip)->ScanState(), kZipNotScanned);
    EXPECT_EQ(zip->Level(), 1);
    EXPECT_EQ(m_view.fields[1], "# of Dirs Scanned = 0");
}

TEST_F(DriveLoggingTest, ZipFilesAreDirectoriesAndDirectoriesNamedLikeZipsAreNot) {
    MakeDir("X.ZIP");
    MakeDir("A");
    for (const char* file : {"ARCHIVE.ZIP", "archive2.zip", ".zip", "zip", "a.zipx", "A/ONLY.ZIP"})
        MakeFile(file);
    auto drive = Logged();
    const std::pair<const char*, int> cases[] = {
        {"C:\\X.ZIP", kDirectoryPlain},
        {"C:\\ARCHIVE.ZIP", kDirectoryZip},
        {"C:\\archive2.zip", kDirectoryZip},
        {"C:\\.zip", kDirectoryZip},         // four characters are enough
        {"C:\\zip", -1},                     // too short
        {"C:\\a.zipx", -1},                  // wrong ending
        {"C:\\A\\ONLY.ZIP", kDirectoryZip}}; // the marker of A
    for (const auto& [path, kind] : cases) {
        CDirectoryContainer* found = drive->FindDirectory(path);
        EXPECT_EQ(found ? found->Kind() : -1, kind) << path;
    }
    EXPECT_EQ(drive->Scan("C:\\A\\ONLY.ZIP", -1), 0) << "a zip directory is never scanned";
}

TEST_F(DriveLoggingTest, ScanLevelsFromOneLevelToAll) {
    MakeTree();
    MakeDir("A/A1/A11/A111/A1111");
    auto drive = Logged();
    MakeDir("NEW");
    EXPECT_EQ(drive->Scan("C:\\", -1), 0) << "a second root scan with -1 reads nothing";
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\NEW"));
    EXPECT_EQ(drive->Scan("C:\\", 1), 1) << "an explicit level reads the root again";
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\NEW"));
    // One level below C:\A: its children, each with a marker.
    EXPECT_EQ(drive->Scan("C:\\A", -1), 2);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A2"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A1\\A11"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\A\\A1\\A11\\A111"));
    // Level 9 logs everything down to level 9.
    drive->Scan("C:\\", 9);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A1\\A11\\A111\\A1111"));
    EXPECT_EQ(drive->DirectoryCount(), 12);
}

TEST_F(DriveLoggingTest, QueueGrowsPastTheOldRing) {
    for (int i = 0; i < 2100; ++i)
        MakeDir("WIDE/D" + std::to_string(i));
    auto drive = Logged();
    EXPECT_EQ(drive->Scan("C:\\", 255), 2099) << "one was logged as the marker of WIDE";
    EXPECT_EQ(drive->DirectoryCount(), 2102);
    EXPECT_EQ(m_view.fields[1], "# of Dirs Scanned = 2100") << "every tenth directory";
}

TEST_F(DriveLoggingTest, LinksShowAsDirectoriesButScansNeverDescend) {
    MakeDir("REAL/INNER/DEEPER");
    MakeLink(Host("REAL"), "LINK");
    MakeLink(m_drive, "REAL/LOOP"); // a loop back to the root
    auto drive = Logged();
    drive->Scan("C:\\", 255);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\LINK"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\REAL\\LOOP"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\LINK\\INNER"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\REAL\\LOOP\\REAL"));
    EXPECT_EQ(drive->DirectoryCount(), 6);
    // Opening the link reads it one level deep, however deep the request.
    drive->Scan("C:\\LINK", 255);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\LINK\\INNER"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\LINK\\INNER\\DEEPER")) << "its marker";
    drive->Scan("C:\\REAL\\LOOP", 255);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\REAL\\LOOP\\REAL"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\REAL\\LOOP\\REAL\\LOOP\\REAL"));
}

TEST_F(DriveLoggingTest, OddNamesSurviveTheScan) {
    MakeDir("line\nbreak");
    MakeDir("latin\xE9");
    MakeDir("star*name");
    MakeDir("ok");
    auto drive = Logged();
    EXPECT_EQ(drive->DirectoryCount(), 5);
    // Each name maps to a DOS name that maps back to the directory.
    for (const auto& directory : drive->Directories()) {
        std::string host;
        EXPECT_TRUE(platform::DosToHost(directory->Path(), &host)) << directory->Path();
        platform::FileEntry entry;
        EXPECT_TRUE(platform::StatEntry(host, &entry) && entry.isDirectory) << host;
    }
}

#ifdef VORLANE_FAULT_INJECTION
TEST_F(DriveLoggingTest, DirectoryRefusingListingIsSkipped) {
    for (const char* branch : {"A", "B", "C"})
        MakeDir(std::string(branch) + "/" + branch + "1/" + branch + "11");
    auto drive = Logged();
    platform::fault::Reset();
    // The root is listed first, then one of A, B and C: that one refuses,
    // and the scan goes on with the others.
    platform::fault::Arm(platform::fault::Op::List, 2, EACCES);
    drive->Scan("C:\\", 255);
    platform::fault::Reset();
    int deep = 0;
    for (const char* path : {"C:\\A\\A1\\A11", "C:\\B\\B1\\B11", "C:\\C\\C1\\C11"})
        deep += drive->IsDirectoryLogged(path) ? 1 : 0;
    EXPECT_EQ(deep, 2);
}
#endif

TEST_F(DriveLoggingTest, VanishedDirectoryYieldsNothing) {
    MakeTree();
    auto drive = Logged();
    ASSERT_EQ(::rmdir(Host("C/C1").c_str()), 0);
    ASSERT_EQ(::rmdir(Host("C").c_str()), 0);
    drive->Scan("C:\\", 255);
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\C")) << "a scan adds; it does not remove";
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A1\\A11"));
    EXPECT_TRUE(drive->RefreshBranch("C:\\"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\C"));
    EXPECT_FALSE(drive->IsDirectoryLogged("C:\\C\\C1"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A1\\A11"));
}

TEST_F(DriveLoggingTest, RemovedOrUndefinedDriveDoesNotHang) {
    MakeTree();
    auto drive = Logged();
    std::string cmd = "rm -rf '" + m_drive + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(drive->Scan("C:\\", 255), 0);
    EXPECT_TRUE(drive->SetCurrentDirectory("C:\\A"));
    drive->ApplyDisplaySettings();
    EXPECT_EQ(drive->FileCount(), 0);
    // Logging it again fails with the message.
    CDriveIncremental again(&m_env);
    EXPECT_FALSE(again.Log("C:"));
    CDriveItemList list(&m_env);
    EXPECT_EQ(list.LogDrive('q'), nullptr);
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_EQ(m_ui.Shown()[0].text, "Cannot log drive 'C' - drive is undefined!");
    EXPECT_EQ(m_ui.Shown()[1].text, "Cannot log drive 'Q' - drive is undefined!");
    EXPECT_EQ(m_ui.Shown()[1].caption, "Error!");
}

TEST_F(DriveLoggingTest, DriveListLogsFindsListsAndRemoves) {
    MakeTree();
    CDriveItemList list(&m_env);
    CDriveContainer* drive = list.LogDrive('c');
    ASSERT_NE(drive, nullptr);
    EXPECT_EQ(list.Find("C:", kDriveIncremental), drive);
    EXPECT_EQ(list.Find("c:\\x", 0), drive) << "kind 0 means a plain drive";
    std::vector<CDriveItemList::DriveEntry> entries = list.DriveEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "C:");
    EXPECT_EQ(entries[0].kind, kDriveIncremental);
    EXPECT_EQ(entries[0].displayName, "C:[" + drive->VolumeLabel() + "]");
    EXPECT_NE(entries[0].type, 0);
    EXPECT_EQ(list.LogDrive("C:\\ARCHIVE.ZIP", kDriveZip), nullptr) << "no such archive";
    EXPECT_TRUE(m_ui.Showed("'C:\\ARCHIVE.ZIP' is NOT a zip file!"));
    EXPECT_TRUE(list.Remove(drive));
    EXPECT_FALSE(list.Remove(drive));
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(DriveLoggingTest, LogPathScansDownToIt) {
    MakeTree();
    MakeDir("A/A1/A11/A111");
    MakeDir("B/B1");
    MakeLink(Host("A"), "C/LINK");
    auto drive = Logged();
    EXPECT_TRUE(drive->LogPath("c:\\a\\a1\\a11\\a111"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\A\\A1\\A11\\A111"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\B\\B1")) << "everything down to the level";
    EXPECT_FALSE(drive->LogPath("C:\\A\\NOPE"));
    EXPECT_FALSE(drive->LogPath("C:\\top.txt")) << "a file is not a directory";
    MakeFile("A/A1/A11/INNER.ZIP", "PK");
    EXPECT_TRUE(drive->LogPath("C:\\A\\A1\\A11\\inner.zip")) << "a zip file is a directory";
    EXPECT_EQ(drive->FindDirectory("C:\\A\\A1\\A11\\INNER.ZIP")->Kind(), kDirectoryZip);

    // Through a link, and every directory logged on the way has its parent.
    EXPECT_TRUE(drive->LogPath("C:\\C\\LINK\\A1\\A11\\A111"));
    EXPECT_TRUE(drive->IsDirectoryLogged("C:\\C\\LINK\\A1\\A11\\A111"));
    drive->Scan("C:\\", 3);
    for (const auto& directory : drive->Directories()) {
        if (platform::IsRootPath(directory->Path()))
            continue;
        EXPECT_TRUE(drive->IsDirectoryLogged(platform::ParentDosPath(directory->Path())))
            << directory->Path();
    }
}

} // namespace
} // namespace vorlane::catalogue
