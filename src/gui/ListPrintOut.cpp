#include "gui/ListPrintOut.h"

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveContainer.h"
#include "gui/ShownDosText.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <numeric>

namespace vorlane::gui {

// --- page arithmetic -------------------------------------------------------------

int DirsListPages::End(int page, int count) const {
    const long long end = static_cast<long long>(page) * bodyLines;
    return static_cast<int>(std::min<long long>(end, count));
}

DirsListPages PaginateDirsList(int pageHeight, int lineHeight, int count) {
    DirsListPages pages;
    pages.linesPerPage = std::max(0, pageHeight / lineHeight);
    pages.bodyLines = std::max(1, pages.linesPerPage - 2);
    pages.pageCount = count / pages.bodyLines + 1;
    return pages;
}

QFont ListPrintFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    // No ligatures: a PDF's text then reads back (and is found) letter by
    // letter ("fi", not the one glyph U+FB01).
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

PrintOutcome CListPrintOut::Print(QPagedPaintDevice& device, const PageProgress& progress) {
    m_pageCount = 0;
    QPainter painter;
    if (!painter.begin(&device))
        return PrintOutcome::Failed;
    painter.setFont(ListPrintFont());
    painter.setPen(Qt::black);
    const PrintOutcome outcome = PaintPages(painter, device, progress);
    painter.end();
    return outcome;
}

// --- directory list ----------------------------------------------------------------

CDirsListPrintOut::CDirsListPrintOut(const QString& driveName, QStringList paths)
    : CListPrintOut(kTitlePrefix + driveName), m_driveName(driveName), m_paths(std::move(paths)) {}

std::unique_ptr<CDirsListPrintOut>
CDirsListPrintOut::FromDrive(const catalogue::CDriveContainer& drive) {
    QStringList paths;
    paths.reserve(drive.DirectoryCount());
    for (const auto& directory : drive.Directories())
        paths << ShownDosText(directory->Path());
    return std::make_unique<CDirsListPrintOut>(ShownDosText(drive.Name()), std::move(paths));
}

QString CDirsListPrintOut::HeaderText(const QString& driveName, int page, int pageCount) {
    return QStringLiteral("%1 - Page %2 of %3 ").arg(driveName).arg(page).arg(pageCount);
}

PrintOutcome CDirsListPrintOut::PaintPages(QPainter& painter, QPagedPaintDevice& device,
                                           const PageProgress& progress) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing()); // height plus leading
    const int count = static_cast<int>(m_paths.size());
    const DirsListPages pages = PaginateDirsList(painter.viewport().height(), lineHeight, count);
    const int width = painter.viewport().width();
    m_pageCount = pages.pageCount;
    for (int page = 1; page <= pages.pageCount; ++page) {
        if (page > 1)
            device.newPage();
        const QString header = HeaderText(m_driveName, page, pages.pageCount);
        painter.drawText(0, metrics.ascent(), header);
        const int rule = metrics.height() / 2;
        painter.drawLine(metrics.horizontalAdvance(header), rule, width, rule);
        int y = 2 * lineHeight + metrics.ascent();
        for (int i = pages.First(page), end = pages.End(page, count); i < end; ++i) {
            painter.drawText(0, y, m_paths[i]);
            y += lineHeight;
        }
        if (progress && !progress(page, pages.pageCount))
            return PrintOutcome::Cancelled;
    }
    return PrintOutcome::Printed;
}

// --- file list ----------------------------------------------------------------

std::vector<int> FileListColumnWidths(const std::vector<int>& natural, std::vector<bool>& wraps,
                                      int gap, int pageWidth, int minWrap) {
    const int columns = static_cast<int>(natural.size());
    const long long gaps = static_cast<long long>(gap) * std::max(0, columns - 1);
    const long long total = std::accumulate(natural.begin(), natural.end(), 0LL) + gaps;
    if (total <= pageWidth)
        return natural;
    std::vector<int> widths = natural;
    long long fixed = gaps, wrapNatural = 0;
    int wrapping = 0;
    for (int c = 0; c < columns; ++c) {
        if (wraps[c]) {
            wrapNatural += natural[c];
            ++wrapping;
        } else {
            fixed += natural[c];
        }
    }
    const long long left = pageWidth - fixed;
    if (wrapping > 0 && left >= static_cast<long long>(minWrap) * wrapping) {
        // Each wrapping column gets its share, at least minWrap; the shares
        // above minWrap shrink together until the sum fits.
        long long spare = left - static_cast<long long>(minWrap) * wrapping;
        long long overMin = 0;
        for (int c = 0; c < columns; ++c)
            if (wraps[c])
                overMin += std::max(0, natural[c] - minWrap);
        for (int c = 0; c < columns; ++c)
            if (wraps[c]) {
                const long long over = std::max(0, natural[c] - minWrap);
                widths[c] = minWrap + static_cast<int>(overMin ? over * spare / overMin : 0);
            }
        return widths;
    }
    // Too narrow even for that: every column takes its share of the page.
    const long long room = std::max(1LL, pageWidth - gaps);
    const long long sum = std::max(1LL, total - gaps);
    for (int c = 0; c < columns; ++c) {
        widths[c] = std::max(1, static_cast<int>(natural[c] * room / sum));
        wraps[c] = true;
    }
    return widths;
}

