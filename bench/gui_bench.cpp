// Benchmark driver of the GUI, run by bench/gui.py on the offscreen
// platform. The settings live under $VORLANE_HOME and the drives come from
// $VORLANE_DRIVES, as in the program.
//
//   gui_bench open PATH         start-up (application, object database,
//                               settings, frame) and a file manager window
//                               on PATH (a DOS path) shown and painted,
//                               then a normal exit
//   gui_bench switch FROM TO    a window on FROM shown, then the window
//                               moved to TO and painted; prints
//                               "switch-ms N", the time of the move alone,
//                               and "switch-cpu-ms N", its processor time
//   gui_bench view MODE PATH    a window on PATH shown in details, then
//                               switched to MODE (large, list, small,
//                               thumbnails) and painted; prints "view-ms N",
//                               the time of the switch alone, then
//                               "scroll-ms N", the time to page to the end
//                               of the list and paint each page
//   gui_bench sort KEY PATH     a window on PATH shown, then re-sorted by KEY
//                               (extension, date, size) and painted; prints
//                               "sort-ms N", the time of the re-sort alone
//   gui_bench habitab PATH      a window on PATH shown with the "Default"
//                               habitab, then a habitab with search
//                               criteria (file types and a size bound),
//                               another sort, other columns and the list
//                               view applied, as a click on its tab does,
//                               and painted; prints "habitab-ms N", the
//                               time of that alone, "shown N", the files
//                               it leaves shown, and "default-ms N", the
//                               time to apply "Default" again
//   gui_bench text FILE         a window on FILE's directory shown, FILE
//                               (a large text file of numbered lines) made
//                               the current file, then "&View" on it, as
//                               the user opens it; prints "first-page-ms
//                               N", the time from the command to the viewer
//                               window painted with its first page, then
//                               "end-page-ms N", the time to jump to the
//                               end of the file (its line numbers counted
//                               on the way) and paint that page. Each page
//                               is checked: the gutter's line number must
//                               be the number the line itself holds (its
//                               first ten digits), else "FAILED WHY"
//   gui_bench shot DIR LEFT RIGHT
//                               not a measurement: the frame with two
//                               windows side by side, LEFT in details view
//                               with two files tagged, RIGHT in large
//                               icons, saved as DIR/frame.png,
//                               DIR/details.png and DIR/icons.png, then
//                               RIGHT as DIR/list.png, DIR/small-icons.png
//                               and DIR/thumbnails.png, and, when
//                               LEFT + ".ZIP" is a zip file, its add and
//                               comment dialogs as DIR/zip-add.png and
//                               DIR/zip-comment.png; last LEFT with its
//                               command line as DIR/command-line.png (run
//                               on a real display
//                               or Xvfb for the pictures of the
//                               documentation)
//
//   gui_bench copy SOURCE TARGET CANCEL-MS
//                               a copy job of the directory tree SOURCE into
//                               TARGET (DOS paths; TARGET exists and is
//                               empty) started through the frame's job
//                               manager; while it runs, a 10 ms timer on
//                               the GUI thread measures the event loop's
//                               latency ("tick-max-ms", "tick-p99-ms") and
//                               the status window's paints are counted
//                               ("status-paints-per-s", and
//                               "status-frames-per-s" for paints at least
//                               2 ms apart). CANCEL-MS 0: the job runs to
//                               its end ("copy-ms") and every file must
//                               have arrived whole. Else the status
//                               window's Cancel is pressed after CANCEL-MS
//                               ("cancel-ms", the time from the press to
//                               the job's end) and every file in TARGET
//                               must be a whole copy of its source.
//                               Prints "FAILED WHY" and exits 1 when a
//                               check fails.
//
// open and switch print "open-ms N" (from the start of main to the painted window)
// and "peak-rss-kb N" (ru_maxrss at the end).
#include "app/VorlaneApp.h"
#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CatalogueTypes.h"
#include "display/CHabitabSettings.h"
#include "fileops/CCopyDirectory.h"
#include "fileops/ZipArchiveCommands.h"
#include "gui/CCommandField.h"
#include "gui/CFileViewerControlBar.h"
#include "gui/CHabitabWindow.h"
#include "gui/CJobManager.h"
#include "gui/CTextViewer.h"
#include "gui/CViewerWindow.h"
#include "gui/CVorlaneFrame.h"
#include "gui/CZipDialogs.h"
#include "gui/CZipToExeDialog.h"
#include "gui/Commands.h"
#include "gui/FileIcons.h"
#include "gui/QtUserInterface.h"
#include "gui/StatusWindows.h"
#include "gui/TFileManagerWindow.h"
#include "objdb/CAppObjectDatabase.h"
#include "platform/DosPath.h"
#include "platform/DosPathText.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// User and system time of the process so far, in milliseconds.
double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Lets the window system deliver exposures and paints.
void Settle(QWidget& window) {
    QApplication::processEvents();
    window.repaint();
    QApplication::processEvents();
}

