// The frame's launching commands on the active window: Open (also Enter and
// a double click on a file), Edit, Run and Associate ("Open With"). A file
// of a zip directory is first taken out into a private directory by a job
// (fileops::CLaunchExtractJob); the launch follows on the GUI thread when
// the job is done.
#include "gui/CVorlaneFrame.h"

#include "app/VorlaneApp.h"
#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CZipFileDirectory.h"
#include "catalogue/CZipFileInfo.h"
#include "gui/CJobManager.h"
#include "gui/COpenWithDialog.h"
#include "gui/CRunDialog.h"
#include "gui/FrameLaunch.h"
#include "gui/TFileManagerWindow.h"
#include "gui/ViewerSupport.h"
#include "platform/DesktopApps.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Launcher.h"
#include "ui/UserInterface.h"

#include <QPointer>

namespace vorlane::gui {

void FrameLaunchOwner::Minimize() {
    m_frame->showMinimized();
}

void FrameLaunchOwner::Restore() {
    m_frame->setWindowState(m_frame->windowState() & ~Qt::WindowMinimized);
    m_frame->show();
}

namespace {

std::string HostOf(const std::string& dosPath, const platform::DriveMap& drives) {
    std::string host;
    return platform::DosToHost(dosPath, &host, nullptr, drives) ? host : "";
}

std::string HostDirectoryOf(const std::string& hostPath) {
    const size_t slash = hostPath.rfind('/');
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

// The directory a window shows as a plain DOS directory: a zip directory
// gives the directory that holds the zip file.
std::string PlainDirectory(const TFileManagerWindow& fm) {
    const std::string zip = fm.CurrentZipFile();
    return zip.empty() ? fm.Session().CurrentDirectoryPath() : platform::ParentDosPath(zip);
}

bool FileListHasFocus(const TFileManagerWindow& fm) {
    return fm.FileView() && fm.FileView()->hasFocus();
}

} // namespace

void CVorlaneFrame::WithCaretFile(const std::function<void(const std::string& hostPath)>& then) {
    TFileManagerWindow* fm = ActiveFileManager();
    const catalogue::CFileContainer* caret = fm ? fm->Session().CaretFile() : nullptr;
    if (!caret)
        return;
    ui::OperationContext context = m_jobs->NewContext();
    const auto* member =
        caret->IsArchiveMember() ? dynamic_cast<const catalogue::CZipFileInfo*>(caret) : nullptr;
    if (!member || !member->ZipDirectory()) {
        const std::string host = HostOf(caret->FullPath(), context.Drives());
        if (!host.empty())
            then(host);
        return;
    }
    const app::AppSettings settings = CurrentAppSettings();
    fileops::LaunchExtractRequest request{member->ZipDirectory()->ZipPath(),
                                          std::string(member->RealName()), member->Name(),
                                          settings.useTempDirForLaunch, settings.zipTempPath};
    auto result = std::make_shared<std::string>();
    QPointer<CVorlaneFrame> self(this);
    m_jobs->Start(std::make_unique<fileops::CLaunchExtractJob>(std::move(request),
                                                               m_launch->tempDirectories, result),
                  context, [self, result, then](const ui::JobResult&) {
                      if (self && !result->empty())
                          then(*result);
                  });
}

void CVorlaneFrame::RunOpenCommand() {
    WithCaretFile([this](const std::string& hostPath) {
        FrameLaunchOwner owner(this);
        fileops::LaunchRequest request;
        request.argv = {hostPath};
        request.workDirectory = HostDirectoryOf(hostPath);
        request.owner = &owner;
        request.minimizeOwner = CurrentAppSettings().minimizeOnLaunch;
        fileops::Launch(m_jobs->NewContext(), request);
    });
}

void CVorlaneFrame::RunEditCommand() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm)
        return;
    const app::AppSettings settings = CurrentAppSettings();
    const fileops::EditorSettings editor{settings.useInternalEditor, settings.editorCommandLine,
                                         settings.editorWorkDirectory};
    auto edit = [this, editor,
                 minimize = settings.minimizeOnLaunch](const fileops::EditTarget& target) {
        FrameLaunchOwner owner(this);
        fileops::Edit(m_jobs->NewContext(), editor, target, &owner, minimize,
                      m_launch->editorFallback, platform::XdgDirectories::FromEnvironment());
    };
    // Without a file in the file list's focus the editor starts on its own
    // in the directory shown.
    if (!FileListHasFocus(*fm) || !fm->Session().CaretFile()) {
        edit({"", HostOf(PlainDirectory(*fm), *m_jobs->NewContext().DriveSnapshot()), ""});
        return;
    }
    if (settings.useInternalEditor) {
        edit({}); // the message, before any extraction
        return;
    }
    // A zip member is edited as its copy: the copy's name in the copy's
    // directory (the member's own name would name nothing there).
    WithCaretFile([edit](const std::string& hostPath) {
        const std::string dir = HostDirectoryOf(hostPath);
        edit({hostPath.substr(hostPath.rfind('/') + 1), dir, hostPath});
    });
}

