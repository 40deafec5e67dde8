// ConsoleSession: the application run headless on a terminal. It is the
// main frame (it keeps the frame's keys; it has no file manager windows, so
// the windows saved by a windowed run stay as they are) and runs a command
// prompt until EXIT or the end of input, then the normal shutdown.
//
// The prompt shows the working directory ("C:\DOCS> "); a line is one of
// the console's own commands (any case): EXIT (also QUIT), HELP, VERSION,
// DRIVES, SET; else a line of the command language (command/CCommandLine.h)
// run with this session as its host: CD changes the working directory, DIR
// lists a directory in the 4DOS style, a file group word takes the files of
// the working directory ([every] and [untagged] all of them; nothing is
// tagged or current in a console). The end of input leaves as EXIT does,
// without the exit question (nobody can answer it).
//
// Batch: with ConsoleOptions::batch (standard input is no terminal) the
// first line that fails ends the run (unless keepGoing) and the exit
// status is 1. RunOneLine is `vorlane -c LINE`. The catalogue is never
// logged: a command reads the directories it names and no more.
#pragma once

#include "app/FrameSettings.h"
#include "app/IMainFrame.h"
#include "app/VorlaneApp.h"
#include "command/CCommandHost.h"
#include "console/ConsoleThumbnails.h"
#include "console/ConsoleUserInterface.h"
#include "fileops/CCopyDirectory.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vorlane::console {

// How a console run behaves beyond the prompt.
struct ConsoleOptions {
    bool yesToAll = false;  // --yes: every question answered Yes To All
    bool batch = false;     // input is a script: stop at the first failure
    bool keepGoing = false; // --keep-going: a batch goes on after a failure
};

class ConsoleSession : public app::IMainFrame,
                       public app::IStartupActions,
                       public command::CCommandHost {
  public:
    ConsoleSession(std::istream& in, std::ostream& out, std::ostream& err, bool progressBars,
                   app::AppServices services = {}, ConsoleOptions options = {});

    // Start-up, the command loop, shutdown. Returns the process exit code:
    // in a batch 1 when a line failed.
    int Run();
    // Start-up without the notice and the start-up action, one line,
    // shutdown: 0 when the line succeeded, 1 when it failed (255 when
    // another instance holds the database).
    int RunOneLine(const std::string& line);
    // Runs one command line; false when the session is to end.
    bool Execute(const std::string& line);
    // Whether the last line run by Execute failed.
    bool LastLineFailed() const { return m_failed; }
    const std::string& WorkingDirectory() const { return m_directory; }

    const app::FrameSettings& Frame() const { return m_frame; }

    // Runs a copy or move at once, as a job on this thread, with the
    // session's context (the console's questions and status lines, the
    // drive map, the options); its change notices go to the thumbnails and
    // to notices (when not null). True when it ran to its end.
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

    // CCommandHost
    ui::OperationContext Context() override;
    // Runs the job at once; Ctrl+C sets its cancel flag.
    ui::JobResult RunJob(ui::Job& job, ui::OperationContext& context) override;
    std::vector<std::string> GroupFiles(int group) override;
    bool ChangeDirectory(const std::string& dosDirectory) override;
    bool ShowDirectory(const std::string& dosDirectory, const std::string& pattern) override;
    void SwitchDrive(char letter) override;
    void ShowHelp(int helpContext) override;
    bool ConfirmDangerous(const std::string& text, const std::string& caption) override;
    int ReadSettingInt(const std::string& section, const std::string& key, int def) override;
    std::string ReadSettingString(const std::string& section, const std::string& key) override;

  private:
    // The working directory a run starts in: the process's when a drive
    // holds it, else the root of C: (or of the first drive).
    void ChooseStartDirectory();
    void PrintHelp();
    void PrintDrives();
    void PrintSettings();
    void NotAvailable(const char* what);

    std::ostream& m_out;
    ConsoleOptions m_options;
    ConsoleUserInterface m_ui;
    YesToAllUserInterface m_yesUi;
    std::string m_directory; // the working directory, a full DOS path
    bool m_failed = false;
    bool m_quiet = false; // no start-up notice (one line from the command line)
    app::VorlaneApp m_app;
    // The thumbnails follow what the commands do to files.
    ConsoleThumbnailFollower m_thumbnails{m_app};
    app::FrameSettings m_frame;
};

} // namespace vorlane::console
