#include "gui/CWindowCommandHost.h"

#include "app/VorlaneApp.h"
#include "command/CCommandArgument.h"
#include "gui/CGuiChangeSink.h"
#include "gui/CHelpWindow.h"
#include "gui/CJobManager.h"
#include "gui/DialogSupport.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPathText.h"
#include "ui/UserInterface.h"

#include <QEventLoop>

namespace vorlane::gui {

namespace {

// Lends a job that lives on the executor's stack to the job manager, which
// wants one it owns; the executor waits until it has ended.
class CLentJob : public ui::Job {
  public:
    explicit CLentJob(ui::Job& job) : m_job(job) {}
    std::string Title() const override { return m_job.Title(); }
    std::string DriveLetters() const override { return m_job.DriveLetters(); }
    ui::JobResult Run(ui::OperationContext& context) override { return m_job.Run(context); }

  private:
    ui::Job& m_job;
};

} // namespace

CWindowCommandHost::CWindowCommandHost(TFileManagerWindow& window, CJobManager* jobs)
    : m_window(&window), m_jobs(jobs) {}

ui::OperationContext CWindowCommandHost::Context() {
    ui::OperationContext context =
        m_jobs ? m_jobs->NewContext()
               : ui::OperationContext(ui::Current(), platform::DriveMap::Current());
    if (m_window)
        context.currentDirectory = m_window->Session().CurrentDirectoryPath();
    return context;
}

ui::JobResult CWindowCommandHost::RunJob(ui::Job& job, ui::OperationContext& context) {
    if (!m_jobs) {
        CGuiChangeSink notices;
        ui::OperationContext now = context.WithNotices(notices);
        return ui::RunJobNow(job, now);
    }
    ui::JobResult result;
    bool ended = false;
    QEventLoop wait;
    m_jobs->Start(std::make_unique<CLentJob>(job), context,
                  [&result, &ended, &wait](const ui::JobResult& done) {
                      result = done;
                      ended = true;
                      wait.quit();
                  });
    if (!ended)
        wait.exec();
    return result;
}

std::vector<std::string> CWindowCommandHost::GroupFiles(int group) {
    return m_window ? m_window->GroupFiles(group) : std::vector<std::string>{};
}

bool CWindowCommandHost::ChangeDirectory(const std::string& dosDirectory) {
    if (!m_window)
        return false;
    // The session shows the nearest directory it has for one it cannot
    // reach: only reaching the directory itself counts.
    return m_window->GoTo(dosDirectory) &&
           platform::CompareNoCase(m_window->Session().CurrentDirectoryPath(), dosDirectory) == 0;
}

bool CWindowCommandHost::ShowDirectory(const std::string& dosDirectory,
                                       const std::string& pattern) {
    if (!ChangeDirectory(dosDirectory))
        return false;
    // The caret goes to the first file the pattern matches.
    std::vector<std::string> matching;
    if (pattern != "*.*" &&
        command::ExpandWildcard(dosDirectory, pattern, *CurrentDrives(), &matching) &&
        !matching.empty())
        m_window->Session().SetCaretByName(matching.front());
    m_window->FileListChanged();
    return true;
}

void CWindowCommandHost::SwitchDrive(char letter) {
    if (m_window)
        m_window->OpenDrive(std::string(1, letter) + ":");
}

void CWindowCommandHost::ShowHelp(int helpContext) {
    if (app::VorlaneApp* a = app::VorlaneApp::Current())
        a->ShowHelp(helpContext);
    else
        CHelpWindow::Show(m_window ? m_window->window() : nullptr, helpContext);
}

int CWindowCommandHost::ReadSettingInt(const std::string& section, const std::string& key,
                                       int def) {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    return a ? a->ReadInt(section, key, def) : def;
}

std::string CWindowCommandHost::ReadSettingString(const std::string& section,
                                                  const std::string& key) {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    return a ? a->ReadString(section, key) : "";
}

} // namespace vorlane::gui
