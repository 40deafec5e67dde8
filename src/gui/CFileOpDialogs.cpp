#include "gui/CFileOpDialogs.h"

#include "fileops/CFileOperation.h"
#include "platform/PathAbbreviation.h"
#include "ui/UserInterface.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace vorlane::gui {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

FileOpStartWatcher& Watcher() {
    static FileOpStartWatcher watcher; // GUI thread only
    return watcher;
}

// The attribute boxes in their order, with their bits.
struct AttributeEntry {
    const char* text;
    uint32_t bit;
};
constexpr AttributeEntry kAttributeBoxes[] = {
    {"&Read Only", 0x01},
    {"&System", 0x04},
    {"&Hidden", 0x02},
    {"&Archive", 0x20},
};

constexpr const char* kTouchFieldTexts[] = {"&Creation date/time", "Last &Access date/time",
                                            "Last &Write date/time"};

} // namespace

void SetFileOpStartWatcher(FileOpStartWatcher watcher) {
    Watcher() = std::move(watcher);
}

void NotifyFileOpStart(const FileOpStart& start) {
    if (Watcher())
        Watcher()(start);
}

// --- the group dialogs -----------------------------------------------------------

CFileOpDialog::CFileOpDialog(const char* caption, int helpContext, const std::string& directory,
                             GroupFiles files, int group, const char* pathLabel,
                             const char* countLabel, QWidget* parent)
    : QDialog(parent), m_helpContext(helpContext), m_directory(directory),
      m_groupFiles(std::move(files)) {
    setWindowTitle(caption);
    m_layout = new QVBoxLayout(this);
    m_grid = new QGridLayout;
    m_grid->setColumnStretch(1, 1);
    auto* path = new QLabel(Text(directory));
    path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_grid->addWidget(new QLabel(pathLabel), 0, 0);
    m_grid->addWidget(path, 0, 1, 1, 2);
    m_countLabel = new QLabel;
    m_countLabel->setObjectName("countLabel");
    if (m_groupFiles) {
        m_group = new QComboBox;
        m_grid->addWidget(BuddyLabel("File &Group:", m_group), 1, 0);
        m_grid->addWidget(m_group, 1, 1);
        m_grid->addWidget(new QLabel(countLabel), 2, 0);
        m_grid->addWidget(m_countLabel, 2, 1, 1, 2);
        FillGroupChoice(m_group, group);
        connect(m_group, &QComboBox::currentIndexChanged, this, [this] { ShowGroupCount(); });
        ShowGroupCount();
    } else {
        m_countLabel->setText(kCountUnknown);
        m_grid->addWidget(new QLabel(countLabel), 1, 0);
        m_grid->addWidget(m_countLabel, 1, 1, 1, 2);
    }
    m_layout->addLayout(m_grid);
}

void CFileOpDialog::FinishLayout() {
    m_layout->addWidget(MakeDialogButtons(this, m_helpContext));
}

QString CFileOpDialog::CountText() const {
    return m_countLabel->text();
}

void CFileOpDialog::ShowGroupCount() {
    m_files = m_groupFiles(m_group->currentData().toInt());
    m_countLabel->setText(FileCountText(m_files.size()));
    QStringList names;
    for (const std::string& name : m_files)
        names << Text(name);
    m_countLabel->setToolTip(names.join('\n'));
}

QWidget* CFileOpDialog::FocusAfterRefusal() const {
    return m_group;
}

void CFileOpDialog::accept() {
    const std::string refusal = Refusal();
    if (!refusal.empty()) {
        ui::Current().Message(refusal);
        if (QWidget* focus = FocusAfterRefusal())
            focus->setFocus();
        return;
    }
    Store();
    QDialog::accept();
}

// --- delete ----------------------------------------------------------------------

std::unique_ptr<CDeleteDialog> CDeleteDialog::ForFiles(const std::string& directory,
                                                       GroupFiles files, int group,
                                                       bool skipRecycle, QWidget* parent) {
    return std::unique_ptr<CDeleteDialog>(
        new CDeleteDialog(directory, std::move(files), group, skipRecycle, parent));
}

std::unique_ptr<CDeleteDialog> CDeleteDialog::ForDirectory(const std::string& directory,
                                                           bool skipRecycle, QWidget* parent,
                                                           TreeCounter counter) {
    std::unique_ptr<CDeleteDialog> dialog(new CDeleteDialog(directory, {}, 0, skipRecycle, parent));
    CDeleteDialog* self = dialog.get();
    dialog->m_cancelCount =
        StartTreeCount(directory, std::move(counter), [self](fileops::TreeCount count) {
            self->m_cancelCount.reset();
            self->m_countLabel->setText(TreeCountText(count));
            emit self->CountArrived();
        });
    return dialog;
}

