// The dialogs of the file operations that change files in place: "Delete
// File(s)" and "Remove Directory", "Rename File(s)" and "File Rename",
// "File Attributes", "File Touch" and "Make Directory". Each fills the
// parameters of its fileops driver; the window starts the run.
//
// The group dialogs show "Path:", the "File &Group:" choice of the window's
// groups and the number of files of the chosen one. Settings are read when
// a dialog opens and written only when it closes with OK (through the
// running application; without one nothing is read or written). OK checks
// the parameters with the driver's own checks first; a refusal is shown
// through the user interface and the dialog stays open.
#pragma once

#include "fileops/CFileDelete.h"
#include "fileops/CFileTouch.h"
#include "fileops/CFileWildcardRename.h"
#include "fileops/CMakeDirectory.h"
#include "fileops/CSetFileAttributes.h"
#include "gui/DialogSupport.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;
class QVBoxLayout;

namespace vorlane::gui {

// The names of a group's files in the dialog's directory, in group order.
using GroupFiles = std::function<std::vector<std::string>(int group)>;

// A dialog on a file group of one directory (or, without a group choice,
// on one directory): the rows "Path:" / "Directory:", the group and its
// count, then what the dialog adds; OK runs Refusal() and Store().
class CFileOpDialog : public QDialog {
    Q_OBJECT
  public:
    int HelpContext() const { return m_helpContext; }
    QComboBox* GroupBox() const { return m_group; }
    QString CountText() const;
    // The chosen group's files (empty without a group choice).
    const std::vector<std::string>& Files() const { return m_files; }
    const std::string& Directory() const { return m_directory; }
    void accept() override;

  protected:
    // A group dialog (files set) or a directory dialog.
    CFileOpDialog(const char* caption, int helpContext, const std::string& directory,
                  GroupFiles files, int group, const char* pathLabel, const char* countLabel,
                  QWidget* parent);
    // "" when OK may close the dialog, else the text to show.
    virtual std::string Refusal() const = 0;
    // Writes the settings (OK, after the checks).
    virtual void Store() const {}
    // The widget that gets the focus after a refusal.
    virtual QWidget* FocusAfterRefusal() const;
    void ShowGroupCount();
    void FinishLayout();

    QVBoxLayout* m_layout;
    QGridLayout* m_grid; // rows 0 and 1 taken
    QLabel* m_countLabel;
    QComboBox* m_group = nullptr;

  private:
    int m_helpContext;
    std::string m_directory;
    GroupFiles m_groupFiles;
    std::vector<std::string> m_files;
};

// "Delete File(s)" on a group, or "Remove Directory" on a directory (its
// tree counted on a worker thread, "Contains:").
class CDeleteDialog : public CFileOpDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14120;
    static constexpr const char* kRemoveCaption = "Remove Directory";

    // skipRecycle (Shift+Delete): a stored recycle bin choice shows as
    // "&Normal Delete"; kept unchanged, it is not written back.
    static std::unique_ptr<CDeleteDialog> ForFiles(const std::string& directory, GroupFiles files,
                                                   int group, bool skipRecycle,
                                                   QWidget* parent = nullptr);
    static std::unique_ptr<CDeleteDialog> ForDirectory(const std::string& directory,
                                                       bool skipRecycle, QWidget* parent = nullptr,
                                                       TreeCounter counter = {});
    ~CDeleteDialog() override;

    bool IsDirectoryDialog() const { return m_group == nullptr; }
    int DeleteType() const;
    fileops::CDeleteParameters Parameters() const;
    fileops::CRemoveDirectoryParameters DirectoryParameters() const;
    QRadioButton* TypeButton(int deleteType) const { return m_types[deleteType]; }
    QCheckBox* PromptBox() const { return m_prompt; }
    bool Counting() const { return m_cancelCount != nullptr; }

  signals:
    void CountArrived();

  protected:
    std::string Refusal() const override;
    void Store() const override;
    void done(int result) override;

  private:
    CDeleteDialog(const std::string& directory, GroupFiles files, int group, bool skipRecycle,
                  QWidget* parent);
    void StopCount();

