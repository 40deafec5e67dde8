// What the frame keeps for launching: the private directories of zip
// members taken out for launching (removed when the frame goes, at program
// exit, never while a launched program may still read them) and the
// said-once state of the editor fallback. The frame holds one; its jobs
// end before it goes.
#pragma once

#include "fileops/Launch.h"
#include "fileops/LaunchExtract.h"

class QWidget;

namespace vorlane::gui {

struct FrameLaunchState {
    fileops::LaunchTempDirectories tempDirectories;
    fileops::EditorFallbackState editorFallback;
};

// The main frame as the window a launch minimises and restores.
class FrameLaunchOwner : public fileops::LaunchOwner {
  public:
    explicit FrameLaunchOwner(QWidget* frame) : m_frame(frame) {}
    void Minimize() override;
    void Restore() override;

  private:
    QWidget* m_frame;
};

} // namespace vorlane::gui
