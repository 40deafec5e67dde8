// The habitabs of a file manager window: the tabs over its list, applying
// a habitab to the display settings, and the habitab a window starts with.
#include "gui/TFileManagerWindow.h"

#include "gui/CFileViewerControlBar.h"
#include "gui/CHabitabWindow.h"
#include "gui/WindowSettings.h"

namespace vorlane::gui {

FileViewMode TFileManagerWindow::ViewMode() const {
    const int mode = m_session.DisplaySettings().fileDisplayMode;
    if (mode < 0 || mode > static_cast<int>(FileViewMode::Thumbnails))
        return FileViewMode::Details;
    return static_cast<FileViewMode>(mode);
}

void TFileManagerWindow::LayOutPanes() {
    const catalogue::CDisplaySettings& settings = m_session.DisplaySettings();
    m_commandPane->setVisible(settings.displayCommandLine);
    m_viewer->setVisible(settings.displayViewerWindow);
    UpdateViewerPane();
}

void TFileManagerWindow::ApplyHabitab(const display::CHabitabItem& habitab) {
    catalogue::CDisplaySettings& settings = m_session.DisplaySettings();
    if (habitab.PanesDiffer(settings)) {
        settings.displayCommandLine = habitab.displayCommandLine;
        settings.displayViewerWindow = habitab.displayViewerWindow;
        LayOutPanes();
    }
    // Every field, the name included; the drive is matched and sorted by
    // them, and a shown list is drawn again with their columns.
    m_session.ApplyDisplaySettings(habitab);
    SetViewMode(ViewMode());
    if (m_session.CurrentDrive() == nullptr)
        FileListChanged();
    m_tabs->Select(Habitabs().IndexOf(settings.name));
}

void TFileManagerWindow::RebuildHabitabTabs() {
    const display::CHabitabArray& habitabs = Habitabs();
    catalogue::CDisplaySettings& settings = m_session.DisplaySettings();
    if (habitabs.IndexOf(settings.name) < 0)
        settings.name = habitabs.Name(0);
    m_tabs->Rebuild(habitabs, settings.name);
}

void TFileManagerWindow::RebuildAllHabitabTabs() {
    for (TFileManagerWindow* window : OpenWindows())
        window->RebuildHabitabTabs();
}

void TFileManagerWindow::ApplyStartupHabitab(char letter) {
    const std::string name = SettingsStore().Read(kGeneralSection, ActiveTabKey(letter));
    const display::CHabitabItem* habitab = Habitabs().Item(Habitabs().IndexOf(name));
    // A name no habitab has leaves the window's settings as they are.
    if (name.empty() || habitab == nullptr)
        return;
    const display::CHabitabItem chosen = *habitab;
    ApplyHabitab(chosen);
}

} // namespace vorlane::gui
