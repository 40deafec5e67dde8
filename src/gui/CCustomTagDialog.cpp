#include "gui/CCustomTagDialog.h"

#include "app/VorlaneApp.h"
#include "catalogue/CFileContainer.h"
#include "platform/Wildcard.h"
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

// DOS attribute bits and letters of the boxes, in box order.
constexpr uint32_t kBoxBits[kBoxCount] = {0x01, 0x02, 0x04, 0x20};
constexpr const char* kBoxKeys[kBoxCount] = {"Read Only", "Hidden", "System", "Archive"};
constexpr const char* kBoxLabels[kBoxCount] = {"&Read Only", "&Hidden", "S&ystem", "&Archive"};
// The order the conditions list attribute letters in: A, H, R, S.
constexpr AttributeBox kLetterOrder[kBoxCount] = {kBoxArchive, kBoxHidden, kBoxReadOnly,
                                                  kBoxSystem};

constexpr const char* kDateForm = "MM/dd/yyyy";

bool Compare(int op, int64_t difference) {
    switch (op) {
    case 1:
        return difference == 0;
    case 2:
        return difference != 0;
    case 3:
        return difference > 0;
    case 4:
        return difference >= 0;
    case 5:
        return difference < 0;
    case 6:
        return difference <= 0;
    default:
        return false;
    }
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

uint16_t DosDateOf(const QDate& date) {
    if (!date.isValid() || date.year() < 1980 || date.year() > 2107)
        return 0;
    return static_cast<uint16_t>((date.year() - 1980) * 512 + date.month() * 32 + date.day());
}

// --- criteria ---------------------------------------------------------------------

bool CSearchDetailsCriteria::ExpandFileTypes(const std::string& fileTypes,
                                             std::vector<std::string>* entries, std::string* bad) {
    entries->clear();
    size_t start = 0;
    while (start < fileTypes.size()) {
        size_t end = fileTypes.find(';', start);
        if (end == std::string::npos)
            end = fileTypes.size();
        std::string item = fileTypes.substr(start, end - start);
        start = end + 1;
        if (item.size() >= 2 && item.front() == '[' && item.back() == ']')
            continue; // a file set: none is known, so it adds no entries
        std::string wildcard = item;
        if (!wildcard.empty() && (wildcard[0] == '+' || wildcard[0] == '-'))
            wildcard.erase(0, 1);
        entries->push_back(item);
        if (wildcard.empty() || !platform::WildcardSyntaxOk(wildcard)) {
            *bad = item;
            return false;
        }
    }
    return true;
}

bool CSearchDetailsCriteria::SelectName(const std::vector<std::string>& entries,
                                        const std::string& name) {
    for (const std::string& entry : entries) {
        bool include = entry.empty() || entry[0] != '-';
        std::string wildcard =
            !entry.empty() && (entry[0] == '+' || entry[0] == '-') ? entry.substr(1) : entry;
        if (wildcard == "*.*" || platform::WildcardMatch(Upper(wildcard), name))
            return include;
    }
    return false;
}

std::shared_ptr<CSearchDetailsCriteria>
CSearchDetailsCriteria::Build(const CFileSearchCriteriaTransfer& t, std::string* refusal) {
    auto criteria = std::make_shared<CSearchDetailsCriteria>();
    std::vector<Condition>& list = criteria->m_conditions;

    Condition name{Condition::Filename, 1, {}, 0};
    std::string bad;
    if (!ExpandFileTypes(t.fileTypes.empty() ? "*.*" : t.fileTypes, &name.entries, &bad)) {
        *refusal = "The file specification \"" + bad +
                   "\" is invalid. It contains invalid characters or it violates the the DOS "
                   "file specification syntax.";
        return nullptr;
    }
    list.push_back(std::move(name));

    if (t.sizeMode != SizeMode::Any)
        list.push_back({Condition::Size,
                        t.sizeMode == SizeMode::LessThan ? 5 : 3,
                        {},
                        std::max<int64_t>(0, t.sizeKb)});

    int64_t date1 = DosDateOf(t.date1);
    switch (t.dateMode) {
    case DateMode::Any:
        break;
    case DateMode::Before:
        list.push_back({Condition::Date, 5, {}, date1});
        break;
    case DateMode::On:
        list.push_back({Condition::Date, 1, {}, date1});
        break;
    case DateMode::After:
        list.push_back({Condition::Date, 3, {}, date1});
        break;
    case DateMode::Between:
        if (t.date1 > t.date2) {
            *refusal = CCustomTagDialog::kBadDates;
            return nullptr;
        }
        list.push_back({Condition::Date, 4, {}, date1});
        list.push_back({Condition::Date, 6, {}, DosDateOf(t.date2)});
        break;
    }

    uint32_t set = 0;
    for (AttributeBox box : kLetterOrder)
        if (t.attributes[box] == Qt::Checked)
            set |= kBoxBits[box];
    if (set != 0)
        list.push_back({Condition::Attributes, 1, {}, set});
    for (AttributeBox box : kLetterOrder)
        if (t.attributes[box] == Qt::Unchecked)
            list.push_back({Condition::Attributes, 2, {}, kBoxBits[box]});
    return criteria;
}

bool CSearchDetailsCriteria::Matches(const catalogue::CFileContainer& file) const {
    for (const Condition& c : m_conditions) {
        bool pass = false;
        switch (c.field) {
        case Condition::Filename: {
            bool selected = SelectName(c.entries, file.Name());
            pass = c.op == 1 ? selected : c.op == 2 ? !selected : false;
            break;
        }
        case Condition::Date:
            pass = Compare(c.op, static_cast<int64_t>(file.Date()) - c.value);
            break;
        case Condition::Size: {
            int64_t kb = static_cast<int64_t>((file.Size() + 1023) / 1024);
            pass = Compare(c.op, kb - c.value);
            break;
        }
        case Condition::Attributes: {
            uint32_t mask = static_cast<uint32_t>(c.value);
            bool hasAll = (file.Attributes() & mask) == mask;
            pass = c.op == 1 ? hasAll : c.op == 2 ? !hasAll : true;
            break;
        }
        }
        if (!pass)
            return false;
    }
    return true;
}

// --- dialog -----------------------------------------------------------------------

CCustomTagDialog::CCustomTagDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Custom Tag");
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
    t.date1 = m_date1->date();
    t.date2 = m_date2->date();
    for (size_t box = 0; box < t.attributes.size(); ++box)
        t.attributes[box] = m_attributes[box]->checkState();
    return t;
}

