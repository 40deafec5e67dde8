#include "gui/CZipRecompressDialog.h"

#include "gui/DialogSupport.h"
#include "zip/CZipFileOperation.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vorlane::gui {

CZipRecompressDialog::CZipRecompressDialog(const std::vector<char>& drives, char current,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(fileops::kRecompressDialogCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_drive = new QComboBox(this);
    m_drive->setObjectName("drive");
    AddDriveLetters(m_drive, drives);
    const int at = m_drive->findData(QVariant(static_cast<int>(current & ~0x20)));
    m_drive->setCurrentIndex(at >= 0 ? at : 0);
    m_compression = new QComboBox(this);
    m_compression->setObjectName("compression");
    for (const zip::ZipCompressionChoice& choice : zip::CZipFileOperation::CompressionChoices())
        m_compression->addItem(choice.text, choice.level);
    m_compression->setCurrentIndex(zip::CZipFileOperation::kDefaultCompressionChoice);
    form->addRow(BuddyLabel("Dri&ve:", m_drive), m_drive);
    form->addRow(BuddyLabel("&Compression:", m_compression), m_compression);
    layout->addLayout(form);
    layout->addWidget(MakeDialogButtons(this, kHelpContext));
}

fileops::CRecompressParameters CZipRecompressDialog::Parameters() const {
    fileops::CRecompressParameters p;
    p.drive = static_cast<char>(m_drive->currentData().toInt());
    p.level = m_compression->currentData().toInt();
    return p;
}

} // namespace vorlane::gui
