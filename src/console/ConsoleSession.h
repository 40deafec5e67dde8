// ConsoleSession: the application run headless on a terminal. It is the
// main frame (it keeps the frame's keys; it has no file manager windows, so
// the windows saved by a windowed run stay as they are) and runs a command
// prompt until EXIT or the end of input, then the normal shutdown.
//
// Commands (any case): EXIT (also QUIT), HELP, VERSION, DRIVES, SET.
// An unknown command gets an error and the prompt again. The end of input
// leaves as EXIT does, without the exit question (nobody can answer it).
#pragma once

#include "app/FrameSettings.h"
#include "app/IMainFrame.h"
#include "app/VorlaneApp.h"
#include "console/ConsoleUserInterface.h"
#include "fileops/CCopyDirectory.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vorlane::console {

class ConsoleSession : public app::IMainFrame, public app::IStartupActions {
  public:
    ConsoleSession(std::istream& in, std::ostream& out, std::ostream& err, bool progressBars,
                   app::AppServices services = {});

    // Start-up, the command loop, shutdown. Returns the process exit code.
    int Run();
    // Runs one command line; false when the session is to end.
    bool Execute(const std::string& line);

    const app::FrameSettings& Frame() const { return m_frame; }

    // Runs a copy or move at once, as a job on this thread, with the
    // session's context (the console's questions and status lines, the
    // drive map, the options); its change notices go to notices (none when
    // null). True when it ran to its end.
    bool RunCopy(const fileops::CCopyParameters& parameters, ui::ChangeSink* notices = nullptr);

    // IMainFrame
    void Create(const platform::ProfileFile& settings) override;
    void ShowStartupNotice(const std::string& name, const std::string& version,
                           const std::string& problem) override;
    bool CanCloseAllWindows() override { return true; }
    bool HasFileManagerWindows() const override { return false; }
    std::vector<app::OpenWindowInfo> OpenFileManagerWindows() const override { return {}; }
    void CleanUp(platform::ProfileFile& settings) override;

    // IStartupActions: the dialogs and archives of modes 102 to 105 need
    // the windowed front end; the console says so and goes on.
    void ShowLogDriveDialog() override;
    void LogCurrentDrive() override;
    void NewArchive() override;
    void OpenArchive() override;
    // Nothing to open: the saved windows wait for the windowed front end.
    void OpenSavedWindow(const app::SavedWindow&) override {}

  private:
    void PrintHelp();
    void PrintDrives();
    void PrintSettings();
    void NotAvailable(const char* what);

    std::ostream& m_out;
    ConsoleUserInterface m_ui;
    app::VorlaneApp m_app;
    app::FrameSettings m_frame;
};

} // namespace vorlane::console