void CVorlaneFrame::RunRunCommand() {
    TFileManagerWindow* fm = ActiveFileManager();
    if (!fm || !(fm->TreeHasFocus() || FileListHasFocus(*fm)))
        return;
    RunDialogTransfer initial;
    initial.directory = PlainDirectory(*fm);
    initial.minimizeOwner = CurrentAppSettings().minimizeOnLaunch;
    const catalogue::CFileContainer* caret = fm->Session().CaretFile();
    if (FileListHasFocus(*fm) && caret && !caret->IsArchiveMember()) {
        initial.directory = caret->DirectoryPath();
        initial.commandLine = fileops::QuoteCommandWord(platform::DosNameToHost(caret->Name()));
    }
    CRunDialog dialog(initial, [this](const RunDialogTransfer& t) {
        FrameLaunchOwner owner(this);
        fileops::LaunchRequest request;
        request.commandLine = t.commandLine;
        request.showCommand = t.showCommand;
        request.workDirectory = t.directory;
        request.owner = &owner;
        request.minimizeOwner = t.minimizeOwner;
        return fileops::Launch(m_jobs->NewContext(), request);
    });
    RunDialog(dialog, CRunDialog::kHelpContext);
}

void CVorlaneFrame::RunAssociateCommand() {
    WithCaretFile([this](const std::string& hostPath) {
        const platform::XdgDirectories xdg = platform::XdgDirectories::FromEnvironment();
        const std::vector<std::string> types = platform::MimeTypeChain(hostPath);
        const std::string type = types.empty() ? "application/octet-stream" : types[0];
        COpenWithDialog dialog(hostPath.substr(hostPath.rfind('/') + 1), type,
                               platform::ApplicationsForTypes(types, xdg),
                               platform::DefaultApplicationId(type, xdg), this);
        if (RunDialog(dialog, COpenWithDialog::kHelpContext) != QDialog::Accepted ||
            !dialog.Chosen())
            return;
        const platform::DesktopApp app = *dialog.Chosen();
        ui::OperationContext context = m_jobs->NewContext();
        if (dialog.ChosenAction() == COpenWithDialog::kSetDefault) {
            platform::SysError err;
            platform::ProgramRun run;
            const bool started =
                platform::RunProgram("xdg-mime", {"default", app.id, type}, &run, "", &err);
            if (!started && err.dosCode == platform::kDosFileNotFound)
                context.Ui().Message("The default application cannot be set: the program "
                                     "'xdg-mime' (package xdg-utils) was not found.");
            else if (!started || run.exitCode != 0)
                context.Ui().Message("'xdg-mime' could not make '" + app.name +
                                     "' the default application for " + type + ".");
            return;
        }
        FrameLaunchOwner owner(this);
        fileops::LaunchRequest request;
        request.argv = platform::ExecArguments(app.exec, hostPath);
        request.workDirectory = HostDirectoryOf(hostPath);
        request.owner = &owner;
        request.minimizeOwner = CurrentAppSettings().minimizeOnLaunch;
        fileops::Launch(context, request);
    });
}

} // namespace vorlane::gui
