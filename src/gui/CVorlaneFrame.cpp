#include "gui/CVorlaneFrame.h"

#include "app/CDriveType.h"
#include "app/VorlaneApp.h"
#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/CZipFileDirectory.h"
#include "fileops/ZipToExe.h"
#include "gui/ArchiveCommands.h"
#include "gui/CCopyDialog.h"
#include "gui/CCustomTagDialog.h"
#include "gui/CDriveBar.h"
#include "gui/CFileSetDialogs.h"
#include "gui/CFileSortDialog.h"
#include "gui/CFindFilesWindow.h"
#include "gui/CFrameStatusBar.h"
#include "gui/CGeneralSettingsSheet.h"
#include "gui/CGuiChangeSink.h"
#include "gui/CHabitabWindow.h"
#include "gui/CHabitabsDialog.h"
#include "gui/CHelpWindow.h"
#include "gui/CJobManager.h"
#include "gui/CLogDriveDialog.h"
#include "gui/CStartupNoticeDialog.h"
#include "gui/CVorlaneMDIChild.h"
#include "gui/CZipRecompressDialog.h"
#include "gui/CZipToExeDialog.h"
#include "gui/Commands.h"
#include "gui/FileIcons.h"
#include "gui/FrameLaunch.h"
#include "gui/MdiArrangement.h"
#include "gui/ShellCommands.h"
#include "gui/TFileManagerWindow.h"
#include "gui/ToolIcons.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <algorithm>

namespace vorlane::gui {

namespace {

// The menu of a path like "&Window/&New Window", made on first use.
QMenu* MenuFor(QMenuBar* bar, std::map<QString, QMenu*>& menus, const QString& path) {
    auto it = menus.find(path);
    if (it != menus.end())
        return it->second;
    int slash = path.lastIndexOf('/');
    QMenu* menu = slash < 0 ? bar->addMenu(path)
                            : MenuFor(bar, menus, path.left(slash))->addMenu(path.mid(slash + 1));
    menus[path] = menu;
    return menu;
}

app::AppSettings* MutableAppSettings() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    return a ? &a->MutableSettings() : nullptr;
}

} // namespace

CVorlaneFrame::CVorlaneFrame(app::VorlaneApp* app, QWidget* parent)
    : QMainWindow(parent), m_app(app), m_launch(std::make_unique<FrameLaunchState>()) {
    setWindowTitle(app::VorlaneApp::kName);
    // Jobs talk to the user through the interface the front end installed,
    // with the application's drive map and options as they are when each
    // starts, and tell every window what they changed.
    m_notices = new CGuiChangeSink(this);
    m_jobs = std::make_unique<CJobManager>(ui::Current());
    m_jobs->SetContextFactory([this] {
        ui::UserInterface& gui = ui::Current();
        if (app::VorlaneApp* a = app::VorlaneApp::Current())
            return a->MakeContext(gui, m_notices);
        return ui::OperationContext(gui, platform::DriveMap::Current(), {}, m_notices);
    });
    connect(m_jobs.get(), &CJobManager::JobsChanged, this, &CVorlaneFrame::ShowJobs);
    setWindowIcon(
        QIcon::fromTheme("system-file-manager", style()->standardIcon(QStyle::SP_DirHomeIcon)));
    m_mdi = new QMdiArea(this); // the MDI client
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    // A frame without windows says how to open one (the start-up action
    // may leave it empty), instead of a blank grey area.
    m_emptyHint = new QLabel(
        "No drive is open.\n\nChoose a drive on the drive bar, or press F9 (Disk, Log Drive...).",
        m_mdi->viewport());
    m_emptyHint->setObjectName("emptyHint");
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_emptyHint->setForegroundRole(QPalette::BrightText);
    m_mdi->viewport()->installEventFilter(this);
    m_status = new CFrameStatusBar(this);
    setStatusBar(m_status);
    BuildMenus();
    BuildToolBar();
    BuildDriveBar();
    // F1 (without Alt, Ctrl or Shift) shows help at the current context,
    // whichever child has the focus.
    auto* help = new QAction(this);
    help->setObjectName("helpKey");
    help->setShortcut(Qt::Key_F1);
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { ShowHelp(-1); });
    addAction(help);
    connect(m_mdi, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* child) { OnSubWindowActivated(child); });
    UpdateActions();
    UpdateEmptyHint();
    resize(1024, 720);
}

