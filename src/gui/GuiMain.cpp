#include "gui/GuiMain.h"

#include "app/VorlaneApp.h"
#include "display/CHabitabSettings.h"
#include "gui/CCustomTagDialog.h"
#include "gui/CHabitabWindow.h"
#include "gui/CHelpWindow.h"
#include "gui/CVorlaneFrame.h"
#include "gui/FileIcons.h"
#include "gui/QtUserInterface.h"
#include "objdb/CAppObjectDatabase.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vorlane::gui {

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

bool DisplayAvailable() {
    if (Set("DISPLAY") || Set("WAYLAND_DISPLAY"))
        return true;
    if (!Set("QT_QPA_PLATFORM"))
        return false;
    std::string platform = std::getenv("QT_QPA_PLATFORM");
    return platform.rfind("offscreen", 0) != 0 && platform.rfind("minimal", 0) != 0;
}

int Main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(app::VorlaneApp::kName);
    QApplication::setApplicationVersion(app::VorlaneApp::kVersion);
    QApplication::setQuitOnLastWindowClosed(false);
    ChooseIconTheme();

    QtUserInterface qtUi;
    ui::ScopedUserInterface installed(&qtUi);
    CVorlaneFrame* helpOwner = nullptr;
    // The habitabs: loaded at start, saved at exit and by the HabiTabs
    // dialog; every window's tabs show them.
    display::CHabitabSettings habitabs(
        []() -> std::unique_ptr<search::CFileSetLookup> { return AppFileSets(); });
    ScopedHabitabs installedHabitabs(&habitabs.Array());
    app::AppServices services;
    services.makeDatabase = objdb::MakeAppDatabase;
    services.habitabs = &habitabs;
    services.showHelp = [&helpOwner](const std::string&, int context) {
        CHelpWindow::Show(helpOwner, context);
    };
    app::VorlaneApp application(std::move(services));
    CVorlaneFrame frame(&application);
    helpOwner = &frame;
    qtUi.SetParent(&frame);
    frame.SetShowOnCreate(true);
    if (!application.Start(frame, frame, false))
        return application.ExitCode();
    // The frame closes only after the application agreed (CloseQuery).
    QObject::connect(&frame, &CVorlaneFrame::Closed, &qapp, &QApplication::quit,
                     Qt::QueuedConnection);
    if (frame.isVisible())
        qapp.exec();
    int code = application.Shutdown(frame);
    qtUi.SetParent(nullptr);
    return code;
}

} // namespace vorlane::gui
