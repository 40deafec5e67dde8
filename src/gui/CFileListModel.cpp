#include "gui/CFileListModel.h"

#include "catalogue/CFileContainer.h"
#include "catalogue/CFileManagerSession.h"
#include "catalogue/CZipFileInfo.h"
#include "catalogue/CatalogueTypes.h"
#include "catalogue/SizeFormat.h"
#include "gui/FileIcons.h"
#include "platform/DosPath.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QMimeData>
#include <QUrl>

#include <set>

namespace vorlane::gui {

using catalogue::CFileContainer;

CFileListModel::CFileListModel(catalogue::CFileManagerSession& session, QObject* parent)
    : QAbstractTableModel(parent), m_session(session) {
    SetDetails(session.DisplaySettings().fileDisplayDetails);
}

std::vector<int> CFileListModel::PlainColumns(uint32_t bits, bool descriptions) {
    std::vector<int> columns = {kName};
    if (bits & catalogue::kLineSize)
        columns.push_back(kSize);
    if (bits & catalogue::kLineDateTime) {
        columns.push_back(kDate);
        columns.push_back(kTime);
    }
    if (bits & catalogue::kLineAttributes)
        columns.push_back(kAttributes);
    if (bits & catalogue::kLineTypeName)
        columns.push_back(kType);
    if (bits & catalogue::kLinePath)
        columns.push_back(kPath);
    if ((bits & catalogue::kLineDescription) || descriptions)
        columns.push_back(kDescription);
    return columns;
}

std::vector<int> CFileListModel::ZipColumns(uint32_t bits) {
    // The order of the member's listing line.
    std::vector<int> columns = {kName};
    if (bits & catalogue::kZipListSize)
        columns.push_back(kSize);
    if (bits & catalogue::kZipListDateTime)
        columns.push_back(kZipDateTime);
    if (bits & catalogue::kZipListAttributes)
        columns.push_back(kAttributes);
    if (bits & catalogue::kZipListRatio)
        columns.push_back(kZipRatio);
    if (bits & catalogue::kZipListMethod)
        columns.push_back(kZipMethod);
    if (bits & catalogue::kZipListRelativePath)
        columns.push_back(kZipRelativePath);
    return columns;
}

bool CFileListModel::IsZipColumn(int id) {
    return id >= kZipDateTime && id <= kZipRelativePath;
}

QString CFileListModel::Caption(Column column, bool zipList) {
    if (zipList) {
        // The texts of the zip details page, without their access keys.
        switch (column) {
        case kName:
            return "Filename";
        case kSize:
            return "File Size";
        case kAttributes:
            return "Attributes";
        default:
            break;
        }
    }
    switch (column) {
    case kName:
        return "Name";
    case kSize:
        return "Size";
    case kDate:
        return "Date";
    case kTime:
        return "Time";
    case kAttributes:
        return "Attr";
    case kType:
        return "Type";
    case kPath:
        return "Path";
    case kDescription:
        return "Description";
    case kZipDateTime:
        return "Creation Date/Time";
    case kZipRatio:
        return "ZIP Ratio";
    case kZipMethod:
        return "ZIP Method";
    case kZipRelativePath:
        return "Path (Relative Path)";
    }
    return {};
}

void CFileListModel::SetDetails(uint32_t bits) {
    SetColumns(PlainColumns(bits, false));
}

void CFileListModel::SetColumns(const std::vector<int>& columns, bool zipList) {
    beginResetModel();
    m_zipList = zipList;
    m_columns.clear();
    for (int id : columns)
        if (IsColumn(id))
            m_columns.push_back(static_cast<Column>(id));
    if (m_columns.empty())
        m_columns.push_back(kName);
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
    const auto* member = dynamic_cast<const catalogue::CZipFileInfo*>(&file);
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
        if (member)
            return QString::fromStdString(member->AttributeLetters());
        return QString::fromStdString(file.AttributeText());
    case kType:
        return QString::fromStdString(file.TypeName());
    case kPath:
        return QString::fromStdString(file.DirectoryPath());
    case kDescription:
        return QString::fromStdString(file.Description());
    case kZipDateTime:
        return QString::fromStdString(CFileContainer::DateText(file.Date()) + " " +
                                      CFileContainer::TimeText(file.Time()));
    case kZipRatio:
        return member ? QString::number(member->Ratio()) : QString();
    case kZipMethod:
        return member ? QString::fromLatin1(member->MethodName()) : QString();
    case kZipRelativePath:
        return member ? QString::fromStdString(std::string(member->RelativeDirectory()))
                      : QString();
    }
    return {};
}

