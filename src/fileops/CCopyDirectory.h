// Copy and move: a file group or a whole directory tree from one location
// to another, where either side may be a plain directory or a directory
// inside a zip file ("C:\ARC.ZIP\SUB").
//
// The front end fills a CCopyParameters (from its dialog and the "File
// Copy" settings, from a drop, or from a command), checks it with
// ValidateCopy, and runs a CCopyJob (or RunCopy at once on its own
// thread). The driver asks its questions and shows its status window
// through the context's user interface, makes every change to a plain
// file through one CFileOperation primitive and every change to a zip file
// through CZipFileOperation, and announces each change to the context's
// change sink; it never touches the catalogue.
//
//   CCopyParameters p = ReadCopySettings(readInt);   // dialog opens
//   p.operation = kCopyFiles; p.sourceDirectory = "C:\\DOCS";
//   p.files = {"A.TXT", "B.TXT"}; p.targetPath = "D:\\BACKUP";
//   if (std::string refusal = ValidateCopy(p, drives, true); !refusal.empty())
//       ui.Message(refusal);                           // dialog stays open
//   WriteCopySettings(p, writer);                      // OK
//   jobs.Start(std::make_unique<CCopyJob>(p));
#pragma once

#include "fileops/ZipArchiveCommands.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::fileops {

// The four kinds of a run, numbered as stored and passed by commands.
enum CopyKind : int {
    kCopyFiles = 0,
    kMoveFiles = 1,
    kCopyDirectory = 2,
    kMoveDirectory = 3,
};

// "Copy Files", "Move Files", "Copy Directory", "Move Directory"; null for
// a kind outside the four.
const char* CopyCaption(int kind);
// "Files copied (or skipped):" for the copy kinds, "Files moved (or
// skipped):" for the move kinds.
const char* CopyOverallLabel(int kind);
// The kind for a copy or a move of files or of a directory.
int CopyKindOf(bool move, bool directory);
inline bool IsMoveKind(int kind) {
    return kind == kMoveFiles || kind == kMoveDirectory;
}
inline bool IsDirectoryKind(int kind) {
    return kind == kCopyDirectory || kind == kMoveDirectory;
}

// The option flags, one bit each, in the order commands pass them.
enum CopyFlag : uint32_t {
    kCopyOnlyIfNewer = 1,
    kCopyOnlyIfDestinationExists = 2,
    kCopyPromptBeforeOverwrite = 4,
    kCopyPromptCreateDirectory = 8, // set by every run as it starts
    kCopyZip83Names = 16,
};

// The compression factor choices in the order of the dialog's combo box.
struct CompressionFactor {
    const char* name; // "Maximum (slowest)", "Normal", "Fast", "SuperFast", "None"
    int value;        // 9, 5, 3, 2, 0
};
const std::array<CompressionFactor, 5>& CompressionFactors();
// The index of a stored value in the table; a value not in it selects
// "Normal" (index 1).
int CompressionFactorIndex(int value);

// The zip path modes: "Store &No Paths", "Store &Relative Path", "Store
// F&ull Paths".
enum ZipPathModeChoice : int { kZipNoPaths = 0, kZipRelativePaths = 1, kZipFullPaths = 2 };

constexpr size_t kCopyPasswordLimit = 65;
constexpr size_t kCopyTargetLimit = 260;
constexpr const char* kCopySettingsSection = "File Copy";
// The target path field's history: its name and length.
constexpr const char* kTargetHistoryName = "TargetDirectory";
constexpr size_t kTargetHistoryLength = 20;

// The options of one copy or move.
struct CCopyParameters {
    int operation = kCopyFiles;
    uint32_t flags = kCopyOnlyIfNewer | kCopyPromptBeforeOverwrite;
    int compressionFactor = 5; // a value of CompressionFactors()
    int zipPathMode = kZipNoPaths;
    std::string password; // at most kCopyPasswordLimit characters

    // File kinds: the directory the files are in and their names, in group
    // order (the front end resolves the file group). Directory kinds: the
    // directory itself; files stays empty.
    std::string sourceDirectory; // DOS path, plain or inside a zip file
    std::vector<std::string> files;
    std::string targetPath; // DOS path of the target directory

    bool descriptions = false; // "4DOS Descriptions": descriptions follow files
    // Every run asks before it makes a missing target directory (flag 8,
    // set as it starts). A drop has pointed at its target: the directories
    // of a dropped tree are made without asking.
    bool askBeforeCreating = true;

