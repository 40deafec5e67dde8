#include "gui/CTextViewer.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace vorlane::gui {

CMappedFileView::CMappedFileView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
}

bool CMappedFileView::Load(const std::string& hostPath, int* error) {
    Clear();
    if (!m_file.Open(hostPath, error))
        return false;
    // The scroll bar holds an int: big files scroll in steps of m_scale bytes.
    m_scale = std::max<uint64_t>(1, m_file.Size() / (INT_MAX / 2) + 1);
    return true;
}

bool CMappedFileView::FollowFile() {
    if (!m_file.Follow())
        return false;
    m_scale = std::max<uint64_t>(1, m_file.Size() / (INT_MAX / 2) + 1);
    FileChanged();
    return true;
}

void CMappedFileView::Clear() {
    m_file.Close();
    m_scale = 1;
    viewport()->update();
}

int CMappedFileView::LineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int CMappedFileView::VisibleRows() const {
    return std::max(1, viewport()->height() / LineHeight());
}

int CMappedFileView::ToBar(uint64_t offset) const {
    return static_cast<int>(offset / m_scale);
}

uint64_t CMappedFileView::FromBar(int value) const {
    return static_cast<uint64_t>(std::max(0, value)) * m_scale;
}

void CMappedFileView::SetBarRange(uint64_t last, int pageStep) {
    verticalScrollBar()->setRange(0, ToBar(last));
    verticalScrollBar()->setPageStep(std::max(1, pageStep));
}

// ---- text

CTextViewer::CTextViewer(QWidget* parent) : CMappedFileView(parent) {
    setObjectName("textViewer");
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance('0'));
}

bool CTextViewer::Load(const std::string& hostPath, int* error) {
    if (!CMappedFileView::Load(hostPath, error))
        return false;
    // The encoding follows the text where its start tells (a Latin-1 file
    // after a UTF-8 one shows its letters, not replacement marks; UTF-16
    // is read in its own units).
    constexpr uint64_t kSample = 64 * 1024;
    m_encoding = viewers::GuessTextEncoding(
        std::string_view(Data(), static_cast<size_t>(std::min(FileSize(), kSample))), m_encoding);
    m_layout = std::make_unique<viewers::TextLayout>(Data(), FileSize(), m_encoding);
    m_top = 0;
    UpdateBars();
    viewport()->update();
    return true;
}

void CTextViewer::Clear() {
    m_layout.reset();
    m_top = 0;
    CMappedFileView::Clear();
    UpdateBars();
}

void CTextViewer::SetEncoding(viewers::TextEncoding encoding) {
    const bool unitsChange = viewers::CodeUnitBytes(encoding) != viewers::CodeUnitBytes(m_encoding);
    m_encoding = encoding;
    // Between UTF-16 and a one-byte encoding the lines are other lines.
    if (unitsChange && m_layout)
        FileChanged();
    viewport()->update();
}

void CTextViewer::SetLineNumbers(bool on) {
    m_lineNumbers = on;
    viewport()->update();
}

void CTextViewer::FileChanged() {
    // The lines are found again over the new mapping; the top line stays
    // where it was when the file still reaches it.
    m_layout = std::make_unique<viewers::TextLayout>(Data(), FileSize(), m_encoding);
    m_top = FileSize() == 0 ? 0 : m_layout->LineStartOf(std::min(m_top, FileSize() - 1));
    UpdateBars();
    viewport()->update();
}

void CTextViewer::ScrollToOffset(uint64_t offset) {
    FollowFile();
    if (!m_layout)
        return;
    m_top = m_layout->LineStartOf(offset);
    UpdateBars();
    viewport()->update();
}

void CTextViewer::StepLines(int count) {
    FollowFile();
    if (!m_layout)
        return;
    for (; count > 0; --count) {
        const viewers::TextLine line = m_layout->LineAt(m_top);
        if (line.next >= m_layout->Size())
            break;
        m_top = line.next;
    }
    for (; count < 0; ++count)
        m_top = m_layout->PreviousLineStart(m_top);
    UpdateBars();
    viewport()->update();
}

