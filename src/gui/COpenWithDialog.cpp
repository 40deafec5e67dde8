#include "gui/COpenWithDialog.h"

#include "gui/DialogSupport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane::gui {

COpenWithDialog::COpenWithDialog(const std::string& fileName, const std::string& mimeType,
                                 std::vector<platform::DesktopApp> apps,
                                 const std::string& defaultId, QWidget* parent)
    : QDialog(parent), m_apps(std::move(apps)) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(QString::fromStdString(
        m_apps.empty()
            ? "No application of the desktop opens '" + fileName + "' (" + mimeType + ")."
            : "Open '" + fileName + "' (" + mimeType + ") with:"));
    m_prompt->setWordWrap(true);
    layout->addWidget(m_prompt);
    m_list = new QListWidget;
    m_list->setObjectName("openWithList");
    for (const platform::DesktopApp& app : m_apps) {
        QString text = QString::fromStdString(app.name);
        if (app.id == defaultId)
            text += " (default)";
        auto* item = new QListWidgetItem(text, m_list);
        item->setToolTip(QString::fromStdString(app.id));
    }
    m_list->setCurrentRow(0);
    for (size_t i = 0; i < m_apps.size(); ++i)
        if (m_apps[i].id == defaultId)
            m_list->setCurrentRow(static_cast<int>(i));
    layout->addWidget(m_list, 1);

    auto* buttons = MakeDialogButtons(this, kHelpContext);
    m_open = buttons->button(QDialogButtonBox::Ok);
    m_open->setText("&Open");
    m_default = buttons->addButton("Set as &Default", QDialogButtonBox::ActionRole);
    m_open->setEnabled(!m_apps.empty());
    m_default->setEnabled(!m_apps.empty());
    connect(m_default, &QPushButton::clicked, this, [this] {
        m_action = kSetDefault;
        accept();
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &COpenWithDialog::accept);
    layout->addWidget(buttons);
    resize(420, 320);
}

const platform::DesktopApp* COpenWithDialog::Chosen() const {
    const int row = m_list->currentRow();
    return row >= 0 && static_cast<size_t>(row) < m_apps.size() ? &m_apps[static_cast<size_t>(row)]
                                                                : nullptr;
}

void COpenWithDialog::accept() {
    if (!Chosen()) {
        m_action = kNone;
        return;
    }
    if (m_action == kNone)
        m_action = kOpen;
    QDialog::accept();
}

} // namespace vorlane::gui
