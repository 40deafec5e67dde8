// CWindowCommandHost: the command language run from a file manager
// window's "Command:" field. The line's working directory is the window's
// current directory; the file group words take the window's tags and
// caret; CHDIR and DIR move the window; "D:" logs and shows drive D in it;
// "/?" opens the command's help page; every operation runs as a job of the
// frame's job manager, off the GUI thread, with its status window, while
// the field waits for it (the GUI keeps drawing and answering meanwhile).
//
// Made for one line on the GUI thread and dropped after it. The window may
// go while a job runs: the host then does nothing more to it.
#pragma once

#include "command/CCommandHost.h"

#include <QPointer>

namespace vorlane::gui {

class CJobManager;
class TFileManagerWindow;

class CWindowCommandHost : public command::CCommandHost {
  public:
    // jobs may be null (a window outside a frame): jobs then run at once.
    CWindowCommandHost(TFileManagerWindow& window, CJobManager* jobs);

    ui::OperationContext Context() override;
    ui::JobResult RunJob(ui::Job& job, ui::OperationContext& context) override;
    std::vector<std::string> GroupFiles(int group) override;
    bool ChangeDirectory(const std::string& dosDirectory) override;
    bool ShowDirectory(const std::string& dosDirectory, const std::string& pattern) override;
    void SwitchDrive(char letter) override;
    void ShowHelp(int helpContext) override;
    int ReadSettingInt(const std::string& section, const std::string& key, int def) override;
    std::string ReadSettingString(const std::string& section, const std::string& key) override;

  private:
    QPointer<TFileManagerWindow> m_window;
    CJobManager* m_jobs;
};

} // namespace vorlane::gui
