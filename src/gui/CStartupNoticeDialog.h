// CStartupNoticeDialog: the notice shown once at start-up, modal, before
// the start-up action runs: the product line and the version number.
// It closes on OK, Enter or Escape, or by itself after kShowMilliseconds
// so an unattended start is never held up for long.
#pragma once

#include <QDialog>

class QLabel;

namespace vorlane::gui {

class CStartupNoticeDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kShowMilliseconds = 2500;

    CStartupNoticeDialog(const QString& name, const QString& version, QWidget* parent = nullptr);

    // "Vorlane" and "Version 3.72".
    QString ProductLine() const;
    QString VersionLine() const;

  private:
    QLabel* m_product;
    QLabel* m_version;
};

} // namespace vorlane::gui
