// The "Print Dirs / Files List" dialog of the file manager window's Print
// command, and the parameters it fills.
//
// CPrintDirsFilesListParameters is made for each run of the dialog: the
// two list choices come from section "Dirs/Files List Print" ("Print Dirs
// List", default 0; "Print Files List", default 1; when the two read equal
// both are taken as 0, so that neither list is chosen) and are written
// back when the dialog goes away. Beyond the two lists it carries where
// the print goes: the printer, or a PDF file (key "PDF File", the name last
// used), and the printer object whose page setup both outputs use.
//
// The dialog: "Printer:" with the printer's name, "&List to Print:" with
// "&Directory list" and "&Files list", the output ("P&rinter" or "Print to
// PDF" with the file and "&Browse..."), "&Setup..." (the platform's print
// dialog: the printer or a PDF file, the page; what it chose becomes the
// dialog's output), "Pre&view", OK, Cancel, Help. Without an installed printer the printer output
// is disabled and the PDF file is chosen. OK with the PDF output and no file asks for one.
//
// The dialog prints nothing itself: the frame reads Parameters() after OK,
// and the preview goes to the handler the frame installs.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace vorlane::gui {

class CSettingsStore;

struct CPrintDirsFilesListParameters {
    static constexpr const char* kSection = "Dirs/Files List Print";
    static constexpr const char* kDirsKey = "Print Dirs List";
    static constexpr const char* kFilesKey = "Print Files List";
    static constexpr const char* kPdfFileKey = "PDF File";

    enum class List { None, Directories, Files };

    int printDirsList = 0;  // 0 or 1
    int printFilesList = 1; // 0 or 1
    bool toPdf = false;
    std::string pdfFile; // as typed or picked: a DOS path, or a host path from "/"
    std::shared_ptr<QPrinter> printer;

    // The values of the settings section (the rule on equal values applied).
    static CPrintDirsFilesListParameters Read(CSettingsStore& store);
    void Write(CSettingsStore& store) const;
    // The directory list when its value is 1, else the file list when its
    // value is 1, else none.
    List Chosen() const;
};

class CPrintDirsFilesList : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14715;
    static constexpr const char* kCaption = "Print Dirs / Files List";
    static constexpr const char* kNoPrinterText = "No printer is installed";

    using DialogRunner = std::function<int(QDialog&)>;
    using PreviewHandler = std::function<void(const CPrintDirsFilesListParameters&)>;

    // parameters.printer must be set. printersInstalled false: only the
    // PDF output can be chosen.
    CPrintDirsFilesList(CPrintDirsFilesListParameters parameters, bool printersInstalled,
                        QWidget* parent = nullptr);

    // The parameters with the controls' choices.
    CPrintDirsFilesListParameters Parameters() const;
    // How the setup dialogs and the preview run (default: exec()).
    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    void SetPreviewHandler(PreviewHandler handler) { m_preview = std::move(handler); }

    QLabel* PrinterName() const { return m_printerName; }
    QRadioButton* DirectoryListButton() const { return m_dirs; }
    QRadioButton* FilesListButton() const { return m_files; }
    QRadioButton* PrinterButton() const { return m_toPrinter; }
    QRadioButton* PdfButton() const { return m_toPdf; }
    QLineEdit* PdfFileField() const { return m_pdfFile; }
    QPushButton* BrowseButton() const { return m_browse; }
    QPushButton* SetupButton() const { return m_setup; }
    QPushButton* PreviewButton() const { return m_previewButton; }

    // Runs "&Setup..." (also the button's click).
    void Setup();
    // Asks for the PDF file through the program's file picker.
    void Browse();
    void accept() override;

  private:
    void OutputChanged();
    void ShowPrinterName();
    int Run(QDialog& dialog);

    CPrintDirsFilesListParameters m_parameters;
    bool m_printersInstalled;
    QString m_printerChosen; // the printer's name while the PDF output is chosen
    DialogRunner m_runDialog;
    PreviewHandler m_preview;
    QLabel* m_printerName;
    QRadioButton* m_dirs;
    QRadioButton* m_files;
    QRadioButton* m_toPrinter;
    QRadioButton* m_toPdf;
    QLineEdit* m_pdfFile;
    QPushButton* m_browse;
    QPushButton* m_setup;
    QPushButton* m_previewButton;
};

} // namespace vorlane::gui
