// CFileListModel: the file list of a file manager window's current
// directory as a Qt table model. It holds no copy of the records: every
// row is the session's file at that index, read when the view asks, so a
// directory of any size costs the view nothing per row.
//
// Columns follow the file display details bits (the line text bits: name,
// size, type name, date and time, attributes, path, description); the name
// is always shown. Tagged files are drawn bold in the tag colour.
//
// Call Reset() when the session's list changed (another directory, a new
// read, a sort) and RowsChanged() when only flags changed (tags).
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

namespace vorlane::catalogue {
class CFileManagerSession;
class CFileContainer;
} // namespace vorlane::catalogue

namespace vorlane::gui {

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kName, kSize, kDate, kTime, kAttributes, kType, kPath, kDescription };

    explicit CFileListModel(catalogue::CFileManagerSession& session, QObject* parent = nullptr);

    // Chooses the columns from the display details bits and resets.
    void SetDetails(uint32_t detailBits);
    void Reset();
    void RowsChanged();
    Column ColumnAt(int section) const { return m_columns[section]; }
    catalogue::CFileContainer* FileAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QVariant Text(const catalogue::CFileContainer& file, Column column) const;

    catalogue::CFileManagerSession& m_session;
    std::vector<Column> m_columns;
};

} // namespace vorlane::gui
