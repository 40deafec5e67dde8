// The viewers on screen: the viewer pane of a file manager window (the
// pending selection shown when idle, text, hex, pictures, messages, zip
// members taken out by jobs on worker threads and deleted again, also when
// the caret runs on or the window closes meanwhile), the text viewer on big files and
// every kind of line end, the image window's zoom list, and the "&Viewer
// Window" command with its "View File" picker and remembered directory.
#include "GuiTestSupport.h"

#include "gui/CFileViewerControlBar.h"
#include "gui/CImageConversionDialog.h"
#include "gui/CImageWindow.h"
#include "gui/CJobManager.h"
#include "gui/CTextViewer.h"
#include "gui/CViewerWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QThreadPool>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace vorlane::gui::test {

namespace {

using Face = CFileViewerControlBar::Face;

// A picture of w x h saved by Qt in the format of the name's extension.
void MakeImage(const std::string& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

class ViewersTest : public GuiTest {
  protected:
    ViewersTest() {
        ::mkdir(m_temp.c_str(), 0700);
        std::ofstream(m_c / "notes.txt") << "first line\r\nsecond line\rthird line\nfourth\n";
        std::ofstream(m_c / "program.bin", std::ios::binary)
            << std::string("\x01\x02\xFE\xFF\0\0\x10\x80", 8) << std::string(100, '\x03');
        MakeImage(m_c / "picture.png", 64, 48);
        ::mkdir((m_stage / "docs").c_str(), 0700);
        std::ofstream(m_stage / "small.txt") << "inside the zip\n";
        std::ofstream(m_stage / "big.txt") << std::string(24577, 'b');
        std::ofstream(m_stage / "third.txt") << "the third one\n";
        const std::string command = "cd '" + m_stage.path() + "' && zip -q -X '" +
                                    (m_c / "ARCH.ZIP") + "' small.txt big.txt third.txt";
        m_zipMade = std::system(command.c_str()) == 0;
    }

    TFileManagerWindow& PaneWindow(const std::string& dir = "C:\\") {
        TFileManagerWindow& w = Open();
        w.GoTo(dir);
        Frame().RunCommand(kCmdViewerPane);
        Pump();
        return w;
    }
    // Moves the caret to name and lets the pane take it when idle.
    void Select(TFileManagerWindow& w, const QString& name, bool pump = true) {
        const int row = Row(w, name);
        ASSERT_GE(row, 0) << name.toStdString();
        w.DetailsView()->setCurrentIndex(w.FileModel()->index(row, 0));
        if (pump) {
            Pump();
            WaitForPicture(*w.ViewerPane());
        }
    }
    // Lets a picture's decode on its worker end.
    static void WaitForPicture(CFileViewerControlBar& bar) {
        ASSERT_TRUE(PumpUntil([&] { return !bar.ImageWindow()->Loading(); }));
    }

    // Lets the pane's take-out jobs end (their ends run on the GUI thread).
    void WaitForJobs() {
        ASSERT_TRUE(PumpUntil([&] { return Frame().Jobs().Idle(); }));
    }
    // Moves the caret to each member in turn and has the pane take each at
    // once, without letting any take-out end in between.
    void RunCaretOver(TFileManagerWindow& w, const std::vector<QString>& names) {
        for (const QString& name : names) {
            Select(w, name, false);
            w.ShowPendingView();
        }
    }

    vorlane::test::TempDir m_stage;
    std::string m_temp = m_d / "tmp";
    vorlane::test::ScopedEnv m_tmpdir{"TMPDIR", m_temp};
    MemorySettingsStore m_store;
    bool m_zipMade = false;
};

} // namespace

TEST_F(ViewersTest, ThePaneShowsEachKindOfFileWhenTheWindowIsIdle) {
    TFileManagerWindow& w = PaneWindow();
    CFileViewerControlBar* bar = w.ViewerPane();
    ASSERT_NE(bar, nullptr);
    struct Case {
        const char* name;
        Face face;
        QString caption;
        QString statusStart;
    } cases[] = {
        {"notes.txt", Face::Text, "notes.txt", "ASCII, 42 bytes"},
        {"program.bin", Face::Hex, "program.bin", "Hex, 108 bytes"},
        {"picture.png", Face::Image, "picture.png", "64 x 48, 24 bits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Select(w, c.name);
        EXPECT_EQ(bar->Shown(), c.face);
        EXPECT_EQ(bar->Caption(), c.caption);
        EXPECT_TRUE(bar->Status().startsWith(c.statusStart)) << bar->Status().toStdString();
    }
    // The text viewer numbers lines ended by CR LF, CR and LF alike.
    Select(w, "notes.txt");
    EXPECT_EQ(bar->TextViewer()->VisibleLines().mid(0, 4),
              QStringList({"      1 first line", "      2 second line", "      3 third line",
                           "      4 fourth"}));
    // Hex shows what the text viewer would show as text.
    bar->HexBox()->setChecked(true);
    EXPECT_EQ(bar->Shown(), Face::Hex);
    EXPECT_TRUE(bar->HexViewer()->ShownRows().value(0).startsWith("00000000  66 69 72 73"));
    // A run of caret moves: only the last file is read, once the window is idle.
    Select(w, "program.bin", false);
    Select(w, "picture.png", false);
    EXPECT_EQ(bar->Caption(), "notes.txt");
    Pump();
    EXPECT_EQ(bar->Caption(), "picture.png");
    EXPECT_EQ(bar->ZoomList()->currentText(), "Auto");
}

TEST_F(ViewersTest, ZipMembersAreTakenOutForThePaneAndDeletedBeforeTheNextFile) {
    ASSERT_TRUE(m_zipMade);
    m_ui.SetRunsJobsInline(false); // the take-out runs on a worker thread
    TFileManagerWindow& w = PaneWindow("C:\\ARCH.ZIP");
    CFileViewerControlBar* bar = w.ViewerPane();
    Select(w, "SMALL.TXT");
    WaitForJobs();
    const std::string copy = w.TemporaryViewFile();
    ASSERT_FALSE(copy.empty());
    EXPECT_EQ(copy.rfind(m_temp + "/", 0), 0u) << copy;
    EXPECT_EQ(vorlane::test::FileMode(copy), 0600u);
    EXPECT_EQ(bar->Shown(), Face::Text);
    EXPECT_EQ(bar->TextViewer()->VisibleLines().value(0), "      1 inside the zip");
    // One byte over 24k: the message in place of a viewer, and the copy gone.
    Select(w, "BIG.TXT");
    EXPECT_FALSE(Exists(copy));
    EXPECT_EQ(w.TemporaryViewFile(), "");
    EXPECT_EQ(bar->Shown(), Face::Message);
    EXPECT_EQ(bar->Message(), "File 'BIG.TXT' is within a zip file and it is bigger than the "
                              "maximum set view filesize (24k).");
    // Taken out again, then the window closes: the copy goes with it.
    Select(w, "SMALL.TXT");
    WaitForJobs();
    const std::string again = w.TemporaryViewFile();
    ASSERT_TRUE(Exists(again));
    for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
        child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Exists(again));
    EXPECT_EQ(vorlane::test::ListDir(m_temp), std::vector<std::string>{});
}

TEST_F(ViewersTest, AMemberThatCannotComeOutSaysWhyInThePaneWithoutADialog) {
    // A stored member whose bytes no longer match its checksum.
    std::ofstream(m_stage / "broken.txt") << "these bytes get spoilt";
    const std::string bad = m_c / "BAD.ZIP";
    ASSERT_EQ(std::system(
                  ("cd '" + m_stage.path() + "' && zip -q -X -0 '" + bad + "' broken.txt small.txt")
                      .c_str()),
              0);
    std::string bytes = ReadAll(bad);
    const size_t at = bytes.find("these bytes");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'T';
    std::ofstream(bad, std::ios::binary | std::ios::trunc) << bytes;
    m_ui.SetRunsJobsInline(false);
    TFileManagerWindow& w = PaneWindow("C:\\BAD.ZIP");
    CFileViewerControlBar* bar = w.ViewerPane();
    Select(w, "BROKEN.TXT");
    WaitForJobs();
    EXPECT_EQ(bar->Shown(), Face::Message);
    EXPECT_TRUE(bar->Message().startsWith("Unable to extract file 'BROKEN.TXT'"))
        << bar->Message().toStdString();
    EXPECT_TRUE(m_ui.Shown().empty());
    EXPECT_EQ(w.TemporaryViewFile(), "");
    // The next member still comes out and shows.
    Select(w, "SMALL.TXT");
    WaitForJobs();
    EXPECT_EQ(bar->Shown(), Face::Text);
    EXPECT_EQ(vorlane::test::ListDir(m_temp).size(), 1u);
}

TEST_F(ViewersTest, ACaretRunningOverMembersEndsShowingTheLastAndLeavesOneCopy) {
    ASSERT_TRUE(m_zipMade);
    m_ui.SetRunsJobsInline(false);
    TFileManagerWindow& w = PaneWindow("C:\\ARCH.ZIP");
    CFileViewerControlBar* bar = w.ViewerPane();
    RunCaretOver(w, {"SMALL.TXT", "THIRD.TXT", "BIG.TXT", "SMALL.TXT", "THIRD.TXT"});
    // Nothing is shown while the member comes out; the GUI thread never waited.
    EXPECT_EQ(bar->Shown(), Face::Empty);
    EXPECT_FALSE(Frame().Jobs().Idle());
    WaitForJobs();
    EXPECT_EQ(bar->Caption(), "THIRD.TXT");
    EXPECT_EQ(bar->Shown(), Face::Text);
    EXPECT_EQ(bar->TextViewer()->VisibleLines().value(0), "      1 the third one");
    const std::string copy = w.TemporaryViewFile();
    EXPECT_EQ(ReadAll(copy), "the third one\n");
    // The stale copies went as their jobs ended: only the shown one is left.
    EXPECT_EQ(vorlane::test::ListDir(m_temp).size(), 1u);
    EXPECT_TRUE(m_ui.Shown().empty());
    // A plain file chosen while a member comes out: the member's copy is
    // deleted when its job ends and never shows.
    RunCaretOver(w, {"SMALL.TXT"});
    EXPECT_FALSE(Exists(copy));
    w.GoTo("C:\\");
    RunCaretOver(w, {"notes.txt"});
    WaitForJobs();
    EXPECT_EQ(bar->Caption(), "notes.txt");
    EXPECT_EQ(vorlane::test::ListDir(m_temp), std::vector<std::string>{});
}

TEST_F(ViewersTest, AWindowOrFrameClosedWhileAMemberComesOutLeavesNoCopy) {
    ASSERT_TRUE(m_zipMade);
    m_ui.SetRunsJobsInline(false);
    TFileManagerWindow& w = PaneWindow("C:\\ARCH.ZIP");
    RunCaretOver(w, {"SMALL.TXT"});
    ASSERT_FALSE(Frame().Jobs().Idle());
    // The window goes before the job's end reaches the GUI thread.
    for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
        child->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(Frame().MdiArea()->subWindowList().empty());
    WaitForJobs();
    EXPECT_EQ(vorlane::test::ListDir(m_temp), std::vector<std::string>{});
    // The whole frame goes (its windows first, then its jobs) while one runs.
    TFileManagerWindow& again = PaneWindow("C:\\ARCH.ZIP");
    RunCaretOver(again, {"THIRD.TXT"});
    ASSERT_FALSE(Frame().Jobs().Idle());
    m_frame.reset();
    EXPECT_EQ(vorlane::test::ListDir(m_temp), std::vector<std::string>{});
}

TEST_F(ViewersTest, TheTextViewerOpensAHugeFileAtOnceAndJumpsToItsEnd) {
    // 64 MiB, sparse, with a text line at the start and at the very end.
    const std::string path = m_c / "huge.log";
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        const std::string head = "head line\n", tail = "\nlast line\n";
        ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
        ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), (64 << 20) - tail.size()),
                  static_cast<ssize_t>(tail.size()));
        ::close(fd);
    }
    CTextViewer viewer;
    viewer.resize(600, 300);
    int error = 0;
    ASSERT_TRUE(viewer.Load(path, &error));
    EXPECT_EQ(viewer.VisibleLines().value(0), "      1 head line");
    // The zeros are binary, shown as dots, and cut into pieces: the first
    // ends at the first multiple of 4096 a whole piece past its start.
    EXPECT_EQ(viewer.VisibleLines().value(1).size(), 8 + 8192 - 10);
    EXPECT_EQ(viewer.VisibleLines().value(2).size(), 8 + 4096);
    QTest::keyClick(&viewer, Qt::Key_End);
    const QStringList last = viewer.VisibleLines();
    ASSERT_FALSE(last.isEmpty());
    EXPECT_EQ(last.back(), "      3 last line");
    QTest::keyClick(&viewer, Qt::Key_Home);
    EXPECT_EQ(viewer.TopOffset(), 0u);
    // Encodings and line numbers from the bar's controls.
    CFileViewerControlBar bar(true);
    std::ofstream(m_c / "latin.txt", std::ios::binary) << "caf\xE9\n";
    bar.Show(m_c / "latin.txt", false, "latin.txt", "");
    bar.EncodingList()->setCurrentIndex(0);
    EXPECT_EQ(bar.TextViewer()->VisibleLines().value(0), QString("      1 caf\uFFFD"));
    bar.EncodingList()->setCurrentIndex(1);
    bar.LineNumbersBox()->setChecked(false);
    EXPECT_EQ(bar.TextViewer()->VisibleLines().value(0), QString("caf\u00E9"));
}

