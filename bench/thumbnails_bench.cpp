// Benchmark driver of the thumbnails, run by bench/thumbnails.py. The
// object database is $VORLANE_HOME/VORLN32.DAT and the drives come from
// $VORLANE_DRIVES, as in the program.
//
//   thumbnails_bench scan PATH [WORKERS]
//                     the thumbnails of every chosen picture in the
//                     directory PATH (a DOS path) and below, stored in the
//                     database; JPEG and PNG are the chosen types. Prints
//                     "thumbnails N", "failures N", "workers N" (the
//                     decoding threads; libvips adds its own per picture)
//                     and "scan-ms N"
//   thumbnails_bench cancel PATH DELAY-MS
//                     the same scan, cancelled DELAY-MS after it started
//                     (the cancel flag set from another thread, as the
//                     status window's Cancel does); prints "thumbnails N",
//                     "workers N" and "cancel-ms N", the time from the
//                     cancel to the scan's return
//   thumbnails_bench view PATH
//                     start-up, a file manager window on PATH shown in
//                     details, then switched to the thumbnail view and
//                     painted; prints "view-ms N", the time of the switch
//                     to the first screen drawn, and "first-icon WxH", the
//                     size of the first row's picture
#include "app/VorlaneApp.h"
#include "gui/CVorlaneFrame.h"
#include "gui/FileIcons.h"
#include "gui/TFileManagerWindow.h"
#include "objdb/CAppObjectDatabase.h"
#include "objdb/CObjectDatabase.h"
#include "platform/Drives.h"
#include "platform/ProgramDirs.h"
#include "ui/UserInterface.h"
#include "viewers/CThumbnailMaintenance.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QListView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string DatabasePath() {
    const char* home = std::getenv("VORLANE_HOME");
    return std::string(home ? home : ".") + "/VORLN32.DAT";
}

// The scan of path; cancelled after cancelAfterMs when that is positive.
int Scan(const std::string& path, unsigned workers, int cancelAfterMs) {
    using namespace vorlane;
    objdb::CObjectDatabase db;
    if (!db.Open(DatabasePath(), true, objdb::kObjectDatabaseMaxRecordSize)) {
        std::fprintf(stderr, "thumbnails_bench: %s\n", db.LastErrorMessage().c_str());
        return 1;
    }
    viewers::CObjectDatabaseThumbnailStore store(db);
    ui::OperationContext context(ui::SilentInterface(), platform::DriveMap::Current());
    if (workers == 0)
        workers = std::max(1u, std::thread::hardware_concurrency());
    viewers::CThumbnailMaintenance scan(context, store, {10, 75}, workers);
    Clock::time_point cancelled;
    std::thread canceller;
    if (cancelAfterMs > 0) {
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(cancelAfterMs));
            cancelled = Clock::now();
            context.RequestCancel();
        });
    }
    const Clock::time_point start = Clock::now();
    scan.Scan(path, true);
    const Clock::time_point returned = Clock::now();
    if (canceller.joinable())
        canceller.join();
    const bool closed = db.Close();
    const double ms = MsSince(start);
    std::printf("thumbnails %d\nfailures %d\nworkers %u\n", scan.Counts().thumbnails,
                scan.Counts().failures, workers);
    if (cancelAfterMs > 0) {
        if (!context.Cancelled() || returned < cancelled) {
            std::printf("FAILED the scan ended before the cancel\n");
            return 1;
        }
        std::printf("cancel-ms %.3f\n",
                    std::chrono::duration<double, std::milli>(returned - cancelled).count());
    } else {
        std::printf("scan-ms %.3f\n", ms);
    }
    return closed ? 0 : 1;
}

int View(int argc, char** argv, const std::string& path) {
    using namespace vorlane;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    gui::ChooseIconTheme();
    app::AppServices services;
    services.makeDatabase = objdb::MakeAppDatabase;
    app::VorlaneApp application(std::move(services));
    gui::CVorlaneFrame frame(&application);
    frame.SetShowOnCreate(true);
    frame.SetDialogRunner([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
    if (!application.Start(frame, frame, false)) {
        std::fprintf(stderr, "thumbnails_bench: start-up failed\n");
        return 1;
    }
    frame.resize(1280, 900);
    gui::TFileManagerWindow* fm = frame.OpenFileManager(path.substr(0, 2), 1, true, path);
    if (!fm) {
        std::fprintf(stderr, "thumbnails_bench: cannot open %s\n", path.c_str());
        return 1;
    }
    QApplication::processEvents();
    frame.repaint();
    QApplication::processEvents();

    const Clock::time_point switched = Clock::now();
    fm->SetViewMode(gui::FileViewMode::Thumbnails);
    QApplication::processEvents();
    fm->IconView()->viewport()->repaint();
    QApplication::processEvents();
    std::printf("view-ms %.3f\n", MsSince(switched));
    const QIcon first =
        fm->IconView()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>();
    const QList<QSize> sizes = first.availableSizes();
    const QSize size = sizes.isEmpty() ? QSize() : sizes.front();
    std::printf("first-icon %dx%d\n", size.width(), size.height());
    application.CloseQuery(frame, false);
    return application.Shutdown(frame);
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "scan") == 0)
        return Scan(argv[2], argc >= 4 ? static_cast<unsigned>(std::atoi(argv[3])) : 0, 0);
    if (argc == 4 && std::strcmp(argv[1], "cancel") == 0)
        return Scan(argv[2], 0, std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "view") == 0)
        return View(argc, argv, argv[2]);
    std::fprintf(
        stderr, "usage: thumbnails_bench scan PATH [WORKERS] | cancel PATH DELAY-MS | view PATH\n");
    return 2;
}