// Two windows side by side for the pictures; 0 when they were written.
int Screenshots(vorlane::gui::CVorlaneFrame& frame, const std::string& dir, const std::string& left,
                const std::string& right) {
    using namespace vorlane::gui;
    frame.resize(1400, 800);
    TFileManagerWindow* details = frame.OpenFileManager(left.substr(0, 2), 1, true, left);
    TFileManagerWindow* icons = frame.OpenFileManager(right.substr(0, 2), 1, true, right);
    if (!details || !icons)
        return 1;
    icons->SetViewMode(FileViewMode::LargeIcons);
    frame.RunCommand(kCmdTileVertical);
    frame.MdiArea()->setActiveSubWindow(frame.MdiArea()->subWindowList().first());
    details->FileView()->setFocus();
    // Two tagged files, so the tag colour and the totals show.
    for (int i = 0; i < 2; ++i) {
        details->Session().SetCaret(1 + 2 * i);
        details->RunCommand(vorlane::catalogue::kCmdTagFile);
    }
    details->Session().SetCaret(0);
    details->ShowTotals();
    for (int round = 0; round < 5; ++round)
        Settle(frame);
    bool ok = frame.grab().save(QString::fromStdString(dir + "/frame.png"));
    auto child = [](QWidget* w) {
        while (w && !qobject_cast<QMdiSubWindow*>(w))
            w = w->parentWidget();
        return w;
    };
    ok = child(details)->grab().save(QString::fromStdString(dir + "/details.png")) && ok;
    ok = child(icons)->grab().save(QString::fromStdString(dir + "/icons.png")) && ok;
    // The other view modes of the right window.
    const struct {
        FileViewMode mode;
        const char* file;
    } modes[] = {{FileViewMode::List, "/list.png"},
                 {FileViewMode::SmallIcons, "/small-icons.png"},
                 {FileViewMode::Thumbnails, "/thumbnails.png"}};
    for (const auto& m : modes) {
        icons->SetViewMode(m.mode);
        for (int round = 0; round < 3; ++round)
            Settle(frame);
        ok = child(icons)->grab().save(QString::fromStdString(dir + m.file)) && ok;
    }
    // The ZipToExe dialog on a sample archive's members.
    CZipToExeDialog zipToExe("C:\\PROJECTS\\VORLANE\\SETUP.ZIP",
                             {"README.TXT", "bin/vorlane", "docs/manual.odt"}, &frame);
    zipToExe.DirectoryField()->setText("/opt/vorlane");
    zipToExe.StartupList()->setCurrentIndex(1);
    zipToExe.CompanyField()->setText("Vorlane Project");
    zipToExe.show();
    for (int round = 0; round < 3; ++round)
        Settle(zipToExe);
    ok = zipToExe.grab().save(QString::fromStdString(dir + "/ziptoexe.png")) && ok;
    // The dialogs of a zip directory, on LEFT's directory zipped beside it
    // (LEFT + ".ZIP", when there is one).
    const std::string zip = left + ".ZIP";
    if (std::optional<std::string> comment =
            vorlane::fileops::ReadZipComment(frame.Jobs().NewContext(), zip)) {
        vorlane::fileops::CZipAddParameters settings;
        settings.startDirectory = left;
        CZipAddDialog add(settings, &frame);
        add.resize(900, 560);
        add.show();
        for (int round = 0; round < 5; ++round)
            Settle(add);
        ok = add.grab().save(QString::fromStdString(dir + "/zip-add.png")) && ok;
        add.hide();
        CZipCommentDialog note(zip, *comment, &frame);
        note.show();
        for (int round = 0; round < 3; ++round)
            Settle(note);
        ok = note.grab().save(QString::fromStdString(dir + "/zip-comment.png")) && ok;
        note.hide();
    }
    // The command line of the left window, a line half typed.
    details->ShowCommandLine(true);
    details->CommandLine()->setText("copy [tagged] C:\\PICTURES\\ /n");
    details->CommandLine()->setFocus();
    for (int round = 0; round < 3; ++round)
        Settle(frame);
    ok = child(details)->grab().save(QString::fromStdString(dir + "/command-line.png")) && ok;
    return ok ? 0 : 1;
}

