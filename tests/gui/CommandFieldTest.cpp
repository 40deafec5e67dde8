// The "Command:" field of a file manager window: a typed line runs against
// the window (which follows CD, DIR and a drive word), a refused line
// changes nothing and stays to be mended, Up and Down walk the history kept
// in the settings, Tab completes paths and file group words, Esc leaves.
#include "GuiTestSupport.h"

#include "gui/CCommandField.h"
#include "gui/CHelpWindow.h"

#include <QApplication>
#include <QTextBrowser>

namespace vorlane::gui::test {
namespace {

class CommandFieldTest : public GuiTest {
  protected:
    // Types a line into the window's field and presses Enter.
    void Enter(TFileManagerWindow& w, const QString& line) {
        w.CommandLine()->setFocus();
        w.CommandLine()->clear();
        QTest::keyClicks(w.CommandLine(), line);
        QTest::keyClick(w.CommandLine(), Qt::Key_Return);
        Pump();
    }
    std::string History(int index) {
        char key[16];
        std::snprintf(key, sizeof key, "History%04d", index);
        return m_store.Read(CCommandField::kHistorySection, key);
    }

    MemorySettingsStore m_store;
};

TEST_F(CommandFieldTest, TypedLinesRunAgainstTheWindowAndItFollows) {
    TFileManagerWindow& w = Open();
    CCommandField* field = w.CommandLine();
    ASSERT_TRUE(field->isVisible());
    struct Case {
        const char* line;
        const char* directory;   // where the window is afterwards
        const char* onDisk;      // a host path below C: (or D:) that now exists, or ""
        const char* listed = ""; // a name the window's file list now shows
    } cases[] = {
        {"cd sub", "C:\\SUB", ""},
        {"CHDIR C:\\SUB\\DEEP", "C:\\SUB\\DEEP", ""},
        {"cd ..\\..", "C:\\", ""},
        {"md .\\Made Here", "C:\\", ""}, // a blank ends the name: "Made" only
        {"md \".\\New Dir\"", "C:\\", "New Dir"},
        {"dir C:\\SUB\\*.txt", "C:\\SUB", ""},
        {"copy inner.txt D:\\", "C:\\SUB", "D:inner.txt"},
        {"copy C:\\gamma .", "C:\\SUB", "SUB/gamma", "gamma"}, // the list follows the disk
        {"D:", "D:\\", ""},
        {"c:", "C:\\", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        m_ui.Reset();
        Enter(w, c.line);
        EXPECT_EQ(w.Session().CurrentDirectoryPath(), c.directory);
        std::string onDisk = c.onDisk;
        if (onDisk.rfind("D:", 0) == 0) {
            EXPECT_TRUE(Exists(m_d / onDisk.substr(2)));
        } else if (!onDisk.empty()) {
            EXPECT_TRUE(Exists(m_c / onDisk));
        }
        if (*c.listed) {
            EXPECT_GE(Row(w, c.listed), 0);
        }
        // A line that worked leaves the field empty for the next.
        EXPECT_EQ(field->text(), c.line == std::string("md .\\Made Here") ? "md .\\Made Here" : "");
    }
    // The file group words take the window's tags.
    Enter(w, "cd C:\\");
    w.Session().SetTag(Row(w, "beta.doc"), 1);
    Enter(w, "copy [tagged] D:\\ /t");
    EXPECT_FALSE(Exists(m_d / "beta.doc")); // /t: only where it exists already
    Enter(w, "copy [tagged] D:\\");
    EXPECT_TRUE(Exists(m_d / "beta.doc"));
    EXPECT_FALSE(Exists(m_d / "alpha.txt"));
}

TEST_F(CommandFieldTest, ARefusedLineShowsItsMessageAndChangesNothing) {
    TFileManagerWindow& w = Open("C:", "C:\\SUB");
    const QStringList before = Names(w);
    Enter(w, "del C:\\*\\inner.txt");
    EXPECT_EQ(m_ui.Texts(), std::vector<std::string>{"'C:\\*\\inner.txt' is an illegal argument! "
                                                     "Please correct and issue command again."});
    EXPECT_EQ(m_ui.Shown().front().caption, "Command Line");
    EXPECT_EQ(w.Session().CurrentDirectoryPath(), "C:\\SUB");
    EXPECT_EQ(Names(w), before);
    EXPECT_TRUE(Exists(m_c / "SUB/inner.txt"));
    EXPECT_EQ(w.CommandLine()->text(), "del C:\\*\\inner.txt"); // kept to be mended
    EXPECT_EQ(w.CommandLine()->hasFocus(), true);
}

TEST_F(CommandFieldTest, UpAndDownWalkTheHistoryKeptInTheSettings) {
    TFileManagerWindow& w = Open();
    Enter(w, "cd sub");
    Enter(w, "cd ..");
    Enter(w, "cd OTHER");
    EXPECT_EQ(History(0), "cd OTHER");
    EXPECT_EQ(History(2), "cd sub");
    // Another window's field shares the history.
    TFileManagerWindow& other = Open();
    CCommandField* field = other.CommandLine();
    field->setFocus();
    QTest::keyClicks(field, "half typed");
    const struct {
        Qt::Key key;
        const char* shown;
    } steps[] = {
        {Qt::Key_Up, "cd OTHER"},     {Qt::Key_Up, "cd .."},        {Qt::Key_Up, "cd sub"},
        {Qt::Key_Up, "cd sub"},       {Qt::Key_Down, "cd .."},      {Qt::Key_Down, "cd OTHER"},
        {Qt::Key_Down, "half typed"}, {Qt::Key_Down, "half typed"},
    };
    for (const auto& step : steps) {
        QTest::keyClick(field, step.key);
        EXPECT_EQ(field->text(), step.shown);
    }
    // An old line run again comes first once, not twice.
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Return);
    Pump();
    EXPECT_EQ(other.Session().CurrentDirectoryPath(), "C:\\");
    EXPECT_EQ(History(0), "cd ..");
    EXPECT_EQ(History(1), "cd OTHER");
    EXPECT_EQ(m_store.Read(CCommandField::kHistorySection, "History####"), "3");
}

TEST_F(CommandFieldTest, TabCompletesAndEscLeavesTheField) {
    TFileManagerWindow& w = Open();
    CCommandField* field = w.CommandLine();
    field->setFocus();
    struct Case {
        const char* typed;
        std::vector<const char*> afterTabs; // the text after each Tab
    } cases[] = {
        {"copy [ta", {"copy [tagged]"}},
        {"cd su", {"cd SUB\\", "cd SUB\\", "cd SUB\\DEEP\\", "cd SUB\\inner.txt"}},
        {"copy al", {"copy alpha.txt"}},
        // Nothing more in common: the Tabs after step through the candidates.
        {"del [",
         {"del [", "del [current]", "del [every]", "del [tagged]", "del [untagged]",
          "del [current]"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        field->clear();
        QTest::keyClicks(field, c.typed);
        for (const char* expected : c.afterTabs) {
            QTest::keyClick(field, Qt::Key_Tab);
            EXPECT_EQ(field->text(), expected);
            EXPECT_TRUE(field->hasFocus()); // Tab never leaves the field
        }
    }
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), w.FileView());
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(CommandFieldTest, JobsRunOffTheGuiThreadAndHelpOpensThePage) {
    m_ui.SetRunsJobsInline(false); // the frame's job manager uses worker threads
    TFileManagerWindow& w = Open();
    Enter(w, "copy alpha.txt D:\\");
    // The line waited for its job: the copy is there when Enter returns.
    EXPECT_TRUE(Exists(m_d / "alpha.txt"));
    EXPECT_EQ(w.CommandLine()->text(), "");

    Enter(w, "copy /? alpha.txt D:\\");
    CHelpWindow* help = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<CHelpWindow*>(top); h && h->isVisible())
            help = h;
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->Browser()->source().toString().contains("14630.html#copy"));
    EXPECT_TRUE(help->Browser()->toPlainText().contains("COPY"));
    help->close();
}

} // namespace
} // namespace vorlane::gui::test
