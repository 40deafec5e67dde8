// CStartupNoticeDialog: the notice shown once at start-up, modal, before
// the start-up action runs: the product line and the version number, and
// below them what went wrong while starting (the settings file could not be
// read), when anything did. It closes on OK, Enter or Escape, or by itself
// after kShowMilliseconds so an unattended start is never held up for long;
// a notice that reports a problem waits for the user.
#pragma once

#include <QDialog>

class QLabel;

namespace vorlane::gui {

class CStartupNoticeDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kShowMilliseconds = 2500;

    CStartupNoticeDialog(const QString& name, const QString& version,
                         const QString& problem = QString(), QWidget* parent = nullptr);

    // "Vorlane" and "Version 3.72".
    QString ProductLine() const;
    QString VersionLine() const;
    // The problem reported ("" when none).
    QString ProblemText() const;

  private:
    QLabel* m_product;
    QLabel* m_version;
    QLabel* m_problem = nullptr;
};

} // namespace vorlane::gui
