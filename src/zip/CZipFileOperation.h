// CZipFileOperation: every change to a zip archive and every extraction
// from one goes through an object of this class. It owns the two command
// records of the zip engine (ZipEngine.h), fills them, calls the engine,
// relays the engine's status and progress to a status window, answers the
// engine's questions and words its result codes.
//
// A caller (a file operation driver, a command, the catalogue's reader of
// zip directories) makes one object per operation, optionally with a
// status window it owns:
//
//   auto status = context.Ui().MakeStatusWindow(ui::StatusKind::Operation, "Adding Files");
//   CZipFileOperation op(context, status.get(), workPath, true);
//   if (op.Open("C:\\A.ZIP") != kOpened || !op.AddFiles(kZipAdd, spec, 1, false, true))
//       op.ReportZipError("Unable to add files to '%s'.\n\n", shortPath);
//
// The object knows archives, members and files, never the catalogue: a
// directory read hands out member entries (ZipMemberEntry), and changes
// address members by their real names (ZipMemberEntry::StoredName).
//
// The object keeps the parsed central directories of the archives it read
// (its own ZipIndexCache, handed to each engine call), so listing 100,000
// members parses the directory once; two objects share nothing.
//
// Every operation but Open, OpenOrCreate, Create, ReadDirectory and
// CheckReadOnly needs an open archive (State() == kOpened); without one it
// fails with the result code 201 in both result fields. A failed operation
// leaves the object usable: the next operation resets its record.
//
// Archive paths, file specifications and destinations are DOS paths of the
// drive map. Temporary files and directories (the placeholder of Create,
// the staging directory of CopyMembers) are made exclusively, never
// through a link, under the work path (or the system temporary directory)
// and removed afterwards.
//
// Changing an archive whose read-only attribute is set first asks the
// user whether to clear it (CheckReadOnly); "No" stops the change with
// nothing touched (zip result 9, "User cancelled.").
//
// Every change holds the archive's write lock from before the engine reads
// it to after the new archive is in place; a change of several engine
// calls (Create, CopyMembers) holds it across them, and CopyMembers locks
// both archives in a fixed order. While another operation holds the lock
// the change waits (showing so, and cancellable through the status
// window) up to the lock wait, then fails with kZipArchiveBusy.
//
// Files that could not be read are left out of an add and named: an add
// that still added the others succeeds and shows which were skipped.
//
// One thread (the user-interface thread); not copyable.
#pragma once

#include "ui/OperationContext.h"
#include "zip/ZipEngine.h"
#include "zip/ZipMemberEntry.h"

#include <chrono>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vorlane::ui {
class StatusWindow;
enum class Answer;
} // namespace vorlane::ui

namespace vorlane::zip {

class ZipArchiveLock;
class ZipIndexCache;

// The program's own result codes, set in both result fields.
enum ZipOperationResult : int {
    kZipNotOpen = 201,      // no archive open
    kZipCannotCreate = 202, // the archive could not be created
    kZipNoTempFile = 203,   // a temporary file or directory could not be made
    kZipMultiVolumeRefused = 204,
};

// Archive states (the scan states of a zip directory).
enum ZipArchiveState : int {
    kArchiveNone = 0,   // nothing open / the file does not exist
    kArchiveNotZip = 2, // not a zip file
    kArchiveDamaged = 3,
    kOpened = 4,
};

// How added files keep their paths, and how extraction uses stored ones.
enum ZipPathMode : int {
    kStoreNoPaths = 0, // extract: every member into the destination itself
    kStoreRelativePaths = 1,
    kStoreFullPaths = 2,
};

// A member an extract left out, and why: the file it would have become
// (an encrypted member, code kUnzipEncryptedSkipped) or its name in the
// archive (a refused member, code kUnzipUnsafeName .. kUnzipInvalidName).
struct ZipSkippedMember {
    std::string name;
    int code = 0;
};

// Receives the members a directory read lists, in the archive's order.
class ZipMemberSink {
  public:
    virtual ~ZipMemberSink() = default;
    // Before the first member: room for count members (the archive's own
    // count, never more than a sane first guess).
    virtual void Reserve(size_t count) { (void)count; }
    virtual void Add(ZipMemberEntry&& member) = 0;
    // The read failed part-way: every member added is to be dropped.
    virtual void Clear() = 0;
};

// One entry of the compression list (the add and copy dialogs).
struct ZipCompressionChoice {
    const char* text;
    int level;
};

class CZipFileOperation {
  public:
    // The compression list in its order; "Normal" (index 1) is the default.
    static const std::vector<ZipCompressionChoice>& CompressionChoices();
    static constexpr int kDefaultCompressionChoice = 1;
    // Characters of the archive path in status and error texts.
    static constexpr size_t kShortPathLength = 30;
    // The title copied into the reply of a multi-volume request.
    static constexpr const char* kMultiVolumeTitle = "Vorlane Multi-Volume ZIP Operation";
    // How long a change waits for another operation that holds the archive.
    static constexpr std::chrono::milliseconds kDefaultLockWait{30000};

