// One run of a copy or move: the questions, the per-file decision, the
// per-file work through CFileOperation, the directory trees and the
// status window. The zip sides are in CCopyZip.cpp.
#include "fileops/private/CopyRun.h"

#include "catalogue/CZipFileDirectory.h"
#include "fileops/DosZipPath.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/PathAbbreviation.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane::fileops {

using platform::HostNameToDos;
using platform::JoinDosPath;
using platform::LastComponent;
using platform::ParentDosPath;

namespace {

// The name of the description file, which follows the files through the
// descriptions themselves when they are on.
constexpr const char* kDescriptionFile = "DESCRIPT.ION";

// What a host path holds, the path itself never followed.
struct HostLook {
    bool exists = false;
    bool isDirectory = false; // a real directory, not a link to one
    bool isLink = false;
    uint64_t size = 0;
    platform::FileTime lastWrite;
};

// A batch of moved files whose sources wait for one flush of the target.
constexpr size_t kMoveBatchFiles = 1024;
constexpr uint64_t kMoveBatchBytes = uint64_t(256) << 20;

HostLook LookAt(const std::string& host, bool followLink = false) {
    HostLook look;
    struct stat st;
    if ((followLink ? ::stat(host.c_str(), &st) : ::lstat(host.c_str(), &st)) != 0)
        return look;
    look.exists = true;
    look.isDirectory = S_ISDIR(st.st_mode);
    look.isLink = S_ISLNK(st.st_mode);
    look.size = static_cast<uint64_t>(st.st_size);
    look.lastWrite = {static_cast<int64_t>(st.st_mtim.tv_sec),
                      static_cast<int32_t>(st.st_mtim.tv_nsec)};
    return look;
}

// A name made from a source name, in a target directory: exactly that name.
ResolvedPath Child(const ResolvedPath& directory, const std::string& hostName) {
    return {JoinDosPath(directory.dos, HostNameToDos(hostName)), directory.host + "/" + hostName};
}

} // namespace

std::string CopyRun::Short(const std::string& dosPath) {
    return platform::AbbreviatePath(dosPath, CFileOperation::kLongPathLength);
}

CopyRun::CopyRun(const CCopyParameters& parameters, const ui::OperationContext& context,
                 CCopyOutcome& outcome)
    : m_p(parameters), m_context(context), m_ui(context.Ui()), m_out(outcome),
      m_fromDescriptions(context.DriveSnapshot()), m_toDescriptions(context.DriveSnapshot()) {}

CopyRun::~CopyRun() = default;

bool CopyRun::Execute() {
    m_out = CCopyOutcome{};
    const char* caption = CopyCaption(m_p.operation);
    if (caption == nullptr) {
        m_ui.Message("Unknown operation specified! This error should never be displayed!");
        return false;
    }
    std::string refusal = ValidateCopy(m_p, m_context.Drives(), false);
    if (!refusal.empty()) {
        m_ui.Message(refusal);
        return false;
    }
    m_flags = m_p.askBeforeCreating ? m_p.flags | kCopyPromptCreateDirectory
                                    : m_p.flags & ~uint32_t(kCopyPromptCreateDirectory);
    m_move = m_p.IsMove();
    m_caption = caption;
    m_status = m_ui.MakeStatusWindow(ui::StatusKind::Operation, caption);
    if (m_status) {
        m_status->SetOverallLabel(CopyOverallLabel(m_p.operation));
        m_status->SetOverallPercent(0);
    }
    m_op = std::make_unique<CFileOperation>(m_context, m_status.get());

    const std::string source = platform::NormalizeDosPath(m_p.sourceDirectory);
    const std::string target = platform::NormalizeDosPath(m_p.targetPath);
    ZipPathParts sourceZip, targetZip;
    bool sourceInZip = SplitZipPath(source, m_context.Drives(), &sourceZip);
    bool targetInZip = SplitZipPath(target, m_context.Drives(), &targetZip);
    if (sourceInZip || targetInZip) {
        RunZip(source, sourceInZip ? &sourceZip : nullptr, target,
               targetInZip ? &targetZip : nullptr);
    } else {
        ResolvedPath from{source, ""}, to{target, ""};
        if (ResolveOrReport(source, &from.host, source, target) &&
            ResolveOrReport(target, &to.host, source, target)) {
            if (m_p.IsDirectory())
                RunTree(from, to);
            else
                RunGroup(from, to);
        }
    }
    // A cancel or a refusal part-way still finishes the moves whose
    // copies are complete.
    FinishPendingMoves();
    m_op.reset();
    m_status.reset();
    m_out.completed = !m_out.cancelled;
    return m_out.completed;
}

