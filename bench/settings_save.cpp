// Benchmark program for the settings save: starts the application headless
// on $VORLANE_HOME and leaves through the normal shutdown, which writes every
// key of VORLANE.INI in one atomic rewrite.
//
//   settings_save              one start and one exit save (timed from outside)
//   settings_save --saves N    after the start, N saves of every key in this
//                              process; prints the median microseconds of one
#include "app/FrameSettings.h"
#include "app/IMainFrame.h"
#include "app/VorlaneApp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace vorlane;

class HeadlessFrame : public app::IMainFrame, public app::IStartupActions {
  public:
    void Create(const platform::ProfileFile& settings) override {
        m_frame = app::FrameSettings::Read(settings);
    }
    void ShowStartupNotice(const std::string&, const std::string&, const std::string&) override {}
    bool CanCloseAllWindows() override { return true; }
    std::vector<app::OpenWindowInfo> OpenFileManagerWindows() const override { return {}; }
    void CleanUp(platform::ProfileFile& settings) override { m_frame.Write(settings); }
    void ShowLogDriveDialog() override {}
    void LogCurrentDrive() override {}
    void NewArchive() override {}
    void OpenArchive() override {}
    void OpenSavedWindow(const app::SavedWindow&) override {}

  private:
    app::FrameSettings m_frame;
};

} // namespace

int main(int argc, char** argv) {
    int saves = 0;
    if (argc == 3 && std::strcmp(argv[1], "--saves") == 0)
        saves = std::atoi(argv[2]);
    HeadlessFrame frame;
    app::VorlaneApp app;
    if (!app.Start(frame, frame, false))
        return app.ExitCode();
    if (saves > 0) {
        std::vector<double> micros;
        for (int i = 0; i < saves; ++i) {
            auto start = std::chrono::steady_clock::now();
            if (!app.SaveSettings())
                return 1;
            auto end = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        }
        std::sort(micros.begin(), micros.end());
        std::printf("%.1f\n", micros[micros.size() / 2]);
    }
    app.CloseQuery(frame, false);
    return app.Shutdown(frame);
}
