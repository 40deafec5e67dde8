#include "gui/CCustomTagDialog.h"

#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "objdb/CAppObjectDatabase.h"
#include "platform/Profile.h"
#include "ui/UserInterface.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

namespace vorlane::gui {

namespace {

using search::AttributeState;
using search::kBoxCount;

constexpr const char* kBoxLabels[kBoxCount] = {"&Read Only", "&Hidden", "S&ystem", "&Archive"};
constexpr const char* kDateForm = "MM/dd/yyyy";

Qt::CheckState BoxState(AttributeState state) {
    return state == AttributeState::Set       ? Qt::Checked
           : state == AttributeState::Cleared ? Qt::Unchecked
                                              : Qt::PartiallyChecked;
}

AttributeState StateOf(Qt::CheckState state) {
    return state == Qt::Checked     ? AttributeState::Set
           : state == Qt::Unchecked ? AttributeState::Cleared
                                    : AttributeState::Either;
}

} // namespace

uint16_t DosDateOf(const QDate& date) {
    if (!date.isValid() || date.year() < 1980 || date.year() > 2107)
        return 0;
    return static_cast<uint16_t>((date.year() - 1980) * 512 + date.month() * 32 + date.day());
}

QDate QDateOf(uint16_t dosDate) {
    return QDate((dosDate >> 9) + 1980, (dosDate >> 5) & 15, dosDate & 31);
}

std::unique_ptr<search::CFileSetStore> AppFileSets() {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    auto* db = a ? dynamic_cast<objdb::CAppObjectDatabase*>(a->Database()) : nullptr;
    if (!db || !db->Database().IsOpen())
        return nullptr;
    return std::make_unique<search::CFileSetStore>(db->Database().Database());
}

bool CRequestCriteria::Matches(const catalogue::CFileContainer& file) const {
    return catalogue::FileMatches(m_request, file);
}

// --- dialog -----------------------------------------------------------------------

CCustomTagDialog::CCustomTagDialog(QWidget* parent, const char* caption) : QDialog(parent) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_fileTypes = new QLineEdit;
    m_fileTypes->setMaxLength(256);
    m_fileTypes->setPlaceholderText("*.*");
    form->addRow("File &Types (file sets/wildcards):", m_fileTypes);

    auto* sizeRow = new QHBoxLayout;
    m_sizeMode = new QComboBox;
    m_sizeMode->addItems({"Any size", "Less than", "Greater than"});
    m_sizeKb = new QSpinBox;
    m_sizeKb->setRange(0, 2147483647);
    m_sizeKb->setSuffix(" KB");
    sizeRow->addWidget(m_sizeMode);
    sizeRow->addWidget(m_sizeKb, 1);
    // A row that is a layout gets no buddy of its own: without one the
    // access key does nothing and the label draws its '&'.
    auto* sizeLabel = new QLabel("&Size:");
    sizeLabel->setBuddy(m_sizeMode);
    form->addRow(sizeLabel, sizeRow);

    auto* dateRow = new QHBoxLayout;
    m_dateMode = new QComboBox;
    m_dateMode->addItems({"Any date", "Before", "On", "After", "Between"});
    m_date1 = new QDateEdit(QDate::currentDate());
    m_date2 = new QDateEdit(QDate::currentDate());
    for (QDateEdit* edit : {m_date1, m_date2}) {
        edit->setDisplayFormat(kDateForm);
        edit->setCalendarPopup(true);
        edit->setMinimumDate(QDate(1980, 1, 1));
        edit->setMaximumDate(QDate(2107, 12, 31));
    }
    dateRow->addWidget(m_dateMode);
    dateRow->addWidget(m_date1, 1);
    dateRow->addWidget(new QLabel("and"));
    dateRow->addWidget(m_date2, 1);
    auto* dateLabel = new QLabel("&Date:");
    dateLabel->setBuddy(m_dateMode);
    form->addRow(dateLabel, dateRow);
    layout->addLayout(form);

