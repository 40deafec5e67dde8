// The options of a copy or move, their settings, the checks before a run,
// the tree count of the dialog and the job. The run itself is in
// CCopyRun.cpp.
#include "fileops/CCopyDirectory.h"

#include "fileops/DosZipPath.h"
#include "fileops/TreeListing.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"

#include <cerrno>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace vorlane::fileops {

namespace {

using platform::ComparePaths;
using platform::NormalizeDosPath;

// The keys of "File Copy" that hold one flag each.
struct FlagKey {
    const char* key;
    uint32_t flag;
    bool byDefault;
};
constexpr FlagKey kFlagKeys[] = {
    {"Only Copy If Newer", kCopyOnlyIfNewer, true},
    {"Only Copy If Destination Exists", kCopyOnlyIfDestinationExists, false},
    {"Prompt Before Overwrite", kCopyPromptBeforeOverwrite, true},
    {"Use 8.3 filename format", kCopyZip83Names, false},
};
constexpr const char* kCompressionKey = "Compression Factor";
constexpr const char* kPathModeKey = "Zip Path Mode";

// Device and inode of what a host path names (links followed).
struct FileId {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId& o) const {
        return known && o.known && device == o.device && inode == o.inode;
    }
};

FileId IdOf(const std::string& dosPath, const platform::DriveMap& drives) {
    FileId id;
    std::string host;
    struct stat st;
    if (platform::DosToHost(dosPath, &host, nullptr, drives) && ::stat(host.c_str(), &st) == 0) {
        id.known = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    return id;
}

// True when a target the user typed can be a target: a mapped drive, a
// well-formed path, and a directory, a path not made yet, or a path in a
// zip file.
bool IsValidTarget(const std::string& target, const platform::DriveMap& drives) {
    if (platform::PathDriveLetter(target) == 0 || target.size() < 3 || target[2] != '\\')
        return false;
    if (SplitZipPath(target, drives, nullptr))
        return true;
    std::string host;
    if (!platform::DosToHost(target, &host, nullptr, drives))
        return false;
    platform::FileEntry entry;
    platform::SysError err;
    if (platform::StatEntry(host, &entry, &err))
        return entry.isDirectory;
    return err.sysErrno == ENOENT; // made by the run
}

// True when target is source or lies below it: by the path text (any case)
// or, on the disk, when the source is the target's nearest existing
// ancestor or one above it (a link, a bind mount or another spelling).
bool InsideTree(const std::string& source, const std::string& target,
                const platform::DriveMap& drives) {
    for (std::string up = target; !up.empty(); up = platform::ParentDosPath(up))
        if (ComparePaths(up, source) == 0)
            return true;
    FileId sourceId = IdOf(source, drives);
    if (!sourceId.known)
        return false;
    std::string host;
    if (!platform::DosToHost(target, &host, nullptr, drives))
        return false;
    for (;;) {
        struct stat st;
        if (::stat(host.c_str(), &st) == 0 && st.st_dev == sourceId.device &&
            st.st_ino == sourceId.inode)
            return true;
        if (host == "/" || host.empty())
            return false;
        host = platform::HostDirName(host);
    }
}

} // namespace

const char* CopyCaption(int kind) {
    switch (kind) {
    case kCopyFiles:
        return "Copy Files";
    case kMoveFiles:
        return "Move Files";
    case kCopyDirectory:
        return "Copy Directory";
    case kMoveDirectory:
        return "Move Directory";
    default:
        return nullptr;
    }
}

const char* CopyOverallLabel(int kind) {
    return IsMoveKind(kind) ? "Files moved (or skipped):" : "Files copied (or skipped):";
}

int CopyKindOf(bool move, bool directory) {
    return directory ? (move ? kMoveDirectory : kCopyDirectory) : (move ? kMoveFiles : kCopyFiles);
}

const std::array<CompressionFactor, 5>& CompressionFactors() {
    static const std::array<CompressionFactor, 5> table = {{
        {"Maximum (slowest)", 9},
        {"Normal", 5},
        {"Fast", 3},
        {"SuperFast", 2},
        {"None", 0},
    }};
    return table;
}

int CompressionFactorIndex(int value) {
    const auto& table = CompressionFactors();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].value == value)
            return static_cast<int>(i);
    return 1;
}

CCopyParameters ReadCopySettings(const SettingsIntReader& read) {
    CCopyParameters p;
    p.flags = 0;
    for (const FlagKey& f : kFlagKeys) {
        int value = read(kCopySettingsSection, f.key, f.byDefault ? 1 : 0);
        bool on = (value == 0 || value == 1) ? value == 1 : f.byDefault;
        if (on)
            p.flags |= f.flag;
    }
    int factor = read(kCopySettingsSection, kCompressionKey, 5);
    p.compressionFactor =
        CompressionFactors()[static_cast<size_t>(CompressionFactorIndex(factor))].value;
    int mode = read(kCopySettingsSection, kPathModeKey, kZipNoPaths);
    p.zipPathMode = (mode >= kZipNoPaths && mode <= kZipFullPaths) ? mode : kZipNoPaths;
    return p;
}

