// The two printed lists of a file manager window: the directory list of its
// drive (CDirsListPrintOut) and the file list of its current directory
// (CFilesListPrintOut).
//
// A print-out holds a snapshot of the text it prints, taken on the GUI
// thread (the catalogue and the windows live there); Print() touches
// nothing else, so it may run on a worker thread against a QPdfWriter or a
// QPrinter (Qt paints on both off the GUI thread), or on the GUI thread
// for the preview.
//
// Both lists use one font: 10-point sans (the old program asked for "Arial"
// of height 50 in the units of a 300-dpi printer, which is about that).
//
// Directory list page, in lines of that font:
//   line 0      "%s - Page %d of %d " (drive name, page, page count) at the
//               top left, then a rule from the end of that text to the
//               right edge, at half the text's height
//   line 1      empty
//   lines 2..   one directory's full path a line
// The page arithmetic is PaginateDirsList (below).
//
// File list page: a header area and a footer area three lines high each;
// the title at the top left of the header, "Page %d" centred on the third
// line of the footer. The body is a table of the window's shown columns,
// their captions on top of every page; cells of the long columns (name,
// type, paths, description) wrap onto more lines when the page is too
// narrow, so nothing is ever cut off.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace vorlane::catalogue {
class CDriveContainer;
}

namespace vorlane::gui {

// The directory list's pages. Lines per page is the page height over the
// line height; the header line and the empty line under it take two of
// them, so the body holds the rest (at least one line, so a tiny page
// still makes progress). Page p (from 1) holds the entries from
// (p - 1) * bodyLines on, at most bodyLines of them. The page count is
// count / bodyLines + 1: every entry is printed, and a list that exactly
// fills its pages (an empty list too) ends with a page that has the header
// only, as the program always printed it.
struct DirsListPages {
    int linesPerPage = 0;
    int bodyLines = 0;
    int pageCount = 0;

    // The first entry of a page (1-based) and one past its last.
    int First(int page) const { return (page - 1) * bodyLines; }
    int End(int page, int count) const;
};
// REQUIRES: lineHeight > 0, count >= 0.
DirsListPages PaginateDirsList(int pageHeight, int lineHeight, int count);

// The font of both lists.
QFont ListPrintFont();

enum class PrintOutcome { Printed, Cancelled, Failed };
// Told after each page (from 1) of pageCount is painted; false stops the
// print after that page.
using PageProgress = std::function<bool(int page, int pageCount)>;

class CListPrintOut {
  public:
    virtual ~CListPrintOut() = default;
    CListPrintOut(const CListPrintOut&) = delete;
    CListPrintOut& operator=(const CListPrintOut&) = delete;

    // The job's title, the document name of the printer or the PDF file.
    const QString& Title() const { return m_title; }
    // True when there is nothing to print (the file list refuses then).
    virtual bool Empty() const = 0;
    // Paints every page on device; Failed when the painter cannot begin on
    // it (a printer that cannot print, a file that cannot be written).
    PrintOutcome Print(QPagedPaintDevice& device, const PageProgress& progress = {});
    // The pages the last Print laid out.
    int PageCount() const { return m_pageCount; }

  protected:
    explicit CListPrintOut(QString title) : m_title(std::move(title)) {}
    // Lays out and paints the pages with the painter begun on device and
    // the list font set; sets m_pageCount before the first page.
    virtual PrintOutcome PaintPages(QPainter& painter, QPagedPaintDevice& device,
                                    const PageProgress& progress) = 0;

    int m_pageCount = 0;

  private:
    QString m_title;
};

class CDirsListPrintOut : public CListPrintOut {
  public:
    static constexpr const char* kTitlePrefix = "Directory List of Drive ";

    // driveName as the drive container gives it ("C:", or an archive
    // drive's zip path); paths in the drive's order.
    CDirsListPrintOut(const QString& driveName, QStringList paths);
    // The snapshot of a drive's directories, as the windows show them.
    // GUI thread.
    static std::unique_ptr<CDirsListPrintOut> FromDrive(const catalogue::CDriveContainer& drive);

    // "C: - Page 2 of 7 ".
    static QString HeaderText(const QString& driveName, int page, int pageCount);
    bool Empty() const override { return false; } // a drive always has its root
    const QStringList& Paths() const { return m_paths; }

  protected:
    PrintOutcome PaintPages(QPainter& painter, QPagedPaintDevice& device,
                            const PageProgress& progress) override;

  private:
    QString m_driveName;
    QStringList m_paths;
};

// The text of a file list as the window shows it: the captions of the
// shown columns in their order and every row's cells.
struct FileListTable {
    QStringList captions;
    std::vector<bool> rightAligned; // numbers: right-aligned in their column
    std::vector<bool> wraps;        // long text: wrapped when the page is narrow
    std::vector<QStringList> rows;
};

// The widths of the file list's columns: their natural widths (the widest
// cell or caption) when they fit the page width with gap between columns;
// else the columns that do not wrap keep theirs and the wrapping ones share
// what is left in proportion to their natural widths (at least minWrap
// each). When even that does not fit, every column shares the page in
// proportion, and wraps (wraps is set for every column then).
std::vector<int> FileListColumnWidths(const std::vector<int>& natural, std::vector<bool>& wraps,
                                      int gap, int pageWidth, int minWrap);

class CFilesListPrintOut : public CListPrintOut {
  public:
    static constexpr const char* kDirectoryTitle = "Files in Directory ";
    static constexpr const char* kZipTitle = "Files in ZIP File ";
    static constexpr const char* kNoFilesText = "There are no files in the list to print!";

    // "Files in ZIP File " (zip directories) or "Files in Directory ",
    // then the directory's path as the windows show it.
    static QString TitleFor(const std::string& directoryPath, bool zipDirectory);
    static QString FooterText(int page); // "Page 3"

    CFilesListPrintOut(QString title, FileListTable table);
    bool Empty() const override { return m_table.rows.empty(); }
    const FileListTable& Table() const { return m_table; }

  protected:
    PrintOutcome PaintPages(QPainter& painter, QPagedPaintDevice& device,
                            const PageProgress& progress) override;

  private:
    FileListTable m_table;
};

} // namespace vorlane::gui