    QRadioButton* m_types[3];
    QCheckBox* m_prompt;
    int m_storedType = fileops::kDeleteNormal;
    int m_preselected = fileops::kDeleteNormal;
    std::shared_ptr<std::atomic<bool>> m_cancelCount;
};

// "Rename File(s)": a group and the new-name pattern.
class CRenameDialog : public CFileOpDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14150;
    CRenameDialog(const std::string& directory, GroupFiles files, int group,
                  QWidget* parent = nullptr);
    // Without the descriptions flag, which the window sets.
    fileops::CRenameParameters Parameters() const;
    QLineEdit* NewNameField() const { return m_newName; }

  protected:
    std::string Refusal() const override;
    QWidget* FocusAfterRefusal() const override;

  private:
    QLineEdit* m_newName;
};

// "File Rename": one file or directory and its new name (a plain name or
// a pattern applied to the old one).
class CFileRenameDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14150;
    static constexpr const char* kCaption = "File Rename";
    CFileRenameDialog(const std::string& dosPath, bool directory, QWidget* parent = nullptr);
    const std::string& Path() const { return m_path; }
    std::string NewName() const;
    QLineEdit* NewNameField() const { return m_newName; }
    QString PromptText() const;
    void accept() override;

  private:
    std::string m_path;
    QLabel* m_prompt;
    QLineEdit* m_newName;
};

// "File Attributes": four three-state boxes (checked: set, unchecked:
// clear, grey: leave).
class CAttributesDialog : public CFileOpDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14110;
    CAttributesDialog(const std::string& directory, GroupFiles files, int group,
                      QWidget* parent = nullptr);
    fileops::CAttributeParameters Parameters() const;
    // The box of one attribute bit (1 read-only, 2 hidden, 4 system, 0x20 archive).
    QCheckBox* AttributeBox(uint32_t bit) const;

  protected:
    std::string Refusal() const override;
    void Store() const override;

  private:
    void Show(const fileops::CAttributeParameters& parameters);
    QCheckBox* m_boxes[4];
};

// "File Touch": the date and time to write and the fields to touch.
class CTouchDialog : public CFileOpDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14160;
    CTouchDialog(const std::string& directory, GroupFiles files, int group,
                 QWidget* parent = nullptr);
    fileops::CTouchParameters Parameters() const;
    QDateEdit* DateField() const { return m_date; }
    QTimeEdit* TimeField() const { return m_time; }
    // The box of one field bit (1 creation, 2 last access, 4 last write).
    QCheckBox* FieldBox(unsigned bit) const;

  protected:
    std::string Refusal() const override;
    void Store() const override;

  private:
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QCheckBox* m_fields[3];
};

// "Make Directory": a name under the current directory, a plain directory
// or an empty zip file. OK is enabled while a name is entered.
class CMakeDirectoryDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14225;
    CMakeDirectoryDialog(const std::string& currentDirectory, QWidget* parent = nullptr);
    fileops::CMakeDirectoryParameters Parameters() const;
    QLineEdit* NameField() const { return m_name; }
    QRadioButton* ZipButton() const { return m_zip; }
    QRadioButton* DirectoryButton() const { return m_plain; }
    bool OkEnabled() const;
    // A zip file's name is checked first (ValidateNewZipName): a refusal is
    // shown and the dialog stays open.
    void accept() override;

  private:
    std::string m_current;
    QLineEdit* m_name;
    QRadioButton* m_plain;
    QRadioButton* m_zip;
    class QPushButton* m_ok;
};

// What a window hands to a run of these operations; the tests watch it.
struct RenameOneRequest {
    std::string path, newName;
    bool descriptions = false;
};
using FileOpStart =
    std::variant<fileops::CDeleteParameters, fileops::CRemoveDirectoryParameters,
                 fileops::CRenameParameters, RenameOneRequest, fileops::CAttributeParameters,
                 fileops::CTouchParameters, fileops::CMakeDirectoryParameters>;
using FileOpStartWatcher = std::function<void(const FileOpStart&)>;
void SetFileOpStartWatcher(FileOpStartWatcher watcher);
void NotifyFileOpStart(const FileOpStart& start);

} // namespace vorlane::gui