    // status may be null (not owned; must outlive its use here); the run
    // stops at the status window's Cancel, or without a window at the
    // context's cancel flag. workPath:
    // the directory for temporary files (a DOS or host path; "" for the
    // system temporary directory).
    // context: the user interface it asks and reports through and the
    // drive map its DOS paths are translated with (copied; what it points
    // to must outlive the object).
    explicit CZipFileOperation(const ui::OperationContext& context,
                               ui::StatusWindow* status = nullptr, std::string workPath = "",
                               bool longNamesAllowed = true);
    ~CZipFileOperation();
    CZipFileOperation(const CZipFileOperation&) = delete;
    CZipFileOperation& operator=(const CZipFileOperation&) = delete;

    // Both records reset, path and password emptied, deferred error 0,
    // state 0.
    void Reset();

    // --- opening and reading ----------------------------------------------
    // The check before operations on an existing archive: kOpened (also for
    // an archive without members), kArchiveNotZip (missing or not a zip
    // file) or kArchiveDamaged.
    int Open(const std::string& zipPath);
    // When the file is missing and create is set, makes an empty archive
    // (Create, reporting a failure); else Open. Returns the state.
    int OpenOrCreate(const std::string& zipPath, bool create);
    // Lists the archive's members into sink and returns the state (the
    // scan states of a zip directory: 0 missing, 2 not a zip file, 3
    // damaged or unreadable, 4 read). Directory and volume entries are left
    // out; a failure part-way clears the sink. An archive that could not be
    // read (UnzipResultCode() kUnzipReadError, SystemError() the errno) or
    // memory running out, here or in the sink's Add (kUnzipOutOfMemory;
    // never an exception), also gives 3. DeferredError() is 204 when a
    // multi-volume archive was refused.
    int ReadDirectory(const std::string& zipPath, bool multiVolumeAllowed, ZipMemberSink& sink);
    // The same into a list (emptied first).
    int ReadDirectory(const std::string& zipPath, bool multiVolumeAllowed,
                      std::vector<ZipMemberEntry>* members);
    // Makes an empty archive at zipPath (any file of that name is replaced)
    // and opens it. On failure nothing is left at zipPath and, when report
    // is set, "Unable to create zip file '%s'!\n\n" with the zip error text
    // is shown.
    bool Create(const std::string& zipPath, bool report);

    // --- changes -------------------------------------------------------------
    // function kZipFreshen, kZipUpdate or kZipAdd; pathMode ZipPathMode.
    bool AddFiles(int function, const std::string& fileSpec, int pathMode, bool move, bool recurse);
    // Removes the members matching the specification.
    bool DeleteMembers(const std::string& fileSpec);
    // Removes exactly these members, each given by its real name (case and
    // all, whole path): never another member that shares a base name. No
    // names: nothing is done (kZipNothingToDo), never every member.
    bool DeleteMembers(const std::vector<std::string>& realNames);
    // Extracts the members matching the specification into destination.
    // pathMode kStoreNoPaths drops stored paths; any other keeps them.
    bool Extract(const std::string& fileSpec, const std::string& destination, int pathMode,
                 bool promptOverwrite, bool freshen, bool update);
    // Extracts one member by its member number.
    bool ExtractMember(uint32_t memberNumber, const std::string& destination, int pathMode,
                       bool promptOverwrite, bool freshen, bool update);
    // Extracts exactly these members, each given by its real name.
    bool ExtractMembers(const std::vector<std::string>& realNames, const std::string& destination,
                        int pathMode, bool promptOverwrite, bool freshen, bool update);
    // Copies members of this archive (by their real names) into target's
    // (both open) through a staging directory; with deleteFromSource they
    // are then removed from this archive (a move). function is the add
    // function for the target.
    bool CopyMembers(int function, CZipFileOperation& target,
                     const std::vector<std::string>& realNames, bool deleteFromSource);

