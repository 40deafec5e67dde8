// The state of one copy or move run (CCopyDirectory::Run): the parameters,
// the flags as the answers change them, the status window, the file
// operation, the counts, and the description databases. Plain sides in
// CCopyRun.cpp, zip sides in CCopyZip.cpp.
#pragma once

#include "descriptions/C4DosDescriptionDatabase.h"
#include "fileops/CCopyDirectory.h"
#include "fileops/CFileOperation.h"
#include "fileops/DosZipPath.h"
#include "fileops/TreeListing.h"
#include "ui/UserInterface.h"

#include <memory>
#include <string>
#include <vector>

namespace vorlane::fileops {

class CopyRun {
  public:
    CopyRun(const CCopyParameters& parameters, const ui::OperationContext& context,
            CCopyOutcome& outcome);
    ~CopyRun();

    // The whole run; true when it ran to its end.
    bool Execute();

  private:
    enum class Step { Go, Skip, Cancel };

    static std::string Short(const std::string& dosPath);
    const char* Verb() const { return m_move ? "move" : "copy"; }
    bool Cancelled();
    // "Unable to copy|move file '%s' to '%s'." with the error text (err
    // first when given); counts the failure.
    void ReportFileFailure(const std::string& source, const std::string& target,
                           const platform::SysError* err);
    // DosToHost, or the failure reported for source and target.
    bool ResolveOrReport(const std::string& dosPath, std::string* host, const std::string& source,
                         const std::string& target);
    // A Yes / No / Yes To All / Cancel question: Go, Skip or Cancel (the
    // run cancelled); Yes To All clears flag for the rest of the run.
    Step Ask(const std::string& text, uint32_t flag, bool* toAll = nullptr);
    static std::string CreateQuestion(const std::string& directory);
    // count more files handled (copied, moved, skipped or failed).
    void Handled(uint64_t count);
    void Skip(uint64_t count);
    void Notify(ui::ChangeKind kind, const std::string& path, const std::string& newPath,
                bool directory);

    // The missing-target-directory step (followLink: the directory the
    // user typed may be reached through a link; one the run makes may not).
    Step EnsureDirectory(const ResolvedPath& directory, bool followLink);
    bool MakeDirectory(const ResolvedPath& directory);
    // The target directory the user chose, made when missing (m_total
    // known); false when the run goes no further.
    bool EnterTarget(const ResolvedPath& to);
    // The per-file decision on the target as the file's one look at it
    // found it (exists, with its last write time).
    Step Decide(const ResolvedPath& target, bool exists, const platform::FileTime& targetTime,
                const platform::FileTime& sourceTime);
    // The decision and the work for one file (a link, a zip file).
    Step HandleFile(const ResolvedPath& source, const ResolvedPath& target, bool isZipFile);
    void CarryDescription(const std::string& source, const std::string& target);
    bool IsDescriptionFile(const std::string& hostName) const;

    void RunGroup(const ResolvedPath& from, const ResolvedPath& to);
    // The tree from lands in to\rootName ("": from's own name).
    void RunTree(const ResolvedPath& from, const ResolvedPath& to,
                 const std::string& rootName = "");
    // A move within one file system that can ask no question: the root
    // renamed before the tree is listed. False: the run lists the tree.
    bool MoveWholeUnlisted(const ResolvedPath& from, const ResolvedPath& to,
                           const ResolvedPath& root);
    void RemoveSourceDirectories(const std::vector<ResolvedPath>& sources);
    // A move to another file system copies a batch of files, flushes the
    // target's file system once and only then deletes the batch's sources
    // (one flush per file cost about 12 ms each on ext4).
    bool DefersMove(const ResolvedPath& source, const ResolvedPath& target) const;
    void FinishPendingMoves();

    // Either side in a zip file (parts null for a plain side).
    void RunZip(const std::string& source, const ZipPathParts* sourceZip, const std::string& target,
                const ZipPathParts* targetZip);
    bool StageInto(const ResolvedPath& dir, const ResolvedPath& from, bool tree);

    const CCopyParameters& m_p;
    ui::OperationContext m_context;
    ui::UserInterface& m_ui;
    CCopyOutcome& m_out;
    uint32_t m_flags = 0;
    bool m_move = false;
    std::string m_caption;
    std::unique_ptr<ui::StatusWindow> m_status;
    std::unique_ptr<CFileOperation> m_op;
    uint64_t m_total = 0;
    uint64_t m_handled = 0;
    // While the plain steps place members extracted into a staging
    // directory: the staged files placed (moved out of staging).
    std::vector<std::string>* m_staged = nullptr;
    // Files moved to another file system whose copies are complete and
    // whose sources wait for one flush of the target file system.
    struct PendingMove {
        ResolvedPath source, target;
    };
    std::vector<PendingMove> m_pending;
    uint64_t m_pendingBytes = 0;
    descriptions::C4DosDescriptionDatabase m_fromDescriptions;
    descriptions::C4DosDescriptionDatabase m_toDescriptions;
};

} // namespace vorlane::fileops
