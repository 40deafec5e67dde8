#include "gui/CCopyDialog.h"

#include "app/VorlaneApp.h"
#include "catalogue/SizeFormat.h"
#include "fileops/FileListRun.h"
#include "gui/CHelpWindow.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <thread>

namespace vorlane::gui {

namespace {

using fileops::CCopyParameters;

constexpr const char* kPathModeTexts[] = {"Store &No Paths", "Store &Relative Path",
                                          "Store F&ull Paths"};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

CopyStartWatcher& Watcher() {
    static CopyStartWatcher watcher; // GUI thread only
    return watcher;
}

} // namespace

void SetCopyStartWatcher(CopyStartWatcher watcher) {
    Watcher() = std::move(watcher);
}

void NotifyCopyStart(const fileops::CCopyParameters& parameters) {
    if (Watcher())
        Watcher()(parameters);
}

// --- building ------------------------------------------------------------------

std::unique_ptr<CCopyDialog> CCopyDialog::ForFiles(const std::string& directory, GroupFiles files,
                                                   int group, bool move, QWidget* parent) {
    std::unique_ptr<CCopyDialog> dialog(new CCopyDialog(directory, false, move, parent));
    dialog->m_groupFiles = std::move(files);
    FillGroupChoice(dialog->m_group, group);
    dialog->ShowGroupCount();
    return dialog;
}

std::unique_ptr<CCopyDialog> CCopyDialog::ForFileList(const std::string& directory,
                                                      GroupFiles paths, int group, bool move,
                                                      QWidget* parent) {
    std::unique_ptr<CCopyDialog> dialog =
        ForFiles(directory, std::move(paths), group, move, parent);
    dialog->m_list = true;
    return dialog;
}

std::unique_ptr<CCopyDialog> CCopyDialog::ForDirectory(const std::string& directory, bool move,
                                                       QWidget* parent, TreeCounter counter) {
    std::unique_ptr<CCopyDialog> dialog(new CCopyDialog(directory, true, move, parent));
    dialog->StartCount(std::move(counter));
    return dialog;
}

CCopyDialog::CCopyDialog(const std::string& directory, bool directoryDialog, bool move,
                         QWidget* parent)
    : QDialog(parent), m_source(directory), m_directory(directoryDialog),
      m_history(fileops::kCopySettingsSection, fileops::kTargetHistoryName,
                fileops::kTargetHistoryLength) {
    setWindowTitle(directoryDialog ? kDirectoryCaption : kFilesCaption);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    auto* source = new QLabel(Text(directory));
    source->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(new QLabel(directoryDialog ? "Directory:" : "Path:"), 0, 0);
    grid->addWidget(source, 0, 1, 1, 2);
    m_countLabel = new QLabel;
    m_countLabel->setObjectName("countLabel");
    if (directoryDialog) {
        m_countLabel->setText(kCountUnknown);
        grid->addWidget(new QLabel("Contains:"), 1, 0);
        grid->addWidget(m_countLabel, 1, 1, 1, 2);
    } else {
        m_group = new QComboBox;
        grid->addWidget(BuddyLabel("File &Group:", m_group), 1, 0);
        grid->addWidget(m_group, 1, 1);
        grid->addWidget(m_countLabel, 1, 2);
        connect(m_group, &QComboBox::currentIndexChanged, this, [this] {
            if (m_groupFiles)
                ShowGroupCount();
        });
    }
    m_target = new QComboBox;
    m_target->setEditable(true);
    m_target->setInsertPolicy(QComboBox::NoInsert);
    m_target->lineEdit()->setMaxLength(static_cast<int>(fileops::kCopyTargetLimit));
    m_target->setMinimumContentsLength(40);
    m_target->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* browse = new QPushButton("&Browse...");
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
    grid->addWidget(BuddyLabel("&Target path:", m_target), 2, 0);
    grid->addWidget(m_target, 2, 1);
    grid->addWidget(browse, 2, 2);
    layout->addLayout(grid);

    auto* kind = new QHBoxLayout;
    m_copy = new QRadioButton("&Copy file(s)");
    m_move = new QRadioButton("&Move file(s)");
    (move ? m_move : m_copy)->setChecked(true);
    kind->addWidget(m_copy);
    kind->addWidget(m_move);
    kind->addStretch(1);
    layout->addLayout(kind);

    BuildOptions(layout);

    auto* buttons = MakeDialogButtons(this, kHelpContext);
    layout->addWidget(buttons);

    LoadSettings();
    m_target->setFocus();
}

void CCopyDialog::BuildOptions(QVBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    auto* options = new QGroupBox("Options");
    auto* optionList = new QVBoxLayout(options);
    m_newer = new QCheckBox("&Only copy if newer");
    m_exists = new QCheckBox("Only copy if &destination exists");
    m_prompt = new QCheckBox("&Prompt before overwrite");
    for (QCheckBox* box : {m_newer, m_exists, m_prompt})
        optionList->addWidget(box);
    optionList->addStretch(1);
    row->addWidget(options);

    auto* zip = new QGroupBox("Zip Options");
    auto* zipGrid = new QGridLayout(zip);
    m_factor = new QComboBox;
    for (const fileops::CompressionFactor& factor : fileops::CompressionFactors())
        m_factor->addItem(QString::fromLatin1(factor.name), factor.value);
    zipGrid->addWidget(BuddyLabel("Compression &factor:", m_factor), 0, 0);
    zipGrid->addWidget(m_factor, 0, 1);
    auto* modes = new QButtonGroup(zip);
    for (int mode = 0; mode < 3; ++mode) {
        m_pathModes[mode] = new QRadioButton(QString::fromLatin1(kPathModeTexts[mode]));
        modes->addButton(m_pathModes[mode], mode);
        zipGrid->addWidget(m_pathModes[mode], 1 + mode, 0, 1, 2);
    }
    m_shortNames = new QCheckBox(" Add Filenames In DOS &8.3\nFormat");
    zipGrid->addWidget(m_shortNames, 4, 0, 1, 2);
    m_password = new QLineEdit;
    m_password->setMaxLength(static_cast<int>(fileops::kCopyPasswordLimit));
    m_password->setEchoMode(QLineEdit::Password);
    zipGrid->addWidget(BuddyLabel("Pass&word:", m_password), 5, 0);
    zipGrid->addWidget(m_password, 5, 1);
    row->addWidget(zip, 1);
    layout->addLayout(row);
}

CCopyDialog::~CCopyDialog() {
    StopCount();
}

// --- settings ------------------------------------------------------------------

void CCopyDialog::LoadSettings() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    const CCopyParameters p = fileops::ReadCopySettings(AppIntReader());
    m_newer->setChecked(p.flags & fileops::kCopyOnlyIfNewer);
    m_exists->setChecked(p.flags & fileops::kCopyOnlyIfDestinationExists);
    m_prompt->setChecked(p.flags & fileops::kCopyPromptBeforeOverwrite);
    m_shortNames->setChecked(p.flags & fileops::kCopyZip83Names);
    m_factor->setCurrentIndex(fileops::CompressionFactorIndex(p.compressionFactor));
    m_pathModes[p.zipPathMode >= 0 && p.zipPathMode <= 2 ? p.zipPathMode : 0]->setChecked(true);
    if (a)
        m_history.Load([a](const std::string& section, const std::string& key) {
            return a->ReadString(section, key);
        });
    for (const std::string& entry : m_history.Entries())
        m_target->addItem(Text(entry));
    m_target->setCurrentIndex(-1);
    m_target->setEditText(m_history.Entries().empty() ? QString()
                                                      : Text(m_history.Entries().front()));
}

