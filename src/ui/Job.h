// Jobs: every operation that touches the disk runs as a job, the driver
// object with its parameters, run against an operation context.
//
// A front end starts a job and leaves it alone: the GUI runs it on a worker
// thread (gui/CJobManager) while the windows stay responsive; the console
// and the tests run it at once on their own thread (RunJobNow). The job
// reaches the user only through its context's user interface and announces
// each change through its context's notices.
//
// Which jobs may run together: each job names the drive letters whose files
// it reads or changes. Jobs that share a letter run one after another, in
// the order they were started; jobs on different drives run side by side.
// So a second copy onto a drive waits until the first has finished, as the
// job queues of two-pane managers do, and nothing ever changes the same
// files twice at once. JobQueue holds that rule; it knows no threads.
#pragma once

#include "ui/OperationContext.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace vorlane::ui {

struct JobResult {
    bool ok = true;         // false: at least one step failed (each failure was shown)
    bool cancelled = false; // the user (or the frame closing) stopped it
    std::string summary;    // one line for the job list ("3 files copied")
};

class Job {
  public:
    virtual ~Job() = default;
    // The caption of its status window and its line in the job list.
    virtual std::string Title() const = 0;
    // The drive letters (upper case) whose files it reads or changes.
    virtual std::string DriveLetters() const = 0;
    // Does the work. Called once, on the job's thread.
    virtual JobResult Run(OperationContext& context) = 0;
};

// Runs a job on the calling thread.
JobResult RunJobNow(Job& job, OperationContext& context);

// The order rule above, over job ids. Not thread-safe: its owner locks.
class JobQueue {
  public:
    // Adds a job; true when it may start at once (no earlier job that has
    // not finished shares a letter with it).
    bool Add(uint64_t id, const std::string& driveLetters);
    // Removes a finished job; returns the jobs that may start now, in the
    // order they were added.
    std::vector<uint64_t> Finish(uint64_t id);
    // Jobs added and not finished (running or waiting).
    size_t Pending() const { return m_jobs.size(); }
    bool IsRunning(uint64_t id) const;

  private:
    struct Entry {
        uint64_t id;
        std::string letters;
        bool running;
    };
    bool MayStart(size_t index) const;
    std::deque<Entry> m_jobs; // in the order they were added
};

// Upper-cased letters A to Z of text, each once, in first-seen order.
std::string NormalizeDriveLetters(const std::string& text);

} // namespace vorlane::ui
