#include "gui/CNetworkDriveDialogs.h"

#include "gui/DialogSupport.h"
#include "platform/NetworkDrives.h"
#include "ui/UserInterface.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane::gui {

CMapNetworkDriveDialog::CMapNetworkDriveDialog(const std::vector<char>& freeLetters,
                                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_letter = new QComboBox(this);
    m_letter->setObjectName("letter");
    AddDriveLetters(m_letter, freeLetters);
    form->addRow(BuddyLabel("&Drive:", m_letter), m_letter);
    m_target = new QLineEdit(this);
    m_target->setObjectName("target");
    m_target->setPlaceholderText("/path/to/folder or smb://server/share");
    m_browse = new QPushButton("&Browse...", this);
    m_browse->setObjectName("browse");
    auto* row = new QHBoxLayout;
    row->addWidget(m_target, 1);
    row->addWidget(m_browse);
    form->addRow(BuddyLabel("&Folder or location:", m_target), row);
    layout->addLayout(form);
    auto* hint = new QLabel("A network location (smb://, sftp://, ftp://, dav://) is mounted "
                            "through the desktop's gio.",
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(MakeDialogButtons(this, kHelpContext));
    m_pick = [](QWidget* owner) -> std::optional<QString> {
        QString dir = QFileDialog::getExistingDirectory(owner, "Map Network Drive");
        return dir.isEmpty() ? std::nullopt : std::optional<QString>(dir);
    };
    connect(m_browse, &QPushButton::clicked, this, [this] {
        if (std::optional<QString> dir = m_pick(this))
            m_target->setText(*dir);
    });
}

char CMapNetworkDriveDialog::Letter() const {
    return m_letter->currentIndex() < 0 ? 0 : static_cast<char>(m_letter->currentData().toInt());
}

std::string CMapNetworkDriveDialog::Target() const {
    return m_target->text().trimmed().toStdString();
}

void CMapNetworkDriveDialog::accept() {
    const std::string target = Target();
    if (Letter() == 0) {
        ui::Current().Message("There is no free drive letter left.");
        return;
    }
    if (platform::IsNetworkLocation(target)) {
        QDialog::accept();
        return;
    }
    const QFileInfo info(QString::fromStdString(target));
    if (target.empty() || target[0] != '/' || !info.isDir()) {
        ui::Current().Message("'" + target +
                              "' is neither a folder nor a network location (smb://, sftp://, "
                              "ftp:// or dav://).");
        return;
    }
    QDialog::accept();
}

CDisconnectNetworkDriveDialog::CDisconnectNetworkDriveDialog(std::vector<app::NetworkDrive> drives,
                                                             QWidget* parent)
    : QDialog(parent), m_drives(std::move(drives)) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName("drives");
    for (const app::NetworkDrive& drive : m_drives)
        m_list->addItem(
            QString("%1:  %2").arg(QChar(drive.letter)).arg(QString::fromStdString(drive.target)));
    if (!m_drives.empty())
        m_list->setCurrentRow(0);
    layout->addWidget(BuddyLabel("&Drive:", m_list));
    layout->addWidget(m_list);
    layout->addWidget(MakeDialogButtons(this, kHelpContext));
}

char CDisconnectNetworkDriveDialog::Letter() const {
    const int row = m_list->currentRow();
    return row < 0 || row >= static_cast<int>(m_drives.size()) ? 0 : m_drives[row].letter;
}

} // namespace vorlane::gui
