// The thumbnail objects of the application's object database, as the GUI
// reaches them.
//
// AppThumbnailStore() is the store over the application's database for
// code on the GUI thread (the windows' thumbnail view, the change sink);
// every call finds the open database anew and fails when there is none.
//
// CGuiThumbnailStore is what a thumbnail job on a worker thread is handed:
// each call is carried to the GUI thread, which owns the database, and the
// job waits for the answer. While it waits it watches a give-up flag (the
// job's cancel flag, set also when the frame closes and waits for its
// jobs), so a job never waits on a GUI thread that is waiting for it; a
// call given up on fails. Called on the GUI thread itself (a job run
// inline), it calls the database at once.
#pragma once

#include "viewers/CThumbnailJob.h"
#include "viewers/ThumbnailStore.h"

#include <atomic>
#include <memory>

namespace vorlane::gui {

viewers::IThumbnailStore& AppThumbnailStore();

class CGuiThumbnailStore : public viewers::IThumbnailStore {
  public:
    void SetGiveUpFlag(std::shared_ptr<std::atomic<bool>> flag) { m_giveUp = std::move(flag); }

    bool Get(const std::string& key, std::vector<uint8_t>* data) override;
    bool Put(const std::string& key, const std::vector<uint8_t>& data) override;
    bool Delete(const std::string& key) override;
    std::vector<std::string> Names() override;
    std::string LastError() override;

  private:
    template <typename T, typename F> T OnGui(F call, T failed);
    std::shared_ptr<std::atomic<bool>> m_giveUp;
};

// A thumbnail command as a job of a window: CThumbnailJob with a store of
// its own that gives up when the job is cancelled.
class CGuiThumbnailJob : public ui::Job {
  public:
    explicit CGuiThumbnailJob(viewers::ThumbnailJobParameters parameters)
        : m_job(std::move(parameters), m_store) {}
    std::string Title() const override { return m_job.Title(); }
    std::string DriveLetters() const override { return m_job.DriveLetters(); }
    ui::JobResult Run(ui::OperationContext& context) override {
        m_store.SetGiveUpFlag(context.CancelFlag());
        return m_job.Run(context);
    }

  private:
    CGuiThumbnailStore m_store;
    viewers::CThumbnailJob m_job;
};

} // namespace vorlane::gui
