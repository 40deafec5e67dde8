// The per-drive column keys and the command line and viewer panes of a
// file manager window, and their ticks in the View menu.
#include "GuiTestSupport.h"

#include "gui/CCommandField.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>

#include <cerrno>

namespace vorlane::gui::test {

using Layout = std::vector<ColumnSpec>;

TEST(ColumnLayoutText, PairsParseFromTheStartOfTheKey) {
    struct Case {
        const char* name;
        const char* text;
        std::optional<Layout> expected;
    };
    const Case cases[] = {
        {"empty key", "", std::nullopt},
        {"not a number", "abc", std::nullopt},
        {"half a pair", "0", std::nullopt},
        {"a pair without its width", "0,", std::nullopt},
        {"one pair", "0,120", Layout{{0, 120}}},
        {"two pairs with blanks", " 4 , 70 ,0,200", Layout{{4, 70}, {0, 200}}},
        {"an odd number stops at the last pair", "0,120,1", Layout{{0, 120}}},
        {"junk after a pair stops there", "0,120,x,5", Layout{{0, 120}}},
        {"a stray separator stops there", "0,120;1,80", Layout{{0, 120}}},
        {"widths are held in range", "0,3,1,999999", Layout{{0, 16}, {1, 4000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ParseColumnLayout(c.text), c.expected);
    }
    EXPECT_EQ(FormatColumnLayout({{4, 70}, {0, 200}}), "4,70,0,200");
    // The key never grows past what the settings file keeps.
    Layout many(40, ColumnSpec{11, 1234});
    EXPECT_LE(FormatColumnLayout(many).size(), kMaxColumnKeyText);
    EXPECT_EQ(ParseColumnLayout(FormatColumnLayout(many))->size(),
              (kMaxColumnKeyText + 1) / std::string("11,1234,").size());
}

TEST(ColumnLayoutText, TheBitsChooseTheColumnsAndTheKeyTheirOrder) {
    struct Case {
        const char* name;
        std::vector<int> wanted;
        Layout layout;
        Layout expected;
    };
    const Case cases[] = {
        {"no layout: the wanted order", {0, 1, 4}, {}, {{0, 0}, {1, 0}, {4, 0}}},
        {"layout order and widths",
         {0, 1, 4},
         {{4, 70}, {0, 200}, {1, 90}},
         {{4, 70}, {0, 200}, {1, 90}}},
        {"a new column goes last",
         {0, 1, 4, 7},
         {{1, 90}, {0, 200}},
         {{1, 90}, {0, 200}, {4, 0}, {7, 0}}},
        {"an unwanted or repeated one is left out",
         {0, 1},
         {{5, 60}, {1, 90}, {1, 30}},
         {{1, 90}, {0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ArrangeColumns(c.wanted, c.layout), c.expected);
    }
}

namespace {

class WindowLayoutTest : public GuiTest {
  protected:
    void Close(TFileManagerWindow& w) {
        delete w.parentWidget(); // the MDI child, as its close box does
        Pump();
    }
    std::string Key(const std::string& key) { return m_store.Read("General", key); }

    MemorySettingsStore m_store;
};

} // namespace

// The key gives the order and widths of the first columns, the rest of the
// default six follow; a key that does not parse gives the default columns.
TEST_F(WindowLayoutTest, TheFileColumnsKeyGivesOrderAndWidthsOrTheDefault) {
    struct Case {
        const char* name;
        const char* key;
        Layout head; // the first columns expected; empty: the default ones
    };
    const Case cases[] = {
        {"a key that parses", "4,70,0,200,1,90", {{4, 70}, {0, 200}, {1, 90}}},
        {"a key that does not parse", "wide,columns", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_store.Write("General", "File Display Columns for Drive C", c.key);
        TFileManagerWindow& w = Open();
        Layout layout = w.ColumnLayout();
        std::vector<int> ids;
        for (const ColumnSpec& column : layout)
            ids.push_back(column.id);
        if (c.head.empty()) {
            EXPECT_EQ(ids, CFileListModel::PlainColumns(
                               w.Session().DisplaySettings().fileDisplayDetails, false));
            continue;
        }
        ASSERT_EQ(layout.size(), 6u); // the default bits show six columns
        EXPECT_EQ(Layout(layout.begin(), layout.begin() + 3), c.head);
        EXPECT_EQ(layout[3].id, CFileListModel::kDate);
        EXPECT_EQ(Captions(w).front(), "Attr");
        Close(w);
    }
}

TEST_F(WindowLayoutTest, ClosingTheWindowWritesBothKeysOfItsDrive) {
    TFileManagerWindow& w = Open();
    QHeaderView* header = w.DetailsView()->header();
    header->resizeSection(1, 123);
    header->moveSection(header->visualIndex(4), 0); // attributes first
    Close(w);
    std::optional<Layout> files = ParseColumnLayout(Key("File Display Columns for Drive C"));
    ASSERT_TRUE(files.has_value());
    EXPECT_EQ(files->front().id, CFileListModel::kAttributes);
    EXPECT_EQ((*files)[2], (ColumnSpec{CFileListModel::kSize, 123}));
    std::optional<Layout> zips = ParseColumnLayout(Key("Zip Display Columns for Drive C"));
    ASSERT_TRUE(zips.has_value());
    EXPECT_EQ(zips->size(), 7u); // the default zip bits
    EXPECT_EQ(Key("File Display Columns for Drive D"), "");
    EXPECT_EQ(Key("Active Tab For Drive C"), "Default");

    // The next window of the drive takes them back.
    TFileManagerWindow& again = Open();
    EXPECT_EQ(again.ColumnLayout(), *files);
}

TEST_F(WindowLayoutTest, AWindowThatChangesDriveKeepsTheKeysOfEachLetter) {
    m_store.Write("General", "File Display Columns for Drive D", "1,77,0,150");
    TFileManagerWindow& w = Open();
    w.DetailsView()->header()->resizeSection(0, 222);
    w.OpenDrive("D:");
    EXPECT_EQ(w.ColumnLayout().front(), (ColumnSpec{CFileListModel::kSize, 77}));
    EXPECT_EQ(ParseColumnLayout(Key("File Display Columns for Drive C"))->front(),
              (ColumnSpec{CFileListModel::kName, 222}));
}

TEST_F(WindowLayoutTest, TheCommandLineCommandShowsAndHidesTheField) {
    TFileManagerWindow& w = Open();
    EXPECT_TRUE(w.CommandLineShown()); // the default habitab shows it
    Frame().RunCommand(kCmdCommandLine);
    EXPECT_FALSE(w.CommandLineShown());
    EXPECT_FALSE(w.Session().DisplaySettings().displayCommandLine);
    EXPECT_FALSE(w.CommandLine()->isVisible());
    Frame().RunCommand(kCmdCommandLine);
    EXPECT_TRUE(w.CommandLine()->isVisible());
}

TEST_F(WindowLayoutTest, TheViewMenuTicksTheActiveWindowsPanesAndViewMode) {
    TFileManagerWindow& w = Open();
    QAction* line = Frame().Action(kCmdCommandLine);
    QAction* pane = Frame().Action(kCmdViewerPane);
    QAction* details = Frame().Action(kCmdViewDetails);
    QAction* list = Frame().Action(kCmdViewList);
    EXPECT_TRUE(line->isChecked());
    EXPECT_FALSE(pane->isChecked());
    EXPECT_TRUE(details->isChecked());
    // Clicks, as the menu and the toolbar give them.
    pane->trigger();
    line->trigger();
    list->trigger();
    EXPECT_TRUE(w.ViewerPaneShown());
    EXPECT_FALSE(w.CommandLineShown());
    EXPECT_TRUE(pane->isChecked());
    EXPECT_FALSE(line->isChecked());
    EXPECT_TRUE(list->isChecked());
    EXPECT_FALSE(details->isChecked());
    // A click on the mode shown keeps it ticked.
    list->trigger();
    EXPECT_TRUE(list->isChecked());
    // A change the window made itself shows when the menu opens.
    w.ShowViewerPane(false);
    w.SetViewMode(FileViewMode::Thumbnails);
    QMenu* view = nullptr;
    for (QAction* top : Frame().menuBar()->actions())
        if (top->text() == "&View")
            view = top->menu();
    ASSERT_NE(view, nullptr);
    emit view->aboutToShow();
    EXPECT_FALSE(pane->isChecked());
    EXPECT_TRUE(Frame().Action(kCmdViewThumbnails)->isChecked());
    EXPECT_FALSE(list->isChecked());
}

} // namespace vorlane::gui::test
