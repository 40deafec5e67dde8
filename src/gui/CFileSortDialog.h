// CFileSortDialog ("Custom Sort"): two sort keys, each a field (name,
// extension, size, date, attributes) and a direction. It fills a
// CFileSortDialogTransfer and never sorts anything itself; OK with the
// same field twice is refused with "Sort keys must be different!" and the
// dialog stays open.
#pragma once

#include "catalogue/CDisplaySettings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;

namespace vorlane::gui {

struct CFileSortDialogTransfer {
    catalogue::CSortKey keys[2] = {{catalogue::kSortName, 1}, {catalogue::kSortExtension, 1}};
};

class CFileSortDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14525;
    static constexpr const char* kSameKeys = "Sort keys must be different!";

    CFileSortDialog(CFileSortDialogTransfer& transfer, QWidget* parent = nullptr);

    QComboBox* Field(int key) const { return m_fields[static_cast<size_t>(key)]; }
    QCheckBox* Descending(int key) const { return m_descending[static_cast<size_t>(key)]; }

    void accept() override;

  private:
    CFileSortDialogTransfer& m_transfer;
    std::array<QComboBox*, 2> m_fields{};
    std::array<QCheckBox*, 2> m_descending{};
};

} // namespace vorlane::gui
