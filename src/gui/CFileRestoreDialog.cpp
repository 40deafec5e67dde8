#include "gui/CFileRestoreDialog.h"

#include "gui/DialogSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane::gui {

CFileRestoreDialog::CFileRestoreDialog(const std::vector<char>& drives, Scanner scan,
                                       QWidget* parent)
    : QDialog(parent), m_scanner(std::move(scan)) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_drive = new QComboBox(this);
    m_drive->setObjectName("drive");
    AddDriveLetters(m_drive, drives);
    m_drive->setCurrentIndex(-1); // no source drive until the user chooses one
    m_drive->setPlaceholderText("(choose a drive)");
    m_scanButton = new QPushButton("&Scan Disk", this);
    m_scanButton->setObjectName("scan");
    auto* row = new QHBoxLayout;
    row->addWidget(m_drive, 1);
    row->addWidget(m_scanButton);
    form->addRow(BuddyLabel("Source &drive:", m_drive), row);
    m_archive = new QLabel(this);
    m_archive->setObjectName("archive");
    m_comment = new QLabel(this);
    m_comment->setObjectName("comment");
    m_comment->setWordWrap(true);
    m_comment->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow("Zip file:", m_archive);
    form->addRow("Comment:", m_comment);
    layout->addLayout(form);
    QDialogButtonBox* buttons = MakeDialogButtons(this, kHelpContext);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(m_scanButton, &QPushButton::clicked, this, &CFileRestoreDialog::RunScan);
    connect(m_drive, &QComboBox::currentIndexChanged, this, [this] {
        m_scan = fileops::RestoreScan();
        ShowScan();
    });
    ShowScan();
}

char CFileRestoreDialog::Drive() const {
    return m_drive->currentIndex() < 0 ? 0 : static_cast<char>(m_drive->currentData().toInt());
}

QString CFileRestoreDialog::ArchiveText() const {
    return m_archive->text();
}

QString CFileRestoreDialog::CommentText() const {
    return m_comment->text();
}

void CFileRestoreDialog::RunScan() {
    m_scan = m_scanner ? m_scanner(Drive()) : fileops::RestoreScan();
    ShowScan();
}

void CFileRestoreDialog::ShowScan() {
    m_archive->setText(m_scan.found ? QString::fromStdString(m_scan.name) : QString());
    m_comment->setText(m_scan.found ? QString::fromStdString(m_scan.comment) : QString());
    m_ok->setEnabled(m_scan.found);
}

} // namespace vorlane::gui