void CCustomTagDialog::SetTransfer(const CFileSearchCriteriaTransfer& t) {
    m_fileTypes->setText(QString::fromStdString(t.fileTypes));
    m_sizeMode->setCurrentIndex(static_cast<int>(t.sizeMode));
    m_sizeKb->setValue(static_cast<int>(std::clamp<int64_t>(t.sizeKb, 0, 2147483647)));
    m_dateMode->setCurrentIndex(static_cast<int>(t.dateMode));
    if (t.date1.isValid())
        m_date1->setDate(t.date1);
    if (t.date2.isValid())
        m_date2->setDate(t.date2);
    for (size_t box = 0; box < t.attributes.size(); ++box)
        m_attributes[box]->setCheckState(t.attributes[box]);
}

void CCustomTagDialog::Load() {
    const app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return;
    CFileSearchCriteriaTransfer t;
    t.fileTypes = a->ReadString(kSection, "Filespecs");
    t.sizeMode = static_cast<SizeMode>(std::clamp(a->ReadInt(kSection, "Size Mode", 0), 0, 2));
    t.sizeKb = std::max(0, a->ReadInt(kSection, "Size", 0));
    t.dateMode = static_cast<DateMode>(std::clamp(a->ReadInt(kSection, "Date Mode", 0), 0, 4));
    t.date1 =
        QDate::fromString(QString::fromStdString(a->ReadString(kSection, "Date 1")), kDateForm);
    t.date2 =
        QDate::fromString(QString::fromStdString(a->ReadString(kSection, "Date 2")), kDateForm);
    for (size_t box = 0; box < t.attributes.size(); ++box) {
        int state = a->ReadInt(kSection, kBoxKeys[box], Qt::PartiallyChecked);
        t.attributes[box] = state == Qt::Checked     ? Qt::Checked
                            : state == Qt::Unchecked ? Qt::Unchecked
                                                     : Qt::PartiallyChecked;
    }
    SetTransfer(t);
}

void CCustomTagDialog::Store(const CFileSearchCriteriaTransfer& t) {
    app::VorlaneApp* a = app::VorlaneApp::Current();
    if (!a)
        return;
    a->WriteString(kSection, "Filespecs", t.fileTypes);
    a->WriteInt(kSection, "Size Mode", static_cast<int>(t.sizeMode));
    a->WriteInt(kSection, "Size", static_cast<int>(t.sizeKb));
    a->WriteInt(kSection, "Date Mode", static_cast<int>(t.dateMode));
    a->WriteString(kSection, "Date 1", t.date1.toString(kDateForm).toStdString());
    a->WriteString(kSection, "Date 2", t.date2.toString(kDateForm).toStdString());
    for (size_t box = 0; box < t.attributes.size(); ++box)
        a->WriteInt(kSection, kBoxKeys[box], static_cast<int>(t.attributes[box]));
}

void CCustomTagDialog::accept() {
    CFileSearchCriteriaTransfer t = Transfer();
    std::string refusal;
    std::shared_ptr<CSearchDetailsCriteria> criteria = CSearchDetailsCriteria::Build(t, &refusal);
    if (!criteria) {
        ui::Current().Message(refusal);
        (refusal == kBadDates ? static_cast<QWidget*>(m_date1) : m_fileTypes)->setFocus();
        return;
    }
    m_criteria = criteria;
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
