// The copy and move dialogs: "Copy / Move File(s)" for a file group of one
// directory and "Copy / Move Directory" for a whole tree. Both fill a
// fileops::CCopyParameters; the caller starts the run.
//
// Files: "Path:" the directory, "File &Group:" the groups of the window
// (current file, every, tagged, untagged) with the number of files of the
// chosen one ("%ld files"). Directory: "Directory:" and "Contains:", the
// tree's directories and files, counted on a worker thread so the dialog
// opens at once ("# of dirs and files not known!" until the count is in;
// closing the dialog stops the count and never waits for it).
//
// Both: "&Target path:" with the "TargetDirectory" history, "&Browse...",
// copy or move, the option flags, and the zip options (compression factor,
// path mode, 8.3 names, password) for targets inside zip files.
//
// Settings: the "File Copy" options are read when the dialog opens and,
// with the history, written when it closes with OK (through the running
// application; without one nothing is read or written). OK first checks the
// parameters (fileops::ValidateCopy); a refusal is shown through the user
// interface and the dialog stays open.
#pragma once

#include "fileops/CCopyDirectory.h"
#include "gui/CFieldHistory.h"
#include "gui/DialogSupport.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace vorlane::gui {

class CCopyDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14115;
    static constexpr const char* kFilesCaption = "Copy / Move File(s)";
    static constexpr const char* kDirectoryCaption = "Copy / Move Directory";
    static constexpr const char* kCountUnknown = gui::kCountUnknown;

    // The names of a group's files in the source directory, in group order.
    using GroupFiles = std::function<std::vector<std::string>(int group)>;
    // Counts a tree on a worker thread (fileops::CountTree by default).
    using TreeCounter = gui::TreeCounter;

    // The files dialog on a directory's groups, group preselected.
    static std::unique_ptr<CCopyDialog> ForFiles(const std::string& directory, GroupFiles files,
                                                 int group, bool move, QWidget* parent = nullptr);
    // The files dialog on a list of files from many directories (the
    // results of a find): directory is where they were found and a group's
    // files are full DOS paths. OK checks the target against each
    // directory of the list (fileops::ValidateListCopy), so a target may be
    // the directory the files were found below.
    static std::unique_ptr<CCopyDialog> ForFileList(const std::string& directory, GroupFiles paths,
                                                    int group, bool move,
                                                    QWidget* parent = nullptr);
    // The directory dialog; the count starts at once.
    static std::unique_ptr<CCopyDialog> ForDirectory(const std::string& directory, bool move,
                                                     QWidget* parent = nullptr,
                                                     TreeCounter counter = {});
    ~CCopyDialog() override;

    bool IsDirectoryDialog() const { return m_directory; }
    // The parameters as the controls hold them now (after OK: what the run
    // gets, without the descriptions flag, which the window sets).
    fileops::CCopyParameters Parameters() const;
    const CFieldHistory& History() const { return m_history; }
    // The label of the count ("Contains:" or the files' count).
    QString CountText() const;
    bool Counting() const { return m_cancelCount != nullptr; }

    QComboBox* GroupBox() const { return m_group; }
    QComboBox* TargetBox() const { return m_target; }
    QRadioButton* CopyButton() const { return m_copy; }
    QRadioButton* MoveButton() const { return m_move; }
    QCheckBox* NewerBox() const { return m_newer; }
    QCheckBox* ExistsBox() const { return m_exists; }
    QCheckBox* PromptBox() const { return m_prompt; }
    QComboBox* FactorBox() const { return m_factor; }
    QRadioButton* PathModeButton(int mode) const { return m_pathModes[mode]; }
    QCheckBox* ShortNamesBox() const { return m_shortNames; }
    QLineEdit* PasswordField() const { return m_password; }

    void accept() override;

  signals:
    // The count of the tree arrived (Contains: shows it).
    void CountArrived();

  protected:
    void done(int result) override;

  private:
    CCopyDialog(const std::string& directory, bool directoryDialog, bool move, QWidget* parent);
    void BuildOptions(QVBoxLayout* layout);
    void LoadSettings();
    void StoreSettings(const fileops::CCopyParameters& parameters);
    void ShowGroupCount();
    void StartCount(TreeCounter counter);
    void ShowCount(const fileops::TreeCount& count);
    void StopCount();
    void Browse();

    std::string m_source;
    bool m_directory;
    bool m_list = false; // the files are full paths (ForFileList)
    GroupFiles m_groupFiles;
    std::vector<std::string> m_files; // the chosen group's
    CFieldHistory m_history;
    std::shared_ptr<std::atomic<bool>> m_cancelCount; // the running count's
    QLabel* m_countLabel = nullptr;
    QComboBox* m_group = nullptr;
    QComboBox* m_target;
    QRadioButton* m_copy;
    QRadioButton* m_move;
    QCheckBox* m_newer;
    QCheckBox* m_exists;
    QCheckBox* m_prompt;
    QComboBox* m_factor;
    QRadioButton* m_pathModes[3];
    QCheckBox* m_shortNames;
    QLineEdit* m_password;
};

// Every copy or move a window starts is shown here first (the tests watch
// what the dialogs hand on); null: nobody watches.
using CopyStartWatcher = std::function<void(const fileops::CCopyParameters&)>;
void SetCopyStartWatcher(CopyStartWatcher watcher);
void NotifyCopyStart(const fileops::CCopyParameters& parameters);

} // namespace vorlane::gui
