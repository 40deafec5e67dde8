// Fixture of the GUI tests that run the application object with its frame
// as the program does, on the temporary drives, with VORLANE.INI written
// first. Modal dialogs go to OnDialog (default: cancel); the start-up
// notice is answered (and remembered) by the fixture.
#pragma once

#include "GuiTestSupport.h"

#include "app/VorlaneApp.h"
#include "gui/CStartupNoticeDialog.h"
#include "platform/Profile.h"

#include <QDialog>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace vorlane::gui::test {

class AppFrameTest : public GuiTest {
  protected:
    AppFrameTest()
        : m_home(std::getenv("VORLANE_HOME")),
          m_drives("VORLANE_DRIVES", "C=" + m_c.path() + ";D=" + m_d.path()) {}
    ~AppFrameTest() override {
        if (m_app)
            Shutdown();
        std::remove(IniPath().c_str());
    }

    void WriteIni(const std::string& text) { vorlane::test::WriteFile(IniPath(), text); }
    std::string IniPath() const { return m_home + "/VORLANE.INI"; }
    platform::ProfileFile Ini() const {
        platform::ProfileFile ini(IniPath());
        ini.Load();
        return ini;
    }

    // Makes the application and its frame; Start() runs the start-up.
    void Make() {
        m_app = std::make_unique<app::VorlaneApp>();
        m_appFrame = std::make_unique<CVorlaneFrame>(m_app.get());
        m_appFrame->SetShowOnCreate(true);
        m_appFrame->SetDialogRunner([this](QDialog& dialog) {
            if (auto* notice = dynamic_cast<CStartupNoticeDialog*>(&dialog)) {
                m_notices << notice->ProductLine() + " / " + notice->VersionLine() +
                                 (notice->ProblemText().isEmpty() ? QString()
                                                                  : " / " + notice->ProblemText());
                return static_cast<int>(QDialog::Accepted);
            }
            return OnDialog ? OnDialog(dialog) : static_cast<int>(QDialog::Rejected);
        });
    }
    void Start() {
        if (!m_app)
            Make();
        ASSERT_TRUE(m_app->Start(*m_appFrame, *m_appFrame, false));
        Pump();
    }
    // Runs the shutdown as the program does after the frame closed.
    int Shutdown() {
        int code = m_app->Shutdown(*m_appFrame);
        m_appFrame.reset();
        m_app.reset();
        return code;
    }

    // Starts the program with a file manager window on C: (and directory).
    TFileManagerWindow& OpenC(const std::string& directory = "") {
        Start();
        TFileManagerWindow* fm = m_appFrame->OpenFileManager("C:", 1, false, directory);
        EXPECT_NE(fm, nullptr);
        m_appFrame->activateWindow();
        Pump();
        return *fm;
    }
    // One section of the settings file as it holds it now.
    std::map<std::string, std::string> Section(const std::string& section) const {
        std::map<std::string, std::string> keys;
        platform::ProfileFile ini = Ini();
        for (const std::string& key : ini.Keys(section))
            keys[key] = ini.GetString(section, key);
        return keys;
    }

    std::function<int(QDialog&)> OnDialog;
    QStringList m_notices;
    std::string m_home;
    vorlane::test::ScopedEnv m_drives;
    std::unique_ptr<app::VorlaneApp> m_app;
    std::unique_ptr<CVorlaneFrame> m_appFrame;
};

} // namespace vorlane::gui::test