CVorlaneFrame::~CVorlaneFrame() {
    // Children first: their sessions call back while they go.
    for (QMdiSubWindow* child : m_mdi->subWindowList())
        delete child;
    // The find window cancels its job through the job manager.
    delete m_findFiles;
    // Running jobs end before the launch directories they write into go.
    // The status bar is not told of their ends: the manager is no longer
    // reachable through m_jobs while it is being destroyed.
    disconnect(m_jobs.get(), nullptr, this, nullptr);
    m_jobs.reset();
}

// --- building ------------------------------------------------------------------

void CVorlaneFrame::BuildMenus() {
    std::map<QString, QMenu*> menus;
    for (const CommandInfo& command : CommandTable()) {
        QMenu* menu = MenuFor(menuBar(), menus, QString::fromLatin1(command.menu));
        QString text = QString::fromLatin1(command.text);
        if (text.startsWith('-')) {
            menu->addSeparator();
            text = text.mid(1);
        }
        QAction* action = menu->addAction(text);
        action->setObjectName(QString("cmd%1").arg(command.id));
        action->setData(command.id);
        if (*command.keys) {
            action->setShortcut(QKeySequence(QString::fromLatin1(command.keys)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setCheckable(command.checkable);
        int id = command.id;
        const bool windowCheck = command.checkable && command.target == CommandTarget::Window;
        connect(action, &QAction::triggered, this, [this, id, windowCheck] {
            RunCommand(id, QApplication::keyboardModifiers() & Qt::ControlModifier);
            // A click toggles a checkable action; the window's state decides.
            if (windowCheck)
                UpdateViewChecks();
        });
        m_actions[id] = action;
    }
    Action(kCmdDriveRibbon)->setChecked(true);
    Action(kCmdToolBar)->setChecked(true);
    if (QMenu* view = menus["&View"])
        connect(view, &QMenu::aboutToShow, this, &CVorlaneFrame::UpdateViewChecks);
    if (QMenu* window = menus["&Window"])
        connect(window, &QMenu::aboutToShow, this, [this, window] { ListWindowsIn(window); });
}

void CVorlaneFrame::BuildToolBar() {
    m_toolBar = addToolBar("ToolBar");
    m_toolBar->setObjectName("ToolBar");
    m_toolBar->setIconSize(QSize(20, 20));
    struct Button {
        int id;
        const char* icon; // a name of gui/ToolIcons.h
    };
    // Delete shows a waste bin: the "no entry" sign some themes draw for
    // edit-delete means "forbidden" everywhere else.
    const Button buttons[] = {
        {kCmdLogDrive, "drive-harddisk"},
        {kCmdNewFileManagerWindow, "window-new"},
        {0, nullptr},
        {kCmdCopy, "edit-copy"},
        {kCmdMove, "go-jump"},
        {kCmdDelete, "user-trash"},
        {0, nullptr},
        {catalogue::kCmdSortByFilename, "view-sort-ascending"},
        {kCmdViewDetails, "view-list-details"},
        {kCmdViewLargeIcons, "view-list-icons"},
        {0, nullptr},
        {kCmdCascade, "window-duplicate"},
        {kCmdTileVertical, "view-split-left-right"},
        {0, nullptr},
        {kCmdGeneralSettings, "preferences-system"},
        {kCmdExit, "application-exit"},
    };
    for (const Button& b : buttons) {
        if (b.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = Action(b.id);
        action->setIcon(ToolIcon(b.icon));
        m_toolBar->addAction(action);
    }
}

void CVorlaneFrame::BuildDriveBar() {
    if (!m_driveBar) {
        m_driveBar = new CDriveBar(this);
        addToolBar(Qt::TopToolBarArea, m_driveBar);
        connect(m_driveBar, &CDriveBar::DriveChosen, this,
                [this](char letter) { OpenFileManager(std::string(1, letter) + ":", 1, false); });
        connect(m_driveBar, &CDriveBar::RelogRequested, this,
                [this](char letter) { RelogDrive(letter); });
        connect(m_driveBar, &CDriveBar::UnlogRequested, this,
                [this](char letter) { UnlogDrive(letter); });
        connect(m_driveBar, &CDriveBar::InfoRequested, this, [](char letter) {
            ui::Current().Message(DriveInfoText(letter), "Drive Info", ui::Buttons::Ok,
                                  ui::Icon::Information);
        });
    }
    m_driveBar->Rebuild();
}

void CVorlaneFrame::RelogDrive(char letter) {
    TFileManagerWindow* fm = ActiveFileManager();
    std::string name = std::string(1, letter) + ":";
    if (!fm || fm->Session().DriveName() != name) {
        OpenFileManager(name, 1, false);
        return;
    }
    std::string directory = fm->Session().CurrentDirectoryPath();
    fm->Session().Unlog();
    if (fm->OpenDrive(name, 1, directory))
        return;
    // The drive could not be logged again (its message has been shown): no
    // empty window stays behind under its letter.
    if (auto* child = qobject_cast<QMdiSubWindow*>(fm->parentWidget()))
        child->close();
}

void CVorlaneFrame::UnlogDrive(char letter) {
    TFileManagerWindow* fm = ActiveFileManager();
    if (fm && fm->Session().DriveName() == std::string(1, letter) + ":")
        fm->Unlog();
}

QAction* CVorlaneFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CVorlaneFrame::UpdateActions() {
    TFileManagerWindow* fm = ActiveFileManager();
    for (const CommandInfo& command : CommandTable())
        if (command.target == CommandTarget::Window)
            Action(command.id)->setEnabled(fm && fm->CarriesCommand(command.id));
    UpdateViewChecks();
}

void CVorlaneFrame::UpdateViewChecks() {
    // The active window's panes and view mode, ticked in the View menu and
    // pressed on the toolbar.
    TFileManagerWindow* fm = ActiveFileManager();
    Action(kCmdCommandLine)->setChecked(fm && fm->CommandLineShown());
    Action(kCmdViewerPane)->setChecked(fm && fm->ViewerPaneShown());
    const std::pair<int, FileViewMode> modes[] = {{kCmdViewDetails, FileViewMode::Details},
                                                  {kCmdViewLargeIcons, FileViewMode::LargeIcons},
                                                  {kCmdViewList, FileViewMode::List},
                                                  {kCmdViewSmallIcons, FileViewMode::SmallIcons},
                                                  {kCmdViewThumbnails, FileViewMode::Thumbnails}};
    for (const auto& [id, mode] : modes)
        Action(id)->setChecked(fm && fm->ViewMode() == mode);
}

// --- commands ------------------------------------------------------------------

void CVorlaneFrame::ShowNotAvailable(int id) {
    const CommandInfo* command = FindCommand(id);
    if (command)
        ui::Current().Message(NotAvailableText(*command), kNotAvailableCaption, ui::Buttons::Ok,
                              ui::Icon::Information);
}

void CVorlaneFrame::RunCommand(int id, bool ctrlHeld) {
    const CommandInfo* command = FindCommand(id);
    if (!command)
        return;
    if (id == catalogue::kCmdCustomSort) {
        RunCustomSort();
        return;
    }
    if (id == catalogue::kCmdCustomTag) {
        RunCustomTag();
        return;
    }
    if (id == kCmdFindFiles) {
        ShowFindFiles();
        return;
    }
    if (id == kCmdHabiTabs) {
        RunHabitabs();
        return;
    }
    if (id == kCmdFileSets || id == kCmdFileSearchCriteria) {
        id == kCmdFileSets ? RunFileSets() : RunSearchCriteria();
        return;
    }
    if (id == kCmdCopy || id == kCmdMove) {
        RunCopyCommand(id == kCmdMove);
        return;
    }
    if (id == kCmdAttributes || id == kCmdDelete || id == kCmdRename || id == kCmdTouch ||
        id == kCmdMakeDirectory) {
        RunFileOpCommand(id);
        return;
    }
    if (id == kCmdZipToExe || id == kCmdFileZipToExe) {
        RunZipToExe(id);
        return;
    }
    if (id == kCmdZipAddFiles) {
        RunZipAddCommand();
        return;
    }
    switch (id) {
    case kCmdOpenFile:
        return RunOpenCommand();
    case kCmdEditFile:
        return RunEditCommand();
    case kCmdRunFile:
        return RunRunCommand();
    case kCmdAssociate:
        return RunAssociateCommand();
    case kCmdViewFile:
        return RunViewCommand();
    case kCmdNewViewerWindow:
        return RunNewViewerWindow();
    case kCmdImageConversion:
        return RunImageConversion();
    default:
        break;
    }
    if (id == kCmdZipComment) {
        RunZipCommentCommand();
        return;
    }
    if (id == kCmdPrint) {
        RunPrintCommand();
        return;
    }
    if (RunShellCommand(*this, id))
        return;
    if (command->target == CommandTarget::Window) {
        TFileManagerWindow* fm = ActiveFileManager();
        if (fm && fm->RunCommand(id, ctrlHeld))
            return;
        if (fm)
            ShowNotAvailable(id);
        return;
    }
    if (RunArrangementCommand(*m_mdi, id))
        return;
    switch (id) {
    case kCmdExit:
        close();
        return;
    case kCmdLogDrive:
        ShowLogDriveDialog();
        return;
    case kCmdNewArchive:
        NewArchive();
        return;
    case kCmdOpenArchive:
        OpenArchive();
        return;
    case kCmdRecompressDrive:
        RunRecompressDrive();
        return;
    case kCmdDirectoryStatistics:
        ui::Current().Message(kDirectoryStatisticsText);
        return;
    case kCmdBackup:
        ui::Current().Message(kBackupText, kBackupCaption, ui::Buttons::Ok, ui::Icon::Information);
        return;
    case kCmdGeneralSettings:
        RunGeneralSettings();
        return;
    case kCmdDriveRibbon:
    case kCmdToolBar:
        ToggleBar(id);
        return;
    case kCmdNewFileManagerWindow: {
        TFileManagerWindow* fm = ActiveFileManager();
        std::string drive = fm ? fm->Session().DriveName() : std::string();
        int kind = fm ? fm->Session().DriveKind() : 1;
        if (drive.empty()) {
            char letter = DefaultDrive();
            if (letter == 0)
                return;
            drive = std::string(1, letter) + ":";
            kind = 1;
        }
        OpenFileManager(drive, kind, true);
        return;
    }
    case kCmdAutoTile:
        if (app::AppSettings* s = MutableAppSettings())
            s->autoTile = !s->autoTile;
        Action(kCmdAutoTile)->setChecked(MutableAppSettings() && MutableAppSettings()->autoTile);
        return;
    case kCmdHelpContents:
        ShowHelp(0);
        return;
    case kCmdHelpHowToUse:
        ShowHelp(kCmdHelpHowToUse);
        return;
    case kCmdAbout:
        ui::Current().Message(std::string(app::VorlaneApp::kName) + " " +
                                  app::VorlaneApp::kVersion + "\nA classic file manager.",
                              "About Vorlane", ui::Buttons::Ok, ui::Icon::Information);
        return;
    default:
        ShowNotAvailable(id);
        return;
    }
}

void CVorlaneFrame::RunCustomSort() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm)
        return;
    CFileSortDialogTransfer transfer;
    const catalogue::CDisplaySettings& settings = fm->Session().DisplaySettings();
    transfer.keys[0] = settings.sortKeys[0];
    transfer.keys[1] = settings.sortKeys[1];
    CFileSortDialog dialog(transfer, this);
    if (m_app)
        m_app->PushHelpContext(CFileSortDialog::kHelpContext);
    int result = RunDialog(dialog);
    if (m_app)
        m_app->PopHelpContext();
    if (result == QDialog::Accepted)
        fm->Session().RunSortCommand(catalogue::kCmdCustomSort, false, transfer.keys);
}

void CVorlaneFrame::RunGeneralSettings() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    app::AppSettings scratch = app::AppSettings::Defaults(); // no application: edits nothing
    app::AppSettings& settings = a ? a->MutableSettings() : scratch;
    std::vector<CGeneralSettingsSheet::DriveEntry> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        app::CDriveType type = a ? a->DriveType(letter) : app::CDriveType(letter, false);
        if (type.Exists())
            drives.push_back({letter, type.Type()});
    }
    CGeneralSettingsSheet sheet(settings, std::move(drives), [a](int mode) {
        if (a)
            a->WriteInt("Startup Settings", "Initial Mode", mode);
    });
    if (a)
        a->PushHelpContext(CGeneralSettingsSheet::kHelpContext);
    RunDialog(sheet);
    if (!a)
        return;
    a->PopHelpContext();
    if (a->Settings().saveSettingsOnExit)
        a->SaveSettings();
    BuildDriveBar(); // the shown drives may have changed
}

