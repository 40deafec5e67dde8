#include "gui/CVolumeLabelDialog.h"

#include "gui/DialogSupport.h"
#include "ui/UserInterface.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane::gui {

namespace {

QLabel* Value(const std::string& text, const char* name) {
    auto* label = new QLabel(QString::fromStdString(text));
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CVolumeLabelDialog::CVolumeLabelDialog(platform::VolumeDetails volume, QWidget* parent)
    : QDialog(parent), m_volume(std::move(volume)) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("Drive:", Value(std::string(1, m_volume.letter) + ":", "drive"));
    form->addRow("File system:",
                 Value(m_volume.fsType.empty() ? "(unknown)" : m_volume.fsType, "fileSystem"));
    form->addRow("Device:", Value(m_volume.device, "device"));
    form->addRow("Current label:",
                 Value(m_volume.label.empty() ? "(none)" : m_volume.label, "currentLabel"));
    m_edit = new QLineEdit(QString::fromStdString(m_volume.label), this);
    m_edit->setObjectName("newLabel");
    if (const platform::LabelRules* rules = platform::LabelRulesFor(m_volume.fsType))
        m_edit->setMaxLength(static_cast<int>(rules->maxBytes ? rules->maxBytes : rules->maxUnits));
    form->addRow(BuddyLabel("&New label:", m_edit), m_edit);
    layout->addLayout(form);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName("refusal");
    m_refusal->setWordWrap(true);
    layout->addWidget(m_refusal);
    QDialogButtonBox* buttons = MakeDialogButtons(this, kHelpContext);
    layout->addWidget(buttons);

    // A refusal that no label can mend (not a file system root, a file
    // system without a tool, no device) is shown at once.
    const std::string refusal = platform::LabelRefusal(m_volume, m_volume.label);
    const bool settable = refusal.empty() || refusal.rfind("The label is too long", 0) == 0 ||
                          refusal.find("characters") != std::string::npos;
    if (!settable) {
        m_refusal->setText(QString::fromStdString(refusal));
        m_edit->setEnabled(false);
        buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    } else {
        m_refusal->hide();
    }
}

std::string CVolumeLabelDialog::NewLabel() const {
    return m_edit->text().toStdString();
}

QString CVolumeLabelDialog::Refusal() const {
    return m_refusal->text();
}

void CVolumeLabelDialog::accept() {
    const std::string label = NewLabel();
    if (std::string refusal = platform::LabelRefusal(m_volume, label); !refusal.empty()) {
        ui::Current().Message(refusal);
        return;
    }
    const std::string question = "Change the label of drive " + std::string(1, m_volume.letter) +
                                 ": from \"" + m_volume.label + "\" to \"" + label + "\"?";
    if (!ui::Current().AskYesNo(question, kCaption))
        return;
    QDialog::accept();
}

} // namespace vorlane::gui
