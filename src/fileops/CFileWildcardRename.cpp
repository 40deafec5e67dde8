#include "fileops/CFileWildcardRename.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileOperation.h"
#include "fileops/DosZipPath.h"
#include "fileops/ZipArchiveCommands.h"
#include "fileops/private/FileGroup.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/Wildcard.h"
#include "ui/UserInterface.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_map>

namespace vorlane::fileops {

namespace {

using platform::JoinDosPath;

constexpr const char* kMultipleNeedWildcards =
    "You have selected multiple files to be renamed. The new name field must contain DOS "
    "wildcards!";
constexpr const char* kInsideZip = "You cannot name a file within a ZIP file!";
constexpr const char* kDescriptionFailed = "Unable to update description file with new filename.";

bool HasWildcards(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

std::string Short(const std::string& dosPath) {
    return platform::AbbreviatePath(dosPath, CFileOperation::kShortPathLength);
}

std::string UnableToRename(const std::string& from, const std::string& to) {
    return "Unable to rename '" + Short(from) + "' to '" + Short(to) + "'.\n";
}

bool IsDirectory(const std::string& hostPath) {
    struct stat st;
    return ::lstat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One file of a group rename.
struct Item {
    std::string oldName, newName; // DOS names
    std::string oldHost, newHost; // host paths
    bool directory = false;
};

} // namespace

// The wildcard syntax, and no character a DOS name cannot hold.
bool FileSpecificationValid(const std::string& pattern) {
    if (pattern.empty() || !platform::WildcardSyntaxOk(pattern))
        return false;
    for (unsigned char c : pattern)
        if (c < 0x20 ||
            std::string_view("\\/:\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

std::string InvalidSpecificationText(const std::string& pattern) {
    return "The file specification \"" + pattern +
           "\" is invalid. It contains invalid characters or it violates the the DOS file "
           "specification syntax.";
}

std::string WildcardNewName(const std::string& oldName, const std::string& pattern) {
    std::string out;
    size_t cursor = 0;
    const size_t size = oldName.size();
    auto atStop = [&]() { return cursor >= size || oldName[cursor] == '.'; };
    // Copies (or skips) the character at the cursor, whole.
    auto take = [&](bool copy) {
        size_t start = cursor;
        platform::NextWildcardChar(oldName, &cursor);
        if (copy)
            out.append(oldName, start, cursor - start);
    };
    size_t position = 0;
    bool lastWasStar = false;
    while (position < pattern.size()) {
        size_t start = position;
        platform::NextWildcardChar(pattern, &position);
        const std::string_view ch(pattern.data() + start, position - start);
        lastWasStar = ch == "*";
        if (ch == "*") {
            while (!atStop())
                take(true);
        } else if (ch == ".") {
            while (!atStop())
                take(false);
            out += '.';
            if (cursor < size)
                ++cursor;
        } else if (ch == "?") {
            if (!atStop())
                take(true);
        } else {
            out += ch;
            if (!atStop())
                take(false);
        }
    }
    if (lastWasStar && cursor < size)
        out.append(oldName, cursor, std::string::npos);
    return out;
}

std::string ValidateRename(const CRenameParameters& p) {
    if (p.files.empty() && p.sourcePattern.empty())
        return "The selected file group does not have any files!";
    if (!FileSpecificationValid(p.newName))
        return InvalidSpecificationText(p.newName);
    if (p.files.size() > 1 && !HasWildcards(p.newName))
        return kMultipleNeedWildcards;
    return "";
}

CRenameOutcome CFileWildcardRename::Run() {
    CRenameOutcome out;
    const CRenameParameters& p = m_parameters;
    ui::UserInterface& ui = m_context.Ui();
    if (std::string refusal = ValidateRename(p); !refusal.empty()) {
        ui.Message(refusal);
        return out;
    }
    std::string directory, hostDir;
    if (!PlainRunDirectory(m_context, p.directory, kInsideZip, &directory, &hostDir))
        return out;

    std::vector<std::string> names = p.files;
    if (names.empty()) {
        names = FilesMatching(hostDir, p.sourcePattern, p.descriptions ? "DESCRIPT.ION" : "");
        if (names.empty()) {
            ui.Message("No files matching '" + p.sourcePattern + "' to rename!");
            return out;
        }
        if (names.size() > 1 && !HasWildcards(p.newName)) {
            ui.Message(kMultipleNeedWildcards);
            return out;
        }
    }

    std::vector<Item> items;
    items.reserve(names.size());
    for (const std::string& name : names) {
        Item item;
        item.oldName = name;
        item.newName = WildcardNewName(name, p.newName);
        item.oldHost = hostDir + "/" + platform::DosNameToHost(name);
        item.newHost = hostDir + "/" + platform::DosNameToHost(item.newName);
        item.directory = IsDirectory(item.oldHost);
        items.push_back(std::move(item));
    }

    std::unique_ptr<ui::StatusWindow> status =
        ui.MakeStatusWindow(ui::StatusKind::Operation, kRenameFilesCaption);
    if (status) {
        status->SetOverallLabel(kRenameOverallLabel);
        status->SetOverallPercent(0);
    }
    CFileOperation op(m_context, status.get());
    descriptions::C4DosDescriptionDatabase descriptions(m_context.DriveSnapshot());
    bool descriptionFailed = false;
    auto describe = [&](const std::string& from, const std::string& to) {
        if (!p.descriptions)
            return;
        if (!descriptions.SetDirectory(directory) || !descriptions.Rename(from, to))
            descriptionFailed = true;
    };
    const size_t total = items.size();
    size_t handled = 0;
    auto finish = [&]() {
        ++handled;
        if (status)
            status->SetOverallPercent(static_cast<int>(handled * 100 / total));
    };

    auto renameItem = [&](Item& item) {
        const std::string from = JoinDosPath(directory, item.oldName);
        const std::string to = JoinDosPath(directory, item.newName);
        if (item.oldHost == item.newHost) {
            ++out.renamed; // its own name: nothing to do
            return;
        }
        if (!op.Rename(ResolvedPath{from, item.oldHost}, ResolvedPath{to, item.newHost})) {
            out.errors.push_back(UnableToRename(from, to) + op.Error().Message());
            ++out.failed;
            return;
        }
        ++out.renamed;
        describe(item.oldName, item.newName);
        m_context.Notices().Notify({ui::ChangeKind::Renamed, from, to, item.directory});
    };

    // A file whose new name is held by a member that has yet to move waits
    // for it (for the next round). movingFrom: the names of the members
    // still to move.
    std::unordered_map<std::string, size_t> movingFrom;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].oldHost != items[i].newHost)
            movingFrom.emplace(items[i].oldHost, i);
    auto handle = [&](size_t index) {
        renameItem(items[index]);
        finish();
        movingFrom.erase(items[index].oldHost);
    };
    std::vector<size_t> pending(items.size()), waiting;
    for (size_t i = 0; i < pending.size(); ++i)
        pending[i] = i;
    while (!pending.empty() && !out.cancelled) {
        waiting.clear();
        for (size_t index : pending) {
            if ((status && status->Cancelled()) || m_context.Cancelled()) {
                out.cancelled = true;
                break;
            }
            auto holder = movingFrom.find(items[index].newHost);
            if (holder != movingFrom.end() && holder->second != index) {
                waiting.push_back(index);
                continue;
            }
            handle(index);
        }
        if (!out.cancelled && !waiting.empty() && waiting.size() == pending.size()) {
            // Members holding each other's new names in a ring: one new-name
            // walk cannot make one (each pattern character fixes what it
            // writes), so this is a name taken twice over. The first goes
            // on and meets the taken name without replacing it.
            handle(waiting.front());
            waiting.erase(waiting.begin());
        }
        pending.swap(waiting);
    }
    if (descriptionFailed)
        out.errors.push_back(kDescriptionFailed);
    status.reset();
    if (!out.errors.empty()) {
        std::string text;
        for (const std::string& e : out.errors)
            text += (text.empty() ? "" : "\n") + e;
        ui.Message(text);
    }
    return out;
}

CRenameOutcome RunRename(const CRenameParameters& parameters, const ui::OperationContext& context) {
    return CFileWildcardRename(parameters, context).Run();
}

bool RenameOne(const std::string& dosPath, const std::string& newName, bool descriptionsOn,
               const ui::OperationContext& context) {
    ui::UserInterface& ui = context.Ui();
    const std::string path = platform::NormalizeDosPath(dosPath);
    if (platform::IsRootPath(path)) {
        ui.Message("Cannot rename a root directory!");
        return false;
    }
    ZipPathParts parts;
    const bool zip = SplitZipPath(path, context.Drives(), &parts);
    if (zip && !parts.inner.empty()) {
        ui.Message(kInsideZip);
        return false;
    }
    if (!FileSpecificationValid(newName)) {
        ui.Message(InvalidSpecificationText(newName));
        return false;
    }
    const std::string oldName(platform::LastComponent(path));
    const std::string leaf = HasWildcards(newName) ? WildcardNewName(oldName, newName) : newName;
    if (zip && !IsZipDirectoryName(leaf)) {
        ui.Message("The extension for a ZIP directory must be '.ZIP'!");
        return false;
    }
    const std::string directory = platform::ParentDosPath(path);
    const std::string target = JoinDosPath(directory, leaf);
    CFileOperation op(context);
    ResolvedPath from{path, ""}, to{target, ""};
    platform::SysError err;
    if (!platform::DosToHost(path, &from.host, &err, context.Drives())) {
        op.Error().Set(err);
        op.ReportError(nullptr, "Unable to rename '%s' to '%s'.\n\n", Short(path).c_str(),
                       Short(target).c_str());
        return false;
    }
    to.host = platform::HostDirName(from.host) + "/" + platform::DosNameToHost(leaf);
    const bool directoryItem = IsDirectory(from.host);
    if (!op.Rename(from, to)) {
        op.ReportError(nullptr, "Unable to rename '%s' to '%s'.\n\n", Short(path).c_str(),
                       Short(target).c_str());
        return false;
    }
    if (from.host != to.host)
        context.Notices().Notify({ui::ChangeKind::Renamed, path, target, directoryItem});
    if (descriptionsOn) {
        descriptions::C4DosDescriptionDatabase descriptions(context.DriveSnapshot());
        if (!descriptions.SetDirectory(directory) || !descriptions.Rename(oldName, leaf))
            ui.Message(kDescriptionFailed);
    }
    return true;
}

std::string CRenameJob::DriveLetters() const {
    return DirectoryDriveLetters(m_parameters.directory);
}

ui::JobResult CRenameJob::Run(ui::OperationContext& context) {
    m_outcome = RunRename(m_parameters, context);
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.renamed, "renamed");
}

std::string CRenameOneJob::DriveLetters() const {
    return DirectoryDriveLetters(m_path);
}

ui::JobResult CRenameOneJob::Run(ui::OperationContext& context) {
    const bool ok = RenameOne(m_path, m_newName, m_descriptions, context);
    return DriverResult(ok ? 0 : 1, false, ok ? 1 : 0, "renamed");
}

} // namespace vorlane::fileops