bool ViewModeByName(const char* name, vorlane::gui::FileViewMode* mode) {
    using vorlane::gui::FileViewMode;
    static const struct {
        const char* name;
        FileViewMode mode;
    } kModes[] = {{"details", FileViewMode::Details},
                  {"large", FileViewMode::LargeIcons},
                  {"list", FileViewMode::List},
                  {"small", FileViewMode::SmallIcons},
                  {"thumbnails", FileViewMode::Thumbnails}};
    for (const auto& m : kModes)
        if (std::strcmp(m.name, name) == 0) {
            *mode = m.mode;
            return true;
        }
    return false;
}

int SortCommandByName(const char* name) {
    using namespace vorlane::catalogue;
    if (std::strcmp(name, "extension") == 0)
        return kCmdSortByExtension;
    if (std::strcmp(name, "date") == 0)
        return kCmdSortByDate;
    if (std::strcmp(name, "size") == 0)
        return kCmdSortBySize;
    return 0;
}

// Pages through the file view to its end, painting each page, as a user
// holding Page Down would see it.
void ScrollToEnd(QWidget& frame, QAbstractScrollArea& view) {
    for (QScrollBar* bar : {view.verticalScrollBar(), view.horizontalScrollBar()}) {
        int steps = 0;
        while (bar->value() < bar->maximum() && steps++ < 40) {
            bar->setValue(std::min(bar->maximum(), bar->value() + (bar->maximum() + 39) / 40));
            Settle(frame);
        }
    }
}

// The status window of a running job, when one shows.
vorlane::gui::CStatusDialogBase* ShownStatusWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* status = qobject_cast<vorlane::gui::CStatusDialogBase*>(widget);
        if (status && status->isVisible())
            return status;
    }
    return nullptr;
}

// Counts the paints of status windows: every paint event of one of their
// widgets, and frames (paints at least 2 ms after the one before).
class PaintCounter : public QObject {
  public:
    int paints = 0;
    int frames = 0;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            qobject_cast<vorlane::gui::CStatusDialogBase*>(
                static_cast<QWidget*>(watched)->window())) {
            ++paints;
            if (!m_last.isValid() || m_last.nsecsElapsed() >= 2'000'000)
                ++frames;
            m_last.start();
        }
        return false;
    }

  private:
    QElapsedTimer m_last;
};

// Regular files below root by their path relative to it, with their sizes.
std::map<std::string, uintmax_t> FilesBelow(const std::filesystem::path& root) {
    std::map<std::string, uintmax_t> files;
    std::error_code err;
    for (auto it = std::filesystem::recursive_directory_iterator(root, err);
         !err && it != std::filesystem::recursive_directory_iterator(); it.increment(err))
        if (it->is_regular_file())
            files[it->path().lexically_relative(root).string()] = it->file_size();
    return files;
}

