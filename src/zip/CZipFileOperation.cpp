#include "zip/CZipFileOperation.h"

#include "platform/DosPath.h"
#include "platform/DosPathText.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/ProgramDirs.h"
#include "ui/MessageText.h"
#include "ui/UserInterface.h"
#include "zip/ZipIndexCache.h"
#include "zip/private/ZipArchiveLock.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <new>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace vorlane::zip {

namespace {

// Names longer than this on the destination's file system mean it takes
// long names; a shorter limit makes an extraction use DOS 8.3 names.
constexpr unsigned long kShortNameSystemLimit = 129;
// The placeholder member of an archive being created.
constexpr const char* kPlaceholderName = "00000000.DOC";
// Tries at a free staging directory name before giving up.
constexpr int kTempNameTries = 100000;

// A name for a file specification: in double quotes when it holds a blank.
std::string SpecName(const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
}

// Collects the members of a directory read into a list.
class ZipMemberList : public ZipMemberSink {
  public:
    explicit ZipMemberList(std::vector<ZipMemberEntry>* members) : m_members(members) {}
    void Reserve(size_t count) override { m_members->reserve(count); }
    void Add(ZipMemberEntry&& member) override { m_members->push_back(std::move(member)); }
    void Clear() override {
        m_members->clear();
        m_members->shrink_to_fit();
    }

  private:
    std::vector<ZipMemberEntry>* m_members;
};

bool FileExists(const std::string& dosPath, const platform::DriveMap& drives,
                bool* isDirectory = nullptr) {
    std::string host;
    platform::FileEntry entry;
    if (!platform::DosToHost(dosPath, &host, nullptr, drives) || !platform::StatEntry(host, &entry))
        return false;
    if (isDirectory)
        *isDirectory = entry.isDirectory;
    return true;
}

// Removes a staging directory and everything in it, never following a
// link: entries are reached through directory descriptors (openat with
// O_NOFOLLOW), and directories are made writable first so that read-only
// extracted folders do not stop the removal.
void RemoveTreeAt(int parentFd, const char* name) {
    int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parentFd, name, 0);
        return;
    }
    ::fchmod(fd, 0700);
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    for (const std::string& child : names) {
        struct stat st;
        if (::fstatat(fd, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            RemoveTreeAt(fd, child.c_str());
        else
            ::unlinkat(fd, child.c_str(), 0);
    }
    ::closedir(dir);
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

void RemoveTree(const std::string& hostPath) {
    if (hostPath.empty() || hostPath == "/")
        return;
    size_t slash = hostPath.rfind('/');
    std::string parent = slash == 0 ? "/" : hostPath.substr(0, slash);
    std::string name = hostPath.substr(slash + 1);
    int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0)
        return;
    RemoveTreeAt(parentFd, name.c_str());
    ::close(parentFd);
}

// The staging directory removed when the object goes.
class StagingDirectory {
  public:
    StagingDirectory() = default;
    ~StagingDirectory() { RemoveTree(host); }
    StagingDirectory(const StagingDirectory&) = delete;
    StagingDirectory& operator=(const StagingDirectory&) = delete;

    std::string dos;
    std::string host;
};

const char* UnzipTableText(int code) {
    switch (code) {
    case 0:
        return "Success";
    case 2:
        return "Unexpected end of zip file!";
    case 3:
        return "Structure error in zip file!";
    case 4:
    case 5:
        return "Out of memory!";
    case 9:
        return "File not found error!";
    case 11:
        return "Specified file(s) not found for operation.";
    case 12:
        return "Same volume for source and destination not allowed for multi-volume!";
    case 25:
        return "Index out of bounds!";
    case 28:
        return "Error creating output file.";
    case 29:
        return "Error opening output file.";
    case 39:
        return "CRC error.";
    case 40:
        return "Application cancelled operation!";
    case 41:
        return "File skipped, encrypted!";
    case 42:
        return "Unknown compression method!";
    case 44:
        return "Bad or missing decrypt code!";
    case 45:
        return "Re-entry not permitted!";
    case 46:
        return "Can't unzip a volume item!";
    case 47:
        return "Bad command structure.";
    case 48:
        return "User cancelled operation.";
    case 49:
        return "Operation skipped - file not found or something!";
    case 50:
        return "Disk full.";
    default:
        return nullptr;
    }
}

const char* ZipTableText(int code) {
    switch (code) {
    case 0:
        return "Success.";
    case 1:
        return "Can't reenter.";
    case 2:
        return "Unexpected end of zip file.";
    case 3:
        return "Zip file structure error.";
    case 4:
        return "Out of memory.";
    case 5:
        return "Internal logic error.";
    case 6:
        return "Entry too large to split.";
    case 7:
        return "Invalid comment format.";
    case 8:
        return "Zip test (-T) failed or out of memory.";
    case 9:
        return "User cancelled.";
    case 10:
        return "Error using a temp file.";
    case 11:
        return "Read or seek error.";
    case 12:
        return "Nothing to do!";
    case 13:
        return "Missing or empty zip file.";
    case 14:
        // The new archive is written beside the old one, not under the
        // work path: the space is needed on the archive's own drive.
        return "Error writing to a file (Disk is most likely full. The new archive is written "
               "beside the old one, so the space is needed on the archive's drive).";
    case 15:
        return "Couldn't open to write.";
    case 16:
        return "Conflicting items (try command again with Use Directory Names option)!";
    case 17:
        return "Could not complete operation.";
    case 18:
        return "Could not open a specified file to read.";
    case 19:
        return "Media error... disk not ready, HW r/w error, etc.";
    case 20:
        return "Bad Multi-Volume control parameters!";
    case 21:
        return "Improper usage of a Multi-Volume zip file.";
    default:
        return nullptr;
    }
}

// The program's own codes of either entry point: the refusals of hostile
// archives and an archive that could not be read.
const char* RefusalText(int code) {
    switch (code) {
    case kUnzipReadError:
        return "Read error in zip file!";
    case kUnzipOverlappingMembers:
        return "Overlapping members in zip file (possible zip bomb)!";
    case kUnzipMemberTooLarge:
        return "A member inflates past its declared size (possible zip bomb)!";
    case kUnzipUnsafeName:
        return "Unsafe member name in zip file (absolute path, drive letter or '..')!";
    case kUnzipSymlinkMember:
        return "Symbolic link member in zip file refused!";
    case kUnzipCaseCollision:
        return "Member names in zip file differ only in case!";
    case kUnzipInvalidName:
        return "Member name in zip file is not valid UTF-8!";
    default:
        return nullptr;
    }
}

// Runs a function when the scope ends (releases a lock a change took).
class AtScopeEnd {
  public:
    explicit AtScopeEnd(std::function<void()> run) : m_run(std::move(run)) {}
    ~AtScopeEnd() {
        if (m_run)
            m_run();
    }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

  private:
    std::function<void()> m_run;
};

// The program's own results of a change (ZipEngine.h).
const char* ChangeResultText(int code) {
    switch (code) {
    case kZipArchiveBusy:
        return "The zip file is being changed by another operation. Try again when it has "
               "finished.";
    case kZipArchiveChanged:
        return "The zip file was changed by another program while this change was made; "
               "nothing was changed. Try again.";
    case kZipFilesSkipped:
        return "Some files could not be read and were skipped; the others were added.";
    default:
        return nullptr;
    }
}

// The engine's detail and the skipped files after a result's text.
std::string WithDetail(std::string text, const std::string& detail,
                       const std::vector<std::string>& skipped) {
    if (!detail.empty())
        text += "\n\n" + detail;
    if (!skipped.empty()) {
        text += "\n";
        for (const std::string& file : skipped)
            text += "\n" + file;
    }
    return text;
}

} // namespace

