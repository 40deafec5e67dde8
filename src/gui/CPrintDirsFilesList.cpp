#include "gui/CPrintDirsFilesList.h"

#include "gui/DialogSupport.h"
#include "gui/WindowSettings.h"
#include "ui/UserInterface.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdlib>

namespace vorlane::gui {

namespace {

// The settings file's integers: read from their leading digits, the
// default for a missing or empty value.
int ReadInt(CSettingsStore& store, const char* section, const char* key, int def) {
    const std::string text = store.Read(section, key);
    if (text.empty())
        return def;
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

} // namespace

// --- parameters ----------------------------------------------------------------------

CPrintDirsFilesListParameters CPrintDirsFilesListParameters::Read(CSettingsStore& store) {
    CPrintDirsFilesListParameters p;
    p.printDirsList = ReadInt(store, kSection, kDirsKey, 0);
    p.printFilesList = ReadInt(store, kSection, kFilesKey, 1);
    if (p.printDirsList == p.printFilesList)
        p.printDirsList = p.printFilesList = 0;
    p.pdfFile = store.Read(kSection, kPdfFileKey);
    return p;
}

void CPrintDirsFilesListParameters::Write(CSettingsStore& store) const {
    store.Write(kSection, kDirsKey, std::to_string(printDirsList));
    store.Write(kSection, kFilesKey, std::to_string(printFilesList));
    if (!pdfFile.empty())
        store.Write(kSection, kPdfFileKey, pdfFile);
}

CPrintDirsFilesListParameters::List CPrintDirsFilesListParameters::Chosen() const {
    if (printDirsList == 1)
        return List::Directories;
    if (printFilesList == 1)
        return List::Files;
    return List::None;
}

// --- dialog ----------------------------------------------------------------------------

CPrintDirsFilesList::CPrintDirsFilesList(CPrintDirsFilesListParameters parameters,
                                         bool printersInstalled, QWidget* parent)
    : QDialog(parent), m_parameters(std::move(parameters)), m_printersInstalled(printersInstalled) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);

    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(new QLabel("Printer:"));
    m_printerName = new QLabel;
    m_printerName->setObjectName("printerName");
    printerRow->addWidget(m_printerName, 1);
    layout->addLayout(printerRow);

    // The list: neither button is checked when neither value is 1.
    m_dirs = new QRadioButton("&Directory list");
    m_files = new QRadioButton("&Files list");
    auto* lists = new QButtonGroup(this);
    lists->addButton(m_dirs);
    lists->addButton(m_files);
    m_dirs->setChecked(m_parameters.printDirsList == 1);
    m_files->setChecked(m_parameters.printDirsList != 1 && m_parameters.printFilesList == 1);
    auto* listBox = new QGroupBox;
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(BuddyLabel("&List to Print:", m_dirs));
    listLayout->addWidget(m_dirs);
    listLayout->addWidget(m_files);
    layout->addWidget(listBox);

    // Where the print goes.
    m_toPrinter = new QRadioButton("P&rinter");
    m_toPdf = new QRadioButton("Print to &PDF");
    auto* outputs = new QButtonGroup(this);
    outputs->addButton(m_toPrinter);
    outputs->addButton(m_toPdf);
    m_pdfFile = new QLineEdit(QString::fromStdString(m_parameters.pdfFile));
    m_pdfFile->setMinimumWidth(m_pdfFile->fontMetrics().averageCharWidth() * 40);
    m_browse = new QPushButton("&Browse...");
    auto* outputBox = new QGroupBox("Output");
    auto* outputLayout = new QGridLayout(outputBox);
    outputLayout->addWidget(m_toPrinter, 0, 0, 1, 3);
    outputLayout->addWidget(m_toPdf, 1, 0);
    outputLayout->addWidget(m_pdfFile, 1, 1);
    outputLayout->addWidget(m_browse, 1, 2);
    layout->addWidget(outputBox);
    m_toPrinter->setEnabled(m_printersInstalled);
    const bool pdf = m_parameters.toPdf || !m_printersInstalled;
    (pdf ? m_toPdf : m_toPrinter)->setChecked(true);
    if (m_parameters.printer)
        m_printerChosen = m_parameters.printer->printerName();