void WriteCopySettings(const CCopyParameters& p, const SettingsWriter& write) {
    if (!write)
        return;
    for (const FlagKey& f : kFlagKeys)
        write(kCopySettingsSection, f.key, (p.flags & f.flag) ? "1" : "0");
    write(kCopySettingsSection, kCompressionKey, std::to_string(p.compressionFactor));
    write(kCopySettingsSection, kPathModeKey, std::to_string(p.zipPathMode));
}

bool SameCopyDirectory(const std::string& source, const std::string& target,
                       const platform::DriveMap& drives) {
    const std::string a = NormalizeDosPath(source);
    const std::string b = NormalizeDosPath(target);
    return ComparePaths(a, b) == 0 || IdOf(a, drives) == IdOf(b, drives);
}

std::string ValidateCopyTarget(const std::string& targetPath, const platform::DriveMap& drives) {
    const std::string target = NormalizeDosPath(targetPath);
    if (target.find_first_not_of(' ') == std::string::npos)
        return "A target path must be entered!";
    if (!IsValidTarget(target, drives))
        return "'" + targetPath + "' is not a valid path!";
    return "";
}

std::string NoFilesText(bool inDialog) {
    return inDialog ? "The selected file group does not have any files!"
                    : "There are no files in the selected group to copy/move!";
}

std::string ValidateCopy(const CCopyParameters& p, const platform::DriveMap& drives,
                         bool inDialog) {
    const std::string target = NormalizeDosPath(p.targetPath);
    const std::string source = NormalizeDosPath(p.sourceDirectory);
    if (std::string refusal = ValidateCopyTarget(p.targetPath, drives); !refusal.empty())
        return refusal;
    if (SameCopyDirectory(source, target, drives))
        return kSameCopyPathsText;
    if (p.IsDirectory()) {
        if (InsideTree(source, target, drives))
            return "The target path cannot be a child of the source directory!";
        const std::string parent = platform::ParentDosPath(source);
        if (!parent.empty() &&
            (ComparePaths(parent, target) == 0 || IdOf(parent, drives) == IdOf(target, drives)))
            return "The target path cannot be the parent of the source directory!";
    } else if (p.files.empty()) {
        return NoFilesText(inDialog);
    }
    return "";
}

namespace {

// The count of a directory inside a zip file: its members below it, and
// every directory path between it and them.
TreeCount CountZipTree(const ZipPathParts& parts, const platform::DriveMap& drives) {
    TreeCount count;
    // The count asks nothing: a silent interface, and the caller's map.
    ui::OperationContext context(ui::SilentInterface(),
                                 std::shared_ptr<const platform::DriveMap>(
                                     std::shared_ptr<const platform::DriveMap>(), &drives));
    zip::CZipFileOperation op(context);
    std::vector<zip::ZipMemberEntry> members;
    if (op.ReadDirectory(parts.zipFile, false, &members) != zip::kOpened)
        return count;
    const std::string prefix = parts.inner.empty() ? "" : parts.inner + "\\";
    std::set<std::string> directories;
    for (const zip::ZipMemberEntry& m : members) {
        std::string shown = zip::ZipMemberEntry::PathName(m.StoredName());
        if (shown.size() <= prefix.size() ||
            platform::CompareNoCase(std::string_view(shown).substr(0, prefix.size()), prefix) != 0)
            continue;
        ++count.files;
        for (size_t slash = shown.find('\\', prefix.size()); slash != std::string::npos;
             slash = shown.find('\\', slash + 1))
            directories.insert(shown.substr(0, slash));
    }
    count.directories = directories.size();
    count.known = true;
    return count;
}

} // namespace

TreeCount CountTree(const std::string& dosDirectory, const platform::DriveMap& drives,
                    const std::atomic<bool>* cancel) {
    TreeCount count;
    ZipPathParts parts;
    if (SplitZipPath(dosDirectory, drives, &parts))
        return CountZipTree(parts, drives);
    std::string host;
    if (!platform::DosToHost(NormalizeDosPath(dosDirectory), &host, nullptr, drives))
        return count;
    std::vector<TreeDirectory> tree;
    if (!ListTree(host, &tree, cancel))
        return count;
    for (const TreeDirectory& d : tree) {
        if (!d.readable)
            return count;
        count.files += d.items.size();
    }
    count.directories = tree.size() - 1;
    count.known = true;
    return count;
}

std::string CCopyJob::Title() const {
    const char* caption = CopyCaption(m_parameters.operation);
    return caption ? caption : "Copy Files";
}

std::string CCopyJob::DriveLetters() const {
    std::string letters;
    letters += platform::PathDriveLetter(m_parameters.sourceDirectory);
    letters += platform::PathDriveLetter(m_parameters.targetPath);
    return ui::NormalizeDriveLetters(letters);
}

ui::JobResult CCopyJob::Run(ui::OperationContext& context) {
    m_outcome = RunCopy(m_parameters, context);
    return CopyJobResult(m_outcome, m_parameters.IsMove());
}

ui::JobResult CopyJobResult(const CCopyOutcome& outcome, bool move) {
    ui::JobResult result;
    result.ok = outcome.completed && outcome.failed == 0;
    result.cancelled = outcome.cancelled;
    result.summary = std::to_string(outcome.done) + (move ? " moved" : " copied");
    return result;
}

} // namespace vorlane::fileops
