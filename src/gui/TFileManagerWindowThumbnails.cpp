// The "Thumb&nails" commands of a file manager window, each run as a job
// over the application's object database.
#include "gui/TFileManagerWindow.h"

#include "app/VorlaneApp.h"
#include "gui/CGuiChangeSink.h"
#include "gui/CGuiThumbnailStore.h"
#include "gui/CJobManager.h"
#include "gui/CThumbnailCache.h"
#include "gui/Commands.h"
#include "platform/Drives.h"

namespace vorlane::gui {

void TFileManagerWindow::RunThumbnailCommand(int id) {
    viewers::ThumbnailJobParameters p;
    switch (id) {
    case kCmdThumbnailScanBranch:
        p.command = viewers::ThumbnailCommand::ScanBranch;
        break;
    case kCmdThumbnailScanDirectory:
        p.command = viewers::ThumbnailCommand::ScanDirectory;
        break;
    case kCmdThumbnailScanDrive:
        p.command = viewers::ThumbnailCommand::ScanDrive;
        break;
    case kCmdThumbnailRemoveAll:
        p.command = viewers::ThumbnailCommand::RemoveAll;
        break;
    case kCmdThumbnailRemoveOrphans:
        p.command = viewers::ThumbnailCommand::RemoveOrphans;
        break;
    default:
        return;
    }
    p.directory = m_session.CurrentDirectoryPath();
    if (const app::VorlaneApp* a = app::VorlaneApp::Current())
        p.types = a->Settings().thumbnailTypes;
    else
        p.types = app::AppSettings().thumbnailTypes;
    auto job = std::make_unique<CGuiThumbnailJob>(std::move(p));
    // A scan announces its directories; a removal changes what every
    // window shows.
    auto done = [](const ui::JobResult&) { ThumbnailsChanged(); };
    if (m_jobs) {
        m_jobs->Start(std::move(job), done);
        return;
    }
    CGuiChangeSink notices;
    ui::OperationContext context(ui::Current(), platform::DriveMap::Current(), {}, &notices);
    done(ui::RunJobNow(*job, context));
}

} // namespace vorlane::gui
