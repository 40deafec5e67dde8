// The frame's shell commands and their dialogs: Properties of a file, the
// tree's directory (counted) and a zip member; Volume Label's refusal and
// its run through the label tool seam; Map and Disconnect Network Drive
// with a recording gio; Restore from a mapped drive into a directory.
#include "AppFrameTest.h"

#include "fileops/CVolumeLabelJob.h"
#include "gui/CFileRestoreDialog.h"
#include "gui/CJobManager.h"
#include "gui/CNetworkDriveDialogs.h"
#include "gui/CPropertiesDialog.h"
#include "gui/CVolumeLabelDialog.h"
#include "gui/ShellCommands.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolBar>

#include <cstdlib>

namespace vorlane::gui::test {

namespace {

constexpr int kCmdProperties = 14145;

class ShellCommandsTest : public AppFrameTest {
  protected:
    static void Caret(TFileManagerWindow& fm, const std::string& name, bool inTree) {
        catalogue::CFileManagerSession& s = fm.Session();
        for (int i = 0; i < s.FileCount(); ++i)
            if (s.File(i)->Name() == name)
                s.SetCaret(i);
        (inTree ? static_cast<QWidget*>(fm.Tree()) : fm.FileView())->setFocus();
        Pump();
    }
    // Runs a command and keeps the fields of the properties dialog it shows.
    std::map<QString, QString> PropertiesOf(int id = kCmdProperties) {
        std::map<QString, QString> fields;
        OnDialog = [&](QDialog& shown) {
            auto& dialog = dynamic_cast<CPropertiesDialog&>(shown);
            for (QLabel* label : dialog.findChildren<QLabel*>())
                if (!label->objectName().isEmpty())
                    fields[label->objectName()] = label->text();
            Shot(dialog, "properties-dialog.png");
            return static_cast<int>(QDialog::Accepted);
        };
        m_appFrame->RunCommand(id);
        return fields;
    }
    static void Shell(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // A recording gio in its own directory: its arguments, one "[arg]" a
    // line, are appended to gio.log; "info" prints local as gio does.
    std::string RecordingGio(const std::string& local) {
        const std::string script =
            "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done >> '" +
            (m_tools / "gio.log") + "'\necho >> '" + (m_tools / "gio.log") +
            "'\nif [ \"$1\" = info ]; then echo 'uri: x'; echo 'local path: " + local +
            "'; fi\nexit 0\n";
        vorlane::test::WriteFile(m_tools / "gio", script);
        ::chmod((m_tools / "gio").c_str(), 0755);
        return m_tools / "gio.log";
    }
    QStringList DriveBarLetters() const {
        QStringList letters;
        if (auto* bar = m_appFrame->findChild<QToolBar*>("DriveBar"))
            for (QAction* action : bar->actions())
                letters << action->text();
        return letters;
    }

    vorlane::test::TempDir m_tools;
};

TEST_F(ShellCommandsTest, PropertiesOfTheCaretFileAndOfTheTreeDirectoryCounted) {
    TFileManagerWindow& fm = OpenC();
    EXPECT_TRUE(m_appFrame->Action(kCmdProperties)->isEnabled());
    Caret(fm, "alpha.txt", false);
    std::map<QString, QString> file = PropertiesOf();
    EXPECT_EQ(file["name"].toLower(), "alpha.txt");
    EXPECT_EQ(file["dosPath"].toUpper(), "C:\\ALPHA.TXT");
    EXPECT_EQ(file["hostPath"], QString::fromStdString(m_c / "alpha.txt"));
    EXPECT_EQ(file["size"], "300 bytes");
    EXPECT_TRUE(file["permissions"].endsWith("(0644)") || file["permissions"].contains("("))
        << file["permissions"].toStdString();
    EXPECT_EQ(file.count("contents"), 0u);

    Caret(fm, "alpha.txt", true);
    std::map<QString, QString> dir = PropertiesOf();
    EXPECT_EQ(dir["type"], "Folder");
    EXPECT_EQ(dir.count("size"), 0u);
    // alpha, beta, gamma and SUB\inner.txt; SUB, DEEP, DEEPER and OTHER.
    EXPECT_EQ(dir["contents"], "4 files, 4 folders, 1,315 bytes");
}

TEST_F(ShellCommandsTest, PropertiesOfAZipMemberShowPackingCrcAndComment) {
    Shell("cd '" + m_c.path() +
          "' && printf 'hello\\n' > hello.txt && zip -q ARC.ZIP hello.txt && " +
          "printf 'greeting\\n' | zip -q -c ARC.ZIP hello.txt && rm hello.txt");
    TFileManagerWindow& fm = OpenC();
    ASSERT_TRUE(fm.GoTo("C:\\ARC.ZIP"));
    Pump();
    ASSERT_EQ(fm.Session().FileCount(), 1);
    fm.Session().SetCaret(0);
    fm.FileView()->setFocus();
    Pump();
    std::map<QString, QString> member = PropertiesOf();
    EXPECT_EQ(member["crc"], "363A3020");
    EXPECT_EQ(member["comment"], "greeting");
    EXPECT_EQ(member["method"], "Stored");
    EXPECT_EQ(member["size"], "6 bytes");
    EXPECT_EQ(member["packedSize"], "6 bytes");
    EXPECT_EQ(member["hostPath"], QString::fromStdString(m_c / "ARC.ZIP"));
}

TEST_F(ShellCommandsTest, TheCountGrowsStopsAndIsCancelledWithTheDialog) {
    PropertiesInput input;
    input.file.name = "BIG";
    input.file.isDirectory = true;
    auto progress = std::make_shared<fileops::DirectorySizeProgress>();
    int cancels = 0;
    {
        CPropertiesDialog dialog(input);
        EXPECT_EQ(dialog.Field("contents"), "Not counted");
        dialog.ShowCount(progress, [&] { ++cancels; });
        progress->files = 3;
        progress->directories = 1;
        progress->bytes = 1500;
        dialog.UpdateCount();
        EXPECT_EQ(dialog.Field("contents"), "3 files, 1 folders, 1,500 bytes ...");
        EXPECT_TRUE(dialog.StopButton()->isEnabled());
        dialog.StopButton()->click();
        EXPECT_EQ(cancels, 1);
        progress->cancelled = true;
        progress->finished = true;
        dialog.UpdateCount();
        EXPECT_EQ(dialog.Field("contents"), "3 files, 1 folders, 1,500 bytes (counting stopped)");
    }
    EXPECT_EQ(cancels, 1); // finished: closing cancels nothing more
    auto running = std::make_shared<fileops::DirectorySizeProgress>();
    {
        CPropertiesDialog dialog(input);
        dialog.ShowCount(running, [&] { ++cancels; });
    }
    EXPECT_EQ(cancels, 2); // closed while counting
}

TEST_F(ShellCommandsTest, VolumeLabelRefusesADirectoryAndSetsAFileSystemsLabel) {
    OpenC();
    QString refusal;
    bool okEnabled = true;
    OnDialog = [&](QDialog& shown) {
        auto& dialog = dynamic_cast<CVolumeLabelDialog&>(shown);
        refusal = dialog.Refusal();
        okEnabled =
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        return static_cast<int>(QDialog::Rejected);
    };
    m_appFrame->Action(kCmdVolumeLabel)->trigger();
    Pump();
    EXPECT_TRUE(refusal.contains("not the root of a file system")) << refusal.toStdString();
    EXPECT_FALSE(okEnabled);

    // A file system root, with a recording e2label in place of the tool.
    vorlane::test::ScopedEnv seam("VORLANE_LABEL_TOOLS", m_tools.path());
    vorlane::test::WriteFile(m_tools / "e2label",
                             "#!/bin/sh\nprintf '[%s]' \"$@\" > '" + (m_tools / "argv") + "'\n");
    ::chmod((m_tools / "e2label").c_str(), 0755);
    platform::VolumeDetails volume;
    volume.letter = 'E';
    volume.fsType = "ext4";
    volume.device = "/dev/sdz9";
    volume.label = "OLD";
    volume.isFileSystemRoot = true;
    CVolumeLabelDialog dialog(volume);
    EXPECT_EQ(dialog.LabelEdit()->maxLength(), 16);
    dialog.LabelEdit()->setText("NEW NAME");
    m_ui.QueueYesNo(false);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(m_ui.Showed("Change the label of drive E: from \"OLD\" to \"NEW NAME\"?"));
    m_ui.QueueYesNo(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    m_appFrame->Jobs().Start(std::make_unique<fileops::CVolumeLabelJob>(volume, dialog.NewLabel()));
    ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(10000));
    EXPECT_EQ(ReadAll(m_tools / "argv"), "[/dev/sdz9][NEW NAME]");
}

TEST_F(ShellCommandsTest, MapAndDisconnectADirectoryAndAGioLocation) {
    vorlane::test::TempDir share;
    const std::string log = RecordingGio(share.path());
    vorlane::test::ScopedEnv path("PATH", m_tools.path() + ":/usr/bin:/bin");
    OpenC();
    auto map = [&](char letter, const std::string& target) {
        OnDialog = [&, letter](QDialog& shown) {
            auto& dialog = dynamic_cast<CMapNetworkDriveDialog&>(shown);
            EXPECT_EQ(dialog.LetterBox()->findText("C:"), -1); // taken letters are not offered
            dialog.LetterBox()->setCurrentIndex(
                dialog.LetterBox()->findText(QString("%1:").arg(letter)));
            dialog.TargetEdit()->setText(QString::fromStdString(target));
            dialog.accept();
            return dialog.result();
        };
        m_appFrame->RunCommand(kCmdMapNetworkDrive);
        Pump();
    };
    map('N', m_d.path());
    map('M', "smb://server/share");
    EXPECT_EQ(ReadAll(log), "[mount][smb://server/share]\n"
                            "[info][-a][standard::target-uri][smb://server/share]\n");
    std::map<std::string, std::string> driveMap = Section("Drive Map");
    EXPECT_EQ(driveMap["C"], m_c.path()); // the map in force came along
    EXPECT_EQ(driveMap["N"], m_d.path());
    EXPECT_EQ(driveMap["M"], share.path());
    std::map<std::string, std::string> network = Section("Network Drives");
    EXPECT_EQ(network["N"], "0," + m_d.path());
    EXPECT_EQ(network["M"], "1,smb://server/share");
    EXPECT_TRUE(m_app->IsDrivePresent('M'));
    EXPECT_TRUE(DriveBarLetters().contains("M:"));
    EXPECT_TRUE(DriveBarLetters().contains("N:"));

    auto disconnect = [&](char letter) {
        OnDialog = [&, letter](QDialog& shown) {
            auto& dialog = dynamic_cast<CDisconnectNetworkDriveDialog&>(shown);
            EXPECT_EQ(dialog.List()->count(), 2 - (letter == 'N' ? 1 : 0));
            for (int row = 0; row < dialog.List()->count(); ++row)
                if (dialog.List()->item(row)->text().startsWith(QString("%1:").arg(letter)))
                    dialog.List()->setCurrentRow(row);
            dialog.accept();
            return dialog.result();
        };
        m_appFrame->RunCommand(kCmdDisconnectNetworkDrive);
        Pump();
    };
    disconnect('M');
    EXPECT_NE(ReadAll(log).find("[mount][-u][smb://server/share]\n"), std::string::npos);
    disconnect('N');
    EXPECT_EQ(ReadAll(log).find("[-u][/"), std::string::npos); // a directory is never unmounted
    EXPECT_EQ(Section("Network Drives").size(), 0u);
    EXPECT_EQ(Section("Drive Map").count("M"), 0u);
    EXPECT_FALSE(m_app->IsDrivePresent('M'));
    EXPECT_FALSE(DriveBarLetters().contains("N:"));
    EXPECT_TRUE(DriveBarLetters().contains("C:"));

    // Nothing left to disconnect; a location without gio.
    m_appFrame->RunCommand(kCmdDisconnectNetworkDrive);
    EXPECT_TRUE(m_ui.Showed("No drive letter was given out by Map Network Drive."));
    vorlane::test::ScopedEnv noGio("PATH", share.path());
    map('P', "sftp://host/dir");
    EXPECT_TRUE(m_ui.Showed("the desktop's 'gio' program, which is not installed"));
    EXPECT_FALSE(m_app->IsDrivePresent('P'));
}

TEST_F(ShellCommandsTest, MapRefusesWhatIsNeitherAFolderNorALocation) {
    CMapNetworkDriveDialog dialog({'E', 'F'});
    EXPECT_EQ(dialog.LetterBox()->count(), 2);
    dialog.SetDirectoryPicker([&](QWidget*) { return std::optional<QString>("/no/such/dir"); });
    dialog.BrowseButton()->click();
    EXPECT_EQ(dialog.TargetEdit()->text(), "/no/such/dir");
    for (const char* target : {"/no/such/dir", "relative/dir", "http://web", "smb:///nohost"}) {
        dialog.TargetEdit()->setText(target);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << target;
    }
    EXPECT_EQ(m_ui.Texts().size(), 4u);
    dialog.TargetEdit()->setText("ftp://mirror.example");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ShellCommandsTest, RestoreFromAMappedDriveIntoAChosenDirectory) {
    Shell("cd '" + m_d.path() + "' && mkdir -p src/docs && printf 'one' > src/one.txt && " +
          "printf 'two' > src/docs/two.txt && cd src && zip -q -r ../WEEKLY.zip one.txt docs && " +
          "cd .. && rm -r src && printf 'full backup\\n.\\n' | zip -q -z WEEKLY.zip");
    WriteIni("[Network Drives]\nD=0," + m_d.path() + "\n");
    ::mkdir((m_c / "RESTORED").c_str(), 0755);
    OpenC();
    EXPECT_EQ(RestoreDrives(), std::vector<char>({'D'}));

    OnDialog = [&](QDialog& shown) {
        auto& dialog = dynamic_cast<CFileRestoreDialog&>(shown);
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        dialog.ScanButton()->click(); // no drive chosen yet
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        dialog.DriveBox()->setCurrentIndex(0);
        dialog.ScanButton()->click();
        EXPECT_EQ(dialog.ArchiveText(), "WEEKLY.zip");
        EXPECT_EQ(dialog.CommentText(), "full backup");
        EXPECT_TRUE(dialog.OkButton()->isEnabled());
        dialog.accept();
        return dialog.result();
    };
    m_ui.QueueDirectory("C:\\RESTORED");
    m_appFrame->RunCommand(kCmdRestore);
    ASSERT_TRUE(m_appFrame->Jobs().WaitForAll(10000));
    Pump();
    EXPECT_TRUE(m_ui.Showed(fileops::kRestoreNoDriveText));
    EXPECT_EQ(ReadAll(m_c / "RESTORED/one.txt"), "one");
    EXPECT_EQ(ReadAll(m_c / "RESTORED/docs/two.txt"), "two");
}

TEST_F(ShellCommandsTest, RestoreScanForgetsItsArchiveWhenTheDriveChanges) {
    int scans = 0;
    CFileRestoreDialog dialog({'A', 'B'}, [&](char drive) {
        ++scans;
        fileops::RestoreScan scan;
        scan.found = drive == 'A';
        scan.name = "A.ZIP";
        return scan;
    });
    dialog.DriveBox()->setCurrentIndex(0);
    dialog.ScanButton()->click();
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.DriveBox()->setCurrentIndex(1);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.ArchiveText(), "");
    dialog.ScanButton()->click();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(scans, 2);
}

} // namespace
} // namespace vorlane::gui::test
