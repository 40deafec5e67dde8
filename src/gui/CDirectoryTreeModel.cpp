#include "gui/CDirectoryTreeModel.h"

#include "catalogue/CDirectoryContainer.h"
#include "catalogue/CDriveContainer.h"
#include "catalogue/CatalogueTypes.h"
#include "gui/CFileListModel.h"
#include "gui/FileIcons.h"
#include "platform/DosPathText.h"

#include <QMimeData>

namespace vorlane::gui {

void CDirectoryTreeModel::SetDrive(catalogue::CDriveContainer* drive) {
    m_drive = drive;
    Rebuild();
}

void CDirectoryTreeModel::Rebuild() {
    beginResetModel();
    m_nodes.clear();
    m_top.clear();
    if (m_drive) {
        const int count = m_drive->DirectoryCount();
        m_nodes.resize(static_cast<size_t>(count));
        std::vector<int> open; // the chain of ancestors of the next directory
        for (int i = 0; i < count; ++i) {
            int level = m_drive->DirectoryAt(i)->Level();
            while (!open.empty() && m_drive->DirectoryAt(open.back())->Level() >= level)
                open.pop_back();
            Node& node = m_nodes[static_cast<size_t>(i)];
            if (open.empty()) {
                node.row = static_cast<int>(m_top.size());
                m_top.push_back(i);
            } else {
                node.parent = open.back();
                auto& siblings = m_nodes[static_cast<size_t>(node.parent)].children;
                node.row = static_cast<int>(siblings.size());
                siblings.push_back(i);
            }
            open.push_back(i);
        }
    }
    endResetModel();
}

catalogue::CDirectoryContainer* CDirectoryTreeModel::DirectoryAt(const QModelIndex& index) const {
    if (!index.isValid() || !m_drive)
        return nullptr;
    return m_drive->DirectoryAt(static_cast<int>(index.internalId()));
}

QModelIndex CDirectoryTreeModel::IndexOfNode(int node) const {
    if (node < 0 || node >= static_cast<int>(m_nodes.size()))
        return {};
    return createIndex(m_nodes[static_cast<size_t>(node)].row, 0, static_cast<quintptr>(node));
}

QModelIndex CDirectoryTreeModel::IndexOfPath(const std::string& path) const {
    if (!m_drive)
        return {};
    return IndexOfNode(m_drive->IndexOfPath(path));
}

std::vector<std::string> CDirectoryTreeModel::OpeningBranches(const std::string& path,
                                                              int belowLevel) const {
    std::vector<std::string> branches;
    if (!m_drive || m_nodes.empty())
        return branches;
    const int start = path.empty() ? 0 : m_drive->IndexOfPath(path);
    if (start < 0)
        return branches;
    // A directory's subtree follows it in the vector: walk until the next
    // directory at its level or above.
    const int top = path.empty() ? -1 : m_drive->DirectoryAt(start)->Level();
    for (int i = start; i < static_cast<int>(m_nodes.size()); ++i) {
        const catalogue::CDirectoryContainer* dir = m_drive->DirectoryAt(i);
        if (i > start && dir->Level() <= top)
            break;
        if (dir->Level() < belowLevel && !m_nodes[static_cast<size_t>(i)].children.empty())
            branches.push_back(dir->Path());
    }
    return branches;
}

QModelIndex CDirectoryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const std::vector<int>& list = parent.isValid() ? m_nodes[parent.internalId()].children : m_top;
    if (row >= static_cast<int>(list.size()))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(list[static_cast<size_t>(row)]));
}

QModelIndex CDirectoryTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return IndexOfNode(m_nodes[child.internalId()].parent);
}

int CDirectoryTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_top.size());
    return static_cast<int>(m_nodes[parent.internalId()].children.size());
}

int CDirectoryTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CDirectoryTreeModel::data(const QModelIndex& index, int role) const {
    catalogue::CDirectoryContainer* dir = DirectoryAt(index);
    if (!dir)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (dir->Level() == 0 && m_drive) {
            // The root: "C:\", with the volume label when there is one.
            QString text = QString::fromStdString(dir->Path());
            if (!m_drive->VolumeLabel().empty())
                text += QString(" [%1]").arg(QString::fromStdString(m_drive->VolumeLabel()));
            return text;
        }
        return QString::fromStdString(dir->Name());
    case Qt::DecorationRole:
        if (dir->Level() == 0 && m_drive)
            return DriveIcon(m_drive->DriveType().Type());
        return FolderIcon(dir->IsZip());
    case Qt::ToolTipRole:
        return QString::fromStdString(dir->Path());
    default:
        return {};
    }
}

// --- drops ---------------------------------------------------------------------

Qt::ItemFlags CDirectoryTreeModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractItemModel::flags(index);
    catalogue::CDirectoryContainer* dir = DirectoryAt(index);
    if (dir && !dir->IsZip())
        f |= Qt::ItemIsDropEnabled;
    if (dir && !platform::IsRootPath(dir->Path()) &&
        m_drive->Kind() == catalogue::kDriveIncremental)
        f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList CDirectoryTreeModel::mimeTypes() const {
    return {kDragDropMimeType, "text/uri-list"};
}

QMimeData* CDirectoryTreeModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<std::string> paths;
    for (const QModelIndex& index : indexes)
        if (flags(index) & Qt::ItemIsDragEnabled)
            paths.push_back(DirectoryAt(index)->Path());
    return paths.empty() ? nullptr : MakeFileDragData(paths);
}

Qt::DropActions CDirectoryTreeModel::supportedDragActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions CDirectoryTreeModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

bool CDirectoryTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                          const QModelIndex& parent) const {
    catalogue::CDirectoryContainer* dir = DirectoryAt(parent);
    return m_dropTarget && dir && !dir->IsZip() &&
           m_dropTarget->CanDropOn(DroppedPaths(data), dir->Path());
}

bool CDirectoryTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                       int column, const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    return m_dropTarget->DropOn(DroppedPaths(data), DirectoryAt(parent)->Path());
}

} // namespace vorlane::gui
