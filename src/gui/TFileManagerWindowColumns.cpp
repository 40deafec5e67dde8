// The columns of a file manager window's details view: which ones show,
// their widths, and the layouts kept per drive letter.
#include "gui/TFileManagerWindow.h"

#include "catalogue/CDisplaySettings.h"
#include "catalogue/CatalogueTypes.h"
#include "gui/CFileListModel.h"
#include "gui/WindowSettings.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace vorlane::gui {

namespace {

// The width of a detail column: its widest usual text and a margin.
int ColumnWidth(CFileListModel::Column column, const QFontMetrics& metrics) {
    const char* sample = "Description of the file";
    switch (column) {
    case CFileListModel::kSize:
        sample = "9,999,999,999";
        break;
    case CFileListModel::kDate:
        sample = "12-31-99";
        break;
    case CFileListModel::kTime:
        sample = "12:59p";
        break;
    case CFileListModel::kAttributes:
        sample = "R.H.S.A..";
        break;
    case CFileListModel::kType:
        sample = "Spreadsheet document";
        break;
    case CFileListModel::kZipDateTime:
        sample = "12-31-99 12:59p";
        break;
    case CFileListModel::kZipRatio:
        sample = "Ratio -100";
        break;
    case CFileListModel::kZipMethod:
        sample = "Reduced 4 Method";
        break;
    default:
        break;
    }
    return metrics.horizontalAdvance(QString::fromLatin1(sample)) + 24;
}

} // namespace

bool TFileManagerWindow::ShowsZipList() const {
    catalogue::CDirectoryContainer* current = m_session.CurrentDirectory();
    return current && current->IsZip();
}

std::vector<ColumnSpec> TFileManagerWindow::ColumnLayout() const {
    std::vector<ColumnSpec> layout;
    QHeaderView* header = m_details->header();
    for (int visual = 0; visual < header->count(); ++visual) {
        int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= m_fileModel->columnCount())
            continue;
        layout.push_back(
            {static_cast<int>(m_fileModel->ColumnAt(logical)),
             std::clamp(header->sectionSize(logical), kMinColumnWidth, kMaxColumnWidth)});
    }
    return layout;
}

void TFileManagerWindow::RememberColumnLayout() {
    if (!m_columnsZip)
        return;
    std::vector<ColumnSpec> shown = ColumnLayout();
    if (!shown.empty())
        (*m_columnsZip ? m_zipLayout : m_fileLayout) = shown;
}

void TFileManagerWindow::ApplyColumns() {
    const bool zip = ShowsZipList();
    const catalogue::CDisplaySettings& settings = m_session.DisplaySettings();
    std::vector<int> wanted =
        zip ? CFileListModel::ZipColumns(settings.zipDisplayDetails)
            : CFileListModel::PlainColumns(settings.fileDisplayDetails,
                                           m_session.Environment().Options().fourDosDescriptions);
    if (m_columnsZip == zip && wanted == m_columnsWanted) {
        m_fileModel->Reset();
        return;
    }
    RememberColumnLayout();
    m_columnsZip = zip;
    m_columnsWanted = wanted;
    std::vector<ColumnSpec> columns = ArrangeColumns(wanted, zip ? m_zipLayout : m_fileLayout);
    std::vector<int> ids;
    for (const ColumnSpec& c : columns)
        ids.push_back(c.id);
    m_fileModel->SetColumns(ids, zip);
    QHeaderView* header = m_details->header();
    // The model's order is the display order: undo moves of the last list.
    for (int logical = 0; logical < header->count(); ++logical)
        if (header->visualIndex(logical) != logical)
            header->moveSection(header->visualIndex(logical), logical);
    QFontMetrics metrics(m_details->font());
    for (int section = 0; section < static_cast<int>(columns.size()); ++section) {
        int width = columns[static_cast<size_t>(section)].width;
        CFileListModel::Column column = m_fileModel->ColumnAt(section);
        if (width <= 0 && column == CFileListModel::kName) {
            // The name column fits the longest name of the first
            // screenful; the rest of a large list is not measured.
            width = 180;
            int rows = std::min(m_fileModel->rowCount(), 200);
            for (int row = 0; row < rows; ++row)
                width = std::max(
                    width,
                    metrics.horizontalAdvance(m_fileModel->index(row, 0).data().toString()) + 48);
            width = std::min(width, 400);
        } else if (width <= 0) {
            width = ColumnWidth(column, metrics);
        }
        header->resizeSection(section, width);
    }
}

