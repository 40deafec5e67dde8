// The panes of a file manager window: the path bar over the file list, the
// command line (its lines run against this window), and the viewer pane,
// which shows the caret file through the viewer control bar by the rules
// of viewers::CFileViewer. A zip member is taken out for the pane by a job
// (fileops::CLaunchExtractJob) on the frame's job manager, never on the
// GUI thread.
#include "gui/TFileManagerWindow.h"

#include "app/VorlaneApp.h"
#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveContainer.h"
#include "catalogue/CFileContainer.h"
#include "catalogue/SizeFormat.h"
#include "command/CCommandLine.h"
#include "gui/CCommandField.h"
#include "gui/CFileViewerControlBar.h"
#include "gui/CJobManager.h"
#include "gui/CWindowCommandHost.h"
#include "gui/Commands.h"
#include "gui/ViewerSupport.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "ui/Job.h"
#include "ui/UserInterface.h"
#include "viewers/CImage.h"

#include <QCompleter>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QPointer>
#include <QStackedWidget>
#include <QStringListModel>
#include <QTimer>

#include <sys/stat.h>

namespace vorlane::gui {

void TFileManagerWindow::ShowCommandLine(bool show) {
    m_session.DisplaySettings().displayCommandLine = show;
    m_commandPane->setVisible(show);
    if (show)
        m_commandLine->setFocus();
}

void TFileManagerWindow::ShowViewerPane(bool show) {
    m_session.DisplaySettings().displayViewerWindow = show;
    m_viewer->setVisible(show);
    UpdateViewerPane();
}

bool TFileManagerWindow::CommandLineShown() const {
    return m_session.DisplaySettings().displayCommandLine;
}

bool TFileManagerWindow::ViewerPaneShown() const {
    return m_session.DisplaySettings().displayViewerWindow;
}

bool TFileManagerWindow::RunCommandLine(const std::string& line) {
    CWindowCommandHost host(*this, m_jobs);
    command::CCommandLine command(host);
    return command.Execute(line);
}

void TFileManagerWindow::OnCommandLineEntered(const QString& typed) {
    const std::string line = typed.trimmed().toStdString();
    // One line at a time: a second Enter while a job of the first runs
    // (the GUI keeps answering meanwhile) is not taken.
    if (line.empty() || m_lineRunning)
        return;
    QPointer<TFileManagerWindow> self(this);
    m_lineRunning = true;
    m_commandLine->Remember(line);
    const bool ok = RunCommandLine(line);
    if (!self)
        return; // the window was closed while the line ran
    m_lineRunning = false;
    // A line that worked is done with; one that did not stays to be mended.
    if (ok)
        m_commandLine->clear();
    if (CommandLineShown())
        m_commandLine->setFocus();
}

void TFileManagerWindow::MakeFileViewer() {
    m_viewDirs = std::make_shared<fileops::LaunchTempDirectories>();
    auto probe = [](const std::string& hostPath) {
        // Regular files only: the imaging library's open waits on a pipe.
        struct stat st;
        return ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                   ? viewers::DetectImageFormat(hostPath)
                   : viewers::kNotAnImage;
    };
    // Holds the directories, not the window: a take-out that ends after the
    // window has gone still deletes its copy through it.
    auto remove = [dirs = m_viewDirs](const std::string& copy) {
        fileops::RemoveExtractedCopy(copy, *dirs);
    };
    m_fileViewer = std::make_unique<viewers::CFileViewer>(probe, remove);
}

void TFileManagerWindow::StartViewTakeOut() {
    std::optional<viewers::TakeOut> takeOut = m_fileViewer->NextTakeOut();
    if (!takeOut)
        return;
    const viewers::ViewEntry& member = takeOut->member;
    fileops::LaunchExtractRequest request{member.zipPath, member.memberName, member.name, true,
                                          takeOut->parentDir};
    auto result = std::make_shared<std::string>();
    auto job = std::make_unique<fileops::CLaunchExtractJob>(std::move(request), m_viewDirs, result,
                                                            fileops::ExtractPurpose::kViewing);
    // Why a member did not come out shows in the pane, not in a dialog
    // that would stop every caret move over it.
    auto messages = std::make_shared<std::vector<std::string>>();
    job->KeepMessagesIn(messages);
    QPointer<TFileManagerWindow> self(this);
    QPointer<CJobManager> jobs(m_jobs);
    auto ended = std::make_shared<bool>(false);
    auto done = [self, jobs, result, messages, ended,
                 land = std::move(takeOut->land)](const ui::JobResult&) {
        *ended = true;
        // A stale copy, or one whose window has gone, is deleted here.
        std::optional<viewers::ViewShow> show = land(*result);
        if (!self)
            return;
        self->m_viewTakeOutJob = 0;
        if (show && show->path.empty() && show->message.empty() && !messages->empty())
            show->message = messages->front();
        if (show)
            self->m_viewer->Show(show->path, show->deleteWhenDone, show->displayName,
                                 show->message);
        // The caret moved on meanwhile: its member comes out next, unless the
        // job manager is gone or going (the window goes with it).
        if (jobs && !jobs->Closing())
            self->StartViewTakeOut();
    };
    if (m_jobs) {
        const uint64_t id = m_jobs->Start(std::move(job), m_jobs->NewContext(), std::move(done));
        if (!*ended) // a job run inline has ended already
            m_viewTakeOutJob = id;
        return;
    }
    // A window without the frame's job manager (being closed after it).
    ui::OperationContext context = app::VorlaneApp::DefaultContext();
    done(ui::RunJobNow(*job, context));
}

void TFileManagerWindow::UpdateViewerPane() {
    if (!ViewerPaneShown())
        return;
    if (m_viewPending)
        return;
    // Shown when the window is idle: a burst of caret moves shows the last.
    m_viewPending = true;
    QTimer::singleShot(0, this, &TFileManagerWindow::ShowPendingView);
}

void TFileManagerWindow::ShowPendingView() {
    if (!m_viewPending)
        return;
    m_viewPending = false;
    if (!ViewerPaneShown())
        return;
    const catalogue::CFileContainer* file = m_session.CaretFile();
    std::optional<viewers::ViewEntry> entry;
    if (file != nullptr) {
        const ui::OperationContext context =
            m_jobs ? m_jobs->NewContext() : app::VorlaneApp::DefaultContext();
        entry = ViewEntryOf(*file, context.Drives());
    }
    // A take-out still running is for a file no longer wanted: it stops.
    CancelViewTakeOut();
    // The previous copy goes first, before the bar lets go of it. A member
    // to take out leaves the pane empty until its job has ended.
    const viewers::ViewShow show = m_fileViewer->Show(
        entry ? &*entry : nullptr, ViewSettingsOf(CurrentAppSettings()), ExistingTempDirectory());
    m_viewer->Show(show.path, show.deleteWhenDone, show.displayName, show.message);
    if (show.pending)
        StartViewTakeOut();
}

void TFileManagerWindow::CancelViewTakeOut() {
    if (m_viewTakeOutJob != 0 && m_jobs != nullptr)
        m_jobs->Cancel(m_viewTakeOutJob);
}

std::string TFileManagerWindow::TemporaryViewFile() const {
    return m_fileViewer->TemporaryViewFile();
}

namespace {

// "." and ".." components folded away as text ("C:\\A\\..\\B" is "C:\\B"; ".."
// at the root stays at the root).
std::string FoldDotComponents(const std::string& path) {
    if (path.size() < 3 || path[1] != ':')
        return path;
    std::vector<std::string> parts;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string folded = path.substr(0, 3);
    for (size_t i = 0; i < parts.size(); ++i)
        folded += (i == 0 ? "" : "\\") + parts[i];
    return folded;
}

} // namespace

QWidget* TFileManagerWindow::MakePathBar(QWidget* parent) {
    m_pathBar = new QLineEdit(parent);
    m_pathBar->setObjectName("pathBar");
    m_pathCompletions = new QStringListModel(m_pathBar);
    auto* completer = new QCompleter(m_pathCompletions, m_pathBar);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_pathBar->setCompleter(completer);
    connect(m_pathBar, &QLineEdit::textEdited, this, [this](const QString& typed) {
        m_pathCompletions->setStringList(PathCompletions(typed));
    });
    connect(m_pathBar, &QLineEdit::returnPressed, this, &TFileManagerWindow::GoToTypedPath);
    return m_pathBar;
}

void TFileManagerWindow::ShowPath() {
    if (m_pathBar != nullptr)
        m_pathBar->setText(QString::fromStdString(m_session.CurrentDirectoryPath()));
}

void TFileManagerWindow::GoToTypedPath() {
    const std::string typed = m_pathBar->text().trimmed().toStdString();
    if (typed.empty()) {
        ShowPath();
        return;
    }
    // A name without a drive is taken in the current directory.
    const bool full = typed.size() >= 2 && typed[1] == ':';
    const std::string path = FoldDotComponents(platform::NormalizeDosPath(
        full ? typed : platform::JoinDosPath(m_session.CurrentDirectoryPath(), typed)));
    const std::string before = m_session.CurrentDirectoryPath();
    // The session shows the nearest directory it has for a path it cannot
    // reach: only reaching the path itself (in whatever case it was typed;
    // the session finds the disk's spelling) counts.
    const bool reached = !path.empty() && GoTo(path) &&
                         platform::CompareNoCase(m_session.CurrentDirectoryPath(), path) == 0;
    if (!reached) {
        if (platform::ComparePaths(m_session.CurrentDirectoryPath(), before) != 0)
            GoTo(before);
        ui::Current().Message("'" + (path.empty() ? typed : path) + "' is not a valid path!");
        ShowPath();
        return;
    }
    ShowPath();
    m_fileStack->currentWidget()->setFocus();
}

QStringList TFileManagerWindow::PathCompletions(const QString& typed) const {
    // The logged directories one level below the typed path's directory.
    QStringList offered;
    catalogue::CDriveContainer* drive = m_session.CurrentDrive();
    const std::string text = typed.toStdString();
    const size_t slash = text.rfind('\\');
    if (drive == nullptr || slash == std::string::npos)
        return offered;
    const std::string parent = platform::NormalizeDosPath(text.substr(0, slash + 1));
    if (platform::PathDriveLetter(parent) != platform::PathDriveLetter(drive->RootPath()))
        return offered;
    const int at = drive->IndexOfPath(parent);
    if (at < 0)
        return offered;
    const int level = platform::PathLevel(parent) + 1;
    // The directories are kept in path order: a directory's subtree follows it.
    for (int i = at + 1; i < drive->DirectoryCount(); ++i) {
        const std::string& path = drive->DirectoryAt(i)->Path();
        if (platform::ComparePaths(platform::ParentDosPath(path), parent) != 0 &&
            platform::PathLevel(path) <= level)
            break;
        if (platform::PathLevel(path) == level)
            offered << QString::fromStdString(path);
    }
    return offered;
}

void TFileManagerWindow::WatchShownDirectory() {
    if (m_watcher == nullptr) {
        m_watcher = new QFileSystemWatcher(this);
        m_watchPause = new QTimer(this);
        m_watchPause->setSingleShot(true);
        m_watchPause->setInterval(250);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_watchPause,
                qOverload<>(&QTimer::start));
        connect(m_watchPause, &QTimer::timeout, this, &TFileManagerWindow::ReadShownDirectoryAgain);
    }
    const catalogue::CDirectoryContainer* directory = m_session.CurrentDirectory();
    // Plain directories only: a zip file's members change through Vorlane.
    const QString host = directory != nullptr && !directory->IsZip()
                             ? QString::fromStdString(directory->HostPath())
                             : QString();
    if (host == m_watched)
        return;
    if (!m_watched.isEmpty())
        m_watcher->removePath(m_watched);
    m_watched = host;
    if (!host.isEmpty() && !m_watcher->addPath(host))
        m_watched.clear(); // not watchable (no inotify room): Refresh still works
}

void TFileManagerWindow::ReadShownDirectoryAgain() {
    const catalogue::CDirectoryContainer* directory = m_session.CurrentDirectory();
    if (directory == nullptr)
        return;
    // As a change notice: the tree's branch and every window showing the
    // directory follow.
    const std::string path = directory->Path();
    BroadcastCatalogueChange(platform::PathDriveLetter(path), path);
}

} // namespace vorlane::gui
