#include "fileops/CFileOperation.h"

#include "platform/DosPath.h"
#include "platform/File.h"
#include "platform/FileCopy.h"
#include "platform/PathAbbreviation.h"
#include "platform/Trash.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace vorlane::fileops {

using platform::File;
using platform::SysError;

namespace {

// The one-character name a zapped file takes before it is deleted.
const std::string kZapScratchName = "\xFF";

std::string Quoted(const std::string& path, size_t limit) {
    std::string text(1, '\'');
    text += platform::AbbreviatePath(path, limit);
    text += '\'';
    return text;
}

// "<verb> '<from>' to '<to>'..." with both paths cut to the short length.
std::string FromToText(const std::string& verb, const std::string& from, const std::string& to) {
    return verb + " " + Quoted(from, CFileOperation::kShortPathLength) + " to " +
           Quoted(to, CFileOperation::kShortPathLength) + "...";
}

// The directory part of a DOS path, without its trailing backslash
// ("C:\DOCS\A.TXT" -> "C:\DOCS", "C:\A.TXT" -> "C:").
std::string DosDirectoryOf(const std::string& dosPath) {
    size_t slash = dosPath.find_last_of("\\/");
    return slash == std::string::npos ? dosPath : dosPath.substr(0, slash);
}

bool LstatPath(const std::string& hostPath, struct stat* st) {
    return ::lstat(hostPath.c_str(), st) == 0;
}

} // namespace