void CCopyDialog::StoreSettings(const CCopyParameters& parameters) {
    m_history.Add(parameters.targetPath);
    const fileops::SettingsWriter write = AppWriter();
    if (!write)
        return;
    fileops::WriteCopySettings(parameters, write);
    m_history.Save(write);
}

// --- the controls ----------------------------------------------------------------

CCopyParameters CCopyDialog::Parameters() const {
    CCopyParameters p;
    p.operation = fileops::CopyKindOf(m_move->isChecked(), m_directory);
    p.flags = 0;
    if (m_newer->isChecked())
        p.flags |= fileops::kCopyOnlyIfNewer;
    if (m_exists->isChecked())
        p.flags |= fileops::kCopyOnlyIfDestinationExists;
    if (m_prompt->isChecked())
        p.flags |= fileops::kCopyPromptBeforeOverwrite;
    if (m_shortNames->isChecked())
        p.flags |= fileops::kCopyZip83Names;
    const int factor = std::max(0, m_factor->currentIndex());
    p.compressionFactor = fileops::CompressionFactors()[static_cast<size_t>(factor)].value;
    for (int mode = 0; mode < 3; ++mode)
        if (m_pathModes[mode]->isChecked())
            p.zipPathMode = mode;
    p.password = m_password->text().toStdString();
    p.sourceDirectory = m_source;
    if (!m_directory)
        p.files = m_files;
    p.targetPath = m_target->currentText().trimmed().toStdString();
    return p;
}

QString CCopyDialog::CountText() const {
    return m_countLabel->text();
}

void CCopyDialog::ShowGroupCount() {
    const int group = m_group->currentData().toInt();
    m_files = m_groupFiles ? m_groupFiles(group) : std::vector<std::string>();
    m_countLabel->setText(FileCountText(m_files.size()));
}

void CCopyDialog::Browse() {
    std::string start = m_target->currentText().trimmed().toStdString();
    if (start.empty())
        start = m_source;
    if (std::optional<std::string> chosen = ui::Current().PickDirectory("Target Directory", start))
        m_target->setEditText(Text(*chosen));
}

void CCopyDialog::accept() {
    const CCopyParameters p = Parameters();
    const std::string refusal = m_list ? fileops::ValidateListCopy(p, *CurrentDrives(), true)
                                       : fileops::ValidateCopy(p, *CurrentDrives(), true);
    if (!refusal.empty()) {
        ui::Current().Message(refusal);
        if (!m_directory && p.files.empty())
            m_group->setFocus();
        else
            m_target->setFocus();
        return;
    }
    StoreSettings(p);
    QDialog::accept();
}

// --- the tree count --------------------------------------------------------------

void CCopyDialog::StartCount(TreeCounter counter) {
    m_cancelCount = StartTreeCount(m_source, std::move(counter),
                                   [this](fileops::TreeCount count) { ShowCount(count); });
}

void CCopyDialog::ShowCount(const fileops::TreeCount& count) {
    m_cancelCount.reset();
    if (count.known)
        m_countLabel->setText(TreeCountText(count));
    emit CountArrived();
}

void CCopyDialog::StopCount() {
    if (m_cancelCount)
        m_cancelCount->store(true);
    m_cancelCount.reset();
}

void CCopyDialog::done(int result) {
    StopCount();
    QDialog::done(result);
}

} // namespace vorlane::gui
