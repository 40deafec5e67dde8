// Fixture of the habitab tests of the GUI: a habitab list of its own
// installed for the windows ("Default", "Big first": size descending in
// the list view with the viewer pane and no command line, "No text":
// extension order, name and size columns, files not named *.TXT) and the
// windows' settings keys in memory.
#pragma once

#include "GuiTestSupport.h"

#include "gui/CCommandField.h"
#include "gui/CHabitabWindow.h"

#include <QListView>
#include <QPlainTextEdit>

namespace vorlane::gui::test {

inline display::CHabitabItem Habitab(const std::string& name, int method, FileViewMode mode,
                                     bool commandLine, bool viewer) {
    display::CHabitabItem item;
    item.name = name;
    item.SetSortMethod(method);
    item.fileDisplayMode = static_cast<int>(mode);
    item.displayCommandLine = commandLine;
    item.displayViewerWindow = viewer;
    return item;
}

inline QStringList TabTexts(const CHabitabWindow& tabs) {
    QStringList texts;
    for (int i = 0; i < tabs.count(); ++i)
        texts << QString::fromStdString(tabs.TabName(i));
    return texts;
}

class HabitabTest : public GuiTest {
  protected:
    HabitabTest() {
        m_habitabs.Add(Habitab("Big first", 8, FileViewMode::List, false, true));
        display::CHabitabItem noText = Habitab("No text", 2, FileViewMode::Details, true, false);
        noText.fileDisplayDetails = catalogue::kLineName | catalogue::kLineSize;
        noText.conditions.AddCondition({search::kFieldFilename, search::kOpNotEqual, "*.TXT"});
        m_habitabs.Add(noText);
    }
    static void ClickTab(CHabitabWindow& tabs, int index) {
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(index).center());
        Pump();
    }
    // The windows go while the list and the store they use are there.
    ~HabitabTest() override { m_frame.reset(); }

    display::CHabitabArray m_habitabs;
    ScopedHabitabs m_installed{&m_habitabs};
    MemorySettingsStore m_store;
};

} // namespace vorlane::gui::test
