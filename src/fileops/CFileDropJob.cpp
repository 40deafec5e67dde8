#include "fileops/CFileDropJob.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileOperation.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

namespace vorlane::fileops {

namespace {

using platform::ComparePaths;
using platform::JoinDosPath;
using platform::LastComponent;
using platform::ParentDosPath;
using platform::PathDriveLetter;

enum class HostKind { Missing, File, Directory };

// A symbolic link is a file here, whatever it points to: a drop moves or
// copies the link as one item and never walks into a linked directory.
HostKind KindOf(const std::string& dosPath, const platform::DriveMap& drives) {
    std::string host;
    platform::FileEntry entry;
    if (!platform::DosToHost(dosPath, &host, nullptr, drives) || !platform::StatEntry(host, &entry))
        return HostKind::Missing;
    if (entry.isSymlink)
        return HostKind::File;
    return entry.isDirectory ? HostKind::Directory : HostKind::File;
}

std::string Short(const std::string& path) {
    return platform::AbbreviatePath(path, CFileOperation::kLongPathLength);
}

// Descriptions follow a copied or moved file.
void CarryDescription(descriptions::C4DosDescriptionDatabase& from,
                      descriptions::C4DosDescriptionDatabase& to, const std::string& source,
                      const std::string& target, bool move) {
    std::string sourceName(LastComponent(source));
    std::string targetName(LastComponent(target));
    if (!from.SetDirectory(ParentDosPath(source)) || !to.SetDirectory(ParentDosPath(target)))
        return;
    std::string text;
    bool described = from.Get(sourceName, &text);
    to.Remove(targetName);
    if (described)
        to.Add(targetName, text);
    if (move) {
        // The same directory object when both lie in one directory.
        descriptions::C4DosDescriptionDatabase& sourceDb =
            ComparePaths(from.Directory(), to.Directory()) == 0 ? to : from;
        sourceDb.Remove(sourceName);
    }
}

} // namespace

const char* DropCaption(DropAction action) {
    return action == DropAction::Copy ? "Copy Files" : "Move Files";
}

const char* DropOverallLabel(DropAction action) {
    return action == DropAction::Copy ? "Files copied (or skipped):" : "Files moved (or skipped):";
}

CFileDropOutcome RunFileDrop(const CFileDropParameters& request,
                             const ui::OperationContext& context) {
    CFileDropOutcome outcome;
    ui::UserInterface& ui = context.Ui();
    const platform::DriveMap& drives = context.Drives();
    const std::string target = platform::NormalizeDosPath(request.targetDirectory);
    if (target.empty() || KindOf(target, drives) != HostKind::Directory) {
        ui.Message("'" + target + "' is not a valid path!");
        return outcome;
    }
    std::vector<std::string> sources;
    for (const std::string& raw : request.sources) {
        std::string source = platform::NormalizeDosPath(raw);
        if (ComparePaths(ParentDosPath(source), target) != 0)
            sources.push_back(source);
    }
    if (sources.empty()) {
        if (!request.sources.empty())
            ui.Message("The source and target paths must be different!");
        return outcome;
    }

    const bool move = request.action == DropAction::Move;
    const char* verb = move ? "move" : "copy";
    {
        std::unique_ptr<ui::StatusWindow> status =
            ui.MakeStatusWindow(ui::StatusKind::Operation, DropCaption(request.action));
        CFileOperation op(context, status.get());
        descriptions::C4DosDescriptionDatabase fromDescriptions(context.DriveSnapshot());
        descriptions::C4DosDescriptionDatabase toDescriptions(context.DriveSnapshot());
        if (status) {
            status->SetOverallLabel(DropOverallLabel(request.action));
            status->SetOverallPercent(0);
        }
        bool overwriteAll = false;
        const int count = static_cast<int>(sources.size());
        for (int i = 0; i < count; ++i) {
            const std::string& source = sources[static_cast<size_t>(i)];
            const std::string to = JoinDosPath(target, LastComponent(source));
            // A rename within a drive never polls: look between files too.
            if (status && status->Cancelled()) {
                outcome.cancelled = true;
                break;
            }
            if (KindOf(source, drives) == HostKind::Directory) {
                ui.Message("Unable to " + std::string(verb) + " file '" + Short(source) + "' to '" +
                           Short(to) +
                           "'.\n\nDirectories are copied and moved with the Copy and Move "
                           "commands.");
                ++outcome.failed;
                continue;
            }
            HostKind targetKind = KindOf(to, drives);
            if (targetKind == HostKind::Directory) {
                ui.Message("Unable to " + std::string(verb) + " file '" + Short(source) + "' to '" +
                           Short(to) + "'.\n\nA directory of that name exists.");
                ++outcome.failed;
                continue;
            }
            if (targetKind != HostKind::Missing && !overwriteAll) {
                ui::Answer answer = ui.AskYesNoAllCancel(
                    "File '" + to + "' already exists! Would you like to overwrite it?",
                    DropCaption(request.action));
                if (answer == ui::Answer::Cancel) {
                    outcome.cancelled = true;
                    break;
                }
                if (answer == ui::Answer::No) {
                    ++outcome.skipped;
                    if (status)
                        status->SetOverallPercent((i + 1) * 100 / count);
                    continue;
                }
                if (answer == ui::Answer::YesToAll)
                    overwriteAll = true;
            }
            bool ok = move ? op.Move(source, to, false) : op.Copy(source, to, false);
            if (!ok) {
                if (op.Error().Code() == CDosErrorMessage::kUserAborted) {
                    outcome.cancelled = true;
                    break;
                }
                op.ReportError(nullptr, "Unable to %s file '%s' to '%s'.\n\n", verb,
                               Short(source).c_str(), Short(to).c_str());
                ++outcome.failed;
                continue;
            }
            ++outcome.done;
            if (request.descriptions)
                CarryDescription(fromDescriptions, toDescriptions, source, to, move);
            // The windows follow each file (and its description) as soon as
            // it is done.
            if (move)
                context.Notices().Notify({ui::ChangeKind::Renamed, source, to, false});
            else
                context.Notices().Notify({ui::ChangeKind::Added, to, "", false});
            if (status)
                status->SetOverallPercent((i + 1) * 100 / count);
        }
    }
    return outcome;
}

std::string CFileDropJob::DriveLetters() const {
    std::string letters(1, PathDriveLetter(m_parameters.targetDirectory));
    for (const std::string& source : m_parameters.sources)
        letters += PathDriveLetter(source);
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