void CVorlaneFrame::RunCustomTag() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm)
        return;
    app::VorlaneApp* a = app::VorlaneApp::Current();
    CCustomTagPrompt source(this, [this](QDialog& dialog) { return RunDialog(dialog); });
    fm->Session().SetCustomTagSource(&source);
    if (a)
        a->PushHelpContext(CCustomTagDialog::kHelpContext);
    fm->Session().RunTagCommand(catalogue::kCmdCustomTag, false);
    if (a)
        a->PopHelpContext();
    fm->Session().SetCustomTagSource(nullptr);
}

void CVorlaneFrame::RunFileSets() {
    std::unique_ptr<search::CFileSetStore> store = AppFileSets();
    if (!store)
        return;
    CFileSetsDialog dialog(
        *store, [this](QDialog& sub) { return RunDialog(sub); }, this);
    RunDialog(dialog, CFileSetsDialog::kHelpContext);
}

void CVorlaneFrame::RunHabitabs() {
    TFileManagerWindow* fm = ActiveFileManager();
    display::CHabitabItem noWindow; // without a window New copies the defaults
    display::CHabitabItem& settings = fm ? fm->Session().DisplaySettings() : noWindow;
    CHabitabsDialog dialog(
        Habitabs(), settings, [this](QDialog& sub) { return RunDialog(sub); }, this);
    RunDialog(dialog, CHabitabsDialog::kHelpContext);
    if (!dialog.Changed())
        return;
    // A renamed habitab keeps its windows.
    for (const auto& [oldName, newName] : dialog.Renames())
        for (TFileManagerWindow* window : TFileManagerWindow::OpenWindows())
            if (window->Session().DisplaySettings().name == oldName)
                window->Session().DisplaySettings().name = newName;
    if (m_app)
        m_app->SaveHabitabs();
    TFileManagerWindow::RebuildAllHabitabTabs();
}

