#include "gui/CFileSortDialog.h"

#include "ui/UserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vorlane::gui {

CFileSortDialog::CFileSortDialog(CFileSortDialogTransfer& transfer, QWidget* parent)
    : QDialog(parent), m_transfer(transfer) {
    setWindowTitle("Custom Sort");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const char* const labels[] = {"&First key:", "&Second key:"};
    for (int key = 0; key < 2; ++key) {
        auto* row = new QHBoxLayout;
        auto* field = new QComboBox(this);
        field->addItems({"Name", "Extension", "Size", "Date", "Attributes"});
        field->setCurrentIndex(transfer.keys[key].field);
        auto* descending = new QCheckBox("&Descending", this);
        descending->setChecked(transfer.keys[key].direction < 0);
        row->addWidget(field, 1);
        row->addWidget(descending);
        auto* label = new QLabel(labels[key], this);
        label->setBuddy(field); // the row is a layout: the label needs its buddy named
        form->addRow(label, row);
        m_fields[static_cast<size_t>(key)] = field;
        m_descending[static_cast<size_t>(key)] = descending;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFileSortDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CFileSortDialog::accept() {
    if (m_fields[0]->currentIndex() == m_fields[1]->currentIndex()) {
        ui::Current().Message(kSameKeys);
        return;
    }
    for (size_t key = 0; key < 2; ++key) {
        m_transfer.keys[key].field = m_fields[key]->currentIndex();
        m_transfer.keys[key].direction = m_descending[key]->isChecked() ? -1 : 1;
    }
    QDialog::accept();
}

} // namespace vorlane::gui