    bool IsMove() const { return IsMoveKind(operation); }
    bool IsDirectory() const { return IsDirectoryKind(operation); }
    bool Use83Names() const { return (flags & kCopyZip83Names) != 0; }
};

// Reads one integer settings value (section, key, default).
using SettingsIntReader = std::function<int(const std::string&, const std::string&, int)>;

// The options stored under "File Copy" ("Only Copy If Newer", "Only Copy
// If Destination Exists", "Prompt Before Overwrite", "Use 8.3 filename
// format", "Compression Factor", "Zip Path Mode"), defaults where a key is
// missing or out of range. Read when the dialog opens.
CCopyParameters ReadCopySettings(const SettingsIntReader& read);
// Writes the same keys (when the dialog closes with OK).
void WriteCopySettings(const CCopyParameters& parameters, const SettingsWriter& write);

// The checks before a run, in their order. Returns "" when the run may
// start, else the text to show (the dialog stays open). inDialog selects
// the empty-group text: "The selected file group does not have any
// files!" in the dialog, "There are no files in the selected group to
// copy/move!" when a run starts without one.
std::string ValidateCopy(const CCopyParameters& parameters, const platform::DriveMap& drives,
                         bool inDialog);

// The refusal of a run whose files are already in the target directory.
constexpr const char* kSameCopyPathsText = "The source and target paths must be different!";
// True when two DOS directories are one: the same path, or one directory
// reached by two paths (a link, two drives mapped onto it).
bool SameCopyDirectory(const std::string& source, const std::string& target,
                       const platform::DriveMap& drives);
// The target's own checks of ValidateCopy (given, valid): "" or the refusal.
std::string ValidateCopyTarget(const std::string& targetPath, const platform::DriveMap& drives);
// The refusal of a run without files (inDialog as for ValidateCopy).
std::string NoFilesText(bool inDialog);

// What one run did.
struct CCopyOutcome {
    // Files copied or moved: a zip file copied whole counts once, and so
    // does a tree moved by one rename of its root.
    int done = 0;
    int skipped = 0; // files the per-file decision skipped (the skipped count)
    int failed = 0;  // failures shown to the user
    bool cancelled = false;
    bool completed = false; // ran to its end (not cancelled, not refused)
    // The prompt flags (kCopyPromptBeforeOverwrite, kCopyPromptCreateDirectory)
    // a Yes To All turned off: a run made of several runs passes them on.
    uint32_t answeredForAll = 0;
};

// The driver of one run. Holds the parameters, the context and, while the
// run lasts, the status window and the file operation.
class CCopyDirectory {
  public:
    CCopyDirectory(CCopyParameters parameters, const ui::OperationContext& context);
    ~CCopyDirectory();
    CCopyDirectory(const CCopyDirectory&) = delete;
    CCopyDirectory& operator=(const CCopyDirectory&) = delete;

    // Performs the run on the calling thread; true when it completed.
    bool Run();

    const CCopyParameters& Parameters() const { return m_parameters; }
    const CCopyOutcome& Outcome() const { return m_outcome; }

  private:
    class Run_;
    CCopyParameters m_parameters;
    ui::OperationContext m_context;
    CCopyOutcome m_outcome;
};

// Runs one copy or move at once on the calling thread.
CCopyOutcome RunCopy(const CCopyParameters& parameters, const ui::OperationContext& context);

// A copy or move job's result: ok when it completed without failures;
// summary "<done> copied" or "<done> moved".
ui::JobResult CopyJobResult(const CCopyOutcome& outcome, bool move);

// A copy or move as a job: claims the source's and the target's drives.
class CCopyJob : public ui::Job {
  public:
    explicit CCopyJob(CCopyParameters parameters) : m_parameters(std::move(parameters)) {}
    std::string Title() const override;
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;
    const CCopyOutcome& Outcome() const { return m_outcome; }

  private:
    CCopyParameters m_parameters;
    CCopyOutcome m_outcome;
};

// The dialog's "Contains:" count of a directory tree (plain or inside a zip
// file): every directory below it and every file, links counted as files
// and never followed. Runs on a worker thread; stops early (known false)
// when cancel becomes true or a directory cannot be read.
struct TreeCount {
    uint64_t directories = 0;
    uint64_t files = 0;
    bool known = false;
};
TreeCount CountTree(const std::string& dosDirectory, const platform::DriveMap& drives,
                    const std::atomic<bool>* cancel = nullptr);

} // namespace vorlane::fileops