TEST_F(ViewersTest, BothViewersFollowAFileCutShortWhileItIsShown) {
    // Reading the pages past the new end of a mapped file would kill the
    // program; the viewers map it again and show what is there now.
    const std::string path = m_c / "growing.log";
    std::string text;
    for (int i = 1; i <= 4000; ++i)
        text += "log line " + std::to_string(i) + "\n";
    std::ofstream(path, std::ios::binary) << text;
    CTextViewer viewer;
    CHexViewer hex;
    viewer.resize(600, 300);
    hex.resize(600, 300);
    int error = 0;
    ASSERT_TRUE(viewer.Load(path, &error));
    ASSERT_TRUE(hex.Load(path, &error));
    viewer.ScrollToOffset(text.size() - 1);
    hex.ScrollToRow(text.size() / 16);
    ASSERT_EQ(::truncate(path.c_str(), 20), 0);
    // Both were showing the end: they show the new end.
    EXPECT_EQ(viewer.VisibleLines(), QStringList{"      2 log line "});
    EXPECT_EQ(viewer.FileSize(), 20u);
    EXPECT_EQ(hex.ShownRows().size(), 1);
    EXPECT_EQ(hex.TopRow(), 1u);
    // Written to again: the new lines show.
    std::ofstream(path, std::ios::binary | std::ios::app) << "2\nlog line 3\n";
    viewer.ScrollToOffset(0);
    EXPECT_EQ(viewer.VisibleLines(),
              (QStringList{"      1 log line 1", "      2 log line 2", "      3 log line 3"}));
}

