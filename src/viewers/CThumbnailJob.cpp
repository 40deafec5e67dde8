#include "viewers/CThumbnailJob.h"

#include "platform/DosPathText.h"

namespace vorlane::viewers {

std::string CThumbnailJob::Title() const {
    switch (m_p.command) {
    case ThumbnailCommand::RemoveAll:
        return "Remove All Thumbnails";
    case ThumbnailCommand::RemoveOrphans:
        return "Remove Orphan Thumbnails";
    default:
        return "Thumbnail Scanning";
    }
}

std::string CThumbnailJob::DriveLetters() const {
    if (m_p.command == ThumbnailCommand::RemoveAll ||
        m_p.command == ThumbnailCommand::RemoveOrphans)
        return "";
    const char letter = platform::PathDriveLetter(m_p.directory);
    return letter ? ui::NormalizeDriveLetters(std::string(1, letter)) : "";
}

ui::JobResult CThumbnailJob::Run(ui::OperationContext& context) {
    CThumbnailMaintenance maintenance(context, m_store, m_p.types, m_p.workers);
    ui::JobResult result;
    switch (m_p.command) {
    case ThumbnailCommand::ScanBranch:
    case ThumbnailCommand::ScanDirectory:
        result.ok = maintenance.Scan(m_p.directory, m_p.command == ThumbnailCommand::ScanBranch);
        break;
    case ThumbnailCommand::ScanDrive:
        result.ok = maintenance.ScanDrive(platform::PathDriveLetter(m_p.directory));
        break;
    case ThumbnailCommand::RemoveAll:
        result.summary = std::to_string(maintenance.RemoveAll()) + " thumbnails removed";
        return result;
    case ThumbnailCommand::RemoveOrphans:
        result.summary = std::to_string(maintenance.RemoveOrphans()) + " thumbnails removed";
        return result;
    }
    m_counts = maintenance.Counts();
    result.cancelled = maintenance.Cancelled();
    result.ok = m_counts.failures == 0;
    result.summary = std::to_string(m_counts.thumbnails) + " thumbnails created";
    return result;
}

} // namespace vorlane::viewers