void CopyRun::ReportFileFailure(const std::string& source, const std::string& target,
                                const platform::SysError* err) {
    if (err)
        m_op->Error().Set(*err);
    m_op->ReportError(nullptr, "Unable to %s file '%s' to '%s'.\n\n", Verb(), Short(source).c_str(),
                      Short(target).c_str());
    ++m_out.failed;
}

bool CopyRun::ResolveOrReport(const std::string& dosPath, std::string* host,
                              const std::string& source, const std::string& target) {
    platform::SysError err;
    if (platform::DosToHost(dosPath, host, &err, m_context.Drives()))
        return true;
    ReportFileFailure(source, target, &err);
    return false;
}

CopyRun::Step CopyRun::Ask(const std::string& text, uint32_t flag, bool* toAll) {
    ui::Answer answer = m_ui.AskYesNoAllCancel(text, m_caption);
    if (answer == ui::Answer::Cancel) {
        m_out.cancelled = true;
        return Step::Cancel;
    }
    if (answer == ui::Answer::No)
        return Step::Skip;
    if (answer == ui::Answer::YesToAll) {
        m_flags &= ~flag;
        m_out.answeredForAll |= flag;
    }
    if (toAll)
        *toAll = answer == ui::Answer::YesToAll;
    return Step::Go;
}

std::string CopyRun::CreateQuestion(const std::string& directory) {
    return "Would you like to create the directory\n'" + directory + "'?";
}

bool CopyRun::Cancelled() {
    if (m_context.Cancelled() || (m_status && m_status->Cancelled()))
        m_out.cancelled = true;
    return m_out.cancelled;
}

void CopyRun::Handled(uint64_t count) {
    m_handled += count;
    if (m_status && m_total > 0)
        m_status->SetOverallPercent(
            static_cast<int>(std::min<uint64_t>(m_handled, m_total) * 100 / m_total));
}

void CopyRun::Skip(uint64_t count) {
    m_out.skipped += static_cast<int>(count);
    Handled(count);
}

void CopyRun::Notify(ui::ChangeKind kind, const std::string& path, const std::string& newPath,
                     bool directory) {
    m_context.Notices().Notify({kind, path, newPath, directory});
}

CopyRun::Step CopyRun::EnsureDirectory(const ResolvedPath& directory, bool followLink) {
    HostLook look = LookAt(directory.host, followLink);
    if (look.exists && look.isDirectory)
        return Step::Go;
    platform::SysError err;
    if (look.exists) {
        // A file (or a link) holds the name: it is reported, never removed.
        platform::SetError(&err, EEXIST, "Cannot create the directory", directory.host);
        m_op->Error().Set(err);
        m_op->ReportError(nullptr, "Unable to create directory '%s'.\n\n", directory.dos.c_str());
        ++m_out.failed;
        return Step::Skip;
    }
    if (m_flags & kCopyPromptCreateDirectory) {
        Step step = Ask(CreateQuestion(directory.dos), kCopyPromptCreateDirectory);
        if (step != Step::Go)
            return step;
    }
    return MakeDirectory(directory) ? Step::Go : Step::Skip;
}

bool CopyRun::MakeDirectory(const ResolvedPath& directory) {
    // The missing parents of a typed path are made with it.
    std::vector<ResolvedPath> missing{directory};
    for (;;) {
        std::string parent = ParentDosPath(missing.back().dos);
        std::string parentHost = platform::HostDirName(missing.back().host);
        if (parent.empty() || parentHost == missing.back().host || LookAt(parentHost, true).exists)
            break;
        missing.push_back({parent, parentHost});
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (m_status)
            m_status->SetCurrentMessage("Creating directory '" + Short(it->dos) + "'...");
        platform::SysError err;
        if (!platform::MakeDirectory(it->host, &err)) {
            m_op->Error().Set(err);
            m_op->ReportError(nullptr, "Unable to create directory '%s'.\n\n",
                              directory.dos.c_str());
            ++m_out.failed;
            return false;
        }
        // A move deletes sources as soon as their copies are durable: the
        // new directory's own name must be on the disk too.
        if (m_move)
            platform::SyncDirectory(platform::HostDirName(it->host), nullptr);
        Notify(ui::ChangeKind::Added, it->dos, "", true);
    }
    return true;
}

