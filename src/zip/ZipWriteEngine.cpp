// The zip entry point: freshen, delete, update and add (with the archive
// comment). libzip builds the new archive; ZipArchiveFile writes it beside
// the old one and renames it over it only when complete (fsynced), and
// ZipDeflatePipeline compresses the members on worker threads ahead of it.
// ZipArchiveLock holds the archive for the whole change.
#include "zip/ZipCentralDirectory.h"
#include "zip/ZipEngine.h"
#include "zip/private/ZipArchiveFile.h"
#include "zip/private/ZipArchiveLock.h"
#include "zip/private/ZipDeflatePipeline.h"
#include "zip/private/ZipNames.h"

#include "platform/CaseFolding.h"
#include "platform/DosPath.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Wildcard.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vorlane::zip {

namespace {

constexpr int kZipBadComment = 7; // "Invalid comment format."
constexpr int kAnswerYes = 6;     // the message callback's "yes"

// --- names -------------------------------------------------------------------

// A host path as the user knows it: its DOS form when a drive maps it.
std::string ShownPath(const std::string& hostPath, const platform::DriveMap& drives) {
    std::string dos;
    return platform::HostToDos(hostPath, &dos, nullptr, drives) ? dos : hostPath;
}

// "'<path>': <the system's reason>".
std::string PathAndReason(const std::string& hostPath, int errnoValue,
                          const platform::DriveMap& drives) {
    return "'" + ShownPath(hostPath, drives) +
           "': " + std::strerror(errnoValue != 0 ? errnoValue : EIO);
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool HasWildcard(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Gives every directory component and file name its DOS 8.3 form, unique
// within its directory: a second long name with the same short form gets
// "~1", "~2", ... in the manner of DOS ("REPORT~1.TXT").
class ShortNamer {
  public:
    std::string ShortPath(const std::vector<std::string>& components) {
        std::string path;
        for (const std::string& component : components) {
            std::string shortName = ShortComponent(path, component);
            path += path.empty() ? shortName : "/" + shortName;
        }
        return path;
    }

  private:
    std::string ShortComponent(const std::string& parent, const std::string& name) {
        auto key = std::make_pair(parent, name);
        auto found = m_given.find(key);
        if (found != m_given.end())
            return found->second;
        std::string candidate = DosShortName(name);
        std::set<std::string>& taken = m_taken[parent];
        if (taken.count(candidate) != 0) {
            size_t dot = candidate.rfind('.');
            std::string base = dot == std::string::npos ? candidate : candidate.substr(0, dot);
            std::string ext = dot == std::string::npos ? std::string() : candidate.substr(dot);
            for (int n = 1; n < 1000000; ++n) {
                std::string tail = "~" + std::to_string(n);
                std::string tryName =
                    base.substr(0, 8 - std::min<size_t>(7, tail.size())) + tail + ext;
                if (taken.count(tryName) == 0) {
                    candidate = tryName;
                    break;
                }
            }
        }
        taken.insert(candidate);
        m_given[key] = candidate;
        return candidate;
    }

    std::map<std::pair<std::string, std::string>, std::string> m_given;
    std::map<std::string, std::set<std::string>> m_taken;
};

// --- the disk side -----------------------------------------------------------

// A file or folder that could not be read, left out of the change.
struct SkippedItem {
    std::string hostPath;
    int sysErrno = 0;
};

struct DiskItem {
    std::string hostPath;
    std::string memberName; // '/' separators; a directory without the trailing '/'
    bool isDirectory = false;
    // Its directory does not tell names apart by case (or DOS names are
    // stored): "A.txt" and an "a.txt" of the archive are then one file.
    bool caseInsensitive = false;
    uint64_t size = 0;
    time_t mtime = 0;
    mode_t mode = 0;
    uint32_t dosAttributes = 0;
};

// Expands a file specification into disk files and directories.
class SpecExpander {
  public:
    SpecExpander(const ZipCommandRecord& record, const std::string& archive,
                 std::function<bool()> cancelled)
        : m_record(record), m_cancelled(std::move(cancelled)) {
        struct stat info;
        if (::stat(archive.c_str(), &info) == 0) {
            m_archiveDevice = info.st_dev;
            m_archiveInode = info.st_ino;
        }
    }

    // False when cancelled (items then incomplete).
    bool Expand(const std::string& spec) {
        for (const std::string& name : SplitFileSpec(spec)) {
            if (!ExpandOne(name))
                return false;
        }
        return true;
    }

    std::vector<DiskItem>& Items() { return m_items; }
    const std::vector<SkippedItem>& Skipped() const { return m_skipped; }

  private:
    bool StorePaths() const { return m_record.storeNoPaths == 0; }

    bool ExpandOne(const std::string& dosName) {
        size_t cut = dosName.find_last_of("\\/");
        if (cut == std::string::npos)
            return true; // not a full DOS path: matches nothing
        std::string dosDir = dosName.substr(0, cut + 1);
        std::string pattern = dosName.substr(cut + 1);
        std::string hostDir;
        if (!platform::DosToHost(dosDir, &hostDir, nullptr, *m_record.drives))
            return true;
        if (hostDir.size() > 1 && hostDir.back() == '/')
            hostDir.pop_back();
        m_baseComponents.clear();
        if (StorePaths() && (m_record.options & kZipStoreRelativePaths) == 0) {
            // Full path without the drive: the directory's DOS components,
            // each in its host form.
            std::string dosCanonical;
            if (!platform::HostToDos(hostDir, &dosCanonical, nullptr, *m_record.drives))
                dosCanonical = dosDir;
            for (const std::string& c : MemberPathComponents(dosCanonical.substr(2)))
                m_baseComponents.push_back(platform::DosNameToHost(c));
        }
        if (pattern.empty())
            pattern = "*";
        if (!HasWildcard(pattern)) {
            std::string hostPath;
            if (!platform::DosToHost(dosName, &hostPath, nullptr, *m_record.drives))
                return true;
            size_t slash = hostPath.rfind('/');
            std::string name = hostPath.substr(slash + 1);
            struct stat info;
            if (::lstat(hostPath.c_str(), &info) != 0)
                return true; // not there: not matched
            if (S_ISDIR(info.st_mode)) {
                AddDirectory(hostPath, {name});
                if (m_record.recurse != 0)
                    return Walk(hostPath, {name}, platform::Wildcard("*"));
                return true;
            }
            AddFile(hostPath, {name});
            return true;
        }
        if (pattern == "*.*")
            pattern = "*"; // DOS: every name, also those without a dot
        std::string escaped;
        for (char c : pattern) {
            if (c == '[' || c == ']' || c == '\\')
                escaped += '\\';
            escaped += c;
        }
        return Walk(hostDir, {}, platform::Wildcard(escaped));
    }

    // Adds what in hostDir matches; descends into real subdirectories when
    // recursing (never through a link to a directory).
    bool Walk(const std::string& hostDir, const std::vector<std::string>& relative,
              const platform::Wildcard& pattern) {
        platform::DirectoryReader reader;
        platform::SysError err;
        if (!reader.Open(hostDir, &err)) {
            if (err.sysErrno != ENOENT)
                m_skipped.push_back({hostDir, err.sysErrno});
            return true;
        }
        platform::FileEntry entry;
        std::vector<std::pair<std::string, std::string>> subdirs;
        std::vector<std::string> names;
        while (reader.Next(&entry)) {
            if ((++m_seen & 255) == 0 && m_cancelled())
                return false;
            std::string path = hostDir == "/" ? "/" + entry.name : hostDir + "/" + entry.name;
            std::vector<std::string> rel = relative;
            rel.push_back(entry.name);
            bool matches = pattern.Match(platform::HostNameToDos(entry.name));
            if (entry.isDirectory) {
                if (entry.isSymlink)
                    continue; // a link to a directory is never followed
                if (matches && m_record.recurse != 0)
                    AddDirectory(path, rel);
                if (m_record.recurse != 0)
                    subdirs.emplace_back(path, entry.name);
                continue;
            }
            if (matches)
                AddFile(path, rel);
        }
        reader.Close();
        for (const auto& [path, name] : subdirs) {
            std::vector<std::string> rel = relative;
            rel.push_back(name);
            struct stat info; // the walk re-checks: never descend through a link
            if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                continue;
            if (!Walk(path, rel, pattern))
                return false;
        }
        return true;
    }

    std::string MemberName(const std::vector<std::string>& relative) {
        std::vector<std::string> components;
        if (!StorePaths()) {
            components.push_back(relative.back());
        } else {
            components = m_baseComponents;
            components.insert(components.end(), relative.begin(), relative.end());
        }
        if ((m_record.options & kZipDosNames) != 0)
            return m_shortNamer.ShortPath(components);
        std::string name;
        for (const std::string& c : components)
            name += name.empty() ? c : "/" + c;
        return name;
    }

    // Whether the directory holding hostPath folds case; asked once per
    // directory.
    bool FoldsCase(const std::string& hostPath) {
        if ((m_record.options & kZipDosNames) != 0)
            return true;
        const size_t slash = hostPath.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash + 1);
        auto [it, inserted] = m_foldsCase.emplace(dir, false);
        if (inserted)
            it->second = platform::IsCaseInsensitivePath(dir);
        return it->second;
    }

    void AddDirectory(const std::string& hostPath, const std::vector<std::string>& relative) {
        if (!StorePaths())
            return;
        struct stat info;
        if (::stat(hostPath.c_str(), &info) != 0)
            return;
        DiskItem item;
        item.hostPath = hostPath;
        item.caseInsensitive = FoldsCase(hostPath);
        item.memberName = MemberName(relative);
        item.isDirectory = true;
        item.mtime = info.st_mtime;
        item.mode = info.st_mode;
        uint32_t attributes = platform::kAttrDirectory;
        platform::GetAttributes(hostPath, &attributes);
        item.dosAttributes = attributes;
        m_items.push_back(std::move(item));
    }

    void AddFile(const std::string& hostPath, const std::vector<std::string>& relative) {
        // A temporary file of a change (ours or a killed one's) is never
        // archived.
        if (IsTemporaryFileName(relative.back()))
            return;
        struct stat info;
        DiskItem item;
        item.hostPath = hostPath;
        // A file that cannot be read (a dangling link, no permission) is
        // named and left out; the other files are still added.
        if (::stat(hostPath.c_str(), &info) != 0) {
            m_skipped.push_back({hostPath, errno});
            return;
        }
        if (!S_ISREG(info.st_mode))
            return; // devices, pipes and sockets are not archived
        if (info.st_dev == m_archiveDevice && info.st_ino == m_archiveInode)
            return; // the archive never goes into itself
        if (::access(hostPath.c_str(), R_OK) != 0) {
            m_skipped.push_back({hostPath, errno});
            return;
        }
        item.size = static_cast<uint64_t>(info.st_size);
        item.mtime = info.st_mtime;
        item.mode = info.st_mode;
        item.memberName = MemberName(relative);
        item.caseInsensitive = FoldsCase(hostPath);
        uint32_t attributes = platform::kAttrArchive;
        platform::GetAttributes(hostPath, &attributes);
        item.dosAttributes = attributes;
        m_items.push_back(std::move(item));
    }

    const ZipCommandRecord& m_record;
    std::function<bool()> m_cancelled;
    std::vector<DiskItem> m_items;
    std::vector<SkippedItem> m_skipped;
    std::vector<std::string> m_baseComponents;
    ShortNamer m_shortNamer;
    std::unordered_map<std::string, bool> m_foldsCase; // directory -> folds case
    unsigned m_seen = 0;
    dev_t m_archiveDevice = 0;
    ino_t m_archiveInode = 0;
};

// --- the operation -----------------------------------------------------------

// An archive with no members: the end record alone (and the comment). Its
// directory offset stays 0 even after a program in front of it, as Info-ZIP
// writes it: readers take that for "the archive starts after the program",
// and refuse an empty directory said to start at the program's end.
std::string EmptyArchive(const std::string& comment) {
    std::string bytes = {'P', 'K', 5, 6};
    bytes.append(16, '\0');
    uint16_t length = static_cast<uint16_t>(comment.size());
    bytes.push_back(static_cast<char>(length & 0xFF));
    bytes.push_back(static_cast<char>(length >> 8));
    return bytes + comment;
}

uint32_t PackedDosTime(time_t t) {
    platform::DosDateTime dos = platform::ToDosDateTime(platform::FileTime{t, 0});
    return static_cast<uint32_t>(dos.date) << 16 | dos.time;
}

class ZipWriteOperation {
  public:
    explicit ZipWriteOperation(ZipCommandRecord& record) : m_record(record) {}
    ~ZipWriteOperation() {
        if (m_zip != nullptr)
            zip_discard(m_zip);
    }

    int Run();

  private:
    int LockArchive();
    int Change();
    void ForgetCreatedArchive();
    // Sends the detail of a failure (once per call) and returns code.
    int Detail(int code, const std::string& text);
    void ReportSkipped(const std::vector<SkippedItem>& skipped);
    std::unique_ptr<ZipArchiveFile> NewArchiveFile();
    void HandOverLock();
    int OpenArchive();
    int ChangeMembers(bool* anyChange);
    int DeleteMembers(bool* anyChange);
    // Delete by the exact names of memberNames.
    int DeleteNamedMembers(bool* anyChange);
    // Deletes entry index (the same in libzip and the index).
    int DeleteEntry(size_t index, bool* anyChange);
    int AddMembers(bool* anyChange);
    // Asks whether the member may be replaced by a file whose name differs
    // from it only in case; true: yes.
    bool AskReplaceCaseTwin(const std::string& member, const DiskItem& item);
    int Close();
    int FinishEmpty(const std::string& comment);
    int CloseFailure();
    int WriteFailure();
    bool DeleteMovedSources();

    bool Progress(const char* text, int percent) {
        if (m_record.progressCallback != nullptr &&
            m_record.progressCallback(text, percent, m_record.progressUser))
            m_cancelled = true;
        return m_cancelled;
    }
    const char* Verb() const {
        switch (m_record.function) {
        case kZipFreshen:
            return "Freshening: ";
        case kZipUpdate:
            return "Updating: ";
        default:
            return "Adding: ";
        }
    }

    static void LibzipProgress(zip_t*, double fraction, void* user) {
        auto* self = static_cast<ZipWriteOperation*>(user);
        int percent = std::clamp(static_cast<int>(fraction * 100.0 + 0.5), 1, 100);
        if (percent != self->m_lastPercent) {
            self->m_lastPercent = percent;
            // No exception may cross libzip's C code: memory running out
            // in the caller's progress display ends the change.
            try {
                self->Progress(nullptr, percent);
            } catch (const std::bad_alloc&) {
                self->m_outOfMemory = true;
            }
        }
    }
    static int LibzipCancel(zip_t*, void* user) {
        auto* self = static_cast<ZipWriteOperation*>(user);
        return self->m_cancelled || self->m_outOfMemory ||
                       (self->m_pipeline &&
                        (self->m_pipeline->ReadFailed() || self->m_pipeline->OutOfMemory()))
                   ? 1
                   : 0;
    }

    ZipCommandRecord& m_record;
    std::string m_archive; // host path, links resolved
    bool m_existed = false;
    ZipArchiveLock m_lock;
    ArchiveIdentity m_readIdentity; // the locked archive before the change
    bool m_detailSent = false;
    size_t m_skipped = 0;  // files left out because they could not be read
    uint64_t m_prefix = 0; // bytes in front of the first member (a program)
    ZipArchiveIndex m_index;
    std::unique_ptr<ZipArchiveFile> m_file;
    zip_t* m_zip = nullptr;
    std::unique_ptr<ZipDeflatePipeline> m_pipeline;
    std::vector<DiskItem> m_added;          // written into the archive
    std::vector<std::string> m_memberLabel; // per pipeline member: progress text
    std::vector<std::string> m_walkedDirs;
    uint64_t m_survivors = 0;
    bool m_cancelled = false;
    bool m_outOfMemory = false; // in a callback, where it cannot be thrown
    int m_lastPercent = 0;
};

int ZipWriteOperation::Run() {
    if (m_record.recordSize != kZipCommandRecordSize || m_record.zipPath == nullptr ||
        m_record.drives == nullptr || m_record.function < kZipFreshen ||
        m_record.function > kZipAdd)
        return kZipInternalError;
    if (m_record.writeComment != 0 && m_record.comment != nullptr &&
        std::strlen(m_record.comment) > 0xFFFF)
        return kZipBadComment;

    std::string hostPath;
    if (!platform::DosToHost(m_record.zipPath, &hostPath, nullptr, *m_record.drives) ||
        !ResolveArchivePath(hostPath, &m_archive))
        return kZipOpenForWrite;
    struct stat info;
    if (::stat(m_archive.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return kZipOpenForWrite;

    int rc = LockArchive();
    if (rc == kZipOk)
        rc = Change();
    if (rc != kZipOk && rc != kZipFilesSkipped)
        ForgetCreatedArchive();
    return rc;
}

// Takes the archive's write lock (or the caller's), then removes what
// killed changes left beside it. A missing archive that this call may make
// is made empty and locked first.
int ZipWriteOperation::LockArchive() {
    const std::string shown = ShownPath(m_archive, *m_record.drives);
    if (m_record.heldLockFd >= 0) {
        if (m_lock.Share(m_record.heldLockFd, m_archive) != ZipArchiveLock::Result::kLocked)
            return Detail(kZipArchiveChanged,
                          "'" + shown +
                              "' has been replaced by another program since it was locked");
    } else {
        // Freshen and delete never make an archive.
        const bool create = m_record.function == kZipAdd || m_record.function == kZipUpdate;
        platform::SysError err;
        switch (m_lock.Acquire(m_archive, create, std::chrono::milliseconds(0), {}, &err)) {
        case ZipArchiveLock::Result::kLocked:
            break;
        case ZipArchiveLock::Result::kMissing:
            return kZipOk; // nothing to lock: the change finds no archive
        case ZipArchiveLock::Result::kBusy:
            return Detail(kZipArchiveBusy, "'" + shown + "' is being changed by another operation");
        case ZipArchiveLock::Result::kFailed:
            m_record.systemError = err.sysErrno;
            return Detail(kZipOpenForWrite, "Cannot open " + PathAndReason(m_archive, err.sysErrno,
                                                                           *m_record.drives));
        }
    }
    m_lock.RemoveStaleTemporaries();
    m_lock.Identity(&m_readIdentity);
    return kZipOk;
}

// An empty file that LockArchive made for a change that did not happen
// goes again (while still locked, and only when nobody wrote it).
void ZipWriteOperation::ForgetCreatedArchive() {
    ArchiveIdentity now;
    if (m_lock.Created() && m_lock.Identity(&now) && now.size == 0 && m_lock.Unchanged(now))
        ::unlink(m_archive.c_str());
}

int ZipWriteOperation::Detail(int code, const std::string& text) {
    if (!m_detailSent && m_record.messageCallback != nullptr) {
        m_detailSent = true;
        char reply[kZipReplySize] = {};
        m_record.messageCallback(kMessageErrorDetail, 0, 0, 0, text.c_str(), reply,
                                 m_record.messageUser);
    }
    return code;
}

void ZipWriteOperation::ReportSkipped(const std::vector<SkippedItem>& skipped) {
    m_skipped = skipped.size();
    if (m_record.messageCallback == nullptr)
        return;
    for (const SkippedItem& item : skipped) {
        char reply[kZipReplySize] = {};
        m_record.messageCallback(
            kMessageFileSkipped, 0, 0, 0,
            PathAndReason(item.hostPath, item.sysErrno, *m_record.drives).c_str(), reply,
            m_record.messageUser);
    }
}

int ZipWriteOperation::Change() {
    const bool commentOnly = m_record.function == kZipAdd && m_record.writeComment != 0 &&
                             (m_record.fileSpec == nullptr || m_record.fileSpec[0] == '\0');
    std::string comment;
    if (m_record.writeComment != 0)
        comment = m_record.comment != nullptr ? m_record.comment : "";
    // An empty file (one this call just made, or debris) holds no archive.
    m_existed = m_lock.Held() && m_readIdentity.size > 0;

    if (m_existed) {
        std::string why;
        int rc = ReadZipIndexFile(m_archive, &m_index, &why, &m_record.systemError);
        switch (rc) {
        case kUnzipOk:
            break;
        case kUnzipUnexpectedEnd:
            return kZipUnexpectedEnd;
        case kUnzipFileNotFound:
        case kUnzipReadError:
            return kZipReadError;
        case kUnzipOutOfMemory:
            return kZipOutOfMemory;
        default: // not a zip file, overlapping members, ...
            return kZipStructureError;
        }
        if (m_index.multiVolume) {
            // Changing a split or spanned archive is not possible; the
            // question lets the program record why the call ends.
            if (m_record.messageCallback != nullptr) {
                char reply[kZipReplySize] = {};
                m_record.messageCallback(kMessageMultiVolume, 0, 0, 0,
                                         "Multi-volume zip files cannot be changed.", reply,
                                         m_record.messageUser);
            }
            return kZipMultiVolume;
        }
        // A program in front of the archive (a self-extractor) stays: the
        // new archive keeps the bytes before the first member.
        m_prefix = m_index.centralDirectoryOffset;
        for (const ZipMemberInfo& member : m_index.members)
            m_prefix = std::min(m_prefix, member.localHeaderOffset + m_index.archiveStart);
    }

    uint64_t existing = m_existed ? m_index.members.size() : 0;
    if (m_record.function == kZipDelete && existing == 0)
        return kZipMissingOrEmpty;
    if (commentOnly && existing == 0)
        return FinishEmpty(comment);
    if (m_record.function == kZipFreshen && existing == 0)
        return kZipNothingToDo;

    int rc = OpenArchive();
    if (rc != kZipOk)
        return rc;
    bool anyChange = false;
    if (!commentOnly) {
        rc = ChangeMembers(&anyChange);
        if (rc != kZipOk)
            return rc;
        if (!anyChange)
            return m_skipped != 0 ? kZipOpenForRead : kZipNothingToDo;
    }
    if (m_record.writeComment != 0 &&
        zip_set_archive_comment(m_zip, comment.data(), static_cast<zip_uint16_t>(comment.size())) !=
            0)
        return kZipBadComment;

    if (m_survivors == 0) {
        // libzip would remove the file; an archive with no members is kept.
        zip_discard(m_zip);
        m_zip = nullptr;
        return FinishEmpty(m_record.writeComment != 0 ? comment : m_index.comment);
    }
    rc = Close();
    if (rc == kZipOk && m_record.move != 0 && !DeleteMovedSources())
        return kZipIncomplete; // archived, but a source could not be deleted
    if (rc == kZipOk && m_skipped != 0)
        return kZipFilesSkipped;
    return rc;
}

std::unique_ptr<ZipArchiveFile> ZipWriteOperation::NewArchiveFile() {
    auto file = std::make_unique<ZipArchiveFile>(m_archive);
    // libzip reads an archive whose offsets count from its own start from
    // there; the bytes in front of it go in front of the new archive.
    file->SetArchiveStart(m_index.archiveStart, m_prefix);
    file->SetReplaceCheck([this] { return !m_lock.Held() || m_lock.Unchanged(m_readIdentity); });
    return file;
}

// After a change made under the caller's lock, the caller's descriptor is
// made a descriptor of the new archive, whose lock was taken on the
// temporary file before the rename: the archive was never unlocked.
void ZipWriteOperation::HandOverLock() {
    const int fd = m_file->TakeCommittedDescriptor();
    if (fd < 0)
        return;
    if (m_record.heldLockFd >= 0)
        ::dup3(fd, m_record.heldLockFd, O_CLOEXEC);
    ::close(fd);
}

int ZipWriteOperation::OpenArchive() {
    m_file = NewArchiveFile();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = m_file->CreateSource(&error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return kZipOutOfMemory;
    }
    int flags = m_existed ? 0 : ZIP_CREATE | ZIP_TRUNCATE;
    m_zip = zip_open_from_source(source, flags, &error);
    int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (m_zip == nullptr) {
        zip_source_free(source);
        switch (code) {
        case ZIP_ER_MEMORY:
            return kZipOutOfMemory;
        case ZIP_ER_MULTIDISK:
            return kZipMultiVolume;
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
        case ZIP_ER_SEEK:
            return kZipReadError;
        default:
            return kZipStructureError;
        }
    }
    m_survivors = static_cast<uint64_t>(zip_get_num_entries(m_zip, 0));
    // Members are named by the engine's own index (as listed), by libzip's
    // entry number: the two must be the same list.
    if (m_existed && m_survivors != m_index.members.size())
        return kZipStructureError;
    return kZipOk;
}

int ZipWriteOperation::ChangeMembers(bool* anyChange) {
    if (m_record.function == kZipDelete)
        return DeleteMembers(anyChange);
    return AddMembers(anyChange);
}

int ZipWriteOperation::DeleteMembers(bool* anyChange) {
    if (m_record.memberNames != nullptr)
        return DeleteNamedMembers(anyChange);
    std::vector<std::string> names =
        SplitFileSpec(m_record.fileSpec != nullptr ? m_record.fileSpec : "");
    if (names.empty())
        return kZipNothingToDo; // an empty list never means "every member"
    // Names without wildcards are looked up (an archive may hold 100,000
    // members); only the others are matched against every member.
    std::unordered_set<std::string> wholePaths, baseNames;
    std::vector<std::string> patterns;
    for (const std::string& name : names) {
        if (HasWildcard(name))
            patterns.push_back(name);
        else if (name.find_first_of("\\/") != std::string::npos)
            wholePaths.insert(AsciiLower(DosNameToMember(name)));
        else
            baseNames.insert(AsciiLower(name));
    }
    // Members go by the names the engine lists (its index), not by libzip's
    // decoding of them: a name shown in the list finds its member.
    for (size_t i = 0; i < m_index.members.size(); ++i) {
        const std::string& stored = m_index.members[i].name;
        std::string lower = AsciiLower(DosNameToMember(stored));
        std::string_view trimmed = lower;
        if (!trimmed.empty() && trimmed.back() == '/')
            trimmed.remove_suffix(1);
        bool hit = wholePaths.count(std::string(trimmed)) != 0 ||
                   baseNames.count(std::string(MemberBaseName(trimmed))) != 0;
        for (size_t p = 0; !hit && p < patterns.size(); ++p)
            hit = MatchMemberName(patterns[p], trimmed) || MatchMemberName(patterns[p], lower);
        if (hit) {
            if (int rc = DeleteEntry(i, anyChange))
                return rc;
        }
    }
    return kZipOk;
}

int ZipWriteOperation::DeleteNamedMembers(bool* anyChange) {
    // Members the user chose: each whole name exactly, never another member
    // sharing its base name or differing only in case.
    std::unordered_set<std::string_view> wanted;
    for (const char* const* name = m_record.memberNames; *name != nullptr; ++name)
        wanted.insert(*name);
    if (wanted.empty())
        return kZipNothingToDo; // an empty list never means "every member"
    for (size_t i = 0; i < m_index.members.size(); ++i) {
        if (wanted.count(m_index.members[i].name) == 0)
            continue;
        if (int rc = DeleteEntry(i, anyChange))
            return rc;
    }
    return kZipOk;
}

int ZipWriteOperation::DeleteEntry(size_t index, bool* anyChange) {
    if (Progress(("Deleting: " + m_index.members[index].name).c_str(), 0))
        return kZipUserCancelled;
    if (zip_delete(m_zip, static_cast<zip_uint64_t>(index)) != 0)
        return kZipInternalError;
    --m_survivors;
    *anyChange = true;
    return kZipOk;
}

int ZipWriteOperation::AddMembers(bool* anyChange) {
    SpecExpander expander(m_record, m_archive, [this] { return Progress(nullptr, 0); });
    if (!expander.Expand(m_record.fileSpec != nullptr ? m_record.fileSpec : ""))
        return kZipUserCancelled;
    ReportSkipped(expander.Skipped());
    std::vector<DiskItem>& items = expander.Items();

    // Two disk files may not become one member; the same file named twice
    // is taken once.
    std::unordered_map<std::string, size_t> byName;
    std::vector<DiskItem> unique;
    for (DiskItem& item : items) {
        auto [it, inserted] = byName.emplace(item.memberName, unique.size());
        if (!inserted) {
            if (unique[it->second].hostPath == item.hostPath)
                continue;
            if (item.isDirectory && unique[it->second].isDirectory)
                continue;
            return kZipConflictingNames;
        }
        unique.push_back(std::move(item));
    }

    // The archive's members by name (as the engine lists them): exactly,
    // else without regard to case.
    std::unordered_map<std::string, zip_uint64_t> exact;
    std::unordered_map<std::string, zip_uint64_t> folded;
    for (size_t i = 0; i < m_index.members.size(); ++i) {
        std::string name = m_index.members[i].name;
        if (!name.empty() && name.back() == '/')
            name.pop_back();
        exact.emplace(name, static_cast<zip_uint64_t>(i));
        folded.emplace(AsciiLower(name), static_cast<zip_uint64_t>(i));
    }

    int level = std::clamp(m_record.compressionLevel, 0, 9);
    m_pipeline = std::make_unique<ZipDeflatePipeline>(level, [this](size_t member) {
        if (m_pipeline->ReadFailed())
            return true;
        return Progress(m_memberLabel[member].c_str(), 0);
    });
    bool encrypt =
        m_record.usePassword != 0 && m_record.password != nullptr && m_record.password[0] != '\0';
    std::vector<std::pair<zip_uint64_t, size_t>> writeOrder; // (entry, member)

    for (DiskItem& item : unique) {
        std::optional<zip_uint64_t> existing;
        // A member whose name differs only in case is the same file only
        // when one side did not tell case apart (a FAT disk, a DOS host's
        // archive); then replacing it is the user's decision.
        bool caseOnly = false;
        if (auto it = exact.find(item.memberName); it != exact.end()) {
            existing = it->second;
        } else if (auto it2 = folded.find(AsciiLower(item.memberName)); it2 != folded.end()) {
            if (item.caseInsensitive || IsDosHost(m_index.members[it2->second].versionMadeBy)) {
                existing = it2->second;
                caseOnly = true;
            }
        }

        if (m_record.function == kZipFreshen && !existing)
            continue;
        if (item.isDirectory && existing)
            continue; // a directory entry is there already
        if (existing && m_record.function != kZipAdd) {
            zip_stat_t st;
            if (zip_stat_index(m_zip, *existing, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME) &&
                PackedDosTime(item.mtime) <= PackedDosTime(st.mtime))
                continue; // the archive's copy is as new
        }
        if (item.isDirectory && m_record.function == kZipFreshen)
            continue;
        if (caseOnly && !AskReplaceCaseTwin(m_index.members[*existing].name, item))
            continue;

        zip_flags_t encoding = ZIP_FL_ENC_GUESS;
        if (!IsAscii(item.memberName))
            encoding = IsValidUtf8(item.memberName) ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW;
        zip_int64_t index;
        if (item.isDirectory) {
            index = zip_dir_add(m_zip, item.memberName.c_str(), encoding);
            if (index < 0)
                return kZipInternalError;
            ++m_survivors;
        } else {
            size_t member = m_pipeline->Add(item.hostPath, item.size, item.mtime);
            m_memberLabel.push_back(Verb() + item.memberName);
            zip_error_t error;
            zip_error_init(&error);
            zip_source_t* source = m_pipeline->CreateSource(member, &error);
            zip_error_fini(&error);
            if (source == nullptr)
                return kZipOutOfMemory;
            if (existing) {
                index = static_cast<zip_int64_t>(*existing);
                if (zip_file_replace(m_zip, *existing, source, 0) != 0) {
                    zip_source_free(source);
                    return kZipInternalError;
                }
            } else {
                index = zip_file_add(m_zip, item.memberName.c_str(), source, encoding);
                if (index < 0) {
                    zip_source_free(source);
                    return kZipInternalError;
                }
                ++m_survivors;
            }
            zip_uint64_t at = static_cast<zip_uint64_t>(index);
            bool stored = m_pipeline->IsStored(member);
            if (zip_set_file_compression(m_zip, at, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                         stored ? 0 : static_cast<zip_uint32_t>(level)) != 0)
                return kZipInternalError;
            if (zip_file_set_encryption(m_zip, at, encrypt ? ZIP_EM_TRAD_PKWARE : ZIP_EM_NONE,
                                        encrypt ? m_record.password : nullptr) != 0)
                return kZipInternalError;
            writeOrder.emplace_back(at, member);
        }
        zip_uint64_t at = static_cast<zip_uint64_t>(index);
        // Unix mode in the high half, the DOS attribute bits in the low byte.
        uint32_t external = static_cast<uint32_t>(item.mode) << 16 | (item.dosAttributes & 0xFF);
        if (zip_file_set_external_attributes(m_zip, at, 0, ZIP_OPSYS_UNIX, external) != 0 ||
            zip_file_set_mtime(m_zip, at, item.mtime, 0) != 0)
            return kZipInternalError;
        m_added.push_back(item);
        *anyChange = true;
    }
    if (m_record.move != 0) {
        for (const DiskItem& item : unique)
            if (item.isDirectory)
                m_walkedDirs.push_back(item.hostPath);
    }

    std::sort(writeOrder.begin(), writeOrder.end());
    std::vector<size_t> order;
    for (const auto& [entry, member] : writeOrder)
        order.push_back(member);
    m_pipeline->Start(order);
    return kZipOk;
}

bool ZipWriteOperation::AskReplaceCaseTwin(const std::string& member, const DiskItem& item) {
    if (m_record.messageCallback == nullptr)
        return false; // nobody to ask: keep the member
    std::string shown;
    if (!platform::HostToDos(item.hostPath, &shown, nullptr, *m_record.drives))
        shown = item.hostPath;
    char reply[kZipReplySize] = {};
    const std::string text =
        "Overwrite '" + member + "' with '" + shown + "'? The two names differ only in case.";
    return m_record.messageCallback(kMessageOverwrite, 0, 0, 0, text.c_str(), reply,
                                    m_record.messageUser) == kAnswerYes;
}

int ZipWriteOperation::Close() {
    zip_register_progress_callback_with_state(m_zip, 0.01, &LibzipProgress, nullptr, this);
    zip_register_cancel_callback_with_state(m_zip, &LibzipCancel, nullptr, this);
    if (zip_close(m_zip) != 0)
        return CloseFailure();
    m_zip = nullptr;
    HandOverLock();
    if (m_pipeline)
        m_pipeline->Stop();
    if (m_lastPercent != 100)
        Progress(nullptr, 100);
    return kZipOk;
}

int ZipWriteOperation::CloseFailure() {
    int code = zip_error_code_zip(zip_get_error(m_zip));
    zip_discard(m_zip); // the temporary file is gone, the old archive untouched
    m_zip = nullptr;
    if (m_pipeline)
        m_pipeline->Stop();
    if (m_file->ArchiveChanged())
        return Detail(kZipArchiveChanged, "'" + ShownPath(m_archive, *m_record.drives) +
                                              "' was changed by another program meanwhile");
    if (m_file->WriteFailed() || m_file->ReadFailed())
        m_record.systemError = m_file->LastError().sysErrno;
    if (m_file->WriteFailed())
        return WriteFailure();
    if (m_outOfMemory || (m_pipeline && m_pipeline->OutOfMemory()))
        return kZipOutOfMemory;
    if (m_cancelled)
        return kZipUserCancelled;
    if (m_pipeline && m_pipeline->ReadFailed()) {
        m_record.systemError = m_pipeline->ReadError().sysErrno;
        return Detail(kZipOpenForRead,
                      PathAndReason(m_pipeline->FailedPath(), m_pipeline->ReadError().sysErrno,
                                    *m_record.drives));
    }
    if (m_file->ReadFailed())
        return Detail(kZipReadError,
                      PathAndReason(m_archive, m_file->LastError().sysErrno, *m_record.drives));
    switch (code) {
    case ZIP_ER_MEMORY:
        return kZipOutOfMemory;
    case ZIP_ER_CANCELLED:
        return kZipUserCancelled;
    case ZIP_ER_WRITE:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
    case ZIP_ER_CLOSE:
        return kZipWriteError;
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_EOF:
        return kZipReadError;
    case ZIP_ER_INCONS:
    case ZIP_ER_NOZIP:
    case ZIP_ER_COMPRESSED_DATA:
        return kZipStructureError;
    default:
        return kZipIncomplete;
    }
}

int ZipWriteOperation::FinishEmpty(const std::string& comment) {
    if (!m_file)
        m_file = NewArchiveFile();
    if (!m_file->WriteWhole(EmptyArchive(comment))) {
        if (m_file->ArchiveChanged())
            return Detail(kZipArchiveChanged, "'" + ShownPath(m_archive, *m_record.drives) +
                                                  "' was changed by another program meanwhile");
        m_record.systemError = m_file->LastError().sysErrno;
        return m_file->ReadFailed() ? kZipReadError : WriteFailure();
    }
    HandOverLock();
    return kZipOk;
}

// The new archive is written beside the old one (then renamed over it):
// that folder's drive is where the space or the permission is missing.
int ZipWriteOperation::WriteFailure() {
    const int e = m_file->LastError().sysErrno;
    const std::string folder = ShownPath(platform::HostDirName(m_archive), *m_record.drives);
    if (e == ENOSPC || e == EDQUOT)
        return Detail(kZipWriteError, "No space left in '" + folder +
                                          "' for the new copy of the archive, which is written "
                                          "there before it replaces the old one");
    return Detail(kZipWriteError, "Cannot write the new archive in '" + folder +
                                      "': " + std::strerror(e != 0 ? e : EIO));
}

bool ZipWriteOperation::DeleteMovedSources() {
    bool allGone = true;
    for (const DiskItem& item : m_added) {
        if (!item.isDirectory && !platform::DeleteFile(item.hostPath))
            allGone = false;
    }
    // Directories the move emptied go too, deepest first; others stay.
    std::sort(m_walkedDirs.begin(), m_walkedDirs.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& dir : m_walkedDirs)
        platform::RemoveDirectory(dir);
    return allGone;
}

} // namespace

int ZipEntry(ZipCommandRecord& record) {
    record.systemError = 0;
    // Memory running out anywhere in the change ends it like any failure:
    // the temporary file goes with the operation, the archive stays as it was.
    try {
        ZipWriteOperation operation(record);
        return operation.Run();
    } catch (const std::bad_alloc&) {
        return kZipOutOfMemory;
    }
}

} // namespace vorlane::zip