void CVorlaneFrame::RunSearchCriteria() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm)
        return;
    CCustomTagDialog dialog(this, CCustomTagDialog::kCriteriaCaption);
    if (RunDialog(dialog, CCustomTagDialog::kCriteriaHelpContext) != QDialog::Accepted)
        return;
    // Criteria that select every file ("*.*" and nothing else) show all
    // files without asking each one.
    search::CFileSearchRequest request = dialog.Criteria()->Request();
    const auto& conditions = request.Conditions();
    if (conditions.size() == 1 && conditions[0].Operand() == "*.*")
        request.Clear();
    fm->Session().SetSearchConditions(std::move(request));
}

void CVorlaneFrame::ShowFindFiles() {
    if (!m_findFiles) {
        CFindFilesWindow::Hooks hooks;
        hooks.activeWindow = [this] { return ActiveFileManager(); };
        hooks.showDirectory = [this](const std::string& directory) -> TFileManagerWindow* {
            TFileManagerWindow* fm = OpenFileManager(directory.substr(0, 2), 1, false);
            if (fm && !fm->GoTo(directory))
                return nullptr;
            return fm;
        };
        hooks.runDialog = [this](QDialog& dialog, int helpContext) {
            return RunDialog(dialog, helpContext);
        };
        m_findFiles = new CFindFilesWindow(*m_jobs, std::move(hooks), this);
        m_findFiles->setWindowFlag(Qt::Window);
    }
    m_findFiles->show();
    m_findFiles->raise();
    m_findFiles->activateWindow();
}