const std::vector<ZipCompressionChoice>& CZipFileOperation::CompressionChoices() {
    static const std::vector<ZipCompressionChoice> choices = {
        {"Maximum (slowest)", 9}, {"Normal", 5}, {"Fast", 3}, {"SuperFast", 2}, {"None", 0}};
    return choices;
}

CZipFileOperation::CZipFileOperation(const ui::OperationContext& context, ui::StatusWindow* status,
                                     std::string workPath, bool longNamesAllowed)
    : m_context(context), m_workPath(std::move(workPath)), m_longNames(longNamesAllowed),
      m_status(status), m_indexCache(std::make_unique<ZipIndexCache>()),
      m_zipRecord(std::make_unique<ZipCommandRecord>()),
      m_unzipRecord(std::make_unique<UnzipCommandRecord>()) {
    Reset();
}

CZipFileOperation::~CZipFileOperation() = default;

void CZipFileOperation::Reset() {
    m_zipPath.clear();
    m_password.clear();
    m_deferredError = 0;
    m_state = kArchiveNone;
    ResetZipRecord();
    ResetUnzipRecord();
}

// The fields both records take from the operation: the archive, the
// callbacks (each given this object), the password and the DOS-name option
// (the same bit in both records).
template <typename Record> void CZipFileOperation::FillRecord(Record& r, uint16_t dosNamesOption) {
    r = Record{};
    r.zipPath = m_zipPath.c_str();
    r.drives = &m_context.Drives();
    r.statusCallback = &StatusCallback;
    r.statusUser = this;
    r.progressCallback = &ProgressCallback;
    r.progressUser = this;
    if (!m_password.empty()) {
        r.usePassword = 1;
        r.password = m_password.c_str();
    }
    r.messageCallback = &MessageCallback;
    r.messageUser = this;
    if (!m_longNames)
        r.options |= dosNamesOption;
    r.nullCallback = &NullCallback;
    r.nullUser = this;
}

void CZipFileOperation::ResetZipRecord() {
    ZipCommandRecord& r = *m_zipRecord;
    FillRecord(r, kZipDosNames);
    r.compressionLevel = m_level;
    if (!m_workPath.empty()) {
        r.useWorkPath = 1;
        r.workPath = m_workPath.c_str();
    }
}

void CZipFileOperation::ResetUnzipRecord() {
    FillRecord(*m_unzipRecord, kUnzipDosNames);
    m_unzipRecord->indexCache = m_indexCache.get();
}

void CZipFileOperation::SetCompressionLevel(int level) {
    m_level = level >= 0 && level <= 9 ? level : 5;
}