TEST_F(ViewersTest, TheBarShowsMessagesAndReportsWhatItCannotLoad) {
    ASSERT_EQ(::mkfifo((m_c / "pipe").c_str(), 0600), 0);
    std::ofstream(m_c / "broken.png") << std::string("\x89PNG\r\n\x1A\n", 8) << "garbage";
    {
        // In a pane: on the message line.
        CFileViewerControlBar pane(true);
        pane.Show(m_c / "pipe", false, "pipe", "");
        EXPECT_EQ(pane.Shown(), Face::Message);
        EXPECT_EQ(pane.Message().toStdString(),
                  "Unable to load document '" + (m_c / "pipe") + "'.\n\nError code = 19");
        pane.Show("", false, "", "File 'X' is a JPEG image. JPEG viewing is currently disabled.");
        EXPECT_EQ(pane.Message(), "File 'X' is a JPEG image. JPEG viewing is currently disabled.");
        pane.Show("", false, "", "");
        EXPECT_EQ(pane.Shown(), Face::Empty);
        // A damaged picture: the library's reason in place of the picture,
        // and no dialog to stop the next caret move.
        pane.Show(m_c / "broken.png", false, "broken.png", "");
        WaitForPicture(pane);
        EXPECT_EQ(pane.Shown(), Face::Message);
        EXPECT_TRUE(pane.Message().contains("broken.png")) << pane.Message().toStdString();
        EXPECT_EQ(pane.Status(), "Image Error");
        EXPECT_TRUE(m_ui.Shown().empty());
    }
    // In a window: the "Viewer Load Error" dialog; a broken picture: "Image Error".
    CFileViewerControlBar window(false);
    window.Show(m_c / "pipe", false, "pipe", "");
    ASSERT_FALSE(m_ui.Shown().empty());
    EXPECT_EQ(m_ui.Shown().back().caption, "Viewer Load Error");
    window.Show(m_c / "broken.png", false, "broken.png", "");
    WaitForPicture(window);
    EXPECT_EQ(m_ui.Shown().back().caption, "Image Error");
    EXPECT_FALSE(m_ui.Shown().back().text.empty());
    // A file marked delete when done goes when the next one is shown.
    std::ofstream(m_c / "copy.txt") << "x";
    window.Show(m_c / "copy.txt", true, "copy.txt", "");
    window.Show("", false, "", "");
    EXPECT_FALSE(Exists(m_c / "copy.txt"));
}

