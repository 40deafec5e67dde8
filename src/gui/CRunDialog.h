// The "Run" dialog of File, Run: the current directory, the command line
// (an editable list with the history of the last 50 lines, kept in section
// "FileRun" under "CommandLine"), how to show the program ("Run &Normal",
// "Run &Minimized", "Run Maximized"), OK, Cancel, "&Browse..." and Help.
//
// OK (or Enter in the command line) puts a non-empty line into the history
// and hands the line, without its leading blanks, to the launcher the
// dialog was given; the dialog closes when the launch succeeded and stays
// open with the focus in the command line when it failed. The dialog
// launches nothing itself. The history is written back when the dialog
// goes.
#pragma once

#include "gui/CFieldHistory.h"

#include <QDialog>

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vorlane::gui {

struct RunDialogTransfer {
    std::string commandLine; // leading blanks removed
    std::string directory;   // the DOS directory it runs in
    int showCommand = 1;     // 1 normal, 2 minimised, 3 maximised
    bool minimizeOwner = false;
};

class CRunDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kHelpContext = 14155;
    static constexpr const char* kCaption = "Run";
    static constexpr const char* kHistorySection = "FileRun";
    static constexpr const char* kHistoryName = "CommandLine";
    static constexpr size_t kHistoryLimit = 50;
    static constexpr int kMaxCommandLine = 255;
    // The Browse picker's caption and filters (the first one is chosen).
    static constexpr const char* kBrowseCaption = "Browse";
    static constexpr const char* kBrowseFilter =
        "Programs|*.SH;*.PY;*.PL;*.APPIMAGE;*.EXE;*.BAT|All Files|*.*|Documents|*.DOC;*.TXT;*.PDF;"
        "*.ODT";

    // launch: called on OK with what the dialog holds; true when started.
    using Launcher = std::function<bool(const RunDialogTransfer&)>;

    CRunDialog(RunDialogTransfer initial, Launcher launch, QWidget* parent = nullptr);
    ~CRunDialog() override;

    RunDialogTransfer Transfer() const;
    QComboBox* CommandLineField() const { return m_commandLine; }
    QLabel* DirectoryLabel() const { return m_directory; }
    QRadioButton* ShowButton(int showCommand) const;
    QPushButton* BrowseButton() const { return m_browse; }
    void accept() override;

  private:
    void Browse();

    RunDialogTransfer m_initial;
    Launcher m_launch;
    CFieldHistory m_history;
    QLabel* m_directory;
    QComboBox* m_commandLine;
    QRadioButton* m_show[3];
    QPushButton* m_browse;
};

} // namespace vorlane::gui