CDeleteDialog::CDeleteDialog(const std::string& directory, GroupFiles files, int group,
                             bool skipRecycle, QWidget* parent)
    : CFileOpDialog(files ? fileops::kDeleteFilesCaption : kRemoveCaption, kHelpContext, directory,
                    files, group,
                    files ? "Path:" : "Directory:", files ? "Files:" : "Contains:", parent) {
    auto* options = new QGroupBox;
    auto* list = new QVBoxLayout(options);
    auto* types = new QButtonGroup(options);
    // In the dialog's order: recycle bin, normal, zap.
    const std::pair<int, const char*> typeTexts[] = {
        {fileops::kDeleteRecycle, "Delete To &Recycle BIN"},
        {fileops::kDeleteNormal, "&Normal Delete"},
        {fileops::kDeleteZap, "&Zap Delete"},
    };
    for (const auto& [type, text] : typeTexts) {
        m_types[type] = new QRadioButton(QString::fromLatin1(text));
        types->addButton(m_types[type], type);
        list->addWidget(m_types[type]);
    }
    m_prompt = new QCheckBox("&Prompt before deletion");
    list->addWidget(m_prompt);
    m_layout->addWidget(options);
    FinishLayout();

    const fileops::CDeleteParameters stored = fileops::ReadDeleteSettings(AppIntReader());
    m_storedType = stored.deleteType;
    m_preselected = skipRecycle && m_storedType == fileops::kDeleteRecycle ? fileops::kDeleteNormal
                                                                           : m_storedType;
    m_types[m_preselected]->setChecked(true);
    m_prompt->setChecked(stored.promptFirst);
}

CDeleteDialog::~CDeleteDialog() {
    StopCount();
}

int CDeleteDialog::DeleteType() const {
    for (int type : {fileops::kDeleteNormal, fileops::kDeleteZap, fileops::kDeleteRecycle})
        if (m_types[type]->isChecked())
            return type;
    return fileops::kDeleteNormal;
}

fileops::CDeleteParameters CDeleteDialog::Parameters() const {
    fileops::CDeleteParameters p;
    p.deleteType = DeleteType();
    p.promptFirst = m_prompt->isChecked();
    p.directory = Directory();
    p.files = Files();
    return p;
}

fileops::CRemoveDirectoryParameters CDeleteDialog::DirectoryParameters() const {
    fileops::CRemoveDirectoryParameters p;
    p.deleteType = DeleteType();
    p.promptFirst = m_prompt->isChecked();
    p.directory = Directory();
    return p;
}

std::string CDeleteDialog::Refusal() const {
    if (!IsDirectoryDialog() && Files().empty())
        return fileops::kEmptyGroupText;
    return "";
}

void CDeleteDialog::Store() const {
    if (const fileops::SettingsWriter write = AppWriter()) {
        // Shift+Delete's normal delete is for this once: the stored choice
        // stays unless the user picked another.
        const int type = DeleteType() == m_preselected ? m_storedType : DeleteType();
        fileops::WriteDeleteSettings(type, m_prompt->isChecked(), write);
    }
}

void CDeleteDialog::StopCount() {
    if (m_cancelCount)
        m_cancelCount->store(true);
    m_cancelCount.reset();
}

void CDeleteDialog::done(int result) {
    StopCount();
    QDialog::done(result);
}

// --- rename ----------------------------------------------------------------------

CRenameDialog::CRenameDialog(const std::string& directory, GroupFiles files, int group,
                             QWidget* parent)
    : CFileOpDialog(fileops::kRenameFilesCaption, kHelpContext, directory, std::move(files), group,
                    "Path:", "File(s):", parent) {
    // The group row's label of this dialog has its access key on the F.
    static_cast<QLabel*>(m_grid->itemAtPosition(1, 0)->widget())->setText("&File Group:");
    m_newName = new QLineEdit;
    m_grid->addWidget(BuddyLabel("Rename &To:", m_newName), 3, 0);
    m_grid->addWidget(m_newName, 3, 1, 1, 2);
    auto* note = new QLabel("If you select to rename more than one file, you MUST use the "
                            "wildcards '*' and/or '?'. You may also use wildcards to rename a "
                            "single file (Example: *.DOC).");
    note->setWordWrap(true);
    m_layout->addWidget(note);
    FinishLayout();
    m_newName->setFocus();
}

fileops::CRenameParameters CRenameDialog::Parameters() const {
    fileops::CRenameParameters p;
    p.directory = Directory();
    p.files = Files();
    p.newName = m_newName->text().trimmed().toStdString();
    return p;
}

