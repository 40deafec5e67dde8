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
//                               DIR/zip-comment.png (run on a real display
//                               or Xvfb for the pictures of the
//                               documentation)
//
// open and switch print "open-ms N" (from the start of main to the painted window)
// and "peak-rss-kb N" (ru_maxrss at the end).
#include "app/VorlaneApp.h"
#include "catalogue/CatalogueTypes.h"
#include "fileops/ZipArchiveCommands.h"
#include "gui/CJobManager.h"
#include "gui/CVorlaneFrame.h"
#include "gui/CZipDialogs.h"
#include "gui/Commands.h"
#include "gui/FileIcons.h"
#include "gui/TFileManagerWindow.h"
#include "objdb/CAppObjectDatabase.h"

#include <QApplication>
#include <QDialog>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/resource.h>

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

} // namespace

int main(int argc, char** argv) {
    Clock::time_point start = Clock::now();
    bool switching = argc == 4 && std::strcmp(argv[1], "switch") == 0;
    bool shot = argc == 5 && std::strcmp(argv[1], "shot") == 0;
    bool viewing = argc == 4 && std::strcmp(argv[1], "view") == 0;
    bool sorting = argc == 4 && std::strcmp(argv[1], "sort") == 0;
    vorlane::gui::FileViewMode mode = vorlane::gui::FileViewMode::Details;
    int sortCommand = sorting ? SortCommandByName(argv[2]) : 0;
    if ((viewing && !ViewModeByName(argv[2], &mode)) || (sorting && sortCommand == 0) ||
        (!switching && !shot && !viewing && !sorting &&
         !(argc == 3 && std::strcmp(argv[1], "open") == 0))) {
        std::fprintf(stderr, "usage: gui_bench open PATH | switch FROM TO | view MODE PATH | "
                             "sort KEY PATH | shot DIR LEFT RIGHT\n");
        return 2;
    }
    if (!shot)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The icon theme the program takes, so the views fetch real icons.
    vorlane::gui::ChooseIconTheme();

    vorlane::app::AppServices services;
    services.makeDatabase = vorlane::objdb::MakeAppDatabase;
    vorlane::app::VorlaneApp application(std::move(services));
    vorlane::gui::CVorlaneFrame frame(&application);
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
    std::string first = viewing || sorting ? argv[3] : argv[2];
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

    application.CloseQuery(frame, false);
    int code = application.Shutdown(frame);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak-rss-kb %ld\n", usage.ru_maxrss);
    return code;
}