void TFileManagerWindow::LoadColumnLayouts(char letter) {
    if (m_layoutLetter != 0) {
        RememberColumnLayout();
        SaveColumnLayouts();
    }
    m_layoutLetter = letter;
    CSettingsStore& store = SettingsStore();
    m_fileLayout = ParseColumnLayout(store.Read(kGeneralSection, FileColumnsKey(letter)))
                       .value_or(std::vector<ColumnSpec>());
    m_zipLayout = ParseColumnLayout(store.Read(kGeneralSection, ZipColumnsKey(letter)))
                      .value_or(std::vector<ColumnSpec>());
    m_columnsZip.reset(); // choose the columns again with these layouts
    m_columnsWanted.clear();
}

void TFileManagerWindow::SaveColumnLayouts() {
    if (m_layoutLetter == 0)
        return;
    RememberColumnLayout();
    const catalogue::CDisplaySettings& settings = m_session.DisplaySettings();
    QFontMetrics metrics(m_details->font());
    // A list never shown keeps its stored layout, or takes the defaults.
    auto complete = [&](const std::vector<ColumnSpec>& layout, const std::vector<int>& wanted) {
        std::vector<ColumnSpec> columns = ArrangeColumns(wanted, layout);
        for (ColumnSpec& c : columns)
            if (c.width <= 0)
                c.width = ColumnWidth(static_cast<CFileListModel::Column>(c.id), metrics);
        // Columns the bits leave out keep their place for when they return.
        for (const ColumnSpec& c : layout)
            if (std::none_of(columns.begin(), columns.end(),
                             [&](const ColumnSpec& k) { return k.id == c.id; }))
                columns.push_back(c);
        return columns;
    };
    CSettingsStore& store = SettingsStore();
    // The habitab in force, for the next window that shows this letter.
    store.Write(kGeneralSection, ActiveTabKey(m_layoutLetter), settings.name.substr(0, 255));
    store.Write(kGeneralSection, FileColumnsKey(m_layoutLetter),
                FormatColumnLayout(complete(
                    m_fileLayout, CFileListModel::PlainColumns(
                                      settings.fileDisplayDetails,
                                      m_session.Environment().Options().fourDosDescriptions))));
    store.Write(kGeneralSection, ZipColumnsKey(m_layoutLetter),
                FormatColumnLayout(
                    complete(m_zipLayout, CFileListModel::ZipColumns(settings.zipDisplayDetails))));
}

namespace {

// The sort command a column's header gives (0: the column sorts nothing).
int SortCommandOf(CFileListModel::Column column) {
    switch (column) {
    case CFileListModel::kName:
        return catalogue::kCmdSortByFilename;
    case CFileListModel::kType:
        return catalogue::kCmdSortByExtension;
    case CFileListModel::kSize:
        return catalogue::kCmdSortBySize;
    case CFileListModel::kDate:
    case CFileListModel::kTime:
    case CFileListModel::kZipDateTime:
        return catalogue::kCmdSortByDate;
    default:
        return 0;
    }
}

// The ascending sort method of a sort command.
int MethodOf(int command) {
    switch (command) {
    case catalogue::kCmdSortByFilename:
        return catalogue::kSortMethodName;
    case catalogue::kCmdSortByExtension:
        return catalogue::kSortMethodExtension;
    case catalogue::kCmdSortBySize:
        return catalogue::kSortMethodSize;
    case catalogue::kCmdSortByDate:
        return catalogue::kSortMethodDate;
    default:
        return 0;
    }
}

constexpr int kDescending = catalogue::kSortMethodNameDescending - catalogue::kSortMethodName;

} // namespace

void TFileManagerWindow::SortByColumn(int section) {
    if (section < 0 || section >= static_cast<int>(m_fileModel->Columns().size()))
        return;
    const int command = SortCommandOf(m_fileModel->ColumnAt(section));
    if (command == 0) {
        ShowSortIndicator(); // the header flipped its arrow: put it back
        return;
    }
    // The same key again turns the order round; another key starts ascending.
    const bool descending = m_session.DisplaySettings().sortMethod == MethodOf(command);
    m_session.RunSortCommand(command, descending);
    ShowSortIndicator();
}

void TFileManagerWindow::ShowSortIndicator() {
    QHeaderView* header = m_details->header();
    const int method = m_session.DisplaySettings().sortMethod;
    const bool descending = method >= catalogue::kSortMethodNameDescending &&
                            method <= catalogue::kSortMethodDateDescending;
    const int ascending = descending ? method - kDescending : method;
    const std::vector<CFileListModel::Column>& columns = m_fileModel->Columns();
    for (size_t section = 0; section < columns.size(); ++section) {
        if (MethodOf(SortCommandOf(columns[section])) == ascending && ascending != 0) {
            header->setSortIndicator(static_cast<int>(section),
                                     descending ? Qt::DescendingOrder : Qt::AscendingOrder);
            return;
        }
    }
    header->setSortIndicator(-1, Qt::AscendingOrder); // no column gives this order
}

} // namespace vorlane::gui
