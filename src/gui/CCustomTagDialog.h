// Custom Tag (command 14435): the file search details dialog captioned
// "Custom Tag", the criteria it builds, and the prompt the file manager
// session calls for them.
//
//   CFileSearchCriteriaTransfer  what the dialog holds: file types, a size
//                                mode and size, a date mode and two dates,
//                                one three-state box per attribute
//   CSearchDetailsCriteria       the conditions built from a transfer, in
//                                the order file name, size, date(s),
//                                attributes set, attributes cleared; a file
//                                passes when it meets every one
//   CCustomTagDialog             the dialog; it remembers its values in
//                                section "File Search Details" of
//                                VORLANE.INI while an application lives
//   CCustomTagPrompt             catalogue::CCustomTagSource over the
//                                dialog (the frame sets it on the active
//                                window's session while the command runs)
//
// File types are items separated by ";": a wildcard (an Include unless it
// starts with "+" or "-") or "[name]", a file set, of which none are known
// here yet, so it selects nothing. An empty item or a wildcard with a syntax
// error is refused with its message and the dialog stays open; so is a
// "between" whose first date is after the second.
//
// Each cleared attribute box is a condition of its own ("not hidden" and
// "not read-only" both hold), so a file with any of the cleared attributes
// fails.
#pragma once

#include "catalogue/CatalogueServices.h"

#include <QDate>
#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QSpinBox;

namespace vorlane::gui {

enum class SizeMode { Any, LessThan, GreaterThan };
enum class DateMode { Any, Before, On, After, Between };
// The attribute boxes in dialog order, and their DOS bits.
enum AttributeBox { kBoxReadOnly, kBoxHidden, kBoxSystem, kBoxArchive, kBoxCount };

struct CFileSearchCriteriaTransfer {
    std::string fileTypes; // "*.TXT;-*.BAK"; empty means "*.*"
    SizeMode sizeMode = SizeMode::Any;
    int64_t sizeKb = 0;
    DateMode dateMode = DateMode::Any;
    QDate date1;
    QDate date2;
    // Qt::Checked: must have; Qt::Unchecked: must not have; partial: either.
    std::array<Qt::CheckState, kBoxCount> attributes{Qt::PartiallyChecked, Qt::PartiallyChecked,
                                                     Qt::PartiallyChecked, Qt::PartiallyChecked};
};

// A DOS date value ((year - 1980) * 512 + month * 32 + day); 0 for dates
// before 1980.
uint16_t DosDateOf(const QDate& date);

class CSearchDetailsCriteria : public catalogue::CFileCriteria {
  public:
    // One signed file-types entry ("+*.TXT", "-*.BAK", or a bare wildcard).
    struct Condition {
        enum Field { Filename = 1, Date = 2, Size = 3, Attributes = 4 } field;
        int op;                           // 1 =, 2 <>, 3 >, 4 >=, 5 <, 6 <=
        std::vector<std::string> entries; // Filename
        int64_t value = 0;                // Date: DOS date; Size: KB; Attributes: mask
    };

    // Builds the conditions; false (and *refusal holds the message) when
    // the transfer cannot be used.
    static std::shared_ptr<CSearchDetailsCriteria> Build(const CFileSearchCriteriaTransfer& t,
                                                         std::string* refusal);

    bool Matches(const catalogue::CFileContainer& file) const override;
    const std::vector<Condition>& Conditions() const { return m_conditions; }

    // Expands a file-types string into signed entries; false at the first
    // empty or invalid item (*bad is that item).
    static bool ExpandFileTypes(const std::string& fileTypes, std::vector<std::string>* entries,
                                std::string* bad);
    // Whether a list of signed entries selects name: the first entry that
    // matches decides; none matching rejects.
    static bool SelectName(const std::vector<std::string>& entries, const std::string& name);

  private:
    std::vector<Condition> m_conditions;
};

class CCustomTagDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14435;
    static constexpr const char* kSection = "File Search Details";
    static constexpr const char* kBadDates = "The BEFORE date is greater than the AFTER date!";

    explicit CCustomTagDialog(QWidget* parent = nullptr);

    // The criteria of the last accepted OK; null before.
    std::shared_ptr<const CSearchDetailsCriteria> Criteria() const { return m_criteria; }
    CFileSearchCriteriaTransfer Transfer() const;
    void SetTransfer(const CFileSearchCriteriaTransfer& transfer);

    QLineEdit* FileTypes() const { return m_fileTypes; }
    QComboBox* SizeModeBox() const { return m_sizeMode; }
    QSpinBox* SizeKb() const { return m_sizeKb; }
    QComboBox* DateModeBox() const { return m_dateMode; }
    QDateEdit* Date1() const { return m_date1; }
    QDateEdit* Date2() const { return m_date2; }
    QCheckBox* Attribute(AttributeBox box) const { return m_attributes[box]; }

    void accept() override;

  private:
    void Load();
    void Store(const CFileSearchCriteriaTransfer& transfer);
    void UpdateEnabled();

    QLineEdit* m_fileTypes;
    QComboBox* m_sizeMode;
    QSpinBox* m_sizeKb;
    QComboBox* m_dateMode;
    QDateEdit* m_date1;
    QDateEdit* m_date2;
    std::array<QCheckBox*, kBoxCount> m_attributes{};
    std::shared_ptr<const CSearchDetailsCriteria> m_criteria;
};

class CCustomTagPrompt : public catalogue::CCustomTagSource {
  public:
    using DialogRunner = std::function<int(QDialog&)>;
    CCustomTagPrompt(QWidget* parent, DialogRunner run) : m_parent(parent), m_run(std::move(run)) {}
    std::shared_ptr<const catalogue::CFileCriteria> AskCustomTag() override;

  private:
    QWidget* m_parent;
    DialogRunner m_run;
};

} // namespace vorlane::gui
