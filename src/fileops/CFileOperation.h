// The file operation engine: every change the program makes to a plain
// (non-zip) file goes through one primitive of a CFileOperation: copy,
// append, move, delete, send to the recycle bin, wipe ("zap"), rename, and
// reading or writing attributes and file times.
//
// A driver (copy/move, delete, rename, attributes, touch, the command
// executors, the self-extractor builder) makes one CFileOperation for a
// run, optionally with a status window it owns, calls one primitive per
// file, and destroys it when the group is done:
//
//   auto status = context.Ui().MakeStatusWindow(ui::StatusKind::Operation, "Copy Files");
//   CFileOperation op(context, status.get());
//   if (!op.Copy(from, to, false))
//       op.ReportError(nullptr, "Unable to %s file '%s' to '%s'.\n\n", "copy", a, b);
//
// Every primitive returns true when done; on failure Error() holds the
// code and the text to show after the driver's own sentence. Paths are
// full DOS paths ("C:\DOCS\REPORT.TXT"), translated through the drive map
// of the operation context; questions and messages go to its user
// interface.
// While it works a primitive writes a one-line text and a percentage into
// the status window and polls it for a cancel; without a status window
// nothing is shown and nothing is ever cancelled. No file stays open
// between primitives.
//
// What the engine guarantees beyond the plain steps:
//  1. A copy writes a temporary file beside the target and renames it over
//     the target only when it is complete: a failed or cancelled copy
//     leaves an existing target as it was and no partial file.
//  2. A failed or cancelled append cuts the target back to its old length
//     (and gives back its attributes and times); it deletes the target only
//     when the append created it.
//  3. A move is one rename when source and target lie on one file system
//     (the device of the source and of the target's directory, never the
//     drive letters: Z: spans many file systems, two letters may share
//     one); the rename replaces an existing target, which is never deleted
//     first. Between file systems (or when the system refuses the rename
//     as a move across devices) the copy and its directory are flushed to
//     stable storage before the source is deleted.
//  4. Delete and zap of a symbolic link act on the link, never on the file
//     it points to.
//  5. Sizes are 64-bit throughout.
//  6. "The same file" means the same device and inode (or the same path
//     where nothing exists yet): a copy, append or move onto its own source
//     through a link, a hard link, another case or "./" is refused as
//     "Source and target files are the same!" and touches nothing.
//
// Used by one thread at a time (a job's, or the GUI thread for a run that
// stays there); not copyable.
#pragma once

#include "fileops/CDosErrorMessage.h"
#include "platform/FileSystem.h"
#include "ui/OperationContext.h"
#include "ui/UserInterface.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vorlane::platform {
class File;
}

namespace vorlane::fileops {

// The three file times of a file as one record.
struct FileTimes {
    platform::FileTime creation;
    platform::FileTime lastAccess;
    platform::FileTime lastWrite;
};

// The percentage of size that done is, as the status windows show it: 0
// for an empty file; done / (size / 100) from 100000 bytes on (no overflow
// for any 64-bit size); done * 100 / size below. Never more than 100.
int ProgressPercent(uint64_t done, uint64_t size);

// A path the caller has already translated: the DOS form that status and
// error texts show, and the host path acted on. Drivers that make target
// names from source names use it, so that a name is taken exactly as it is
// ("a.txt" never lands on an existing "A.txt", as a DOS path lookup that
// ignores case would make it).
struct ResolvedPath {
    std::string dos;
    std::string host;
};

class CFileOperation {
  public:
    // The one transfer buffer: every read, write and wipe pattern passes it.
    static constexpr size_t kBufferSize = 16384;
    // Characters of a path in the status texts (see platform::AbbreviatePath).
    static constexpr size_t kShortPathLength = 20;
    static constexpr size_t kLongPathLength = 30;

    // How the bytes move. Copy, append and zap work in steps of
    // blocksPerStep blocks of kBufferSize bytes: the cancel poll and the
    // percentage come once per step. The bytes of a copy move inside the
    // kernel where it can (kernelCopy), else through the buffer one block
    // at a time; a zap writes the buffer's pattern blocksPerStep times per
    // call. Tests set blocksPerStep to 1 to see every block.
    struct Tuning {
        int blocksPerStep = 64; // 1 to 64
        bool kernelCopy = true;
    };

    // context: the operation's user interface and drive map (copied).
    // status may be null; it is not owned and must outlive its use here.
    explicit CFileOperation(const ui::OperationContext& context,
                            ui::StatusWindow* status = nullptr);
    ~CFileOperation();
    CFileOperation(const CFileOperation&) = delete;
    CFileOperation& operator=(const CFileOperation&) = delete;