bool CZipFileOperation::RequireOpen() {
    if (m_state == kOpened)
        return true;
    SetBothResults(kZipNotOpen);
    return false;
}

void CZipFileOperation::SetBothResults(int code) {
    m_zipResult = code;
    m_unzipResult = code;
    m_zipSystemError = 0;
    m_unzipSystemError = 0;
    m_zipDetail.clear();
    m_unzipDetail.clear();
}

int CZipFileOperation::CallZip() {
    m_zipRecord->zipPath = m_zipPath.c_str();
    m_zipRecord->heldLockFd = m_lock && m_lock->Held() ? m_lock->Fd() : -1;
    m_zipDetail.clear();
    m_inZipCall = true;
    m_zipResult = ZipEntry(*m_zipRecord);
    m_inZipCall = false;
    m_zipSystemError = m_zipResult != kZipOk ? m_zipRecord->systemError : 0;
    return m_zipResult;
}

int CZipFileOperation::CallUnzip() {
    m_unzipRecord->zipPath = m_zipPath.c_str();
    m_unzipDetail.clear();
    m_unzipResult = UnzipEntry(*m_unzipRecord);
    m_unzipSystemError = m_unzipResult != kUnzipOk ? m_unzipRecord->systemError : 0;
    return m_unzipResult;
}

bool CZipFileOperation::WaitCancelled() {
    ui::StatusWindow* window = Window();
    return window != nullptr ? window->Cancelled() : m_context.Cancelled();
}

bool CZipFileOperation::LockArchive(bool create) {
    if (m_lockDepth++ > 0)
        return true; // a change of several calls holds it already
    std::string host;
    std::string resolved;
    if (!platform::DosToHost(m_zipPath, &host, nullptr, m_context.Drives()) ||
        !ResolveArchivePath(host, &resolved))
        return true; // the engine refuses the path itself
    if (!m_lock)
        m_lock = std::make_unique<ZipArchiveLock>();
    platform::SysError err;
    ZipArchiveLock::Result result =
        m_lock->Acquire(resolved, create, std::chrono::milliseconds(0), {}, &err);
    bool cancelled = false;
    if (result == ZipArchiveLock::Result::kBusy) {
        ShowStatus("Waiting for another operation to finish changing '" + ShortZipPath() + "'...");
        result = m_lock->Acquire(
            resolved, create, m_lockWait, [&] { return cancelled = WaitCancelled(); }, &err);
    }
    switch (result) {
    case ZipArchiveLock::Result::kLocked:
    case ZipArchiveLock::Result::kMissing: // nothing to hold: the engine finds no archive
        return true;
    case ZipArchiveLock::Result::kBusy:
        --m_lockDepth;
        SetBothResults(cancelled ? kZipUserCancelled : kZipArchiveBusy);
        return false;
    case ZipArchiveLock::Result::kFailed:
        break;
    }
    --m_lockDepth;
    SetBothResults(kZipOpenForWrite);
    m_zipDetail =
        "Cannot open '" + m_zipPath + "': " + std::strerror(err.sysErrno != 0 ? err.sysErrno : EIO);
    return false;
}

std::pair<uint64_t, uint64_t> CZipFileOperation::LockOrder() const {
    std::string host;
    platform::FileEntry entry;
    if (!platform::DosToHost(m_zipPath, &host, nullptr, m_context.Drives()) ||
        !platform::StatEntry(host, &entry))
        return {UINT64_MAX, UINT64_MAX};
    return {entry.device, entry.inode};
}

void CZipFileOperation::UnlockArchive() {
    if (m_lockDepth > 0 && --m_lockDepth == 0 && m_lock)
        m_lock->Release();
}

ui::StatusWindow* CZipFileOperation::Window() const {
    return m_recompressStatus != nullptr ? m_recompressStatus : m_status;
}

void CZipFileOperation::ShowStatus(const std::string& text) {
    if (ui::StatusWindow* window = Window())
        window->SetCurrentMessage(text);
}

std::string CZipFileOperation::ShortZipPath() const {
    return platform::AbbreviatePath(m_zipPath, kShortPathLength);
}

// --- opening and reading -------------------------------------------------

int CZipFileOperation::Open(const std::string& zipPath) {
    Reset();
    m_zipPath = zipPath;
    ZipItemRecord item{};
    UnzipCommandRecord& r = *m_unzipRecord;
    r.function = kUnzipMemberInfo;
    r.buffer = &item;
    r.memberIndex = 0;
    switch (CallUnzip()) {
    case kUnzipOk:
    case kUnzipIndexOutOfBounds: // an archive without members
        m_state = kOpened;
        break;
    case kUnzipNotZip:
    case kUnzipFileNotFound:
        m_state = kArchiveNotZip;
        break;
    default:
        m_state = kArchiveDamaged;
        break;
    }
    return m_state;
}

int CZipFileOperation::OpenOrCreate(const std::string& zipPath, bool create) {
    if (create && !FileExists(zipPath, m_context.Drives()))
        return Create(zipPath, true) ? m_state : kArchiveNone;
    return Open(zipPath);
}

int CZipFileOperation::ReadDirectory(const std::string& zipPath, bool multiVolumeAllowed,
                                     std::vector<ZipMemberEntry>* members) {
    members->clear();
    ZipMemberList list(members);
    return ReadDirectory(zipPath, multiVolumeAllowed, list);
}

