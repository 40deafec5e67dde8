// Benchmark driver of the list printing, run by bench/print.py on the
// offscreen platform.
//
//   print_bench dirs TREE PDF   TREE mapped as C:, every directory logged
//                               (Expand All), then the directory list
//                               printed to PDF as the print job does it:
//                               prints "directories N", "snapshot-ms N"
//                               (the snapshot taken on the GUI thread),
//                               "print-ms N" (the job: layout, painting and
//                               writing the file) and "pages N"
//   print_bench shot DIR        not a measurement: the "Print Dirs / Files
//                               List" dialog saved as DIR/print-dialog.png,
//                               and the file list of C:\PROJECTS\VORLANE
//                               (drives from $VORLANE_DRIVES) printed to
//                               DIR/print-page.pdf (run on Xvfb for the
//                               pictures of the documentation)
#include "catalogue/CFileManagerSession.h"
#include "gui/CListPrintJob.h"
#include "gui/CPrintDirsFilesList.h"
#include "gui/CVorlaneFrame.h"
#include "gui/ListPrintOut.h"
#include "gui/TFileManagerWindow.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <QApplication>
#include <QPrinter>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

QPageLayout PdfLayout() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    return printer.pageLayout();
}

int Dirs(const std::string& tree, const std::string& pdf) {
    using namespace vorlane;
    platform::DriveMap::SetCurrent(platform::DriveMap::FromSpec("C=" + tree));
    catalogue::CFileManagerSession session;
    if (!session.LogDrive('C'))
        return 1;
    session.RunTreeCommand(catalogue::kCmdExpandAll);
    std::printf("directories %d\n", session.CurrentDrive()->DirectoryCount());
    Clock::time_point start = Clock::now();
    auto printOut = gui::CDirsListPrintOut::FromDrive(*session.CurrentDrive());
    std::printf("snapshot-ms %.1f\n", MsSince(start));
    start = Clock::now();
    gui::CListPrintJob job(std::move(printOut), pdf, PdfLayout());
    ui::OperationContext context(ui::SilentInterface(), platform::DriveMap::Current());
    const ui::JobResult result = ui::RunJobNow(job, context);
    std::printf("print-ms %.1f\n", MsSince(start));
    std::printf("pages %d\n", job.PageCount());
    return result.ok && !result.cancelled ? 0 : 1;
}

int Shot(const std::string& dir) {
    using namespace vorlane::gui;
    CPrintDirsFilesListParameters parameters;
    parameters.printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    parameters.printer->setOutputFormat(QPrinter::PdfFormat);
    parameters.toPdf = true;
    parameters.pdfFile = "C:\\PROJECTS\\FILES.PDF";
    CPrintDirsFilesList dialog(parameters, false);
    dialog.show();
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
    bool ok = dialog.grab().save(QString::fromStdString(dir + "/print-dialog.png"));

    CVorlaneFrame frame;
    TFileManagerWindow* window = frame.OpenFileManager("C:", 1, true, "C:\\PROJECTS\\VORLANE");
    if (!window)
        return 1;
    CListPrintJob job(MakeListPrintOut(*window, CPrintDirsFilesListParameters::List::Files),
                      dir + "/print-page.pdf", PdfLayout());
    vorlane::ui::OperationContext context(vorlane::ui::SilentInterface(),
                                          vorlane::platform::DriveMap::Current());
    ok = vorlane::ui::RunJobNow(job, context).ok && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool dirs = argc == 4 && std::strcmp(argv[1], "dirs") == 0;
    const bool shot = argc == 3 && std::strcmp(argv[1], "shot") == 0;
    if (!dirs && !shot) {
        std::fprintf(stderr, "usage: print_bench dirs TREE PDF | shot DIR\n");
        return 2;
    }
    if (dirs)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    return dirs ? Dirs(argv[2], argv[3]) : Shot(argv[2]);
}
