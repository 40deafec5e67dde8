// The file search details dialog: captioned "Custom Tag" (command 14435)
// it tags the shown files that meet what was entered; captioned "File
// Search Criteria" (command 14620) it sets the window's criteria, which
// hide the files that do not meet them. The rules live in the search
// module (search/SearchCriteria.h); the dialog only fills the transfer.
//
//   CRequestCriteria   catalogue::CFileCriteria over a search request: a
//                      catalogue file's name, size, date and (only when a
//                      condition asks) attributes are handed to Matches
//   CCustomTagDialog   the dialog; it remembers its values in section
//                      "File Search Details" of VORLANE.INI
//   CCustomTagPrompt   catalogue::CCustomTagSource over the dialog (the
//                      frame sets it on the active window's session while
//                      the command runs)
//
// A refused entry (a bad file-types item, a file set that refers to
// itself, a "between" whose first date is after the second) shows its
// message and the dialog stays open with the focus on that field.
#pragma once

#include "catalogue/CatalogueServices.h"
#include "search/CFileSetStore.h"
#include "search/SearchCriteria.h"

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

using search::AttributeBox;
using search::CFileSearchCriteriaTransfer;
using search::DateMode;
using search::SizeMode;

// A DOS date value ((year - 1980) * 512 + month * 32 + day); 0 for dates
// before 1980.
uint16_t DosDateOf(const QDate& date);
QDate QDateOf(uint16_t dosDate);

// The file sets of the running application's object database; null when
// no database is open.
std::unique_ptr<search::CFileSetStore> AppFileSets();

class CRequestCriteria : public catalogue::CFileCriteria {
  public:
    explicit CRequestCriteria(search::CFileSearchRequest request) : m_request(std::move(request)) {}
    bool Matches(const catalogue::CFileContainer& file) const override;
    const search::CFileSearchRequest& Request() const { return m_request; }

  private:
    search::CFileSearchRequest m_request;
};

class CCustomTagDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14435;
    static constexpr int kCriteriaHelpContext = 14620;
    static constexpr const char* kCaption = "Custom Tag";
    static constexpr const char* kCriteriaCaption = "File Search Criteria";

    explicit CCustomTagDialog(QWidget* parent = nullptr, const char* caption = kCaption);

    // The criteria of the last accepted OK; null before.
    std::shared_ptr<const CRequestCriteria> Criteria() const { return m_criteria; }
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
    std::array<QCheckBox*, search::kBoxCount> m_attributes{};
    std::shared_ptr<const CRequestCriteria> m_criteria;
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