// What a copy left in the target against its source: "" when the target
// holds whole copies only (all of them unless the copy was cancelled), else
// what is wrong. The tree lands in the target's directory of the source's
// name.
std::string CheckCopied(const std::filesystem::path& source, const std::filesystem::path& target,
                        bool cancelled, size_t* copied) {
    std::map<std::string, uintmax_t> wanted = FilesBelow(source);
    std::map<std::string, uintmax_t> got = FilesBelow(target / source.filename());
    size_t outside = FilesBelow(target).size() - got.size();
    if (outside != 0)
        return std::to_string(outside) + " files outside the copied tree";
    for (const auto& [name, size] : got) {
        auto it = wanted.find(name);
        if (it == wanted.end())
            return "a file the source does not hold: " + name;
        if (it->second != size)
            return "a partial file: " + name + " (" + std::to_string(size) + " of " +
                   std::to_string(it->second) + " bytes)";
    }
    if (!cancelled && got.size() != wanted.size())
        return std::to_string(got.size()) + " of " + std::to_string(wanted.size()) +
               " files copied";
    *copied = got.size();
    return {};
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * values.size()));
    return values[index];
}

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The copy measurement (see the top of the file); 0 when every check held.
int MeasureCopy(vorlane::gui::CVorlaneFrame& frame, const std::string& source,
                const std::string& target, int cancelAfterMs) {
    using namespace vorlane;
    std::string hostSource;
    std::string hostTarget;
    if (!platform::DosToHost(source, &hostSource) || !platform::DosToHost(target, &hostTarget)) {
        std::printf("FAILED %s or %s is not on a mapped drive\n", source.c_str(), target.c_str());
        return 1;
    }
    fileops::CCopyParameters parameters;
    parameters.operation = fileops::kCopyDirectory;
    parameters.flags = 0; // the target is empty: no per-file question can come
    parameters.sourceDirectory = source;
    parameters.targetPath = target;
    parameters.askBeforeCreating = false;

    PaintCounter counter;
    qApp->installEventFilter(&counter);
    std::vector<double> gaps;
    Clock::time_point lastTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        Clock::time_point now = Clock::now();
        gaps.push_back(MsBetween(lastTick, now));
        lastTick = now;
    });

    QEventLoop loop;
    bool ended = false;
    ui::JobResult result;
    Clock::time_point started = Clock::now();
    Clock::time_point finished;
    Clock::time_point pressed;
    bool cancelPressed = false;
    std::string failure;
    frame.Jobs().Start(std::make_unique<fileops::CCopyJob>(parameters),
                       [&](const ui::JobResult& r) {
                           finished = Clock::now();
                           result = r;
                           ended = true;
                           loop.quit();
                       });
    ticker.start();
    lastTick = Clock::now();
    QTimer cancel;
    cancel.setSingleShot(true);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        gui::CStatusDialogBase* status = ShownStatusWindow();
        auto* box = status ? status->findChild<QDialogButtonBox*>() : nullptr;
        QPushButton* button = box ? box->button(QDialogButtonBox::Cancel) : nullptr;
        if (!button) {
            failure = "no status window with Cancel showed";
            return;
        }
        pressed = Clock::now();
        cancelPressed = true;
        button->click();
    });
    if (cancelAfterMs > 0)
        cancel.start(cancelAfterMs);
    // A copy that hangs is a failure, not a slow time; so is a message or
    // question the copy shows (nobody is there to answer it): it is
    // closed and its text becomes the failure.
    QTimer::singleShot(600'000, &loop, &QEventLoop::quit);
    QTimer modalWatch;
    modalWatch.setInterval(100);
    QObject::connect(&modalWatch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (failure.empty())
            failure = "the copy showed a message: " + box->text().toStdString();
        box->reject();
    });
    modalWatch.start();
    if (!ended)
        loop.exec();
    ticker.stop();
    qApp->removeEventFilter(&counter);
    double runMs = MsBetween(started, finished);

    if (!failure.empty()) {
    } else if (!ended) {
        failure = "the copy did not end within 600 s";
    } else if (cancelAfterMs > 0 && !cancelPressed) {
        failure = "the copy ended before Cancel was pressed";
    } else if (cancelAfterMs > 0 && !result.cancelled) {
        failure = "Cancel was pressed but the copy ran to its end";
    } else if (cancelAfterMs == 0 && !result.ok) {
        failure = "the copy failed: " + result.summary;
    }
    size_t copied = 0;
    if (failure.empty())
        failure = CheckCopied(hostSource, hostTarget, cancelAfterMs > 0, &copied);
    if (!failure.empty()) {
        std::printf("FAILED %s\n", failure.c_str());
        return 1;
    }
    std::printf("tick-max-ms %.3f\n",
                gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
    std::printf("tick-p99-ms %.3f\n", Percentile(gaps, 0.99));
    std::printf("ticks %zu\n", gaps.size());
    std::printf("status-paints-per-s %.1f\n", counter.paints * 1000.0 / runMs);
    std::printf("status-frames-per-s %.1f\n", counter.frames * 1000.0 / runMs);
    std::printf("files-copied %zu\n", copied);
    if (cancelAfterMs > 0)
        std::printf("cancel-ms %.3f\n", MsBetween(pressed, finished));
    else
        std::printf("copy-ms %.3f\n", runMs);
    return 0;
}

// The first whole numbered line of a viewer page: "" when it holds one
// whose gutter agrees with the number the line carries, else why not.
std::string CheckNumberedPage(const QStringList& lines, uint64_t* number) {
    for (const QString& line : lines) {
        // The number right-justified in seven places (more when longer),
        // a blank, the text; a piece of a long line has blanks for a number.
        if (line.startsWith(QString(8, ' ')))
            continue;
        const qsizetype blank = line.indexOf(' ', line.size() - line.trimmed().size());
        const QString gutter = line.left(blank).trimmed();
        const QString own = line.mid(blank + 1, 10);
        if (gutter.toULongLong() != own.toULongLong())
            return "line " + gutter.toStdString() + " shows the text of line " + own.toStdString();
        *number = gutter.toULongLong();
        return "";
    }
    return "no numbered line on the page";
}

} // namespace