void CTextViewer::UpdateBars() {
    m_settingBar = true;
    SetBarRange(FileSize() == 0 ? 0 : FileSize() - 1, VisibleRows() * 80);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setValue(ToBar(m_top));
    horizontalScrollBar()->setRange(0, static_cast<int>(viewers::TextLayout::kMaxLineBytes) *
                                           fontMetrics().horizontalAdvance('0'));
    horizontalScrollBar()->setPageStep(viewport()->width());
    m_settingBar = false;
}

std::vector<CTextViewer::PageRow> CTextViewer::PageRows() {
    FollowFile();
    std::vector<PageRow> rows;
    if (!m_layout)
        return rows;
    uint64_t at = m_top;
    // The number of the top line, then counted on as breaks pass.
    uint64_t number = m_lineNumbers ? m_layout->LineNumberAt(at) : 0;
    const int count = VisibleRows() + 1;
    for (int row = 0; row < count && at < m_layout->Size(); ++row) {
        const viewers::TextLine line = m_layout->LineAt(at);
        PageRow shown;
        shown.text = QString::fromStdString(viewers::DecodeLine(
            std::string_view(Data() + line.start, line.end - line.start), m_encoding));
        // A piece of a long line has no number of its own.
        const bool startsLine = row == 0 || m_layout->FollowsBreak(at);
        if (m_lineNumbers && startsLine)
            shown.number = QString::number(number);
        rows.push_back(std::move(shown));
        if (line.next != line.end)
            ++number;
        at = line.next;
    }
    return rows;
}

QStringList CTextViewer::VisibleLines() {
    QStringList lines;
    for (const PageRow& row : PageRows())
        lines << (m_lineNumbers ? row.number.rightJustified(7) + " " + row.text : row.text);
    return lines;
}

void CTextViewer::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().text().color());
    const int height = LineHeight();
    const int ascent = fontMetrics().ascent();
    const int dx = horizontalScrollBar()->value();
    const std::vector<PageRow> rows = PageRows();
    // The gutter holds seven digits and widens for the longest number on
    // the page, so a file past ten million lines keeps its numbers whole.
    int digits = 7;
    for (const PageRow& row : rows)
        digits = std::max(digits, static_cast<int>(row.number.size()));
    const int digit = fontMetrics().horizontalAdvance('0');
    const int gutter = m_lineNumbers ? digit * (digits + 1) : 0;
    int y = 0;
    for (const PageRow& row : rows) {
        if (m_lineNumbers) {
            painter.setPen(palette().placeholderText().color());
            painter.drawText(QRect(0, y, gutter - digit / 2, height), Qt::AlignRight | Qt::AlignTop,
                             row.number);
            painter.setPen(palette().text().color());
            painter.setClipRect(gutter, 0, viewport()->width() - gutter, viewport()->height());
            painter.drawText(gutter + 4 - dx, y + ascent, row.text);
            painter.setClipping(false);
        } else {
            painter.drawText(4 - dx, y + ascent, row.text);
        }
        y += height;
    }
}

void CTextViewer::resizeEvent(QResizeEvent* event) {
    CMappedFileView::resizeEvent(event);
    UpdateBars();
}

void CTextViewer::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        return StepLines(1);
    case Qt::Key_Up:
        return StepLines(-1);
    case Qt::Key_PageDown:
        return StepLines(VisibleRows() - 1);
    case Qt::Key_PageUp:
        return StepLines(-(VisibleRows() - 1));
    case Qt::Key_Home:
        return ScrollToOffset(0);
    case Qt::Key_End:
        ScrollToOffset(FileSize() == 0 ? 0 : FileSize() - 1);
        return StepLines(-(VisibleRows() - 1));
    default:
        CMappedFileView::keyPressEvent(event);
    }
}

