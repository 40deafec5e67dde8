// The per-drive column keys and the command line and viewer panes of a
// file manager window.
#include "GuiTestSupport.h"

#include "gui/CCommandField.h"
#include "platform/FaultInjection.h"

#include <QHeaderView>
#include <QPlainTextEdit>

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

TEST_F(WindowLayoutTest, TheViewerPaneShowsTheCaretFile) {
    {
        std::ofstream(m_c / "notes.txt") << "first line\nsecond line\n";
        std::ofstream binary(m_c / "program.bin", std::ios::binary);
        binary << std::string("MZ\0\0\x90", 5) << std::string(2000, 'b');
        std::ofstream big(m_c / "huge.log", std::ios::binary);
        big << std::string(100 * 1024, 'L');
        // A name in Latin-1, not valid UTF-8.
        std::ofstream(m_c / "caf\xE9.txt") << "latin name\n";
    }
    ASSERT_EQ(::mkfifo((m_c / "pipe").c_str(), 0600), 0);
    TFileManagerWindow& w = Open();
    EXPECT_FALSE(w.ViewerPaneShown());
    Frame().RunCommand(kCmdViewerPane);
    ASSERT_TRUE(w.ViewerPaneShown());
    EXPECT_TRUE(w.ViewerPane()->isVisible());
    struct Case {
        const char* name;
        const char* file;
        QString expected;
        bool openRefused = false; // the platform layer's open fails
    };
    const Case cases[] = {
        {"a text file shows its text", "notes.txt", "first line\nsecond line\n"},
        {"a binary file shows its name and size", "program.bin", "program.bin\n2,005 bytes"},
        {"a large file shows its first 64 KiB", "huge.log", QString(64 * 1024, 'L')},
        {"a pipe is not opened", "pipe", "pipe\n0 bytes"},
        {"the pane read past the fault seam", "huge.log", "huge.log\n102,400 bytes", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int row = static_cast<int>(Names(w).indexOf(c.file));
        ASSERT_GE(row, 0);
        // Away and back, so the pane reads the file again.
        w.DetailsView()->setCurrentIndex(w.FileModel()->index(row == 0 ? 1 : 0, 0));
        platform::fault::Reset();
        if (c.openRefused)
            platform::fault::Arm(platform::fault::Op::Open, 1, EACCES, true);
        w.DetailsView()->setCurrentIndex(w.FileModel()->index(row, 0));
        platform::fault::Reset();
        EXPECT_EQ(w.ViewerPane()->toPlainText(), c.expected);
    }
    // The name that is not UTF-8 reaches the open call as the bytes it has.
    const QStringList latin = Names(w).filter("caf");
    ASSERT_EQ(latin.size(), 1);
    w.DetailsView()->setCurrentIndex(w.FileModel()->index(Names(w).indexOf(latin[0]), 0));
    EXPECT_EQ(w.ViewerPane()->toPlainText(), "latin name\n");
    Frame().RunCommand(kCmdViewerPane);
    EXPECT_FALSE(w.ViewerPane()->isVisible());
}

} // namespace vorlane::gui::test
