// CVorlaneFrame: the MDI main frame "Vorlane": the menu bar built from the
// command table, the tool bar, the drive bar, the four-field status bar and
// the MDI client that holds the file manager windows.
//
// It is the front end's app::IMainFrame (it reads and writes its own keys
// through app::FrameSettings and lists its file manager windows for the
// saved windows) and its app::IStartupActions. Closing it asks the
// application (VorlaneApp::CloseQuery) first.
//
// Commands arrive by id: the frame's own are carried out here; the file
// manager window's go to the active MDI child, and their actions are
// enabled only while one is active. A command whose module is not built
// yet says so in the program's message dialog.
//
// Modal dialogs run through DialogRunner, so tests can answer them without
// blocking; the default runs QDialog::exec().
#pragma once

#include "app/FrameSettings.h"
#include "app/IMainFrame.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QDialog;
class QMenu;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;

namespace vorlane::app {
class VorlaneApp;
}

namespace vorlane::gui {

class CDriveBar;
class CFindFilesWindow;
class CFrameStatusBar;
class CGuiChangeSink;
class CJobManager;
struct FrameLaunchState;
class TFileManagerWindow;

class CVorlaneFrame : public QMainWindow, public app::IMainFrame, public app::IStartupActions {
    Q_OBJECT
  public:
    using DialogRunner = std::function<int(QDialog&)>;

    // app (borrowed, may be null in tests that run no application) answers
    // the close query.
    explicit CVorlaneFrame(app::VorlaneApp* app = nullptr, QWidget* parent = nullptr);
    ~CVorlaneFrame() override;

    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // Whether Create() shows the frame (the program: yes; most tests: no).
    void SetShowOnCreate(bool show) { m_showOnCreate = show; }

    // Carries out a command of the menus; ctrlHeld for the descending sorts.
    void RunCommand(int id, bool ctrlHeld = false);
    QAction* Action(int id) const;

    // Opens a file manager window on a drive (kind 1 a plain drive). The
    // active file manager window takes the drive unless newWindow is set
    // or it shows another kind. Null when the drive cannot be logged.
    TFileManagerWindow* OpenFileManager(const std::string& driveName, int kind, bool newWindow,
                                        const std::string& initialDirectory = "",
                                        int showMode = app::kShowNormal, const QRect& rect = {});
    TFileManagerWindow* ActiveFileManager() const;
    // The drive bar's pop-up commands on the active window's drive.
    void RelogDrive(char letter);
    void UnlogDrive(char letter);
    QList<TFileManagerWindow*> FileManagers() const;
    QMdiArea* MdiArea() const { return m_mdi; }
    CFrameStatusBar* FrameStatusBar() const { return m_status; }
    // The jobs started from this frame's windows (copies, moves, ...).
    CJobManager& Jobs() const { return *m_jobs; }
    // Where those jobs announce their changes (every window follows).
    CGuiChangeSink& ChangeSink() const { return *m_notices; }
    const app::FrameSettings& Settings() const { return m_settings; }
    // The current default drive: the drive holding the working directory,
    // else C:, else the first present drive; 0 when there is none.
    static char DefaultDrive();
    // A modal dialog with its help context pushed while it is open, through
    // the dialog runner; the drive bar built again (the drive map changed).
    int RunModalDialog(QDialog& dialog, int helpContext) { return RunDialog(dialog, helpContext); }
    void RebuildDriveBar() { BuildDriveBar(); }

    // app::IMainFrame
    void Create(const platform::ProfileFile& settings) override;
    void ShowStartupNotice(const std::string& name, const std::string& version,
                           const std::string& problem) override;
    bool CanCloseAllWindows() override { return true; }
    std::vector<app::OpenWindowInfo> OpenFileManagerWindows() const override;
    void CleanUp(platform::ProfileFile& settings) override;

    // app::IStartupActions
    void ShowLogDriveDialog() override;
    void LogCurrentDrive() override;
    void NewArchive() override;
    void OpenArchive() override;
    void OpenSavedWindow(const app::SavedWindow& window) override;

