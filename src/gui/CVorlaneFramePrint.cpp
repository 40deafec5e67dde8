// The frame's Print dirs/files command on the active file manager window.
#include "gui/CVorlaneFrame.h"

#include "gui/CJobManager.h"
#include "gui/CListPrintJob.h"
#include "gui/CPrintDirsFilesList.h"
#include "gui/DialogSupport.h"
#include "gui/TFileManagerWindow.h"
#include "gui/WindowSettings.h"
#include "ui/UserInterface.h"

#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace vorlane::gui {

namespace {

using List = CPrintDirsFilesListParameters::List;

// The print-out of the chosen list; null (after the message) for an empty
// file list, and for no list at all.
std::unique_ptr<CListPrintOut> PrintOutOf(TFileManagerWindow& window, List list) {
    std::unique_ptr<CListPrintOut> printOut = MakeListPrintOut(window, list);
    if (printOut && printOut->Empty()) {
        ui::Current().Message(CFilesListPrintOut::kNoFilesText);
        return nullptr;
    }
    return printOut;
}

} // namespace

void CVorlaneFrame::RunPrintCommand() {
    QPointer<TFileManagerWindow> fm = ActiveFileManager();
    if (!fm)
        return;
    const bool printersInstalled = !QPrinterInfo::availablePrinters().isEmpty();
    CPrintDirsFilesListParameters parameters = CPrintDirsFilesListParameters::Read(SettingsStore());
    parameters.printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    if (!printersInstalled)
        parameters.printer->setOutputFormat(QPrinter::PdfFormat);

    CPrintDirsFilesList dialog(parameters, printersInstalled, this);
    dialog.SetDialogRunner([this](QDialog& d) { return RunDialog(d); });
    dialog.SetPreviewHandler([this, fm](const CPrintDirsFilesListParameters& chosen) {
        if (!fm)
            return;
        std::unique_ptr<CListPrintOut> printOut = PrintOutOf(*fm, chosen.Chosen());
        if (!printOut)
            return;
        QPrintPreviewDialog preview(chosen.printer.get(), this);
        preview.setWindowTitle(printOut->Title());
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [&printOut](QPrinter* printer) { printOut->Print(*printer); });
        RunDialog(preview);
    });
    const int result = RunDialog(dialog, CPrintDirsFilesList::kHelpContext);
    if (result == QDialog::Accepted)
        parameters = dialog.Parameters();
    parameters.Write(SettingsStore());
    if (result != QDialog::Accepted || !fm)
        return;

    std::unique_ptr<CListPrintOut> printOut = PrintOutOf(*fm, parameters.Chosen());
    if (!printOut)
        return;
    if (parameters.toPdf || !printersInstalled) {
        std::string host;
        if (!PdfHostPath(parameters.pdfFile, *CurrentDrives(), &host)) {
            ui::Current().Message("Cannot print to \"" + parameters.pdfFile +
                                  "\": it is not a file name on a drive.");
            return;
        }
        m_jobs->Start(std::make_unique<CListPrintJob>(std::move(printOut), host,
                                                      parameters.printer->pageLayout()));
        return;
    }
    m_jobs->Start(std::make_unique<CListPrintJob>(std::move(printOut), parameters.printer));
}

} // namespace vorlane::gui
