#include "gui/CJobManager.h"

#include "gui/CJobUserInterface.h"
#include "platform/Drives.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>

#include <exception>
#include <new>

namespace vorlane::gui {

struct CJobManager::Entry {
    std::unique_ptr<ui::Job> job;
    std::string title;
    ui::OperationContext context;
    std::unique_ptr<CJobUserInterface> ui;
    Done done;
    std::thread thread;
    bool running = false;
};

CJobManager::CJobManager(ui::UserInterface& gui, QObject* parent) : QObject(parent), m_gui(gui) {}

CJobManager::~CJobManager() {
    BeginClosing();
    CancelAll();
    WaitForAll(-1);
}

ui::OperationContext CJobManager::NewContext() const {
    if (m_makeContext)
        return m_makeContext();
    return ui::OperationContext(m_gui, platform::DriveMap::Current());
}

uint64_t CJobManager::Start(std::unique_ptr<ui::Job> job, Done done) {
    return Start(std::move(job), NewContext(), std::move(done));
}

uint64_t CJobManager::Start(std::unique_ptr<ui::Job> job, const ui::OperationContext& context,
                            Done done) {
    const uint64_t id = m_nextId++;
    if (m_gui.RunsJobsInline()) {
        ui::OperationContext inlineContext = context.WithOwnCancelFlag().WithUi(m_gui);
        ui::JobResult result = ui::RunJobNow(*job, inlineContext);
        if (done)
            done(result);
        return id;
    }
    auto entry = std::make_unique<Entry>(Entry{nullptr, job->Title(), context.WithOwnCancelFlag(),
                                               nullptr, std::move(done), std::thread(), false});
    const std::string letters = job->DriveLetters();
    entry->job = std::move(job);
    // The job talks to the user through the GUI thread; its status windows
    // also answer its own cancel flag.
    entry->ui =
        std::make_unique<CJobUserInterface>(m_gui, this, entry->context.CancelFlag(), m_closing);
    entry->context = entry->context.WithUi(*entry->ui);
    m_jobs.emplace(id, std::move(entry));
    if (m_queue.Add(id, letters))
        Launch(id);
    emit JobsChanged();
    return id;
}

void CJobManager::Launch(uint64_t id) {
    Entry& entry = *m_jobs.at(id);
    entry.running = true;
    entry.thread = std::thread([this, id, job = entry.job.get(), context = &entry.context] {
        ui::JobResult result;
        try {
            if (context->Cancelled())
                result.cancelled = true;
            else
                result = job->Run(*context);
        } catch (const std::bad_alloc&) {
            result.ok = false;
            result.summary = "Out of memory!";
            context->Ui().Message("Not enough memory to finish '" + job->Title() + "'.");
        } catch (const std::exception& e) {
            result.ok = false;
            result.summary = e.what();
            context->Ui().Message("'" + job->Title() + "' stopped: " + e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, id, result] { Finished(id, result); }, Qt::QueuedConnection);
    });
}

void CJobManager::Finished(uint64_t id, ui::JobResult result) {
    auto it = m_jobs.find(id);
    if (it == m_jobs.end())
        return;
    std::unique_ptr<Entry> entry = std::move(it->second);
    m_jobs.erase(it);
    if (entry->thread.joinable())
        entry->thread.join();
    for (uint64_t next : m_queue.Finish(id)) {
        if (m_jobs.count(next) != 0)
            Launch(next);
    }
    if (entry->done)
        entry->done(result);
    emit JobsChanged();
}

std::vector<CJobManager::Info> CJobManager::Jobs() const {
    std::vector<Info> list;
    for (const auto& [id, entry] : m_jobs)
        list.push_back({id, entry->title, entry->running});
    return list;
}

QString CJobManager::Summary() const {
    int running = 0;
    int waiting = 0;
    for (const auto& [id, entry] : m_jobs)
        ++(entry->running ? running : waiting);
    if (running + waiting == 0)
        return {};
    QString text = running == 1 ? QStringLiteral("1 job running")
                                : QStringLiteral("%1 jobs running").arg(running);
    if (waiting > 0)
        text += QStringLiteral(", %1 waiting").arg(waiting);
    return text;
}

void CJobManager::Cancel(uint64_t id) {
    auto it = m_jobs.find(id);
    if (it != m_jobs.end())
        it->second->context.RequestCancel();
}

void CJobManager::CancelAll() {
    for (auto& [id, entry] : m_jobs)
        entry->context.RequestCancel();
}

void CJobManager::BeginClosing() {
    m_closing->store(true);
}

bool CJobManager::WaitForAll(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!m_jobs.empty()) {
        if (timeoutMs >= 0 && clock.elapsed() >= timeoutMs)
            return false;
        // The jobs' questions and their ends arrive as posted events.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!m_jobs.empty())
            QThread::msleep(2);
    }
    return true;
}

} // namespace vorlane::gui
