#include "gui/CRunDialog.h"

#include "fileops/Launch.h"
#include "gui/DialogSupport.h"
#include "gui/WindowSettings.h"
#include "ui/UserInterface.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vorlane::gui {

CRunDialog::CRunDialog(RunDialogTransfer initial, Launcher launch, QWidget* parent)
    : QDialog(parent), m_initial(std::move(initial)), m_launch(std::move(launch)),
      m_history(kHistorySection, kHistoryName, kHistoryLimit) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);

    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(new QLabel("Current Directory:"));
    m_directory = new QLabel(QString::fromStdString(m_initial.directory));
    m_directory->setObjectName("runDirectory");
    directoryRow->addWidget(m_directory, 1);
    layout->addLayout(directoryRow);

    m_commandLine = new QComboBox;
    m_commandLine->setObjectName("runCommandLine");
    m_commandLine->setEditable(true);
    m_commandLine->setInsertPolicy(QComboBox::NoInsert);
    m_commandLine->lineEdit()->setMaxLength(kMaxCommandLine);
    m_commandLine->setMinimumWidth(m_commandLine->fontMetrics().averageCharWidth() * 50);
    m_history.Load([](const std::string& section, const std::string& key) {
        return SettingsStore().Read(section, key);
    });
    for (const std::string& entry : m_history.Entries())
        m_commandLine->addItem(QString::fromStdString(entry.substr(0, kMaxCommandLine)));
    m_commandLine->setEditText(QString::fromStdString(m_initial.commandLine));
    layout->addWidget(m_commandLine);

    auto* showBox = new QGroupBox;
    auto* showLayout = new QVBoxLayout(showBox);
    const char* const texts[] = {"Run &Normal", "Run &Minimized", "Run Maximized"};
    for (int i = 0; i < 3; ++i) {
        m_show[i] = new QRadioButton(texts[i]);
        showLayout->addWidget(m_show[i]);
    }
    const int show = m_initial.showCommand >= 1 && m_initial.showCommand <= 3
                         ? m_initial.showCommand
                         : fileops::kLaunchShowNormal;
    m_show[show - 1]->setChecked(true);

    auto* buttons = MakeDialogButtons(this, kHelpContext);
    m_browse = buttons->addButton("&Browse...", QDialogButtonBox::ActionRole);
    connect(m_browse, &QPushButton::clicked, this, &CRunDialog::Browse);

    auto* row = new QHBoxLayout;
    row->addWidget(showBox, 1);
    layout->addLayout(row);
    layout->addWidget(buttons);
    m_commandLine->setFocus();
}

CRunDialog::~CRunDialog() {
    m_history.Save([](const std::string& section, const std::string& key,
                      const std::string& value) { SettingsStore().Write(section, key, value); });
}

QRadioButton* CRunDialog::ShowButton(int showCommand) const {
    return showCommand >= 1 && showCommand <= 3 ? m_show[showCommand - 1] : nullptr;
}

RunDialogTransfer CRunDialog::Transfer() const {
    RunDialogTransfer t = m_initial;
    std::string line = m_commandLine->currentText().toStdString();
    line.erase(0, line.find_first_not_of(' '));
    t.commandLine = line;
    for (int i = 0; i < 3; ++i)
        if (m_show[i]->isChecked())
            t.showCommand = i + 1;
    return t;
}

void CRunDialog::accept() {
    const RunDialogTransfer t = Transfer();
    if (!t.commandLine.empty()) {
        m_history.Add(m_commandLine->currentText().toStdString());
        const QString text = m_commandLine->currentText();
        m_commandLine->clear();
        for (const std::string& entry : m_history.Entries())
            m_commandLine->addItem(QString::fromStdString(entry));
        m_commandLine->setEditText(text);
    }
    if (m_launch && m_launch(t)) {
        QDialog::accept();
        return;
    }
    m_commandLine->setFocus();
    m_commandLine->lineEdit()->selectAll();
}

void CRunDialog::Browse() {
    std::optional<std::string> picked =
        ui::Current().PickOpenFile(kBrowseCaption, kBrowseFilter, m_initial.directory);
    if (!picked)
        return;
    // Quoted when it holds a blank, so the line keeps it one word.
    m_commandLine->setEditText(QString::fromStdString(fileops::QuoteCommandWord(*picked)));
}

} // namespace vorlane::gui
