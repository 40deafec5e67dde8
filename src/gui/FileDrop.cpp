#include "gui/FileDrop.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileOperation.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <map>

namespace vorlane::gui {

namespace {

using platform::ComparePaths;
using platform::JoinDosPath;
using platform::LastComponent;
using platform::ParentDosPath;
using platform::PathDriveLetter;

enum class HostKind { Missing, File, Directory };

// A symbolic link is a file here, whatever it points to: a drop moves or
// copies the link as one item and never walks into a linked directory.
HostKind KindOf(const std::string& dosPath) {
    std::string host;
    platform::FileEntry entry;
    if (!platform::DosToHost(dosPath, &host) || !platform::StatEntry(host, &entry))
        return HostKind::Missing;
    if (entry.isSymlink)
        return HostKind::File;
    return entry.isDirectory ? HostKind::Directory : HostKind::File;
}

std::string Short(const std::string& path) {
    return platform::AbbreviatePath(path, fileops::CFileOperation::kLongPathLength);
}

struct PathLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return ComparePaths(a, b) < 0;
    }
};

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

DropAction ChooseDropAction(const std::string& sourcePath, const std::string& targetDirectory,
                            Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier)
        return DropAction::Copy;
    if (modifiers & Qt::ShiftModifier)
        return DropAction::Move;
    char from = PathDriveLetter(sourcePath);
    return from != 0 && from == PathDriveLetter(targetDirectory) ? DropAction::Move
                                                                 : DropAction::Copy;
}

const char* DropCaption(DropAction action) {
    return action == DropAction::Copy ? "Copy Files" : "Move Files";
}

const char* DropOverallLabel(DropAction action) {
    return action == DropAction::Copy ? "Files copied (or skipped):" : "Files moved (or skipped):";
}

FileDropOutcome RunFileDrop(const FileDropRequest& request) {
    FileDropOutcome outcome;
    ui::UserInterface& ui = ui::Current();
    const std::string target = platform::NormalizeDosPath(request.targetDirectory);
    if (target.empty() || KindOf(target) != HostKind::Directory) {
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
    // One notice per directory the run changed: the first path changed there.
    std::map<std::string, std::string, PathLess> changed;
    auto note = [&](const std::string& path) { changed.emplace(ParentDosPath(path), path); };
    {
        std::unique_ptr<ui::StatusWindow> status =
            ui.MakeStatusWindow(ui::StatusKind::Operation, DropCaption(request.action));
        fileops::CFileOperation op(status.get());
        descriptions::C4DosDescriptionDatabase fromDescriptions;
        descriptions::C4DosDescriptionDatabase toDescriptions;
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
            if (KindOf(source) == HostKind::Directory) {
                ui.Message("Unable to " + std::string(verb) + " file '" + Short(source) + "' to '" +
                           Short(to) +
                           "'.\n\nDirectories are copied and moved with the Copy and Move "
                           "commands.");
                ++outcome.failed;
                continue;
            }
            HostKind targetKind = KindOf(to);
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
                if (op.Error().Code() == fileops::CDosErrorMessage::kUserAborted) {
                    outcome.cancelled = true;
                    break;
                }
                op.ReportError(nullptr, "Unable to %s file '%s' to '%s'.\n\n", verb,
                               Short(source).c_str(), Short(to).c_str());
                ++outcome.failed;
                continue;
            }
            ++outcome.done;
            note(to);
            if (move)
                note(source);
            if (request.descriptions)
                CarryDescription(fromDescriptions, toDescriptions, source, to, move);
            if (status)
                status->SetOverallPercent((i + 1) * 100 / count);
        }
    } // the status window closes before the windows are brought up to date
    for (const auto& [directory, path] : changed) {
        ui.CatalogueChanged(PathDriveLetter(path), path);
        outcome.noticed.push_back(path);
    }
    return outcome;
}

} // namespace vorlane::gui
