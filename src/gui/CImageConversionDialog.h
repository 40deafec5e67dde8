// CImageConversionDialog: "Image Conversion" on a file group of the active
// window: "File &Group:" with its count, "File/&Path:" (the output
// directory) with "&Browse...", "&Delete source image(s) after
// conversion", "Prompt before &Overwrite", "Fil&e Format:" (the image
// format table's names), "Colors ( # Bits) Per Pixel" and "Size
// Constraints:" as radio buttons, and the note that pictures are never
// sized up.
//
// OK runs the checks of viewers::CheckImageConversion and, with delete
// chosen, asks "You have selected to delete source images after
// conversion. ARE YOU SURE?" ("WARNING!"); a refusal or No keeps the
// dialog open. The frame then stores the settings as the user parameter
// "Image Conversion Settings" and starts the job.
#pragma once

#include "gui/CFileOpDialogs.h"
#include "viewers/ImageConversion.h"

#include <QDialog>

#include <map>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorlane::gui {

class CImageConversionDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14130;

    CImageConversionDialog(const std::string& directory, GroupFiles files, int group,
                           const viewers::ImageConversionSettings& settings,
                           QWidget* parent = nullptr);

    // What OK accepted (valid after accept()).
    const viewers::ImageConversionParameters& Parameters() const { return m_parameters; }

    QComboBox* GroupBox() const { return m_group; }
    QLabel* CountLabel() const { return m_count; }
    QLineEdit* PathField() const { return m_path; }
    QPushButton* BrowseButton() const { return m_browse; }
    QCheckBox* DeleteBox() const { return m_delete; }
    QCheckBox* PromptBox() const { return m_prompt; }
    QComboBox* FormatBox() const { return m_format; }
    QRadioButton* DepthButton(int bits) const { return m_depths.at(bits); }
    QRadioButton* SizeButton(int id) const { return m_sizes.at(id); }

    void accept() override;

  private:
    viewers::ImageConversionParameters Collect() const;
    void ShowCount();

    std::string m_directory;
    GroupFiles m_files;
    viewers::ImageConversionParameters m_parameters;
    QComboBox* m_group;
    QLabel* m_count;
    QLineEdit* m_path;
    QPushButton* m_browse;
    QCheckBox* m_delete;
    QCheckBox* m_prompt;
    QComboBox* m_format;
    QButtonGroup* m_depthGroup;
    QButtonGroup* m_sizeGroup;
    std::map<int, QRadioButton*> m_depths;
    std::map<int, QRadioButton*> m_sizes;
};

} // namespace vorlane::gui