void CFileListModel::SetDecorationSource(DecorationSource source) {
    m_decoration = std::move(source);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DecorationRole});
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
    case Qt::EditRole:
        return column == kName ? QVariant(QString::fromStdString(file->Name())) : QVariant();
    case Qt::DecorationRole:
        if (column != kName)
            return {};
        if (m_decoration) {
            QVariant picture = m_decoration(*file);
            if (picture.isValid())
                return picture;
        }
        return FileIcon(*file);
    case Qt::TextAlignmentRole:
        if (column == kSize || column == kZipRatio)
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
    return Caption(m_columns[section], m_zipList);
}

// --- drag and drop -------------------------------------------------------------

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const {
    // A drop on a row goes to the directory the list shows, as one between rows.
    // No row has children: the details view then asks no row whether it has.
    Qt::ItemFlags f =
        QAbstractTableModel::flags(index) | Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
    if (!index.isValid())
        return f;
    const CFileContainer* file = FileAt(index.row());
    if (file && !file->IsArchiveMember())
        f |= Qt::ItemIsDragEnabled;
    if (file && !file->IsArchiveMember() && m_renameHandler && m_columns[index.column()] == kName)
        f |= Qt::ItemIsEditable;
    return f;
}

bool CFileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // The list shows the new name once the rename's change notice is in;
    // a refused rename leaves the old one.
    return m_renameHandler(index.row(), value.toString().trimmed().toStdString());
}

QStringList CFileListModel::mimeTypes() const {
    return {kDragDropMimeType, "text/uri-list"};
}

std::vector<std::string> DraggedPaths(const CFileListModel& model, const QModelIndexList& rows) {
    std::vector<std::string> paths;
    std::set<int> seen;
    bool tagged = false;
    for (const QModelIndex& index : rows)
        if (const CFileContainer* file = model.FileAt(index.row()); file && file->Tagged())
            tagged = true;
    auto add = [&](int row) {
        const CFileContainer* file = model.FileAt(row);
        if (file && !file->IsArchiveMember() && seen.insert(row).second)
            paths.push_back(file->FullPath());
    };
    if (tagged) {
        for (int row = 0; row < model.rowCount(); ++row)
            if (const CFileContainer* file = model.FileAt(row);
                file && file->Tagged() && file->Shown())
                add(row);
    } else {
        for (const QModelIndex& index : rows)
            add(index.row());
    }
    return paths;
}

QMimeData* MakeFileDragData(const std::vector<std::string>& dosPaths) {
    auto* data = new QMimeData;
    QByteArray info;
    QList<QUrl> urls;
    for (const std::string& path : dosPaths) {
        info += QByteArray::fromStdString(path) + '\n';
        std::string host;
        if (platform::DosToHost(path, &host))
            urls << QUrl::fromLocalFile(QString::fromStdString(host));
    }
    data->setData(kDragDropMimeType, info);
    data->setUrls(urls);
    return data;
}

std::vector<std::string> DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data)
        return paths;
    if (data->hasFormat(kDragDropMimeType)) {
        for (const QByteArray& line : data->data(kDragDropMimeType).split('\n'))
            if (!line.isEmpty())
                paths.push_back(line.toStdString());
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        std::string dos;
        if (url.isLocalFile() && platform::HostToDos(url.toLocalFile().toStdString(), &dos))
            paths.push_back(dos);
    }
    return paths;
}

QMimeData* CFileListModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<std::string> paths = DraggedPaths(*this, indexes);
    if (paths.empty())
        return nullptr;
    return MakeFileDragData(paths);
}

Qt::DropActions CFileListModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions CFileListModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

bool CFileListModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                     const QModelIndex&) const {
    return m_dropTarget &&
           m_dropTarget->CanDropOn(DroppedPaths(data), m_session.CurrentDirectoryPath());
}

bool CFileListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    // Files dropped anywhere on the list go to the directory it shows.
    return m_dropTarget->DropOn(DroppedPaths(data), m_session.CurrentDirectoryPath());
}

} // namespace vorlane::gui
