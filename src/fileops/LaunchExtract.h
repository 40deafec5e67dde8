// Taking a zip member out for launching: Open and Edit on a file of a zip
// directory hand the launched program a plain copy of the member.
//
// The copy goes into a private directory made for it alone (mkdtemp:
// created exclusively, mode 0700, never through a link) whose parent is
// the user's zip temp path when "Use Temp Dir For Launch" is set, else the
// system's temporary directory. Nothing of the user's can be overwritten:
// the directory is new and empty. Member names are written without their
// stored path; a member the zip engine refuses (absolute, drive letter,
// "..", a link) or leaves out (encrypted) gives
// "Unable to extract file '%s' to '%s'.\n\n" and the reason, and nothing is
// launched.
//
// The directories live as long as their LaunchTempDirectories (the frame's,
// for the program's run): the launched program may read its file at any
// time, so they are removed at program exit, never right after the launch.
//
// The extraction is disk work and runs as a job (CLaunchExtractJob) on a
// worker thread; the GUI launches the copy, or shows it in the viewer pane,
// when the job is done.
#pragma once

#include "platform/SysError.h"
#include "ui/Job.h"
#include "ui/OperationContext.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vorlane::fileops {

constexpr const char* kLaunchExtractFormat = "Unable to extract file '%s' to '%s'.\n\n";
constexpr const char* kLaunchDirectoryPrefix = "vorlane-launch-";

// The private directories made for launched copies; removes them (and what
// they hold, links never followed) when destroyed. Thread-safe.
class LaunchTempDirectories {
  public:
    LaunchTempDirectories() = default;
    ~LaunchTempDirectories() { RemoveAll(); }
    LaunchTempDirectories(const LaunchTempDirectories&) = delete;
    LaunchTempDirectories& operator=(const LaunchTempDirectories&) = delete;

    // A new directory under parent (host path), "" on failure (err says why).
    std::string Make(const std::string& parent, platform::SysError* err);
    // Removes one directory (a failed extraction's) or every one.
    void Remove(const std::string& dir);
    void RemoveAll();
    std::vector<std::string> Directories() const;

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_dirs;
};

struct LaunchExtractRequest {
    std::string zipPath;    // the archive, a DOS path
    std::string memberName; // the member's real name (as stored)
    std::string shownName;  // the name the file list shows (messages)
    bool useTempDirForLaunch = true;
    std::string zipTempPath; // "Zip Temp Path" (DOS or host); "" the system's
};

// The host directory the private directory is made in.
std::string LaunchExtractParent(const LaunchExtractRequest& request,
                                const ui::OperationContext& context);

// Extracts the member; the host path of the copy, or "" after the message.
std::string ExtractForLaunch(const ui::OperationContext& context,
                             const LaunchExtractRequest& request, LaunchTempDirectories& dirs);

// Extracts the member for viewing: as ExtractForLaunch under the zip temp
// path (else the system's temporary directory), the copy made readable by
// the user alone (mode 0600). "" after the message.
std::string ExtractForViewing(const ui::OperationContext& context, LaunchExtractRequest request,
                              LaunchTempDirectories& dirs);

// Deletes a copy ExtractForViewing or ExtractForLaunch made, with its
// private directory.
void RemoveExtractedCopy(const std::string& copy, LaunchTempDirectories& dirs);

// What a take-out job makes its copy for: a launch (ExtractForLaunch) or
// the viewer pane (ExtractForViewing).
enum class ExtractPurpose { kLaunch, kViewing };

class CLaunchExtractJob : public ui::Job {
  public:
    // dirs must outlive the job; result receives the copy's path ("" on
    // failure) when the job has run.
    CLaunchExtractJob(LaunchExtractRequest request, LaunchTempDirectories& dirs,
                      std::shared_ptr<std::string> result,
                      ExtractPurpose purpose = ExtractPurpose::kLaunch)
        : m_request(std::move(request)), m_dirs(dirs), m_result(std::move(result)),
          m_purpose(purpose) {}
    // The same with the directories shared: the job keeps them alive, for
    // an owner that may go while the job runs (a file manager window
    // closed meanwhile). REQUIRES: dirs is not null.
    CLaunchExtractJob(LaunchExtractRequest request, std::shared_ptr<LaunchTempDirectories> dirs,
                      std::shared_ptr<std::string> result, ExtractPurpose purpose)
        : CLaunchExtractJob(std::move(request), *dirs, std::move(result), purpose) {
        m_keepDirs = std::move(dirs);
    }

    // The take-out's messages go into messages (in order) instead of to the
    // user, for a caller that shows a failure in place (the viewer pane).
    void KeepMessagesIn(std::shared_ptr<std::vector<std::string>> messages) {
        m_messages = std::move(messages);
    }

    std::string Title() const override { return "Extracting " + m_request.shownName; }
    std::string DriveLetters() const override;
    ui::JobResult Run(ui::OperationContext& context) override;

  private:
    std::string Extract(const ui::OperationContext& context);

    LaunchExtractRequest m_request;
    std::shared_ptr<std::vector<std::string>> m_messages; // null: the user is told
    LaunchTempDirectories& m_dirs;
    std::shared_ptr<LaunchTempDirectories> m_keepDirs; // null: the caller keeps them
    std::shared_ptr<std::string> m_result;
    ExtractPurpose m_purpose;
};

} // namespace vorlane::fileops