int main(int argc, char** argv) {
    Clock::time_point start = Clock::now();
    bool switching = argc == 4 && std::strcmp(argv[1], "switch") == 0;
    bool shot = argc == 5 && std::strcmp(argv[1], "shot") == 0;
    bool viewing = argc == 4 && std::strcmp(argv[1], "view") == 0;
    bool sorting = argc == 4 && std::strcmp(argv[1], "sort") == 0;
    bool copying = argc == 5 && std::strcmp(argv[1], "copy") == 0;
    bool habitab = argc == 3 && std::strcmp(argv[1], "habitab") == 0;
    bool text = argc == 3 && std::strcmp(argv[1], "text") == 0;
    vorlane::gui::FileViewMode mode = vorlane::gui::FileViewMode::Details;
    int sortCommand = sorting ? SortCommandByName(argv[2]) : 0;
    if ((viewing && !ViewModeByName(argv[2], &mode)) || (sorting && sortCommand == 0) ||
        (!switching && !shot && !viewing && !sorting && !copying && !habitab && !text &&
         !(argc == 3 && std::strcmp(argv[1], "open") == 0))) {
        std::fprintf(stderr,
                     "usage: gui_bench open PATH | switch FROM TO | view MODE PATH | "
                     "sort KEY PATH | habitab PATH | text FILE | copy SOURCE TARGET CANCEL-MS | "
                     "shot DIR LEFT RIGHT\n");
        return 2;
    }
    if (!shot)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon theme the program takes, so the views fetch real icons.
    vorlane::gui::ChooseIconTheme();

    // A copy talks to the user as in the program: its status window and
    // messages are the Qt ones, parented to the frame.
    vorlane::gui::QtUserInterface qtUi;
    vorlane::ui::ScopedUserInterface installed(copying ? &qtUi : &vorlane::ui::Current());
    // The habitabs as the program keeps them.
    vorlane::display::CHabitabSettings habitabs;
    vorlane::gui::ScopedHabitabs installedHabitabs(&habitabs.Array());
    vorlane::app::AppServices services;
    services.makeDatabase = vorlane::objdb::MakeAppDatabase;
    services.habitabs = &habitabs;
    vorlane::app::VorlaneApp application(std::move(services));
    vorlane::gui::CVorlaneFrame frame(&application);
    qtUi.SetParent(&frame);
    frame.SetShowOnCreate(true);
    // The start-up notice closes by itself in the program; here at once.
    frame.SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
    if (!application.Start(frame, frame, false)) {
        std::fprintf(stderr, "gui_bench: start-up failed\n");
        return 1;
    }
    if (shot) {
        int code = Screenshots(frame, argv[2], argv[3], argv[4]);
        application.CloseQuery(frame, false);
        application.Shutdown(frame);
        return code;
    }
    if (copying) {
        // A window on the target shows the files arriving, as a user would watch them.
        if (!frame.OpenFileManager(std::string(argv[3]).substr(0, 2), 1, true, argv[3])) {
            std::printf("FAILED cannot open %s\n", argv[3]);
            return 1;
        }
        Settle(frame);
        int code = MeasureCopy(frame, argv[2], argv[3], std::atoi(argv[4]));
        application.CloseQuery(frame, false);
        application.Shutdown(frame);
        qtUi.SetParent(nullptr);
        return code;
    }
    std::string first = viewing || sorting ? argv[3] : argv[2];
    if (text)
        first = vorlane::platform::ParentDosPath(first);
    vorlane::gui::TFileManagerWindow* fm =
        frame.OpenFileManager(first.substr(0, 2), 1, true, first);
    if (!fm) {
        std::fprintf(stderr, "gui_bench: cannot open %s\n", first.c_str());
        return 1;
    }
    Settle(frame);
    std::printf("open-ms %.3f\n", MsSince(start));
    std::printf("rows %d\n", static_cast<int>(fm->Session().CurrentDirectory()->ShownCount()));

    if (switching) {
        Clock::time_point moved = Clock::now();
        double cpu = CpuMs();
        if (!fm->GoTo(argv[3])) {
            std::fprintf(stderr, "gui_bench: cannot go to %s\n", argv[3]);
            return 1;
        }
        Settle(frame);
        std::printf("switch-ms %.3f\n", MsSince(moved));
        std::printf("switch-cpu-ms %.3f\n", CpuMs() - cpu);
        std::printf("rows %d\n", static_cast<int>(fm->Session().CurrentDirectory()->ShownCount()));
    }

    if (viewing) {
        Clock::time_point switched = Clock::now();
        fm->SetViewMode(mode);
        Settle(frame);
        std::printf("view-ms %.3f\n", MsSince(switched));
        Clock::time_point scrolled = Clock::now();
        ScrollToEnd(frame, *static_cast<QAbstractScrollArea*>(fm->FileView()));
        std::printf("scroll-ms %.3f\n", MsSince(scrolled));
    }
    if (sorting) {
        Clock::time_point sorted = Clock::now();
        fm->RunCommand(sortCommand);
        Settle(frame);
        std::printf("sort-ms %.3f\n", MsSince(sorted));
        std::printf("rows %d\n", static_cast<int>(fm->Session().CurrentDirectory()->ShownCount()));
    }

    if (habitab) {
        vorlane::display::CHabitabItem pictures;
        pictures.name = "Pictures";
        pictures.SetSortMethod(vorlane::display::kSortMethodExtensionDescending);
        pictures.fileDisplayMode = static_cast<int>(vorlane::gui::FileViewMode::List);
        pictures.fileDisplayDetails = 0x8027;
        pictures.conditions.AddCondition(
            {vorlane::search::kFieldFilename, vorlane::search::kOpEqual, "*.JPG;*.PNG"});
        pictures.conditions.AddCondition(
            {vorlane::search::kFieldSize, vorlane::search::kOpLess, "1"});
        const int index = habitabs.Array().Add(pictures);
        fm->RebuildHabitabTabs();
        Clock::time_point applied = Clock::now();
        fm->ApplyHabitab(*habitabs.Array().Item(index));
        Settle(frame);
        std::printf("habitab-ms %.3f\n", MsSince(applied));
        std::printf("shown %d\n", static_cast<int>(fm->Session().CurrentDirectory()->ShownCount()));
        Clock::time_point back = Clock::now();
        fm->ApplyHabitab(*habitabs.Array().Item(0));
        Settle(frame);
        std::printf("default-ms %.3f\n", MsSince(back));
        std::printf("rows %d\n", static_cast<int>(fm->Session().CurrentDirectory()->ShownCount()));
    }

    if (text) {
        const std::string file = argv[2];
        if (!fm->Session().SetCaretByName(file.substr(file.find_last_of('\\') + 1))) {
            std::printf("FAILED no file %s\n", file.c_str());
            return 1;
        }
        Settle(frame);
        Clock::time_point opened = Clock::now();
        frame.RunCommand(vorlane::gui::kCmdViewFile);
        Settle(frame);
        const double firstMs = MsSince(opened);
        QMdiSubWindow* active = frame.MdiArea()->activeSubWindow();
        auto* viewer =
            active ? qobject_cast<vorlane::gui::CViewerWindow*>(active->widget()) : nullptr;
        vorlane::gui::CTextViewer* textView = viewer ? viewer->Bar()->TextViewer() : nullptr;
        if (!textView || !textView->isVisible() || !textView->HasFile()) {
            std::printf("FAILED no text viewer window showed the file\n");
            return 1;
        }
        uint64_t first = 0;
        std::string failure = CheckNumberedPage(textView->VisibleLines(), &first);
        if (failure.empty() && first != 1)
            failure = "the first page starts at line " + std::to_string(first);
        if (!failure.empty()) {
            std::printf("FAILED first page: %s\n", failure.c_str());
            return 1;
        }
        std::printf("first-page-ms %.3f\n", firstMs);
        Clock::time_point jumped = Clock::now();
        textView->ScrollToOffset(textView->FileSize() - 1);
        Settle(frame);
        const double endMs = MsSince(jumped);
        uint64_t last = 0;
        failure = CheckNumberedPage(textView->VisibleLines(), &last);
        if (!failure.empty()) {
            std::printf("FAILED end page: %s\n", failure.c_str());
            return 1;
        }
        std::printf("end-page-ms %.3f\n", endMs);
        std::printf("end-line %llu\n", static_cast<unsigned long long>(last));
        std::printf("file-bytes %llu\n", static_cast<unsigned long long>(textView->FileSize()));
    }

    application.CloseQuery(frame, false);
    int code = application.Shutdown(frame);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak-rss-kb %ld\n", usage.ru_maxrss);
    return code;
}
