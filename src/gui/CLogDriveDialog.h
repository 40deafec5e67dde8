// CLogDriveDialog ("Log Drive"): a list of the present drives, OK, Cancel
// and Help. The caller gives the drive to select first (the current
// default drive when it gives none); on OK Drive() is the chosen letter.
#pragma once

#include <QDialog>

class QListWidget;

namespace vorlane::gui {

class CLogDriveDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 3600;

    // drives: the upper-case letters to offer, in order.
    CLogDriveDialog(const QString& drives, QChar initial, QWidget* parent = nullptr);

    // The chosen letter, upper case; 0 when none is selected.
    QChar Drive() const;
    void SelectDrive(QChar letter);
    QListWidget* List() const { return m_list; }

  private:
    QListWidget* m_list;
};

} // namespace vorlane::gui