void CTextViewer::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        StepLines(-3 * notches);
    event->accept();
}

void CTextViewer::scrollContentsBy(int dx, int dy) {
    if (dy != 0 && !m_settingBar && m_layout) {
        FollowFile();
        // A drag or a click on the bar: the line at that offset.
        m_top = m_layout->LineStartOf(FromBar(verticalScrollBar()->value()));
    }
    (void)dx;
    viewport()->update();
}

// ---- hex

CHexViewer::CHexViewer(QWidget* parent) : CMappedFileView(parent) {
    setObjectName("hexViewer");
}

bool CHexViewer::Load(const std::string& hostPath, int* error) {
    if (!CMappedFileView::Load(hostPath, error))
        return false;
    m_topRow = 0;
    UpdateBars();
    viewport()->update();
    return true;
}

void CHexViewer::Clear() {
    m_topRow = 0;
    CMappedFileView::Clear();
    UpdateBars();
}

void CHexViewer::FileChanged() {
    ScrollToRow(m_topRow);
}

void CHexViewer::ScrollToRow(uint64_t row) {
    FollowFile();
    const uint64_t rows = RowCount();
    m_topRow = rows == 0 ? 0 : std::min(row, rows - 1);
    UpdateBars();
    viewport()->update();
}

void CHexViewer::UpdateBars() {
    m_settingBar = true;
    // The bar counts bytes like the text viewer's (rows * 16), scaled alike.
    SetBarRange(RowCount() == 0 ? 0 : (RowCount() - 1) * 16, CMappedFileView::VisibleRows() * 16);
    verticalScrollBar()->setSingleStep(static_cast<int>(std::max<uint64_t>(1, 16 / m_scale)));
    verticalScrollBar()->setValue(ToBar(m_topRow * 16));
    horizontalScrollBar()->setRange(
        0, std::max(0, fontMetrics().horizontalAdvance(QString(80, '0')) - viewport()->width()));
    m_settingBar = false;
}

QStringList CHexViewer::ShownRows() {
    FollowFile();
    QStringList rows;
    const int count = CMappedFileView::VisibleRows() + 1;
    for (uint64_t row = m_topRow; row < RowCount() && rows.size() < count; ++row) {
        const uint64_t at = row * 16;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(16, FileSize() - at));
        rows << QString::fromStdString(viewers::HexRow(at, std::string_view(Data() + at, length)));
    }
    return rows;
}

void CHexViewer::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().text().color());
    int y = fontMetrics().ascent();
    const int dx = horizontalScrollBar()->value();
    for (const QString& row : ShownRows()) {
        painter.drawText(4 - dx, y, row);
        y += LineHeight();
    }
}

void CHexViewer::resizeEvent(QResizeEvent* event) {
    CMappedFileView::resizeEvent(event);
    UpdateBars();
}

void CHexViewer::keyPressEvent(QKeyEvent* event) {
    const uint64_t page = static_cast<uint64_t>(std::max(1, CMappedFileView::VisibleRows() - 1));
    switch (event->key()) {
    case Qt::Key_Down:
        return ScrollToRow(m_topRow + 1);
    case Qt::Key_Up:
        return ScrollToRow(m_topRow == 0 ? 0 : m_topRow - 1);
    case Qt::Key_PageDown:
        return ScrollToRow(m_topRow + page);
    case Qt::Key_PageUp:
        return ScrollToRow(m_topRow > page ? m_topRow - page : 0);
    case Qt::Key_Home:
        return ScrollToRow(0);
    case Qt::Key_End:
        return ScrollToRow(RowCount() > page ? RowCount() - page : 0);
    default:
        CMappedFileView::keyPressEvent(event);
    }
}

void CHexViewer::scrollContentsBy(int dx, int dy) {
    if (dy != 0 && !m_settingBar)
        m_topRow = FromBar(verticalScrollBar()->value()) / 16;
    (void)dx;
    viewport()->update();
}

} // namespace vorlane::gui
