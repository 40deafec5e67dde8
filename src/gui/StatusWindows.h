// The status windows of long operations, as Qt dialogs (the two general
// ones, the recompress window and the thumbnail scan's).
//
// COperationStatusDialog ("Operation Status" unless the caller names it):
// the current item's line and gauge, the overall label and gauge, Cancel.
// CStatusMessageWindow: one message line and one gauge, Cancel; the
// overall setters do nothing there.
//
// Both are shown at once and every setter repaints immediately. They do
// not block; a run on the GUI thread makes them application-modal, so
// while it polls input reaches only them (a job's windows are not modal). Cancel, or closing the
// window, marks the run cancelled; the poll lets Qt deliver pending input first, so a click is seen
// at the next poll. The operation that asked for the window owns it for one run.
#pragma once

#include "ui/UserInterface.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QVBoxLayout;
class QProgressBar;

namespace vorlane::gui {

class CStatusDialogBase : public QDialog {
    Q_OBJECT
  public:
    bool IsCancelled() const { return m_cancelled; }
    void Cancel() { m_cancelled = true; }
    void reject() override; // Cancel, Escape and the close box
    // The abort poll: takes pending input and answers IsCancelled().
    bool Poll();

  protected:
    CStatusDialogBase(QWidget* parent, const std::string& caption, bool modal);
    void closeEvent(QCloseEvent* event) override;
    // Makes the new texts and values visible before the work goes on.
    void ShowNow(QWidget* changed);
    // Ends a window's layout with "Errors Encountered:", its list and the
    // Cancel button, then shows the window; returns the list.
    QListWidget* FinishWithErrorList(QVBoxLayout* layout);
    // Adds an error line to the list and shows it at once.
    void AppendError(QListWidget* errors, const std::string& text);

  private:
    bool m_cancelled = false;
};

class COperationStatusDialog : public CStatusDialogBase {
    Q_OBJECT
  public:
    static constexpr const char* kDefaultCaption = "Operation Status";
    COperationStatusDialog(QWidget* parent, const std::string& caption, bool modal = true);

    void SetCurrentMessage(const std::string& text);
    void SetCurrentPercent(int percent);
    void SetOverallLabel(const std::string& text);
    void SetOverallPercent(int percent);

    QString CurrentText() const;
    int CurrentValue() const;
    QString OverallText() const;
    int OverallValue() const;

  private:
    QLabel* m_current;
    QProgressBar* m_currentGauge;
    QLabel* m_overall;
    QProgressBar* m_overallGauge;
};

class CStatusMessageWindow : public CStatusDialogBase {
    Q_OBJECT
  public:
    CStatusMessageWindow(QWidget* parent, const std::string& caption, bool modal = true);

    void SetMessage(const std::string& text);
    void SetPercent(int percent);
    QString MessageText() const;
    int Value() const;

  private:
    QLabel* m_message;
    QProgressBar* m_gauge;
};

// The recompress window ("Recompress ZIP File(s)"): the archive being
// worked on and the compression chosen, the "Current Status message:" line
// and gauge, the "Overall Completion:" gauge, the "Errors Encountered:"
// list (lines are only ever added), Cancel.
class CZipRecompressStatus : public CStatusDialogBase {
    Q_OBJECT
  public:
    CZipRecompressStatus(QWidget* parent, const std::string& caption, bool modal = true);

    void SetArchive(const std::string& text);
    void SetCompression(const std::string& text);
    void SetMessage(const std::string& text);
    void SetPercent(int percent);
    void SetOverallPercent(int percent);
    void AddError(const std::string& text);

    QString ArchiveText() const;
    QString CompressionText() const;
    QString MessageText() const;
    int Value() const;
    int OverallValue() const;
    QStringList Errors() const;

  private:
    QLabel* m_archive;
    QLabel* m_compression;
    QLabel* m_message;
    QProgressBar* m_gauge;
    QProgressBar* m_overallGauge;
    QListWidget* m_errors;
};

// The thumbnail scan's window: the directory being scanned, the counts of
// directories scanned, files examined and thumbnails created, the file
// being made into a thumbnail and its step, the list of errors (lines are
// only ever added), Cancel.
class CThumbnailScanningStatusWindow : public CStatusDialogBase {
    Q_OBJECT
  public:
    CThumbnailScanningStatusWindow(QWidget* parent, const std::string& caption, bool modal = true);

    void SetField(ui::StatusField field, const std::string& text);
    void AddError(const std::string& text);
    QString FieldText(ui::StatusField field) const;
    QStringList Errors() const;

  private:
    static constexpr int kFieldCount = 6;
    QLabel* m_fields[kFieldCount];
    QListWidget* m_errors;
};

// The ui::StatusWindow face of each dialog; owns it. A modal window (the
// run blocks the GUI thread and polls) takes all input while it shows; a
// job's window (modal false) leaves the other windows usable.
std::unique_ptr<ui::StatusWindow> MakeQtStatusWindow(QWidget* parent, ui::StatusKind kind,
                                                     const std::string& caption, bool modal = true);

} // namespace vorlane::gui
