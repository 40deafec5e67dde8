// The file restore dialog: the source drive (the removable and optical
// drives, and the letters Map Network Drive gave out), "&Scan Disk" that
// looks for a zip file at its root (fileops::ScanRestoreDrive, which tells
// the user what it did not find), the archive found and its comment. OK is
// enabled only while an archive found by the last scan is shown; choosing
// another drive forgets it.
#pragma once

#include "fileops/CRestoreJob.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace vorlane::gui {

class CFileRestoreDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14260;
    static constexpr const char* kCaption = "Restore";
    // Scans a drive (0: none chosen).
    using Scanner = std::function<fileops::RestoreScan(char drive)>;

    CFileRestoreDialog(const std::vector<char>& drives, Scanner scan, QWidget* parent = nullptr);

    // The chosen drive, 0 for none.
    char Drive() const;
    const fileops::RestoreScan& Scan() const { return m_scan; }
    QComboBox* DriveBox() const { return m_drive; }
    QPushButton* ScanButton() const { return m_scanButton; }
    QPushButton* OkButton() const { return m_ok; }
    QString ArchiveText() const;
    QString CommentText() const;

  private:
    void RunScan();
    void ShowScan();

    Scanner m_scanner;
    fileops::RestoreScan m_scan;
    QComboBox* m_drive;
    QPushButton* m_scanButton;
    QPushButton* m_ok;
    QLabel* m_archive;
    QLabel* m_comment;
};

} // namespace vorlane::gui