CopyRun::Step CopyRun::Decide(const ResolvedPath& target, bool exists,
                              const platform::FileTime& targetTime,
                              const platform::FileTime& sourceTime) {
    if ((m_flags & kCopyOnlyIfDestinationExists) && !exists)
        return Step::Skip;
    if ((m_flags & kCopyOnlyIfNewer) && exists && !(targetTime < sourceTime))
        return Step::Skip;
    if ((m_flags & kCopyPromptBeforeOverwrite) && exists)
        return Ask("File '" + target.dos + "' already exists! Would you like to overwrite it?",
                   kCopyPromptBeforeOverwrite);
    return Step::Go;
}

CopyRun::Step CopyRun::HandleFile(const ResolvedPath& source, const ResolvedPath& target,
                                  bool isZipFile) {
    HostLook from = LookAt(source.host);
    HostLook to = LookAt(target.host);
    if (to.isDirectory) {
        // A directory holds the name: reported and skipped, never removed.
        if (isZipFile) {
            m_ui.Message("Cannot copy zip directory '" + source.dos + "' to '" + target.dos +
                         "'. A DOS directory by the same name already exists!");
            ++m_out.failed;
        } else {
            platform::SysError err;
            platform::SetError(&err, EISDIR, "Cannot replace", target.host);
            ReportFileFailure(source.dos, target.dos, &err);
        }
        Handled(1);
        return Step::Go;
    }
    const bool exists = to.exists;
    Step step = Decide(target, exists, to.lastWrite, from.lastWrite);
    if (step == Step::Cancel)
        return step;
    if (step == Step::Skip) {
        Skip(1);
        return Step::Go;
    }
    if (isZipFile && m_status)
        m_status->SetCurrentMessage("Creating zip directory '" + Short(target.dos) + "'...");
    bool ok;
    const bool deferred = m_move && !m_staged && !from.isLink && DefersMove(source, target);
    if (deferred)
        ok = m_op->Copy(source, target, false);
    else if (m_move || m_staged)
        ok = m_op->Move(source, target, false);
    else if (from.isLink)
        ok = m_op->CopyLink(source, target);
    else
        ok = m_op->Copy(source, target, false);
    if (!ok) {
        if (m_op->Error().Code() == CDosErrorMessage::kUserAborted) {
            m_out.cancelled = true;
            return Step::Cancel;
        }
        if (isZipFile) {
            m_op->ReportError(nullptr, "Unable to create directory '%s'.\n\n",
                              Short(target.dos).c_str());
            ++m_out.failed;
        } else {
            ReportFileFailure(source.dos, target.dos, nullptr);
        }
        Handled(1);
        return Step::Go;
    }
    if (deferred) {
        // Done when its source is gone, after the next flush.
        m_pending.push_back({source, target});
        m_pendingBytes += from.size;
        Handled(1);
        if (m_pending.size() >= kMoveBatchFiles || m_pendingBytes >= kMoveBatchBytes)
            FinishPendingMoves();
        return Step::Go;
    }
    ++m_out.done;
    if (m_staged) {
        // Members of a zip file, out of staging: new on the target.
        m_staged->push_back(source.host);
        Notify(exists ? ui::ChangeKind::Changed : ui::ChangeKind::Added, target.dos, "", false);
        Handled(1);
        return Step::Go;
    }
    if (m_p.descriptions)
        CarryDescription(source.dos, target.dos);
    if (m_move)
        Notify(ui::ChangeKind::Renamed, source.dos, target.dos, false);
    else
        m_context.Notices().Notify({exists ? ui::ChangeKind::Changed : ui::ChangeKind::Added,
                                    target.dos, "", false, source.dos});
    Handled(1);
    return Step::Go;
}

void CopyRun::CarryDescription(const std::string& source, const std::string& target) {
    std::string sourceName(LastComponent(source));
    std::string targetName(LastComponent(target));
    if (!m_fromDescriptions.SetDirectory(ParentDosPath(source)) ||
        !m_toDescriptions.SetDirectory(ParentDosPath(target)))
        return;
    std::string text;
    bool described = m_fromDescriptions.Get(sourceName, &text);
    m_toDescriptions.Remove(targetName);
    if (described)
        m_toDescriptions.Add(targetName, text);
    if (m_move) {
        // The same directory object when both lie in one directory.
        descriptions::C4DosDescriptionDatabase& sourceDb =
            platform::ComparePaths(m_fromDescriptions.Directory(), m_toDescriptions.Directory()) ==
                    0
                ? m_toDescriptions
                : m_fromDescriptions;
        sourceDb.Remove(sourceName);
    }
}

bool CopyRun::IsDescriptionFile(const std::string& hostName) const {
    return m_p.descriptions && platform::NamesEqual(hostName, kDescriptionFile);
}