int ProgressPercent(uint64_t done, uint64_t size) {
    if (size == 0)
        return 0;
    uint64_t percent = size >= 100000 ? done / (size / 100) : done * 100 / size;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

// The current gauge of one file: rises block by block and ends at 100. A
// percentage that is a multiple of ten is not reported on the way (the
// gauge shows it a moment later anyway), and a value is never repeated. A
// copy reports nothing before its first block; a zap pass starts at 0.
class CFileOperation::Progress {
  public:
    Progress(ui::StatusWindow* status, uint64_t size) : m_status(status), m_size(size) {}

    void Begin() { Show(0); }
    void Update(uint64_t done) {
        int percent = ProgressPercent(done, m_size);
        if (percent > m_last && percent % 10 != 0)
            Show(percent);
    }
    void Finish() { Show(100); }

  private:
    void Show(int percent) {
        m_last = percent;
        if (m_status)
            m_status->SetCurrentPercent(percent);
    }

    ui::StatusWindow* m_status;
    uint64_t m_size;
    int m_last = 0;
};

// The two ends of a copy or an append: the source, open, and what the
// target path holds before anything is written.
struct CFileOperation::Transfer {
    std::string from, to; // host paths
    File in;
    platform::OpenedFileInfo info;
    bool exists = false;      // the target name is taken (a dangling link counts)
    bool isLink = false;      // by a symbolic link
    bool isDirectory = false; // by a directory, or a link to one

    // Looks at the target; true when it is the source itself.
    bool InspectTarget() {
        exists = isLink = isDirectory = false;
        struct stat st;
        if (!LstatPath(to, &st))
            return false;
        exists = true;
        isLink = S_ISLNK(st.st_mode);
        if (isLink && ::stat(to.c_str(), &st) != 0)
            return false; // a dangling link: nothing behind it
        isDirectory = S_ISDIR(st.st_mode);
        return static_cast<uint64_t>(st.st_dev) == info.device &&
               static_cast<uint64_t>(st.st_ino) == info.inode;
    }
};

CFileOperation::CFileOperation(const ui::OperationContext& context, ui::StatusWindow* status)
    : m_context(context), m_buffer(new unsigned char[kBufferSize]), m_status(status) {}

CFileOperation::~CFileOperation() = default;

void CFileOperation::SetTuning(const Tuning& tuning) {
    m_tuning = tuning;
    m_tuning.blocksPerStep = std::clamp(tuning.blocksPerStep, 1, 64);
}

// ---- helpers ----------------------------------------------------------------

bool CFileOperation::Resolve(const std::string& dosPath, ResolvedPath* path) {
    path->dos = dosPath;
    return ToHost(dosPath, &path->host);
}

bool CFileOperation::ToHost(const std::string& dosPath, std::string* hostPath) {
    SysError err;
    if (!platform::DosToHost(dosPath, hostPath, &err, m_context.Drives()))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::SameHostFile(const std::string& a, const std::string& b) const {
    return a == b || platform::IsSameFile(a, b);
}

void CFileOperation::ShowStatus(const std::string& text) {
    if (m_status)
        m_status->SetCurrentMessage(text);
}

bool CFileOperation::Cancelled() {
    return m_status != nullptr && m_status->Cancelled();
}

// Moves every byte of in (from its start to its end, which may lie past
// size, the size it had when opened) to out from outOffset on, in steps;
// polls for a cancel before each step writes.
CFileOperation::Outcome CFileOperation::CopyBytes(File& in, uint64_t size, File& out,
                                                  uint64_t outOffset, Progress& progress) {
    SysError err;
    bool kernel = m_tuning.kernelCopy;
    uint64_t done = 0;
    for (;;) {
        bool polled = false;
        if (kernel) {
            if (Cancelled())
                return Outcome::Aborted;
            polled = true;
            size_t copied = 0;
            platform::KernelCopy result = platform::CopyFileRange(in, done, out, outOffset + done,
                                                                  StepBytes(), &copied, &err);
            if (result == platform::KernelCopy::Failed)
                return m_error.Set(err), Outcome::Failed;
            if (result == platform::KernelCopy::Copied && copied > 0) {
                done += copied;
                progress.Update(done);
                continue;
            }
            if (result == platform::KernelCopy::Copied && size > 0 && done >= size)
                break; // the end, where the size said
            // The kernel cannot copy these files, or found no bytes where
            // the size promised some (a file that shrank, or one of the
            // kinds whose size says nothing): read them instead.
            kernel = false;
        }
        size_t got = 0;
        if (!in.PRead(m_buffer.get(), kBufferSize, done, &got, &err))
            return m_error.Set(err), Outcome::Failed;
        if (got == 0)
            break;
        if (!polled && Cancelled())
            return Outcome::Aborted;
        if (!out.PWrite(m_buffer.get(), got, outOffset + done, &err))
            return m_error.Set(err), Outcome::Failed;
        done += got;
        progress.Update(done);
    }
    return Outcome::Done;
}

bool CFileOperation::DeleteHost(const std::string& hostPath, const std::string& dosPath) {
    ShowStatus("Deleting " + Quoted(dosPath, kLongPathLength) + "...");
    SysError err;
    if (!platform::DeleteFile(hostPath, &err))
        return m_error.Set(err);
    return true;
}

// ---- copy, append, move -------------------------------------------------------

bool CFileOperation::Copy(const std::string& source, const std::string& target,
                          bool promptOverwrite) {
    ResolvedPath from, to;
    if (!Resolve(source, &from) || !Resolve(target, &to))
        return false;
    return CopyFile(from, to, promptOverwrite, false, false);
}

bool CFileOperation::Copy(const ResolvedPath& source, const ResolvedPath& target,
                          bool promptOverwrite) {
    return CopyFile(source, target, promptOverwrite, false, true);
}

// Opens the source and looks at the target. The source and the target must
// be two files (device and inode) and the target no directory. With
// followLink a target that is a link to a file is replaced by the file it
// points to; with sourceNoFollow a source that is a link is refused.
bool CFileOperation::BeginTransfer(const ResolvedPath& source, const ResolvedPath& target,
                                   bool followLink, bool sourceNoFollow, Transfer* t) {
    t->from = source.host;
    t->to = target.host;
    if (t->from == t->to)
        return m_error.SetOwn(CDosErrorMessage::kSameFile);
    SysError err;
    unsigned flags = platform::kOpenRead | (sourceNoFollow ? platform::kOpenNoFollow : 0u);
    if (!platform::OpenRegularFile(t->from, flags, &t->in, &t->info, &err))
        return m_error.Set(err);
    if (t->InspectTarget())
        return m_error.SetOwn(CDosErrorMessage::kSameFile);
    if (followLink && t->isLink) {
        if (char* real = ::realpath(t->to.c_str(), nullptr)) {
            t->to = real;
            std::free(real);
            t->InspectTarget();
        }
    }
    if (t->isDirectory) {
        platform::SetError(&err, EISDIR, "Cannot write", t->to);
        return m_error.Set(err);
    }
    return true;
}

bool CFileOperation::CopyFile(const ResolvedPath& source, const ResolvedPath& target,
                              bool promptOverwrite, bool durable, bool sourceNoFollow) {
    Transfer t;
    if (!BeginTransfer(source, target, false, sourceNoFollow, &t))
        return false;
    SysError err;
    File& in = t.in;
    const platform::OpenedFileInfo& info = t.info;
    const std::string& to = t.to;
    // The target step. The existing target is not touched: the copy goes
    // into a temporary file beside it that replaces it only when complete.
    if (t.exists && promptOverwrite &&
        !m_context.Ui().AskYesNo(
            "File '" + target.dos + "' already exists. Do you wish to overwrite it?", "Overwrite"))
        return m_error.SetOwn(CDosErrorMessage::kUserAborted);
    platform::TempFile temp;
    if (!temp.Create(to, &err))
        return m_error.Set(err);

    ShowStatus(FromToText("Copying", source.dos, target.dos));
    Progress progress(m_status, info.size);
    Outcome outcome = CopyBytes(in, info.size, temp.file(), 0, progress);
    if (outcome == Outcome::Failed)
        return false;
    if (outcome == Outcome::Aborted)
        return m_error.SetOwn(CDosErrorMessage::kUserAborted);
    progress.Finish();
    // A cancel that came with the last block still counts: the target has
    // not been touched yet.
    if (Cancelled())
        return m_error.SetOwn(CDosErrorMessage::kUserAborted);
    in.Close(nullptr);

    // The source's times and attributes as they were when it was opened.
    platform::NewFileDetails details;
    details.attributes = info.attributes;
    details.permissions = info.mode;
    details.setTimes = true;
    details.lastAccess = info.lastAccess;
    details.lastWrite = info.lastWrite;
    if (!platform::SetNewFileDetails(temp.file(), platform::HostBaseName(to), details, &err))
        return m_error.Set(err);
    // A durable copy (a move between drives) is on stable storage, file and
    // directory, before Commit returns.
    if (!temp.Commit(&err, t.exists, durable))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::Append(const std::string& source, const std::string& target) {
    Transfer t;
    ResolvedPath from, to;
    if (!Resolve(source, &from) || !Resolve(target, &to) ||
        !BeginTransfer(from, to, true, false, &t))
        return false;
    SysError err;
    File& in = t.in;
    const platform::OpenedFileInfo& info = t.info;
    const std::string& host = t.to;
    const bool exists = t.exists;

    File out;
    uint64_t oldSize = 0;
    platform::FileEntry old;
    if (exists) {
        if (!platform::StatEntry(host, &old, &err))
            return m_error.Set(err);
        if ((old.attributes & platform::kAttrReadOnly) &&
            !platform::SetAttributes(host, old.attributes & ~uint32_t(platform::kAttrReadOnly),
                                     &err))
            return m_error.Set(err);
        platform::OpenedFileInfo targetInfo;
        if (!platform::OpenRegularFile(host, platform::kOpenWrite | platform::kOpenNoFollow, &out,
                                       &targetInfo, &err)) {
            platform::SetAttributes(host, old.attributes, nullptr);
            return m_error.Set(err);
        }
        oldSize = targetInfo.size;
    } else if (!out.Open(host,
                         platform::kOpenWrite | platform::kOpenCreate | platform::kOpenExclusive |
                             platform::kOpenNoFollow,
                         &err)) {
        return m_error.Set(err);
    }

    // Puts the target back as it was: cut to its old length with its old
    // attributes and times, or gone when this append made it.
    auto undo = [&]() {
        if (!exists) {
            out.Close(nullptr);
            platform::DeleteFile(host, nullptr);
            return;
        }
        if (!out.IsOpen())
            out.Open(host, platform::kOpenWrite | platform::kOpenNoFollow, nullptr);
        out.Truncate(oldSize, nullptr);
        out.Close(nullptr);
        platform::SetFileTimes(host, nullptr, &old.lastAccessTime, &old.lastWriteTime, nullptr);
        platform::SetAttributes(host, old.attributes, nullptr);
    };

    ShowStatus(FromToText("Appending", source, target));
    Progress progress(m_status, info.size);
    Outcome outcome = CopyBytes(in, info.size, out, oldSize, progress);
    if (outcome == Outcome::Done) {
        progress.Finish();
        if (Cancelled())
            outcome = Outcome::Aborted;
    }
    if (outcome == Outcome::Done && !out.Close(&err)) {
        m_error.Set(err);
        outcome = Outcome::Failed;
    }
    if (outcome == Outcome::Done)
        return true;
    undo();
    if (outcome == Outcome::Aborted)
        return m_error.SetOwn(CDosErrorMessage::kUserAborted);
    return false;
}

bool CFileOperation::Move(const std::string& source, const std::string& target,
                          bool promptOverwrite) {
    ResolvedPath from, to;
    if (!Resolve(source, &from) || !Resolve(target, &to))
        return false;
    return MoveResolved(from, to, promptOverwrite, false);
}

bool CFileOperation::Move(const ResolvedPath& source, const ResolvedPath& target,
                          bool promptOverwrite) {
    return MoveResolved(source, target, promptOverwrite, true);
}

bool CFileOperation::MoveResolved(const ResolvedPath& source, const ResolvedPath& target,
                                  bool promptOverwrite, bool sourceNoFollow) {
    const std::string& from = source.host;
    const std::string& to = target.host;
    if (SameHostFile(from, to))
        return m_error.SetOwn(CDosErrorMessage::kSameFile);
    SysError err;
    struct stat sourceStat, targetStat, targetDirStat;
    // Only a file or a link moves here: anything else (missing, a
    // directory, a FIFO) is refused as a copy would refuse it.
    if (!LstatPath(from, &sourceStat) ||
        !(S_ISREG(sourceStat.st_mode) || S_ISLNK(sourceStat.st_mode))) {
        File probe;
        platform::OpenedFileInfo info;
        if (!platform::OpenRegularFile(from, platform::kOpenRead | platform::kOpenNoFollow, &probe,
                                       &info, &err))
            return m_error.Set(err);
        if (!LstatPath(from, &sourceStat)) {
            platform::SetError(&err, errno, "Cannot find", from);
            return m_error.Set(err);
        }
    }
    if (LstatPath(to, &targetStat) && S_ISDIR(targetStat.st_mode)) {
        platform::SetError(&err, EISDIR, "Cannot replace", to);
        return m_error.Set(err);
    }
    // The file system decides, not the drive letters.
    bool oneFileSystem = ::stat(platform::HostDirName(to).c_str(), &targetDirStat) == 0 &&
                         targetDirStat.st_dev == sourceStat.st_dev;
    if (oneFileSystem) {
        ShowStatus(FromToText("Renaming", source.dos, target.dos));
        // One rename replaces an existing target: there is no moment at
        // which the old target is gone and the move has not happened.
        if (platform::RenameEntry(from, to, true, &err))
            return true;
        if (err.sysErrno != EXDEV)
            return m_error.Set(err);
        // A bind mount or another file system below: copy and delete.
    }
    if (S_ISLNK(sourceStat.st_mode)) {
        if (!CopyLink(source, target))
            return false;
    } else if (!CopyFile(source, target, promptOverwrite, true, sourceNoFollow)) {
        return false;
    }
    return DeleteHost(from, source.dos);
}

bool CFileOperation::CopyLink(const ResolvedPath& source, const ResolvedPath& target) {
    ShowStatus(FromToText("Copying", source.dos, target.dos));
    SysError err;
    struct stat targetStat;
    if (LstatPath(target.host, &targetStat) && S_ISDIR(targetStat.st_mode)) {
        platform::SetError(&err, EISDIR, "Cannot replace", target.host);
        return m_error.Set(err);
    }
    if (!platform::CopySymbolicLink(source.host, target.host, true, &err))
        return m_error.Set(err);
    return true;
}

// ---- delete, recycle, zap ----------------------------------------------------

bool CFileOperation::Delete(const std::string& path) {
    ResolvedPath resolved;
    if (!Resolve(path, &resolved))
        return false;
    return Delete(resolved);
}

bool CFileOperation::Delete(const ResolvedPath& path) {
    return DeleteHost(path.host, path.dos);
}

bool CFileOperation::Recycle(const std::string& path) {
    ResolvedPath resolved;
    if (!Resolve(path, &resolved))
        return false;
    return Recycle(resolved);
}

bool CFileOperation::Recycle(const ResolvedPath& path) {
    ShowStatus(FromToText("Moving", path.dos, "RECYCLE BIN"));
    SysError err;
    if (!platform::MoveToTrash(path.host, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::Zap(const std::string& path, int passes) {
    ResolvedPath resolved;
    if (!Resolve(path, &resolved))
        return false;
    return Zap(resolved, passes);
}

bool CFileOperation::Zap(const ResolvedPath& path, int passes) {
    const std::string& host = path.host;
    m_zapUnlinkedOnly = false;
    SysError err;
    if (passes < 1) {
        platform::SetDosError(&err, platform::kDosInvalidParameter,
                              "A zap needs at least one pass");
        return m_error.Set(err);
    }
    struct stat st;
    if (!LstatPath(host, &st)) {
        platform::SetError(&err, errno, "Cannot open", host);
        return m_error.Set(err);
    }
    if (S_ISDIR(st.st_mode)) {
        platform::SetError(&err, EISDIR, "Cannot open", host);
        return m_error.Set(err);
    }
    // Overwriting a file with other names would destroy what they show:
    // only this name goes.
    if (S_ISREG(st.st_mode) && st.st_nlink > 1) {
        if (!DeleteHost(host, path.dos))
            return false;
        m_zapUnlinkedOnly = true;
        return true;
    }
    // A link holds no contents of its own: it is renamed and deleted, and
    // the file it points to is left alone.
    if (!S_ISLNK(st.st_mode) && !ZapContents(host, Quoted(path.dos, kLongPathLength), passes))
        return false;

    // The scratch name never replaces anything (a file of that name makes
    // the zap fail, the emptied file staying under its own name).
    std::string scratch = platform::HostDirName(host) + "/" + kZapScratchName;
    if (!platform::RenameEntry(host, scratch, false, &err))
        return m_error.Set(err);
    return DeleteHost(scratch,
                      DosDirectoryOf(path.dos) + "\\" + platform::HostNameToDos(kZapScratchName));
}

// Overwrites every data range of the file passes times, flushing each
// pass (an overwrite still in the page cache when the file is cut would
// never reach the disk), then empties the file and zeroes its times.
bool CFileOperation::ZapContents(const std::string& hostPath, const std::string& shown,
                                 int passes) {
    SysError err;
    uint32_t attributes = 0;
    if (!platform::GetAttributes(hostPath, &attributes, &err))
        return m_error.Set(err);
    if ((attributes & platform::kAttrReadOnly) &&
        !platform::SetAttributes(hostPath, attributes & ~uint32_t(platform::kAttrReadOnly), &err))
        return m_error.Set(err);

    File file;
    platform::OpenedFileInfo info;
    if (!platform::OpenRegularFile(hostPath, platform::kOpenReadWrite | platform::kOpenNoFollow,
                                   &file, &info, &err))
        return m_error.Set(err);
    for (int pass = 1; pass <= passes; ++pass) {
        ShowStatus("Zapping " + shown + " - Pass " + std::to_string(pass) + "...");
        Progress progress(m_status, info.size);
        progress.Begin();
        std::memset(m_buffer.get(), (passes - pass) & 0xFF, kBufferSize);
        uint64_t position = 0, start = 0, stop = 0;
        while (platform::NextDataRange(file, position, info.size, &start, &stop)) {
            for (position = start; position < stop;) {
                uint64_t piece = std::min<uint64_t>(StepBytes(), stop - position);
                if (!platform::WriteRepeated(file, m_buffer.get(), kBufferSize, position, piece,
                                             &err))
                    return m_error.Set(err);
                position += piece;
                progress.Update(position);
            }
        }
        progress.Finish();
        if (!file.Sync(&err))
            return m_error.Set(err);
    }
    if (!file.Truncate(0, &err) || !file.Close(&err))
        return m_error.Set(err);
    platform::FileTime zero;
    if (!platform::SetFileTimes(hostPath, &zero, &zero, &zero, &err))
        return m_error.Set(err);
    return true;
}

// ---- rename, attributes, times -------------------------------------------------

bool CFileOperation::Rename(const std::string& oldPath, const std::string& newPath) {
    ResolvedPath from, to;
    if (!Resolve(oldPath, &from) || !Resolve(newPath, &to))
        return false;
    return Rename(from, to);
}

bool CFileOperation::Rename(const ResolvedPath& oldPath, const ResolvedPath& newPath) {
    const std::string& from = oldPath.host;
    const std::string& to = newPath.host;
    if (SameHostFile(from, to))
        return true;
    m_error.Reset();
    ShowStatus(FromToText("Renaming", oldPath.dos, newPath.dos));
    struct stat st;
    if (LstatPath(to, &st))
        return m_error.SetOwn(CDosErrorMessage::kNewNameExists);
    SysError err;
    if (!platform::RenameEntry(from, to, false, &err)) {
        if (err.sysErrno == EEXIST)
            return m_error.SetOwn(CDosErrorMessage::kNewNameExists);
        return m_error.Set(err);
    }
    return true;
}

bool CFileOperation::SetAttributes(const std::string& path, uint32_t attributes) {
    std::string host;
    if (!ToHost(path, &host))
        return false;
    SysError err;
    if (!platform::SetAttributes(host, attributes, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::SetAttributes(const ResolvedPath& path, uint32_t attributes) {
    SysError err;
    if (!platform::SetAttributes(path.host, attributes, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::GetAttributes(const std::string& path, uint32_t* attributes) {
    std::string host;
    if (!ToHost(path, &host))
        return false;
    SysError err;
    if (!platform::GetAttributes(host, attributes, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::GetFileTimes(const std::string& path, FileTimes* times) {
    std::string host;
    if (!ToHost(path, &host))
        return false;
    SysError err;
    if (!platform::GetFileTimes(host, &times->creation, &times->lastAccess, &times->lastWrite,
                                &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::SetFileTimes(const std::string& path, const FileTimes& times) {
    std::string host;
    if (!ToHost(path, &host))
        return false;
    // Setting times needs ownership, not write permission: a read-only
    // file keeps its attributes throughout.
    SysError err;
    if (!platform::SetFileTimes(host, &times.creation, &times.lastAccess, &times.lastWrite, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::SetFileTimes(const ResolvedPath& path, const FileTimes& times,
                                  unsigned fields) {
    SysError err;
    if (!platform::SetFileTimes(path.host, (fields & 1) ? &times.creation : nullptr,
                                (fields & 2) ? &times.lastAccess : nullptr,
                                (fields & 4) ? &times.lastWrite : nullptr, &err))
        return m_error.Set(err);
    return true;
}

bool CFileOperation::IsSameFile(const std::string& a, const std::string& b) {
    std::string hostA, hostB;
    SysError err;
    if (!platform::DosToHost(a, &hostA, &err, m_context.Drives()) ||
        !platform::DosToHost(b, &hostB, &err, m_context.Drives()))
        return false;
    return SameHostFile(hostA, hostB);
}

// ---- errors -----------------------------------------------------------------

ui::Answer CFileOperation::ReportError(const char* caption, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string sentence = ui::VFormatText(format, args);
    va_end(args);
    // A long sentence gives way (never inside a character) so that the
    // error text still shows.
    std::string text = ui::MessageWithDetail(sentence, m_error.Message());
    std::string shownCaption = caption != nullptr && caption[0] != '\0' ? caption : "Error!";
    return m_context.Ui().Message(text, shownCaption, ui::Buttons::Ok, ui::Icon::Error);
}

} // namespace vorlane::fileops