    auto* attributes = new QGroupBox("Attributes (grey: either)");
    auto* grid = new QHBoxLayout(attributes);
    for (int box = 0; box < kBoxCount; ++box) {
        auto* check = new QCheckBox(kBoxLabels[box]);
        check->setTristate(true);
        check->setCheckState(Qt::PartiallyChecked);
        m_attributes[static_cast<size_t>(box)] = check;
        grid->addWidget(check);
    }
    layout->addWidget(attributes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CCustomTagDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_sizeMode, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabled(); });
    connect(m_dateMode, &QComboBox::currentIndexChanged, this, [this] { UpdateEnabled(); });
    Load();
    UpdateEnabled();
}

void CCustomTagDialog::UpdateEnabled() {
    m_sizeKb->setEnabled(m_sizeMode->currentIndex() != 0);
    m_date1->setEnabled(m_dateMode->currentIndex() != 0);
    m_date2->setEnabled(m_dateMode->currentIndex() == static_cast<int>(DateMode::Between));
}

CFileSearchCriteriaTransfer CCustomTagDialog::Transfer() const {
    CFileSearchCriteriaTransfer t;
    t.fileTypes = m_fileTypes->text().toStdString();
    t.sizeMode = static_cast<SizeMode>(m_sizeMode->currentIndex());
    t.sizeKb = m_sizeKb->value();
    t.dateMode = static_cast<DateMode>(m_dateMode->currentIndex());
    t.date1 = DosDateOf(m_date1->date());
    t.date2 = DosDateOf(m_date2->date());
    for (size_t box = 0; box < t.attributes.size(); ++box)
        t.attributes[box] = StateOf(m_attributes[box]->checkState());
    return t;
}

void CCustomTagDialog::SetTransfer(const CFileSearchCriteriaTransfer& t) {
    m_fileTypes->setText(QString::fromStdString(t.fileTypes));
    m_sizeMode->setCurrentIndex(static_cast<int>(t.sizeMode));
    m_sizeKb->setValue(static_cast<int>(std::clamp<int64_t>(t.sizeKb, 0, 2147483647)));
    m_dateMode->setCurrentIndex(static_cast<int>(t.dateMode));
    if (QDateOf(t.date1).isValid())
        m_date1->setDate(QDateOf(t.date1));
    if (QDateOf(t.date2).isValid())
        m_date2->setDate(QDateOf(t.date2));
    for (size_t box = 0; box < t.attributes.size(); ++box)
        m_attributes[box]->setCheckState(BoxState(t.attributes[box]));
}

void CCustomTagDialog::Load() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return;
    platform::ProfileFile ini(a->SettingsPath());
    ini.Load();
    SetTransfer(search::ReadSearchDetails(ini, DosDateOf(QDate::currentDate())));
}

void CCustomTagDialog::Store(const CFileSearchCriteriaTransfer& t) {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return;
    platform::ProfileFile ini(a->SettingsPath());
    if (!ini.Load())
        return; // never write over a file that could not be read
    search::WriteSearchDetails(ini, t);
    ini.Flush();
}

void CCustomTagDialog::accept() {
    CFileSearchCriteriaTransfer t = Transfer();
    std::unique_ptr<search::CFileSetStore> sets = AppFileSets();
    search::CFileSearchRequest request;
    std::string refusal;
    search::CriteriaField field = search::CriteriaField::None;
    if (!search::BuildSearchRequest(t, sets.get(), &request, &refusal, &field)) {
        ui::Current().Message(refusal);
        (field == search::CriteriaField::Dates ? static_cast<QWidget*>(m_date1) : m_fileTypes)
            ->setFocus();
        return;
    }
    m_criteria = std::make_shared<CRequestCriteria>(std::move(request));
    Store(t);
    QDialog::accept();
}

// --- prompt -----------------------------------------------------------------------

std::shared_ptr<const catalogue::CFileCriteria> CCustomTagPrompt::AskCustomTag() {
    CCustomTagDialog dialog(m_parent);
    if (m_run(dialog) != QDialog::Accepted)
        return nullptr;
    return dialog.Criteria();
}

} // namespace vorlane::gui
