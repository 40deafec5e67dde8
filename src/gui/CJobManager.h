// CJobManager: runs the program's jobs (ui/Job.h) on worker threads while
// the GUI thread only draws and answers.
//
// Each job gets a copy of the context it was started with whose user
// interface is a CJobUserInterface: every question and message is carried
// to the GUI thread and the job waits for the answer; status windows are
// made and updated on the GUI thread, their texts and gauges coalesced to
// about 30 repaints a second; their Cancel sets an atomic flag the job's
// poll reads, with no event loop in between. Change notices the job makes
// reach the sink given at construction on the job's thread; the GUI's sink
// carries them to the windows on the GUI thread.
//
// Order: jobs that share a drive letter run one after another in the order
// they were started; others run side by side (ui::JobQueue).
//
// A GUI user interface that must only ever be called on one thread and in
// step with the caller (the scripted one of the tests,
// ui::UserInterface::RunsJobsInline) has its jobs run at once on the GUI
// thread instead, before Start returns.
//
// Lives on the GUI thread; every member is called there. The destructor
// cancels what is running and waits for it.
#pragma once

#include "ui/Job.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vorlane::gui {

class CJobUserInterface;

class CJobManager : public QObject {
    Q_OBJECT
  public:
    using Done = std::function<void(const ui::JobResult&)>;
    // Makes the context a job started without one runs in.
    using ContextFactory = std::function<ui::OperationContext()>;

    struct Info {
        uint64_t id = 0;
        std::string title;
        bool running = false; // false: waiting for a job on the same drive
    };

    // gui (borrowed) is the GUI thread's user interface the jobs' calls are
    // carried to; it must outlive the manager.
    explicit CJobManager(ui::UserInterface& gui, QObject* parent = nullptr);
    ~CJobManager() override;
    CJobManager(const CJobManager&) = delete;
    CJobManager& operator=(const CJobManager&) = delete;

    // Queues the job; it starts at once unless a job on one of its drives
    // is still pending. done (may be empty) is called on the GUI thread
    // when it has ended. Returns the job's id.
    uint64_t Start(std::unique_ptr<ui::Job> job, const ui::OperationContext& context,
                   Done done = {});
    // The same in the context the factory makes.
    uint64_t Start(std::unique_ptr<ui::Job> job, Done done = {});
    void SetContextFactory(ContextFactory factory) { m_makeContext = std::move(factory); }
    // A context as the factory makes it (the manager's user interface and
    // the current drive map without one): for work the GUI thread does
    // itself, and for the catalogue of its windows.
    ui::OperationContext NewContext() const;

    std::vector<Info> Jobs() const;
    bool Idle() const { return m_jobs.empty(); }
    // "2 jobs running, 1 waiting"; "" when idle.
    QString Summary() const;

    // Asks one job to stop (nothing when it has ended).
    void Cancel(uint64_t id);
    // Asks every job to stop (its status window's poll answers cancelled);
    // a waiting job is dropped before it starts.
    void CancelAll();
    // Takes GUI events until every job has ended or timeoutMs has passed
    // (negative: no limit); true when none is left. While the manager is
    // closing, the jobs' questions are answered Cancel without a dialog.
    bool WaitForAll(int timeoutMs);
    // From now on questions of jobs are declined without a dialog (the
    // program is closing).
    void BeginClosing();
    // BeginClosing was called: start no new work from a job's end.
    bool Closing() const { return m_closing->load(); }

  signals:
    // A job started, ended or was queued.
    void JobsChanged();

  private:
    struct Entry;
    void Launch(uint64_t id);
    void Finished(uint64_t id, ui::JobResult result);

    ui::UserInterface& m_gui;
    ContextFactory m_makeContext;
    std::shared_ptr<std::atomic<bool>> m_closing = std::make_shared<std::atomic<bool>>(false);
    ui::JobQueue m_queue;
    std::map<uint64_t, std::unique_ptr<Entry>> m_jobs;
    uint64_t m_nextId = 1;
};

} // namespace vorlane::gui