int CZipFileOperation::ReadDirectory(const std::string& zipPath, bool multiVolumeAllowed,
                                     ZipMemberSink& sink) {
    // Memory running out anywhere in the read (the members of a large
    // archive) is a failed read like any other: the list is emptied and the
    // result says why.
    try {
        Reset();
        if (!FileExists(zipPath, m_context.Drives()))
            return kArchiveNone;
        m_zipPath = zipPath;
        m_multiVolume = multiVolumeAllowed;

        UnzipCommandRecord& r = *m_unzipRecord;
        r.function = kUnzipOpen;
        int result = CallUnzip();
        if (result != kUnzipOk) {
            m_state = result == kUnzipNotZip ? kArchiveNotZip : kArchiveDamaged;
            return m_state;
        }
        const int count = std::max(r.count, 0);
        // Room for the members, but never more than a sane first guess: the
        // count comes from the archive.
        sink.Reserve(static_cast<size_t>(std::min(count, 1 << 20)));
        ZipItemRecord item{};
        // The whole name, which the record's field may have to cut.
        std::string name;
        for (int index = 0; index < count; ++index) {
            r.function = kUnzipMemberInfo;
            r.buffer = &item;
            r.memberIndex = index;
            r.memberName = &name;
            result = CallUnzip();
            r.memberName = nullptr; // name lives only in this loop
            if (result != kUnzipOk) {
                sink.Clear();
                m_state = kArchiveDamaged;
                return m_state;
            }
            if (item.attributes & (platform::kAttrVolume | platform::kAttrDirectory))
                continue;
            sink.Add(ZipMemberEntry::FromRecord(item, name));
        }
    } catch (const std::bad_alloc&) {
        sink.Clear();
        m_unzipResult = kUnzipOutOfMemory;
        m_unzipSystemError = 0;
        m_state = kArchiveDamaged;
        return m_state;
    }
    m_state = kOpened;
    return m_state;
}

bool CZipFileOperation::MakeTempDirectory(std::string* dosPath, std::string* hostPath) {
    // The base: the work path, else the system temporary directory, else
    // (when neither is reachable as a DOS path) the archive's own folder.
    std::string baseHost;
    std::string baseDos;
    if (!m_workPath.empty()) {
        if (m_workPath[0] == '/')
            baseHost = m_workPath;
        else if (!platform::DosToHost(m_workPath, &baseHost, nullptr, m_context.Drives()))
            baseHost.clear();
    }
    if (baseHost.empty())
        baseHost = platform::TempDirectory();
    if (!platform::HostToDos(baseHost, &baseDos, nullptr, m_context.Drives())) {
        baseDos = platform::ParentDosPath(platform::NormalizeDosPath(m_zipPath));
        if (baseDos.empty() ||
            !platform::DosToHost(baseDos, &baseHost, nullptr, m_context.Drives()))
            return false;
    }
    for (int number = 0; number < kTempNameTries; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "%08d.$$$", number);
        std::string host = platform::JoinHostPath(baseHost, name);
        platform::SysError err;
        // mkdir never reuses what exists (a directory or a link): made
        // exclusively, or the next number is tried.
        if (platform::MakeDirectory(host, &err)) {
            ::chmod(host.c_str(), 0700);
            *hostPath = host;
            *dosPath = platform::JoinDosPath(baseDos, name);
            return true;
        }
        if (err.sysErrno != EEXIST)
            return false;
    }
    return false;
}

bool CZipFileOperation::Create(const std::string& zipPath, bool report) {
    Reset();
    m_zipPath = zipPath;
    bool ok = false;
    std::string host;
    bool isDirectory = false;
    bool locked = false;
    // Released last: a failed creation removes its file while still locked.
    AtScopeEnd unlock([this, &locked] {
        if (locked)
            UnlockArchive();
    });
    if (!platform::DosToHost(zipPath, &host, nullptr, m_context.Drives()) ||
        (FileExists(zipPath, m_context.Drives(), &isDirectory) &&
         (isDirectory || !platform::DeleteFile(host)))) {
        SetBothResults(kZipCannotCreate);
    } else if ((locked = LockArchive(true))) {
        // The new archive is made empty and locked, then filled and emptied
        // again by two engine calls that share the lock.
        StagingDirectory staging;
        platform::File placeholder;
        if (!MakeTempDirectory(&staging.dos, &staging.host) ||
            !placeholder.Open(platform::JoinHostPath(staging.host, kPlaceholderName),
                              platform::kOpenWrite | platform::kOpenCreate |
                                  platform::kOpenExclusive | platform::kOpenNoFollow)) {
            SetBothResults(kZipNoTempFile);
        } else {
            placeholder.Close();
            m_placeholder = platform::JoinDosPath(staging.dos, kPlaceholderName);
            ResetZipRecord();
            m_fileSpec = SpecName(m_placeholder);
            m_zipRecord->function = kZipAdd;
            m_zipRecord->fileSpec = m_fileSpec.c_str();
            int result = CallZip();
            platform::DeleteFile(platform::JoinHostPath(staging.host, kPlaceholderName));
            if (result == kZipOk) {
                ResetZipRecord();
                m_fileSpec = kPlaceholderName;
                m_zipRecord->function = kZipDelete;
                m_zipRecord->fileSpec = m_fileSpec.c_str();
                result = CallZip();
            }
            m_placeholder.clear();
            // The engine must leave an empty archive behind, not none.
            if (result == kZipOk && !FileExists(zipPath, m_context.Drives()))
                SetBothResults(kZipCannotCreate);
            ok = result == kZipOk && m_zipResult == kZipOk;
        }
    }
    if (ok) {
        m_state = kOpened;
        return true;
    }
    // Only a file this creation made goes; one that another operation
    // holds (the lock was busy) stays.
    if (locked && !host.empty() && !isDirectory)
        platform::DeleteFile(host);
    m_state = kArchiveNone;
    std::string shown = platform::AbbreviatePath(zipPath, kShortPathLength);
    m_zipPath.clear();
    if (report)
        ReportZipError("Unable to create zip file '%s'!\n\n", shown.c_str());
    return false;
}