  signals:
    // The frame closed with the application's consent.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildDriveBar();
    void UpdateActions();
    void UpdateViewChecks();
    void OnSubWindowActivated(QMdiSubWindow* child);
    // Shows the hint on the empty frame when no window is open.
    void UpdateEmptyHint();
    void OnStatusText(int field, const QString& text, bool repaint);
    void ShowNotAvailable(int id);
    void ToggleBar(int id);
    void RunCustomSort();
    // The General Settings sheet; saves when it closes (see the sheet).
    void RunGeneralSettings();
    // Custom Tag on the active window: the "Custom Tag" search details
    // dialog, then every shown file that passes is tagged.
    void RunCustomTag();
    // File Sets (Options) and File Search Criteria (View): CFileSetDialogs.h,
    // CCustomTagDialog.h.
    void RunFileSets();
    // The HabiTabs dialog on the active window's display settings; after
    // a change the habitabs are saved and every window's tabs rebuilt.
    void RunHabitabs();
    void RunSearchCriteria();
    void ShowFindFiles();
    // Copy (F3) and Move (F4) on the active window: the dialog for where
    // its focus is, then the run as a job.
    void RunCopyCommand(bool move);
    // Delete, Rename, Attributes, Touch and Make Directory on the active
    // window the same way (skipRecycle: Shift+Delete).
    void RunFileOpCommand(int id, bool skipRecycle = false);
    // Zip-To-Exe: the Zip menu's asks for the archive; the File menu's
    // takes the caret file of the active window when it is a zip file.
    // Then the checks, the "ZipToExe" dialog and the build as a job.
    void RunZipToExe(int id);
    // Add File(s) To ZIP File and Zip File Comments on the active window's
    // zip directory: the dialog, then the change as a job.
    void RunZipAddCommand();
    void RunZipCommentCommand();
    // ReCompress Drive: the dialog (the active window's drive chosen),
    // then the run as a job.
    void RunRecompressDrive();
    // Open, Edit, Run and Associate on the active window (CVorlaneFrameLaunch.cpp).
    void RunOpenCommand();
    void RunEditCommand();
    void RunRunCommand();
    void RunAssociateCommand();
    // The host path of the active window's caret file to then: at once for
    // a plain file, after a job took a zip member out.
    void WithCaretFile(const std::function<void(const std::string& hostPath)>& then);
    // Viewer windows (CVorlaneFrameViewers.cpp): "&Viewer Window" asks for
    // a file in "View File"; "&View" shows the active window's caret file
    // (a zip member taken out first).
    void RunNewViewerWindow();
    void RunViewCommand();
    void OpenViewerWindow(const std::string& hostPath, const std::string& shownName,
                          bool deleteWhenDone);
    // "Image Conversion" on the active window's file group, then the job;
    // apply as wallpaper from an image window.
    void RunImageConversion();
    void ApplyWallpaper(const QString& hostPath);
    // Print dirs/files on the active window: the "Print Dirs / Files List"
    // dialog (its preview), then the chosen list printed as a job.
    void RunPrintCommand();
    // Help at a context (-1: the current one); without an application,
    // the help window directly.
    void ShowHelp(int context);
    void AfterWindowOpened();
    // Puts a new window of no saved place inside the client area, below
    // and right of the ones open.
    void PlaceCascaded(QMdiSubWindow* child);
    // Lists the open windows at the end of the Window menu.
    void ListWindowsIn(QMenu* menu);
    int RunDialog(QDialog& dialog);
    // The same with the dialog's help context pushed while it is open.
    int RunDialog(QDialog& dialog, int helpContext);
    void ShowJobs();
    // Closing with jobs running: asks, then cancels them and waits; false
    // when the user keeps the program open.
    bool StopJobsForClose();

    app::VorlaneApp* m_app;
    CGuiChangeSink* m_notices;
    std::unique_ptr<CJobManager> m_jobs;
    QPointer<CFindFilesWindow> m_findFiles; // made on first use
    app::FrameSettings m_settings;
    QMdiArea* m_mdi;
    QLabel* m_emptyHint = nullptr; // how to open a window, on the empty frame
    CFrameStatusBar* m_status;
    QToolBar* m_toolBar = nullptr;
    CDriveBar* m_driveBar = nullptr;
    std::map<int, QAction*> m_actions;
    std::vector<QAction*> m_windowListActions; // the window list of the Window menu
    DialogRunner m_runDialog;
    bool m_showOnCreate = false;
    // The launch directories and said-once state; the destructor ends the
    // jobs (which may be taking members out into them) first.
    std::unique_ptr<FrameLaunchState> m_launch;
};

} // namespace vorlane::gui
