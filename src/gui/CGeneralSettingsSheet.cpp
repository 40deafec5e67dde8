#include "gui/CGeneralSettingsSheet.h"

#include "app/CDriveType.h"
#include "gui/FileIcons.h"
#include "platform/Drives.h"
#include "ui/UserInterface.h"
#include "viewers/ImageFormats.h"

#include <QCheckBox>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vorlane::gui {

namespace {

// The Advanced page's check boxes, in page order, with the flag each sets.
struct FlagBox {
    const char* label;
    bool app::AppSettings::*flag;
};
constexpr FlagBox kFlagBoxes[] = {
    {"&File Launching", &app::AppSettings::fileLaunch},
    {"Use &temp dir for compression launch", &app::AppSettings::useTempDirForLaunch},
    {"&Minimize when launching files", &app::AppSettings::minimizeOnLaunch},
    {"Support &4DOS descriptions", &app::AppSettings::fourDosDescriptions},
    {"Automatic &Drag-and-Drop Operations", &app::AppSettings::automaticDragAndDrop},
    {"&Preserve tags across directories", &app::AppSettings::preserveTags},
    {"&Exit without prompting", &app::AppSettings::exitWithoutPrompting},
    {"&Save settings when exiting", &app::AppSettings::saveSettingsOnExit},
};

constexpr const char* kModeLabels[] = {
    "&Nothing: let me choose", "Open the &Log Drive dialog",
    "Log the &current drive",  "Create a &new archive",
    "&Open an archive",        "&Reopen the windows of the last session",
};

constexpr const char* kGroupLabels[] = {"All &Floppy Drives", "All F&ixed Drives",
                                        "All &Network Drives", "All &Other Drives"};

QWidget* PageOf(QLayout* layout) {
    auto* page = new QWidget;
    page->setLayout(layout);
    return page;
}

} // namespace

CGeneralSettingsSheet::DriveGroup CGeneralSettingsSheet::GroupOf(int driveType) {
    using app::CDriveType;
    switch (driveType) {
    case CDriveType::kFloppy:
    case CDriveType::kRemovable:
        return kFloppyDrives;
    case CDriveType::kHard:
    case CDriveType::kCompressed:
        return kFixedDrives;
    case CDriveType::kNetwork:
    case CDriveType::kRemote:
        return kNetworkDrives;
    default:
        return kOtherDrives;
    }
}

