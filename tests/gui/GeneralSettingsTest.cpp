#include "AppFrameTest.h"

#include "gui/CDriveBar.h"
#include "gui/CGeneralSettingsSheet.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace vorlane::gui::test {

namespace {

class GeneralSettingsTest : public AppFrameTest {
  protected:
    // Runs the sheet from its menu command; edit works on it while it is
    // "open" and returns how it closed.
    void RunSheet(const std::function<int(CGeneralSettingsSheet&)>& edit) {
        OnDialog = [&](QDialog& dialog) {
            auto* sheet = dynamic_cast<CGeneralSettingsSheet*>(&dialog);
            EXPECT_NE(sheet, nullptr);
            if (!sheet)
                return static_cast<int>(QDialog::Rejected);
            EXPECT_EQ(m_app->HelpContext(), 14705);
            return edit(*sheet);
        };
        m_appFrame->RunCommand(kCmdGeneralSettings);
        OnDialog = nullptr;
        EXPECT_EQ(m_app->HelpContext(), 15) << "the sheet's help context was popped";
    }
};

void UncheckAllDrives(CGeneralSettingsSheet& sheet) {
    for (int row = 0; row < sheet.DriveList()->count(); ++row)
        sheet.DriveList()->item(row)->setCheckState(Qt::Unchecked);
}

} // namespace

TEST_F(GeneralSettingsTest, PagesShowTheStoredValues) {
    WriteIni("[Advanced Settings]\n4DOS Descriptions=1\nExit Without Prompting=0\n"
             "[Drive Settings]\nDrives=..c.......................\n"
             "[Startup Settings]\nInitial Mode=105\n");
    m_ui.QueueOpenFile(std::nullopt); // start-up action 105: Open Archive, cancelled
    Start();
    RunSheet([](CGeneralSettingsSheet& sheet) {
        EXPECT_TRUE(sheet.AdvancedFlag(3)->isChecked()) << "4DOS descriptions";
        EXPECT_FALSE(sheet.AdvancedFlag(6)->isChecked()) << "exit without prompting";
        EXPECT_EQ(sheet.ShownDrives(), "..c.......................");
        EXPECT_EQ(sheet.DriveList()->count(), 2) << "the present drives C and D";
        EXPECT_TRUE(sheet.StartupMode(105)->isChecked());
        return static_cast<int>(QDialog::Rejected);
    });
}

// Each page's refusal keeps the sheet open on that page; OK and Apply
// refuse alike, and the Cancel that follows changes nothing, neither in
// memory nor in VORLANE.INI.
TEST_F(GeneralSettingsTest, RefusalsKeepTheSheetOpenAndChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(CGeneralSettingsSheet&)> spoil;
        const char* message;
        int page;
    };
    const Case cases[] = {
        {"no drive", UncheckAllDrives, "At least one drive must be selected to view!",
         CGeneralSettingsSheet::kDrives},
        {"editor directory",
         [](CGeneralSettingsSheet& s) { s.EditorWorkDirectory()->setText("/no/such/directory"); },
         "Editor work directory is not valid!", CGeneralSettingsSheet::kEditor},
        {"zip temp path", [](CGeneralSettingsSheet& s) { s.ZipTempPath()->setText("Z:\\NOPE"); },
         "Zip temp path is not valid!", CGeneralSettingsSheet::kPaths},
        {"zip temp path empty", [](CGeneralSettingsSheet& s) { s.ZipTempPath()->setText(""); },
         "Zip temp path is not valid!", CGeneralSettingsSheet::kPaths},
    };
    WriteIni("[Startup Settings]\nInitial Mode=101\n");
    Start();
    const app::AppSettings before = m_app->Settings();
    for (const Case& c : cases) {
        for (bool viaApply : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (viaApply ? " (Apply)" : " (OK)"));
            size_t shown = m_ui.Shown().size();
            RunSheet([&](CGeneralSettingsSheet& sheet) {
                sheet.AdvancedFlag(3)->setChecked(true); // a change that must not land
                sheet.StartupMode(103)->setChecked(true);
                c.spoil(sheet);
                if (viaApply)
                    sheet.ApplyButton()->click();
                else
                    sheet.accept();
                EXPECT_NE(sheet.result(), QDialog::Accepted) << "still open";
                EXPECT_EQ(sheet.Pages()->currentIndex(), c.page);
                return static_cast<int>(QDialog::Rejected);
            });
            ASSERT_EQ(m_ui.Shown().size(), shown + 1);
            EXPECT_EQ(m_ui.Shown().back().text, c.message);
            EXPECT_TRUE(m_app->Settings() == before);
            platform::ProfileFile ini = Ini();
            EXPECT_EQ(ini.GetInt("Startup Settings", "Initial Mode", 0), 101);
            EXPECT_EQ(ini.GetInt("Advanced Settings", "4DOS Descriptions", 0), 0);
        }
    }
}