// --- changes -----------------------------------------------------------------

bool CZipFileOperation::MayChange() {
    if (!CheckReadOnly())
        return true;
    m_zipResult = kZipUserCancelled;
    return false;
}

bool CZipFileOperation::AddFiles(int function, const std::string& fileSpec, int pathMode, bool move,
                                 bool recurse) {
    if (!RequireOpen() || !MayChange())
        return false;
    if (!LockArchive(false))
        return false;
    AtScopeEnd unlock([this] { UnlockArchive(); });
    m_extractedNames.clear();
    m_extractedSeen.clear();
    m_skippedFiles.clear();
    ResetZipRecord();
    ZipCommandRecord& r = *m_zipRecord;
    r.function = function;
    m_fileSpec = fileSpec;
    r.fileSpec = m_fileSpec.c_str();
    r.move = move ? 1 : 0;
    r.recurse = recurse ? 1 : 0;
    if (pathMode == kStoreNoPaths) {
        r.storeNoPaths = 1;
    } else {
        r.storeNoPaths = 0;
        if (pathMode == kStoreRelativePaths)
            r.options |= kZipStoreRelativePaths;
        else
            r.options &= static_cast<uint16_t>(~kZipStoreRelativePaths);
    }
    char text[512];
    std::snprintf(text, sizeof text, "%s Files To '%s'...", Verb(function).c_str(),
                  ShortZipPath().c_str());
    ShowStatus(text);
    const int result = CallZip();
    if (result != kZipFilesSkipped)
        return result == kZipOk;
    // The others were added: a success that names what it left out.
    ShowSkippedFiles();
    return true;
}

void CZipFileOperation::ShowSkippedFiles() {
    std::string text = "Files could not be read and were not added to '" + ShortZipPath() + "':";
    text = WithDetail(text, "", m_skippedFiles);
    m_context.Ui().Message(ui::LimitMessageText(text), "Warning!", ui::Buttons::Ok,
                           ui::Icon::Warning);
}

bool CZipFileOperation::DeleteMembers(const std::string& fileSpec) {
    return DeleteInto(fileSpec, nullptr);
}

bool CZipFileOperation::DeleteMembers(const std::vector<std::string>& realNames) {
    if (realNames.empty()) {
        // Nothing chosen never means every member.
        if (RequireOpen())
            m_zipResult = kZipNothingToDo;
        return false;
    }
    return DeleteInto(std::string(), &realNames);
}

bool CZipFileOperation::DeleteInto(const std::string& fileSpec,
                                   const std::vector<std::string>* names) {
    if (!RequireOpen() || !MayChange())
        return false;
    if (!LockArchive(false))
        return false;
    AtScopeEnd unlock([this] { UnlockArchive(); });
    m_kind = kZipDelete;
    // A window of its own while the engine rewrites the archive, unless the
    // caller gave one.
    std::unique_ptr<ui::StatusWindow> own;
    if (Window() == nullptr) {
        own = m_context.Ui().MakeStatusWindow(ui::StatusKind::Message, "Vorlane");
        m_status = own.get();
    }
    ShowStatus("Deleting files in zip file " + ShortZipPath() +
               " This operation may take awhile if your machine is slow" +
               " or the zip file is large!");
    ResetZipRecord();
    m_fileSpec = fileSpec;
    m_zipRecord->function = kZipDelete;
    m_zipRecord->fileSpec = m_fileSpec.c_str();
    if (names != nullptr) {
        m_memberNames = *names;
        m_zipRecord->memberNames = MemberNameList();
    }
    const int result = CallZip();
    m_zipRecord->memberNames = nullptr;
    m_memberNames.clear();
    if (own) {
        m_status = nullptr;
        own.reset();
    }
    m_kind = 0;
    return result == kZipOk;
}