bool CopyRun::EnterTarget(const ResolvedPath& to) {
    Step step = EnsureDirectory(to, true);
    if (step == Step::Skip)
        Skip(m_total); // every file of the run
    return step == Step::Go;
}

void CopyRun::RunGroup(const ResolvedPath& from, const ResolvedPath& to) {
    m_total = m_p.files.size();
    if (!EnterTarget(to))
        return;
    for (const std::string& name : m_p.files) {
        if (Cancelled())
            return;
        // The name as it stands in the resolved directory, when it is there
        // exactly (one look instead of a look-up of every component);
        // otherwise the full look-up, which also finds a case variant.
        ResolvedPath source{JoinDosPath(from.dos, name), ""};
        const bool plainName = name.find('\\') == std::string::npos && name != "." && name != "..";
        if (plainName && !from.host.empty()) {
            std::string exact = from.host + "/" + platform::DosNameToHost(name);
            if (::faccessat(AT_FDCWD, exact.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
                source.host = std::move(exact);
        }
        if (source.host.empty() &&
            !ResolveOrReport(source.dos, &source.host, source.dos, JoinDosPath(to.dos, name))) {
            Handled(1);
            continue;
        }
        ResolvedPath target = Child(to, platform::HostBaseName(source.host));
        if (HandleFile(source, target, false) == Step::Cancel)
            return;
    }
}

void CopyRun::RunTree(const ResolvedPath& from, const ResolvedPath& to,
                      const std::string& rootName) {
    // C:\A copied to D:\B lands in D:\B\A.
    const ResolvedPath root =
        Child(to, rootName.empty() ? platform::HostBaseName(from.host) : rootName);
    if (m_move && !m_staged) {
        // The target directory first (its question needs the count of what
        // a No skips), then the whole tree in one rename where it can be.
        if (!LookAt(to.host, true).exists) {
            m_total = CountTreeItems(from.host);
            if (!EnterTarget(to))
                return;
        }
        if (MoveWholeUnlisted(from, to, root))
            return;
    }
    std::vector<TreeDirectory> tree;
    platform::SysError err;
    if (!ListTree(from.host, &tree, m_context.CancelFlag().get(), &err)) {
        if (Cancelled())
            return;
        m_op->Error().Set(err);
        m_op->ReportError(nullptr, "Unable to read directory '%s'.\n\n", Short(from.dos).c_str());
        ++m_out.failed;
        return;
    }
    m_total = 0;
    for (const TreeDirectory& d : tree)
        for (const TreeItem& item : d.items)
            m_total += IsDescriptionFile(item.name) ? 0 : 1;

    if (!EnterTarget(to))
        return;

    std::vector<ResolvedPath> sources(tree.size()), targets(tree.size());
    std::vector<bool> made(tree.size(), false);
    for (size_t i = 0; i < tree.size(); ++i) {
        const TreeDirectory& d = tree[i];
        if (d.parent < 0) {
            sources[i] = from;
            targets[i] = root;
        } else {
            std::string name = platform::HostBaseName(d.relative);
            sources[i] = Child(sources[static_cast<size_t>(d.parent)], name);
            targets[i] = Child(targets[static_cast<size_t>(d.parent)], name);
        }
        uint64_t count = 0;
        for (const TreeItem& item : d.items)
            count += IsDescriptionFile(item.name) ? 0 : 1;
        if (Cancelled())
            return;
        if (d.parent >= 0 && !made[static_cast<size_t>(d.parent)]) {
            Skip(count); // the parent was not made: nor is anything below it
            continue;
        }
        if (!d.readable) {
            m_op->Error().Set(d.error);
            m_op->ReportError(nullptr, "Unable to read directory '%s'.\n\n",
                              Short(sources[i].dos).c_str());
            ++m_out.failed;
            continue;
        }
        Step step = EnsureDirectory(targets[i], false);
        if (step == Step::Cancel)
            return;
        if (step == Step::Skip) {
            Skip(count);
            continue;
        }
        made[i] = true;
        for (const TreeItem& item : d.items) {
            if (IsDescriptionFile(item.name))
                continue;
            if (Cancelled())
                return;
            if (HandleFile(Child(sources[i], item.name), Child(targets[i], item.name),
                           item.isZipFile) == Step::Cancel)
                return;
        }
    }
    if (m_move && !m_staged) {
        FinishPendingMoves();
        RemoveSourceDirectories(sources);
    }
}

bool CopyRun::DefersMove(const ResolvedPath& source, const ResolvedPath& target) const {
    struct stat sourceStat, targetDirStat;
    return ::lstat(source.host.c_str(), &sourceStat) == 0 && S_ISREG(sourceStat.st_mode) &&
           ::stat(platform::HostDirName(target.host).c_str(), &targetDirStat) == 0 &&
           targetDirStat.st_dev != sourceStat.st_dev;
}

void CopyRun::FinishPendingMoves() {
    if (m_pending.empty())
        return;
    std::vector<PendingMove> pending;
    pending.swap(m_pending);
    m_pendingBytes = 0;
    platform::SysError err;
    if (!platform::SyncFileSystem(platform::HostDirName(pending.front().target.host), &err)) {
        // Not known to be on the disk: every source stays.
        for (const PendingMove& move : pending)
            ReportFileFailure(move.source.dos, move.target.dos, &err);
        return;
    }
    for (const PendingMove& move : pending) {
        if (!m_op->Delete(move.source)) {
            ReportFileFailure(move.source.dos, move.target.dos, nullptr);
            continue;
        }
        ++m_out.done;
        if (m_p.descriptions)
            CarryDescription(move.source.dos, move.target.dos);
        Notify(ui::ChangeKind::Renamed, move.source.dos, move.target.dos, false);
    }
}

void CopyRun::RemoveSourceDirectories(const std::vector<ResolvedPath>& sources) {
    if (m_p.descriptions) {
        // Saved and let go: a description file left without entries goes
        // with its directory.
        m_fromDescriptions.SetDirectory("");
        m_toDescriptions.SetDirectory("");
    }
    // The listing has parents before children: backwards is deepest first.
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        if (it->host.empty())
            continue;
        if (m_p.descriptions) {
            for (const char* name : {kDescriptionFile, "descript.ion"}) {
                struct stat st;
                std::string path = it->host + "/" + name;
                if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
                    platform::DeleteFile(path, nullptr);
            }
        }
        if (m_status)
            m_status->SetCurrentMessage("Removing directory '" + Short(it->dos) + "'...");
        // A directory that still holds skipped or failed files stays.
        if (platform::RemoveDirectory(it->host, nullptr))
            Notify(ui::ChangeKind::Removed, it->dos, "", true);
    }
}

bool CopyRun::MoveWholeUnlisted(const ResolvedPath& from, const ResolvedPath& to,
                                const ResolvedPath& root) {
    // Listing a tree of 20,000 files took twenty times the one rename. No
    // per-file rule can apply when the target directory exists, nothing
    // stands at the root's name and no question or description is due;
    // a subdirectory the run could not list moves with its parent.
    if ((m_flags & kCopyOnlyIfDestinationExists) || m_p.descriptions)
        return false;
    struct stat sourceStat, targetStat;
    if (::lstat(from.host.c_str(), &sourceStat) != 0 || !S_ISDIR(sourceStat.st_mode) ||
        ::stat(to.host.c_str(), &targetStat) != 0 || !S_ISDIR(targetStat.st_mode) ||
        sourceStat.st_dev != targetStat.st_dev || LookAt(root.host).exists)
        return false;
    // The per-file steps would ask for the root and then for every
    // directory below it: one rename answers for all only after Yes To
    // All; Yes makes the root alone and the rest goes the listed way.
    if (m_flags & kCopyPromptCreateDirectory) {
        bool toAll = false;
        Step step = Ask(CreateQuestion(root.dos), kCopyPromptCreateDirectory, &toAll);
        if (step == Step::Cancel)
            return true;
        if (step == Step::Go && !toAll && MakeDirectory(root))
            return false;
        if (step != Step::Go || !toAll) {
            m_total = CountTreeItems(from.host);
            Skip(m_total);
            return true;
        }
    }
    if (!m_op->Rename(from, root))
        return false; // another file system below, or a race: the listed way
    // One rename moved the tree: it counts as one item (counting its files
    // afterwards cost more than the move).
    m_total = 1;
    ++m_out.done;
    Notify(ui::ChangeKind::Renamed, from.dos, root.dos, true);
    Handled(m_total);
    return true;
}

CCopyDirectory::CCopyDirectory(CCopyParameters parameters, const ui::OperationContext& context)
    : m_parameters(std::move(parameters)), m_context(context) {}

CCopyDirectory::~CCopyDirectory() = default;

bool CCopyDirectory::Run() {
    CopyRun run(m_parameters, m_context, m_outcome);
    return run.Execute();
}

CCopyOutcome RunCopy(const CCopyParameters& parameters, const ui::OperationContext& context) {
    CCopyDirectory driver(parameters, context);
    driver.Run();
    return driver.Outcome();
}

} // namespace vorlane::fileops