QString CFilesListPrintOut::TitleFor(const std::string& directoryPath, bool zipDirectory) {
    return (zipDirectory ? kZipTitle : kDirectoryTitle) + ShownDosText(directoryPath);
}

QString CFilesListPrintOut::FooterText(int page) {
    return QStringLiteral("Page %1").arg(page);
}

CFilesListPrintOut::CFilesListPrintOut(QString title, FileListTable table)
    : CListPrintOut(std::move(title)), m_table(std::move(table)) {
    const size_t columns = static_cast<size_t>(m_table.captions.size());
    m_table.rightAligned.resize(columns, false);
    m_table.wraps.resize(columns, false);
}

PrintOutcome CFilesListPrintOut::PaintPages(QPainter& painter, QPagedPaintDevice& device,
                                            const PageProgress& progress) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const QRect page = painter.viewport();
    const int headerHeight = 3 * lineHeight;
    const int footerTop = page.height() - 3 * lineHeight;
    const int gap = metrics.horizontalAdvance(QStringLiteral("   "));
    const int columns = static_cast<int>(m_table.captions.size());

    // Column widths from the widest text of each column.
    std::vector<int> natural(columns, 0);
    for (int c = 0; c < columns; ++c)
        natural[c] = metrics.horizontalAdvance(m_table.captions[c]);
    for (const QStringList& row : m_table.rows)
        for (int c = 0; c < columns && c < row.size(); ++c)
            natural[c] = std::max(natural[c], metrics.horizontalAdvance(row[c]));
    std::vector<bool> wraps = m_table.wraps;
    const std::vector<int> widths = FileListColumnWidths(
        natural, wraps, gap, page.width(), metrics.horizontalAdvance(QStringLiteral("MMMMMMMM")));
    std::vector<int> left(columns, 0);
    for (int c = 1; c < columns; ++c)
        left[c] = left[c - 1] + widths[c - 1] + gap;

    // A cell wraps only when its text is wider than its column; the height
    // of a row is one line unless such a cell needs more.
    auto wrapsCell = [&](int c, const QString& text) {
        return wraps[c] && metrics.horizontalAdvance(text) > widths[c];
    };
    auto rowHeight = [&](const QStringList& row) {
        int height = lineHeight;
        for (int c = 0; c < columns && c < row.size(); ++c)
            if (natural[c] > widths[c] && wrapsCell(c, row[c])) {
                const QRect needed = metrics.boundingRect(QRect(0, 0, widths[c], INT_MAX / 2),
                                                          Qt::TextWrapAnywhere, row[c]);
                height =
                    std::max(height, (needed.height() + lineHeight - 1) / lineHeight * lineHeight);
            }
        return height;
    };
    // The captions and a rule open the body of every page; the rows follow.
    const int rowsTop = headerHeight + lineHeight + lineHeight / 3;
    const int room = std::max(lineHeight, footerTop - rowsTop);
    std::vector<int> heights;
    heights.reserve(m_table.rows.size());
    std::vector<size_t> pageStarts = {0};
    int used = 0;
    for (size_t r = 0; r < m_table.rows.size(); ++r) {
        heights.push_back(rowHeight(m_table.rows[r]));
        if (used > 0 && used + heights.back() > room) {
            pageStarts.push_back(r);
            used = 0;
        }
        used += heights.back();
    }
    m_pageCount = static_cast<int>(pageStarts.size());

    auto drawCell = [&](int c, int y, int height, const QString& text) {
        const int align =
            c < static_cast<int>(m_table.rightAligned.size()) && m_table.rightAligned[c]
                ? Qt::AlignRight
                : Qt::AlignLeft;
        const int wrap = wrapsCell(c, text) ? Qt::TextWrapAnywhere : 0;
        painter.drawText(QRect(left[c], y, widths[c], height), align | Qt::AlignTop | wrap, text);
    };
    for (int p = 0; p < m_pageCount; ++p) {
        if (p > 0)
            device.newPage();
        painter.drawText(0, metrics.ascent(), Title());
        for (int c = 0; c < columns; ++c)
            drawCell(c, headerHeight, lineHeight, m_table.captions[c]);
        const int rule = headerHeight + lineHeight + lineHeight / 6;
        painter.drawLine(0, rule, page.width(), rule);
        const size_t end =
            p + 1 < m_pageCount ? pageStarts[static_cast<size_t>(p) + 1] : m_table.rows.size();
        int y = rowsTop;
        for (size_t r = pageStarts[static_cast<size_t>(p)]; r < end; ++r) {
            const QStringList& row = m_table.rows[r];
            for (int c = 0; c < columns && c < row.size(); ++c)
                drawCell(c, y, heights[r], row[c]);
            y += heights[r];
        }
        const QString footer = FooterText(p + 1);
        painter.drawText((page.width() - metrics.horizontalAdvance(footer)) / 2,
                         footerTop + 2 * lineHeight + metrics.ascent(), footer);
        if (progress && !progress(p + 1, m_pageCount))
            return PrintOutcome::Cancelled;
    }
    return PrintOutcome::Printed;
}

} // namespace vorlane::gui