void CVorlaneFrame::RunCopyCommand(bool move) {
    QPointer<TFileManagerWindow> fm = ActiveFileManager();
    if (!fm)
        return;
    std::unique_ptr<CCopyDialog> dialog = fm->MakeCopyDialog(move, this);
    if (!dialog)
        return;
    const int result = RunDialog(*dialog, CCopyDialog::kHelpContext);
    // The window may have been closed while the dialog was open.
    if (result == QDialog::Accepted && fm)
        fm->StartCopy(dialog->Parameters());
}

void CVorlaneFrame::RunFileOpCommand(int id, bool skipRecycle) {
    QPointer<TFileManagerWindow> fm = ActiveFileManager();
    if (!fm)
        return;
    std::unique_ptr<QDialog> dialog = fm->MakeFileOpDialog(id, skipRecycle, this);
    if (!dialog)
        return;
    const int result = RunDialog(*dialog, id);
    if (result == QDialog::Accepted && fm)
        fm->StartFileOp(*dialog);
}

void CVorlaneFrame::RunZipToExe(int id) {
    std::optional<std::string> zipPath;
    TFileManagerWindow* fm = ActiveFileManager();
    if (id == kCmdFileZipToExe && fm) {
        // The zip file the window is in (zip files are directories of the
        // tree), else a zip file at the caret of the list.
        const catalogue::CDirectoryContainer* current = fm->Session().CurrentDirectory();
        const catalogue::CFileContainer* caret = fm->Session().CaretFile();
        if (current && catalogue::IsZipDirectoryKind(current->Kind()))
            zipPath = fm->Session().CurrentDirectoryPath();
        else if (caret && catalogue::CZipFileDirectory::IsZipFileName(caret->Name()))
            zipPath = platform::JoinDosPath(fm->Session().CurrentDirectoryPath(), caret->Name());
    }
    if (!zipPath)
        zipPath = PickZipToExeFile(*this);
    if (!zipPath)
        return;
    const std::optional<std::vector<std::string>> members =
        fileops::ReadZipToExeMembers(m_jobs->NewContext(), *zipPath);
    if (!members)
        return;
    CZipToExeDialog dialog(*zipPath, *members, this);
    if (m_app)
        m_app->PushHelpContext(CZipToExeDialog::kHelpContext);
    const int result = RunDialog(dialog);
    if (m_app)
        m_app->PopHelpContext();
    if (result == QDialog::Accepted)
        m_jobs->Start(std::make_unique<fileops::CZipToExeJob>(dialog.Parameters()));
}