CGeneralSettingsSheet::CGeneralSettingsSheet(app::AppSettings& settings,
                                             std::vector<DriveEntry> drives,
                                             InitialModeWriter writeInitialMode, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_drives(std::move(drives)),
      m_writeInitialMode(std::move(writeInitialMode)) {
    setWindowTitle("General Settings");
    m_pages = new QTabWidget(this);
    m_pages->addTab(MakeAdvancedPage(), "&Advanced");
    m_pages->addTab(MakeDrivesPage(), "Drives");
    m_pages->addTab(MakeEditorPage(), "Editor");
    m_pages->addTab(MakePathsPage(), "Paths");
    m_pages->addTab(MakeStartupPage(), "Startup");
    m_pages->addTab(MakeThumbnailsPage(), "Thumbnails");
    m_pages->addTab(MakeViewerPage(), "Viewer");

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    m_apply = buttons->button(QDialogButtonBox::Apply);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGeneralSettingsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
}

QWidget* CGeneralSettingsSheet::MakeAdvancedPage() {
    auto* layout = new QVBoxLayout;
    for (size_t i = 0; i < m_flags.size(); ++i) {
        m_flags[i] = new QCheckBox(kFlagBoxes[i].label);
        m_flags[i]->setChecked(m_settings.*kFlagBoxes[i].flag);
        layout->addWidget(m_flags[i]);
    }
    layout->addStretch();
    return PageOf(layout);
}

QWidget* CGeneralSettingsSheet::MakeDrivesPage() {
    auto* layout = new QHBoxLayout;
    m_driveList = new QListWidget;
    for (const DriveEntry& drive : m_drives) {
        auto* item = new QListWidgetItem(
            DriveIcon(drive.type),
            QString("%1:  %2").arg(drive.letter).arg(app::CDriveType::TypeName(drive.type)),
            m_driveList);
        item->setData(Qt::UserRole, QChar(drive.letter));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        size_t at = static_cast<size_t>(drive.letter - 'A');
        bool shown = at < m_settings.shownDrives.size() && m_settings.shownDrives[at] != '.';
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(m_driveList, 1);
    auto* groups = new QVBoxLayout;
    for (int group = kFloppyDrives; group <= kOtherDrives; ++group) {
        auto* box = new QCheckBox(kGroupLabels[group]);
        connect(box, &QCheckBox::toggled, this,
                [this, group](bool on) { SelectDriveGroup(static_cast<DriveGroup>(group), on); });
        m_allDrives[static_cast<size_t>(group)] = box;
        groups->addWidget(box);
    }
    groups->addStretch();
    layout->addLayout(groups);
    return PageOf(layout);
}

void CGeneralSettingsSheet::SelectDriveGroup(DriveGroup group, bool on) {
    for (int row = 0; row < m_driveList->count(); ++row)
        if (GroupOf(m_drives[static_cast<size_t>(row)].type) == group)
            m_driveList->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

std::string CGeneralSettingsSheet::ShownDrives() const {
    std::string shown(26, '.');
    for (int row = 0; row < m_driveList->count(); ++row) {
        char letter = m_drives[static_cast<size_t>(row)].letter;
        if (m_driveList->item(row)->checkState() == Qt::Checked)
            shown[static_cast<size_t>(letter - 'A')] = static_cast<char>(letter - 'A' + 'a');
    }
    return shown;
}

QWidget* CGeneralSettingsSheet::MakeEditorPage() {
    auto* layout = new QVBoxLayout;
    m_internalEditor = new QRadioButton("Use &internal editor");
    m_externalEditor = new QRadioButton("Use &external editor");
    (m_settings.useExternalEditor && !m_settings.useInternalEditor ? m_externalEditor
                                                                   : m_internalEditor)
        ->setChecked(true);
    layout->addWidget(m_internalEditor);
    layout->addWidget(m_externalEditor);
    auto* form = new QFormLayout;
    auto* commandRow = new QHBoxLayout;
    m_commandLine = new QLineEdit(QString::fromStdString(m_settings.editorCommandLine));
    m_commandLine->setMaxLength(255);
    auto* browse = new QPushButton("&Browse...");
    connect(browse, &QPushButton::clicked, this, [this] { BrowseEditor(); });
    commandRow->addWidget(m_commandLine, 1);
    commandRow->addWidget(browse);
    auto* commandLabel = new QLabel("&Command line:");
    commandLabel->setBuddy(m_commandLine); // the row is a layout: name the buddy
    form->addRow(commandLabel, commandRow);
    m_workDirectory = new QLineEdit(QString::fromStdString(m_settings.editorWorkDirectory));
    m_workDirectory->setMaxLength(255);
    form->addRow("&Work directory:", m_workDirectory);
    layout->addLayout(form);
    layout->addWidget(new QLabel("%file% in the command line stands for the selected file."));
    layout->addStretch();
    return PageOf(layout);
}

void CGeneralSettingsSheet::BrowseEditor() {
    std::optional<std::string> program = ui::Current().PickOpenFile(
        "Browse for External Editor", "Programs|*.EXE;*.COM;*.BAT;*.PIF|All Files|*", "");
    if (program)
        m_commandLine->setText(QString::fromStdString(*program) + " %file%");
}

QWidget* CGeneralSettingsSheet::MakePathsPage() {
    auto* form = new QFormLayout;
    m_zipTempPath = new QLineEdit(QString::fromStdString(m_settings.zipTempPath));
    m_zipTempPath->setMaxLength(255);
    form->addRow("&Zip temp path:", m_zipTempPath);
    return PageOf(form);
}

QWidget* CGeneralSettingsSheet::MakeStartupPage() {
    auto* box = new QGroupBox("When Vorlane starts");
    auto* inner = new QVBoxLayout(box);
    for (size_t i = 0; i < m_modes.size(); ++i) {
        m_modes[i] = new QRadioButton(kModeLabels[i]);
        m_modes[i]->setChecked(m_settings.initialMode == app::kModeNothing + static_cast<int>(i));
        inner->addWidget(m_modes[i]);
    }
    if (m_settings.initialMode < app::kModeNothing ||
        m_settings.initialMode > app::kModeReopenWindows)
        m_modes[0]->setChecked(true);
    auto* layout = new QVBoxLayout;
    layout->addWidget(box);
    layout->addStretch();
    return PageOf(layout);
}

QRadioButton* CGeneralSettingsSheet::StartupMode(int mode) const {
    int at = mode - app::kModeNothing;
    return at >= 0 && at < static_cast<int>(m_modes.size()) ? m_modes[static_cast<size_t>(at)]
                                                            : nullptr;
}

QWidget* CGeneralSettingsSheet::MakeThumbnailsPage() {
    auto* layout = new QVBoxLayout;
    // Every format of the image format table, checked when it is scanned.
    auto* typesLabel = new QLabel("Image &Types");
    m_imageTypes = new QListWidget;
    typesLabel->setBuddy(m_imageTypes);
    const std::vector<int32_t>& chosen = m_settings.thumbnailTypes;
    for (const viewers::ImageFormat& format : viewers::ImageFormatTable()) {
        auto* item = new QListWidgetItem(QString::fromLatin1(format.name), m_imageTypes);
        item->setData(Qt::UserRole, format.code);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool on = std::find(chosen.begin(), chosen.end(), format.code) != chosen.end();
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    m_selectAllTypes = new QPushButton("Select &All");
    m_unselectAllTypes = new QPushButton("&Unselect All");
    auto checkAll = [this](Qt::CheckState state) {
        for (int i = 0; i < m_imageTypes->count(); ++i)
            m_imageTypes->item(i)->setCheckState(state);
    };
    connect(m_selectAllTypes, &QPushButton::clicked, this, [checkAll] { checkAll(Qt::Checked); });
    connect(m_unselectAllTypes, &QPushButton::clicked, this,
            [checkAll] { checkAll(Qt::Unchecked); });
    auto* typeButtons = new QHBoxLayout;
    typeButtons->addWidget(m_selectAllTypes);
    typeButtons->addWidget(m_unselectAllTypes);
    typeButtons->addStretch();
    layout->addWidget(typesLabel);
    layout->addWidget(m_imageTypes);
    layout->addLayout(typeButtons);

    auto* note = new QLabel("All thumbnails are stored at 128 x 96 (or smaller). Thumbnails are "
                            "viewed in a 4 to 3 ratio.");
    note->setWordWrap(true);
    layout->addWidget(note);

    m_thumbWidth = new QSpinBox;
    m_thumbWidth->setRange(16, 512);
    m_thumbWidth->setValue(m_settings.thumbnailWidth);
    m_thumbHeight = new QSpinBox;
    m_thumbHeight->setRange(16, 512);
    m_thumbHeight->setValue(m_settings.thumbnailHeight);
    auto* size = new QHBoxLayout;
    size->addWidget(new QLabel("Display Size:"));
    auto* widthLabel = new QLabel("&Width:");
    widthLabel->setBuddy(m_thumbWidth);
    auto* heightLabel = new QLabel("Height:");
    heightLabel->setBuddy(m_thumbHeight);
    size->addWidget(widthLabel);
    size->addWidget(m_thumbWidth);
    size->addWidget(heightLabel);
    size->addWidget(m_thumbHeight);
    size->addStretch();
    layout->addLayout(size);
    return PageOf(layout);
}

std::vector<int32_t> CGeneralSettingsSheet::CheckedImageTypes() const {
    // The types kept keep their order (it is the scan filter's); new ones
    // follow in the table's.
    std::vector<int32_t> checked;
    for (int i = 0; i < m_imageTypes->count(); ++i)
        if (m_imageTypes->item(i)->checkState() == Qt::Checked)
            checked.push_back(m_imageTypes->item(i)->data(Qt::UserRole).toInt());
    std::vector<int32_t> types;
    for (int32_t code : m_settings.thumbnailTypes)
        if (std::find(checked.begin(), checked.end(), code) != checked.end() &&
            std::find(types.begin(), types.end(), code) == types.end())
            types.push_back(code);
    for (int32_t code : checked)
        if (std::find(types.begin(), types.end(), code) == types.end())
            types.push_back(code);
    return types;
}

QWidget* CGeneralSettingsSheet::MakeViewerPage() {
    auto* layout = new QVBoxLayout;
    m_viewInZip = new QCheckBox("View files in &zip files");
    m_viewInZip->setChecked(m_settings.viewFilesInZipFiles);
    m_viewJpeg = new QCheckBox("View &JPEG files");
    m_viewJpeg->setChecked(m_settings.viewJpegFiles);
    m_maxZipView = new QSpinBox;
    m_maxZipView->setRange(0, 1024 * 1024);
    m_maxZipView->setSuffix(" KB");
    m_maxZipView->setValue(m_settings.maxZipViewSizeKb);
    layout->addWidget(m_viewInZip);
    layout->addWidget(m_viewJpeg);
    auto* form = new QFormLayout;
    form->addRow("&Largest file in a zip file to view:", m_maxZipView);
    layout->addLayout(form);
    layout->addStretch();
    return PageOf(layout);
}

bool CGeneralSettingsSheet::Accepts(Page page, const std::string& refusal) {
    if (refusal.empty())
        return true;
    m_pages->setCurrentIndex(page);
    ui::Current().Message(refusal);
    return false;
}

bool CGeneralSettingsSheet::Apply() {
    std::string drives = ShownDrives();
    std::string workDirectory = m_workDirectory->text().trimmed().toStdString();
    std::string zipTempPath = m_zipTempPath->text().trimmed().toStdString();
    const std::shared_ptr<const platform::DriveMap> map = platform::DriveMap::Current();
    if (!Accepts(kDrives, app::CheckDrivesPage(drives)) ||
        !Accepts(kEditor, app::CheckEditorPage(workDirectory, *map)) ||
        !Accepts(kPaths, app::CheckPathsPage(zipTempPath, *map)))
        return false;

    for (size_t i = 0; i < m_flags.size(); ++i)
        m_settings.*kFlagBoxes[i].flag = m_flags[i]->isChecked();
    m_settings.shownDrives = drives;
    m_settings.useInternalEditor = m_internalEditor->isChecked();
    m_settings.useExternalEditor = m_externalEditor->isChecked();
    m_settings.editorCommandLine = m_commandLine->text().toStdString();
    m_settings.editorWorkDirectory = workDirectory;
    m_settings.zipTempPath = zipTempPath;
    for (size_t i = 0; i < m_modes.size(); ++i)
        if (m_modes[i]->isChecked())
            m_settings.initialMode = app::kModeNothing + static_cast<int>(i);
    if (m_writeInitialMode)
        m_writeInitialMode(m_settings.initialMode);
    m_settings.thumbnailWidth = m_thumbWidth->value();
    m_settings.thumbnailHeight = m_thumbHeight->value();
    m_settings.thumbnailTypes = CheckedImageTypes();
    m_settings.viewFilesInZipFiles = m_viewInZip->isChecked();
    m_settings.viewJpegFiles = m_viewJpeg->isChecked();
    m_settings.maxZipViewSizeKb = m_maxZipView->value();
    return true;
}

void CGeneralSettingsSheet::accept() {
    if (Apply())
        QDialog::accept();
}

} // namespace vorlane::gui
