// CThumbnailCache: the pictures of a file manager window's thumbnail view.
//
// A file's picture is made on first need (when the view paints its row):
// the object (5, the file's path lower-cased) is read from the object
// database; when there is none, or it cannot be decoded, the file has no
// thumbnail and is not asked again. An object that belongs to another file
// (a path differing only in case that is not the same file) is never shown:
// the picture is made anew from the file instead, for the view only. The
// decoded picture is fitted to the display size by the fit rule when it is
// bigger, and kept.
//
// ThumbnailsChanged() tells every cache that the objects changed (a scan, a
// removal, a file operation): each forgets what it holds at its next use,
// and the windows repaint.
//
// GUI thread only.
#pragma once

#include <QIcon>
#include <QSize>

#include <cstdint>
#include <string>
#include <unordered_map>

namespace vorlane::platform {
class DriveMap;
}

namespace vorlane::gui {

void ThumbnailsChanged();

class CThumbnailCache {
  public:
    // The picture of the file at dosPath; a null icon when it has none.
    QIcon Thumbnail(const std::string& dosPath, const platform::DriveMap& drives, QSize display);
    // Pictures made so far (decoded or marked as none).
    size_t Size() const { return m_pictures.size(); }

  private:
    QIcon Make(const std::string& dosPath, const platform::DriveMap& drives, QSize display);

    std::unordered_map<std::string, QIcon> m_pictures; // by exact DOS path; null: none
    uint64_t m_generation = 0;
    QSize m_display;
};

} // namespace vorlane::gui