bool CZipFileOperation::ExtractInto(const std::string* fileSpec,
                                    const std::vector<std::string>* names, uint32_t memberNumber,
                                    const std::string& destination, int pathMode,
                                    bool promptOverwrite, bool freshen, bool update) {
    if (!RequireOpen())
        return false;
    m_skipped.clear();
    bool dosNames = !m_longNames;
    if (fileSpec == nullptr) {
        if (names == nullptr && memberNumber > static_cast<uint32_t>(INT32_MAX)) {
            m_unzipResult = kUnzipIndexOutOfBounds;
            return false;
        }
        // A destination that keeps only short names gets DOS 8.3 names.
        std::string host;
        struct statvfs fs;
        if (platform::DosToHost(destination, &host, nullptr, m_context.Drives()) &&
            ::statvfs(host.c_str(), &fs) == 0 && fs.f_namemax <= kShortNameSystemLimit)
            dosNames = true;
    }
    m_kind = 8;
    ResetUnzipRecord();
    UnzipCommandRecord& r = *m_unzipRecord;
    r.function = kUnzipExtract;
    if (fileSpec != nullptr) {
        m_fileSpec = *fileSpec;
        r.fileSpec = m_fileSpec.c_str();
    } else if (names != nullptr) {
        r.fileSpec = nullptr;
        m_memberNames = *names;
        r.memberNames = MemberNameList();
    } else {
        r.fileSpec = nullptr;
        r.memberIndex = static_cast<int32_t>(memberNumber);
    }
    m_destination = destination;
    r.destination = m_destination.c_str();
    r.freshen = freshen ? 1 : 0;
    r.update = update ? 1 : 0;
    r.overwrite = promptOverwrite ? 0 : 1;
    r.dropPaths = pathMode == kStoreNoPaths ? 1 : 0;
    if (dosNames)
        r.options |= kUnzipDosNames;
    char text[512];
    std::snprintf(text, sizeof text,
                  fileSpec != nullptr ? "%s Files From '%s'..." : "%s from '%s'...",
                  Verb(kUnzipExtract).c_str(), ShortZipPath().c_str());
    ShowStatus(text);
    const int result = CallUnzip();
    m_unzipRecord->memberNames = nullptr;
    m_memberNames.clear();
    m_kind = 0;
    return result == kUnzipOk;
}

bool CZipFileOperation::Extract(const std::string& fileSpec, const std::string& destination,
                                int pathMode, bool promptOverwrite, bool freshen, bool update) {
    return ExtractInto(&fileSpec, nullptr, 0, destination, pathMode, promptOverwrite, freshen,
                       update);
}

bool CZipFileOperation::ExtractMember(uint32_t memberNumber, const std::string& destination,
                                      int pathMode, bool promptOverwrite, bool freshen,
                                      bool update) {
    return ExtractInto(nullptr, nullptr, memberNumber, destination, pathMode, promptOverwrite,
                       freshen, update);
}

bool CZipFileOperation::ExtractMembers(const std::vector<std::string>& realNames,
                                       const std::string& destination, int pathMode,
                                       bool promptOverwrite, bool freshen, bool update) {
    if (realNames.empty()) {
        if (RequireOpen())
            m_unzipResult = kUnzipNothingFound;
        return false;
    }
    return ExtractInto(nullptr, &realNames, 0, destination, pathMode, promptOverwrite, freshen,
                       update);
}

const char* const* CZipFileOperation::MemberNameList() {
    m_memberNameList.clear();
    for (const std::string& name : m_memberNames)
        m_memberNameList.push_back(name.c_str());
    m_memberNameList.push_back(nullptr);
    return m_memberNameList.data();
}

bool CZipFileOperation::CopyMembers(int function, CZipFileOperation& target,
                                    const std::vector<std::string>& realNames,
                                    bool deleteFromSource) {
    if (!RequireOpen())
        return false;
    if (!target.RequireOpen())
        return false;
    // Members copied into their own archive would come back unchanged, and
    // a move would then delete them: nothing is done.
    std::string sourceHost;
    std::string targetHost;
    if (platform::DosToHost(m_zipPath, &sourceHost, nullptr, m_context.Drives()) &&
        platform::DosToHost(target.m_zipPath, &targetHost, nullptr, m_context.Drives()) &&
        platform::IsSameFile(sourceHost, targetHost))
        return true;
    // Ask about read-only archives before anything is extracted.
    if (!target.MayChange() || (deleteFromSource && !MayChange()))
        return false;
    // Both archives stay locked until the copy (and a move's delete) is
    // done. They are locked in a fixed order, so a copy the other way
    // round waits for this one instead of holding the other archive.
    CZipFileOperation* first = this;
    CZipFileOperation* second = &target;
    if (second->LockOrder() < first->LockOrder())
        std::swap(first, second);
    if (!first->LockArchive(false))
        return false;
    AtScopeEnd unlockFirst([first] { first->UnlockArchive(); });
    if (!second->LockArchive(false))
        return false;
    AtScopeEnd unlockSecond([second] { second->UnlockArchive(); });
    StagingDirectory staging;
    if (!MakeTempDirectory(&staging.dos, &staging.host)) {
        SetBothResults(kZipNoTempFile);
        target.SetBothResults(kZipNoTempFile);
        return false;
    }
    // The chosen members, each by its real name: never another member that
    // shares its base name or differs only in case.
    if (!ExtractMembers(realNames, staging.dos, kStoreRelativePaths, true, false, false)) {
        ReportUnzipError("Unable to unzip files from '%s'.\n\n", ShortZipPath().c_str());
        return false;
    }
    const bool added =
        target.AddFiles(function, SpecName(staging.dos + "\\*.*"), kStoreRelativePaths, true, true);
    if (!added)
        return false;
    // A move whose deletion failed must not look like a success: the
    // members are then in both archives.
    if (deleteFromSource)
        return DeleteMembers(realNames);
    return true;
}

