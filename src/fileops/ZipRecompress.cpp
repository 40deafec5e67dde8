#include "fileops/ZipRecompress.h"

#include "catalogue/CZipFileDirectory.h"
#include "fileops/TreeListing.h"
#include "fileops/private/Staging.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/ProgramDirs.h"
#include "ui/ChangeNotices.h"
#include "ui/UserInterface.h"
#include "zip/CZipFileOperation.h"
#include "zip/ZipCentralDirectory.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorlane::fileops {

namespace {

// What the rename over an archive must find still there: the file the
// run read, unchanged.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

bool IdentityOf(const std::string& host, FileIdentity* id) {
    struct stat st;
    if (::lstat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *id = {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_mode, st.st_uid, st.st_gid};
    return true;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec;
}

// A member as the comparison sees it.
struct MemberFacts {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const MemberFacts&) const = default;
};

// The files of an archive by name, and its directory entries.
struct MemberSet {
    std::map<std::string, MemberFacts> files;
    std::set<std::string> directories;
    bool duplicates = false; // a name twice: extraction would keep one of them
};

MemberSet MembersOf(const zip::ZipArchiveIndex& index) {
    MemberSet set;
    for (const zip::ZipMemberInfo& m : index.members) {
        std::string name = m.name;
        if (m.isDirectory) {
            while (!name.empty() && name.back() == '/')
                name.pop_back();
            set.directories.insert(name);
            continue;
        }
        if (!set.files.emplace(name, MemberFacts{m.uncompressedSize, m.crc}).second)
            set.duplicates = true;
    }
    return set;
}

// Whether every member can come out of the archive and go back in as it
// was: extraction skips encrypted members (no password is asked here) and
// refuses link members and names it cannot write as stored.
bool MembersCanSurvive(const zip::ZipArchiveIndex& index) {
    for (const zip::ZipMemberInfo& m : index.members)
        if (m.encrypted || m.isSymlink || m.nameInvalid)
            return false;
    return !MembersOf(index).duplicates && index.archiveStart == 0;
}

// The new archive holds every file of the old one, by the same name with
// the same size and CRC, nothing else, and every directory entry of the
// old one (the add also makes entries for directories the old archive
// left implicit).
bool SameMembers(const MemberSet& before, const MemberSet& after) {
    if (after.duplicates || before.files != after.files)
        return false;
    return std::includes(after.directories.begin(), after.directories.end(),
                         before.directories.begin(), before.directories.end());
}

std::string Short(const std::string& zip) {
    return platform::AbbreviatePath(zip, zip::CZipFileOperation::kShortPathLength);
}

// A private directory beside an archive for its new copy (on the same file
// system, so that the rename over the old one is atomic), made
// exclusively and removed with whatever is left in it.
class BesideDirectory {
  public:
    ~BesideDirectory() {
        if (!m_host.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_host, ec);
        }
    }
    bool Make(const std::string& archiveHost, const platform::DriveMap& drives) {
        std::string pattern =
            platform::JoinHostPath(platform::HostDirName(archiveHost), ".vorlane-rezip-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr)
            return false;
        m_host = pattern;
        return platform::HostToDos(m_host, &m_dos, nullptr, drives);
    }
    const std::string& Host() const { return m_host; }
    const std::string& Dos() const { return m_dos; }

    // An empty archive (its end record alone) named name in the directory:
    // the new archive starts as one, without the two rewrites of an
    // engine-made empty archive.
    bool MakeEmptyArchive(const std::string& name) const {
        static const char kEmptyArchive[22] = {'P', 'K', 5, 6};
        platform::File file;
        return file.Open(platform::JoinHostPath(m_host, name),
                         platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive |
                             platform::kOpenNoFollow) &&
               file.Write(kEmptyArchive, sizeof kEmptyArchive) && file.Close();
    }

  private:
    std::string m_host;
    std::string m_dos;
};

} // namespace

bool FindDriveZipFiles(char drive, const platform::DriveMap& drives,
                       std::vector<std::string>* zipFiles, const std::atomic<bool>* cancel) {
    zipFiles->clear();
    const std::string root = drives.Root(drive);
    if (root.empty())
        return false;
    std::vector<TreeDirectory> tree;
    if (!ListTree(root, &tree, cancel, nullptr, true))
        return false;
    // The listing has parents before children, siblings in byte order: a
    // stable sort by depth gives the order of a breadth-first walk with a
    // queue of directories.
    std::vector<size_t> order(tree.size());
    std::vector<int> depth(tree.size(), 0);
    for (size_t i = 0; i < tree.size(); ++i) {
        order[i] = i;
        if (tree[i].parent >= 0)
            depth[i] = depth[static_cast<size_t>(tree[i].parent)] + 1;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return depth[a] < depth[b]; });
    for (size_t i : order) {
        const TreeDirectory& d = tree[i];
        for (const TreeItem& item : d.items) {
            if (!item.isZipFile)
                continue;
            std::string host = root;
            if (!d.relative.empty())
                host = platform::JoinHostPath(host, d.relative);
            host = platform::JoinHostPath(host, item.name);
            struct stat st; // pipes and devices with a zip's name are no archives
            std::string dos;
            if (::lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                platform::HostToDos(host, &dos, nullptr, drives))
                zipFiles->push_back(dos);
        }
    }
    return true;
}