void CVorlaneFrame::RunRecompressDrive() {
    char current = DefaultDrive();
    if (TFileManagerWindow* fm = ActiveFileManager()) {
        const char letter = platform::PathDriveLetter(fm->Session().CurrentDirectoryPath());
        if (letter != 0)
            current = letter;
    }
    CZipRecompressDialog dialog(platform::DriveMap::Current()->Letters(), current, this);
    if (m_app)
        m_app->PushHelpContext(CZipRecompressDialog::kHelpContext);
    const int result = RunDialog(dialog);
    if (m_app)
        m_app->PopHelpContext();
    if (result == QDialog::Accepted && dialog.DriveBox()->count() > 0)
        m_jobs->Start(std::make_unique<fileops::CZipRecompressJob>(dialog.Parameters()));
}

void CVorlaneFrame::ShowHelp(int context) {
    if (m_app) {
        m_app->ShowHelp(context);
        return;
    }
    CHelpWindow::Show(this, context < 0 ? CHelpWindow::kContentsContext : context);
}

void CVorlaneFrame::ToggleBar(int id) {
    bool driveBar = id == kCmdDriveRibbon;
    bool& flag = driveBar ? m_settings.displayDriveBar : m_settings.displayToolBar;
    flag = !flag;
    (driveBar ? m_driveBar : m_toolBar)->setVisible(flag);
    Action(id)->setChecked(flag);
}

// --- windows -------------------------------------------------------------------

TFileManagerWindow* CVorlaneFrame::ActiveFileManager() const {
    return FileManagerOf(m_mdi->activeSubWindow());
}

QList<TFileManagerWindow*> CVorlaneFrame::FileManagers() const {
    QList<TFileManagerWindow*> list;
    for (QMdiSubWindow* child : m_mdi->subWindowList(QMdiArea::CreationOrder))
        if (TFileManagerWindow* fm = FileManagerOf(child))
            list << fm;
    return list;
}

TFileManagerWindow* CVorlaneFrame::OpenFileManager(const std::string& driveName, int kind,
                                                   bool newWindow,
                                                   const std::string& initialDirectory,
                                                   int showMode, const QRect& rect) {
    if (kind == 0)
        kind = 1;
    TFileManagerWindow* active = ActiveFileManager();
    if (!newWindow && active && active->Session().DriveKind() == kind &&
        !active->Session().DriveName().empty()) {
        if (!active->OpenDrive(driveName, kind, initialDirectory))
            return nullptr;
        return active;
    }
    auto* fm = new TFileManagerWindow;
    fm->SetJobManager(m_jobs.get());
    connect(fm, &TFileManagerWindow::StatusTextChanged, this,
            [this](int field, const QString& text, bool repaint) {
                OnStatusText(field, text, repaint);
            });
    connect(fm, &TFileManagerWindow::CommandRequested, this, [this](int id) { RunCommand(id); });
    connect(fm, &TFileManagerWindow::WallpaperRequested, this, &CVorlaneFrame::ApplyWallpaper);
    connect(fm, &TFileManagerWindow::DeleteRequested, this,
            [this](bool skipRecycle) { RunFileOpCommand(kCmdDelete, skipRecycle); });
    if (!fm->OpenDrive(driveName, kind, initialDirectory)) {
        delete fm;
        return nullptr;
    }
    auto* child = new CVorlaneMDIChild(fm);
    child->setWindowIcon(windowIcon()); // not the toolkit's logo in the title bar
    m_mdi->addSubWindow(child);
    if (rect.isValid())
        child->setGeometry(rect);
    else
        PlaceCascaded(child);
    switch (showMode) {
    case app::kShowMinimized:
        child->showMinimized();
        break;
    case app::kShowMaximized:
        child->showMaximized();
        break;
    default:
        child->show();
        break;
    }
    m_mdi->setActiveSubWindow(child);
    fm->Tree()->setFocus();
    AfterWindowOpened();
    return fm;
}

