// Printing a list as a job: CListPrintJob paints a print-out (ListPrintOut.h)
// on the job's thread into a PDF file or onto a printer, page by page, with
// the page in its status window ("Printing page %d of %d") and Cancel.
//
// A PDF file is written through a QPdfWriter into a QSaveFile: it takes its
// name only when every page is in it; a cancelled or failed print leaves an
// older file of that name as it was. A printer is painted on from the job's
// thread as well (Qt's printing paints on a QPrinter off the GUI thread);
// Cancel aborts the print run (QPrinter::abort), which the printing system
// honours as far as the pages not yet sent.
//
// MakeListPrintOut takes the snapshot of the chosen list of a window on the
// GUI thread; the job then never touches the window or the catalogue.
#pragma once

#include "gui/CPrintDirsFilesList.h"
#include "gui/ListPrintOut.h"
#include "platform/Drives.h"
#include "ui/Job.h"

#include <QPageLayout>

#include <memory>
#include <string>

class QPrinter;

namespace vorlane::gui {

class TFileManagerWindow;

// The snapshot of the list of a window: the directory list of its drive,
// or its file list as the details view shows it (the shown columns in
// their order, names as the windows show them). Null for List::None and
// for a window without a drive; an empty file list gives its print-out,
// which is Empty(). GUI thread.
std::unique_ptr<CListPrintOut> MakeListPrintOut(TFileManagerWindow& window,
                                                CPrintDirsFilesListParameters::List list);
FileListTable FileListSnapshot(TFileManagerWindow& window);

class CListPrintJob : public ui::Job {
  public:
    static constexpr const char* kPageText = "Printing page %d of %d";

    // To a PDF file (a host path) with the page layout given.
    CListPrintJob(std::unique_ptr<CListPrintOut> printOut, std::string pdfHostPath,
                  QPageLayout layout);
    // To a printer, set up on the GUI thread and not touched there while
    // the job runs.
    CListPrintJob(std::unique_ptr<CListPrintOut> printOut, std::shared_ptr<QPrinter> printer);
    ~CListPrintJob() override;

    std::string Title() const override;
    std::string DriveLetters() const override { return ""; }
    ui::JobResult Run(ui::OperationContext& context) override;

    // The pages painted (for the summary and the tests).
    int PageCount() const { return m_printOut->PageCount(); }

  private:
    ui::JobResult PrintToPdf(ui::OperationContext& context, const PageProgress& progress);

    std::unique_ptr<CListPrintOut> m_printOut;
    std::string m_pdfPath;
    QPageLayout m_layout;
    std::shared_ptr<QPrinter> m_printer;
};

// The host path of the PDF file the dialog names: a host path ("/...") as
// it stands, a DOS path through the drive map. False when a DOS path
// cannot be translated.
bool PdfHostPath(const std::string& typed, const platform::DriveMap& drives, std::string* host);

} // namespace vorlane::gui
