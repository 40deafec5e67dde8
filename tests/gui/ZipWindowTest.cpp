// Zip files in the file manager windows: zip directories of a plain drive,
// archive windows, New Archive and Open Archive.
#include "GuiTestSupport.h"

#include <cstdlib>

namespace vorlane::gui::test {

namespace {

class ZipWindowTest : public GuiTest {
  protected:
    ZipWindowTest() {
        // An archive made by Info-ZIP: a file at the top, one in a folder.
        ::mkdir((m_stage / "docs").c_str(), 0700);
        std::ofstream(m_stage / "readme.txt") << std::string(5000, 'r');
        std::ofstream(m_stage / "docs/notes.txt") << "short";
        std::string command = "cd '" + m_stage.path() + "' && zip -q -X '" + (m_c / "ARCH.ZIP") +
                              "' readme.txt docs/notes.txt";
        m_made = std::system(command.c_str()) == 0;
    }
    // The texts of one column, by caption, in row order.
    static QString Cell(TFileManagerWindow& w, int row, const QString& caption) {
        return w.FileModel()
            ->index(row, static_cast<int>(Captions(w).indexOf(caption)))
            .data()
            .toString();
    }

    vorlane::test::TempDir m_stage;
    MemorySettingsStore m_store;
    bool m_made = false;
};

} // namespace

TEST_F(ZipWindowTest, AZipFileOpensInTheTreeAndListsItsMembersInZipColumns) {
    ASSERT_TRUE(m_made);
    TFileManagerWindow* w = &Open();
    QModelIndex zipBranch = w->TreeModel()->IndexOfPath("C:\\ARCH.ZIP");
    ASSERT_TRUE(zipBranch.isValid());
    EXPECT_EQ(w->TreeModel()->parent(zipBranch), w->TreeModel()->IndexOfPath("C:\\"));
    // A directory of the tree, not a file of the root's list.
    EXPECT_FALSE(Names(*w).contains("ARCH.ZIP"));

    w->Tree()->setCurrentIndex(zipBranch); // as a click on the branch
    EXPECT_EQ(w->Session().CurrentDirectoryPath(), "C:\\ARCH.ZIP");
    // The default zip details: name, size, date/time, attributes, ratio,
    // method, relative path.
    EXPECT_EQ(Captions(*w),
              QStringList({"Filename", "File Size", "Creation Date/Time", "Attributes", "ZIP Ratio",
                           "ZIP Method", "Path (Relative Path)"}));
    ASSERT_EQ(Names(*w).size(), 2);
    int readme = Row(*w, "README.TXT"), notes = Row(*w, "NOTES.TXT");
    ASSERT_GE(readme, 0);
    ASSERT_GE(notes, 0);
    EXPECT_EQ(Cell(*w, notes, "Path (Relative Path)"), "DOCS");
    EXPECT_EQ(Cell(*w, readme, "Path (Relative Path)"), "");
    EXPECT_EQ(Cell(*w, readme, "ZIP Method"), "Deflated");
    EXPECT_EQ(Cell(*w, notes, "ZIP Method"), "Stored");
    EXPECT_GT(Cell(*w, readme, "ZIP Ratio").toInt(), 90); // 5000 equal bytes
    EXPECT_EQ(Cell(*w, readme, "File Size"), "5,000");
    EXPECT_EQ(Cell(*w, readme, "Attributes").size(), 9);
    // Members do not drag; the zip directory takes no drops.
    EXPECT_FALSE(w->FileModel()->flags(w->FileModel()->index(readme, 0)) & Qt::ItemIsDragEnabled);
    EXPECT_FALSE(w->CanDropOn({"D:\\x"}, "C:\\ARCH.ZIP"));

    // Back in a plain directory the plain columns return.
    w->GoTo("C:\\");
    EXPECT_EQ(Captions(*w).front(), "Name");
    EXPECT_FALSE(Captions(*w).contains("ZIP Method"));
}

TEST_F(ZipWindowTest, TheZipDetailsBitsChooseTheMemberColumns) {
    ASSERT_TRUE(m_made);
    struct Case {
        const char* name;
        uint32_t bits;
        QStringList captions;
    };
    const Case cases[] = {
        {"name only", 0x001, {"Filename"}},
        {"size and method", 0x103, {"Filename", "File Size", "ZIP Method"}},
        {"ratio and relative path", 0x281, {"Filename", "ZIP Ratio", "Path (Relative Path)"}},
        {"date/time and attributes", 0x049, {"Filename", "Creation Date/Time", "Attributes"}},
    };
    TFileManagerWindow* w = &Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w->Session().DisplaySettings().zipDisplayDetails = c.bits;
        w->GoTo("C:\\ARCH.ZIP");
        EXPECT_EQ(Captions(*w), c.captions);
        w->GoTo("C:\\");
    }
}

