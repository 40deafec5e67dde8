// Printing of the directory and file lists: the page arithmetic (no entry
// lost at a page break, the trailing header-only page of an exact fit),
// the column widths of the file list, the settings of the dialog and its
// controls, and whole prints to PDF through the frame's command, read back
// with pdftotext.
#include "GuiTestSupport.h"

#include "gui/CJobManager.h"
#include "gui/CListPrintJob.h"
#include "gui/CPrintDirsFilesList.h"
#include "gui/ListPrintOut.h"
#include "platform/DosPath.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

namespace vorlane::gui::test {

namespace {

using List = CPrintDirsFilesListParameters::List;

bool HavePdfToText() {
    return std::system("pdftotext -v >/dev/null 2>&1") == 0;
}

// The text of a PDF file, pages separated by '\f' (pdftotext -layout).
std::string PdfText(const std::string& pdf) {
    std::string text;
    FILE* pipe = ::popen(("pdftotext -layout '" + pdf + "' - 2>/dev/null").c_str(), "r");
    if (!pipe)
        return text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    ::pclose(pipe);
    return text;
}

std::vector<std::string> Pages(const std::string& text) {
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
        pages.push_back(text.substr(start, ff - start));
    return pages; // pdftotext ends every page, the last too, with '\f'
}

// The lines of text, trimmed, without the empty ones.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\n\f", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        const size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos)
            lines.push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
        start = end + 1;
    }
    return lines;
}

#define REQUIRE_PDFTOTEXT()                                                                        \
    if (!HavePdfToText())                                                                          \
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed: the printed text cannot be read"

} // namespace

// --- page arithmetic ---------------------------------------------------------------

TEST(PrintLayoutTest, DirectoryListPagesHoldEveryEntryOnceBelowTheHeader) {
    struct Case {
        const char* name;
        int pageHeight, lineHeight, count;
        int linesPerPage, bodyLines, pageCount;
    };
    const Case cases[] = {
        {"empty list: the header page", 1000, 10, 0, 100, 98, 1},
        {"one entry", 1000, 10, 1, 100, 98, 1},
        {"one short of a full page", 1000, 10, 97, 100, 98, 1},
        {"exact fit: a header-only page follows", 1000, 10, 98, 100, 98, 2},
        {"one more than a page", 1000, 10, 99, 100, 98, 2},
        {"exact fit of three pages", 1000, 10, 294, 100, 98, 4},
        {"page height not a multiple of the line", 1009, 10, 250, 100, 98, 3},
        {"the old count would lose two a page", 100, 10, 25, 10, 8, 4},
        {"a page of three lines", 30, 10, 5, 3, 1, 6},
        {"a page smaller than the header", 15, 10, 3, 1, 1, 4},
        {"100,000 directories", 3300, 50, 100000, 66, 64, 1563},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DirsListPages pages = PaginateDirsList(c.pageHeight, c.lineHeight, c.count);
        EXPECT_EQ(pages.linesPerPage, c.linesPerPage);
        EXPECT_EQ(pages.bodyLines, c.bodyLines);
        EXPECT_EQ(pages.pageCount, c.pageCount);
        // Every entry on exactly one page, in order, and none below the page.
        int next = 0;
        for (int page = 1; page <= pages.pageCount; ++page) {
            EXPECT_EQ(pages.First(page), next) << "page " << page;
            const int end = pages.End(page, c.count);
            EXPECT_LE(end - pages.First(page), pages.bodyLines);
            if (end > pages.First(page) && pages.linesPerPage >= 3) {
                const int lastLine = 2 + (end - 1 - pages.First(page));
                EXPECT_LE((lastLine + 1) * c.lineHeight, c.pageHeight) << "page " << page;
            }
            next = std::max(next, end);
        }
        EXPECT_EQ(next, c.count);
        EXPECT_EQ(pages.End(pages.pageCount, c.count) == pages.First(pages.pageCount),
                  c.count % pages.bodyLines == 0)
            << "only an exact fit ends with a page without entries";
    }
}