std::string CRenameDialog::Refusal() const {
    return fileops::ValidateRename(Parameters());
}

QWidget* CRenameDialog::FocusAfterRefusal() const {
    return Files().empty() ? static_cast<QWidget*>(m_group) : m_newName;
}

CFileRenameDialog::CFileRenameDialog(const std::string& dosPath, bool directory, QWidget* parent)
    : QDialog(parent), m_path(dosPath) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    m_newName = new QLineEdit;
    // The old name is shortened as the status and error texts shorten paths.
    const std::string shown =
        platform::AbbreviatePath(dosPath, fileops::CFileOperation::kShortPathLength);
    m_prompt = new QLabel(QString::asprintf(
        "&Enter a new name for %s\n%s:", directory ? "directory" : "file", shown.c_str()));
    m_prompt->setBuddy(m_newName);
    layout->addWidget(m_prompt);
    layout->addWidget(m_newName);
    const size_t slash = dosPath.find_last_of('\\');
    const QString name = Text(slash == std::string::npos ? dosPath : dosPath.substr(slash + 1));
    m_newName->setText(name);
    // The name without its extension is selected, ready to be typed over.
    const int dot = directory ? -1 : static_cast<int>(name.lastIndexOf('.'));
    m_newName->setSelection(0, dot > 0 ? dot : static_cast<int>(name.size()));
    m_newName->setMinimumWidth(m_newName->fontMetrics().averageCharWidth() * 40);
    layout->addWidget(MakeDialogButtons(this, kHelpContext));
    m_newName->setFocus();
}

std::string CFileRenameDialog::NewName() const {
    return m_newName->text().trimmed().toStdString();
}

QString CFileRenameDialog::PromptText() const {
    return m_prompt->text();
}

void CFileRenameDialog::accept() {
    fileops::CRenameParameters p;
    p.files = {m_path};
    p.newName = NewName();
    if (const std::string refusal = fileops::ValidateRename(p); !refusal.empty()) {
        ui::Current().Message(refusal);
        m_newName->setFocus();
        return;
    }
    QDialog::accept();
}

// --- attributes ------------------------------------------------------------------

CAttributesDialog::CAttributesDialog(const std::string& directory, GroupFiles files, int group,
                                     QWidget* parent)
    : CFileOpDialog("File Attributes", kHelpContext, directory, std::move(files), group,
                    "Path:", "File(s):", parent) {
    auto* box = new QGroupBox;
    auto* list = new QVBoxLayout(box);
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
        m_boxes[i] = new QCheckBox(QString::fromLatin1(kAttributeBoxes[i].text));
        m_boxes[i]->setTristate(true);
        list->addWidget(m_boxes[i]);
    }
    m_layout->addWidget(box);
    FinishLayout();
    // Every box starts grey (leave); the stored masks then apply.
    fileops::CAttributeParameters p;
    fileops::ReadAttributeSettings(AppIntReader(), &p);
    Show(p);
}

QCheckBox* CAttributesDialog::AttributeBox(uint32_t bit) const {
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i)
        if (kAttributeBoxes[i].bit == bit)
            return m_boxes[i];
    return nullptr;
}

void CAttributesDialog::Show(const fileops::CAttributeParameters& p) {
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
        const uint32_t bit = kAttributeBoxes[i].bit;
        m_boxes[i]->setCheckState((p.setMask & bit)     ? Qt::Checked
                                  : (p.clearMask & bit) ? Qt::Unchecked
                                                        : Qt::PartiallyChecked);
    }
}

fileops::CAttributeParameters CAttributesDialog::Parameters() const {
    fileops::CAttributeParameters p;
    p.directory = Directory();
    p.files = Files();
    p.setMask = p.clearMask = p.leaveMask = 0;
    for (size_t i = 0; i < std::size(kAttributeBoxes); ++i) {
        const uint32_t bit = kAttributeBoxes[i].bit;
        switch (m_boxes[i]->checkState()) {
        case Qt::Checked:
            p.setMask |= bit;
            break;
        case Qt::Unchecked:
            p.clearMask |= bit;
            break;
        default:
            p.leaveMask |= bit;
        }
    }
    return p;
}

std::string CAttributesDialog::Refusal() const {
    return fileops::ValidateAttributes(Parameters());
}

void CAttributesDialog::Store() const {
    if (const fileops::SettingsWriter write = AppWriter())
        fileops::WriteAttributeSettings(Parameters(), write);
}

// --- touch -----------------------------------------------------------------------

