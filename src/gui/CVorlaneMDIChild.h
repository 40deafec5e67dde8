// CVorlaneMDIChild: an MDI child of the main frame. A file manager window
// is one holding a TFileManagerWindow; the child takes its caption from
// its client and is deleted when it closes (the client's session frees
// the drives it logged, and the client writes its per-drive keys). It
// carries the menu of its client: 200 for a plain drive, 500 for an
// archive.
#pragma once

#include <QMdiSubWindow>

namespace vorlane::gui {

class TFileManagerWindow;

class CVorlaneMDIChild : public QMdiSubWindow {
    Q_OBJECT
  public:
    // Takes ownership of client (a file manager window, or another kind).
    explicit CVorlaneMDIChild(QWidget* client, QWidget* parent = nullptr);

    // The file manager window inside, or null for other kinds of child.
    TFileManagerWindow* FileManager() const;
    // A child's show mode as the saved windows store it (6, 3 or 1; 0 hidden).
    int ShowMode() const;
    // The menu and accelerator resource: 200 or 500 for a file manager
    // window, 0 for other kinds.
    int MenuId() const;
};

// The file manager window of a sub window, or null.
TFileManagerWindow* FileManagerOf(QMdiSubWindow* child);

} // namespace vorlane::gui
