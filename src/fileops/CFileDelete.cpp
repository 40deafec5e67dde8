#include "fileops/CFileDelete.h"

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CFileOperation.h"
#include "fileops/DosZipPath.h"
#include "fileops/private/FileGroup.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

using platform::JoinDosPath;

enum class Step { Go, Skip, Cancel };

constexpr uint32_t kSpecialAttributes =
    platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem;

std::string Short(const std::string& dosPath) {
    return platform::AbbreviatePath(dosPath, CFileOperation::kLongPathLength);
}

bool Vanished(const std::string& hostPath) {
    struct stat st;
    return ::lstat(hostPath.c_str(), &st) != 0 && errno == ENOENT;
}

std::string RealPath(const std::string& hostPath) {
    char* real = ::realpath(hostPath.c_str(), nullptr);
    if (real == nullptr)
        return hostPath;
    std::string result(real);
    std::free(real);
    return result;
}

// The file system's root and the user's home directory are never removed
// as a tree, whatever drive or directory names them.
bool IsProtectedDirectory(const std::string& hostPath) {
    std::string real = RealPath(hostPath);
    if (real == "/")
        return true;
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] != '\0' && real == RealPath(home);
}

// A path that reaches name through the open directory fd itself, so that
// a parent directory swapped for a link meanwhile cannot redirect the
// primitive that acts on it.
std::string PathThrough(int fd, const std::string& name) {
    return "/proc/self/fd/" + std::to_string(fd) + "/" + name;
}

// True when a file below hostDir (links as files, never followed) is
// read-only, hidden or system, or a directory cannot be read (its files
// would have to be looked at one by one).
bool TreeHasSpecialFile(platform::DirectoryReader& reader) {
    platform::FileEntry entry;
    while (reader.Next(&entry)) {
        if (entry.isDirectory && !entry.isSymlink) {
            platform::DirectoryReader child;
            if (!child.OpenAt(reader.Descriptor(), entry.name, entry.name) ||
                TreeHasSpecialFile(child))
                return true;
        } else if (entry.attributes & kSpecialAttributes) {
            return true;
        }
    }
    return false;
}

std::string MountPointText(const std::string& dosPath) {
    return "The directory '" + Short(dosPath) +
           "' is on another file system (a mount point) and is left as it is.";
}

std::string ProtectedText(const std::string& dosPath) {
    return "The directory '" + Short(dosPath) +
           "' is the root of the file system or your home directory and cannot be removed!";
}

std::string HardLinkText(const std::string& dosPath) {
    return "The file '" + Short(dosPath) +
           "' has other names (hard links): only this name was removed; its contents were not "
           "overwritten.";
}

constexpr const char* kUnableToDeleteFile = "Unable to delete file '%s'!\n\n";
constexpr const char* kUnableToRemoveDirectory = "Unable to remove directory '%s'!\n\n";

// The state of one delete or remove-directory run.
class DeleteRun {
  public:
    DeleteRun(const ui::OperationContext& context, int deleteType, bool promptFirst,
              bool descriptions, const char* caption, CDeleteOutcome& outcome)
        : m_context(context), m_ui(context.Ui()), m_type(DeleteTypeFromStored(deleteType)),
          m_promptAll(promptFirst), m_descriptionsOn(descriptions), m_out(outcome),
          m_descriptions(context.DriveSnapshot()) {
        m_status = m_ui.MakeStatusWindow(ui::StatusKind::Operation, caption);
        m_op = std::make_unique<CFileOperation>(context, m_status.get());
    }

    void Group(const std::string& directory, const std::vector<std::string>& files);
    void Tree(const std::string& directory);

  private:
    bool Cancelled() {
        if ((m_status && m_status->Cancelled()) || m_context.Cancelled())
            m_out.cancelled = true;
        return m_out.cancelled;
    }
    Step Answered(ui::Answer answer, bool special);
    Step PromptFile(const std::string& dosPath, uint32_t attributes);
    Step PromptDirectory(const std::string& dosPath);
    void Removed(const std::string& dosPath, bool directory) {
        m_context.Notices().Notify({ui::ChangeKind::Removed, dosPath, "", directory});
    }
    void DropDescription(const std::string& dosPath);
    void ReportFailure(const char* format, const std::string& dosPath,
                       const platform::SysError& err);