CTouchDialog::CTouchDialog(const std::string& directory, GroupFiles files, int group,
                           QWidget* parent)
    : CFileOpDialog("File Touch", kHelpContext, directory, std::move(files), group,
                    "Path:", "File(s):", parent) {
    const QDateTime now = QDateTime::currentDateTime();
    m_date = new QDateEdit(now.date());
    m_date->setCalendarPopup(true);
    m_time = new QTimeEdit(now.time());
    m_time->setDisplayFormat("HH:mm:ss");
    auto* when = new QHBoxLayout;
    when->addWidget(m_date);
    when->addWidget(m_time);
    m_grid->addWidget(BuddyLabel("&Date/Time:", m_date), 3, 0);
    m_grid->addLayout(when, 3, 1, 1, 2);
    auto* box = new QGroupBox("Attributes to Touch:");
    auto* list = new QVBoxLayout(box);
    const unsigned fields = fileops::ReadTouchSettings(AppIntReader());
    for (unsigned i = 0; i < 3; ++i) {
        m_fields[i] = new QCheckBox(QString::fromLatin1(kTouchFieldTexts[i]));
        m_fields[i]->setChecked(fields & (1u << i));
        list->addWidget(m_fields[i]);
    }
    m_layout->addWidget(box);
    FinishLayout();
}

QCheckBox* CTouchDialog::FieldBox(unsigned bit) const {
    for (unsigned i = 0; i < 3; ++i)
        if (bit == (1u << i))
            return m_fields[i];
    return nullptr;
}

fileops::CTouchParameters CTouchDialog::Parameters() const {
    fileops::CTouchParameters p;
    p.directory = Directory();
    p.files = Files();
    // The date and time are entered in local time.
    const QDateTime when(m_date->date(), m_time->time());
    p.time = platform::FileTime{when.toSecsSinceEpoch(), 0};
    p.fields = 0;
    for (unsigned i = 0; i < 3; ++i)
        if (m_fields[i]->isChecked())
            p.fields |= 1u << i;
    return p;
}

std::string CTouchDialog::Refusal() const {
    return fileops::ValidateTouch(Parameters());
}

void CTouchDialog::Store() const {
    if (const fileops::SettingsWriter write = AppWriter())
        fileops::WriteTouchSettings(Parameters().fields, write);
}

// --- make directory --------------------------------------------------------------

CMakeDirectoryDialog::CMakeDirectoryDialog(const std::string& currentDirectory, QWidget* parent)
    : QDialog(parent), m_current(currentDirectory) {
    setWindowTitle(fileops::kMakeDirectoryCaption);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->addWidget(new QLabel("Current Directory:"), 0, 0);
    grid->addWidget(new QLabel(Text(currentDirectory)), 0, 1);
    m_name = new QLineEdit;
    m_name->setMinimumWidth(m_name->fontMetrics().averageCharWidth() * 40);
    grid->addWidget(BuddyLabel("&Name:", m_name), 1, 0);
    grid->addWidget(m_name, 1, 1);
    m_plain = new QRadioButton("&Directory");
    m_zip = new QRadioButton("Compression File (&Zip)");
    m_plain->setChecked(true);
    auto* types = new QHBoxLayout;
    types->addWidget(m_plain);
    types->addWidget(m_zip);
    types->addStretch(1);
    grid->addWidget(BuddyLabel("&Type:", m_plain), 2, 0);
    grid->addLayout(types, 2, 1);
    layout->addLayout(grid);
    QDialogButtonBox* buttons = MakeDialogButtons(this, kHelpContext);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    auto enable = [this] { m_ok->setEnabled(!m_name->text().trimmed().isEmpty()); };
    connect(m_name, &QLineEdit::textChanged, this, enable);
    enable();
    m_name->setFocus();
}

bool CMakeDirectoryDialog::OkEnabled() const {
    return m_ok->isEnabled();
}

void CMakeDirectoryDialog::accept() {
    if (m_zip->isChecked()) {
        const fileops::CMakeDirectoryParameters p = Parameters();
        if (const std::string refusal =
                fileops::ValidateNewZipName(p.currentDirectory, p.name, *CurrentDrives(), nullptr);
            !refusal.empty()) {
            ui::Current().Message(refusal, fileops::kMakeDirectoryCaption);
            m_name->setFocus();
            return;
        }
    }
    QDialog::accept();
}

fileops::CMakeDirectoryParameters CMakeDirectoryDialog::Parameters() const {
    fileops::CMakeDirectoryParameters p;
    p.currentDirectory = m_current;
    p.name = m_name->text().trimmed().toStdString();
    p.zip = m_zip->isChecked();
    return p;
}

} // namespace vorlane::gui
