// CGeneralSettingsSheet: the "General Settings" property sheet (menu
// command 14705) with its seven pages in order: "&Advanced", "Drives",
// "Editor", "Paths", "Startup", "Thumbnails", "Viewer".
//
// The sheet edits a copy of the application's settings. OK and Apply run
// the page checks of app/AppSettings.h first (no drive shown, an editor
// work directory or a zip temp path that does not exist); a refusal shows
// its message, brings its page to the front and leaves both the sheet open
// and the settings untouched. When every page accepts, each page copies its
// controls into the settings it was given, and the Startup page hands its
// "Initial Mode" to the InitialModeWriter at once. Cancel copies nothing.
//
// The caller owns the settings, runs the sheet modally and, when it closed,
// saves (see CVorlaneFrame::RunGeneralSettings).
#pragma once

#include "app/AppSettings.h"

#include <QDialog>

#include <array>
#include <functional>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace vorlane::gui {

class CGeneralSettingsSheet : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14705;
    using InitialModeWriter = std::function<void(int mode)>;

    // The pages, in tab order.
    enum Page { kAdvanced, kDrives, kEditor, kPaths, kStartup, kThumbnails, kViewer, kPageCount };

    // A drive the Drives page lists: its letter and type code (CDriveType).
    struct DriveEntry {
        char letter;
        int type;
    };
    // The drive groups of the Drives page's "All ..." check boxes.
    enum DriveGroup { kFloppyDrives, kFixedDrives, kNetworkDrives, kOtherDrives };
    static DriveGroup GroupOf(int driveType);

    // settings (borrowed) receives the accepted values; drives are the
    // present drives in letter order.
    CGeneralSettingsSheet(app::AppSettings& settings, std::vector<DriveEntry> drives,
                          InitialModeWriter writeInitialMode, QWidget* parent = nullptr);

    // Checks every page and, when all accept, stores them; false (and the
    // refusing page in front) otherwise.
    bool Apply();
    void accept() override;

    QTabWidget* Pages() const { return m_pages; }
    QPushButton* ApplyButton() const { return m_apply; }
    // Advanced: the eight flags in page order.
    QCheckBox* AdvancedFlag(int index) const { return m_flags[static_cast<size_t>(index)]; }
    QListWidget* DriveList() const { return m_driveList; }
    QCheckBox* AllDrives(DriveGroup group) const { return m_allDrives[group]; }
    QRadioButton* ExternalEditor() const { return m_externalEditor; }
    QLineEdit* EditorCommandLine() const { return m_commandLine; }
    QLineEdit* EditorWorkDirectory() const { return m_workDirectory; }
    QLineEdit* ZipTempPath() const { return m_zipTempPath; }
    // Startup: the radio button of a mode (101 to 106).
    QRadioButton* StartupMode(int mode) const;
    // Thumbnails: the check list of the image format table's names.
    QListWidget* ImageTypes() const { return m_imageTypes; }
    QPushButton* SelectAllTypes() const { return m_selectAllTypes; }
    QPushButton* UnselectAllTypes() const { return m_unselectAllTypes; }
    // The format codes checked now, as Apply stores them.
    std::vector<int32_t> CheckedImageTypes() const;
    QSpinBox* ThumbnailWidth() const { return m_thumbWidth; }
    QSpinBox* ThumbnailHeight() const { return m_thumbHeight; }
    QCheckBox* ViewFilesInZipFiles() const { return m_viewInZip; }
    QCheckBox* ViewJpegFiles() const { return m_viewJpeg; }
    QSpinBox* MaxZipViewSize() const { return m_maxZipView; }

    // The "Drives" value the Drives page shows now (26 characters).
    std::string ShownDrives() const;

  private:
    QWidget* MakeAdvancedPage();
    QWidget* MakeDrivesPage();
    QWidget* MakeEditorPage();
    QWidget* MakePathsPage();
    QWidget* MakeStartupPage();
    QWidget* MakeThumbnailsPage();
    QWidget* MakeViewerPage();
    void SelectDriveGroup(DriveGroup group, bool on);
    void BrowseEditor();
    // Shows a page's refusal; false when there was one.
    bool Accepts(Page page, const std::string& refusal);

    app::AppSettings& m_settings;
    std::vector<DriveEntry> m_drives;
    InitialModeWriter m_writeInitialMode;
    QTabWidget* m_pages = nullptr;
    QPushButton* m_apply = nullptr;
    std::array<QCheckBox*, 8> m_flags{};
    QListWidget* m_driveList = nullptr;
    std::array<QCheckBox*, 4> m_allDrives{};
    QRadioButton* m_internalEditor = nullptr;
    QRadioButton* m_externalEditor = nullptr;
    QLineEdit* m_commandLine = nullptr;
    QLineEdit* m_workDirectory = nullptr;
    QLineEdit* m_zipTempPath = nullptr;
    std::array<QRadioButton*, 6> m_modes{};
    QListWidget* m_imageTypes = nullptr;
    QPushButton* m_selectAllTypes = nullptr;
    QPushButton* m_unselectAllTypes = nullptr;
    QSpinBox* m_thumbWidth = nullptr;
    QSpinBox* m_thumbHeight = nullptr;
    QCheckBox* m_viewInZip = nullptr;
    QCheckBox* m_viewJpeg = nullptr;
    QSpinBox* m_maxZipView = nullptr;
};

} // namespace vorlane::gui
