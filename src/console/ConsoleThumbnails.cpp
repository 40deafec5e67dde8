#include "console/ConsoleThumbnails.h"

#include "objdb/CAppObjectDatabase.h"
#include "viewers/ThumbnailFollow.h"

namespace vorlane::console {

void ConsoleThumbnailFollower::Notify(const ui::ChangeNotice& notice) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.push_back(notice);
}

void ConsoleThumbnailFollower::Apply() {
    std::vector<ui::ChangeNotice> notices;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        notices.swap(m_pending);
    }
    auto* database = dynamic_cast<objdb::CAppObjectDatabase*>(m_app.Database());
    if (notices.empty() || database == nullptr || !database->Database().IsOpen())
        return;
    viewers::CObjectDatabaseThumbnailStore store(database->Database().Database());
    for (const ui::ChangeNotice& notice : notices)
        viewers::FollowChange(store, notice);
}

} // namespace vorlane::console