    // One file (or link). recyclePath: the host path the trash records;
    // attributes: as listed (null: read here).
    Step File(const ResolvedPath& path, const std::string& recyclePath, const uint32_t* attributes,
              bool* done);
    // A directory named by the user (or in a group): the whole tree.
    Step TopTree(const ResolvedPath& dir);
    // Empties the open directory; *complete stays true when everything
    // in it went.
    Step Empty(platform::DirectoryReader& reader, const ResolvedPath& dir, uint64_t rootDevice,
               bool* complete);
    void ZipMembers(const ZipPathParts& parts, const std::vector<std::string>* names);

    ui::OperationContext m_context;
    ui::UserInterface& m_ui;
    int m_type;
    bool m_promptAll;
    bool m_promptSpecial = true;
    bool m_descriptionsOn;
    CDeleteOutcome& m_out;
    std::unique_ptr<ui::StatusWindow> m_status;
    std::unique_ptr<CFileOperation> m_op;
    descriptions::C4DosDescriptionDatabase m_descriptions;
};

Step DeleteRun::Answered(ui::Answer answer, bool special) {
    switch (answer) {
    case ui::Answer::Yes:
        return Step::Go;
    case ui::Answer::No:
        ++m_out.skipped;
        return Step::Skip;
    case ui::Answer::YesToAll:
        // An ordinary prompt's Yes To All still leaves the special prompts.
        m_promptAll = false;
        if (special)
            m_promptSpecial = false;
        return Step::Go;
    default:
        m_out.cancelled = true;
        return Step::Cancel;
    }
}

Step DeleteRun::PromptFile(const std::string& dosPath, uint32_t attributes) {
    const bool special = (attributes & kSpecialAttributes) != 0;
    if (!m_promptAll && (!special || !m_promptSpecial))
        return Step::Go;
    return Answered(m_ui.AskYesNoAllCancel(DeletePromptText(dosPath, special), kDeleteFileCaption),
                    special);
}

Step DeleteRun::PromptDirectory(const std::string& dosPath) {
    if (!m_promptAll)
        return Step::Go;
    return Answered(
        m_ui.AskYesNoAllCancel(RemoveDirectoryPromptText(dosPath), kRemoveDirectoryCaption), false);
}

void DeleteRun::DropDescription(const std::string& dosPath) {
    if (!m_descriptionsOn)
        return;
    std::string text;
    if (m_descriptions.SetDirectory(platform::ParentDosPath(dosPath)) &&
        m_descriptions.Get(std::string(platform::LastComponent(dosPath)), &text))
        m_descriptions.Remove(std::string(platform::LastComponent(dosPath)));
}

void DeleteRun::ReportFailure(const char* format, const std::string& dosPath,
                              const platform::SysError& err) {
    m_op->Error().Set(err);
    m_op->ReportError(nullptr, format, Short(dosPath).c_str());
    ++m_out.failed;
}

Step DeleteRun::File(const ResolvedPath& path, const std::string& recyclePath,
                     const uint32_t* listed, bool* done) {
    *done = false;
    uint32_t attributes = listed ? *listed : 0;
    if (!listed && !platform::GetAttributes(path.host, &attributes) && Vanished(path.host)) {
        *done = true; // gone since it was listed: as good as deleted
        ++m_out.deleted;
        Removed(path.dos, false);
        return Step::Go;
    }
    Step step = PromptFile(path.dos, attributes);
    if (step != Step::Go)
        return step;
    bool ok = false;
    switch (m_type) {
    case kDeleteZap:
        ok = m_op->Zap(path, 1);
        break;
    case kDeleteRecycle:
        ok = m_op->Recycle(ResolvedPath{path.dos, recyclePath});
        break;
    default:
        ok = m_op->Delete(path);
        break;
    }
    if (!ok && !Vanished(path.host)) {
        m_op->ReportError(nullptr, kUnableToDeleteFile, Short(path.dos).c_str());
        ++m_out.failed;
        return Step::Go;
    }
    if (ok && m_type == kDeleteZap && m_op->ZapUnlinkedOnly())
        m_ui.Message(HardLinkText(path.dos), kDeleteFileCaption, ui::Buttons::Ok,
                     ui::Icon::Information);
    *done = true;
    ++m_out.deleted;
    DropDescription(path.dos);
    Removed(path.dos, false);
    return Step::Go;
}

