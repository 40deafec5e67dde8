// ConsoleThumbnailFollower: the console's change sink. What a command does
// to files reaches the thumbnails of the object database, as in the
// windowed front end (viewers/ThumbnailFollow.h): a thumbnail moves with
// its picture and goes with it, so none is left for a file that is gone
// and none shows for another file.
//
// Notices may come from a job's worker threads: Notify keeps them under a
// lock, and Apply hands them to the database on the session's thread, the
// database's one owner. Without an open database they are dropped.
#pragma once

#include "app/VorlaneApp.h"
#include "ui/ChangeNotices.h"

#include <mutex>
#include <vector>

namespace vorlane::console {

class ConsoleThumbnailFollower : public ui::ChangeSink {
  public:
    explicit ConsoleThumbnailFollower(app::VorlaneApp& app) : m_app(app) {}

    void Notify(const ui::ChangeNotice& notice) override;
    // Applies the notices kept so far, in their order. Session thread only.
    void Apply();

  private:
    app::VorlaneApp& m_app;
    std::mutex m_mutex;
    std::vector<ui::ChangeNotice> m_pending;
};

} // namespace vorlane::console