TEST_F(ZipWindowTest, OpenArchiveAsksForTheFileAndOpensAnArchiveWindow) {
    ASSERT_TRUE(m_made);
    m_store.Write("ZIP/UNZIP Settings", "Zip Open Path", "C:\\OTHER");
    m_ui.QueueOpenFile(std::string("c:\\arch.zip"));
    Frame().RunCommand(kCmdOpenArchive);
    ASSERT_EQ(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].caption, "Open Archive File");
    EXPECT_EQ(m_ui.Shown()[0].text, "ZIP Files (*.zip)|*.ZIP|EXE Files (*.exe)|*.EXE|C:\\OTHER");
    EXPECT_EQ(m_store.Read("ZIP/UNZIP Settings", "Zip Open Path"), "C:\\");

    TFileManagerWindow* w = Frame().ActiveFileManager();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Zip 'C:\\ARCH.ZIP'");
    EXPECT_EQ(w->Session().DriveKind(), catalogue::kDriveZip);
    EXPECT_EQ(Frame().MdiArea()->activeSubWindow()->windowTitle(), "Zip 'C:\\ARCH.ZIP'");
    EXPECT_EQ(Names(*w).size(), 2);
    EXPECT_EQ(Captions(*w).back(), "Path (Relative Path)");
    // An archive has no tree to open: its menu leaves the tree commands out.
    EXPECT_FALSE(Frame().Action(catalogue::kCmdExpandAll)->isEnabled());
    EXPECT_TRUE(Frame().Action(catalogue::kCmdTagEvery)->isEnabled());
}

TEST_F(ZipWindowTest, ArchiveCaptionsShortenLongPaths) {
    ASSERT_TRUE(m_made);
    std::string deep = "SUB/DEEP/DEEPER/A_RATHER_LONG_ARCHIVE_NAME.ZIP";
    std::string copy = "cp '" + (m_c / "ARCH.ZIP") + "' '" + (m_c / deep) + "'";
    ASSERT_EQ(std::system(copy.c_str()), 0);
    TFileManagerWindow* w = Frame().OpenFileManager(
        "C:\\SUB\\DEEP\\DEEPER\\A_RATHER_LONG_ARCHIVE_NAME.ZIP", catalogue::kDriveZip, true);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Zip 'C:\\..HER_LONG_ARCHIVE_NAME.ZIP'");
}

TEST_F(ZipWindowTest, NewArchiveMakesAnEmptyArchiveNamedAsTypedAndOpensIt) {
    m_ui.QueueSaveFile(std::string("C:\\OTHER\\brand new.txt"));
    Frame().RunCommand(kCmdNewArchive);
    ASSERT_GE(m_ui.Shown().size(), 1u);
    EXPECT_EQ(m_ui.Shown()[0].caption, "New Archive File");
    EXPECT_EQ(m_ui.Shown()[0].text, "ZIP Files (*.zip)|*.ZIP|");
    ASSERT_TRUE(Exists(m_c / "OTHER/brand new.zip"));
    EXPECT_FALSE(Exists(m_c / "OTHER/BRAND NEW.ZIP"));
    TFileManagerWindow* w = Frame().ActiveFileManager();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Zip 'C:\\OTHER\\brand new.zip'");
    EXPECT_TRUE(Names(*w).isEmpty());
    EXPECT_EQ(m_store.Read("ZIP/UNZIP Settings", "Zip Open Path"), "C:\\OTHER");
    // The new file was announced to the windows.
    bool announced = false;
    for (const auto& [letter, path] : m_ui.CatalogueChanges())
        announced = announced || (letter == 'C' && path == "C:\\OTHER\\brand new.zip");
    EXPECT_TRUE(announced);
}

TEST_F(ZipWindowTest, CancelledOrFailedArchiveCommandsOpenNoWindow) {
    std::ofstream(m_c / "NOTZIP.ZIP") << "plain text, not an archive";
    m_ui.QueueOpenFile(std::nullopt);
    Frame().RunCommand(kCmdOpenArchive);
    m_ui.QueueOpenFile(std::string("C:\\NOTZIP.ZIP"));
    Frame().RunCommand(kCmdOpenArchive);
    EXPECT_TRUE(Frame().FileManagers().isEmpty());
    EXPECT_TRUE(m_ui.Showed("'C:\\NOTZIP.ZIP' is NOT a zip file!"));
}

} // namespace vorlane::gui::test
