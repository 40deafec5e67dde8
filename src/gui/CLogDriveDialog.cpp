#include "gui/CLogDriveDialog.h"

#include "app/CDriveType.h"
#include "app/VorlaneApp.h"
#include "gui/FileIcons.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane::gui {

CLogDriveDialog::CLogDriveDialog(const QString& drives, QChar initial, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Log Drive");
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    for (QChar letter : drives) {
        app::CDriveType type(letter.toLatin1(), true);
        QString text = QString("%1:").arg(letter);
        if (!type.VolumeLabel().empty())
            text += QString(" [%1]").arg(QString::fromStdString(type.VolumeLabel()));
        text += QString("  %1").arg(type.TypeName());
        auto* item = new QListWidgetItem(DriveIcon(type.Type()), text, m_list);
        item->setData(Qt::UserRole, QString(letter));
    }
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [] {
        if (app::VorlaneApp* a = app::VorlaneApp::Current())
            a->ShowHelp(kHelpContext);
    });
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    SelectDrive(initial);
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
}

QChar CLogDriveDialog::Drive() const {
    QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString().at(0) : QChar();
}

void CLogDriveDialog::SelectDrive(QChar letter) {
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->data(Qt::UserRole).toString() == QString(letter.toUpper()))
            m_list->setCurrentRow(i);
}

} // namespace vorlane::gui