void CVorlaneFrame::PlaceCascaded(QMdiSubWindow* child) {
    // Three quarters of the client area, one title bar down and right of
    // the windows before it; back to the corner before a window would
    // reach past the client area's edge.
    const QSize area = m_mdi->viewport()->size();
    const QSize size = area * 3 / 4;
    const int step = std::max(16, child->style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const int room = std::min(area.width() - size.width(), area.height() - size.height());
    const int places = std::max(1, room / step + 1);
    int others = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (window != child && window->isVisible() && !window->isMinimized())
            ++others;
    const int offset = (others % places) * step;
    child->setGeometry(QRect(QPoint(offset, offset), size));
}

void CVorlaneFrame::ListWindowsIn(QMenu* menu) {
    // The open windows after the menu's own commands, the active one
    // checked; choosing one activates it.
    for (QAction* action : m_windowListActions)
        delete action;
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowListActions.push_back(menu->addSeparator());
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        ++number;
        const QString label = number < 10 ? QString("&%1 %2").arg(number).arg(window->windowTitle())
                                          : QString("%1 %2").arg(number).arg(window->windowTitle());
        QAction* action = menu->addAction(label);
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        QPointer<QMdiSubWindow> target(window);
        connect(action, &QAction::triggered, this, [this, target] {
            if (target)
                m_mdi->setActiveSubWindow(target);
        });
        m_windowListActions.push_back(action);
    }
}

void CVorlaneFrame::AfterWindowOpened() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    if (a && a->Settings().autoTile)
        TileSideBySide(*m_mdi);
    UpdateActions();
}

bool CVorlaneFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_mdi->viewport() && event->type() == QEvent::Resize)
        UpdateEmptyHint();
    return QMainWindow::eventFilter(watched, event);
}

void CVorlaneFrame::UpdateEmptyHint() {
    m_emptyHint->setGeometry(m_mdi->viewport()->rect());
    m_emptyHint->setHidden(!m_mdi->subWindowList().isEmpty());
}

void CVorlaneFrame::OnSubWindowActivated(QMdiSubWindow* child) {
    // A closed window leaves the list after this signal.
    QTimer::singleShot(0, this, &CVorlaneFrame::UpdateEmptyHint);
    UpdateEmptyHint();
    UpdateActions();
    if (TFileManagerWindow* fm = FileManagerOf(child))
        fm->ShowTotals();
    else if (m_mdi->subWindowList().isEmpty())
        m_status->ResetFields();
}

void CVorlaneFrame::OnStatusText(int field, const QString& text, bool repaint) {
    auto* fm = qobject_cast<TFileManagerWindow*>(sender());
    TFileManagerWindow* active = ActiveFileManager();
    // A window being opened is not active yet; its scan still reports.
    if (fm && active && fm != active)
        return;
    m_status->SetField(field, text, repaint);
}

char CVorlaneFrame::DefaultDrive() {
    std::string dos;
    if (platform::HostToDos(QDir::currentPath().toStdString(), &dos) && !dos.empty())
        return static_cast<char>(std::toupper(static_cast<unsigned char>(dos[0])));
    std::shared_ptr<const platform::DriveMap> map = platform::DriveMap::Current();
    if (!map->Root('C').empty())
        return 'C';
    std::vector<char> letters = map->Letters();
    return letters.empty() ? 0 : letters.front();
}

int CVorlaneFrame::RunDialog(QDialog& dialog) {
    if (m_runDialog)
        return m_runDialog(dialog);
    return dialog.exec();
}

int CVorlaneFrame::RunDialog(QDialog& dialog, int helpContext) {
    if (m_app)
        m_app->PushHelpContext(helpContext);
    const int result = RunDialog(dialog);
    if (m_app)
        m_app->PopHelpContext();
    return result;
}

// --- IMainFrame ------------------------------------------------------------------

void CVorlaneFrame::Create(const platform::ProfileFile& settings) {
    m_settings = app::FrameSettings::Read(settings);
    if (m_settings.HasGeometry())
        setGeometry(m_settings.left, m_settings.top, m_settings.width, m_settings.height);
    m_driveBar->setVisible(m_settings.displayDriveBar);
    m_toolBar->setVisible(m_settings.displayToolBar);
    Action(kCmdDriveRibbon)->setChecked(m_settings.displayDriveBar);
    Action(kCmdToolBar)->setChecked(m_settings.displayToolBar);
    BuildDriveBar(); // the application's drive table exists now
    if (const app::VorlaneApp* a = app::VorlaneApp::Current())
        Action(kCmdAutoTile)->setChecked(a->Settings().autoTile);
    if (!m_showOnCreate)
        return;
    // A stored "hidden" would leave the user with no window at all.
    if (m_settings.showMode == app::kShowMaximized)
        showMaximized();
    else if (m_settings.showMode == app::kShowMinimized)
        showMinimized();
    else
        show();
}