// --- the comment -----------------------------------------------------------

bool CZipFileOperation::ReadComment(std::string* comment) {
    if (!RequireOpen())
        return false;
    ResetUnzipRecord();
    m_unzipRecord->function = kUnzipCommentLength;
    if (CallUnzip() != kUnzipOk)
        return false;
    const int length = m_unzipRecord->count;
    if (length <= 0) {
        comment->clear();
        return true;
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    ResetUnzipRecord();
    m_unzipRecord->function = kUnzipReadComment;
    m_unzipRecord->commentBuffer = buffer.data();
    m_unzipRecord->count = length + 1;
    if (CallUnzip() != kUnzipOk)
        return false;
    comment->assign(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(length) + 1));
    return true;
}

bool CZipFileOperation::WriteComment(const std::string& comment) {
    if (!RequireOpen() || !MayChange())
        return false;
    if (!LockArchive(false))
        return false;
    AtScopeEnd unlock([this] { UnlockArchive(); });
    ui::WaitCursor wait(m_context.Ui());
    ResetZipRecord();
    m_comment = comment;
    m_zipRecord->function = kZipAdd;
    m_zipRecord->fileSpec = nullptr;
    m_zipRecord->writeComment = 1;
    m_zipRecord->comment = m_comment.c_str();
    return CallZip() == kZipOk;
}

// --- read-only check ---------------------------------------------------------

bool CZipFileOperation::CheckReadOnly() {
    if (m_state != kOpened)
        return false;
    std::string host;
    uint32_t attributes = 0;
    if (!platform::DosToHost(m_zipPath, &host, nullptr, m_context.Drives()) ||
        !platform::GetAttributes(host, &attributes))
        return false;
    if ((attributes & platform::kAttrReadOnly) == 0)
        return false;
    const std::string shown = ShortZipPath();
    char text[512];
    std::snprintf(text, sizeof text,
                  "'%s' is READ-ONLY! Would you like to clear the attribute and proceed with "
                  "the operation?",
                  shown.c_str());
    if (!m_context.Ui().AskYesNo(text, "Warning!"))
        return true;
    if (!platform::SetAttributes(host, attributes & ~platform::kAttrReadOnly)) {
        std::snprintf(text, sizeof text, "Unable to clear READ-ONLY attribute on zip file '%s'.",
                      shown.c_str());
        m_context.Ui().Message(text);
        return true;
    }
    return false;
}

// --- texts ---------------------------------------------------------------------

