// The habitabs of the GUI and the row of tabs that shows them.
//
//   Habitabs()        the list the windows and the HabiTabs dialog work
//                     on: the one a ScopedHabitabs installed (the
//                     application's, loaded from VORLANE.INI), else a list
//                     of the GUI's own that holds "Default"
//   CHabitabWindow    the row of tabs over a file manager window's list:
//                     one tab per habitab, in the list's order; a click on
//                     a tab asks the window to apply that habitab, a right
//                     click offers the HabiTabs dialog
//
// GUI thread only.
#pragma once

#include "display/CHabitabArray.h"

#include <QTabBar>

#include <string>

namespace vorlane::gui {

display::CHabitabArray& Habitabs();

class ScopedHabitabs {
  public:
    explicit ScopedHabitabs(display::CHabitabArray* habitabs);
    ~ScopedHabitabs();
    ScopedHabitabs(const ScopedHabitabs&) = delete;
    ScopedHabitabs& operator=(const ScopedHabitabs&) = delete;

  private:
    display::CHabitabArray* m_previous;
};

class CHabitabWindow : public QTabBar {
    Q_OBJECT
  public:
    explicit CHabitabWindow(QWidget* parent = nullptr);

    // One tab per habitab of habitabs; the tab of current (by the list's
    // IndexOf) is selected, none when it has no tab.
    void Rebuild(const display::CHabitabArray& habitabs, const std::string& current);
    // Selects the tab of a position without asking to apply it.
    void Select(int index);
    // The name a tab shows (its text without the "&" doubling).
    std::string TabName(int index) const;

  signals:
    // The user clicked the tab of the habitab at index.
    void HabitabClicked(int index);
    // The user asked for the HabiTabs dialog from the tabs' own menu.
    void DialogRequested();

  private:
    bool m_filling = false;
};

} // namespace vorlane::gui