    // --- the comment ---------------------------------------------------------
    bool ReadComment(std::string* comment);
    bool WriteComment(const std::string& comment);

    // --- read-only check -------------------------------------------------
    // When the open archive is read-only, asks whether to clear the
    // attribute. False: go on; true: stop (the user said no, or the
    // attribute could not be cleared, which has been shown).
    bool CheckReadOnly();

    // --- texts ------------------------------------------------------------------
    // The text of the unzip result. A result of 48, 49 or 11 with a
    // deferred error set first takes the deferred error (48 and 49 counting
    // as 0) into both results and clears it.
    std::string UnzipErrorText();
    // The text of the zip result, followed by what the engine said behind
    // it (the path and the reason) and the files an add skipped.
    std::string ZipErrorText() const;
    // Both texts end in the system's reason in parentheses ("Read or seek
    // error. (Input/output error)") when the engine reported the errno
    // behind the failure.
    // The caller's sentence (printf format) followed by the unzip / zip
    // error text, in the program's error dialog; after an extract that left
    // members out, each of them on a line of its own (with its reason when
    // that is not the error text).
    ui::Answer ReportUnzipError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    ui::Answer ReportZipError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The text of a code by the tables (isZip: the zip table), with the
    // common fallback for codes of neither.
    static std::string ErrorText(int code, bool isZip, int zipResult, int unzipResult);
    // The system's text of an errno ("Permission denied").
    static std::string SystemErrorText(int errnoValue);
    // "Freshening", "Deleting", "Updating", "Adding", "Extracting" for the
    // function codes 1, 2, 3, 4 and 8; "" for others.
    static std::string Verb(int function, bool lowerFirst = false);

    // --- settings ---------------------------------------------------------------
    // 0 to 9; anything else becomes 5.
    void SetCompressionLevel(int level);
    int CompressionLevel() const { return m_level; }
    void SetLongNamesAllowed(bool allowed) { m_longNames = allowed; }
    bool LongNamesAllowed() const { return m_longNames; }
    void SetPassword(std::string password) { m_password = std::move(password); }
    void SetMultiVolumeAllowed(bool allowed) { m_multiVolume = allowed; }
    void SetStatusWindow(ui::StatusWindow* status) { m_status = status; }
    // The recompress command's window; takes precedence over the other.
    void SetRecompressStatusWindow(ui::StatusWindow* status) { m_recompressStatus = status; }
    void SetLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

    // --- state -------------------------------------------------------------------
    int State() const { return m_state; }
    const std::string& ZipPath() const { return m_zipPath; }
    int ZipResultCode() const { return m_zipResult; }
    int UnzipResultCode() const { return m_unzipResult; }
    int DeferredError() const { return m_deferredError; }
    // The errno behind the last failed unzip call (0 when none, or when the
    // failure was not the system's).
    int SystemError() const { return m_unzipSystemError; }
    // Files the engine reported finished during the last extracts, each once.
    const std::vector<std::string>& ExtractedNames() const { return m_extractedNames; }
    // Members the last extract left out (encrypted without a password, or
    // refused), in the order met.
    const std::vector<ZipSkippedMember>& SkippedMembers() const { return m_skipped; }
    // The files the last add left out, each "'<DOS path>': <reason>".
    const std::vector<std::string>& SkippedFiles() const { return m_skippedFiles; }
    const ZipCommandRecord& ZipRecord() const { return *m_zipRecord; }
    const UnzipCommandRecord& UnzipRecord() const { return *m_unzipRecord; }