    // Copies one file, with its file times, attributes and permission bits.
    // promptOverwrite asks "Overwrite" first when the target exists (any
    // answer but Yes: "User aborted!").
    bool Copy(const std::string& source, const std::string& target, bool promptOverwrite);
    // Appends the bytes of source to the end of target (created when
    // absent). The target keeps its own times; its read-only attribute is
    // cleared (the append writes it) and the rest stays.
    bool Append(const std::string& source, const std::string& target);
    // Moves one file. On one file system: one rename that replaces an
    // existing target (no prompt: drivers ask first). Between file systems:
    // Copy (with promptOverwrite), flushed, then Delete of the source. A
    // symbolic link is moved as the link (its target text unchanged).
    bool Move(const std::string& source, const std::string& target, bool promptOverwrite);
    // Copy and Move on resolved paths. The source is never followed when it
    // is a symbolic link: a file that became a link since it was listed
    // fails (a driver copies links with CopyLink).
    bool Copy(const ResolvedPath& source, const ResolvedPath& target, bool promptOverwrite);
    bool Move(const ResolvedPath& source, const ResolvedPath& target, bool promptOverwrite);
    // Makes target a symbolic link with the text of the link source,
    // replacing what target holds (a directory excepted).
    bool CopyLink(const ResolvedPath& source, const ResolvedPath& target);
    // Deletes one file (a link: the link), whatever its attributes.
    bool Delete(const std::string& path);
    bool Delete(const ResolvedPath& path);
    // Sends one file to the recycle bin (the freedesktop.org Trash).
    bool Recycle(const std::string& path);
    bool Recycle(const ResolvedPath& path);
    // Overwrites the file passes times (the last pass with zeros) and
    // flushes each pass, empties it, sets its times to zero, renames it to a
    // one-character name in its directory (the byte 255) and deletes that.
    // A symbolic link is not followed: the link itself is renamed and
    // deleted. If the rename fails (that name exists), the emptied file
    // stays under its own name and the zap fails.
    //
    // A regular file with other names (hard links) keeps its contents for
    // them: only this name is removed (no overwrite, no scratch rename) and
    // ZapUnlinkedOnly() says so until the next zap.
    bool Zap(const std::string& path, int passes = 1);
    bool Zap(const ResolvedPath& path, int passes = 1);
    bool ZapUnlinkedOnly() const { return m_zapUnlinkedOnly; }
    // Renames (or moves within one file system) one file or directory.
    // To its own name (any spelling of the same file): true, nothing done.
    // Onto an existing name: "New file name already exists as a unique file!".
    bool Rename(const std::string& oldPath, const std::string& newPath);
    bool Rename(const ResolvedPath& oldPath, const ResolvedPath& newPath);
    // The attribute word (read-only 1, hidden 2, system 4, archive 0x20).
    bool SetAttributes(const std::string& path, uint32_t attributes);
    bool SetAttributes(const ResolvedPath& path, uint32_t attributes);
    bool GetAttributes(const std::string& path, uint32_t* attributes);
    // The three file times (the creation time cannot be written here: it
    // is accepted and has no effect).
    bool GetFileTimes(const std::string& path, FileTimes* times);
    bool SetFileTimes(const std::string& path, const FileTimes& times);
    // Only the times of fields (creation 1, last access 2, last write 4);
    // the others stay as they are. A link gets its own times.
    bool SetFileTimes(const ResolvedPath& path, const FileTimes& times, unsigned fields);
    // True when both paths name the same file (device and inode), or the
    // same path when neither exists.
    bool IsSameFile(const std::string& a, const std::string& b);

    // Shows the caller's sentence (printf format, at most 1024 characters)
    // followed by Error().Message() in the program's message dialog, under
    // caption ("Error!" when null or empty). Returns the button that closed it.
    ui::Answer ReportError(const char* caption, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    const CDosErrorMessage& Error() const { return m_error; }
    CDosErrorMessage& Error() { return m_error; }

    ui::StatusWindow* StatusWindow() const { return m_status; }
    void SetStatusWindow(ui::StatusWindow* status) { m_status = status; }
    const ui::OperationContext& Context() const { return m_context; }
    const Tuning& GetTuning() const { return m_tuning; }
    void SetTuning(const Tuning& tuning);

  private:
    enum class Outcome { Done, Failed, Aborted };
    class Progress;
    struct Transfer;

    bool ToHost(const std::string& dosPath, std::string* hostPath);
    bool SameHostFile(const std::string& a, const std::string& b) const;
    void ShowStatus(const std::string& text);
    bool Cancelled();
    bool BeginTransfer(const ResolvedPath& source, const ResolvedPath& target, bool followLink,
                       bool sourceNoFollow, Transfer* transfer);
    bool CopyFile(const ResolvedPath& source, const ResolvedPath& target, bool promptOverwrite,
                  bool durable, bool sourceNoFollow);
    bool MoveResolved(const ResolvedPath& source, const ResolvedPath& target, bool promptOverwrite,
                      bool sourceNoFollow);
    bool Resolve(const std::string& dosPath, ResolvedPath* path);
    Outcome CopyBytes(platform::File& in, uint64_t size, platform::File& out, uint64_t outOffset,
                      Progress& progress);
    bool DeleteHost(const std::string& hostPath, const std::string& dosPath);
    bool ZapContents(const std::string& hostPath, const std::string& shown, int passes);
    size_t StepBytes() const { return kBufferSize * static_cast<size_t>(m_tuning.blocksPerStep); }

    ui::OperationContext m_context;
    std::unique_ptr<unsigned char[]> m_buffer; // kBufferSize bytes
    CDosErrorMessage m_error;
    ui::StatusWindow* m_status = nullptr;
    Tuning m_tuning;
    bool m_zapUnlinkedOnly = false;
};

} // namespace vorlane::fileops
