#include "gui/CGuiChangeSink.h"

#include "gui/CGuiThumbnailStore.h"
#include "gui/CThumbnailCache.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPathText.h"
#include "viewers/ThumbnailFollow.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <map>

namespace vorlane::gui {

namespace {

struct PathLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return platform::ComparePaths(a, b) < 0;
    }
};

} // namespace

void CGuiChangeSink::Notify(const ui::ChangeNotice& notice) {
    bool schedule = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.push_back(notice);
        schedule = !m_scheduled;
        m_scheduled = true;
    }
    if (QThread::currentThread() == thread()) {
        Flush();
        return;
    }
    if (schedule)
        QMetaObject::invokeMethod(this, &CGuiChangeSink::Flush, Qt::QueuedConnection);
}

void CGuiChangeSink::Flush() {
    std::vector<ui::ChangeNotice> notices;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        notices.swap(m_pending);
        m_scheduled = false;
    }
    // One refresh per directory: the first path changed there.
    std::map<std::string, std::string, PathLess> changed;
    auto note = [&](const std::string& path) {
        if (!path.empty())
            changed.emplace(platform::ParentDosPath(path), path);
    };
    // The thumbnails follow the files first, so the windows read again
    // draw the right ones.
    viewers::IThumbnailStore& thumbnails = AppThumbnailStore();
    for (const ui::ChangeNotice& notice : notices)
        viewers::FollowChange(thumbnails, notice);
    if (!notices.empty())
        ThumbnailsChanged();
    for (const ui::ChangeNotice& notice : notices) {
        note(notice.path);
        if (notice.kind == ui::ChangeKind::Renamed)
            note(notice.newPath);
    }
    for (const auto& [directory, path] : changed)
        BroadcastCatalogueChange(platform::PathDriveLetter(path), path);
}

} // namespace vorlane::gui