TEST_F(GeneralSettingsTest, AcceptedChangesAreStoredAndTheDriveBarFollows) {
    WriteIni("[Startup Settings]\nInitial Mode=101\n");
    Start();
    ASSERT_NE(m_appFrame->findChild<QAction*>("driveD"), nullptr);
    RunSheet([&](CGeneralSettingsSheet& sheet) {
        sheet.AdvancedFlag(3)->setChecked(true);
        sheet.DriveList()->item(1)->setCheckState(Qt::Unchecked); // hide D:
        sheet.ExternalEditor()->setChecked(true);
        sheet.EditorCommandLine()->setText("vi %file%");
        sheet.EditorWorkDirectory()->setText(QString::fromStdString(m_d.path()));
        sheet.ZipTempPath()->setText("D:\\");
        sheet.StartupMode(106)->setChecked(true);
        sheet.ViewJpegFiles()->setChecked(true);
        sheet.accept();
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
        return sheet.result();
    });
    EXPECT_TRUE(m_ui.Shown().empty());
    EXPECT_TRUE(m_app->Settings().fourDosDescriptions);
    platform::ProfileFile ini = Ini();
    EXPECT_EQ(ini.GetInt("Advanced Settings", "4DOS Descriptions", 0), 1);
    EXPECT_EQ(ini.GetString("Drive Settings", "Drives"), "..c.......................");
    EXPECT_EQ(ini.GetInt("Editor Settings", "Use External Editor", 0), 1);
    EXPECT_EQ(ini.GetInt("Editor Settings", "Use Internal Editor", 1), 0);
    EXPECT_EQ(ini.GetString("Editor Settings", "Command Line"), "vi %file%");
    EXPECT_EQ(ini.GetString("Path Settings", "Zip Temp Path"), "D:\\");
    EXPECT_EQ(ini.GetInt("Startup Settings", "Initial Mode", 0), 106);
    EXPECT_EQ(ini.GetInt("Viewer Settings", "View JPEG Files", 0), 1);
    EXPECT_EQ(m_appFrame->findChild<QAction*>("driveD"), nullptr) << "D: is hidden now";
    EXPECT_NE(m_appFrame->findChild<QAction*>("driveC"), nullptr);
}

// Apply on the Startup page writes "Initial Mode" at once, even when the
// rest is not saved because "Save Settings on Exit" is cleared.
TEST_F(GeneralSettingsTest, ApplyWritesInitialModeAtOnceWhateverTheSaveFlag) {
    WriteIni("[Startup Settings]\nInitial Mode=101\n");
    Start();
    RunSheet([&](CGeneralSettingsSheet& sheet) {
        sheet.AdvancedFlag(7)->setChecked(false); // save settings when exiting
        sheet.AdvancedFlag(3)->setChecked(true);
        sheet.StartupMode(103)->setChecked(true);
        sheet.ApplyButton()->click();
        EXPECT_EQ(Ini().GetInt("Startup Settings", "Initial Mode", 0), 103) << "at once";
        return static_cast<int>(QDialog::Rejected); // Cancel after Apply
    });
    EXPECT_FALSE(m_app->Settings().saveSettingsOnExit);
    EXPECT_TRUE(m_app->Settings().fourDosDescriptions) << "applied before Cancel";
    platform::ProfileFile ini = Ini();
    EXPECT_EQ(ini.GetInt("Startup Settings", "Initial Mode", 0), 103);
    EXPECT_EQ(ini.GetInt("Advanced Settings", "4DOS Descriptions", -1), -1) << "not saved";
}

TEST_F(GeneralSettingsTest, DriveGroupBoxesSelectEveryDriveOfTheirType) {
    Start();
    RunSheet([](CGeneralSettingsSheet& sheet) {
        // The temporary drives are directories of one file system: one group.
        int type = app::CDriveType('C', false).Type();
        QCheckBox* box = sheet.AllDrives(CGeneralSettingsSheet::GroupOf(type));
        box->setChecked(true);
        EXPECT_EQ(sheet.ShownDrives().substr(2, 2), "cd");
        box->setChecked(false);
        EXPECT_EQ(sheet.ShownDrives(), std::string(26, '.'));
        return static_cast<int>(QDialog::Rejected);
    });
}

} // namespace vorlane::gui::test