    m_setup = new QPushButton("&Setup...");
    m_previewButton = new QPushButton("Pre&view");
    auto* buttons = MakeDialogButtons(this, kHelpContext);
    buttons->addButton(m_setup, QDialogButtonBox::ActionRole);
    buttons->addButton(m_previewButton, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);

    connect(m_setup, &QPushButton::clicked, this, &CPrintDirsFilesList::Setup);
    connect(m_browse, &QPushButton::clicked, this, &CPrintDirsFilesList::Browse);
    connect(m_toPdf, &QRadioButton::toggled, this, &CPrintDirsFilesList::OutputChanged);
    connect(m_previewButton, &QPushButton::clicked, this, [this] {
        if (m_preview)
            m_preview(Parameters());
    });
    OutputChanged();
}

CPrintDirsFilesListParameters CPrintDirsFilesList::Parameters() const {
    CPrintDirsFilesListParameters p = m_parameters;
    p.printDirsList = m_dirs->isChecked() ? 1 : 0;
    p.printFilesList = m_files->isChecked() ? 1 : 0;
    p.toPdf = m_toPdf->isChecked();
    p.pdfFile = m_pdfFile->text().trimmed().toStdString();
    return p;
}

void CPrintDirsFilesList::OutputChanged() {
    const bool pdf = m_toPdf->isChecked();
    m_pdfFile->setEnabled(pdf);
    m_browse->setEnabled(pdf);
    // The printer object follows the choice, so that the setup and the
    // preview show the page of the output chosen; the printer's name is
    // kept for a return to it.
    if (QPrinter* printer = m_parameters.printer.get()) {
        if (pdf) {
            if (printer->outputFormat() == QPrinter::NativeFormat)
                m_printerChosen = printer->printerName();
            printer->setOutputFormat(QPrinter::PdfFormat);
        } else {
            printer->setOutputFormat(QPrinter::NativeFormat);
            if (!m_printerChosen.isEmpty())
                printer->setPrinterName(m_printerChosen);
        }
    }
    ShowPrinterName();
}

void CPrintDirsFilesList::ShowPrinterName() {
    QString name;
    if (!m_printersInstalled)
        name = kNoPrinterText;
    else if (m_parameters.printer && m_parameters.printer->outputFormat() == QPrinter::NativeFormat)
        name = m_parameters.printer->printerName();
    else
        name = m_printerChosen;
    m_printerName->setText(name);
}

int CPrintDirsFilesList::Run(QDialog& dialog) {
    return m_runDialog ? m_runDialog(dialog) : dialog.exec();
}

void CPrintDirsFilesList::Setup() {
    QPrinter* printer = m_parameters.printer.get();
    if (!printer)
        return;
    // The platform's print dialog: which printer (or a PDF file), the page
    // and the printer's options. Its choice of output becomes the dialog's.
    QPrintDialog dialog(printer, this);
    if (Run(dialog) == QDialog::Accepted) {
        if (printer->outputFormat() == QPrinter::PdfFormat) {
            if (!printer->outputFileName().isEmpty())
                m_pdfFile->setText(printer->outputFileName());
            m_toPdf->setChecked(true);
        } else if (m_printersInstalled) {
            m_printerChosen = printer->printerName();
            m_toPrinter->setChecked(true);
        }
    }
    ShowPrinterName();
}

void CPrintDirsFilesList::Browse() {
    const std::optional<std::string> chosen = ui::Current().PickSaveFile(
        "Print to PDF", "PDF Files (*.PDF)|*.PDF|All Files (*.*)|*.*", "");
    if (chosen)
        m_pdfFile->setText(QString::fromStdString(*chosen));
}

void CPrintDirsFilesList::accept() {
    if (m_toPdf->isChecked() && m_pdfFile->text().trimmed().isEmpty()) {
        Browse();
        if (m_pdfFile->text().trimmed().isEmpty())
            return;
    }
    QDialog::accept();
}

} // namespace vorlane::gui
