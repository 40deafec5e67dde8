// CFileListModel: the file list of a file manager window's current
// directory as a Qt table model. It holds no copy of the records: every
// row is the session's file at that index, read when the view asks, so a
// directory of any size costs the view nothing per row.
//
// Two sets of columns: the plain list, chosen by the file display details
// bits (name, size, type name, date, time, attributes, parent path,
// description), and the zip list of a zip directory's members, chosen by
// the zip display details bits (name, size, date/time, attributes, ratio,
// method, relative path). The name is always shown. The window may order
// the columns (SetColumns); the ids are the Column values and are what the
// per-drive column keys store, so they never change.
//
// Drag and drop: rows drag as the "Vorlane Drag-Drop Info" format (the DOS
// paths, one a line) and as a URI list for other programs; a drop is
// handed to the CFileDropTarget the window installs. Zip members do not
// drag.
//
// Call Reset() when the session's list changed (another directory, a new
// read, a sort) and RowsChanged() when only flags changed (tags).
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlane::catalogue {
class CFileManagerSession;
class CFileContainer;
} // namespace vorlane::catalogue

namespace vorlane::gui {

// The MIME type of the "Vorlane Drag-Drop Info" clipboard format.
constexpr const char* kDragDropMimeType = "application/x-vorlane-drag-drop-info";

// Where dropped rows go; the window implements it. targetDirectory is a
// DOS directory path.
class CFileDropTarget {
  public:
    virtual ~CFileDropTarget() = default;
    virtual bool CanDropOn(const std::vector<std::string>& sources,
                           const std::string& targetDirectory) const = 0;
    // Starts the copy or move; true when it was taken.
    virtual bool DropOn(const std::vector<std::string>& sources,
                        const std::string& targetDirectory) = 0;
};

// The DOS paths a drag carries: the Vorlane format when present, else
// the local files of a URI list that lie on a mapped drive.
std::vector<std::string> DroppedPaths(const class QMimeData* data);

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column : int {
        kName = 0,
        kSize = 1,
        kDate = 2,
        kTime = 3,
        kAttributes = 4,
        kType = 5,
        kPath = 6,
        kDescription = 7,
        // zip members
        kZipDateTime = 8,
        kZipRatio = 9,
        kZipMethod = 10,
        kZipRelativePath = 11,
    };

    explicit CFileListModel(catalogue::CFileManagerSession& session, QObject* parent = nullptr);

    // The default columns of the plain list (descriptions: the
    // "Description" column also shows, as it does while 4DOS descriptions
    // are read) and of the zip list.
    static std::vector<int> PlainColumns(uint32_t fileDetails, bool descriptions);
    static std::vector<int> ZipColumns(uint32_t zipDetails);
    // The caption of a column in the plain or the zip list.
    static QString Caption(Column column, bool zipList);
    static bool IsZipColumn(int id);
    static bool IsColumn(int id) { return id >= kName && id <= kZipRelativePath; }

    // Chooses the columns from the plain display details bits and resets.
    void SetDetails(uint32_t detailBits);
    // Shows these columns (ids of Column, unknown ones skipped) with the
    // captions of the plain or the zip list, and resets.
    void SetColumns(const std::vector<int>& columns, bool zipList = false);
    bool ShowsZipList() const { return m_zipList; }
    const std::vector<Column>& Columns() const { return m_columns; }
    void Reset();
    void RowsChanged();
    Column ColumnAt(int section) const { return m_columns[section]; }
    catalogue::CFileContainer* FileAt(int row) const;
    void SetDropTarget(CFileDropTarget* target) { m_dropTarget = target; }
    // The names of plain files can be edited in place while a handler is
    // set; it gets the row and the name typed (true: the rename started).
    using RenameHandler = std::function<bool(int row, const std::string& newName)>;
    void SetRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // What the name column draws instead of the file's type icon (the
    // thumbnail view sets it; empty: the type icon). The source answers a
    // null QVariant for a file it has no picture for; it is asked only for
    // the rows the view paints.
    using DecorationSource = std::function<QVariant(const catalogue::CFileContainer&)>;
    void SetDecorationSource(DecorationSource source);

  private:
    QVariant Text(const catalogue::CFileContainer& file, Column column) const;

    catalogue::CFileManagerSession& m_session;
    std::vector<Column> m_columns;
    bool m_zipList = false;
    CFileDropTarget* m_dropTarget = nullptr;
    RenameHandler m_renameHandler;
    DecorationSource m_decoration;
};

// The drag of files: the tagged files of the list when the dragged row is
// tagged, else the dragged rows; their DOS paths, and the mime data of them.
std::vector<std::string> DraggedPaths(const CFileListModel& model, const QModelIndexList& rows);
QMimeData* MakeFileDragData(const std::vector<std::string>& dosPaths);

} // namespace vorlane::gui
