#include "fileops/FileListRun.h"

#include "fileops/private/FileGroup.h"
#include "platform/AsciiCase.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "ui/UserInterface.h"

#include <set>

namespace vorlane::fileops {

namespace {

// The drive letters of every directory of the list, and of extra.
std::string ListDriveLetters(const std::vector<DirectoryFiles>& groups, const std::string& extra) {
    std::string letters;
    for (const DirectoryFiles& group : groups)
        letters += platform::PathDriveLetter(group.directory);
    if (!extra.empty())
        letters += platform::PathDriveLetter(extra);
    return ui::NormalizeDriveLetters(letters);
}

bool Cancelled(const ui::OperationContext& context) {
    return context.CancelFlag() && context.CancelFlag()->load();
}

// Runs runOne on each directory of the list in turn until one says it was
// cancelled or the context is; true when the list was cancelled.
template <class RunOne>
bool EachDirectory(const std::vector<DirectoryFiles>& groups, const ui::OperationContext& context,
                   RunOne runOne) {
    for (const DirectoryFiles& group : groups)
        if (Cancelled(context) || runOne(group))
            return true;
    return false;
}

} // namespace

std::vector<DirectoryFiles> SplitByDirectory(const std::vector<std::string>& dosPaths) {
    std::vector<DirectoryFiles> groups;
    std::set<std::string> seen; // full paths, ASCII letters upper-cased
    for (const std::string& raw : dosPaths) {
        if (raw.empty() || raw.back() == '\\')
            continue; // a directory, not a file
        const std::string path = platform::NormalizeDosPath(raw);
        const size_t slash = path.rfind('\\');
        if (slash == std::string::npos || slash + 1 >= path.size())
            continue;
        if (!seen.insert(platform::UpperAscii(path)).second)
            continue;
        // "C:\A.TXT" lies in "C:\", which keeps its backslash.
        const std::string directory = path.substr(0, slash == 2 ? 3 : slash);
        DirectoryFiles* group = nullptr;
        for (DirectoryFiles& g : groups)
            if (platform::NamesEqual(g.directory, directory))
                group = &g;
        if (!group) {
            groups.push_back({directory, {}});
            group = &groups.back();
        }
        group->files.push_back(path.substr(slash + 1));
    }
    return groups;
}

// --- copy and move ---------------------------------------------------------------

std::string ValidateListCopy(const CCopyParameters& parameters, const platform::DriveMap& drives,
                             bool inDialog) {
    if (std::string refusal = ValidateCopyTarget(parameters.targetPath, drives); !refusal.empty())
        return refusal;
    const std::vector<DirectoryFiles> groups = SplitByDirectory(parameters.files);
    if (groups.empty())
        return NoFilesText(inDialog);
    for (const DirectoryFiles& group : groups)
        if (!SameCopyDirectory(group.directory, parameters.targetPath, drives))
            return "";
    return kSameCopyPathsText;
}

CFileListCopyJob::CFileListCopyJob(CCopyParameters parameters,
                                   const std::vector<std::string>& dosPaths)
    : m_parameters(std::move(parameters)), m_groups(SplitByDirectory(dosPaths)) {
    // A list is always files, never a directory tree.
    m_parameters.operation = CopyKindOf(m_parameters.IsMove(), false);
}

std::string CFileListCopyJob::Title() const {
    return CopyCaption(m_parameters.operation);
}

std::string CFileListCopyJob::DriveLetters() const {
    return ListDriveLetters(m_groups, m_parameters.targetPath);
}

ui::JobResult CFileListCopyJob::Run(ui::OperationContext& context) {
    m_outcome = CCopyOutcome();
    bool completed = true;
    // The options as the answers so far left them: a Yes To All in one
    // directory answers for the directories after it.
    CCopyParameters running = m_parameters;
    m_outcome.cancelled = EachDirectory(m_groups, context, [&](const DirectoryFiles& group) {
        if (SameCopyDirectory(group.directory, running.targetPath, context.Drives())) {
            // Copied onto themselves they could only be lost.
            context.Ui().Message("The files found in '" + group.directory +
                                 "' are already in the target directory: " +
                                 std::to_string(group.files.size()) + " skipped.");
            m_outcome.skipped += static_cast<int>(group.files.size());
            return false;
        }
        CCopyParameters p = running;
        p.sourceDirectory = group.directory;
        p.files = group.files;
        const CCopyOutcome one = RunCopy(p, context);
        m_outcome.done += one.done;
        m_outcome.skipped += one.skipped;
        m_outcome.failed += one.failed;
        m_outcome.answeredForAll |= one.answeredForAll;
        running.flags &= ~one.answeredForAll;
        if (one.answeredForAll & kCopyPromptCreateDirectory)
            running.askBeforeCreating = false;
        completed = completed && one.completed;
        return one.cancelled;
    });
    m_outcome.completed = completed && !m_outcome.cancelled;
    return CopyJobResult(m_outcome, m_parameters.IsMove());
}

// --- delete ---------------------------------------------------------------------

CFileListDeleteJob::CFileListDeleteJob(CDeleteParameters parameters,
                                       const std::vector<std::string>& dosPaths)
    : m_parameters(std::move(parameters)), m_groups(SplitByDirectory(dosPaths)) {}

std::string CFileListDeleteJob::DriveLetters() const {
    return ListDriveLetters(m_groups, "");
}

ui::JobResult CFileListDeleteJob::Run(ui::OperationContext& context) {
    m_outcome = CDeleteOutcome();
    m_outcome.cancelled = EachDirectory(m_groups, context, [&](const DirectoryFiles& group) {
        CDeleteParameters p = m_parameters;
        p.directory = group.directory;
        p.files = group.files;
        const CDeleteOutcome one = RunDelete(p, context);
        m_outcome.deleted += one.deleted;
        m_outcome.directories += one.directories;
        m_outcome.skipped += one.skipped;
        m_outcome.failed += one.failed;
        return one.cancelled;
    });
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.deleted, "deleted");
}

} // namespace vorlane::fileops
