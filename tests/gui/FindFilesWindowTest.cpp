#include "GuiTestSupport.h"

#include "gui/CFindFilesWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <set>

namespace vorlane::gui::test {

// What a find selects is tested with the search module's finder; here the
// window's fields reach it, results arrive on the GUI thread and lead back
// into the file manager windows.

class FindFilesWindowTest : public GuiTest {
  protected:
    FindFilesWindowTest() {
        Write("SUB/DEEP/notes.txt", "first line\nHello World\n");
        Write("SUB/DEEP/bin.dat", std::string("Hello\0World\n", 12));
        Write("OTHER/hello.TXT", "hello there\n");
    }
    void Write(const std::string& relative, const std::string& content) {
        std::ofstream(m_c / relative, std::ios::binary) << content;
    }
    CFindFilesWindow& Window() {
        Frame().RunCommand(kCmdFindFiles);
        auto* window = Frame().findChild<CFindFilesWindow*>();
        EXPECT_NE(window, nullptr);
        return *window;
    }
    // The results as upper-case DOS paths, sorted (threads find in any order).
    static std::set<std::string> Found(const CFindFilesWindow& window) {
        std::set<std::string> paths;
        for (int row = 0; row < window.Results()->topLevelItemCount(); ++row) {
            std::string path = window.ResultPath(row);
            std::transform(path.begin(), path.end(), path.begin(), ::toupper);
            paths.insert(path);
        }
        return paths;
    }
};

TEST_F(FindFilesWindowTest, NameAndContentFieldsSelectTheFilesListed) {
    struct Case {
        const char* named;
        const char* containing;
        bool pattern, matchCase, skipBinary;
        std::set<std::string> expected;
    };
    const std::string notes = "C:\\SUB\\DEEP\\NOTES.TXT", bin = "C:\\SUB\\DEEP\\BIN.DAT",
                      hello = "C:\\OTHER\\HELLO.TXT", alpha = "C:\\ALPHA.TXT",
                      inner = "C:\\SUB\\INNER.TXT";
    const Case cases[] = {
        {"*.txt", "", false, false, false, {alpha, inner, notes, hello}},
        {"-inner*;*.txt", "", false, false, false, {alpha, notes, hello}},
        {"*.*", "Hello", false, true, false, {notes, bin}},
        {"*.*", "hello", false, false, false, {notes, bin, hello}},
        {"*.*", "hello", false, false, true, {notes, hello}},
        {"*.*", "H.l+o W", true, true, false, {notes}},
        {"*.dat", "nowhere", false, false, false, {}},
    };
    CFindFilesWindow& window = Window();
    window.LookIn()->setText("c:\\");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.named) + " / " + c.containing);
        window.Named()->setText(c.named);
        window.Containing()->setText(c.containing);
        window.PatternBox()->setChecked(c.pattern);
        window.MatchCaseBox()->setChecked(c.matchCase);
        window.SkipBinaryBox()->setChecked(c.skipBinary);
        ASSERT_TRUE(window.StartFind());
        ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
        EXPECT_EQ(Found(window), c.expected);
        EXPECT_EQ(window.Status()->text(), QString("%1 %2 found")
                                               .arg(c.expected.size())
                                               .arg(c.expected.size() == 1 ? "file" : "files"));
    }
    // Each row shows the name and its directory apart.
    window.Named()->setText("notes.txt");
    window.Containing()->clear();
    ASSERT_TRUE(window.StartFind());
    ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
    ASSERT_EQ(window.Results()->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = window.Results()->topLevelItem(0);
    EXPECT_EQ(row->text(CFindFilesWindow::kColumnName).toUpper(), "NOTES.TXT");
    EXPECT_EQ(row->text(CFindFilesWindow::kColumnDirectory).toUpper(), "C:\\SUB\\DEEP");
    EXPECT_EQ(row->text(CFindFilesWindow::kColumnSize), "23");
    Shot(window, "find-window.png");
}

TEST_F(FindFilesWindowTest, RefusedFieldsStartNothing) {
    CFindFilesWindow& window = Window();
    window.LookIn()->setText("Q:\\");
    EXPECT_FALSE(window.StartFind());
    window.LookIn()->setText("C:\\");
    window.Named()->setText("*.TXT;;");
    EXPECT_FALSE(window.StartFind());
    EXPECT_EQ(m_ui.Shown().size(), 2u);
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(window.Results()->topLevelItemCount(), 0);
}

TEST_F(FindFilesWindowTest, ResultsLeadBackIntoTheFileManagerWindow) {
    TFileManagerWindow& fm = Open("C:", "C:\\SUB\\DEEP");
    CFindFilesWindow& window = Window();
    EXPECT_EQ(window.LookIn()->text().toUpper(), "C:\\SUB\\DEEP") << "the active directory";
    EXPECT_EQ(window.focusWidget(), window.Named()) << "the name is typed first";
    window.LookIn()->setText("C:\\");
    window.Named()->setText("*.txt");
    ASSERT_TRUE(window.StartFind());
    ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
    ASSERT_EQ(window.Results()->topLevelItemCount(), 4);

    // Tag in Window tags only what lies in the window's directory.
    EXPECT_EQ(window.TagInWindow(), 1);
    const auto& files = fm.Session().CurrentDirectory()->Files();
    for (const auto& file : files)
        EXPECT_EQ(file->Tagged(), file->Name() == "notes.txt") << file->Name();

    // A double click on a result elsewhere shows its directory with the caret on it.
    int row = 0;
    while (row < 4 && window.ResultPath(row).find("HELLO") == std::string::npos &&
           window.ResultPath(row).find("hello") == std::string::npos)
        ++row;
    ASSERT_LT(row, 4);
    QTreeWidgetItem* item = window.Results()->topLevelItem(row);
    emit window.Results()->itemDoubleClicked(item, 0);
    Pump();
    TFileManagerWindow* shown = Frame().ActiveFileManager();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Session().CurrentDirectoryPath(), "C:\\OTHER");
    ASSERT_NE(shown->Session().CaretFile(), nullptr);
    EXPECT_EQ(shown->Session().CaretFile()->Name(), "hello.TXT");
    EXPECT_FALSE(window.GoToResult(99));
}

TEST_F(FindFilesWindowTest, StopEndsAFindRunningOnAWorkerThread) {
    m_ui.SetRunsJobsInline(false);
    for (int i = 0; i < 400; ++i)
        MakeFile("OTHER/f" + std::to_string(i) + ".txt", 64);
    CFindFilesWindow& window = Window();
    window.LookIn()->setText("C:\\");
    window.Named()->setText("*.*");
    window.Containing()->setText("never there");
    ASSERT_TRUE(window.StartFind());
    EXPECT_TRUE(window.Running());
    EXPECT_FALSE(window.FindButton()->isEnabled());
    EXPECT_TRUE(window.StopButton()->isEnabled());
    window.StopButton()->click();
    ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
    EXPECT_TRUE(window.Status()->text().startsWith("Stopped: "));
    EXPECT_TRUE(window.FindButton()->isEnabled());
    EXPECT_FALSE(window.StopButton()->isEnabled());

    // The next find runs to its end and lists what arrived from the worker.
    window.Named()->setText("f*.txt");
    window.Containing()->clear();
    ASSERT_TRUE(window.StartFind());
    ASSERT_TRUE(PumpUntil([&] { return !window.Running(); }));
    EXPECT_EQ(window.Results()->topLevelItemCount(), 400);
    EXPECT_EQ(window.Status()->text(), "400 files found");
}

} // namespace vorlane::gui::test
