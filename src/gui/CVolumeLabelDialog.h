// The "Volume Label" dialog of a drive: its drive, file system, device and
// current label, and a field for the new one (as long as the file system
// allows). A drive that is not the root of its file system, or whose file
// system's label cannot be set, shows why and offers no field. OK checks
// the new label, asks "Change the label ...?" and closes on Yes; the frame
// then sets it as a job (fileops/CVolumeLabelJob.h).
#pragma once

#include "platform/VolumeLabel.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace vorlane::gui {

class CVolumeLabelDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14230;
    static constexpr const char* kCaption = "Volume Label";

    explicit CVolumeLabelDialog(platform::VolumeDetails volume, QWidget* parent = nullptr);

    const platform::VolumeDetails& Volume() const { return m_volume; }
    std::string NewLabel() const;
    QLineEdit* LabelEdit() const { return m_edit; }
    // Why the label cannot be changed here; "" when it can.
    QString Refusal() const;

    void accept() override;

  private:
    platform::VolumeDetails m_volume;
    QLineEdit* m_edit;
    QLabel* m_refusal;
};

} // namespace vorlane::gui
