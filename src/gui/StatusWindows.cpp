#include "gui/StatusWindows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlane::gui {

namespace {

QProgressBar* MakeGauge(QWidget* parent) {
    auto* gauge = new QProgressBar(parent);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    gauge->setFormat("%p%");
    return gauge;
}

int Clamp(int percent) {
    return std::clamp(percent, 0, 100);
}

} // namespace

CStatusDialogBase::CStatusDialogBase(QWidget* parent, const std::string& caption, bool modal)
    : QDialog(parent) {
    setWindowTitle(QString::fromStdString(caption));
    // While a run on the GUI thread pumps events through the poll, only
    // this window takes input: the windows whose catalogue the run is
    // changing cannot be closed or sent another command under it. A job's
    // window leaves them usable: the job never touches the catalogue.
    setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

void CStatusDialogBase::reject() {
    m_cancelled = true;
}

void CStatusDialogBase::closeEvent(QCloseEvent* event) {
    m_cancelled = true;
    event->ignore(); // the run closes the window when it ends
}

void CStatusDialogBase::ShowNow(QWidget* changed) {
    if (!isVisible())
        show();
    // Paint now: the run blocks the event loop until its next poll.
    changed->repaint();
}

bool CStatusDialogBase::Poll() {
    // Deliver what is pending (a click on Cancel, the close box), so the
    // run sees it before its next block.
    QApplication::sendPostedEvents();
    QApplication::processEvents(QEventLoop::AllEvents);
    return m_cancelled;
}

COperationStatusDialog::COperationStatusDialog(QWidget* parent, const std::string& caption,
                                               bool modal)
    : CStatusDialogBase(parent, caption.empty() ? kDefaultCaption : caption, modal) {
    auto* layout = new QVBoxLayout(this);
    m_current = new QLabel(this);
    m_current->setMinimumWidth(360);
    m_currentGauge = MakeGauge(this);
    m_overall = new QLabel(this);
    m_overallGauge = MakeGauge(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStatusDialogBase::reject);
    layout->addWidget(m_current);
    layout->addWidget(m_currentGauge);
    layout->addWidget(m_overall);
    layout->addWidget(m_overallGauge);
    layout->addWidget(buttons);
    show();
}

void COperationStatusDialog::SetCurrentMessage(const std::string& text) {
    m_current->setText(QString::fromStdString(text));
    ShowNow(m_current);
}
void COperationStatusDialog::SetCurrentPercent(int percent) {
    m_currentGauge->setValue(Clamp(percent));
    ShowNow(m_currentGauge);
}
void COperationStatusDialog::SetOverallLabel(const std::string& text) {
    m_overall->setText(QString::fromStdString(text));
    ShowNow(m_overall);
}
void COperationStatusDialog::SetOverallPercent(int percent) {
    m_overallGauge->setValue(Clamp(percent));
    ShowNow(m_overallGauge);
}
QString COperationStatusDialog::CurrentText() const {
    return m_current->text();
}
int COperationStatusDialog::CurrentValue() const {
    return m_currentGauge->value();
}
QString COperationStatusDialog::OverallText() const {
    return m_overall->text();
}
int COperationStatusDialog::OverallValue() const {
    return m_overallGauge->value();
}

CStatusMessageWindow::CStatusMessageWindow(QWidget* parent, const std::string& caption, bool modal)
    : CStatusDialogBase(parent, caption, modal) {
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(this);
    m_message->setMinimumWidth(300);
    m_gauge = MakeGauge(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStatusDialogBase::reject);
    layout->addWidget(m_message);
    layout->addWidget(m_gauge);
    layout->addWidget(buttons);
    show();
}

void CStatusMessageWindow::SetMessage(const std::string& text) {
    m_message->setText(QString::fromStdString(text));
    ShowNow(m_message);
}
void CStatusMessageWindow::SetPercent(int percent) {
    m_gauge->setValue(Clamp(percent));
    ShowNow(m_gauge);
}
QString CStatusMessageWindow::MessageText() const {
    return m_message->text();
}
int CStatusMessageWindow::Value() const {
    return m_gauge->value();
}

QListWidget* CStatusDialogBase::FinishWithErrorList(QVBoxLayout* layout) {
    layout->addWidget(new QLabel("Errors Encountered:", this));
    auto* errors = new QListWidget(this);
    errors->setObjectName("errors");
    errors->setMinimumHeight(90);
    layout->addWidget(errors);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CStatusDialogBase::reject);
    layout->addWidget(buttons);
    show();
    return errors;
}