TEST(PrintLayoutTest, FileListColumnsKeepTheirWidthsUnlessThePageIsTooNarrow) {
    struct Case {
        const char* name;
        std::vector<int> natural;
        std::vector<bool> wraps;
        int pageWidth;
        std::vector<int> widths;
        std::vector<bool> wrapsAfter;
    };
    // gap 10, minWrap 50 in every case
    const Case cases[] = {
        {"fits: natural widths",
         {100, 40, 60},
         {true, false, false},
         220,
         {100, 40, 60},
         {true, false, false}},
        {"one wrapping column takes what is left",
         {400, 40, 60},
         {true, false, false},
         300,
         {180, 40, 60},
         {true, false, false}},
        {"two wrapping columns share the rest over the least by their widths",
         {250, 40, 150},
         {true, false, true},
         300,
         {50 + 200 * 140 / 300, 40, 50 + 100 * 140 / 300},
         {true, false, true}},
        {"fixed columns leave too little: every column shares and wraps",
         {100, 200, 200},
         {true, false, false},
         300,
         {100 * 280 / 500, 200 * 280 / 500, 200 * 280 / 500},
         {true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<bool> wraps = c.wraps;
        const std::vector<int> widths = FileListColumnWidths(c.natural, wraps, 10, c.pageWidth, 50);
        EXPECT_EQ(widths, c.widths);
        EXPECT_EQ(wraps, c.wrapsAfter);
        int total = 10 * (static_cast<int>(widths.size()) - 1);
        for (int w : widths)
            total += w;
        EXPECT_LE(total, c.pageWidth);
    }
}

// --- settings and dialog ------------------------------------------------------------

TEST_F(GuiTest, PrintSettingsChooseOneListAndEqualValuesChooseNone) {
    struct Case {
        const char* name;
        const char* dirs; // nullptr: not in the settings
        const char* files;
        int printDirs, printFiles;
        List chosen;
    };
    const Case cases[] = {
        {"defaults: the file list", nullptr, nullptr, 0, 1, List::Files},
        {"directory list", "1", "0", 1, 0, List::Directories},
        {"file list", "0", "1", 0, 1, List::Files},
        {"both 1: neither", "1", "1", 0, 0, List::None},
        {"both 0: neither", "0", "0", 0, 0, List::None},
        {"leading digits", "1 ; dirs", "0x", 1, 0, List::Directories},
        {"only dirs stored as 1 equals the files default", "1", nullptr, 0, 0, List::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySettingsStore store;
        if (c.dirs)
            store.Write("Dirs/Files List Print", "Print Dirs List", c.dirs);
        if (c.files)
            store.Write("Dirs/Files List Print", "Print Files List", c.files);
        const auto p = CPrintDirsFilesListParameters::Read(store);
        EXPECT_EQ(p.printDirsList, c.printDirs);
        EXPECT_EQ(p.printFilesList, c.printFiles);
        EXPECT_EQ(p.Chosen(), c.chosen);
        auto printer = std::make_shared<QPrinter>();
        CPrintDirsFilesListParameters withPrinter = p;
        withPrinter.printer = printer;
        CPrintDirsFilesList dialog(withPrinter, true);
        EXPECT_EQ(dialog.DirectoryListButton()->isChecked(), c.chosen == List::Directories);
        EXPECT_EQ(dialog.FilesListButton()->isChecked(), c.chosen == List::Files);
        EXPECT_EQ(dialog.Parameters().Chosen(), c.chosen);
    }
}

TEST_F(GuiTest, PrintDialogOffersThePdfFileWithoutAPrinterAndRunsTheSetup) {
    CPrintDirsFilesListParameters p;
    p.printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    p.printer->setOutputFormat(QPrinter::PdfFormat);
    CPrintDirsFilesList dialog(p, false);
    EXPECT_EQ(dialog.windowTitle(), "Print Dirs / Files List");
    EXPECT_EQ(dialog.PrinterName()->text(), "No printer is installed");
    EXPECT_FALSE(dialog.PrinterButton()->isEnabled());
    EXPECT_TRUE(dialog.PdfButton()->isChecked());
    EXPECT_TRUE(dialog.PdfFileField()->isEnabled());
    EXPECT_EQ(dialog.PdfButton()->text(), "Print to &PDF");
    for (const char* text : {"Printer:", "&List to Print:"}) {
        bool found = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            found = found || label->text() == text;
        EXPECT_TRUE(found) << text;
    }
    EXPECT_EQ(dialog.DirectoryListButton()->text(), "&Directory list");
    EXPECT_EQ(dialog.FilesListButton()->text(), "&Files list");
    EXPECT_EQ(dialog.SetupButton()->text(), "&Setup...");

    // Setup: the platform's print dialog; a PDF file chosen there is taken.
    QStringList ran;
    dialog.SetDialogRunner([&](QDialog& d) {
        ran << d.metaObject()->className();
        if (auto* print = dynamic_cast<QPrintDialog*>(&d))
            print->printer()->setOutputFileName(QString::fromStdString(m_d / "setup.pdf"));
        return static_cast<int>(QDialog::Accepted);
    });
    dialog.SetupButton()->click();
    EXPECT_EQ(ran, QStringList{"QPrintDialog"});
    EXPECT_EQ(dialog.PdfFileField()->text().toStdString(), m_d / "setup.pdf");
    EXPECT_TRUE(dialog.PdfButton()->isChecked());
    dialog.PdfFileField()->clear();

    // OK without a file asks for one; a picked file is kept.
    m_ui.QueueSaveFile(std::string("C:\\LIST.PDF"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const CPrintDirsFilesListParameters chosen = dialog.Parameters();
    EXPECT_TRUE(chosen.toPdf);
    EXPECT_EQ(chosen.pdfFile, "C:\\LIST.PDF");
    std::string host;
    ASSERT_TRUE(PdfHostPath(chosen.pdfFile, *platform::DriveMap::Current(), &host));
    EXPECT_EQ(host, m_c / "LIST.PDF");

    // Declining the picker keeps the dialog open.
    CPrintDirsFilesList again(p, false);
    m_ui.QueueSaveFile(std::nullopt);
    again.setResult(QDialog::Rejected);
    again.accept();
    EXPECT_EQ(again.result(), QDialog::Rejected);
}

// --- whole prints through the frame -------------------------------------------------

namespace {

class PrintCommandTest : public GuiTest {
  protected:
    PrintCommandTest() {
        // The print dialog: the list and the PDF file chosen by the test.
        Frame().SetDialogRunner([this](QDialog& dialog) {
            if (auto* d = dynamic_cast<CPrintDirsFilesList*>(&dialog)) {
                ++m_dialogs;
                m_shownChoice = d->Parameters().Chosen();
                if (m_list == List::Directories)
                    d->DirectoryListButton()->setChecked(true);
                else if (m_list == List::Files)
                    d->FilesListButton()->setChecked(true);
                d->PdfButton()->setChecked(true);
                d->PdfFileField()->setText(QString::fromStdString(m_pdf));
                if (m_preview)
                    d->PreviewButton()->click();
                return static_cast<int>(m_accept ? QDialog::Accepted : QDialog::Rejected);
            }
            if (auto* preview = dynamic_cast<QPrintPreviewDialog*>(&dialog)) {
                auto* widget = preview->findChild<QPrintPreviewWidget*>();
                EXPECT_NE(widget, nullptr);
                if (widget) {
                    widget->updatePreview();
                    m_previewPages = widget->pageCount();
                }
                return static_cast<int>(QDialog::Rejected);
            }
            ADD_FAILURE() << "unexpected dialog " << dialog.metaObject()->className();
            return static_cast<int>(QDialog::Rejected);
        });
    }

    // Runs Print dirs/files on the active window; the PDF's text.
    std::string Print(List list) {
        m_list = list;
        Frame().RunCommand(kCmdPrint);
        return Exists(m_pdf) ? PdfText(m_pdf) : std::string();
    }

    MemorySettingsStore m_store;
    std::string m_pdf = m_d / "list.pdf";
    List m_list = List::None;
    List m_shownChoice = List::None;
    bool m_accept = true;
    bool m_preview = false;
    int m_dialogs = 0;
    int m_previewPages = 0;
};

} // namespace

TEST_F(PrintCommandTest, DirectoryListPrintsEveryDirectoryInOrderWithItsHeader) {
    REQUIRE_PDFTOTEXT();
    // 500 directories, some with names of other scripts and one with a
    // character a DOS name cannot hold (shown through the private use area).
    ::mkdir((m_c / "LIST").c_str(), 0700);
    std::vector<std::string> expected;
    for (int i = 0; i < 500; ++i) {
        char name[64];
        if (i % 50 == 7)
            std::snprintf(name, sizeof name, "Ünïcødé-Кириллица-%03d", i);
        else if (i == 123)
            std::snprintf(name, sizeof name, "colon:%03d", i);
        else
            std::snprintf(name, sizeof name, "dir%03d", i);
        ASSERT_EQ(::mkdir((m_c / ("LIST/" + std::string(name))).c_str(), 0700), 0);
    }
    TFileManagerWindow& w = Open("C:", "C:\\LIST");
    const catalogue::CDriveContainer* drive = w.Session().CurrentDrive();
    ASSERT_NE(drive, nullptr);
    ASSERT_GE(drive->DirectoryCount(), 500);
    for (const auto& directory : drive->Directories())
        expected.push_back(
            QString::fromUtf8(platform::DosNameToHost(directory->Path())).toStdString());
    EXPECT_NE(std::find(expected.begin(), expected.end(), "C:\\LIST\\colon:123"), expected.end());

    const std::string text = Print(List::Directories);
    ASSERT_FALSE(text.empty()) << "no PDF was written";
    const std::vector<std::string> pages = Pages(text);
    ASSERT_GE(pages.size(), 2u);
    const int count = static_cast<int>(pages.size());
    std::vector<std::string> printed;
    for (int page = 1; page <= count; ++page) {
        const std::vector<std::string> lines = Lines(pages[page - 1]);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "C: - Page " + std::to_string(page) + " of " + std::to_string(count));
        printed.insert(printed.end(), lines.begin() + 1, lines.end());
    }
    EXPECT_EQ(printed, expected) << "every directory once, in the tree's order";
    // The job's status window counted the pages.
    ASSERT_FALSE(m_ui.StatusWindows().empty());
    const auto& status = *m_ui.StatusWindows().back();
    EXPECT_EQ(status.caption, "Directory List of Drive C:");
    EXPECT_EQ(status.Texts(ui::StatusLog::Call::CurrentMessage).back(),
              "Printing page " + std::to_string(count) + " of " + std::to_string(count));
    EXPECT_EQ(status.Percents(ui::StatusLog::Call::CurrentPercent).back(), 100);
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Dirs List"), "1");
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Files List"), "0");
}

TEST_F(PrintCommandTest, ADirectoryListThatFillsItsPagesEndsWithAHeaderOnlyPage) {
    REQUIRE_PDFTOTEXT();
    // The body lines of the PDF's page, from the font the print uses.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPdfWriter probe(QString::fromStdString(m_d / "probe.pdf"));
    probe.setPageLayout(printer.pageLayout());
    probe.setResolution(300);
    const QFontMetrics metrics(ListPrintFont(), &probe);
    const DirsListPages layout = PaginateDirsList(probe.height(), metrics.lineSpacing(), 0);
    ASSERT_GT(layout.bodyLines, 10);

    struct Case {
        const char* name;
        int count;
        int pages;
    };
    const Case cases[] = {
        {"one page exactly", layout.bodyLines, 2},
        {"one short", layout.bodyLines - 1, 1},
        {"two pages exactly", 2 * layout.bodyLines, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList paths;
        for (int i = 0; i < c.count; ++i)
            paths << QString("C:\\D%1").arg(i, 5, 10, QChar('0'));
        CDirsListPrintOut printOut("C:", paths);
        const std::string pdf = m_d / "fit.pdf";
        CListPrintJob job(std::make_unique<CDirsListPrintOut>("C:", paths), pdf,
                          printer.pageLayout());
        ui::OperationContext context(m_ui, platform::DriveMap::Current());
        const ui::JobResult result = ui::RunJobNow(job, context);
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(job.PageCount(), c.pages);
        const std::vector<std::string> pages = Pages(PdfText(pdf));
        ASSERT_EQ(static_cast<int>(pages.size()), c.pages);
        std::vector<std::string> printed;
        for (const std::string& page : pages) {
            const std::vector<std::string> lines = Lines(page);
            printed.insert(printed.end(), lines.begin() + 1, lines.end());
        }
        EXPECT_EQ(static_cast<int>(printed.size()), c.count) << "every entry once";
        if (c.count % layout.bodyLines == 0) {
            const std::vector<std::string> last = Lines(pages.back());
            EXPECT_EQ(last, std::vector<std::string>{"C: - Page " + std::to_string(c.pages) +
                                                     " of " + std::to_string(c.pages)});
        }
    }
}

TEST_F(PrintCommandTest, APrinterGetsThePagesThroughTheSameJob) {
    REQUIRE_PDFTOTEXT();
    // A QPrinter with a file as its output stands in for a printer: the
    // job paints on the printer object itself.
    QStringList paths;
    for (int i = 0; i < 200; ++i)
        paths << QString("C:\\P%1").arg(i, 3, 10, QChar('0'));
    struct Case {
        const char* name;
        int cancelAt; // 0: never
        bool printed;
    };
    const Case cases[] = {{"whole print", 0, true}, {"cancelled at the first page", 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out =
            m_d / (std::string("printer-") + std::to_string(c.cancelAt) + ".pdf");
        auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(out));
        CListPrintJob job(std::make_unique<CDirsListPrintOut>("D:", paths), printer);
        if (c.cancelAt)
            m_ui.CancelNextStatusWindowAt(c.cancelAt);
        ui::OperationContext context(m_ui, platform::DriveMap::Current());
        const ui::JobResult result = ui::RunJobNow(job, context);
        EXPECT_EQ(result.cancelled, !c.printed);
        EXPECT_EQ(printer->docName(), "Directory List of Drive D:");
        if (!c.printed)
            continue;
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(result.summary, std::to_string(job.PageCount()) + " pages printed");
        const std::vector<std::string> pages = Pages(PdfText(out));
        ASSERT_EQ(static_cast<int>(pages.size()), job.PageCount());
        ASSERT_GE(pages.size(), 2u);
        EXPECT_EQ(Lines(pages.back()).back(), "C:\\P199");
    }
}

TEST_F(PrintCommandTest, FileListPrintsTitleColumnsEveryNameAndPageFooters) {
    REQUIRE_PDFTOTEXT();
    ::mkdir((m_c / "FILES").c_str(), 0700);
    for (int i = 0; i < 500; ++i) {
        char name[64];
        if (i % 25 == 3)
            std::snprintf(name, sizeof name, "Ελληνικά-файл-%03d.txt", i);
        else if (i == 77)
            std::snprintf(name, sizeof name, "what?%03d.txt", i);
        else
            std::snprintf(name, sizeof name, "file%03d.dat", i);
        MakeFile(std::string("FILES/") + name, static_cast<size_t>(i));
    }
    TFileManagerWindow& w = Open("C:", "C:\\FILES");
    ASSERT_EQ(w.FileModel()->rowCount(), 500);
    std::vector<std::string> names;
    for (const QString& name : Names(w))
        names.push_back(
            QString::fromUtf8(platform::DosNameToHost(name.toStdString())).toStdString());
    EXPECT_NE(std::find(names.begin(), names.end(), "what?077.txt"), names.end());

    const std::string text = Print(List::Files);
    ASSERT_FALSE(text.empty()) << "no PDF was written";
    // Each row starts with the name (the first column) and holds the size.
    std::vector<std::string> rows;
    const std::vector<std::string> pages = Pages(text);
    ASSERT_GE(pages.size(), 2u);
    for (size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        const std::vector<std::string> lines = Lines(pages[p]);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines.front(), "Files in Directory C:\\FILES");
        EXPECT_EQ(lines[1].substr(0, 4), "Name");
        EXPECT_EQ(lines.back(), "Page " + std::to_string(p + 1));
        for (size_t i = 2; i + 1 < lines.size(); ++i)
            rows.push_back(lines[i].substr(0, lines[i].find(' ')));
    }
    EXPECT_EQ(rows, names);
}

TEST_F(PrintCommandTest, FileListTitleNamesAZipFileAndAnEmptyListPrintsNothing) {
    REQUIRE_PDFTOTEXT();
    MakeFile("inside.txt", 20);
    const std::string zip = "cd '" + m_c.path() + "' && zip -q ARC.ZIP inside.txt alpha.txt";
    ASSERT_EQ(std::system(zip.c_str()), 0);
    struct Case {
        const char* name;
        std::string directory;
        std::string title; // "" for an empty list
    };
    const Case cases[] = {
        {"zip directory", "C:\\ARC.ZIP", "Files in ZIP File C:\\ARC.ZIP"},
        {"plain directory", "C:\\", "Files in Directory C:\\"},
        {"empty directory", "C:\\OTHER", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(m_pdf.c_str());
        m_ui.Reset();
        Open("C:", c.directory);
        const std::string text = Print(List::Files);
        if (c.title.empty()) {
            EXPECT_FALSE(Exists(m_pdf));
            EXPECT_EQ(m_ui.Texts(),
                      std::vector<std::string>{"There are no files in the list to print!"});
            EXPECT_TRUE(m_ui.StatusWindows().empty()) << "no print job";
            continue;
        }
        EXPECT_TRUE(m_ui.Texts().empty());
        const std::vector<std::string> lines = Lines(text);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), c.title);
        // The name whole on one line (as the window shows it: a zip
        // member's name may be upper case).
        const QString upper = QString::fromStdString(text).toUpper();
        EXPECT_TRUE(upper.contains(QRegularExpression("\\bINSIDE\\.TXT\\s+20\\b"))) << text;
    }
}

TEST_F(PrintCommandTest, EqualStoredValuesChooseNoListAndOkPrintsNothing) {
    m_store.Write("Dirs/Files List Print", "Print Dirs List", "1");
    m_store.Write("Dirs/Files List Print", "Print Files List", "1");
    Open("C:");
    Print(List::None);
    EXPECT_EQ(m_dialogs, 1);
    EXPECT_EQ(m_shownChoice, List::None);
    EXPECT_FALSE(Exists(m_pdf));
    EXPECT_TRUE(m_ui.StatusWindows().empty());
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Dirs List"), "0");
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Files List"), "0");
}

TEST_F(PrintCommandTest, CancelLeavesNoPdfAndCancelledDialogKeepsTheSettings) {
    for (int i = 0; i < 300; ++i)
        ::mkdir((m_c / ("D" + std::to_string(i))).c_str(), 0700);
    Open("C:");
    // Cancelled at the first page's check: no file, not even a partial one.
    m_ui.CancelNextStatusWindowAt(1);
    Print(List::Directories);
    EXPECT_FALSE(Exists(m_pdf));
    ASSERT_EQ(m_ui.StatusWindows().size(), 1u);
    EXPECT_TRUE(m_ui.StatusWindows()[0]->destroyed);
    // Cancel in the dialog: the values stay as read.
    m_accept = false;
    m_store.Write("Dirs/Files List Print", "Print Dirs List", "0");
    m_store.Write("Dirs/Files List Print", "Print Files List", "1");
    Print(List::Directories);
    EXPECT_FALSE(Exists(m_pdf));
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Dirs List"), "0");
    EXPECT_EQ(m_store.Read("Dirs/Files List Print", "Print Files List"), "1");
}

TEST_F(PrintCommandTest, PreviewShowsThePagesOfTheChosenList) {
    for (int i = 0; i < 150; ++i)
        ::mkdir((m_c / ("D" + std::to_string(i))).c_str(), 0700);
    Open("C:");
    m_preview = true;
    m_accept = false;
    Print(List::Directories);
    EXPECT_GE(m_previewPages, 2);
    // The empty file list of C:\OTHER: the message, no preview.
    m_previewPages = 0;
    Open("C:", "C:\\OTHER");
    Print(List::Files);
    EXPECT_EQ(m_previewPages, 0);
    EXPECT_TRUE(m_ui.Showed("There are no files in the list to print!"));
}

TEST_F(PrintCommandTest, AJobOnAWorkerThreadWritesTheSamePdf) {
    REQUIRE_PDFTOTEXT();
    Open("C:");
    m_ui.SetRunsJobsInline(false);
    m_list = List::Directories;
    Frame().RunCommand(kCmdPrint);
    ASSERT_TRUE(PumpUntil([&] { return Frame().Jobs().Idle(); }));
    std::vector<std::string> expected = {"C: - Page 1 of 1"};
    for (const auto& directory :
         Frame().ActiveFileManager()->Session().CurrentDrive()->Directories())
        expected.push_back(directory->Path());
    EXPECT_GE(expected.size(), 4u);
    EXPECT_EQ(Lines(PdfText(m_pdf)), expected);
}

} // namespace vorlane::gui::test
