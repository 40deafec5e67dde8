// The row of habitab tabs on a file manager window: a click applies the
// habitab's panes, sort, columns, view mode and search conditions; a
// window starts with the habitab its drive letter names.
#include "HabitabTestSupport.h"

#include "catalogue/CDirectoryContainer.h"
#include "gui/CFileViewerControlBar.h"

namespace vorlane::gui::test {

TEST_F(HabitabTest, ClickingATabAppliesEverySettingOfItsHabitab) {
    TFileManagerWindow& w = Open();
    CHabitabWindow& tabs = *w.HabitabTabs();
    EXPECT_EQ(TabTexts(tabs), (QStringList{"Default", "Big first", "No text"}));
    EXPECT_EQ(tabs.currentIndex(), 0);
    EXPECT_EQ(tabs.height(), tabs.sizeHint().height()) << "the row is laid out with its tabs";
    const size_t defaultColumns = static_cast<size_t>(Captions(w).size());

    struct Case {
        int tab;
        FileViewMode mode;
        bool commandLine, viewer;
        QStringList names; // files the criteria hide come last, greyed
        int shown;
        size_t columns; // 0: the default habitab's
    } cases[] = {
        {1, FileViewMode::List, false, true, {"beta.doc", "alpha.txt", "gamma"}, 3, 0},
        {2, FileViewMode::Details, true, false, {"gamma", "beta.doc", "alpha.txt"}, 2, 2},
        {0, FileViewMode::Details, true, false, {"alpha.txt", "beta.doc", "gamma"}, 3, 0},
        {1, FileViewMode::List, false, true, {"beta.doc", "alpha.txt", "gamma"}, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        ClickTab(tabs, c.tab);
        const catalogue::CDisplaySettings& settings = w.Session().DisplaySettings();
        EXPECT_EQ(settings.name, m_habitabs.Name(c.tab));
        EXPECT_EQ(tabs.currentIndex(), c.tab);
        EXPECT_EQ(w.ViewMode(), c.mode);
        EXPECT_EQ(w.FileView(), c.mode == FileViewMode::Details
                                    ? static_cast<QWidget*>(w.DetailsView())
                                    : static_cast<QWidget*>(w.IconView()));
        EXPECT_EQ(w.CommandLineShown(), c.commandLine);
        EXPECT_EQ(w.CommandLine()->isVisibleTo(&w), c.commandLine);
        EXPECT_EQ(w.ViewerPane()->isVisibleTo(&w), c.viewer);
        EXPECT_EQ(Names(w), c.names);
        EXPECT_EQ(w.Session().CurrentDirectory()->ShownCount(), c.shown);
        if (c.mode == FileViewMode::Details) {
            EXPECT_EQ(static_cast<size_t>(Captions(w).size()),
                      c.columns ? c.columns : defaultColumns);
        }
    }
    // The window's own changes go into its settings, not into the habitab.
    w.RunCommand(catalogue::kCmdSortByFilename);
    EXPECT_EQ(Names(w), (QStringList{"alpha.txt", "beta.doc", "gamma"}));
    EXPECT_EQ(m_habitabs.Item(1)->sortMethod, 8);
    ClickTab(tabs, 1);
    EXPECT_EQ(Names(w), (QStringList{"beta.doc", "alpha.txt", "gamma"})) << "clicked again";
    Shot(w, "habitab-row.png");
}

TEST_F(HabitabTest, AWindowStartsWithTheHabitabOfItsDrive) {
    struct Case {
        const char* stored;
        std::string name;
        FileViewMode mode;
    } cases[] = {
        {"Big first", "Big first", FileViewMode::List},
        {"no text", "No text", FileViewMode::Details}, // case ignored
        {"Gone", "Default", FileViewMode::Details},    // no such habitab: the defaults
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        m_store.values[{"General", "Active Tab For Drive C"}] = c.stored;
        TFileManagerWindow& w = Open();
        EXPECT_EQ(w.Session().DisplaySettings().name, c.name);
        EXPECT_EQ(w.ViewMode(), c.mode);
        EXPECT_EQ(w.HabitabTabs()->TabName(w.HabitabTabs()->currentIndex()), c.name);
        delete w.parentWidget(); // the MDI child, as its close box does
        Pump();
        EXPECT_EQ((m_store.values[{"General", "Active Tab For Drive C"}]), c.name)
            << "kept for the next window";
    }
}

} // namespace vorlane::gui::test