void CVorlaneFrame::ShowStartupNotice(const std::string& name, const std::string& version,
                                      const std::string& problem) {
    CStartupNoticeDialog notice(QString::fromStdString(name), QString::fromStdString(version),
                                QString::fromStdString(problem), this);
    RunDialog(notice);
}

std::vector<app::OpenWindowInfo> CVorlaneFrame::OpenFileManagerWindows() const {
    std::vector<app::OpenWindowInfo> list;
    for (QMdiSubWindow* child : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        TFileManagerWindow* fm = FileManagerOf(child);
        if (!fm || !fm->Session().CurrentDrive() ||
            fm->Session().DriveKind() == app::kDriveKindMultiVolumeZip)
            continue;
        app::OpenWindowInfo info;
        info.driveName = fm->Session().DriveName();
        info.driveKind = fm->Session().DriveKind();
        info.currentDirectory = fm->Session().CurrentDirectoryPath();
        info.showMode = static_cast<CVorlaneMDIChild*>(child)->ShowMode();
        QRect r = child->isMinimized() || child->isMaximized() ? child->normalGeometry()
                                                               : child->geometry();
        if (!r.isValid())
            r = child->geometry();
        info.left = r.left();
        info.top = r.top();
        info.width = r.width();
        info.height = r.height();
        list.push_back(info);
    }
    return list;
}

void CVorlaneFrame::CleanUp(platform::ProfileFile& settings) {
    QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    if (r.isValid()) {
        m_settings.left = r.left();
        m_settings.top = r.top();
        m_settings.width = r.width();
        m_settings.height = r.height();
    }
    m_settings.showMode = isMaximized()   ? app::kShowMaximized
                          : isMinimized() ? app::kShowMinimized
                                          : app::kShowNormal;
    m_settings.Write(settings);
}

void CVorlaneFrame::closeEvent(QCloseEvent* event) {
    if (!StopJobsForClose() || (m_app && !m_app->CloseQuery(*this))) {
        event->ignore();
        return;
    }
    event->accept();
    emit Closed();
}

void CVorlaneFrame::ShowJobs() {
    QStringList titles;
    for (const CJobManager::Info& job : m_jobs->Jobs())
        titles << QString::fromStdString(job.title) + (job.running ? "" : " (waiting)");
    m_status->SetJobs(m_jobs->Summary(), titles.join('\n'));
}

bool CVorlaneFrame::StopJobsForClose() {
    if (m_jobs->Idle())
        return true;
    const size_t count = m_jobs->Jobs().size();
    std::string text = count == 1 ? "An operation is still running."
                                  : std::to_string(count) + " operations are still running.";
    if (!ui::Current().AskYesNo(text + " Stop it and exit?", app::VorlaneApp::kName))
        return false;
    // Each job stops at its next poll; a file being written is removed, so
    // nothing half-copied stays behind.
    m_jobs->BeginClosing();
    m_jobs->CancelAll();
    m_jobs->WaitForAll(-1);
    return true;
}

// --- IStartupActions ------------------------------------------------------------

void CVorlaneFrame::ShowLogDriveDialog() {
    QString drives;
    app::VorlaneApp* a = app::VorlaneApp::Current();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        bool present =
            a ? a->IsDrivePresent(letter) : !platform::DriveMap::Current()->Root(letter).empty();
        if (present)
            drives += QChar(letter);
    }
    if (a)
        a->PushHelpContext(CLogDriveDialog::kHelpContext);
    CLogDriveDialog dialog(drives, QChar(DefaultDrive()), this);
    int result = RunDialog(dialog);
    if (a)
        a->PopHelpContext();
    if (result != QDialog::Accepted || dialog.Drive().isNull())
        return;
    OpenFileManager(std::string(1, dialog.Drive().toLatin1()) + ":", 1, true);
}

void CVorlaneFrame::LogCurrentDrive() {
    char letter = DefaultDrive();
    if (letter != 0)
        OpenFileManager(std::string(1, letter) + ":", 1, false);
}

void CVorlaneFrame::NewArchive() {
    RunNewArchive(*this);
}
void CVorlaneFrame::OpenArchive() {
    RunOpenArchive(*this);
}

void CVorlaneFrame::OpenSavedWindow(const app::SavedWindow& w) {
    QRect rect(QPoint(w.left, w.top), QPoint(w.right - 1, w.bottom - 1));
    OpenFileManager(w.driveName, w.driveKind, true, w.initialDirectory, w.showMode,
                    rect.isValid() ? rect : QRect());
}

} // namespace vorlane::gui