CZipRecompressDiskZipFiles::CZipRecompressDiskZipFiles(CRecompressParameters parameters,
                                                       const ui::OperationContext& context)
    : m_parameters(parameters), m_context(context) {}

void CZipRecompressDiskZipFiles::AddError(ui::StatusWindow& status, const char* format,
                                          const std::string& zip) {
    const std::string name = Short(zip);
    const int size = std::snprintf(nullptr, 0, format, name.c_str());
    std::string line(static_cast<size_t>(size), '\0');
    std::snprintf(line.data(), line.size() + 1, format, name.c_str());
    status.AddError(line);
    m_outcome.errors.push_back(line);
}

bool CZipRecompressDiskZipFiles::Run() {
    m_outcome = {};
    ui::UserInterface& ui = m_context.Ui();
    const char drive = static_cast<char>(m_parameters.drive & ~0x20);
    {
        auto finding = ui.MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
        finding->SetCurrentMessage(std::string("Finding all ZIP files on drive ") + drive + ":" +
                                   " This operation may take awhile if your machine is slow" +
                                   " or the drive is large!");
        ui::WaitCursor wait(ui);
        // The walk runs beside this thread, which watches the window's
        // Cancel (a walk has no window of its own to ask).
        std::atomic<bool> stop{false};
        std::atomic<bool> done{false};
        std::thread walk([&] {
            FindDriveZipFiles(drive, m_context.Drives(), &m_outcome.found, &stop);
            done = true;
        });
        for (;;) {
            if (finding->Cancelled() || m_context.Cancelled()) {
                stop = true;
                break;
            }
            if (done)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        walk.join();
        if (stop) {
            m_outcome.cancelled = true;
            m_outcome.found.clear();
        }
    }
    if (m_outcome.found.empty())
        return false;

    auto status = ui.MakeStatusWindow(ui::StatusKind::Recompress, kRecompressStatusCaption);
    std::string compression;
    for (const zip::ZipCompressionChoice& choice : zip::CZipFileOperation::CompressionChoices())
        if (choice.level == m_parameters.level)
            compression = choice.text;
    status->SetCompression(compression.empty() ? std::to_string(m_parameters.level) : compression);
    const size_t count = m_outcome.found.size();
    for (size_t i = 0; i < count; ++i) {
        if (status->Cancelled() || m_context.Cancelled()) {
            m_outcome.cancelled = true;
            break;
        }
        status->SetOverallPercent(static_cast<int>(i * 100 / count));
        const Step step = RecompressOne(m_outcome.found[i], *status);
        if (step == Step::Done)
            ++m_outcome.recompressed;
        if (step == Step::Stop)
            break;
    }
    if (!m_outcome.cancelled)
        status->SetOverallPercent(100);
    return m_outcome.Succeeded();
}

CZipRecompressDiskZipFiles::Step
CZipRecompressDiskZipFiles::RecompressOne(const std::string& zip, ui::StatusWindow& status) {
    status.SetArchive(zip);
    status.SetCurrentPercent(0);
    const platform::DriveMap& drives = m_context.Drives();
    const std::string& workPath = m_context.Options().zipTempPath;
    auto cancelled = [&] {
        if (status.Cancelled() || m_context.Cancelled())
            m_outcome.cancelled = true;
        return m_outcome.cancelled;
    };

    // The archive as it is now; the rename at the end needs it unchanged.
    std::string host;
    FileIdentity before;
    zip::ZipArchiveIndex oldIndex;
    zip::CZipFileOperation source(m_context, nullptr, workPath);
    source.SetRecompressStatusWindow(&status);
    if (!platform::DosToHost(zip, &host, nullptr, drives) || !IdentityOf(host, &before) ||
        zip::ReadZipIndexFile(host, &oldIndex) != zip::kUnzipOk || oldIndex.multiVolume ||
        source.Open(zip) != zip::kOpened) {
        AddError(status, kRecompressOpenError, zip);
        return Step::Failed;
    }
    const MemberSet oldMembers = MembersOf(oldIndex);
    if (oldMembers.files.empty())
        return Step::Nothing;

    // Every member comes out, paths kept, into a fresh staging directory.
    Staging staging;
    if (!staging.Make(m_context, zip, ".vorlane-rezip-")) {
        AddError(status, kRecompressStagingError, zip);
        return Step::Stop;
    }
    const ResolvedPath extracted{platform::JoinDosPath(staging.path.dos, "X"),
                                 platform::JoinHostPath(staging.path.host, "X")};
    const ResolvedPath readBack{platform::JoinDosPath(staging.path.dos, "V"),
                                platform::JoinHostPath(staging.path.host, "V")};
    if (!platform::MakeDirectory(extracted.host) || !platform::MakeDirectory(readBack.host)) {
        AddError(status, kRecompressStagingError, zip);
        return Step::Stop;
    }
    // "*" rather than "*.*": the engine matches a pattern as written, and
    // "*.*" would leave out the members without a dot in their names.
    if (!MembersCanSurvive(oldIndex) ||
        !source.Extract("*", extracted.dos, zip::kStoreRelativePaths, false, false, false) ||
        !source.SkippedMembers().empty()) {
        if (cancelled())
            return Step::Stop;
        AddError(status, kRecompressUnzipError, zip);
        return Step::Failed;
    }

    // Back in, into a new archive beside the old one.
    BesideDirectory beside;
    zip::CZipFileOperation target(m_context, nullptr, workPath);
    target.SetRecompressStatusWindow(&status);
    target.SetCompressionLevel(m_parameters.level);
    const std::string newName = platform::HostBaseName(host);
    bool added = beside.Make(host, drives);
    const std::string newDos = platform::JoinDosPath(beside.Dos(), newName);
    added = added && beside.MakeEmptyArchive(newName) && target.Open(newDos) == zip::kOpened &&
            target.AddFiles(zip::kZipAdd, platform::JoinDosPath(extracted.dos, "*.*"),
                            zip::kStoreRelativePaths, true, true);
    if (added && !oldIndex.comment.empty())
        added = target.WriteComment(oldIndex.comment);
    if (!added) {
        if (cancelled())
            return Step::Stop;
        AddError(status, kRecompressRezipError, zip);
        return Step::Failed;
    }

    // The same members, each read back (the extract checks every CRC).
    const std::string newHost = platform::JoinHostPath(beside.Host(), newName);
    zip::ZipArchiveIndex newIndex;
    zip::CZipFileOperation check(m_context, nullptr, workPath);
    check.SetRecompressStatusWindow(&status);
    bool same = zip::ReadZipIndexFile(newHost, &newIndex) == zip::kUnzipOk &&
                newIndex.comment == oldIndex.comment &&
                SameMembers(oldMembers, MembersOf(newIndex)) &&
                check.Open(newDos) == zip::kOpened &&
                check.Extract("*", readBack.dos, zip::kStoreRelativePaths, false, false, false) &&
                check.SkippedMembers().empty();
    if (!same) {
        if (cancelled())
            return Step::Stop;
        AddError(status, kRecompressVerifyError, zip);
        return Step::Failed;
    }
    staging.Remove();

    // The new archive takes the old one's place, mode and owner, unless
    // another program changed the old one meanwhile.
    FileIdentity now;
    if (!IdentityOf(host, &now) || !SameIdentity(before, now)) {
        AddError(status, kRecompressChangedError, zip);
        return Step::Failed;
    }
    if (::geteuid() == 0)
        (void)::lchown(newHost.c_str(), before.owner, before.group);
    platform::SysError err;
    if (::chmod(newHost.c_str(), before.mode & 07777) != 0 ||
        !platform::RenameEntry(newHost, host, true, &err)) {
        AddError(status, kRecompressRezipError, zip);
        return Step::Failed;
    }
    platform::SyncDirectory(platform::HostDirName(host));
    m_context.Notices().Notify({ui::ChangeKind::Changed, zip, "", false});
    return Step::Done;
}

std::string CZipRecompressJob::DriveLetters() const {
    return ui::NormalizeDriveLetters(std::string(1, m_parameters.drive));
}

ui::JobResult CZipRecompressJob::Run(ui::OperationContext& context) {
    CZipRecompressDiskZipFiles run(m_parameters, context);
    run.Run();
    m_outcome = run.Outcome();
    ui::JobResult result;
    result.ok = m_outcome.errors.empty();
    result.cancelled = m_outcome.cancelled;
    result.summary = std::to_string(m_outcome.recompressed) + " recompressed";
    return result;
}

} // namespace vorlane::fileops
