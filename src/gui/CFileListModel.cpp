#include "gui/CFileListModel.h"

#include "catalogue/CFileContainer.h"
#include "catalogue/CFileManagerSession.h"
#include "catalogue/CatalogueTypes.h"
#include "catalogue/SizeFormat.h"
#include "gui/FileIcons.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace vorlane::gui {

using catalogue::CFileContainer;

CFileListModel::CFileListModel(catalogue::CFileManagerSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session) {
    SetDetails(session.DisplaySettings().fileDisplayDetails);
}

void CFileListModel::SetDetails(uint32_t bits) {
    beginResetModel();
    m_columns = {kName};
    if (bits & catalogue::kLineSize)
        m_columns.push_back(kSize);
    if (bits & catalogue::kLineDateTime) {
        m_columns.push_back(kDate);
        m_columns.push_back(kTime);
    }
    if (bits & catalogue::kLineAttributes)
        m_columns.push_back(kAttributes);
    if (bits & catalogue::kLineTypeName)
        m_columns.push_back(kType);
    if (bits & catalogue::kLinePath)
        m_columns.push_back(kPath);
    if (bits & catalogue::kLineDescription)
        m_columns.push_back(kDescription);
    endResetModel();
}

void CFileListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void CFileListModel::RowsChanged() {
    int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
}

CFileContainer* CFileListModel::FileAt(int row) const {
    return m_session.File(row);
}

int CFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_session.FileCount();
}

int CFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CFileListModel::Text(const CFileContainer& file, Column column) const {
    switch (column) {
    case kName:
        return QString::fromStdString(file.Name());
    case kSize:
        return QString::fromStdString(catalogue::FormatCount(file.Size(), 19));
    case kDate:
        return QString::fromStdString(CFileContainer::DateText(file.Date()));
    case kTime:
        return QString::fromStdString(CFileContainer::TimeText(file.Time()));
    case kAttributes:
        return QString::fromStdString(file.AttributeText());
    case kType:
        return QString::fromStdString(file.TypeName());
    case kPath:
        return QString::fromStdString(file.DirectoryPath());
    case kDescription:
        return QString::fromStdString(file.Description());
    }
    return {};
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount())
        return {};
    const CFileContainer* file = FileAt(index.row());
    if (!file)
        return {};
    Column column = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return Text(*file, column);
    case Qt::DecorationRole:
        if (column == kName)
            return FileIcon(*file);
        return {};
    case Qt::TextAlignmentRole:
        if (column == kSize)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::FontRole:
        if (file->Tagged()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ForegroundRole:
        if (file->Tagged())
            return QBrush(QColor(0xB0, 0x00, 0x00));
        if (!file->Shown())
            return QBrush(Qt::gray);
        return {};
    default:
        return {};
    }
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    static const char* const kTitles[] = {"Name", "Size", "Date", "Time",
                                          "Attr", "Type", "Path", "Description"};
    return QString(kTitles[m_columns[section]]);
}

} // namespace vorlane::gui
