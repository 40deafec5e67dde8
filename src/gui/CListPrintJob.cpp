#include "gui/CListPrintJob.h"

#include "catalogue/CDirectoryContainer.h"
#include "gui/CFileListModel.h"
#include "gui/ShownDosText.h"
#include "gui/TFileManagerWindow.h"
#include "platform/DosPath.h"
#include "ui/UserInterface.h"

#include <QHeaderView>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTreeView>

#include <cstdio>

namespace vorlane::gui {

namespace {

// The columns whose text may be long: they wrap rather than being cut.
bool WrapsColumn(CFileListModel::Column column) {
    switch (column) {
    case CFileListModel::kName:
    case CFileListModel::kType:
    case CFileListModel::kPath:
    case CFileListModel::kDescription:
    case CFileListModel::kZipRelativePath:
        return true;
    default:
        return false;
    }
}

// The columns that hold names: shown as the windows show names.
bool NameColumn(CFileListModel::Column column) {
    return column == CFileListModel::kName || column == CFileListModel::kPath ||
           column == CFileListModel::kZipRelativePath;
}

} // namespace

FileListTable FileListSnapshot(TFileManagerWindow& window) {
    FileListTable table;
    const CFileListModel& model = *window.FileModel();
    const QHeaderView* header = window.DetailsView()->header();
    std::vector<int> sections;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int section = header->logicalIndex(visual);
        if (section >= 0 && section < model.columnCount() && !header->isSectionHidden(section))
            sections.push_back(section);
    }
    if (sections.empty()) // a header not set up yet: the model's order
        for (int section = 0; section < model.columnCount(); ++section)
            sections.push_back(section);
    for (int section : sections) {
        const CFileListModel::Column column = model.ColumnAt(section);
        table.captions << model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
        const QVariant align = model.data(model.index(0, section), Qt::TextAlignmentRole);
        table.rightAligned.push_back(align.isValid() &&
                                     (align.toInt() & Qt::AlignRight) == Qt::AlignRight);
        table.wraps.push_back(WrapsColumn(column));
    }
    const int rows = model.rowCount();
    table.rows.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        QStringList cells;
        cells.reserve(static_cast<qsizetype>(sections.size()));
        for (int section : sections) {
            const QString text = model.data(model.index(row, section), Qt::DisplayRole).toString();
            cells << (NameColumn(model.ColumnAt(section)) ? ShownDosText(text.toStdString())
                                                          : text);
        }
        table.rows.push_back(std::move(cells));
    }
    return table;
}

std::unique_ptr<CListPrintOut> MakeListPrintOut(TFileManagerWindow& window,
                                                CPrintDirsFilesListParameters::List list) {
    using List = CPrintDirsFilesListParameters::List;
    const catalogue::CFileManagerSession& session = window.Session();
    if (list == List::Directories) {
        if (!session.CurrentDrive())
            return nullptr;
        return CDirsListPrintOut::FromDrive(*session.CurrentDrive());
    }
    if (list != List::Files)
        return nullptr;
    const catalogue::CDirectoryContainer* current = session.CurrentDirectory();
    const bool zip = current && current->IsZip();
    return std::make_unique<CFilesListPrintOut>(
        CFilesListPrintOut::TitleFor(session.CurrentDirectoryPath(), zip),
        FileListSnapshot(window));
}

bool PdfHostPath(const std::string& typed, const platform::DriveMap& drives, std::string* host) {
    if (!typed.empty() && typed[0] == '/') {
        *host = typed;
        return true;
    }
    return platform::DosToHost(typed, host, nullptr, drives);
}

// --- the job ---------------------------------------------------------------------

CListPrintJob::CListPrintJob(std::unique_ptr<CListPrintOut> printOut, std::string pdfHostPath,
                             QPageLayout layout)
    : m_printOut(std::move(printOut)), m_pdfPath(std::move(pdfHostPath)),
      m_layout(std::move(layout)) {}

CListPrintJob::CListPrintJob(std::unique_ptr<CListPrintOut> printOut,
                             std::shared_ptr<QPrinter> printer)
    : m_printOut(std::move(printOut)), m_printer(std::move(printer)) {}

CListPrintJob::~CListPrintJob() = default;

std::string CListPrintJob::Title() const {
    return m_printOut->Title().toStdString();
}

ui::JobResult CListPrintJob::Run(ui::OperationContext& context) {
    ui::JobResult result;
    std::unique_ptr<ui::StatusWindow> status =
        context.Ui().MakeStatusWindow(ui::StatusKind::Message, Title());
    auto progress = [&](int page, int pageCount) {
        char text[64];
        std::snprintf(text, sizeof text, kPageText, page, pageCount);
        status->SetCurrentMessage(text);
        status->SetCurrentPercent(static_cast<int>(100LL * page / pageCount));
        if (!status->Cancelled() && !context.Cancelled())
            return true;
        if (m_printer)
            m_printer->abort();
        return false;
    };
    PrintOutcome outcome;
    if (m_printer) {
        m_printer->setDocName(m_printOut->Title());
        outcome = m_printOut->Print(*m_printer, progress);
        if (outcome == PrintOutcome::Failed)
            context.Ui().Message("The printer " + m_printer->printerName().toStdString() +
                                 " cannot print.");
    } else {
        result = PrintToPdf(context, progress);
        outcome = !result.ok         ? PrintOutcome::Failed
                  : result.cancelled ? PrintOutcome::Cancelled
                                     : PrintOutcome::Printed;
    }
    result.ok = outcome != PrintOutcome::Failed;
    result.cancelled = outcome == PrintOutcome::Cancelled;
    if (outcome == PrintOutcome::Printed)
        result.summary = std::to_string(PageCount()) + " pages printed";
    return result;
}

ui::JobResult CListPrintJob::PrintToPdf(ui::OperationContext& context,
                                        const PageProgress& progress) {
    ui::JobResult result;
    auto failed = [&](const QString& why) {
        context.Ui().Message("Cannot write the PDF file " + m_pdfPath + ": " + why.toStdString());
        result.ok = false;
        return result;
    };
    QSaveFile file(QString::fromStdString(m_pdfPath));
    if (!file.open(QIODevice::WriteOnly))
        return failed(file.errorString());
    PrintOutcome outcome;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(m_layout);
        writer.setResolution(300);
        writer.setTitle(m_printOut->Title());
        writer.setCreator(QStringLiteral("Vorlane"));
        outcome = m_printOut->Print(writer, progress);
    }
    if (outcome == PrintOutcome::Cancelled) {
        file.cancelWriting();
        result.cancelled = true;
        return result;
    }
    if (outcome == PrintOutcome::Failed || !file.commit())
        return failed(file.errorString());
    return result;
}

} // namespace vorlane::gui
