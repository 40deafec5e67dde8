// Files dropped on a file manager window: where they may go, and the copy
// or move job that takes them there.
#include "gui/TFileManagerWindow.h"

#include "app/VorlaneApp.h"
#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveIncremental.h"
#include "gui/CGuiChangeSink.h"
#include "gui/CJobManager.h"
#include "gui/FileDrop.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <QGuiApplication>
#include <QPointer>

#include <algorithm>

namespace vorlane::gui {

namespace {

// Whether path is directory or lies in its tree (normalized DOS paths).
bool IsSameOrBelow(std::string path, const std::string& directory) {
    for (; !path.empty(); path = platform::ParentDosPath(path))
        if (platform::ComparePaths(path, directory) == 0)
            return true;
    return false;
}

} // namespace

void TFileManagerWindow::SetJobManager(CJobManager* jobs) {
    m_jobs = jobs;
    // The frame deletes its job manager before its windows: a window
    // closed after that takes the application's default context.
    if (jobs != nullptr)
        m_session.Environment().SetContextSource([manager = QPointer<CJobManager>(jobs)] {
            return manager ? manager->NewContext() : app::VorlaneApp::DefaultContext();
        });
    else
        m_session.Environment().SetContextSource(nullptr);
}

bool TFileManagerWindow::CanDropOn(const std::vector<std::string>& sources,
                                   const std::string& targetDirectory) const {
    catalogue::CDriveContainer* drive = m_session.CurrentDrive();
    if (sources.empty() || !drive || m_session.DriveKind() != catalogue::kDriveIncremental)
        return false;
    catalogue::CDirectoryContainer* target =
        drive->DirectoryAt(drive->IndexOfPath(targetDirectory));
    if (!target || target->IsZip())
        return false; // files go into zip files through the copy command
    // A directory goes neither onto itself nor into its own tree.
    for (const std::string& source : sources)
        if (IsSameOrBelow(target->Path(), platform::NormalizeDosPath(source)))
            return false;
    // Files dropped back where they came from go nowhere.
    return std::any_of(sources.begin(), sources.end(), [&](const std::string& source) {
        return platform::ComparePaths(platform::ParentDosPath(platform::NormalizeDosPath(source)),
                                      target->Path()) != 0;
    });
}

bool TFileManagerWindow::DropOn(const std::vector<std::string>& sources,
                                const std::string& targetDirectory) {
    if (!CanDropOn(sources, targetDirectory))
        return false;
    // The keys held now decide; the work starts once the drag has ended.
    Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    QPointer<TFileManagerWindow> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, sources, targetDirectory, modifiers] {
            if (self)
                self->DropFiles(sources, targetDirectory, modifiers);
        },
        Qt::QueuedConnection);
    return true;
}

bool TFileManagerWindow::DropFiles(const std::vector<std::string>& sources,
                                   const std::string& targetDirectory,
                                   Qt::KeyboardModifiers modifiers) {
    if (!CanDropOn(sources, targetDirectory))
        return false;
    fileops::CFileDropParameters parameters;
    parameters.sources = sources;
    parameters.targetDirectory = targetDirectory;
    parameters.action = ChooseDropAction(sources.front(), targetDirectory, modifiers);
    const bool automatic = m_session.Environment().Context().Options().automaticDragAndDrop;
    if (!KeysChooseDropAction(modifiers) && !automatic) {
        std::optional<DropAction> asked = AskDropAction(this, parameters.action);
        if (!asked)
            return false; // cancelled: nothing is copied or moved
        parameters.action = *asked;
    }
    parameters.descriptions = m_session.Environment().Options().fourDosDescriptions;
    StartJob(std::make_unique<fileops::CFileDropJob>(std::move(parameters)));
    return true;
}

void TFileManagerWindow::StartJob(std::unique_ptr<ui::Job> job) {
    if (m_jobs) {
        m_jobs->Start(std::move(job));
        return;
    }
    // A window outside a frame runs the job at once.
    CGuiChangeSink notices;
    ui::OperationContext context(ui::Current(), platform::DriveMap::Current(), {}, &notices);
    ui::RunJobNow(*job, context);
}

} // namespace vorlane::gui
