#include "gui/CThumbnailCache.h"

#include "gui/CGuiThumbnailStore.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPath.h"
#include "viewers/CThumbnailMaintenance.h"
#include "viewers/FitToBox.h"

#include <QAbstractItemView>
#include <QImage>
#include <QPixmap>

namespace vorlane::gui {

namespace {

uint64_t g_generation = 1;
// A window that shows thousands of directories one after another keeps
// at most this many pictures.
constexpr size_t kMostPictures = 4096;

} // namespace

void ThumbnailsChanged() {
    ++g_generation;
    for (TFileManagerWindow* window : TFileManagerWindow::OpenWindows())
        window->RedrawThumbnails();
}

QIcon CThumbnailCache::Thumbnail(const std::string& dosPath, const platform::DriveMap& drives,
                                 QSize display) {
    if (m_generation != g_generation || m_display != display || m_pictures.size() > kMostPictures) {
        m_pictures.clear();
        m_generation = g_generation;
        m_display = display;
    }
    auto it = m_pictures.find(dosPath);
    if (it == m_pictures.end())
        it = m_pictures.emplace(dosPath, Make(dosPath, drives, display)).first;
    return it->second;
}

QIcon CThumbnailCache::Make(const std::string& dosPath, const platform::DriveMap& drives,
                            QSize display) {
    std::vector<uint8_t> data;
    if (!AppThumbnailStore().Get(viewers::ThumbnailKey(dosPath), &data))
        return {};
    if (!viewers::ThumbnailShowsFile(data, dosPath, drives)) {
        // Another file's picture under the shared name: this file's own,
        // made now and not stored (the other keeps its thumbnail).
        std::string host;
        std::string error;
        if (!platform::DosToHost(dosPath, &host, nullptr, drives) ||
            !viewers::MakeThumbnailPng(host, &data, &error))
            return {};
    }
    QImage image;
    if (!image.loadFromData(data.data(), static_cast<int>(data.size()), "PNG"))
        return {};
    const viewers::ImageSize size =
        viewers::ShrinkToBox(display.width(), display.height(), image.width(), image.height());
    if (size.width != image.width() || size.height != image.height())
        image =
            image.scaled(size.width, size.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QIcon(QPixmap::fromImage(image));
}

} // namespace vorlane::gui