void CStatusDialogBase::AppendError(QListWidget* errors, const std::string& text) {
    errors->addItem(QString::fromStdString(text));
    errors->scrollToBottom();
    ShowNow(errors);
}

CZipRecompressStatus::CZipRecompressStatus(QWidget* parent, const std::string& caption, bool modal)
    : CStatusDialogBase(parent, caption, modal) {
    auto* layout = new QVBoxLayout(this);
    auto* lines = new QFormLayout;
    m_archive = new QLabel(this);
    m_archive->setMinimumWidth(360);
    m_archive->setObjectName("archive");
    m_compression = new QLabel(this);
    m_compression->setObjectName("compression");
    lines->addRow(new QLabel("Current Archive:", this), m_archive);
    lines->addRow(new QLabel("Compression:", this), m_compression);
    layout->addLayout(lines);
    layout->addWidget(new QLabel("Current Status message:", this));
    m_message = new QLabel(this);
    m_message->setObjectName("message");
    m_gauge = MakeGauge(this);
    layout->addWidget(m_message);
    layout->addWidget(m_gauge);
    layout->addWidget(new QLabel("Overall Completion:", this));
    m_overallGauge = MakeGauge(this);
    layout->addWidget(m_overallGauge);
    m_errors = FinishWithErrorList(layout);
}

void CZipRecompressStatus::SetArchive(const std::string& text) {
    m_archive->setText(QString::fromStdString(text));
    ShowNow(m_archive);
}
void CZipRecompressStatus::SetCompression(const std::string& text) {
    m_compression->setText(QString::fromStdString(text));
    ShowNow(m_compression);
}
void CZipRecompressStatus::SetMessage(const std::string& text) {
    m_message->setText(QString::fromStdString(text));
    ShowNow(m_message);
}
void CZipRecompressStatus::SetPercent(int percent) {
    m_gauge->setValue(Clamp(percent));
    ShowNow(m_gauge);
}
void CZipRecompressStatus::SetOverallPercent(int percent) {
    m_overallGauge->setValue(Clamp(percent));
    ShowNow(m_overallGauge);
}
void CZipRecompressStatus::AddError(const std::string& text) {
    AppendError(m_errors, text);
}
QString CZipRecompressStatus::ArchiveText() const {
    return m_archive->text();
}
QString CZipRecompressStatus::CompressionText() const {
    return m_compression->text();
}
QString CZipRecompressStatus::MessageText() const {
    return m_message->text();
}
int CZipRecompressStatus::Value() const {
    return m_gauge->value();
}
int CZipRecompressStatus::OverallValue() const {
    return m_overallGauge->value();
}
QStringList CZipRecompressStatus::Errors() const {
    QStringList lines;
    for (int i = 0; i < m_errors->count(); ++i)
        lines << m_errors->item(i)->text();
    return lines;
}

CThumbnailScanningStatusWindow::CThumbnailScanningStatusWindow(QWidget* parent,
                                                               const std::string& caption,
                                                               bool modal)
    : CStatusDialogBase(parent, caption, modal) {
    auto* layout = new QVBoxLayout(this);
    auto* lines = new QFormLayout;
    // In the order of ui::StatusField.
    static const char* const kLabels[kFieldCount] = {
        "Current Directory:",  "Directories Scanned:", "Files Examined:",
        "Thumbnails Created:", "Current File:",        "Current Step:"};
    static const char* const kNames[kFieldCount] = {"directory",  "directories", "files",
                                                    "thumbnails", "file",        "step"};
    for (int i = 0; i < kFieldCount; ++i) {
        m_fields[i] = new QLabel(this);
        m_fields[i]->setObjectName(kNames[i]);
        m_fields[i]->setMinimumWidth(320);
        lines->addRow(new QLabel(kLabels[i], this), m_fields[i]);
    }
    layout->addLayout(lines);
    m_errors = FinishWithErrorList(layout);
}

void CThumbnailScanningStatusWindow::SetField(ui::StatusField field, const std::string& text) {
    const int i = static_cast<int>(field);
    if (i < 0 || i >= kFieldCount)
        return;
    m_fields[i]->setText(QString::fromStdString(text));
    ShowNow(m_fields[i]);
}
void CThumbnailScanningStatusWindow::AddError(const std::string& text) {
    AppendError(m_errors, text);
}
QString CThumbnailScanningStatusWindow::FieldText(ui::StatusField field) const {
    const int i = static_cast<int>(field);
    return i >= 0 && i < kFieldCount ? m_fields[i]->text() : QString();
}
QStringList CThumbnailScanningStatusWindow::Errors() const {
    QStringList lines;
    for (int i = 0; i < m_errors->count(); ++i)
        lines << m_errors->item(i)->text();
    return lines;
}