TEST_F(ViewersTest, TheZoomListSendsItsCodesToTheImageWindow) {
    CFileViewerControlBar bar(false);
    bar.resize(400, 300);
    bar.Show(m_c / "picture.png", false, "picture.png", "");
    WaitForPicture(bar);
    ASSERT_EQ(bar.Shown(), Face::Image);
    struct Case {
        QString text;
        int code;
        QSize shown;
    } cases[] = {{" 25%", -4, {16, 12}},   {" 50%", -2, {32, 24}}, {"100%", 0, {64, 48}},
                 {"Auto", 1000, {64, 48}}, {"200%", 2, {128, 96}}, {"400%", 4, {256, 192}}};
    ASSERT_EQ(bar.ZoomList()->count(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(cases[i].text.toStdString());
        EXPECT_EQ(bar.ZoomList()->itemText(i), cases[i].text);
        bar.ZoomList()->setCurrentIndex(i);
        EXPECT_EQ(bar.ImageWindow()->Zoom(), cases[i].code);
        if (cases[i].code != 1000) { // Auto depends on the window: checked below
            EXPECT_EQ(bar.ImageWindow()->ShownSize(), cases[i].shown);
        }
    }
    // Auto fits a bigger picture into the window, aspect kept.
    MakeImage(m_c / "wide.png", 2000, 500);
    bar.Show(m_c / "wide.png", false, "wide.png", "");
    WaitForPicture(bar);
    bar.ZoomList()->setCurrentIndex(3);
    Pump(); // the scroll bars of 400% go
    const QSize view = bar.ImageWindow()->viewport()->size();
    const QSize shown = bar.ImageWindow()->ShownSize();
    EXPECT_LE(shown.width(), view.width());
    EXPECT_NEAR(shown.width() / static_cast<double>(shown.height()), 4.0, 0.1);
    bar.ZoomList()->setCurrentIndex(0);
    Shot(bar, "image-window.png");
}

TEST_F(ViewersTest, EachTextOpensInTheEncodingItsStartTells) {
    std::ofstream(m_c / "utf8.txt") << "caf\xC3\xA9 au lait\n";
    std::ofstream(m_c / "latin1.txt") << "caf\xE9 cr\xE8me\n";
    CFileViewerControlBar bar(false);
    bar.resize(500, 300);
    const struct {
        const char* name;
        QString encoding;
        QString firstLine;
    } steps[] = {
        {"latin1.txt", "Windows-1252", QString::fromUtf8("      1 caf\xC3\xA9 cr\xC3\xA8me")},
        {"notes.txt", "Windows-1252", "      1 first line"}, // ASCII: kept
        {"utf8.txt", "UTF-8", QString::fromUtf8("      1 caf\xC3\xA9 au lait")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        bar.Show(m_c / step.name, false, step.name, "");
        ASSERT_EQ(bar.Shown(), Face::Text);
        EXPECT_EQ(bar.EncodingList()->currentText(), step.encoding);
        EXPECT_EQ(bar.TextViewer()->VisibleLines().value(0), step.firstLine);
    }
    // UTF-16 with its byte order mark and CR LF lines (as Notepad saves
    // "Unicode"): read in its own units, numbered line by line.
    std::string wide = "\xFF\xFE";
    for (char c : std::string("one\r\ntwo \xE9t\xE9\r\n"))
        wide += std::string{c, '\0'};
    std::ofstream(m_c / "utf16.txt", std::ios::binary) << wide;
    bar.Show(m_c / "utf16.txt", false, "utf16.txt", "");
    EXPECT_EQ(bar.EncodingList()->currentText(), "UTF-16 LE");
    EXPECT_EQ(bar.TextViewer()->VisibleLines().mid(0, 2),
              (QStringList{"      1 one", QString::fromUtf8("      2 two \xC3\xA9t\xC3\xA9")}));
    // Read byte by byte instead, the lines are found again.
    bar.EncodingList()->setCurrentText("Windows-1252");
    EXPECT_TRUE(
        bar.TextViewer()->VisibleLines().value(0).contains(QString::fromUtf8("o\xC2\xB7n")));
    bar.EncodingList()->setCurrentText("UTF-16 LE");
    EXPECT_EQ(bar.TextViewer()->VisibleLines().value(1),
              QString::fromUtf8("      2 two \xC3\xA9t\xC3\xA9"));
    // A choice of the user's for text that is not UTF-8 holds.
    bar.EncodingList()->setCurrentText("DOS (code page 437)");
    bar.Show(m_c / "latin1.txt", false, "latin1.txt", "");
    EXPECT_EQ(bar.EncodingList()->currentText(), "DOS (code page 437)");
    EXPECT_EQ(bar.TextViewer()->VisibleLines().value(0),
              QString::fromUtf8("      1 caf\xCE\x98 cr\xCE\xA6me"));
}

TEST_F(ViewersTest, ThePaneKeepsItsWidthWhateverItShows) {
    std::ofstream(m_c / (std::string(50, 'n') + ".txt")) << "a text with a long name\n";
    TFileManagerWindow& w = PaneWindow();
    auto* splitter = w.findChild<QSplitter*>("listSplitter");
    ASSERT_NE(splitter, nullptr);
    Select(w, "picture.png");
    const QList<int> sizes = splitter->sizes();
    ASSERT_GT(sizes.value(1), 0);
    for (const QString& name : {QString("notes.txt"), QString(50, 'n') + ".txt",
                                QString("program.bin"), QString("picture.png")}) {
        SCOPED_TRACE(name.toStdString());
        Select(w, name);
        EXPECT_EQ(splitter->sizes(), sizes);
        // Some of the name is always there to read.
        auto* caption = w.ViewerPane()->findChild<QLabel*>("viewerCaption");
        ASSERT_NE(caption, nullptr);
        EXPECT_GE(caption->width(), caption->fontMetrics().averageCharWidth() * 10);
    }
}

TEST_F(ViewersTest, PicturesAreDecodedOffTheWindowsThreadAndOnlyTheLastShows) {
    MakeImage(m_c / "large.png", 3000, 2000);
    {
        // Shown at once as loading; the window is free meanwhile.
        CFileViewerControlBar bar(true);
        bar.Show(m_c / "large.png", false, "large.png", "");
        EXPECT_EQ(bar.Shown(), Face::Image);
        EXPECT_EQ(bar.Status(), "Loading picture...");
        EXPECT_TRUE(bar.ImageWindow()->Picture().isNull());
        // The next file comes before the large one is decoded: only it shows,
        // also after the large one's decode has ended.
        bar.Show(m_c / "picture.png", false, "picture.png", "");
        WaitForPicture(bar);
        QThreadPool::globalInstance()->waitForDone();
        Pump();
        EXPECT_EQ(bar.ImageWindow()->Picture().size(), QSize(64, 48));
        EXPECT_EQ(bar.Status(), "64 x 48, 24 bits");
        // A text file after a picture that is still loading.
        bar.Show(m_c / "large.png", false, "large.png", "");
        bar.Show(m_c / "notes.txt", false, "notes.txt", "");
        QThreadPool::globalInstance()->waitForDone();
        Pump();
        EXPECT_EQ(bar.Shown(), Face::Text);
        EXPECT_TRUE(bar.ImageWindow()->Picture().isNull());
        EXPECT_TRUE(bar.Status().startsWith("ASCII")) << bar.Status().toStdString();
        // Gone while its picture is decoded.
        bar.Show(m_c / "large.png", false, "large.png", "");
    }
    QThreadPool::globalInstance()->waitForDone();
    Pump();
    // The large picture itself, shrunk for the window.
    CFileViewerControlBar bar(false);
    bar.resize(400, 300);
    bar.Show(m_c / "large.png", false, "large.png", "");
    WaitForPicture(bar);
    EXPECT_EQ(bar.Status(), "3000 x 2000, 24 bits");
    EXPECT_TRUE(m_ui.Shown().empty());
}

TEST_F(ViewersTest, TheViewerWindowCommandKeepsThePathAsGiven) {
    ::mkdir((m_c / "Docs").c_str(), 0700);
    std::ofstream(m_c / "Docs/ReadMe.txt") << "Mixed Case\n";
    m_store.Write("NewViewerWindow", "InitialDirectory", "C:\\Start");
    m_ui.QueueOpenFile(std::string("C:\\Docs\\ReadMe.txt"));
    Frame().RunCommand(kCmdNewViewerWindow);
    Pump();
    ASSERT_FALSE(m_ui.Shown().empty());
    EXPECT_EQ(m_ui.Shown().front().caption, "View File");
    EXPECT_EQ(m_ui.Shown().front().text, "All Files (*.*)|*.*|C:\\Start");
    EXPECT_EQ(m_store.Read("NewViewerWindow", "InitialDirectory"), "C:\\Docs");
    CViewerWindow* viewer = nullptr;
    for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
        if (auto* v = qobject_cast<CViewerWindow*>(child->widget()))
            viewer = v;
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "C:\\Docs\\ReadMe.txt");
    EXPECT_EQ(viewer->Bar()->Shown(), Face::Text);
    EXPECT_EQ(viewer->Bar()->TextViewer()->VisibleLines().value(0), "      1 Mixed Case");
    viewer->resize(640, 360);
    Shot(*viewer, "text-viewer.png");
    // Cancelled: nothing opens and the key stays.
    m_ui.QueueOpenFile(std::nullopt);
    Frame().RunCommand(kCmdNewViewerWindow);
    EXPECT_EQ(m_store.Read("NewViewerWindow", "InitialDirectory"), "C:\\Docs");
    // The Window menu's viewer commands now find the viewer windows.
    Frame().RunCommand(kCmdCloseAllViewers);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QMdiSubWindow* child : Frame().MdiArea()->subWindowList())
        EXPECT_EQ(qobject_cast<CViewerWindow*>(child->widget()), nullptr);
}

