// CViewerWindow: an MDI child showing one file by the rules of the viewer
// control bar (a picture in the image window, any other file in the text
// or hex viewer). Opened by "&Viewer Window" (a file picked in "View
// File") and by the file manager window's "&View" on its focused file.
// Load errors go to the "Viewer Load Error" dialog.
//
// A file taken out of a zip file for the window is marked delete when done:
// it goes when the window closes.
//
// GUI thread only.
#pragma once

#include <QWidget>

#include <string>

namespace vorlane::gui {

class CFileViewerControlBar;

class CViewerWindow : public QWidget {
    Q_OBJECT
  public:
    // shownName: the caption (the DOS path the user chose, as given).
    CViewerWindow(const std::string& hostPath, const std::string& shownName,
                  bool deleteWhenDone = false, QWidget* parent = nullptr);

    CFileViewerControlBar* Bar() const { return m_bar; }
    const std::string& ShownName() const { return m_name; }

  signals:
    void WallpaperRequested(const QString& hostPath);

  private:
    CFileViewerControlBar* m_bar;
    std::string m_name;
};

// The section and key that remember the "View File" picker's directory.
constexpr const char* kNewViewerSection = "NewViewerWindow";
constexpr const char* kNewViewerDirectoryKey = "InitialDirectory";

} // namespace vorlane::gui
