// CDriveBar: the frame's drive bar ("Drive Ribbon"): one button per shown
// drive, with the icon of its drive type. A click asks for a file manager
// window on that drive; the button's pop-up menu offers Relog, Unlog and
// Info for it.
#pragma once

#include <QToolBar>

namespace vorlane::gui {

class CDriveBar : public QToolBar {
    Q_OBJECT
  public:
    explicit CDriveBar(QWidget* parent = nullptr);

    // Makes the buttons again from the application's drive tables (or,
    // without an application, from the drive map).
    void Rebuild();
    // The pop-up menu of a drive's button.
    QMenu* MakeDriveMenu(char letter);

  signals:
    void DriveChosen(char letter);
    void RelogRequested(char letter);
    void UnlogRequested(char letter);
    void InfoRequested(char letter);
};

// The text the Info command shows for a drive: letter, type, label, host
// directory, free and total space.
std::string DriveInfoText(char letter);

} // namespace vorlane::gui