    // The engine's callbacks (user: the operation object); public so the
    // engine and tests can reach them through the records.
    static bool StatusCallback(const char* text1, const char* text2, void* user);
    static bool ProgressCallback(const char* text, int percent, void* user);
    static int MessageCallback(int number, int value1, int value2, int value3, const char* text,
                               char* reply, void* user);
    static int NullCallback(void* user);

  private:
    template <typename Record> void FillRecord(Record& r, uint16_t dosNamesOption);
    void ResetZipRecord();
    void ResetUnzipRecord();
    bool RequireOpen();
    void SetBothResults(int code);
    int CallZip();
    int CallUnzip();
    ui::StatusWindow* Window() const;
    void ShowStatus(const std::string& text);
    std::string ShortZipPath() const;
    // Asks about a read-only archive before a change; false: stopped.
    bool MayChange();
    // Makes a new directory under the work path; its DOS and host paths.
    bool MakeTempDirectory(std::string* dosPath, std::string* hostPath);
    // fileSpec, or names (real names) when given, chooses.
    bool DeleteInto(const std::string& fileSpec, const std::vector<std::string>* names);
    // One of fileSpec, names (real names) or memberNumber chooses.
    bool ExtractInto(const std::string* fileSpec, const std::vector<std::string>* names,
                     uint32_t memberNumber, const std::string& destination, int pathMode,
                     bool promptOverwrite, bool freshen, bool update);
    // The skipped members, one a line, for a report whose error is code.
    std::string SkippedMembersText(int code) const;
    // m_memberNames as the engine's null-terminated list.
    const char* const* MemberNameList();
    ui::Answer Report(const std::string& errorText, const char* format, va_list args);
    static std::string WithSystemError(std::string text, int errnoValue);
    static std::string WithReason(std::string text, int errnoValue, const std::string& detail);
    // Takes the archive's write lock for a change unless this object holds
    // it already (counted: each true is paired with an UnlockArchive);
    // false (results set) when it could not be had.
    bool LockArchive(bool create);
    void UnlockArchive();
    // The archive's (device, inode): two archives are locked in this order.
    std::pair<uint64_t, uint64_t> LockOrder() const;
    bool WaitCancelled();
    void ShowSkippedFiles();

    int m_level = 5;
    std::string m_zipPath;
    int m_deferredError = 0;
    bool m_multiVolume = false;
    std::string m_password;
    int m_state = kArchiveNone;
    std::string m_placeholder;
    ui::OperationContext m_context;
    std::string m_workPath;
    bool m_longNames = true;
    int m_zipResult = 0;
    int m_unzipResult = 0;
    int m_zipSystemError = 0; // errno behind the zip result, 0 none
    int m_unzipSystemError = 0;
    ui::StatusWindow* m_status = nullptr;
    ui::StatusWindow* m_recompressStatus = nullptr;
    int m_kind = 0; // 2 deleting, 8 extracting
    std::vector<std::string> m_extractedNames;
    std::vector<ZipSkippedMember> m_skipped;
    std::unordered_set<std::string> m_extractedSeen; // the same names, for lookups
    std::vector<std::string> m_skippedFiles;
    // What the engine said behind its last failure, per entry point.
    std::string m_zipDetail;
    std::string m_unzipDetail;
    bool m_inZipCall = false;
    std::unique_ptr<ZipArchiveLock> m_lock;
    // The parsed directories of the archives this object read.
    std::unique_ptr<ZipIndexCache> m_indexCache;
    int m_lockDepth = 0;
    std::chrono::milliseconds m_lockWait = kDefaultLockWait;
    std::unique_ptr<ZipCommandRecord> m_zipRecord;
    std::unique_ptr<UnzipCommandRecord> m_unzipRecord;
    // Texts the records point at while a call runs.
    std::string m_fileSpec;
    std::string m_destination;
    std::string m_comment;
    std::vector<std::string> m_memberNames;
    std::vector<const char*> m_memberNameList; // into m_memberNames, null-terminated
};

} // namespace vorlane::zip