namespace {

class ThumbnailScanStatus : public ui::StatusWindow {
  public:
    ThumbnailScanStatus(QWidget* parent, const std::string& caption, bool modal)
        : m_dialog(new CThumbnailScanningStatusWindow(parent, caption, modal)) {}
    ~ThumbnailScanStatus() override { delete m_dialog; }
    // The window has fields, no free lines or gauges.
    void SetCurrentMessage(const std::string&) override {}
    void SetCurrentPercent(int) override {}
    void SetOverallLabel(const std::string&) override {}
    void SetOverallPercent(int) override {}
    void SetField(ui::StatusField field, const std::string& text) override {
        m_dialog->SetField(field, text);
    }
    void AddError(const std::string& text) override { m_dialog->AddError(text); }
    bool Cancelled() override { return m_dialog->Poll(); }
    bool CancelRequested() override { return m_dialog->IsCancelled(); }

  private:
    CThumbnailScanningStatusWindow* m_dialog;
};

class RecompressStatus : public ui::StatusWindow {
  public:
    RecompressStatus(QWidget* parent, const std::string& caption, bool modal)
        : m_dialog(new CZipRecompressStatus(parent, caption, modal)) {}
    ~RecompressStatus() override { delete m_dialog; }
    void SetCurrentMessage(const std::string& text) override { m_dialog->SetMessage(text); }
    void SetCurrentPercent(int percent) override { m_dialog->SetPercent(percent); }
    // The overall line has its fixed label.
    void SetOverallLabel(const std::string&) override {}
    void SetOverallPercent(int percent) override { m_dialog->SetOverallPercent(percent); }
    void SetArchive(const std::string& text) override { m_dialog->SetArchive(text); }
    void SetCompression(const std::string& text) override { m_dialog->SetCompression(text); }
    void AddError(const std::string& text) override { m_dialog->AddError(text); }
    bool Cancelled() override { return m_dialog->Poll(); }
    bool CancelRequested() override { return m_dialog->IsCancelled(); }

  private:
    CZipRecompressStatus* m_dialog;
};

class OperationStatus : public ui::StatusWindow {
  public:
    OperationStatus(QWidget* parent, const std::string& caption, bool modal)
        : m_dialog(new COperationStatusDialog(parent, caption, modal)) {}
    ~OperationStatus() override { delete m_dialog; }
    void SetCurrentMessage(const std::string& text) override { m_dialog->SetCurrentMessage(text); }
    void SetCurrentPercent(int percent) override { m_dialog->SetCurrentPercent(percent); }
    void SetOverallLabel(const std::string& text) override { m_dialog->SetOverallLabel(text); }
    void SetOverallPercent(int percent) override { m_dialog->SetOverallPercent(percent); }
    bool Cancelled() override { return m_dialog->Poll(); }
    bool CancelRequested() override { return m_dialog->IsCancelled(); }

  private:
    COperationStatusDialog* m_dialog;
};

class MessageStatus : public ui::StatusWindow {
  public:
    MessageStatus(QWidget* parent, const std::string& caption, bool modal)
        : m_window(new CStatusMessageWindow(parent, caption, modal)) {}
    ~MessageStatus() override { delete m_window; }
    void SetCurrentMessage(const std::string& text) override { m_window->SetMessage(text); }
    void SetCurrentPercent(int percent) override { m_window->SetPercent(percent); }
    void SetOverallLabel(const std::string&) override {}
    void SetOverallPercent(int) override {}
    bool Cancelled() override { return m_window->Poll(); }
    bool CancelRequested() override { return m_window->IsCancelled(); }

  private:
    CStatusMessageWindow* m_window;
};

} // namespace

std::unique_ptr<ui::StatusWindow> MakeQtStatusWindow(QWidget* parent, ui::StatusKind kind,
                                                     const std::string& caption, bool modal) {
    if (kind == ui::StatusKind::Operation)
        return std::make_unique<OperationStatus>(parent, caption, modal);
    if (kind == ui::StatusKind::Recompress)
        return std::make_unique<RecompressStatus>(parent, caption, modal);
    if (kind == ui::StatusKind::ThumbnailScan)
        return std::make_unique<ThumbnailScanStatus>(parent, caption, modal);
    return std::make_unique<MessageStatus>(parent, caption, modal);
}

} // namespace vorlane::gui
