// CDirectoryTreeModel: the directory tree of a file manager window, built
// from its drive's directory vector. The vector is the tree flattened in
// path order (a directory's subtree follows it), so one pass with a stack
// of open levels gives every directory its parent and children.
//
// The model keeps only indices into the vector; Rebuild() after the vector
// changed (a scan, a removal) makes them again. A directory at the deepest
// level read shows its marker child, so the view offers to open it; the
// window scans it when the user does.
//
// Files dropped on a plain directory's branch go to the window's
// CFileDropTarget with that directory as the target. The directories of a
// plain drive (not its root) drag like files, in the same formats.
#pragma once

#include <QAbstractItemModel>

#include <string>
#include <vector>

namespace vorlane::catalogue {
class CDriveContainer;
class CDirectoryContainer;
} // namespace vorlane::catalogue

namespace vorlane::gui {

class CFileDropTarget;

class CDirectoryTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit CDirectoryTreeModel(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

    // Shows drive (null: nothing) and rebuilds.
    void SetDrive(catalogue::CDriveContainer* drive);
    // The drive's directories changed: rebuild from the vector.
    void Rebuild();

    catalogue::CDirectoryContainer* DirectoryAt(const QModelIndex& index) const;
    // The index of a logged path; invalid when it is not in the tree.
    QModelIndex IndexOfPath(const std::string& path) const;
    // The paths of the branches that open (directories with children in
    // the tree) in the subtree of path, path itself included ("": the whole
    // tree), whose level is below belowLevel; parents before children.
    std::vector<std::string> OpeningBranches(const std::string& path, int belowLevel) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    void SetDropTarget(CFileDropTarget* target) { m_dropTarget = target; }

  private:
    struct Node {
        int parent = -1;           // node (= directory) index, -1 for the top
        int row = 0;               // position among its parent's children
        std::vector<int> children; // node indices
    };
    QModelIndex IndexOfNode(int node) const;

    catalogue::CDriveContainer* m_drive = nullptr;
    std::vector<Node> m_nodes; // one per directory, same index
    std::vector<int> m_top;    // nodes without a parent (the root)
    CFileDropTarget* m_dropTarget = nullptr;
};

} // namespace vorlane::gui
