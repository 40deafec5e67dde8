#include "gui/CZipToExeDialog.h"

#include "gui/DialogSupport.h"
#include "gui/WindowSettings.h"
#include "platform/DosPath.h"
#include "platform/FileSystem.h"
#include "platform/PathAbbreviation.h"
#include "platform/ProgramDirs.h"
#include "ui/UserInterface.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace vorlane::gui {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CZipToExeDialog::CZipToExeDialog(const std::string& zipPath,
                                 const std::vector<std::string>& members, QWidget* parent,
                                 const std::string& stubDirectory)
    : QDialog(parent), m_zipPath(zipPath), m_stubDirectory(stubDirectory) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel("Zip Filename:"));
    m_zipName = new QLabel(Text(platform::AbbreviatePath(zipPath, 60)));
    nameRow->addWidget(m_zipName, 1);
    layout->addLayout(nameRow);

    m_program = new QComboBox;
    m_program->addItem("Linux");
    m_program->addItem("Windows");
    const std::string stubs =
        m_stubDirectory.empty() ? platform::ProgramDirectory() : m_stubDirectory;
    if (fileops::FindSfxStub(stubs, fileops::SfxTarget::Windows).empty())
        static_cast<QStandardItemModel*>(m_program->model())->item(1)->setEnabled(false);
    auto* programRow = new QHBoxLayout;
    programRow->addWidget(BuddyLabel("Program for:", m_program));
    programRow->addWidget(m_program, 1);
    layout->addLayout(programRow);

    m_directory = new QLineEdit;
    m_directory->setMaxLength(kMaxDirectory);
    m_directory->setMinimumWidth(m_directory->fontMetrics().averageCharWidth() * 50);
    m_browse = new QPushButton("&Browse...");
    layout->addWidget(BuddyLabel("Default Extraction Directory:", m_directory));
    auto* directoryRow = new QHBoxLayout;
    directoryRow->addWidget(m_directory, 1);
    directoryRow->addWidget(m_browse);
    layout->addLayout(directoryRow);
    connect(m_browse, &QPushButton::clicked, this, &CZipToExeDialog::Browse);
    connect(m_program, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_browse->setEnabled(index == 0); });

    m_startup = new QComboBox;
    m_startup->addItem(QString());
    for (const std::string& member : members)
        m_startup->addItem(Text(member));
    m_startup->setCurrentIndex(0);
    layout->addWidget(
        BuddyLabel("Startup ASCII File To Display (README.DOC for example):", m_startup));
    layout->addWidget(m_startup);

    m_company = new QLineEdit;
    m_company->setMaxLength(kMaxCompany);
    m_company->setText(
        Text(SettingsStore().Read(fileops::kZipToExeSection, fileops::kCompanyNameKey)));
    layout->addWidget(BuddyLabel(
        "Company Name (or Message) To Display On Self-Extracting Main Dialog:", m_company));
    layout->addWidget(m_company);

    layout->addWidget(MakeDialogButtons(this, kHelpContext));
    m_directory->setFocus();
}

fileops::ZipToExeParameters CZipToExeDialog::Parameters() const {
    fileops::ZipToExeParameters p;
    p.zipPath = m_zipPath;
    p.companyName = m_company->text().toStdString();
    p.extractionDirectory = m_directory->text().trimmed().toStdString();
    p.startupFile = m_startup->currentText().toStdString();
    p.stubDirectory = m_stubDirectory;
    p.target =
        m_program->currentIndex() == 1 ? fileops::SfxTarget::Windows : fileops::SfxTarget::Linux;
    return p;
}

void CZipToExeDialog::accept() {
    SettingsStore().Write(fileops::kZipToExeSection, fileops::kCompanyNameKey,
                          m_company->text().toStdString());
    QDialog::accept();
}

void CZipToExeDialog::Browse() {
    // The picker speaks DOS paths; the field holds the host path the
    // self-extractor will use.
    std::string initial;
    const std::string typed = m_directory->text().trimmed().toStdString();
    platform::FileEntry entry;
    if (!typed.empty() && platform::StatEntry(typed, &entry) &&
        (entry.attributes & platform::kAttrDirectory))
        platform::HostToDos(typed, &initial);
    const std::optional<std::string> chosen =
        ui::Current().PickDirectory("Default Extraction Directory", initial);
    if (!chosen)
        return;
    std::string host;
    m_directory->setText(Text(platform::DosToHost(*chosen, &host) ? host : *chosen));
}

} // namespace vorlane::gui
