#include "fileops/CFileDropJob.h"

#include "fileops/CCopyDirectory.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "ui/UserInterface.h"

namespace vorlane::fileops {

const char* DropCaption(DropAction action) {
    return CopyCaption(action == DropAction::Copy ? kCopyFiles : kMoveFiles);
}

const char* DropOverallLabel(DropAction action) {
    return CopyOverallLabel(action == DropAction::Copy ? kCopyFiles : kMoveFiles);
}

CFileDropOutcome RunFileDrop(const CFileDropParameters& request,
                             const ui::OperationContext& context) {
    CFileDropOutcome outcome;
    const std::string target = platform::NormalizeDosPath(request.targetDirectory);
    const bool move = request.action == DropAction::Move;

    // One run per dropped directory, and one per directory the dropped
    // files come from (in the order first met); a file already in the
    // target directory stays where it is.
    std::vector<CCopyParameters> runs;
    bool anySource = false;
    for (const std::string& raw : request.sources) {
        const std::string source = platform::NormalizeDosPath(raw);
        const std::string parent = platform::ParentDosPath(source);
        std::string host;
        platform::FileEntry entry;
        bool directory = platform::DosToHost(source, &host, nullptr, context.Drives()) &&
                         platform::StatEntry(host, &entry) && entry.isDirectory && !entry.isSymlink;
        if (!directory && platform::ComparePaths(parent, target) == 0)
            continue;
        anySource = true;
        CCopyParameters* run = nullptr;
        if (!directory)
            for (CCopyParameters& r : runs)
                if (!r.IsDirectory() && platform::ComparePaths(r.sourceDirectory, parent) == 0)
                    run = &r;
        if (run == nullptr) {
            CCopyParameters p;
            p.operation = CopyKindOf(move, directory);
            // No options dialog: a target that exists is asked about.
            p.flags = kCopyPromptBeforeOverwrite;
            p.sourceDirectory = directory ? source : parent;
            p.targetPath = target;
            p.descriptions = request.descriptions;
            runs.push_back(std::move(p));
            run = &runs.back();
        }
        if (!directory)
            run->files.emplace_back(platform::LastComponent(source));
    }
    if (!anySource) {
        if (!request.sources.empty())
            context.Ui().Message("The source and target paths must be different!");
        return outcome;
    }
    for (const CCopyParameters& p : runs) {
        CCopyOutcome one = RunCopy(p, context);
        outcome.done += one.done;
        outcome.skipped += one.skipped;
        outcome.failed += one.failed;
        if (one.cancelled) {
            outcome.cancelled = true;
            break;
        }
        if (!one.completed)
            break; // refused: the user has been told
    }
    return outcome;
}

std::string CFileDropJob::DriveLetters() const {
    std::string letters(1, platform::PathDriveLetter(m_parameters.targetDirectory));
    for (const std::string& source : m_parameters.sources)
        letters += platform::PathDriveLetter(source);
    return ui::NormalizeDriveLetters(letters);
}

ui::JobResult CFileDropJob::Run(ui::OperationContext& context) {
    m_outcome = RunFileDrop(m_parameters, context);
    ui::JobResult result;
    result.ok = m_outcome.failed == 0;
    result.cancelled = m_outcome.cancelled;
    result.summary = std::to_string(m_outcome.done) +
                     (m_parameters.action == DropAction::Move ? " moved" : " copied");
    return result;
}

} // namespace vorlane::fileops