void DeleteRun::Group(const std::string& rawDirectory, const std::vector<std::string>& files) {
    const std::string directory = platform::NormalizeDosPath(rawDirectory);
    ZipPathParts parts;
    if (SplitZipPath(directory, m_context.Drives(), &parts)) {
        ZipMembers(parts, &files);
        return;
    }
    std::string hostDir;
    platform::SysError err;
    if (!platform::DosToHost(directory, &hostDir, &err, m_context.Drives())) {
        ReportFailure(kUnableToDeleteFile, JoinDosPath(directory, files.front()), err);
        return;
    }
    const size_t count = files.size();
    for (size_t i = 0; i < count; ++i) {
        if (Cancelled())
            break;
        ResolvedPath path{JoinDosPath(directory, files[i]),
                          hostDir + "/" + platform::DosNameToHost(files[i])};
        struct stat st;
        Step step = Step::Go;
        bool done = false;
        if (::lstat(path.host.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            step = TopTree(path);
        else
            step = File(path, path.host, nullptr, &done);
        if (step == Step::Cancel)
            break;
        if (m_status)
            m_status->SetOverallPercent(static_cast<int>((i + 1) * 100 / count));
    }
}

void DeleteRun::Tree(const std::string& rawDirectory) {
    const std::string directory = platform::NormalizeDosPath(rawDirectory);
    ZipPathParts parts;
    if (SplitZipPath(directory, m_context.Drives(), &parts) && !parts.inner.empty()) {
        ZipMembers(parts, nullptr);
        return;
    }
    ResolvedPath path{directory, ""};
    platform::SysError err;
    if (!platform::DosToHost(directory, &path.host, &err, m_context.Drives())) {
        ReportFailure(kUnableToRemoveDirectory, directory, err);
        return;
    }
    TopTree(path);
}

Step DeleteRun::TopTree(const ResolvedPath& dir) {
    if (IsProtectedDirectory(dir.host)) {
        m_ui.Message(ProtectedText(dir.dos), kRemoveDirectoryCaption);
        ++m_out.failed;
        return Step::Go;
    }
    // A drive's root is its host directory even when that is reached
    // through a link; any other link is removed as the link.
    struct stat st;
    const bool root = platform::IsRootPath(dir.dos);
    if ((root ? ::stat(dir.host.c_str(), &st) : ::lstat(dir.host.c_str(), &st)) != 0) {
        if (errno == ENOENT)
            return Step::Go; // already gone
        platform::SysError err;
        platform::SetError(&err, errno, "Cannot remove the directory", dir.host);
        ReportFailure(kUnableToRemoveDirectory, dir.dos, err);
        return Step::Go;
    }
    if (!S_ISDIR(st.st_mode)) {
        bool done = false; // a link to a directory goes as the link
        return File(dir, dir.host, nullptr, &done);
    }
    Step step = PromptDirectory(dir.dos);
    if (step != Step::Go)
        return step;

    platform::DirectoryReader reader;
    platform::SysError err;
    if (!reader.Open(dir.host, &err)) {
        ReportFailure(kUnableToRemoveDirectory, dir.dos, err);
        return Step::Go;
    }
    if (m_type == kDeleteRecycle && !root && !m_promptAll &&
        (!m_promptSpecial || !TreeHasSpecialFile(reader))) {
        // No question left to ask: the tree goes to the trash whole, where
        // the desktop can restore it as one item.
        reader.Close();
        if (!m_op->Recycle(dir)) {
            m_op->ReportError(nullptr, kUnableToRemoveDirectory, Short(dir.dos).c_str());
            ++m_out.failed;
            return Step::Go;
        }
        ++m_out.directories;
        DropDescription(dir.dos);
        Removed(dir.dos, true);
        return Step::Go;
    }
    if (m_type == kDeleteRecycle && !reader.Open(dir.host, &err)) {
        ReportFailure(kUnableToRemoveDirectory, dir.dos, err);
        return Step::Go;
    }
    bool complete = true;
    step = Empty(reader, dir, static_cast<uint64_t>(st.st_dev), &complete);
    reader.Close();
    // A drive's root is emptied, never removed.
    if (step == Step::Cancel || !complete || root)
        return step;
    if (!platform::RemoveDirectory(dir.host, &err)) {
        if (Vanished(dir.host))
            return Step::Go;
        ReportFailure(kUnableToRemoveDirectory, dir.dos, err);
        return Step::Go;
    }
    ++m_out.directories;
    DropDescription(dir.dos);
    Removed(dir.dos, true);
    return Step::Go;
}

Step DeleteRun::Empty(platform::DirectoryReader& reader, const ResolvedPath& dir,
                      uint64_t rootDevice, bool* complete) {
    const int fd = reader.Descriptor();
    // Entries cannot be removed from a directory without write permission:
    // the owner gets it first (read-only caches are common).
    struct stat self;
    if (::fstat(fd, &self) == 0 && (self.st_mode & S_IWUSR) == 0)
        ::fchmod(fd, (self.st_mode & 07777) | S_IWUSR);

    std::vector<platform::FileEntry> entries;
    platform::FileEntry entry;
    platform::SysError err;
    while (reader.Next(&entry, &err))
        entries.push_back(entry);
    if (err.dosCode != platform::kDosNoMoreFiles) {
        ReportFailure(kUnableToRemoveDirectory, dir.dos, err);
        *complete = false;
        return Step::Go;
    }
    // In name order: the questions come in an order the user can follow.
    std::sort(
        entries.begin(), entries.end(),
        [](const platform::FileEntry& a, const platform::FileEntry& b) { return a.name < b.name; });

    std::vector<std::string> deleted; // names gone from a directory that stays
    for (const platform::FileEntry& e : entries) {
        if (Cancelled()) {
            *complete = false;
            return Step::Cancel;
        }
        ResolvedPath child{JoinDosPath(dir.dos, platform::HostNameToDos(e.name)),
                           dir.host + "/" + e.name};
        struct stat st;
        if (::fstatat(fd, e.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            // Gone since the listing: as good as deleted.
            ++(e.isDirectory && !e.isSymlink ? m_out.directories : m_out.deleted);
            Removed(child.dos, e.isDirectory && !e.isSymlink);
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            bool done = false;
            Step step = File(ResolvedPath{child.dos, PathThrough(fd, e.name)}, child.host,
                             &e.attributes, &done);
            if (step == Step::Cancel) {
                *complete = false;
                return step;
            }
            if (done)
                deleted.push_back(e.name);
            else
                *complete = false;
            continue;
        }
        if (static_cast<uint64_t>(st.st_dev) != rootDevice) {
            m_ui.Message(MountPointText(child.dos), kRemoveDirectoryCaption);
            ++m_out.failed;
            *complete = false;
            continue;
        }
        Step step = PromptDirectory(child.dos);
        if (step == Step::Cancel) {
            *complete = false;
            return step;
        }
        if (step == Step::Skip) {
            *complete = false;
            continue;
        }
        platform::DirectoryReader sub;
        if (!sub.OpenAt(fd, e.name, child.host, &err)) {
            ReportFailure(kUnableToRemoveDirectory, child.dos, err);
            *complete = false;
            continue;
        }
        bool subComplete = true;
        step = Empty(sub, child, rootDevice, &subComplete);
        sub.Close();
        if (step == Step::Cancel) {
            *complete = false;
            return step;
        }
        if (!subComplete) {
            *complete = false;
            continue;
        }
        if (!platform::DeleteEntryAt(fd, e.name, true, child.host, &err) &&
            err.sysErrno != ENOENT) {
            ReportFailure(kUnableToRemoveDirectory, child.dos, err);
            *complete = false;
            continue;
        }
        ++m_out.directories;
        deleted.push_back(e.name);
        Removed(child.dos, true);
    }
    // The directory stays: its description file forgets what went.
    if (!*complete && m_descriptionsOn && !deleted.empty() &&
        m_descriptions.SetDirectory(dir.dos)) {
        for (const std::string& name : deleted)
            m_descriptions.Remove(platform::HostNameToDos(name));
    }
    return Step::Go;
}

// Members of a zip file: the named ones (names given), or every member below
// the inner directory. Each is prompted for as a file; those kept are
// deleted in one call.
void DeleteRun::ZipMembers(const ZipPathParts& parts, const std::vector<std::string>* names) {
    zip::CZipFileOperation zop(m_context, m_status.get());
    const std::string shownDir =
        parts.inner.empty() ? parts.zipFile : JoinDosPath(parts.zipFile, parts.inner);
    if (zop.Open(parts.zipFile) != zip::kOpened) {
        zop.ReportZipError("Unable to delete file(s) from zip file!\n\n");
        ++m_out.failed;
        return;
    }
    if (zop.CheckReadOnly()) {
        m_out.cancelled = true;
        return;
    }
    std::vector<zip::ZipMemberEntry> members;
    if (zop.ReadDirectory(parts.zipFile, true, &members) != zip::kOpened) {
        zop.ReportZipError("Unable to delete file(s) from zip file!\n\n");
        ++m_out.failed;
        return;
    }
    const std::string prefix = parts.inner.empty() ? "" : parts.inner + "\\";
    std::vector<std::string> realNames, shown;
    auto take = [&](const zip::ZipMemberEntry& member) {
        std::string dosPath =
            JoinDosPath(parts.zipFile, zip::ZipMemberEntry::PathName(member.StoredName()));
        Step step = PromptFile(dosPath, member.attributes & 0xFF);
        if (step == Step::Go) {
            realNames.emplace_back(member.StoredName());
            shown.push_back(dosPath);
        }
        return step;
    };
    if (names != nullptr) {
        for (const std::string& name : *names) {
            const std::string wanted = prefix + name;
            for (const zip::ZipMemberEntry& member : members) {
                if (platform::CompareNoCase(zip::ZipMemberEntry::PathName(member.StoredName()),
                                            wanted) != 0)
                    continue;
                if (take(member) == Step::Cancel)
                    return;
                break;
            }
        }
    } else {
        if (PromptDirectory(shownDir) != Step::Go)
            return;
        for (const zip::ZipMemberEntry& member : members) {
            std::string pathName = zip::ZipMemberEntry::PathName(member.StoredName());
            if (platform::CompareNoCase(std::string_view(pathName).substr(0, prefix.size()),
                                        prefix) == 0 &&
                take(member) == Step::Cancel)
                return;
        }
    }
    if (realNames.empty())
        return;
    if (!zop.DeleteMembers(realNames)) {
        zop.ReportZipError("Unable to delete file(s) from zip file!\n\n");
        m_out.failed += realNames.size();
        return;
    }
    m_out.deleted += realNames.size();
    for (const std::string& dosPath : shown)
        Removed(dosPath, false);
    if (names == nullptr)
        Removed(shownDir, true);
}

} // namespace

int DeleteTypeFromStored(int stored) {
    return stored == kDeleteZap || stored == kDeleteRecycle ? stored : kDeleteNormal;
}

CDeleteParameters ReadDeleteSettings(const SettingsIntReader& read) {
    CDeleteParameters p;
    if (!read)
        return p;
    p.deleteType = DeleteTypeFromStored(read(kDeleteSettingsSection, kDeleteTypeKey, 0));
    p.promptFirst = read(kDeleteSettingsSection, kDeletePromptKey, 1) != 0;
    return p;
}

void WriteDeleteSettings(int deleteType, bool promptFirst, const SettingsWriter& write) {
    if (!write)
        return;
    write(kDeleteSettingsSection, kDeleteTypeKey, std::to_string(DeleteTypeFromStored(deleteType)));
    write(kDeleteSettingsSection, kDeletePromptKey, promptFirst ? "1" : "0");
}

std::string DeletePromptText(const std::string& dosPath, bool special) {
    if (special)
        return "The file '" + Short(dosPath) +
               "' is a read-only, hidden, or system file. Do you wish to delete it?";
    return "Do you want to delete the file\n'" + Short(dosPath) + "'?";
}

std::string RemoveDirectoryPromptText(const std::string& dosPath) {
    return "Would you like to remove the directory\n'" + Short(dosPath) + "'?";
}

CDeleteOutcome RunDelete(const CDeleteParameters& parameters, const ui::OperationContext& context) {
    CDeleteOutcome outcome;
    if (parameters.files.empty()) {
        context.Ui().Message(kEmptyGroupText);
        return outcome;
    }
    DeleteRun run(context, parameters.deleteType, parameters.promptFirst, parameters.descriptions,
                  kDeleteFilesCaption, outcome);
    run.Group(parameters.directory, parameters.files);
    return outcome;
}

CDeleteOutcome RunRemoveDirectory(const CRemoveDirectoryParameters& parameters,
                                  const ui::OperationContext& context) {
    CDeleteOutcome outcome;
    DeleteRun run(context, parameters.deleteType, parameters.promptFirst, parameters.descriptions,
                  kRemoveDirectoryCaption, outcome);
    run.Tree(parameters.directory);
    return outcome;
}

std::string CDeleteJob::DriveLetters() const {
    return DirectoryDriveLetters(m_parameters.directory);
}

ui::JobResult CDeleteJob::Run(ui::OperationContext& context) {
    m_outcome = RunDelete(m_parameters, context);
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.deleted, "deleted");
}

std::string CRemoveDirectoryJob::DriveLetters() const {
    return DirectoryDriveLetters(m_parameters.directory);
}

ui::JobResult CRemoveDirectoryJob::Run(ui::OperationContext& context) {
    m_outcome = RunRemoveDirectory(m_parameters, context);
    return DriverResult(m_outcome.failed, m_outcome.cancelled, m_outcome.deleted, "deleted");
}

} // namespace vorlane::fileops