TEST_F(ViewersTest, TheImageConversionDialogChecksAndAsksBeforeItRuns) {
    std::vector<std::string> files = {"picture.png"};
    viewers::ImageConversionSettings stored;
    stored.formatCode = 10;
    stored.bitsPerPixel = 24;
    stored.sizeButton = viewers::kSize800;
    CImageConversionDialog dialog(
        "C:\\", [&](int) { return files; }, kCopyGroupCurrent, stored);
    EXPECT_EQ(dialog.windowTitle(), "Image Conversion");
    EXPECT_EQ(dialog.FormatBox()->count(), 19);
    EXPECT_EQ(dialog.FormatBox()->currentText(), "JPEG              ");
    EXPECT_TRUE(dialog.DepthButton(24)->isChecked());
    EXPECT_TRUE(dialog.SizeButton(viewers::kSize800)->isChecked());
    EXPECT_FALSE(dialog.DeleteBox()->isChecked());
    EXPECT_TRUE(dialog.PromptBox()->isChecked());
    QStringList texts;
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
        texts << b->text();
    for (QLabel* l : dialog.findChildren<QLabel*>())
        texts << l->text();
    for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
        texts << g->title();
    for (const char* t :
         {"File &Group:", "File/&Path:", "&Browse...", "&Delete source image(s) after conversion",
          "Prompt before &Overwrite", "Fil&e Format:", "Colors ( # Bits) Per Pixel", "&Mono",
          "&16 colors", "&256 colors", "&True color", "Size\nConstraints:", "&None", "&640x480",
          "&800x600", "1&024x768", "Image aspects will be kept - images will NOT be sized up!"})
        EXPECT_TRUE(texts.contains(t)) << t;
    // The checks in order, each keeping the dialog open.
    struct Case {
        std::vector<std::string> files;
        QString path;
        std::string message;
    } cases[] = {
        {{}, "C:\\", "No files have been selected for conversion!"},
        {{"picture.png"}, "", "An output path must be specified!"},
        {{"picture.png"}, "C:\\nowhere", "'C:\\nowhere'is NOT a valid path!"},
    };
    for (const Case& c : cases) {
        files = c.files;
        dialog.PathField()->setText(c.path);
        dialog.accept();
        EXPECT_EQ(m_ui.Shown().back().text, c.message);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    // Delete chosen: asked first; No keeps the dialog, Yes takes the choices.
    files = {"picture.png"};
    ::mkdir((m_c / "out").c_str(), 0755);
    dialog.PathField()->setText("C:\\out");
    dialog.DeleteBox()->setChecked(true);
    dialog.DepthButton(8)->setChecked(true);
    m_ui.QueueYesNo(false);
    dialog.accept();
    EXPECT_EQ(m_ui.Shown().back().caption, "WARNING!");
    EXPECT_EQ(m_ui.Shown().back().text,
              "You have selected to delete source images after conversion. ARE YOU SURE?");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    m_ui.QueueYesNo(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Parameters().settings.ToInts(), (std::vector<int32_t>{1, 1, 10, 8, 114}));
    EXPECT_EQ(dialog.Parameters().sources, std::vector<std::string>{"C:\\picture.png"});
    Shot(dialog, "image-conversion.png");
}

TEST_F(ViewersTest, TheConversionCommandRunsTheJobOnTheWindowsFiles) {
    ::mkdir((m_c / "out").c_str(), 0755);
    TFileManagerWindow& w = PaneWindow();
    Select(w, "picture.png");
    Frame().SetDialogRunner([&](QDialog& dialog) {
        auto* conversion = dynamic_cast<CImageConversionDialog*>(&dialog);
        EXPECT_NE(conversion, nullptr);
        if (!conversion)
            return static_cast<int>(QDialog::Rejected);
        conversion->PathField()->setText("C:\\out");
        conversion->FormatBox()->setCurrentIndex(conversion->FormatBox()->findData(75));
        conversion->accept();
        return conversion->result();
    });
    Frame().RunCommand(kCmdImageConversion);
    ASSERT_TRUE(Frame().Jobs().WaitForAll(20000));
    Pump();
    EXPECT_TRUE(Exists(m_c / "out/picture.PNG"));
    EXPECT_TRUE(Exists(m_c / "picture.png"));
}

} // namespace vorlane::gui::test