std::string CZipFileOperation::ErrorText(int code, bool isZip, int zipResult, int unzipResult) {
    if (const char* text = isZip ? ZipTableText(code) : UnzipTableText(code))
        return text;
    if (const char* text = RefusalText(code))
        return text;
    if (const char* text = ChangeResultText(code))
        return text;
    if (zipResult != unzipResult)
        return "Damaged zip file (or not a zip file)!";
    switch (code) {
    case kZipNotOpen:
        return "A zip file has not been opened!";
    case kZipCannotCreate:
        return "Unable to create zip file!";
    case kZipNoTempFile:
        return "Unable to create temp file for operation!";
    case kZipMultiVolumeRefused:
        return "Multiple Volume ZIP files are only supported through the File Backup/File "
               "Restore commands!";
    default:
        break;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Zip/Unzip error code = %d", code);
    return text;
}

std::string CZipFileOperation::UnzipErrorText() {
    if ((m_unzipResult == kUnzipSkipped || m_unzipResult == kUnzipUserCancelled ||
         m_unzipResult == kUnzipNothingFound) &&
        m_deferredError != 0) {
        int value = m_deferredError;
        if (value == kUnzipUserCancelled || value == kUnzipSkipped)
            value = 0;
        SetBothResults(value);
        m_deferredError = 0;
    }
    return WithReason(ErrorText(m_unzipResult, false, m_zipResult, m_unzipResult),
                      m_unzipSystemError, m_unzipDetail);
}

std::string CZipFileOperation::ZipErrorText() const {
    const bool skipping = m_zipResult == kZipOpenForRead || m_zipResult == kZipFilesSkipped;
    return WithDetail(WithReason(ErrorText(m_zipResult, true, m_zipResult, m_unzipResult),
                                 m_zipSystemError, m_zipDetail),
                      "", skipping ? m_skippedFiles : std::vector<std::string>{});
}

std::string CZipFileOperation::SystemErrorText(int errnoValue) {
    return std::generic_category().message(errnoValue);
}

std::string CZipFileOperation::WithSystemError(std::string text, int errnoValue) {
    if (errnoValue != 0)
        text += " (" + SystemErrorText(errnoValue) + ")";
    return text;
}

// The engine's detail names the path with the reason: it takes the place
// of the bare reason in parentheses.
std::string CZipFileOperation::WithReason(std::string text, int errnoValue,
                                          const std::string& detail) {
    if (detail.empty())
        return WithSystemError(std::move(text), errnoValue);
    return WithDetail(std::move(text), detail, {});
}

ui::Answer CZipFileOperation::Report(const std::string& errorText, const char* format,
                                     va_list args) {
    return m_context.Ui().Message(ui::MessageWithDetail(ui::VFormatText(format, args), errorText));
}

std::string CZipFileOperation::SkippedMembersText(int code) const {
    std::string text;
    for (const ZipSkippedMember& skipped : m_skipped) {
        text += text.empty() ? "" : "\n";
        text += skipped.name;
        // The reason when it is not the error the report already gives.
        if (skipped.code != code)
            text += ": " + ErrorText(skipped.code, false, skipped.code, skipped.code);
    }
    return text;
}

ui::Answer CZipFileOperation::ReportUnzipError(const char* format, ...) {
    std::string errorText = UnzipErrorText();
    if (!m_skipped.empty())
        errorText += "\n\n" + SkippedMembersText(m_unzipResult);
    va_list args;
    va_start(args, format);
    ui::Answer answer = Report(errorText, format, args);
    va_end(args);
    return answer;
}

ui::Answer CZipFileOperation::ReportZipError(const char* format, ...) {
    const std::string errorText = ZipErrorText();
    va_list args;
    va_start(args, format);
    ui::Answer answer = Report(errorText, format, args);
    va_end(args);
    return answer;
}

std::string CZipFileOperation::Verb(int function, bool lowerFirst) {
    std::string verb;
    switch (function) {
    case kZipFreshen:
        verb = "Freshening";
        break;
    case kZipDelete:
        verb = "Deleting";
        break;
    case kZipUpdate:
        verb = "Updating";
        break;
    case kZipAdd:
        verb = "Adding";
        break;
    case kUnzipExtract:
        verb = "Extracting";
        break;
    default:
        return "";
    }
    if (lowerFirst)
        verb[0] = static_cast<char>(verb[0] - 'A' + 'a');
    return verb;
}

// --- callbacks ------------------------------------------------------------------

bool CZipFileOperation::StatusCallback(const char* text1, const char* text2, void* user) {
    auto* op = static_cast<CZipFileOperation*>(user);
    if (op == nullptr)
        return false;
    ui::StatusWindow* window = op->Window();
    // A run without a window (a take-out for viewing) still stops when its
    // job is cancelled.
    if (window == nullptr)
        return op->m_context.Cancelled();
    if (text1 != nullptr && *text1 != '\0')
        window->SetCurrentMessage(text1);
    if (text2 != nullptr && *text2 != '\0')
        window->SetOverallLabel(text2);
    return window->Cancelled();
}

bool CZipFileOperation::ProgressCallback(const char* text, int percent, void* user) {
    auto* op = static_cast<CZipFileOperation*>(user);
    if (op == nullptr)
        return false;
    // The engine names a finished file after a fixed 12-character prefix.
    constexpr size_t kPrefix = 12;
    if (percent == 100 && text != nullptr && op->m_kind == 8 && std::strlen(text) > kPrefix) {
        // Looked up in a set: a scan of the list for each of 70,000
        // files was most of the time of a big extraction.
        std::string name(text + kPrefix);
        if (op->m_extractedSeen.insert(name).second)
            op->m_extractedNames.push_back(std::move(name));
    }
    ui::StatusWindow* window = op->Window();
    if (window == nullptr)
        return op->m_context.Cancelled();
    if (text != nullptr && *text != '\0')
        window->SetCurrentMessage(text);
    if (percent != 0)
        window->SetCurrentPercent(percent);
    return window->Cancelled();
}

int CZipFileOperation::MessageCallback(int number, int value1, int /*value2*/, int /*value3*/,
                                       const char* text, char* reply, void* user) {
    auto* op = static_cast<CZipFileOperation*>(user);
    if (op == nullptr)
        return -1;
    switch (number) {
    case 0:
    case 1:
    case 5:
    case 6:
    case 7:
    case 10:
        if (!op->m_multiVolume) {
            op->m_deferredError = kZipMultiVolumeRefused;
            return 2;
        }
        if (reply != nullptr)
            std::snprintf(reply, kZipReplySize, "%s", kMultiVolumeTitle);
        return 0;
    case 2:
    case 3:
    case 4:
    case 11:
    case 12:
        return 1;
    case kMessageOverwrite:
        return op->m_context.Ui().AskYesNo(text != nullptr ? text : "", "Warning!") ? 6 : 7;
    case kMessageEncryptedSkipped:
        op->m_deferredError = kUnzipEncryptedSkipped;
        op->m_skipped.push_back({text != nullptr ? text : "", kUnzipEncryptedSkipped});
        return 1;
    case kMessageMemberRefused:
        op->m_skipped.push_back({text != nullptr ? text : "", value1});
        return 1;
    case kMessageFileSkipped:
        op->m_skippedFiles.emplace_back(text != nullptr ? text : "");
        return 1;
    case kMessageErrorDetail:
        (op->m_inZipCall ? op->m_zipDetail : op->m_unzipDetail) = text != nullptr ? text : "";
        return 1;
    default:
        return -1;
    }
}

int CZipFileOperation::NullCallback(void* /*user*/) {
    return 0;
}

} // namespace vorlane::zip
